// Main window: its actions, tool bar, fax lists and menus.
#include "app/mainwindow/mainscreen.h"

#include "compose/panecommands.h"
#include "ui/helpwindow.h"

#include <QAction>
#include <QLabel>
#include <QMenuBar>
#include <QStackedWidget>
#include <QTabBar>
#include <QTableView>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <utility>

namespace app {

void TMainScreen::buildActions() {
  auto action = [this](const char* name, const QString& text, const QString& hint,
                       const QKeySequence& key, void (TMainScreen::*slot)()) {
    auto* a = new QAction(text, this);
    a->setObjectName(QString::fromLatin1(name));
    if (!hint.isEmpty()) {
      a->setToolTip(hint);
      a->setStatusTip(hint);
    }
    if (!key.isEmpty()) a->setShortcut(key);
    if (slot) connect(a, &QAction::triggered, this, slot);
    return a;
  };
  mnuNew = action("mnuNew", "&New Fax", {}, {}, &TMainScreen::NewbuttonClick);
  mnuEdit = action("mnuEdit", "&Edit Fax", {}, {}, &TMainScreen::EditButtonClick);
  mnuClone = action("mnuClone", "Clone Fax", {}, {}, &TMainScreen::CloneButtonClick);
  mnuDelete = action("mnuDelete", "Delete Fax", {}, {}, &TMainScreen::DeleteButtonClick);
  mnuSend = action("mnuSend", "Send Fax", {}, QKeySequence(Qt::CTRL | Qt::Key_S),
                   &TMainScreen::SendButtonClick);
  mnuReceive = action("mnuReceive", "Receive Faxes", {}, QKeySequence(Qt::CTRL | Qt::Key_R),
                      &TMainScreen::mnuReceiveClick);
  mnuViewPrint =
      action("mnuViewPrint", "View/Print Fax", "See a preview of and optionally  print the fax",
             QKeySequence(Qt::CTRL | Qt::Key_V), &TMainScreen::mnuViewPrintClick);
  mnuCover = action("mnuCover", "C&over Sheets", "Create or modify cover page templates", {},
                    &TMainScreen::mnuCoverClick);
  mnuPhoneBook = action("mnuPhoneBook", "&Phone Book", "Create or modify phone book entries", {},
                        &TMainScreen::mnuPhoneBookClick);
  mnuRebuildIndexes = action("mnuRebuildIndexes", "Rebuild &Indexes", "Do this every 2 weeks ", {},
                             &TMainScreen::mnuRebuildIndexesClick);
  mnuPreferences = action("mnuPreferences", "P&references", "Set Brindle preferences", {},
                          &TMainScreen::mnuPreferencesClick);
  DefaultEditorFont1 = action("DefaultEditorFont1", "Default Editor Font", {}, {}, nullptr);
  // The same dialog as the fax editor's Default Font button: the font new faxes start in.
  connect(DefaultEditorFont1, &QAction::triggered, this,
          [] { compose::ChooseDefaultFontReporting(); });
  Exit1 = action("Exit1", "E&xit", "Exit to Windows", QKeySequence(Qt::CTRL | Qt::Key_X), nullptr);
  connect(Exit1, &QAction::triggered, this, &QWidget::close);

  Contents1 = action("Contents1", "Contents", "Open the Brindle help file",
                     QKeySequence::HelpContents, nullptr);
  connect(Contents1, &QAction::triggered, this,
          [this] { ui::ShowHelpContext(ui::helpctx::Contents, this); });
  mnuShowHint = action("mnuShowHint", "Show Hints", {}, {}, &TMainScreen::mnuShowHintClick);
  mnuShowHint->setCheckable(true);
  TroubleshootingTips1 = action("TroubleshootingTips1", "Troubleshooting Tips", {}, {}, nullptr);
  connect(TroubleshootingTips1, &QAction::triggered, this,
          [this] { ui::ShowHelpContext(ui::helpctx::Troubleshooting, this); });
  FrequentlyAskedQuestionsFAQ1 =
      action("FrequentlyAskedQuestionsFAQ1", "Frequently Asked Questions (FAQ)", {}, {}, nullptr);
  connect(FrequentlyAskedQuestionsFAQ1, &QAction::triggered, this,
          [this] { ui::ShowHelpContext(ui::helpctx::Faq, this); });
  About1 = action("About1", "About", "Information about Brindle", {}, &TMainScreen::About1Click);
}

void TMainScreen::buildButtonBar() {
  ButtonBar = addToolBar(QStringLiteral("Buttons"));
  ButtonBar->setObjectName(QStringLiteral("ButtonBar"));
  ButtonBar->setMovable(false);
  auto button = [this](const char* name, const QString& text, const QString& hint,
                       void (TMainScreen::*slot)()) {
    auto* b = new QToolButton(ButtonBar);
    b->setObjectName(QString::fromLatin1(name));
    b->setText(text);
    b->setToolTip(hint);
    b->setStatusTip(hint);
    b->setToolButtonStyle(Qt::ToolButtonTextOnly);
    connect(b, &QToolButton::clicked, this, slot);
    ButtonBar->addWidget(b);
    return b;
  };
  Newbutton = button("Newbutton", "&New", "Create a new fax", &TMainScreen::NewbuttonClick);
  EditButton = button("EditButton", "&Edit", "Edit the currently selected fax",
                      &TMainScreen::EditButtonClick);
  CloneButton = button("CloneButton", "&Clone", "Clone the currently selected fax",
                       &TMainScreen::CloneButtonClick);
  DeleteButton = button("DeleteButton", "&Delete", "Delete  the currently selected fax",
                        &TMainScreen::DeleteButtonClick);
  SendButton = button("SendButton", "&Send", "Send the currently selected fax",
                      &TMainScreen::SendButtonClick);
  ReceiveButton = button("ReceiveButton", "&Receive", "Start receiving faxes",
                         &TMainScreen::ReceiveButtonClick);
  ViewFaxButton = button("ViewFaxButton", "&View", "See a preview of and optionally  print the fax",
                         &TMainScreen::mnuViewPrintClick);
  Exitbutton = new QToolButton(ButtonBar);
  Exitbutton->setObjectName(QStringLiteral("Exitbutton"));
  Exitbutton->setText(QStringLiteral("E&xit"));
  Exitbutton->setToolTip(QStringLiteral("Exit the program"));
  connect(Exitbutton, &QToolButton::clicked, this, &QWidget::close);
  ButtonBar->addWidget(Exitbutton);
}

ui::TableGrid* TMainScreen::makeGrid(const QString& name, tables::Cursor& table,
                                     std::vector<ui::GridColumn> columns) {
  auto* grid = new ui::TableGrid(table, std::move(columns));
  grid->setObjectName(name);
  connect(grid, &QTableView::doubleClicked, this, &TMainScreen::mnuViewPrintClick);
  return grid;
}

void TMainScreen::buildBrowsePanel() {
  BrowsePanel = new QWidget(this);
  BrowsePanel->setObjectName(QStringLiteral("BrowsePanel"));
  auto* layout = new QVBoxLayout(BrowsePanel);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  NoteBook = new QStackedWidget(BrowsePanel);
  NoteBook->setObjectName(QStringLiteral("NoteBook"));
  auto page = [this](const QString& title, const QString& colour, QTableView* grid) {
    auto* w = new QWidget(NoteBook);
    auto* l = new QVBoxLayout(w);
    l->setContentsMargins(0, 0, 0, 0);
    l->setSpacing(0);
    auto* strip = new QLabel(title, w);
    strip->setAlignment(Qt::AlignCenter);
    strip->setStyleSheet(
        QStringLiteral("QLabel { color: white; background: %1; font-weight: bold; padding: 3px; }")
            .arg(colour));
    l->addWidget(strip);
    grid->setParent(w);
    l->addWidget(grid);
    NoteBook->addWidget(w);
  };
  FaxGrid = makeGrid(QStringLiteral("FaxGrid"), Store.FaxTable,
                     {{"SentYesNo", "Sent", 3},
                      {"DATESENT", "Date Sent", 0},
                      {"TIMESENT", "Time Sent", 0},
                      {"RECIPIENT", "Recipient", 20},
                      {"PHONE", "Phone", 15},
                      {"PAGES", "Pages", 5},
                      {"SUBJECT", "Subject", 20},
                      {"LASTRESULT", "Last Attempt", 35}});
  RecFaxGrid = makeGrid(QStringLiteral("RecFaxGrid"), Store.RecTable,
                        {{"DATEREC", "Date Rec'd", 0},
                         {"TIMEREC", "Time Rec'd", 0},
                         {"FROM", "From", 0},
                         {"PAGES", "Pages", 0},
                         {"NOTES", "Notes", 20},
                         {"FAXFILE", "Fax File", 0}});
  page(QStringLiteral("Outgoing Faxes"), QStringLiteral("blue"), FaxGrid);
  page(QStringLiteral("Incoming Faxes"), QStringLiteral("green"), RecFaxGrid);
  layout->addWidget(NoteBook);

  TabSet1 = new QTabBar(BrowsePanel);
  TabSet1->setObjectName(QStringLiteral("TabSet1"));
  TabSet1->setShape(QTabBar::RoundedSouth);
  TabSet1->addTab(QStringLiteral("Outgoing"));
  TabSet1->addTab(QStringLiteral("Incoming"));
  connect(TabSet1, &QTabBar::currentChanged, this, &TMainScreen::TabSet1Click);
  layout->addWidget(TabSet1);

  status = new QLabel(BrowsePanel);
  status->setObjectName(QStringLiteral("status"));
  status->setAlignment(Qt::AlignCenter);
  status->setStyleSheet(QStringLiteral("QLabel { color: blue; }"));
  status->setMinimumHeight(status->fontMetrics().height() + 4);
  layout->addWidget(status);
  setCentralWidget(BrowsePanel);
}

void TMainScreen::buildMenus() {
  QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
  file->setObjectName(QStringLiteral("File1"));
  file->setToolTipsVisible(true);
  file->addActions({mnuNew, mnuEdit, mnuClone, mnuDelete});
  file->addSeparator();
  file->addActions({mnuSend, mnuReceive, mnuViewPrint});
  file->addSeparator();
  file->addActions({mnuCover, mnuPhoneBook, mnuRebuildIndexes, mnuPreferences, DefaultEditorFont1});
  file->addSeparator();
  file->addAction(Exit1);
  QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
  help->setObjectName(QStringLiteral("Help1"));
  help->setToolTipsVisible(true);
  help->addActions({Contents1, mnuShowHint, TroubleshootingTips1,
                    FrequentlyAskedQuestionsFAQ1});
  help->addSeparator();
  help->addAction(About1);
}

}  // namespace app
