// The main window: the program's hub, holding the fax lists and every command.
#pragma once

#include "app/mainwindow/buttonstates.h"
#include "tables/binding.h"

#include <QMainWindow>

#include <memory>
#include <string>
#include <vector>

class QAction;
class QLabel;
class QMenu;
class QStackedWidget;
class QTabBar;
class QTableView;
class QToolBar;
class QToolButton;

namespace compose {
class TFaxEditor;
}
namespace faximage {
class TFxFaxConverter;
}
namespace richtext {
class TRichText;
}

namespace app {

class FaxGridModel;
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

  // Tables and their bindings.
  tables::Cursor FaxTable, RecTable, CoverTable, PhoneTable;
  tables::DataSource FaxDataSource, RecDataSource, CoverDataSource, PhoneDataSource;
  tables::TTableBinding FaxBinding, RecBinding, CoverBinding, PhoneBinding;

  // Controls.
  QToolBar* ButtonBar;
  QToolButton *Newbutton, *EditButton, *CloneButton, *DeleteButton, *SendButton, *ReceiveButton,
      *ViewFaxButton, *Exitbutton;
  QWidget* BrowsePanel;
  QStackedWidget* NoteBook;
  QTableView *FaxGrid, *RecFaxGrid;
  QTabBar* TabSet1;
  QLabel* status;
  QAction *mnuNew, *mnuEdit, *mnuClone, *mnuDelete, *mnuSend, *mnuReceive, *mnuViewPrint, *mnuCover,
      *mnuPhoneBook, *mnuRebuildIndexes, *mnuPreferences, *DefaultEditorFont1, *Exit1;
  QAction *Contents1, *mnuShowHint, *TroubleshootingTips1, *VisitOurInternetWebsite1,
      *FrequentlyAskedQuestionsFAQ1, *About1;
  TStartingFaxForm* StartingFaxForm = nullptr;
  // Fax file assembly: hidden editors that hold a fax while it is rendered, and the converter.
  QWidget* HiddenPanel;
  richtext::TRichText *RichCover, *RichDoc;
  std::unique_ptr<faximage::TFxFaxConverter> FxFaxConverter1;

  // The fax store.
  bool OpenFaxDBF();
  bool MakeFaxDBF();
  bool OpenRecFaxDBF();
  bool MakeRecFaxDBF();
  bool OpenCoverDBF();
  bool MakeCoverDBF();
  bool OpenPhoneDBF(tables::Cursor& table, tables::TTableBinding& binding);
  bool MakePhoneDBF(tables::Cursor& table, tables::TTableBinding& binding);
  void FaxTableCalcFields(tables::Cursor& dataset);
  void FaxTableCloseAndOpen();
  void RecTableCloseAndOpen();

  // Enabling rules and the list state they are worked out from.
  void SetButtons();
  ListState CurrentListState() const;
  int Page() const;

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

  // Fax file assembly (faxassembly.h): builds the current outgoing fax into one fax file
  // and returns its name, empty when nothing was built; sets PagesBuilt.
  QString CreateFaxFile();
  int RenderRichTextPages(richtext::TRichText* editor, std::vector<std::string>& pages);
  int JoinFaxFiles(const std::vector<std::string>& pages, std::string& faxFile);
  int AppendFaxFile(const std::string& target, const std::string& source);
  std::string NewFaxFileName();

  // The full path of the received fax file of the current received record.
  QString CurrentReceivedFaxPath();

  // Status line and hourglass for long commands.
  void SetStatus(const QString& text);

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void buildActions();
  void buildButtonBar();
  void buildBrowsePanel();
  void buildMenus();
  void buildHiddenPanel();
  QTableView* makeGrid(const QString& name, FaxGridModel* model);
  void applyColumnWidths(QTableView* grid, FaxGridModel* model, const tables::Cursor& cursor);
  void syncSelection(QTableView* grid, FaxGridModel* model);
  void onGridRowChanged(FaxGridModel* model, int row);

  void FormCreate();
  void FormActivate();
  bool FormCloseQuery();
  void FormClose();
  void closeRequested();
  void saveAppSettings();
  void setHints(bool on);
  void notAvailableYet(const QString& window);
  bool listEmpty(const tables::Cursor& table) const;
  void rebuildIndexes(class TRebuildInd& window);
  // Fills the editor from the current outgoing record; the subject gets the prefix.
  void loadEditor(compose::TFaxEditor& editor, const QString& subjectPrefix);
  // Stores the editor's cover, document, recipient, subject and number into the current
  // outgoing record (in edit or append state) and posts it.
  void storeEditor(compose::TFaxEditor& editor);

  FaxGridModel* faxModel_ = nullptr;
  FaxGridModel* recModel_ = nullptr;
  bool closing_ = false;
  bool closeQueued_ = false;
  bool assembling_ = false;
};

}  // namespace app
