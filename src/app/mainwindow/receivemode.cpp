// Main window: receive mode. The port and the fax receiver are set up from the settings
// and answer calls; every fax that arrives becomes a row of the received list, then
// plays the arrival sound and, when the user asked for it, is printed.
//
// The receiver's events run on this thread while its session waits for them, so they
// only copy what they need and change the window's state; listing, printing and
// messages are posted to run after the event, where they cannot hold up the call (a
// message box left open would keep the modem off the hook).
#include "app/mainwindow/mainscreen.h"
#include "app/mainwindow/receiverules.h"
#include "app/mainwindow/smallforms.h"
#include "app/mainwindow/unlistedfaxes.h"
#include "base/log.h"
#include "faxcodes/texts.h"
#include "faximage/errors.h"
#include "faximage/pdf_export.h"
#include "settings/appsettings.h"
#include "ui/beep.h"
#include "ui/busycursor.h"
#include "ui/messages.h"
#include "ui/placement.h"
#include "ui/sound.h"
#include "ui/tabletext.h"
#include "windows/fxfaxstatus.h"
#include "windows/modemchecks.h"
#include "windows/modemoffers.h"
#include "windows/sendrules.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QPrinterInfo>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QTabBar>
#include <QTimer>
#include <QToolButton>

namespace app {

namespace {

// The printer setting that stands for the system's default printer. Settings files keep
// this text, so it stays as it is.
constexpr const char* kDefaultPrinterName = "Default Windows Printer";

}  // namespace

void TMainScreen::setUpReceiver() {
  windows::SetUpModemPort(FxComPort1);
  FxReceiveFax1.ComPort = &FxComPort1;
  FxReceiveFax1.FaxFileExt = "BRX";
  FxReceiveFax1.ConstantStatus = true;
  FxReceiveFax1.OnFaxAccept = [this](faxengine::TFxCustomReceiveFax&, bool& accept) {
    FxReceiveFax1FaxAccept(accept);
  };
  FxReceiveFax1.OnFaxError = [this](faxengine::TFxCustomAbstractFax&, int code) {
    FxReceiveFax1FaxError(code);
  };
  FxReceiveFax1.OnFaxStatus = [this](faxengine::TFxCustomAbstractFax&, bool first, bool last) {
    FxReceiveFax1FaxStatus(first, last);
  };
  FxReceiveFax1.OnFaxLog = [this](faxengine::TFxCustomAbstractFax&, int code) {
    FxReceiveFax1FaxLog(code);
  };
  FxReceiveFax1.OnFaxFinish = [this](faxengine::TFxCustomAbstractFax&, int code) {
    FxReceiveFax1FaxFinish(code);
  };
  // Faxes printed on receipt come out as they are: one page a sheet, no header or footer.
  fxFaxPrinter1.FaxHeader.Caption = QStringLiteral("FILE: $F");
  fxFaxPrinter1.FaxHeader.Enabled = false;
  fxFaxPrinter1.FaxFooter.Caption = QStringLiteral("Page: $P of $N");
  fxFaxPrinter1.FaxFooter.Enabled = false;
  fxFaxPrinter1.MultiPage = false;
  fxFaxPrinter1.StatusDisplay = &FxFaxPrinterStatus1;
}

// ---- starting and stopping ----------------------------------------------------------------

void TMainScreen::ReceiveButtonClick() {
  // The start and the stop let messages run; a second press meanwhile would cross them.
  if (switchingReceive_) {
    ui::Beep();
    return;
  }
  const QScopedValueRollback<bool> switching(switchingReceive_, true);
  if (ReceiveMode)
    stopReceiving();
  else
    startReceiving();
}

void TMainScreen::showReceiveCaption() {
  ReceiveButton->setText(ReceiveMode ? QStringLiteral("STOP") : QStringLiteral("&Receive"));
  const QString hint = ReceiveMode ? QStringLiteral("Stop receiving faxes")
                                   : QStringLiteral("Start receiving faxes");
  ReceiveButton->setToolTip(hint);
  ReceiveButton->setStatusTip(hint);
}

void TMainScreen::startReceiving() {
  RecErrorCode = 0;
  FailedCallText.clear();
  QString failure;
  {
    ui::BusyCursor busy;
    TabSet1->setCurrentIndex(int(ListPage::Received));
    TabSet1Click(int(ListPage::Received));
    ui::CenterFormDefault(StartingFaxForm);
    StartingFaxForm->StartingPanel->show();
    StartingFaxForm->ReadyPanel->hide();
    StartingFaxForm->okbutton->hide();
    StartingFaxForm->show();
    PumpMessages();
    ReceiveMode = true;
    bool started = false;
    try {
      SetButtons();
      PumpMessages();
      SetStatus(QStringLiteral("Starting receive mode..."));
      const settings::AppSettingsRecord& s = settings::AppSettings;
      FxComPort1.ComNumber = s.ComPort + 1;
      FxReceiveFax1.FaxClass = faxengine::TFaxClass(s.FaxClassReceive + 1);
      FxReceiveFax1.StationID = ui::ToTableText(QString::fromStdString(s.UserFax));
      FxReceiveFax1.AnswerOnRing = s.AnswerOnRing;
      FxReceiveFax1.DesiredBPS = s.MaximumBPSReceive;
      FxReceiveFax1.DesiredECM = s.ECMReceive;
      // A cleared init string clears the receiver's too: the settings of this start count.
      const auto init = windows::SenderModemInit(QString::fromStdString(s.InitStringReceive));
      FxReceiveFax1.SetModemInit(init ? ui::ToTableText(*init) : std::string());
      if (!windows::OpenComPort(FxComPort1, failure)) {
        // failure holds the port's message
      } else if (!windows::ModemResponds(FxComPort1)) {
        failure = QStringLiteral("No modem found on COM") + QString::number(FxComPort1.ComNumber);
      } else {
        if (!settings::AppSettings.ResetString.empty()) {
          SetStatus(QStringLiteral("Sending reset string..."));
          windows::SendModemString(FxComPort1, settings::AppSettings.ResetString);
        }
        FxReceiveFax1.BeginReceive();
        // A modem that refused the class or the init string ends the session at once.
        started = FxReceiveFax1.InProgress();
        if (!started) base::LogFailure("receive mode", "the receiver ended while starting");
      }
    } catch (const std::exception& e) {
      base::LogFailure("receive mode", e.what());
    }
    if (started) {
      showReceiveCaption();
      StartingFaxForm->ReadyPanel->show();
      StartingFaxForm->okbutton->show();
      StartingFaxForm->StartingPanel->hide();
      StartingFaxForm->adjustSize();
    } else {
      // The port is closed again, so that the next start does not find it in use.
      StartingFaxForm->hide();
      FxComPort1.Close();
      ReceiveMode = false;
      showReceiveCaption();
      status->clear();
    }
    SetButtons();
  }
  if (!failure.isEmpty()) windows::ShowOpenFailure(failure);
}

void TMainScreen::stopReceiving() {
  RecErrorCode = 0;
  ui::BusyCursor busy;
  StartingFaxForm->hide();
  try {
    {
      // A fax cut off here ends because the user asked: it is not reported as failed.
      const QScopedValueRollback<bool> stopping(stoppingReceive_, true);
      FxReceiveFax1.AbortFax();
    }
    PumpMessages();
    if (!settings::AppSettings.ResetAfterString.empty()) {
      SetStatus(QStringLiteral("Sending AFTER reset string..."));
      windows::SendModemString(FxComPort1, settings::AppSettings.ResetAfterString);
    }
    FxComPort1.Close();
    PumpMessages();
  } catch (const std::exception& e) {
    base::LogFailure("leaving receive mode", e.what());
  }
  ReceiveMode = false;
  showReceiveCaption();
  status->clear();
  SetButtons();
}

// ---- the receiver's events ------------------------------------------------------------------

void TMainScreen::FxReceiveFax1FaxAccept(bool& accept) {
  FaxInProgress = true;
  RecErrorCode = 0;
  accept = true;
}

void TMainScreen::FxReceiveFax1FaxError(int errorCode) { RecErrorCode = errorCode; }

void TMainScreen::FxReceiveFax1FaxStatus(bool first, bool last) {
  UpdateValues();
  if (first) RecPages = 0;
  if (last) FaxInProgress = false;
}

void TMainScreen::UpdateValues() {
  const windows::FaxStatusValues v = windows::ReadStatusValues(FxReceiveFax1);
  RecPages = v.currentPage;
  status->setText(
      ReceiveStatusText(v.progressCode, v.remoteStationId, v.currentPage, FailedCallText));
}

void TMainScreen::FxReceiveFax1FaxLog(int logCode) {
  // The receiver forgets its file once this event is over: what is needed is copied now.
  const windows::FaxStatusValues v = windows::ReadStatusValues(FxReceiveFax1);
  switch (logCode) {
    case faxengine::lfaxReceiveStart: RecFaxFile = QFile::decodeName(v.faxFile.c_str()); break;
    case faxengine::lfaxReceiveOk: {
      FaxInProgress = false;
      FailedCallText.clear();
      // The file named at the start; the receiver's own name if that event was missed.
      ArrivedFax fax{RecFaxFile.isEmpty() ? QFile::decodeName(v.faxFile.c_str()) : RecFaxFile,
                     v.remoteStationId, v.currentPage, QDateTime::currentDateTime(),
                     QString::fromStdString(FxReceiveFax1.LogFacts().notes)};
      RecFaxFile.clear();
      QTimer::singleShot(0, this, [this, fax] { fileArrivedFax(fax); });
      break;
    }
    case faxengine::lfaxReceiveFail: {
      FaxInProgress = false;
      // Only the file of this fax goes, and before any message: a box left open must
      // not let a later fax's file be taken for it. The receiver still names the file
      // of the failed fax (and no other) should its start have gone unreported.
      const QString file = RecFaxFile.isEmpty() ? QFile::decodeName(v.faxFile.c_str()) : RecFaxFile;
      RecFaxFile.clear();
      const QString message = ReceiveFailureText(RecErrorCode);
      if (!closing_ && !stoppingReceive_) {
        // The status line keeps saying so while the receiver waits for the next call.
        FailedCallText = FailedCallNote(QTime::currentTime(), RecErrorCode);
        status->setText(FailedCallText);
        base::LogFailure("receive mode", FailedCallText.toStdString());
      }
      RecErrorCode = 0;
      const bool cutOff = !file.isEmpty() && QFileInfo::exists(file);
      if (cutOff) QFile::remove(file);
      // A fax cut off part-way is also told in a box: pages that had arrived are gone.
      if (cutOff && !closing_ && !stoppingReceive_)
        QTimer::singleShot(0, this, [message] { ui::ShowInfo(message); });
      break;
    }
    default: break;
  }
}

// The receiver runs until the user stops it; when it ends by itself the modem is gone or
// failed (unplugged, say). Receive mode is left then, after the event (the session waits
// for its handlers), so that the button does not read STOP with nothing listening.
void TMainScreen::FxReceiveFax1FaxFinish(int errorCode) {
  if (!ReceiveMode || switchingReceive_ || stoppingReceive_ || closing_) return;
  QTimer::singleShot(0, this, [this, errorCode] { receiverEnded(errorCode); });
}

void TMainScreen::receiverEnded(int errorCode) {
  if (!ReceiveMode || switchingReceive_ || closing_ || FxReceiveFax1.InProgress()) return;
  StartingFaxForm->hide();
  FxComPort1.Close();
  ReceiveMode = false;
  FaxInProgress = false;
  showReceiveCaption();
  status->clear();
  SetButtons();
  ui::ShowInfo(ReceiveModeEndedText(errorCode));
}

// ---- listing, sound and print --------------------------------------------------------------

void TMainScreen::fileArrivedFax(const ArrivedFax& fax) {
  // A fax that ends while the program closes is listed at the next start.
  if (closing_) return;
  try {
    Store.AppendReceived(ReceivedRow(fax.when, fax.from, fax.pages, fax.file, fax.notes));
  } catch (const std::exception& e) {
    base::LogFailure("listing a received fax", e.what());
    ui::ShowInfo(QStringLiteral("A fax was received into the file %1, but it could not be added "
                                "to the list of incoming faxes:\n\n%2\n\nThe file stays in the "
                                "receive folder. Rebuild Indexes, or the next start of the "
                                "program, offers to add it to the list.")
                     .arg(QDir::toNativeSeparators(fax.file), QString::fromUtf8(e.what())));
    // A table refuses writes after a failed one until it is opened again.
    reopen(&FaxStore::ReopenReceived, false);
    return;
  }
  // Listing runs to its end without letting messages run: a fax that ends meanwhile is
  // listed after this one, never into a list that is being reopened.
  reopen(&FaxStore::ReopenReceived, false);
  QMetaObject::invokeMethod(this, &TMainScreen::PlayArrivalSound, Qt::QueuedConnection);
  noticeArrival(fax);
  SetButtons();
  // What went wrong on the way is told, never left for the user to find on the page.
  if (!fax.notes.isEmpty()) {
    base::LogFailure("receive mode", fax.notes.toStdString());
    QTimer::singleShot(0, this, [fax] {
      ui::ShowInfo(QStringLiteral("The fax from %1 (%2) was received, but not all is well:\n\n%3")
                       .arg(QString::fromStdString(fax.from),
                            QDir::toNativeSeparators(fax.file), fax.notes));
    });
  }
  if (settings::AppSettings.SavePdfOnReceipt) savePdfCopy(fax.file);
  if (settings::AppSettings.PrintOnReceipt) printOnReceipt(fax.file);
}

// The copy is named after the fax file; a PDF of that name already in the folder (from
// another data folder, say) is kept, and the copy gets the next free "-2", "-3" ... name.
void TMainScreen::savePdfCopy(const QString& file) {
  const QDir folder(QString::fromStdString(settings::AppSettings.SavePdfFolder));
  const QString base = QFileInfo(file).completeBaseName();
  QString target = folder.filePath(base + QStringLiteral(".pdf"));
  for (int n = 2; QFileInfo::exists(target); ++n)
    target = folder.filePath(base + QStringLiteral("-%1.pdf").arg(n));
  folder.mkpath(QStringLiteral("."));  // a folder removed since it was chosen comes back
  const int rc = faximage::writeFaxPdf(QFile::encodeName(file).toStdString(),
                                       QFile::encodeName(target).toStdString());
  if (rc != 0)
    ui::ShowInfo(QStringLiteral("The PDF copy of the received fax %1 could not be written to "
                                "%2:\n\n%3")
                     .arg(QDir::toNativeSeparators(file), QDir::toNativeSeparators(target),
                          QString::fromUtf8(faximage::errorText(rc))));
}

void TMainScreen::PlayArrivalSound() {
  // A file that is not there, or no audio output: no sound and no message.
  ui::PlayWaveFile(QString::fromStdString(settings::AppSettings.ReceiveWav));
}

void TMainScreen::printOnReceipt(const QString& file) {
  printQueue_.push_back(file);
  // Printing lets messages run: a fax listed meanwhile waits for the one printing.
  if (printingQueue_) return;
  const QScopedValueRollback<bool> printing(printingQueue_, true);
  while (!printQueue_.empty() && !closing_) {
    const QString next = printQueue_.front();
    printQueue_.pop_front();
    selectReceiptPrinter();
    fxFaxPrinter1.SetFileName(next);
    if (const int rc = fxFaxPrinter1.PrintFaxFile())
      ui::ShowInfo(QString::fromUtf8(faxcodes::errorText(rc)));
  }
  printQueue_.clear();
}

void TMainScreen::selectReceiptPrinter() {
  const QString wanted = QString::fromStdString(settings::AppSettings.PrintOnReceiptPrinter);
  QPrinter& printer = fxFaxPrinter1.Printer();
  if (wanted == QLatin1String(kDefaultPrinterName)) {
    // The system's default printer, when it has one; otherwise, or when the printer was
    // set to write a PDF file, it stays as it is.
    const QString system = QPrinterInfo::defaultPrinterName();
    if (!system.isEmpty() && printer.outputFormat() == QPrinter::NativeFormat)
      printer.setPrinterName(system);
  } else if (QPrinterInfo::availablePrinterNames().contains(wanted)) {
    printer.setPrinterName(wanted);
  }
}

// ---- faxes without a row ------------------------------------------------------------------

bool TMainScreen::OfferUnlistedFaxes() {
  if (ReceiveMode || !Store.RecTable.active()) return false;
  std::vector<ReceivedRecord> unlisted;
  try {
    unlisted = UnlistedFaxes(ReceiveDir(), Store.ListedReceivedFiles());
  } catch (const std::exception& e) {
    base::LogFailure("received files without a row", e.what());
    return false;
  }
  if (unlisted.empty()) return false;
  QString names;
  for (const ReceivedRecord& r : unlisted)
    names += QStringLiteral("\n") + ui::FromTableText(r.faxFile);
  if (!ui::AskYesNo(QStringLiteral("The receive folder holds faxes that are not in the list of "
                                   "incoming faxes:\n") +
                        names + QStringLiteral("\n\nAdd them to the list?"),
                    QStringLiteral("Incoming Faxes")))
    return false;
  bool added = false;
  for (const ReceivedRecord& r : unlisted) {
    try {
      Store.AppendReceived(r);
      added = true;
    } catch (const std::exception& e) {
      ui::ReportFailure(e);
      break;
    }
  }
  if (added) reopen(&FaxStore::ReopenReceived);
  SetButtons();
  return added;
}

}  // namespace app
