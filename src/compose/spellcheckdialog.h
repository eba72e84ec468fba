// TSpellCheckDialog ("Spell Check"): walks the words of a rich-text pane, stops at each
// one the dictionaries do not hold, and lets the user replace it, skip it or add it to
// the user dictionary.
//
// The main dictionary is "bdl.dct" in the program folder. The user dictionary "bdlu.dct"
// beside it is opened when it exists and created on the first Add Word otherwise, so that
// checking alone never writes a file.
#pragma once

#include <QDialog>
#include <QPointer>

class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QPushButton;

#include "richtext/richtext.h"

namespace compose {

class TSpeller;

// Opens the dialog on a pane, modally and centred for the program, and frees it when it
// closes; the editors' Spell items come here. Returns the modal result.
int CheckPaneSpelling(richtext::TRichText* pane, QWidget* parent);

class TSpellCheckDialog : public QDialog {
  Q_OBJECT
 public:
  explicit TSpellCheckDialog(QWidget* parent = nullptr);
  ~TSpellCheckDialog() override;

  // The pane to check; set before the dialog is shown.
  void SetPane(richtext::TRichText* pane) { pane_ = pane; }
  richtext::TRichText* Pane() const { return pane_; }
  // The user dictionary's handle; -1 while there is none (not created yet, or a file
  // that cannot be used).
  int UserHandle() const { return userHandle_; }

  QLineEdit* Word = nullptr;
  QLineEdit* ReplaceAs = nullptr;
  QListWidget* WordList = nullptr;
  QPushButton* Replace = nullptr;
  QPushButton* Cancelbutton = nullptr;
  QPushButton* GetNextWordButton = nullptr;
  QPushButton* Addbutton = nullptr;
  TSpeller* Speller1 = nullptr;

 public slots:
  void done(int result) override;
  void reject() override;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void buildControls();
  void FormCreate();
  void FormActivate();
  void NextMisspelled();
  void ReplaceClick();
  void AddbuttonClick();
  void WordListClick(QListWidgetItem* item);
  void EndWalk();

  QPointer<richtext::TRichText> pane_;
  int userHandle_ = -1;
  bool createUserOnAdd_ = false;
  bool firstActivation_ = true;
  bool closing_ = false;
};

}  // namespace compose
