// TFaxEditor: the modal window in which one outgoing fax is composed: recipient, fax
// number and subject, an optional cover sheet and the fax document.
//
// The caller creates it, fills the panes and edits, runs exec() and, when the result is
// kModalOk (equal to QDialog::Accepted), reads the same controls back. Every other way of
// closing (Cancel, Escape, the window's close box) gives kModalCancel; when the fax was
// changed since the window opened, the user is asked first and may keep editing.
#pragma once

#include "compose/controls.h"
#include "compose/mergeanswer.h"

#include <QDialog>

#include <functional>
#include <optional>

class QAction;
class QButtonGroup;
class QMenu;
class QPushButton;
class QStackedWidget;
class QToolButton;

namespace richtext {
class TRichText;
class TRichToolBar;
}  // namespace richtext

namespace compose {

class TComposeStore;
class TEnterEdit;

class TFaxEditor : public QDialog {
  Q_OBJECT
 public:
  explicit TFaxEditor(QWidget* parent = nullptr);

  // Replaces the cover with a template and merges its fields once, from the edits and
  // the clock as they are now.
  void LoadCoverTemplate(const QByteArray& rtf);
  // Asks RichCover to merge its fields now; returns how many changed.
  int MergeCoverFields();

  // The pane whose page is chosen with the page buttons: RichDoc when DocumentButton
  // is down, RichCover otherwise.
  richtext::TRichText* CurrentPane() const;
  // Caption of the notebook page shown: "Cover Sheet", "Fax Document" or "Recipient".
  QString CurrentPageCaption() const;
  // Whether any field or either pane differs from what the window showed when it opened.
  bool HasChanges() const;

  // The clock the merge fields read; tests fix it.
  std::function<QDateTime()> Clock;
  // The tables the Phonebook and Load Template buttons open; without one they do nothing.
  TComposeStore* Store = nullptr;

  TEnterEdit* Recipient = nullptr;
  TEnterEdit* FaxNumber = nullptr;
  TEnterEdit* Subject = nullptr;
  richtext::TRichText* RichCover = nullptr;
  richtext::TRichText* RichDoc = nullptr;
  richtext::TRichToolBar* RichToolCover = nullptr;
  richtext::TRichToolBar* RichToolDoc = nullptr;
  QStackedWidget* Notebook = nullptr;

  QPushButton* Helpbutton = nullptr;
  QPushButton* RecipientButton = nullptr;
  QPushButton* DocumentButton = nullptr;
  QPushButton* CoverButton = nullptr;
  QPushButton* Zoombutton = nullptr;
  QPushButton* OKButton = nullptr;
  QPushButton* CancelButton = nullptr;
  QPushButton* AddressButton = nullptr;

  QMenu* ZoomMenu = nullptr;
  QAction* Zoom70 = nullptr;
  QAction* Zoom80 = nullptr;
  QAction* Zoom100 = nullptr;

  QToolButton* DocPageBreakButton = nullptr;
  QToolButton* ParagraphSetupButton = nullptr;
  QToolButton* DocWordWrapButton = nullptr;
  QToolButton* DocDefFontbutton = nullptr;
  QToolButton* CoverDocPageBreakButton = nullptr;
  QToolButton* CoverParagraphSetupbutton = nullptr;
  QToolButton* CoverDocWordWrapButton = nullptr;
  QToolButton* CoverDefFontbutton = nullptr;
  QToolButton* LoadCoverButton = nullptr;
  QToolButton* InsertPictureButton = nullptr;
  QToolButton* InsertDocumentButton = nullptr;
  QToolButton* CoverInsertPictureButton = nullptr;
  QToolButton* CoverInsertDocumentButton = nullptr;

 public slots:
  void done(int result) override;
  void reject() override;

 protected:
  void showEvent(QShowEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  QWidget* buildRecipientPage();
  QWidget* buildPanePage(richtext::TRichText*& pane, richtext::TRichToolBar*& bar,
                         const char* paneName, const char* barName);
  void buildButtonBar();
  void appendDocButtons();
  void appendCoverButtons();
  void connectCommands();
  void showPage(int page, QPushButton* pageButton);
  void FormCreate();
  void FormActivate();
  void FormShow();
  void ZoomItemClick(QAction* item);
  void ZoomMenuPopup();
  void AddressButtonClick();
  void LoadCoverButtonClick();
  // After a template was loaded into RichCover: lay it out, merge its fields, caret home.
  void coverTemplateLoaded();
  std::optional<QString> TextToInsert(int id);

  QByteArray contents() const;
  bool mayDiscard();

  QButtonGroup* pageButtons_ = nullptr;
  bool activated_ = false;
  QByteArray shownContents_;  // what the window held when it first appeared
};

}  // namespace compose
