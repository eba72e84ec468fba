// TCoverBrowse ("Cover Sheet Template Browser"): the list of cover-sheet templates, with
// New, Edit, Clone and Delete. As a library (from the main window) it closes with Close;
// as a picker (from the fax editor's Load Template) Accept chooses the current template.
//
// It works on the cover table of the fax store, which the caller opens before the
// browser is created and closes after it is gone (ShowCoverBrowse does both).
#pragma once

#include "compose/composestore.h"
#include "compose/controls.h"

#include <QDialog>

#include <functional>

class QPushButton;

namespace ui {
class TableGrid;
}

namespace compose {

class TCoverEditor;

class TCoverBrowse : public QDialog {
  Q_OBJECT
 public:
  explicit TCoverBrowse(TComposeStore& store, QWidget* parent = nullptr);
  ~TCoverBrowse() override;

  // Library: Close shown; picker: Accept and Cancel shown instead.
  void SetMode(BrowseMode mode);

  // The next New copies the current template; set by Clone for one New.
  bool CloneMode = false;

  ui::TableGrid* CoverGrid = nullptr;
  QPushButton* NewButton = nullptr;
  QPushButton* ModifyButton = nullptr;
  QPushButton* CloneButton = nullptr;
  QPushButton* DeleteButton = nullptr;
  QPushButton* HelpButton = nullptr;
  QPushButton* Acceptbutton = nullptr;
  QPushButton* CloseButton = nullptr;
  QPushButton* CancelButton = nullptr;

  void NewButtonClick();
  void ModifyButtonClick();
  void CloneButtonClick();
  void DeleteButtonClick();
  void AcceptbuttonClick();

 public slots:
  void reject() override;  // Escape and the window manager: kModalCancel

 private:
  void buildControls();
  void connectCommands();
  // The table shows no record: none passes its filter.
  bool noRecord();
  // Appends a record (or edits the current one) with the editor's description and text,
  // and posts it. A failure is reported and leaves the table usable without the change.
  // False when the table refused the write (reported; the table is reopened).
  bool storeTemplate(TCoverEditor& editor, bool append);
  void refresh();

  TComposeStore& store_;
  TableSet cover_;
};

// Opens the cover table, shows the browser centred and modal in the given mode and
// closes the table again. When a template is chosen (picker mode), `chosen` runs while
// its record is current. Returns the modal result, 0 when the table could not be opened
// (the engine's reason is shown).
int ShowCoverBrowse(TComposeStore& store, QWidget* parent, BrowseMode mode,
                    const std::function<void()>& chosen = {});

}  // namespace compose
