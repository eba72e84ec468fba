// Pane commands shared by the editors that hold rich-text panes.
#include "compose/panecommands.h"

#include "compose/defaultfont.h"
#include "compose/paragraphpropdlg.h"
#include "richtext/richtext.h"
#include "settings/inifile.h"
#include "ui/messages.h"
#include "ui/placement.h"

#include <QAction>
#include <QGuiApplication>
#include <QMenu>
#include <QScreen>
#include <QToolBar>
#include <QToolButton>

#include <algorithm>

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

void ToggleWordWrap(richtext::TRichText* pane, QAction* item) {
  pane->SetWordWrap(!pane->WordWrap());
  const bool on = pane->WordWrap();
  item->setToolTip(WordWrapHint(on));
  pane->viewport()->update();
  item->setChecked(on);
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
  ui::CenterFormDefault(&dialog);
  dialog.exec();
}

int WidthForToolBar(const QToolBar* bar) {
  constexpr int kNarrowest = 640;
  const QScreen* screen = bar->screen() ? bar->screen() : QGuiApplication::primaryScreen();
  const int widest = screen ? screen->availableGeometry().width() : 1024;
  return std::clamp(bar->sizeHint().width() + 40, kNarrowest, std::max(kNarrowest, widest));
}

void ChooseDefaultFontReporting() { ReportingIniErrors(ChooseDefaultFont); }

// Outside a main window a tool bar's overflow menu lists only plain actions (it cannot
// show widgets), so the items are actions and the bar makes their buttons.
QToolButton* AppendToolButton(QToolBar* bar, const char* name, const QString& text,
                              const QString& hint, bool spacerBefore, bool checkable) {
  if (spacerBefore) {
    auto* spacer = new QWidget(bar);
    spacer->setFixedWidth(2);
    bar->addWidget(spacer);
  }
  QAction* item = bar->addAction(text);
  item->setToolTip(hint);
  item->setCheckable(checkable);
  auto* button = qobject_cast<QToolButton*>(bar->widgetForAction(item));
  button->setObjectName(QString::fromLatin1(name));
  button->setToolButtonStyle(Qt::ToolButtonTextOnly);
  return button;
}

}  // namespace compose
