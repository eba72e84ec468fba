// Main window: life cycle, enabling rules, fax file assembly, the Send and View commands
// and the small commands (Preferences, Show Hints, About, Rebuild Indexes).
#include "app/mainwindow/mainscreen.h"
#include "app/mainwindow/printedjobs.h"

#include "app/assembly/faxassembly.h"
#include "app/mainwindow/composestore.h"
#include "app/mainwindow/smallforms.h"
#include "app/preferences/preferences.h"
#include "app/preferences/prefsettings.h"
#include "base/log.h"
#include "compose/coverbrowse.h"
#include "compose/phonebook.h"
#include "faxengine/device_paths.h"
#include "settings/appsettings.h"
#include "settings/inifile.h"
#include "ui/beep.h"
#include "ui/hints.h"
#include "ui/messages.h"
#include "ui/placement.h"
#include "ui/tabletext.h"
#include "windows/faxviewer.h"
#include "windows/sendfax.h"
#include "windows/sendfaxsettings.h"
#include "windows/sendrules.h"

#include <algorithm>

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDate>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLocale>
#include <QMenuBar>
#include <QScopedValueRollback>
#include <QScreen>
#include <QStackedWidget>
#include <QTabBar>
#include <QTableView>
#include <QTime>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

#include <algorithm>

namespace app {

void PumpMessages() { QCoreApplication::processEvents(); }

namespace {

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

}  // namespace

TMainScreen::TMainScreen(QWidget* parent)
    : QMainWindow(parent),
      Assembly(std::make_unique<FaxAssembly>()),
      FxFaxPrinterStatus1(this),
      composeStore_(std::make_unique<ComposeStoreAccess>(Store)) {
  setObjectName(QStringLiteral("TMainScreen"));
  setWindowTitle(QStringLiteral("Brindle "));
  ui::SetMainForm(this);
  buildActions();
  buildButtonBar();
  buildBrowsePanel();
  buildMenus();
  resize(592, 383 + menuBar()->sizeHint().height() + ButtonBar->sizeHint().height());
  StartingFaxForm = new TStartingFaxForm(this);
  setUpReceiver();
  FormCreate();
}

// The lists observe the store's tables, which are members and go before the window's
// children: the lists go first.
TMainScreen::~TMainScreen() {
  if (ui::MainForm() == this) ui::SetMainForm(nullptr);
  // A call still running must not report to a window that is going.
  FxReceiveFax1.OnFaxAccept = nullptr;
  FxReceiveFax1.OnFaxError = nullptr;
  FxReceiveFax1.OnFaxStatus = nullptr;
  FxReceiveFax1.OnFaxLog = nullptr;
  if (FxComPort1.Open()) {
    FxReceiveFax1.AbortFax();
    FxComPort1.Close();
  }
  delete BrowsePanel;
}

// ---- life cycle ----------------------------------------------------------------------

void TMainScreen::FormCreate() {
  FirstActivation = true;
  NoteBook->setCurrentIndex(0);
  // Damaged files the store mended (or copied aside) are reported before anything else.
  Store.Damaged = [](const std::string& report) {
    ui::ShowLongInfo(QString::fromStdString(report));
  };
  // A damaged file is named first, so the user knows which one to look at.
  auto openList = [this](bool (FaxStore::*open)(std::string*), const char* failure) {
    std::string error;
    if ((Store.*open)(&error)) return;
    if (!error.empty()) ui::ShowInfo(QString::fromStdString(error));
    ui::ShowInfo(QString::fromLatin1(failure));
    closeRequested();
  };
  openList(&FaxStore::OpenOutgoing, "Unable to open/create the FAX datafile - closing program");
  openList(&FaxStore::OpenReceived,
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
  FxReceiveFax1.SetDestinationDir(ReceiveDir());
  FxReceiveFax1.FileNaming = 1;  // "FAX" + four-digit counter
  mnuShowHint->setChecked(settings::AppSettings.HintsOn);
  ui::InstallHints(settings::AppSettings.HintsOn);
  FaxGrid->Model()->refresh();
  RecFaxGrid->Model()->refresh();
  // The first size shows every column of the outgoing list, as far as the screen allows;
  // a stored placement replaces it at the first activation.
  FaxGrid->ApplyColumnWidths();
  const int room = screen() ? screen()->availableGeometry().width() : width();
  resize(std::clamp(FaxGrid->FullWidth(), width(), std::max(width(), room)), height());
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
  PumpMessages();
  if (PortNeverConfigured) mnuPreferencesClick();
  // A termination signal may have closed the window while the wizard was up.
  if (closing_ || closeQueued_) return;
  OfferUnlistedFaxes();
  if (settings::AppSettings.ReceiveAtStartup && !closeQueued_) ReceiveButtonClick();
  // Jobs printed while the program was closed, then each new one as it comes.
  printedJobs_ = new PrintedJobs(PrintedJobs::UserFolder(), this);
  connect(printedJobs_, &PrintedJobs::Changed, this, &TMainScreen::TakePrintedJobs);
  TakePrintedJobs();
}

bool TMainScreen::FormCloseQuery() {
  if (FaxInProgress && !ui::AskYesNo(QStringLiteral("You are receiving a fax. Exit the program?"),
                                     QStringLiteral("Exit")))
    return false;
  PumpMessages();
  Store.CloseLists();
  PumpMessages();
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
  if (ReceiveMode) stopReceiving();
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

void TMainScreen::reopen(void (FaxStore::*reopenList)(const std::function<void()>&),
                         bool letMessagesRun) {
  try {
    (Store.*reopenList)(letMessagesRun ? std::function<void()>(PumpMessages) : nullptr);
  } catch (const std::exception& e) {
    ui::ReportFailure(e);
  }
}

// ---- enabling rules --------------------------------------------------------------------

ListPage TMainScreen::Page() const { return ListPage(NoteBook->currentIndex()); }

ListState TMainScreen::CurrentListState() const {
  ListState s;
  s.page = Page();
  s.sentEmpty = FaxStore::IsEmpty(Store.FaxTable);
  s.recEmpty = FaxStore::IsEmpty(Store.RecTable);
  s.receiveMode = ReceiveMode;
  return s;
}

void TMainScreen::SetButtons() {
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
  showReceiveCaption();
}

void TMainScreen::SetStatus(const QString& text) {
  status->setText(text);
  PumpMessages();
}

// ---- fax file assembly -------------------------------------------------------------------

QString TMainScreen::CreateFaxFile() {
  // Messages run while the fax is built; a menu command or shortcut reaching here then
  // must not load other texts into the editors being rendered.
  if (assembling_) {
    ui::Beep();
    return {};
  }
  std::string name;
  int rc = 0;
  {
    const QScopedValueRollback<bool> busyFlag(assembling_, true);
    HourGlass busy(*this, true);
    Assembly->SetHooks({[this](const QString& text) { SetStatus(text); }, PumpMessages});
    rc = Assembly->CreateFaxFile(Store.FaxBinding, name);
    PagesBuilt = Assembly->PagesBuilt();
  }
  // One message says why nothing was built; the callers add none of their own.
  if (rc == kFaxHasNoContents)
    ui::ShowMessageBox(AssemblyErrorText(rc), QStringLiteral("Brindle"), ui::mb::Ok);
  else if (name.empty())
    ui::ShowInfo(QStringLiteral("Error creating fax file"));
  return QString::fromStdString(name);
}

void TMainScreen::SendButtonClick() {
  if (FaxStore::IsEmpty(Store.FaxTable)) {
    ui::Beep();
    return;
  }
  QString faxFile;
  {
    HourGlass busy(*this);
    SetStatus(QStringLiteral("Preparing files for viewing..."));
    faxFile = CreateFaxFile();
  }
  if (faxFile.isEmpty()) return;
  const windows::SendOutcome outcome = runSendDialog(faxFile);
  QFile::remove(faxFile);
  storeSendResult(outcome);
}

windows::SendOutcome TMainScreen::runSendDialog(const QString& faxFile) {
  windows::TSendFaxForm dialog(this);
  dialog.FaxFileName = faxFile;
  dialog.setWindowTitle(QStringLiteral("Send Fax: [") + ui::FieldText(Store.FaxTable, "RECIPIENT") +
                        QStringLiteral(" - ") + ui::FieldText(Store.FaxTable, "SUBJECT") +
                        QStringLiteral("]"));
  dialog.PhoneNumber = ui::FieldText(Store.FaxTable, "PHONE");
  windows::CopySettingsToSendForm(settings::AppSettings, dialog);
  ui::CenterFormDefault(&dialog);
  status->clear();
  PumpMessages();
  dialog.exec();

  HourGlass busy(*this);
  ButtonBar->setEnabled(true);
  windows::CopySendFormToSettings(dialog, settings::AppSettings);
  try {
    saveAppSettings();
  } catch (const settings::IniWriteError& e) {
    ui::ReportFailure(e);
  }
  return {dialog.ResultText, dialog.SentAt};
}

void TMainScreen::storeSendResult(const windows::SendOutcome& outcome) {
  HourGlass busy(*this);
  tables::Cursor& fax = Store.FaxTable;
  try {
    fax.edit();
    // The field holds two digits: a longer fax is listed with the most it can show.
    fax.table().putNumber("PAGES", std::clamp(PagesBuilt, 0, kMaxListedPages));
    ui::PutFieldText(fax, "LASTRESULT", outcome.resultText);
    if (outcome.sentAt.isValid()) {
      const QDate day = outcome.sentAt.date();
      fax.table().putLogical("SENT", true);
      fax.table().putDate("DATESENT", {day.year(), day.month(), day.day()});
      ui::PutFieldText(fax, "TIMESENT", outcome.sentAt.time().toString(QStringLiteral("hh:mm")));
    }
    fax.post();
  } catch (const std::exception& e) {
    fax.cancel();
    ui::ReportFailure(e);
  }
  SetButtons();
}

void TMainScreen::mnuViewPrintClick() {
  const bool received = Page() == ListPage::Received;
  if (FaxStore::IsEmpty(received ? Store.RecTable : Store.FaxTable)) {
    ui::Beep();
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
        header = QStringLiteral("From: ") + ui::FieldText(Store.RecTable, "FROM").trimmed() + gap +
                 QStringLiteral("Received: ") + GetDatetimeAsString(true) + gap +
                 QStringLiteral("Fax File: ") + file;
      }
    } else {
      file = CreateFaxFile();
      if (file.isEmpty()) return;  // CreateFaxFile has said why
      header = QStringLiteral("To: ") + ui::FieldText(Store.FaxTable, "RECIPIENT").trimmed() +
               gap + QStringLiteral("Subject: ") +
               ui::FieldText(Store.FaxTable, "SUBJECT").trimmed() + gap +
               QStringLiteral("Sent: ") + GetDatetimeAsString(false);
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

void TMainScreen::mnuCoverClick() {
  compose::ShowCoverBrowse(*composeStore_, this, compose::BrowseMode::Library);
}

void TMainScreen::mnuPhoneBookClick() {
  compose::ShowPhoneBook(*composeStore_, this, compose::BrowseMode::Library);
}

void TMainScreen::mnuPreferencesClick() {
  TPreferences dialog(this);
  dialog.FirstRun = PortNeverConfigured;
  CopySettingsToPreferences(settings::AppSettings, dialog);
  ui::CenterFormDefault(&dialog);
  const bool confirmed = dialog.exec() == QDialog::Accepted;
  // The user has seen the wizard: even after Cancel the port now counts as configured
  // (Com1), and is stored so at once, so that nothing reading the file finds it unset.
  // Cleared only now, so that a window closed under the wizard still stores the port as
  // never configured.
  const bool firstRun = PortNeverConfigured;
  PortNeverConfigured = false;
  if (!confirmed && (!firstRun || closing_ || closeQueued_)) return;
  if (confirmed) {
    CopyPreferencesToSettings(dialog, settings::AppSettings);
    faxengine::setComDevicePaths(settings::AppSettings.ComDevices);
  }
  try {
    saveAppSettings();
  } catch (const settings::IniWriteError& e) {
    ui::ReportFailure(e);
  }
}

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
  for (tables::Cursor* c : {&Store.CoverTable, &Store.FaxTable, &Store.RecTable})
    c->disableControls();
  TRebuildInd window(
      [this](TRebuildInd& w) {
        Store.RebuildIndexes(
            [&w](const std::string& text) { w.ShowStatus(QString::fromStdString(text)); });
      },
      this);
  ui::CenterFormDefault(&window);
  window.exec();
  for (tables::Cursor* c : {&Store.CoverTable, &Store.FaxTable, &Store.RecTable})
    c->enableControls();
  OfferUnlistedFaxes();
  SetButtons();
}

QString TMainScreen::GetDatetimeAsString(bool received) {
  try {
    const tables::Cursor& c = received ? Store.RecTable : Store.FaxTable;
    if (FaxStore::IsEmpty(c)) return {};
    const tables::Date d = c.table().getDate(received ? "DATEREC" : "DATESENT");
    const QString storedTime = ui::FieldText(c, received ? "TIMEREC" : "TIMESENT");
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
