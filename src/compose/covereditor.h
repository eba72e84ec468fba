// TCoverEditor ("Cover Sheet Template Editor"): the window in which one cover-sheet
// template is written: its description and its rich-text body, into which the Insert
// menu puts merge fields for the recipient, fax number, subject, date and time.
//
// The template browser fills it, runs exec() and, on kModalOk, reads CoverDescription and
// RichCover back. Neither Enter nor Escape closes it: a template is long work, and a key
// meant for the text must not end the window.
#pragma once

#include "compose/controls.h"

#include <QDialog>

class QAction;
class QLineEdit;
class QMenu;
class QPushButton;
class QToolButton;

namespace richtext {
class TRichText;
class TRichToolBar;
}  // namespace richtext

namespace compose {

class TCoverEditor : public QDialog {
  Q_OBJECT
 public:
  explicit TCoverEditor(QWidget* parent = nullptr);

  richtext::TRichToolBar* RichToolBar1 = nullptr;
  richtext::TRichText* RichCover = nullptr;
  QLineEdit* CoverDescription = nullptr;
  QPushButton* HelpButton = nullptr;
  QPushButton* InsertButton = nullptr;
  QPushButton* Zoombutton = nullptr;
  QPushButton* OKbutton = nullptr;
  QPushButton* CancelButton = nullptr;

  // Items hold the merge field's id as their data.
  QMenu* InsertMenu = nullptr;
  QAction* mnuRecipient1 = nullptr;
  QAction* mnuFaxNumber1 = nullptr;
  QAction* mnuSubject = nullptr;
  QAction* mnuDate = nullptr;
  QAction* mnuTime = nullptr;
  QAction* mnuPicture = nullptr;  // Insert Picture, after the fields

  QMenu* ZoomMenu = nullptr;
  QAction* Zoom70 = nullptr;
  QAction* Zoom80 = nullptr;
  QAction* Zoom100 = nullptr;

  QToolButton* CoverDocPageBreakButton = nullptr;
  QToolButton* CoverParagraphSetupbutton = nullptr;
  QToolButton* CoverDocWordWrapButton = nullptr;
  QToolButton* CoverDefFontbutton = nullptr;
  QToolButton* CoverInsertPictureButton = nullptr;

 public slots:
  void done(int result) override;
  void reject() override;  // the close box: kModalCancel

 protected:
  void showEvent(QShowEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void buildBottomBar();
  void buildInsertMenu();
  void appendToolButtons();
  void connectCommands();
  void InsertItemClick(QAction* item);
  void ZoomItemClick(QAction* item);
  void FormShow();
  void FormActivate();

  bool activated_ = false;
};

}  // namespace compose
