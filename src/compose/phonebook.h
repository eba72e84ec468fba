// TPhoneBook ("Phone Book Browser"): the user's fax recipients in name order, with New,
// Edit and Delete through the entry editor. As a browser (from the main window) it
// closes with Close; as a picker (from the fax editor's Phonebook button) Accept hands
// back the current entry's name and number.
//
// Unlike the cover library it owns its table, data source and binding; the caller has
// the fax store open the phone book into them (ShowPhoneBook does it all).
#pragma once

#include "compose/composestore.h"
#include "compose/controls.h"

#include <QDialog>
#include <QString>

#include <optional>

class QPushButton;

namespace ui {
class TableGrid;
}

namespace compose {

class TPhoneBookEditor;

// Edit, Delete and (in picker mode) Accept work only on an entry: they are enabled
// exactly when the list shows one.
struct PhoneBookButtons {
  bool modify = false;
  bool remove = false;
  bool accept = false;
};
PhoneBookButtons PhoneBookButtonStates(std::uint32_t shownEntries, bool picker);

class TPhoneBook : public QDialog {
  Q_OBJECT
 public:
  explicit TPhoneBook(TComposeStore& store, QWidget* parent = nullptr);
  ~TPhoneBook() override;

  // Has the store open the phone book into this window's table; false (with the
  // engine's reason in `error`) when it cannot.
  bool OpenTable(std::string* error);
  // Browser: Close shown; picker: Accept and Cancel shown instead.
  void SetMode(BrowseMode mode);
  // Applies the enabling rule to the list as it is now.
  void SetButtons();

  tables::Cursor PhoneTable;
  tables::DataSource PhoneDataSource;
  tables::TTableBinding PhoneBinding;

  // Set by Accept.
  QString ChosenName;
  QString ChosenNumber;

  ui::TableGrid* PhoneGrid = nullptr;
  QPushButton* Addbutton = nullptr;
  QPushButton* Modifybutton = nullptr;
  QPushButton* Deletebutton = nullptr;
  QPushButton* Helpbutton = nullptr;
  QPushButton* OKButton = nullptr;
  QPushButton* Closebutton = nullptr;
  QPushButton* Cancelbutton = nullptr;

  void AddbuttonClick();
  void ModifyButtonClick();
  void DeleteButtonClick();
  void OKButtonClick();

 public slots:
  void reject() override;  // Escape and the close box: kModalCancel

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void buildControls();
  void connectCommands();
  bool noEntry();
  // Appends an entry (or edits the current one) from the editor and posts it. A failure
  // is reported and leaves the table usable without the change.
  // False when the table refused the write (reported; the table is reopened).
  bool storeEntry(const TPhoneBookEditor& editor, bool append);
  void refresh();

  TComposeStore& store_;
  BrowseMode mode_ = BrowseMode::Library;
};

struct PhoneEntry {
  QString name;
  QString number;
};

// Creates the phone book, has its table opened (the engine's reason is shown when that
// fails, and the window is not) and shows it centred and modal in the given mode. In
// picker mode, Accept gives the chosen entry.
std::optional<PhoneEntry> ShowPhoneBook(TComposeStore& store, QWidget* parent, BrowseMode mode);

}  // namespace compose
