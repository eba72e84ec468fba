// The main window: the program's hub, showing the two fax lists of the fax store and
// offering every command. The store, the assembly and the enabling rules hold the
// business; the window builds controls (mainscreen_ui.cpp), runs its life cycle
// (mainscreen.cpp), the outgoing-fax commands (faxcommands.cpp) and receive mode
// (receivemode.cpp).
#pragma once

#include "app/mainwindow/buttonstates.h"
#include "app/store/faxstore.h"
#include "faxengine/comport.h"
#include "faxengine/fax_component.h"
#include "ui/tablegrid.h"
#include "windows/faxprinter.h"
#include "windows/faxprinterstatus.h"
#include "windows/sendrules.h"

#include <QDateTime>
#include <QMainWindow>

#include <deque>
#include <functional>
#include <memory>

class QAction;
class QLabel;
class QStackedWidget;
class QTabBar;
class QTableView;
class QToolBar;
class QToolButton;

namespace compose {
class TComposeStore;
class TFaxEditor;
}  // namespace compose

namespace app {

class FaxArrivalNotifier;
class FaxAssembly;
class PrintedJobs;
class TStartingFaxForm;

class TMainScreen : public QMainWindow {
  Q_OBJECT
 public:
  explicit TMainScreen(QWidget* parent = nullptr);
  ~TMainScreen() override;

  // Window state.
  bool FirstActivation = true;
  bool PortNeverConfigured = false;
  bool CloneMode = false;
  int PagesBuilt = 0;
  bool ReceiveMode = false;
  bool FaxInProgress = false;

  // The four tables, and fax file assembly with its own texts and converter.
  FaxStore Store;
  std::unique_ptr<FaxAssembly> Assembly;

  // Controls.
  QToolBar* ButtonBar;
  QToolButton *Newbutton, *EditButton, *CloneButton, *DeleteButton, *SendButton, *ReceiveButton,
      *ViewFaxButton, *Exitbutton;
  QWidget* BrowsePanel;
  QStackedWidget* NoteBook;
  ui::TableGrid *FaxGrid, *RecFaxGrid;
  QTabBar* TabSet1;
  QLabel* status;
  QAction *mnuNew, *mnuEdit, *mnuClone, *mnuDelete, *mnuSend, *mnuReceive, *mnuViewPrint, *mnuCover,
      *mnuPhoneBook, *mnuRebuildIndexes, *mnuPreferences, *DefaultEditorFont1, *Exit1;
  QAction *Contents1, *mnuShowHint, *TroubleshootingTips1,
      *FrequentlyAskedQuestionsFAQ1, *About1;
  TStartingFaxForm* StartingFaxForm = nullptr;  // made with the window, hidden

  // Reception: the port, the fax receiver on it (declared after the port, so that it
  // goes first) and the printer for faxes printed on receipt.
  faxengine::TFxComPort FxComPort1;
  faxengine::TFxReceiveFax FxReceiveFax1;
  windows::TFxFaxPrinterStatus FxFaxPrinterStatus1;
  windows::TFxFaxPrinter fxFaxPrinter1;
  int RecErrorCode = 0;  // the last error the receiver reported for the current fax
  int RecPages = 0;      // the page the receiver last reported
  QString RecFaxFile;    // the file of the fax being received, from its start
  QString FailedCallText;  // on the status line while waiting: the last call that failed

  // Applies the enabling rules (ComputeButtonStates) to the buttons and menu items.
  void SetButtons();
  ListState CurrentListState() const;
  ListPage Page() const;

  // Commands.
  void NewbuttonClick();
  // Opens a new fax for each job printed to the Brindle printer, one after the other.
  void TakePrintedJobs();
  void CloneButtonClick();
  void EditButtonClick();
  void DeleteButtonClick();
  void SendButtonClick();
  // Starts receive mode, or stops it when it is on.
  void ReceiveButtonClick();
  void mnuReceiveClick() { ReceiveButtonClick(); }
  void mnuViewPrintClick();
  void mnuCoverClick();
  void mnuPhoneBookClick();
  void mnuRebuildIndexesClick();
  void mnuPreferencesClick();
  void mnuShowHintClick();
  void About1Click();
  void TabSet1Click(int index);
  void EditReceivedFax();
  void EditSentFax();
  QString GetDatetimeAsString(bool received);

  // Builds the current outgoing fax into one fax file and returns its name; empty when
  // nothing was built, after one message that says why. Sets PagesBuilt.
  QString CreateFaxFile();

  // The full path of the received fax file of the current received record.
  QString CurrentReceivedFaxPath();

  // Status line and hourglass for long commands.
  void SetStatus(const QString& text);

  // The receiver's events.
  void FxReceiveFax1FaxAccept(bool& accept);
  void FxReceiveFax1FaxError(int errorCode);
  void FxReceiveFax1FaxStatus(bool first, bool last);
  void FxReceiveFax1FaxLog(int logCode);
  void FxReceiveFax1FaxFinish(int errorCode);
  // RecPages and the status line from the receiver.
  void UpdateValues();
  // Plays the arrival sound (the setting Receive Wav) when that file exists.
  void PlayArrivalSound();
  // Offers to list the fax files of the receive folder that have no row; true when any
  // were added.
  bool OfferUnlistedFaxes();

  // desktoprequests.cpp: what the desktop asks for.
  // Opens a fax file in a viewer window of its own (named on the command line, handed
  // over by a later start, or chosen from an arrival notice).
  void ShowFaxFile(const QString& file);
  // Enters receive mode unless it is on already.
  void StartReceiveMode();

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  // mainscreen_ui.cpp
  void buildActions();
  void buildButtonBar();
  void buildBrowsePanel();
  void buildMenus();
  ui::TableGrid* makeGrid(const QString& name, tables::Cursor& table,
                          std::vector<ui::GridColumn> columns);

  // mainscreen.cpp
  void FormCreate();
  void FormActivate();
  bool FormCloseQuery();
  void FormClose();
  void closeRequested();
  void saveAppSettings();
  // The Send command's dialog for the fax file: returns its result text, with the
  // settings the user left in it saved; then the result goes into the fax's record.
  windows::SendOutcome runSendDialog(const QString& faxFile);
  void storeSendResult(const windows::SendOutcome& outcome);
  // Reopens a list after a change, reporting a failure; messages run meanwhile unless
  // the caller must not be entered again.
  void reopen(void (FaxStore::*reopenList)(const std::function<void()>&),
              bool letMessagesRun = true);

  // receivemode.cpp
  // A fax that arrived completely: what its row and its print need, taken at its end.
  struct ArrivedFax {
    QString file;
    std::string from;
    int pages = 0;
    QDateTime when;
    QString notes;  // a page that arrived damaged, a call cut off: told to the user
  };
  void setUpReceiver();
  void startReceiving();
  void stopReceiving();
  void showReceiveCaption();
  // Lists a fax that arrived: its row, the sound, and its print when asked.
  void fileArrivedFax(const ArrivedFax& fax);
  // The desktop notice of a fax that arrived.
  void noticeArrival(const ArrivedFax& fax);
  FaxArrivalNotifier* arrivalNotifier_ = nullptr;
  void receiverEnded(int errorCode);  // receive mode left after the receiver stopped by itself
  // Prints each queued fax file in turn; a fax that arrives while one prints waits.
  void printOnReceipt(const QString& file);
  void savePdfCopy(const QString& file);
  void selectReceiptPrinter();

  // faxcommands.cpp
  // Fills the editor from the current outgoing record; the subject gets the prefix.
  void loadEditor(compose::TFaxEditor& editor, const QString& subjectPrefix);
  // Stores the editor's cover, document, recipient, subject and number into a new record
  // (append) or into the current one, and posts it. A refused write is reported, the
  // table reopened and false returned.
  bool storeEditor(compose::TFaxEditor& editor, bool append);
  // The New command: `prepare` fills the editor before it shows (false: nothing opens).
  // Returns whether a fax was stored.
  bool composeNewFax(const std::function<bool(compose::TFaxEditor&)>& prepare);
  // printedjobs (faxcommands.cpp): one printed job into a new fax; the job stays when the
  // user wants to fax it later.
  void faxPrintedJob(const QString& job);

  // The fax store as the fax editor and the libraries reach it.
  std::unique_ptr<compose::TComposeStore> composeStore_;
  bool closing_ = false;
  bool closeQueued_ = false;
  bool assembling_ = false;
  bool switchingReceive_ = false;  // receive mode is being started or stopped
  bool stoppingReceive_ = false;   // the receiver is being stopped by the user
  std::deque<QString> printQueue_;
  bool printingQueue_ = false;
  PrintedJobs* printedJobs_ = nullptr;
  QStringList jobsKept_;        // printed jobs the user keeps for later: not offered again now
  bool takingJobs_ = false;
};

// Lets pending window messages run; long commands call it between their steps.
void PumpMessages();

}  // namespace app
