// Main window: controls, life cycle, enabling rules and the commands that have no
// window of their own.
#include "app/mainwindow/mainscreen.h"

#include "base/log.h"

#include "app/mainwindow/faxassembly.h"
#include "app/mainwindow/faxgridmodel.h"
#include "app/mainwindow/faxstore.h"
#include "app/mainwindow/richtextmemo.h"
#include "app/mainwindow/smallforms.h"
#include "compose/defaultfont.h"
#include "compose/enteredit.h"
#include "compose/faxeditor.h"
#include "compose/panecommands.h"
#include "faxengine/device_paths.h"
#include "faximage/converter.h"
#include "richtext/richtext.h"
#include "settings/appsettings.h"
#include "settings/inifile.h"
#include "ui/helpwindow.h"
#include "ui/hints.h"
#include "ui/messages.h"
#include "ui/placement.h"
#include "ui/tabletext.h"
#include "windows/faxviewer.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMenuBar>
#include <QScopedValueRollback>
#include <QStackedWidget>
#include <QTabBar>
#include <QTableView>
#include <QTime>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

namespace app {

namespace {

constexpr const char* kWebSite = "https://brindle-fax.org/";

void pumpMessages() { QCoreApplication::processEvents(); }

// The hourglass of a long command, optionally with the tool bar off so that no second
// command starts meanwhile; cursor, tool bar and status line come back when it ends.
class HourGlass {
 public:
  explicit HourGlass(TMainScreen& w, bool toolBarOff = false) : w_(w), toolBarOff_(toolBarOff) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    if (toolBarOff_) w_.ButtonBar->setEnabled(false);
  }
  ~HourGlass() {
    QApplication::restoreOverrideCursor();
    if (toolBarOff_) w_.ButtonBar->setEnabled(true);
    w_.SetStatus(QString());
  }

 private:
  TMainScreen& w_;
  bool toolBarOff_;
};

int columnWidthFor(const GridColumn& c, const tables::Cursor& cursor, const QFontMetrics& fm) {
  int chars = c.displayWidth;
  if (chars <= 0) {
    const tables::Field* f = const_cast<tables::Cursor&>(cursor).findField(c.fieldName);
    chars = std::max(f ? (f->type() == 'D' ? 10 : f->width()) : 10, int(c.title.size()));
  }
  return chars * fm.averageCharWidth() + 12;
}

QString fromField(const tables::Cursor& cursor, const char* name) {
  return ui::FromTableText(cursor.table().getString(name));
}

void putField(tables::Cursor& cursor, const char* name, const QString& text) {
  cursor.table().putString(name, ui::ToTableText(text));
}

}  // namespace

TMainScreen::TMainScreen(QWidget* parent) : QMainWindow(parent) {
  setObjectName(QStringLiteral("TMainScreen"));
  setWindowTitle(QStringLiteral("Brindle "));
  ui::SetMainForm(this);

  FaxDataSource.dataSet = &FaxTable;
  RecDataSource.dataSet = &RecTable;
  CoverDataSource.dataSet = &CoverTable;
  PhoneDataSource.dataSet = &PhoneTable;
  FaxBinding.setDataSource(&FaxDataSource);
  RecBinding.setDataSource(&RecDataSource);
  CoverBinding.setDataSource(&CoverDataSource);
  PhoneBinding.setDataSource(&PhoneDataSource);
  FaxTable.addCalculatedField("SentYesNo", 3);
  FaxTable.setCalcHandler([this](tables::Cursor& c) { FaxTableCalcFields(c); });

  buildActions();
  buildButtonBar();
  buildBrowsePanel();
  buildMenus();
  buildHiddenPanel();
  resize(592, 383 + menuBar()->sizeHint().height() + ButtonBar->sizeHint().height());
  FormCreate();
}

TMainScreen::~TMainScreen() {
  if (ui::MainForm() == this) ui::SetMainForm(nullptr);
}

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
                      &TMainScreen::ReceiveButtonClick);
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

  Contents1 = action("Contents1", "Contents", "Open the Brindle help file", {}, nullptr);
  connect(Contents1, &QAction::triggered, this,
          [this] { ui::ShowHelpContext(ui::helpctx::Contents, this); });
  mnuShowHint = action("mnuShowHint", "Show Hints", {}, {}, &TMainScreen::mnuShowHintClick);
  mnuShowHint->setCheckable(true);
  TroubleshootingTips1 = action("TroubleshootingTips1", "Troubleshooting Tips", {}, {}, nullptr);
  connect(TroubleshootingTips1, &QAction::triggered, this,
          [this] { ui::ShowHelpContext(ui::helpctx::Troubleshooting, this); });
  VisitOurInternetWebsite1 =
      action("VisitOurInternetWebsite1", "Visit Our Internet Website", {}, {}, nullptr);
  connect(VisitOurInternetWebsite1, &QAction::triggered, this,
          [] { ui::ShowWebPage(QUrl(QString::fromLatin1(kWebSite))); });
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

QTableView* TMainScreen::makeGrid(const QString& name, FaxGridModel* model) {
  auto* grid = new QTableView;
  grid->setObjectName(name);
  grid->setModel(model);
  grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
  grid->setSelectionBehavior(QAbstractItemView::SelectRows);
  grid->setSelectionMode(QAbstractItemView::SingleSelection);
  grid->setShowGrid(true);
  grid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  grid->verticalHeader()->setDefaultSectionSize(grid->fontMetrics().height() + 6);
  grid->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
  grid->horizontalHeader()->setHighlightSections(false);
  connect(grid->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
          [this, model](const QModelIndex& current) { onGridRowChanged(model, current.row()); });
  connect(grid, &QTableView::doubleClicked, this, &TMainScreen::mnuViewPrintClick);
  connect(model, &QAbstractItemModel::modelReset, this,
          [this, grid, model] { syncSelection(grid, model); });
  return grid;
}

void TMainScreen::buildBrowsePanel() {
  faxModel_ = new FaxGridModel(FaxTable,
                               {{"SentYesNo", "Sent", 3},
                                {"DATESENT", "Date Sent", 0},
                                {"TIMESENT", "Time Sent", 0},
                                {"RECIPIENT", "Recipient", 20},
                                {"PHONE", "Phone", 15},
                                {"PAGES", "Pages", 5},
                                {"SUBJECT", "Subject", 20},
                                {"LASTRESULT", "Last Attempt", 35}},
                               this);
  recModel_ = new FaxGridModel(RecTable,
                               {{"DATEREC", "Date Rec'd", 0},
                                {"TIMEREC", "Time Rec'd", 0},
                                {"FROM", "From", 0},
                                {"PAGES", "Pages", 0},
                                {"NOTES", "Notes", 20},
                                {"FAXFILE", "Fax File", 0}},
                               this);

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
  FaxGrid = makeGrid(QStringLiteral("FaxGrid"), faxModel_);
  RecFaxGrid = makeGrid(QStringLiteral("RecFaxGrid"), recModel_);
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
  help->addActions({Contents1, mnuShowHint, TroubleshootingTips1, VisitOurInternetWebsite1,
                    FrequentlyAskedQuestionsFAQ1});
  help->addSeparator();
  help->addAction(About1);
}

void TMainScreen::buildHiddenPanel() {
  HiddenPanel = new QWidget(this);
  HiddenPanel->setObjectName(QStringLiteral("HiddenPanel"));
  HiddenPanel->hide();
  RichCover = new richtext::TRichText(HiddenPanel);
  RichCover->setObjectName(QStringLiteral("RichCover"));
  RichDoc = new richtext::TRichText(HiddenPanel);
  RichDoc->setObjectName(QStringLiteral("RichDoc"));
  FxFaxConverter1 = std::make_unique<faximage::TFxFaxConverter>();
  FxFaxConverter1->OnYield = [] {
    pumpMessages();
    return true;
  };
}

// ---- life cycle ----------------------------------------------------------------------

void TMainScreen::FormCreate() {
  FirstActivation = true;
  NoteBook->setCurrentIndex(0);
  // A damaged file is named first, so the user knows which one to look at.
  auto openList = [this](tables::Cursor& table, tables::TTableBinding& binding,
                         const StoreTable& definition, const char* failure) {
    std::string error;
    if (OpenStoreTable(table, binding, definition, OpenStyle::MainList, &error)) return;
    if (!error.empty()) ui::ShowInfo(QString::fromStdString(error));
    ui::ShowInfo(QString::fromLatin1(failure));
    closeRequested();
  };
  openList(FaxTable, FaxBinding, OutgoingTable(),
           "Unable to open/create the FAX datafile - closing program");
  openList(RecTable, RecBinding, ReceivedTable(),
           "Unable to open/create the FAX RECEIVE datafile - closing program");
  settings::LoadSettings();
  faxengine::setComDevicePaths(settings::AppSettings.ComDevices);
  if (settings::AppSettings.ComPort == -1) {
    PortNeverConfigured = true;
    settings::AppSettings.ComPort = 0;
  }
  // A first run writes the settings file at once, so that every key stands in its
  // order ahead of the window placements that follow.
  if (!QFileInfo::exists(QString::fromStdString(settings::SettingsFilePath()))) {
    try {
      saveAppSettings();
    } catch (const settings::IniWriteError& e) {
      ui::ReportFailure(e);
    }
  }
  FaxInProgress = false;
  ReceiveMode = false;
  QDir(QString::fromStdString(settings::ProgramDir())).mkpath(QString::fromStdString(ReceiveDir()));
  mnuShowHint->setChecked(settings::AppSettings.HintsOn);
  ui::InstallHints(settings::AppSettings.HintsOn);
  faxModel_->refresh();
  recModel_->refresh();
  applyColumnWidths(FaxGrid, faxModel_, FaxTable);
  applyColumnWidths(RecFaxGrid, recModel_, RecTable);
}

void TMainScreen::applyColumnWidths(QTableView* grid, FaxGridModel* model,
                                    const tables::Cursor& cursor) {
  const auto& columns = model->columns();
  for (std::size_t i = 0; i < columns.size(); ++i)
    grid->setColumnWidth(int(i), columnWidthFor(columns[i], cursor, grid->fontMetrics()));
}

void TMainScreen::closeRequested() {
  if (closeQueued_) return;
  closeQueued_ = true;
  QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
}

void TMainScreen::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (FirstActivation) QTimer::singleShot(0, this, &TMainScreen::FormActivate);
}

void TMainScreen::FormActivate() {
  if (!FirstActivation || closeQueued_) return;
  FirstActivation = false;
  ui::RestoreFormPlacement(this);
  SetButtons();
  pumpMessages();
  // The Preferences dialog opens here on the first run once it exists; until then the
  // first-run flag stays set, so that the port is still unconfigured on the next start.
}

bool TMainScreen::FormCloseQuery() {
  if (FaxInProgress && !ui::AskYesNo(QStringLiteral("You are receiving a fax. Exit the program?"),
                                     QStringLiteral("Exit")))
    return false;
  pumpMessages();
  FaxTable.close();
  RecTable.close();
  pumpMessages();
  return true;
}

void TMainScreen::closeEvent(QCloseEvent* event) {
  if (closing_) {
    event->accept();
    return;
  }
  if (!FormCloseQuery()) {
    event->ignore();
    return;
  }
  closing_ = true;
  FormClose();
  event->accept();
}

void TMainScreen::FormClose() {
  ReceiveMode = false;
  SetButtons();
  try {
    if (!FirstActivation) ui::SaveFormPlacement(this);
    saveAppSettings();
  } catch (const settings::IniWriteError& e) {
    ui::ReportFailure(e);
  }
  if (StartingFaxForm) StartingFaxForm->hide();
}

void TMainScreen::saveAppSettings() {
  // A port that was never configured is stored as such until the user has been asked.
  const int port = settings::AppSettings.ComPort;
  if (PortNeverConfigured) settings::AppSettings.ComPort = -1;
  try {
    settings::SaveSettings();
  } catch (...) {
    settings::AppSettings.ComPort = port;
    throw;
  }
  settings::AppSettings.ComPort = port;
}

// ---- fax store -------------------------------------------------------------------------

bool TMainScreen::MakeFaxDBF() { return MakeStoreTable(OutgoingTable()); }
bool TMainScreen::MakeRecFaxDBF() { return MakeStoreTable(ReceivedTable()); }
bool TMainScreen::MakeCoverDBF() { return MakeStoreTable(app::CoverTable()); }
bool TMainScreen::MakePhoneDBF(tables::Cursor&, tables::TTableBinding&) {
  return MakeStoreTable(app::PhoneTable());
}

bool TMainScreen::OpenFaxDBF() {
  const bool ok = OpenStoreTable(FaxTable, FaxBinding, OutgoingTable(), OpenStyle::MainList);
  if (ok) faxModel_->refresh();
  return ok;
}

bool TMainScreen::OpenRecFaxDBF() {
  return OpenStoreTable(RecTable, RecBinding, ReceivedTable(), OpenStyle::MainList);
}

bool TMainScreen::OpenCoverDBF() {
  return OpenStoreTable(CoverTable, CoverBinding, app::CoverTable(), OpenStyle::Library);
}

bool TMainScreen::OpenPhoneDBF(tables::Cursor& table, tables::TTableBinding& binding) {
  return OpenStoreTable(table, binding, app::PhoneTable(), OpenStyle::Library);
}

void TMainScreen::FaxTableCalcFields(tables::Cursor& dataset) {
  tables::Field* sent = dataset.findField("SENT");
  dataset.fieldByName("SentYesNo").setCalcValue(sent && sent->asLogical() ? "Yes" : "No ");
}

void TMainScreen::FaxTableCloseAndOpen() {
  try {
    CloseAndOpen(FaxTable, FaxBinding, pumpMessages);
  } catch (const std::exception& e) {
    ui::ReportFailure(e);
  }
}

void TMainScreen::RecTableCloseAndOpen() {
  try {
    CloseAndOpen(RecTable, RecBinding, pumpMessages);
  } catch (const std::exception& e) {
    ui::ReportFailure(e);
  }
}

// ---- enabling rules --------------------------------------------------------------------

int TMainScreen::Page() const { return NoteBook->currentIndex(); }

bool TMainScreen::listEmpty(const tables::Cursor& table) const {
  if (!table.active()) return true;
  const tables::Table& t = table.table();
  return t.recNo() == t.recCount() + 1;
}

ListState TMainScreen::CurrentListState() const {
  ListState s;
  s.page = Page();
  s.sentEmpty = listEmpty(FaxTable);
  s.recEmpty = listEmpty(RecTable);
  s.receiveMode = ReceiveMode;
  return s;
}

void TMainScreen::SetButtons() {
  // An empty list is shown in record order; a list with records in its tag order.
  auto fixOrder = [](tables::Cursor& cursor, bool empty, const std::string& tag) {
    if (!cursor.active()) return;
    try {
      tables::Table& t = cursor.table();
      if (empty && t.indexOrd() != 0) {
        t.setOrder(0);
      } else if (!empty && t.indexOrd() == 0 && t.tagArea(tag) != 0) {
        t.setOrder(tag);
        cursor.first();
      }
    } catch (const std::exception& e) {
      base::LogFailure("list order", e.what());  // the list keeps the order it has
    }
  };
  fixOrder(FaxTable, listEmpty(FaxTable), OutgoingTable().tag);
  fixOrder(RecTable, listEmpty(RecTable), ReceivedTable().tag);

  const ButtonStates b = ComputeButtonStates(CurrentListState());
  FaxGrid->setEnabled(b.faxGrid);
  RecFaxGrid->setEnabled(b.recFaxGrid);
  Newbutton->setEnabled(b.newFax);
  CloneButton->setEnabled(b.clone);
  SendButton->setEnabled(b.send);
  mnuRebuildIndexes->setEnabled(b.rebuildIndexes);
  mnuPreferences->setEnabled(b.preferences);
  EditButton->setEnabled(b.edit);
  DeleteButton->setEnabled(b.del);
  ViewFaxButton->setEnabled(b.view);
  mnuViewPrint->setEnabled(b.view);
  mnuNew->setEnabled(b.newFax);
  mnuClone->setEnabled(b.clone);
  mnuSend->setEnabled(b.send);
  mnuEdit->setEnabled(b.edit);
  mnuDelete->setEnabled(b.del);
  ReceiveButton->setEnabled(b.receive);
  mnuReceive->setEnabled(b.receive);
  ReceiveButton->setText(ReceiveMode ? QStringLiteral("STOP") : QStringLiteral("&Receive"));
}

void TMainScreen::SetStatus(const QString& text) {
  status->setText(text);
  pumpMessages();
}

// ---- grids -----------------------------------------------------------------------------

void TMainScreen::onGridRowChanged(FaxGridModel* model, int row) {
  if (row >= 0) model->moveCursorTo(row);
}

void TMainScreen::syncSelection(QTableView* grid, FaxGridModel* model) {
  const int row = model->currentRow();
  if (row >= 0)
    grid->selectionModel()->setCurrentIndex(
        model->index(row, 0), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

// ---- commands --------------------------------------------------------------------------

void TMainScreen::notAvailableYet(const QString& window) {
  ui::ShowInfo(QStringLiteral("The %1 window is not available yet.").arg(window));
}

void TMainScreen::NewbuttonClick() {
  {
    compose::TFaxEditor editor(this);
    if (CloneMode) {
      loadEditor(editor, QStringLiteral("[clone]"));
    } else {
      compose::ApplyDefaultFont(editor.RichCover);
      compose::ApplyDefaultFont(editor.RichDoc);
    }
    if (editor.exec() == compose::kModalOk) {
      try {
        FaxTable.append();
        pumpMessages();
        storeEditor(editor);
        pumpMessages();
      } catch (const std::exception& e) {
        FaxTable.cancel();
        ui::ReportFailure(e);
      }
      FaxTableCloseAndOpen();
      pumpMessages();
    }
  }
  CloneMode = false;
  SetButtons();
}

void TMainScreen::loadEditor(compose::TFaxEditor& editor, const QString& subjectPrefix) {
  LoadRichText(editor.RichCover, "RTFCOVER", FaxBinding);
  LoadRichText(editor.RichDoc, "RTFDOC", FaxBinding);
  editor.Recipient->setText(fromField(FaxTable, "RECIPIENT"));
  editor.Subject->setText(subjectPrefix + fromField(FaxTable, "SUBJECT"));
  editor.FaxNumber->setText(fromField(FaxTable, "PHONE"));
}

void TMainScreen::storeEditor(compose::TFaxEditor& editor) {
  SaveRichText(editor.RichCover, "RTFCOVER", FaxBinding);
  SaveRichText(editor.RichDoc, "RTFDOC", FaxBinding);
  putField(FaxTable, "RECIPIENT", editor.Recipient->text());
  putField(FaxTable, "SUBJECT", editor.Subject->text());
  putField(FaxTable, "PHONE", editor.FaxNumber->text());
  FaxTable.post();
}

void TMainScreen::CloneButtonClick() {
  if (listEmpty(FaxTable)) {
    QApplication::beep();
    return;
  }
  CloneMode = true;
  NewbuttonClick();
}

void TMainScreen::EditButtonClick() {
  if (Page() == 1)
    EditReceivedFax();
  else
    EditSentFax();
}

void TMainScreen::EditSentFax() {
  if (listEmpty(FaxTable)) {
    QApplication::beep();
    return;
  }
  compose::TFaxEditor editor(this);
  loadEditor(editor, QString());
  if (editor.exec() != compose::kModalOk) return;
  try {
    FaxTable.edit();
    storeEditor(editor);
  } catch (const std::exception& e) {
    FaxTable.cancel();
    ui::ReportFailure(e);
  }
}

void TMainScreen::EditReceivedFax() {
  if (listEmpty(RecTable)) {
    QApplication::beep();
    return;
  }
  const std::uint32_t remembered = RecTable.recNo();
  TEditReceiveNotes dialog(this);
  dialog.Descript->setText(QStringLiteral("From: ") + fromField(RecTable, "FROM"));
  dialog.Notes->setText(fromField(RecTable, "NOTES"));
  ui::CenterFormDefault(&dialog);
  if (dialog.exec() != QDialog::Accepted) return;
  if (remembered == 0 || remembered > RecTable.table().recCount()) return;
  try {
    RecTable.go(remembered);
    RecTable.edit();
    putField(RecTable, "NOTES", dialog.Notes->text());
    RecTable.post();
  } catch (const std::exception& e) {
    RecTable.cancel();
    ui::ReportFailure(e);
  }
}

QString TMainScreen::CurrentReceivedFaxPath() {
  // Only the file name counts: a stored name never reaches outside the receive folder.
  const QString name = QFileInfo(fromField(RecTable, "FAXFILE").trimmed()).fileName();
  if (name.isEmpty()) return {};
  return QString::fromStdString(ReceiveDir()) + QLatin1Char('/') + name;
}

void TMainScreen::DeleteButtonClick() {
  const bool received = Page() == 1;
  tables::Cursor& table = received ? RecTable : FaxTable;
  if (listEmpty(table)) {
    QApplication::beep();
    return;
  }
  const QString what = received ? QStringLiteral("from") : QStringLiteral("subject");
  const QString value = fromField(table, received ? "FROM" : "SUBJECT");
  const QString question =
      QStringLiteral("Delete the current fax?\r\n(%1: \"%2\")").arg(what, value);
  if (!ui::AskYesNoDefaultNo(question, QStringLiteral("Delete"))) return;
  const QString faxFile = received ? CurrentReceivedFaxPath() : QString();
  try {
    table.deleteRecord();
  } catch (const std::exception& e) {
    ui::ReportFailure(e);
    SetButtons();
    return;
  }
  if (received) {
    RecTableCloseAndOpen();
    if (!faxFile.isEmpty()) QFile::remove(faxFile);
  } else {
    FaxTableCloseAndOpen();
  }
  SetButtons();
}

// ---- fax file assembly -------------------------------------------------------------------

QString TMainScreen::CreateFaxFile() {
  // Messages run while the fax is built; a menu command or shortcut reaching here then
  // must not load other texts into the editors being rendered.
  if (assembling_) {
    QApplication::beep();
    return {};
  }
  std::string name;
  int rc = 0;
  {
    const QScopedValueRollback<bool> busyFlag(assembling_, true);
    HourGlass busy(*this, true);
    FaxAssembly assembly(*RichCover, *RichDoc, *FxFaxConverter1,
                         {[this](const QString& text) { SetStatus(text); }, pumpMessages});
    rc = assembly.CreateFaxFile(FaxBinding, name);
    PagesBuilt = assembly.PagesBuilt();
  }
  if (rc == kFaxHasNoContents)
    ui::ShowMessageBox(AssemblyErrorText(rc), QStringLiteral("Brindle"), ui::mb::Ok);
  return QString::fromStdString(name);
}

int TMainScreen::RenderRichTextPages(richtext::TRichText* editor, std::vector<std::string>& pages) {
  return FaxAssembly(*RichCover, *RichDoc, *FxFaxConverter1, {{}, pumpMessages})
      .RenderRichTextPages(*editor, pages);
}

int TMainScreen::JoinFaxFiles(const std::vector<std::string>& pages, std::string& faxFile) {
  return app::JoinFaxFiles(pages, faxFile);
}

int TMainScreen::AppendFaxFile(const std::string& target, const std::string& source) {
  return app::AppendFaxFile(target, source);
}

std::string TMainScreen::NewFaxFileName() { return app::NewFaxFileName(); }

void TMainScreen::SendButtonClick() { notAvailableYet(QStringLiteral("send")); }

void TMainScreen::ReceiveButtonClick() { notAvailableYet(QStringLiteral("receive mode")); }

void TMainScreen::mnuViewPrintClick() {
  const bool received = Page() == 1;
  if (listEmpty(received ? RecTable : FaxTable)) {
    QApplication::beep();
    return;
  }
  QString file, header, failure;
  {
    HourGlass busy(*this);
    SetStatus(QStringLiteral("Preparing files for viewing..."));
    const QString gap(13, QLatin1Char(' '));
    if (received) {
      file = CurrentReceivedFaxPath();
      if (file.isEmpty() || !QFileInfo(file).isFile()) {
        failure = QStringLiteral("Fax file is missing");
      } else {
        // The path shown is the one opened: names on this file system keep their case.
        header = QStringLiteral("From: ") + fromField(RecTable, "FROM").trimmed() + gap +
                 QStringLiteral("Received: ") + GetDatetimeAsString(true) + gap +
                 QStringLiteral("Fax File: ") + file;
      }
    } else {
      file = CreateFaxFile();
      if (file.isEmpty()) {
        failure = QStringLiteral("Error creating fax file");
      } else {
        header = QStringLiteral("To: ") + fromField(FaxTable, "RECIPIENT").trimmed() + gap +
                 QStringLiteral("Subject: ") + fromField(FaxTable, "SUBJECT").trimmed() + gap +
                 QStringLiteral("Sent: ") + GetDatetimeAsString(false);
      }
    }
    if (failure.isEmpty()) SetStatus(QStringLiteral("Loading viewer..."));
  }
  if (!failure.isEmpty()) {
    ui::ShowInfo(failure);
    return;
  }
  {
    // The viewer removes the temporary rendering of an outgoing fax when it goes.
    windows::TFaxViewer viewer(this);
    viewer.FaxFileName = file.toStdString();
    viewer.HeaderText = header;
    viewer.DeleteFileOnClose = !received;
    viewer.exec();
  }
  ButtonBar->setEnabled(true);
  SetButtons();
}

void TMainScreen::mnuCoverClick() { notAvailableYet(QStringLiteral("cover sheet library")); }

void TMainScreen::mnuPhoneBookClick() { notAvailableYet(QStringLiteral("phone book")); }

void TMainScreen::mnuPreferencesClick() { notAvailableYet(QStringLiteral("preferences")); }

void TMainScreen::mnuShowHintClick() {
  // The action has toggled its own check mark already.
  settings::AppSettings.HintsOn = mnuShowHint->isChecked();
  try {
    saveAppSettings();
  } catch (const settings::IniWriteError& e) {
    ui::ReportFailure(e);
  }
  ui::InstallHints(settings::AppSettings.HintsOn);
  status->clear();
}

void TMainScreen::About1Click() {
  TSplashform about(this);
  ui::CenterFormDefault(&about);
  about.exec();
}

void TMainScreen::TabSet1Click(int index) {
  NoteBook->setCurrentIndex(index);
  SetButtons();
}

void TMainScreen::mnuRebuildIndexesClick() {
  CoverTable.disableControls();
  FaxTable.disableControls();
  RecTable.disableControls();
  TRebuildInd window([this](TRebuildInd& w) { rebuildIndexes(w); }, this);
  ui::CenterFormDefault(&window);
  window.exec();
  CoverTable.enableControls();
  FaxTable.enableControls();
  RecTable.enableControls();
  SetButtons();
}

void TMainScreen::rebuildIndexes(TRebuildInd& window) {
  auto status = [&window](const std::string& text) {
    window.ShowStatus(QString::fromStdString(text));
  };
  auto rebuild = [&status](tables::Cursor& cursor, const StoreTable& t) {
    try {
      RebuildStoreTable(cursor, t, status);
    } catch (const std::exception& e) {
      // One table's failure does not stop the others.
      base::LogFailure(t.fileName, e.what());
    }
  };
  rebuild(FaxTable, OutgoingTable());
  rebuild(RecTable, ReceivedTable());
  for (tables::Cursor* c : {&FaxTable, &RecTable}) {
    try {
      if (c->active()) c->first();
    } catch (const std::exception& e) {
      base::LogFailure("list position", e.what());
    }
  }
  if (OpenPhoneDBF(PhoneTable, PhoneBinding)) {
    rebuild(PhoneTable, app::PhoneTable());
    PhoneTable.close();
  }
  if (!OpenCoverDBF()) return;
  rebuild(CoverTable, app::CoverTable());
  CoverTable.close();
}

QString TMainScreen::GetDatetimeAsString(bool received) {
  try {
    const tables::Cursor& c = received ? RecTable : FaxTable;
    if (listEmpty(c)) return {};
    const tables::Date d = c.table().getDate(received ? "DATEREC" : "DATESENT");
    const QString storedTime = fromField(c, received ? "TIMEREC" : "TIMESENT");
    const QLocale locale;
    const QString date = d.empty()
                             ? QString()
                             : locale.toString(QDate(d.year, d.month, d.day), QLocale::ShortFormat);
    const QTime t = QTime::fromString(storedTime.trimmed(), QStringLiteral("H:mm"));
    const QString time = t.isValid() ? locale.toString(t, QLocale::ShortFormat) : storedTime;
    return date + QStringLiteral(" at ") + time;
  } catch (const std::exception& e) {
    base::LogFailure("date and time of a fax", e.what());
    return {};
  }
}

}  // namespace app
