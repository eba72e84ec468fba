// The main window: the program's hub, showing the two fax lists of the fax store and
// offering every command. The store, the assembly and the enabling rules hold the
// business; the window builds controls (mainscreen_ui.cpp), runs its life cycle
// (mainscreen.cpp) and the outgoing-fax commands (faxcommands.cpp).
#pragma once

#include "app/mainwindow/buttonstates.h"
#include "app/store/faxstore.h"
#include "ui/tablegrid.h"

#include <QMainWindow>

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

class FaxAssembly;
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
  QAction *Contents1, *mnuShowHint, *TroubleshootingTips1, *VisitOurInternetWebsite1,
      *FrequentlyAskedQuestionsFAQ1, *About1;
  TStartingFaxForm* StartingFaxForm = nullptr;

  // Applies the enabling rules (ComputeButtonStates) to the buttons and menu items.
  void SetButtons();
  ListState CurrentListState() const;
  ListPage Page() const;

  // Commands.
  void NewbuttonClick();
  void CloneButtonClick();
  void EditButtonClick();
  void DeleteButtonClick();
  void SendButtonClick();
  void ReceiveButtonClick();
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

  // Builds the current outgoing fax into one fax file and returns its name, empty when
  // nothing was built; sets PagesBuilt.
  QString CreateFaxFile();

  // The full path of the received fax file of the current received record.
  QString CurrentReceivedFaxPath();

  // Status line and hourglass for long commands.
  void SetStatus(const QString& text);

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
  void notAvailableYet(const QString& window);
  // The Send command's dialog for the fax file: returns its result text, with the
  // settings the user left in it saved; then the result goes into the fax's record.
  QString runSendDialog(const QString& faxFile);
  void storeSendResult(const QString& result);
  // Reopens a list after a change, reporting a failure.
  void reopen(void (FaxStore::*reopenList)(const std::function<void()>&));

  // faxcommands.cpp
  // Fills the editor from the current outgoing record; the subject gets the prefix.
  void loadEditor(compose::TFaxEditor& editor, const QString& subjectPrefix);
  // Stores the editor's cover, document, recipient, subject and number into the current
  // outgoing record (in edit or append state) and posts it.
  void storeEditor(compose::TFaxEditor& editor);

  // The fax store as the fax editor and the libraries reach it.
  std::unique_ptr<compose::TComposeStore> composeStore_;
  bool closing_ = false;
  bool closeQueued_ = false;
  bool assembling_ = false;
};

// Lets pending window messages run; long commands call it between their steps.
void PumpMessages();

}  // namespace app
