// A validator that judges each change with a rule and remembers the reason of a refusal,
// the refusal tip, and the rules the windows share.
#include "ui/refusedtyping.h"

#include "base/faxnumber.h"
#include "ui/tabletext.h"

#include <QApplication>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QScreen>
#include <QTimer>
#include <QToolTip>

namespace ui {

namespace {

class RuleValidator : public QValidator {
 public:
  RuleValidator(QLineEdit* edit, TypingRule rule, int maxTyping)
      : QValidator(edit), rule_(std::move(rule)), max_(maxTyping), before_(edit->text()) {
    // Every accepted change, typed or set by code, is what the next change is compared with.
    connect(edit, &QLineEdit::textChanged, this, [this](const QString& t) { before_ = t; });
  }
  State validate(QString& input, int&) const override {
    refused.clear();
    if (max_ > 0 && input.size() > max_ && input.size() > before_.size()) return Invalid;
    if (!rule_) return Acceptable;
    const State state = rule_(input, refused);
    if (state != Invalid) refused.clear();
    return state;
  }
  mutable QString refused;

 private:
  TypingRule rule_;
  int max_;
  QString before_;
};

// Shown as a tool tip looks, but a window of our own: Qt's tool tip takes the clicks that
// land on it, and it would stand over the next field while the user goes there.
class RefusalLabel : public QLabel {
 public:
  RefusalLabel(QLineEdit* edit, const QString& why)
      : QLabel(why, edit->window(),
               Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowTransparentForInput |
                   Qt::WindowDoesNotAcceptFocus),
        edit_(edit) {
    setObjectName(QStringLiteral("RefusalTip"));
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_DeleteOnClose);
    setPalette(QToolTip::palette());
    setFont(QToolTip::font());
    setForegroundRole(QPalette::ToolTipText);
    setBackgroundRole(QPalette::ToolTipBase);
    setAutoFillBackground(true);
    setFrameStyle(QFrame::Box | QFrame::Plain);
    setMargin(3);
    setTextFormat(Qt::PlainText);
    setWordWrap(true);
    setMaximumWidth(std::max(edit->width(), 360));
    adjustSize();
    move(edit->mapToGlobal(QPoint(0, edit->height())));
    edit->installEventFilter(this);
    qApp->installEventFilter(this);
    QTimer::singleShot(8000, this, &QWidget::close);
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    switch (event->type()) {
      case QEvent::FocusOut:
      case QEvent::Hide:
        if (watched == edit_) close();
        break;
      case QEvent::MouseButtonPress:
        close();
        break;
      default:
        break;
    }
    return false;
  }

 private:
  QPointer<QLineEdit> edit_;
};

QPointer<RefusalLabel>& currentTip() {
  static QPointer<RefusalLabel> tip;
  return tip;
}

}  // namespace

void RefuseTyping(QLineEdit* edit, TypingRule rule, int maxTyping) {
  auto* validator = new RuleValidator(edit, std::move(rule), maxTyping);
  edit->setValidator(validator);
  QObject::connect(edit, &QLineEdit::inputRejected, edit, [edit, validator] {
    if (validator->refused.isEmpty()) return;  // refused for its length
    ShowRefusalTip(edit, validator->refused);
    validator->refused.clear();
  });
}

void ShowRefusalTip(QLineEdit* edit, const QString& why) {
  if (currentTip()) currentTip()->close();
  currentTip() = new RefusalLabel(edit, why);
  currentTip()->show();
}

QWidget* RefusalTip() {
  RefusalLabel* tip = currentTip();
  return tip && tip->isVisible() ? tip : nullptr;
}

TypingRule TableTextRule() {
  return [](const QString& text, QString& why) {
    const QString refused = CharactersTablesCannotHold(text);
    if (refused.isEmpty()) return QValidator::Acceptable;
    why = QStringLiteral(
              "\"%1\" cannot be stored in this field: it keeps Western European (code page "
              "1252) characters only.")
              .arg(refused);
    return QValidator::Invalid;
  };
}

TypingRule FaxNumberRule() {
  return [](const QString& text, QString& why) {
    for (char32_t c : text.toUcs4()) {
      if (base::IsFaxNumberChar(c)) continue;
      why = QStringLiteral(
                "\"%1\" cannot be dialled: a fax number holds digits, + * # and , (a pause), "
                "grouped by spaces, dashes, brackets or dots if you like.")
                .arg(QString::fromUcs4(&c, 1));
      return QValidator::Invalid;
    }
    return QValidator::Acceptable;
  };
}

TypingRule WholeNumberRule(int most) {
  // From 0 up, every part of an acceptable number typed so far is acceptable itself.
  return [most](const QString& text, QString& why) {
    if (text.isEmpty()) return QValidator::Intermediate;
    bool digits = true;
    for (QChar c : text) digits = digits && c >= QLatin1Char('0') && c <= QLatin1Char('9');
    bool fits = false;
    const qlonglong n = digits ? text.toLongLong(&fits) : 0;
    if (digits && fits && n <= most) return QValidator::Acceptable;
    why = QStringLiteral("Type a whole number from 0 to %1 here.").arg(most);
    return QValidator::Invalid;
  };
}

}  // namespace ui
