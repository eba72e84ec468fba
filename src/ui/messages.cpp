// Message boxes on QMessageBox, with a replaceable handler for unattended runs.
#include "ui/messages.h"

#include <QApplication>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QWidget>

namespace ui {

namespace {

QString limited(const QString& s) {
  constexpr int kMax = 255;
  return s.size() <= kMax ? s : s.left(kMax - 3) + QStringLiteral("...");
}

QMessageBox::Icon iconFor(int flags) {
  switch (flags & 0xF0) {
    case mb::IconError: return QMessageBox::Critical;
    case mb::IconQuestion: return QMessageBox::Question;
    case mb::IconWarning: return QMessageBox::Warning;
    case mb::IconInformation: return QMessageBox::Information;
    default: return QMessageBox::NoIcon;
  }
}

}  // namespace

MessageBoxSeam& MessageBoxAnswers() {
  static MessageBoxSeam seam;
  return seam;
}

int ShowMessageBox(const QString& text, const QString& caption, int flags) {
  const QString t = limited(text), c = limited(caption);
  if (MessageBoxAnswers()) return MessageBoxAnswers()(t, c, flags);

  QMessageBox box(iconFor(flags), c, t, QMessageBox::NoButton, QApplication::activeWindow());
  box.setTextInteractionFlags(Qt::TextSelectableByMouse);  // texts can be copied from
  struct Choice {
    QMessageBox::StandardButton button;
    int result;
  };
  std::vector<Choice> choices;
  switch (flags & 0xF) {
    case mb::OkCancel:
      choices = {{QMessageBox::Ok, mb::IdOk}, {QMessageBox::Cancel, mb::IdCancel}};
      break;
    case mb::YesNoCancel:
      choices = {{QMessageBox::Yes, mb::IdYes},
                 {QMessageBox::No, mb::IdNo},
                 {QMessageBox::Cancel, mb::IdCancel}};
      break;
    case mb::YesNo: choices = {{QMessageBox::Yes, mb::IdYes}, {QMessageBox::No, mb::IdNo}}; break;
    default: choices = {{QMessageBox::Ok, mb::IdOk}}; break;
  }
  for (const Choice& ch : choices) box.addButton(ch.button);
  const std::size_t def = (flags & mb::DefButton2) && choices.size() > 1 ? 1 : 0;
  box.setDefaultButton(choices[def].button);
  const auto pressed = static_cast<QMessageBox::StandardButton>(box.exec());
  for (const Choice& ch : choices)
    if (ch.button == pressed) return ch.result;
  return choices.size() > 1 ? choices.back().result : mb::IdOk;
}

bool AskYesNo(const QString& text, const QString& caption) {
  return ShowMessageBox(text, caption, mb::YesNo | mb::IconQuestion) == mb::IdYes;
}

bool AskYesNoDefaultNo(const QString& text, const QString& caption) {
  return ShowMessageBox(text, caption, mb::YesNo | mb::IconQuestion | mb::DefButton2) == mb::IdYes;
}

void ShowInfo(const QString& text) {
  ShowMessageBox(text, QStringLiteral("Information"), mb::Ok | mb::IconInformation);
}

void ShowLongInfo(const QString& text) {
  constexpr qsizetype kMax = 255;  // what one box holds (ShowMessageBox)
  const QString gap = QStringLiteral("\n\n");
  QString box;
  for (const QString& paragraph : text.split(gap)) {
    if (!box.isEmpty() && box.size() + gap.size() + paragraph.size() > kMax) {
      ShowInfo(box);
      box.clear();
    }
    box += (box.isEmpty() ? QString() : gap) + paragraph;
  }
  if (!box.isEmpty()) ShowInfo(box);
}

void ReportFailure(const std::exception& e) { ShowInfo(QString::fromUtf8(e.what())); }

void PopupBelowButton(QWidget* button, QMenu* menu) {
  menu->popup(button->mapToGlobal(QPoint(0, button->height())));
}

}  // namespace ui
