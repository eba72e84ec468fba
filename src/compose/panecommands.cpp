// Pane commands shared by the editors that hold rich-text panes.
#include "compose/panecommands.h"

#include "compose/defaultfont.h"
#include "compose/paragraphpropdlg.h"
#include "richtext/richtext.h"
#include "settings/inifile.h"
#include "ui/messages.h"
#include "ui/placement.h"

#include <QAbstractButton>
#include <QAction>
#include <QMenu>
#include <QToolBar>
#include <QToolButton>

namespace compose {

bool AskAndInsertPageBreak(richtext::TRichText* pane) {
  if (!pane || !ui::AskYesNoDefaultNo(QStringLiteral("Add a page break here?"),
                                      QStringLiteral("Page Break")))
    return false;
  pane->InsertPageBreak();
  pane->Reformat();
  return true;
}

QString WordWrapHint(bool wrapOn) {
  return wrapOn ? QStringLiteral("Toggle word wrap off") : QStringLiteral("Toggle word wrap on");
}

void ToggleWordWrap(richtext::TRichText* pane, QAbstractButton* button) {
  pane->SetWordWrap(!pane->WordWrap());
  const bool on = pane->WordWrap();
  button->setToolTip(WordWrapHint(on));
  pane->viewport()->update();
  button->setChecked(on);
}

QMenu* MakeZoomMenu(QWidget* parent) {
  auto* menu = new QMenu(parent);
  menu->setObjectName(QStringLiteral("ZoomMenu"));
  for (int percent : {70, 80, 100}) {
    QAction* item = menu->addAction(QStringLiteral("%1%").arg(percent));
    item->setObjectName(QStringLiteral("Zoom%1").arg(percent));
    item->setData(percent);
    item->setCheckable(true);
  }
  return menu;
}

void CheckZoomItem(QMenu* menu, int zoom) {
  for (QAction* item : menu->actions()) item->setChecked(ZoomOfItem(item) == zoom);
}

int ZoomOfItem(const QObject* item) {
  const auto* action = qobject_cast<const QAction*>(item);
  return action ? action->data().toInt() : 0;
}

void OpenParagraphDialog(richtext::TRichText* pane, QWidget* parent) {
  TParagraphPropDlg dialog(parent);
  dialog.SetEditor(pane);
  dialog.adjustSize();  // centre it at the size it will be shown with
  ui::CenterFormDefault(&dialog);
  dialog.exec();
}

void ChooseDefaultFontReporting() {
  try {
    ChooseDefaultFont();
  } catch (const settings::IniWriteError& e) {
    ui::ReportFailure(e);
  }
}

QToolButton* AppendToolButton(QToolBar* bar, const char* name, const QString& text,
                              const QString& hint, bool spacerBefore) {
  if (spacerBefore) {
    auto* spacer = new QWidget(bar);
    spacer->setFixedWidth(2);
    bar->addWidget(spacer);
  }
  auto* button = new QToolButton(bar);
  button->setObjectName(QString::fromLatin1(name));
  button->setText(text);
  button->setToolTip(hint);
  button->setToolButtonStyle(Qt::ToolButtonTextOnly);
  bar->addWidget(button);
  return button;
}

}  // namespace compose
