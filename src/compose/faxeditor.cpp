// The fax editor window: building its pages and bars, and its commands.
#include "compose/faxeditor.h"

#include <algorithm>

#include "compose/controls.h"
#include "compose/coverbrowse.h"
#include "compose/enteredit.h"
#include "compose/insertcommands.h"
#include "compose/panecommands.h"
#include "compose/phonebook.h"
#include "compose/spellcheckdialog.h"
#include "richtext/richtext.h"
#include "richtext/richtoolbar.h"
#include "settings/inifile.h"
#include "ui/helpwindow.h"
#include "ui/messages.h"
#include "ui/placement.h"
#include "ui/refusedtyping.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QStackedWidget>
#include <QToolButton>
#include <QVBoxLayout>

namespace compose {

namespace {

enum Page { kCoverPage = 0, kDocumentPage = 1, kRecipientPage = 2 };

const char* const kPageCaptions[] = {"Cover Sheet", "Fax Document", "Recipient"};
const QString kInsertPictureHint = QStringLiteral("Insert a picture from a file");
const QString kInsertDocumentHint =
    QStringLiteral("Insert the pages of a PDF or PostScript file, or a picture");

// The outgoing table stores these fields in code page 1252; a fax number keeps to what
// can be dialled, which that code page holds too.
TEnterEdit* makeEdit(QWidget* parent, const char* name, int maxLength, const char* hint,
                     ui::TypingRule rule = ui::TableTextRule()) {
  auto* edit = new TEnterEdit(parent);
  edit->setObjectName(QString::fromLatin1(name));
  edit->setMaxLength(maxLength);
  edit->setToolTip(QString::fromUtf8(hint));
  ui::RefuseTyping(edit, std::move(rule));
  return edit;
}

}  // namespace

TFaxEditor::TFaxEditor(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("FaxEditor"));
  setWindowTitle(QStringLiteral("Fax Editor"));
  setWindowFlag(Qt::WindowMaximizeButtonHint, true);
  Clock = [] { return QDateTime::currentDateTime(); };

  Notebook = new QStackedWidget(this);
  Notebook->setObjectName(QStringLiteral("Notebook"));
  Notebook->addWidget(buildPanePage(RichCover, RichToolCover, "RichCover", "RichToolCover"));
  Notebook->addWidget(buildPanePage(RichDoc, RichToolDoc, "RichDoc", "RichToolDoc"));
  Notebook->addWidget(buildRecipientPage());
  for (int i = 0; i < Notebook->count(); ++i)
    Notebook->widget(i)->setWindowTitle(QString::fromLatin1(kPageCaptions[i]));
  buildButtonBar();

  auto* top = new QVBoxLayout(this);
  top->addWidget(Notebook, 1);
  auto* bar = new QHBoxLayout;
  bar->addWidget(Helpbutton);
  bar->addWidget(RecipientButton);
  bar->addWidget(DocumentButton);
  bar->addWidget(CoverButton);
  bar->addWidget(Zoombutton);
  bar->addStretch();
  bar->addWidget(OKButton);
  bar->addWidget(CancelButton);
  top->addLayout(bar);

  appendDocButtons();
  appendCoverButtons();
  // Wide enough at first that the appended tool-bar buttons show without the overflow menu.
  resize(WidthForToolBar(RichToolCover), 520);
  connectCommands();
  FormCreate();
}

QWidget* TFaxEditor::buildRecipientPage() {
  auto* page = new QWidget(Notebook);
  page->setObjectName(QStringLiteral("RecipientPage"));
  Recipient = makeEdit(page, "Recipient", 35, "Enter recipient name here");
  FaxNumber =
      makeEdit(page, "FaxNumber", 25, "Enter recipient fax number here", ui::FaxNumberRule());
  Subject = makeEdit(page, "Subject", 50, "Enter subject (topic) of fax here");
  AddressButton =
      MakeButton(page, "AddressButton", "&Phonebook", "Click here to access the Phone Book");
  auto* grid = new QGridLayout(page);
  // Each label names its edit for screen readers and gives it an Alt-letter; the letters
  // are the ones the window's buttons leave free.
  const auto labelled = [&](int row, const char* caption, QWidget* edit) {
    auto* label = new QLabel(QString::fromLatin1(caption), page);
    label->setBuddy(edit);
    grid->addWidget(label, row, 0);
    grid->addWidget(edit, row, 1);
  };
  labelled(0, "R&ecipient", Recipient);
  grid->addWidget(AddressButton, 0, 2);
  labelled(1, "Fax &Number", FaxNumber);
  labelled(2, "&Subject", Subject);
  grid->setRowStretch(3, 1);
  grid->setColumnStretch(1, 1);
  QWidget::setTabOrder(Recipient, FaxNumber);
  QWidget::setTabOrder(FaxNumber, Subject);
  QWidget::setTabOrder(Subject, AddressButton);
  return page;
}

QWidget* TFaxEditor::buildPanePage(richtext::TRichText*& pane, richtext::TRichToolBar*& bar,
                                   const char* paneName, const char* barName) {
  auto* page = new QWidget(Notebook);
  page->setObjectName(QString::fromLatin1(paneName) + QStringLiteral("Page"));
  pane = new richtext::TRichText(page);
  pane->setObjectName(QString::fromLatin1(paneName));
  SetUpPane(pane, 8);
  bar = new richtext::TRichToolBar(page);
  bar->setObjectName(QString::fromLatin1(barName));
  bar->SetEditor(pane);
  auto* layout = new QVBoxLayout(page);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(bar);
  layout->addWidget(pane, 1);
  return page;
}

void TFaxEditor::buildButtonBar() {
  Helpbutton = MakeButton(this, "Helpbutton", "&Help");
  RecipientButton =
      MakeButton(this, "RecipientButton", "&Recipient Info", "Edit the recipient information");
  DocumentButton = MakeButton(this, "DocumentButton", "&Fax Document", "Edit the fax document");
  CoverButton =
      MakeButton(this, "CoverButton", "&Cover Sheet", "Edit the optional fax cover sheet");
  pageButtons_ = new QButtonGroup(this);
  pageButtons_->setExclusive(true);
  for (QPushButton* b : {RecipientButton, DocumentButton, CoverButton}) {
    b->setCheckable(true);
    pageButtons_->addButton(b);
  }
  RecipientButton->setChecked(true);
  Zoombutton =
      MakeButton(this, "Zoombutton", "100%", "Set the view percentage for the current editor");
  Zoombutton->setVisible(false);
  OKButton = MakeButton(this, "OKButton", "&Accept", "Ok - save changes to this fax");
  OKButton->setDefault(true);
  CancelButton =
      MakeButton(this, "CancelButton", "Cance&l", "Cancel - do not save changes to this fax");

  ZoomMenu = MakeZoomMenu(this);
  Zoom70 = ZoomMenu->findChild<QAction*>(QStringLiteral("Zoom70"));
  Zoom80 = ZoomMenu->findChild<QAction*>(QStringLiteral("Zoom80"));
  Zoom100 = ZoomMenu->findChild<QAction*>(QStringLiteral("Zoom100"));
}

void TFaxEditor::appendDocButtons() {
  DocPageBreakButton =
      AppendToolButton(RichToolDoc, "DocPageBreakButton", QStringLiteral("Page Break"),
                       QStringLiteral("Insert Page Break"), false);
  ParagraphSetupButton =
      AppendToolButton(RichToolDoc, "ParagraphSetupButton", QStringLiteral("Paragraph"),
                       QStringLiteral("Paragraph properties"), true);
  DocWordWrapButton = AppendToolButton(RichToolDoc, "DocWordWrapButton", QStringLiteral("Wrap"),
                                       WordWrapHint(false), true, true);
  DocDefFontbutton =
      AppendToolButton(RichToolDoc, "DocDefFontbutton", QStringLiteral("Default Font"),
                       QStringLiteral("Set the default font for the editor"), true);
  InsertPictureButton = AppendToolButton(RichToolDoc, "InsertPictureButton",
                                         QStringLiteral("Picture..."), kInsertPictureHint, true);
  InsertDocumentButton = AppendToolButton(RichToolDoc, "InsertDocumentButton",
                                          QStringLiteral("Document..."), kInsertDocumentHint, true);
}

void TFaxEditor::appendCoverButtons() {
  CoverDocPageBreakButton =
      AppendToolButton(RichToolCover, "CoverDocPageBreakButton", QStringLiteral("Page Break"),
                       QStringLiteral("Insert Page Break"), false);
  CoverParagraphSetupbutton =
      AppendToolButton(RichToolCover, "CoverParagraphSetupbutton", QStringLiteral("Paragraph"),
                       QStringLiteral("Paragraph properties"), true);
  CoverDocWordWrapButton =
      AppendToolButton(RichToolCover, "CoverDocWordWrapButton", QStringLiteral("Wrap"),
                       WordWrapHint(false), true, true);
  CoverDefFontbutton =
      AppendToolButton(RichToolCover, "CoverDefFontbutton", QStringLiteral("Default Font"),
                       QStringLiteral("Set the default font for the editor"), true);
  LoadCoverButton =
      AppendToolButton(RichToolCover, "LoadCoverButton", QStringLiteral("Load Template"),
                       QStringLiteral("Load Cover Sheet from Template"), true);
  CoverInsertPictureButton = AppendToolButton(RichToolCover, "CoverInsertPictureButton",
                                              QStringLiteral("Picture..."), kInsertPictureHint, true);
  CoverInsertDocumentButton =
      AppendToolButton(RichToolCover, "CoverInsertDocumentButton", QStringLiteral("Document..."),
                       kInsertDocumentHint, true);
}

void TFaxEditor::FormCreate() {
  RichToolDoc->setMinimumHeight(RichToolCover->sizeHint().height());
  RichCover->SetTextToInsertHandler([this](int id, const QString&) { return TextToInsert(id); });
  ReportingIniErrors([this] { ui::RestoreFormPlacement(this); });
}

void TFaxEditor::connectCommands() {
  // The page follows the button that goes down, however it is pressed: mouse, keyboard,
  // its Alt-letter or an assistive tool's toggle.
  const auto pageButton = [this](QPushButton* button, int page) {
    connect(button, &QPushButton::toggled, this, [this, button, page](bool down) {
      if (down) showPage(page, button);
    });
  };
  pageButton(RecipientButton, kRecipientPage);
  pageButton(DocumentButton, kDocumentPage);
  pageButton(CoverButton, kCoverPage);
  connect(Zoombutton, &QPushButton::clicked, this,
          [this] { ui::PopupBelowButton(Zoombutton, ZoomMenu); });
  connect(ZoomMenu, &QMenu::aboutToShow, this, &TFaxEditor::ZoomMenuPopup);
  for (QAction* item : {Zoom70, Zoom80, Zoom100})
    connect(item, &QAction::triggered, this, [this, item] { ZoomItemClick(item); });
  connect(AddressButton, &QPushButton::clicked, this, &TFaxEditor::AddressButtonClick);
  connect(Helpbutton, &QPushButton::clicked, this,
          [this] { ui::ShowHelpContext(ui::helpctx::FaxEditor, this); });
  ui::AddHelpKey(Helpbutton);
  connect(OKButton, &QPushButton::clicked, this, [this] { done(kModalOk); });
  connect(CancelButton, &QPushButton::clicked, this, [this] { done(kModalCancel); });
  // Tool-bar items act through their actions, which the overflow menu triggers too.
  const auto onItem = [this](QToolButton* button, auto&& command) {
    connect(button->defaultAction(), &QAction::triggered, this, command);
  };
  onItem(LoadCoverButton, [this] { LoadCoverButtonClick(); });
  onItem(DocPageBreakButton, [this] { AskAndInsertPageBreak(RichDoc); });
  onItem(CoverDocPageBreakButton, [this] { AskAndInsertPageBreak(RichCover); });
  onItem(DocWordWrapButton,
         [this] { ToggleWordWrap(RichDoc, DocWordWrapButton->defaultAction()); });
  onItem(CoverDocWordWrapButton,
         [this] { ToggleWordWrap(RichCover, CoverDocWordWrapButton->defaultAction()); });
  onItem(ParagraphSetupButton, [this] { OpenParagraphDialog(RichDoc, this); });
  onItem(CoverParagraphSetupbutton, [this] { OpenParagraphDialog(RichCover, this); });
  onItem(DocDefFontbutton, [] { ChooseDefaultFontReporting(); });
  onItem(CoverDefFontbutton, [] { ChooseDefaultFontReporting(); });
  for (richtext::TRichText* pane : {RichCover, RichDoc})
    connect(pane, &richtext::TRichText::StartSpellCheck, this,
            [this, pane] { CheckPaneSpelling(pane, this); });
  // Pictures and documents: tool bar, the panes' context menus, and files dropped.
  const auto insertItems = [this, &onItem](richtext::TRichText* pane, QToolButton* picture,
                                  QToolButton* document) {
    onItem(picture, [this, pane] { InsertPictureAsking(pane, this); });
    onItem(document, [this, pane] { InsertDocumentAsking(pane, this); });
    pane->AddContextAction(picture->defaultAction());
    pane->AddContextAction(document->defaultAction());
    AcceptDroppedFiles(pane, this, true);
    WatchPicturesNotShown(pane, this);
  };
  insertItems(RichDoc, InsertPictureButton, InsertDocumentButton);
  insertItems(RichCover, CoverInsertPictureButton, CoverInsertDocumentButton);
}

void TFaxEditor::showPage(int page, QPushButton* pageButton) {
  pageButton->setChecked(true);
  Notebook->setCurrentIndex(page);
  if (page == kRecipientPage) {
    Zoombutton->setVisible(false);
    return;
  }
  Zoombutton->setText(QStringLiteral("%1%").arg(CurrentPane()->Zooming()));
  Zoombutton->setVisible(true);
}

richtext::TRichText* TFaxEditor::CurrentPane() const {
  return DocumentButton->isChecked() ? RichDoc : RichCover;
}

QString TFaxEditor::CurrentPageCaption() const { return Notebook->currentWidget()->windowTitle(); }

void TFaxEditor::ZoomMenuPopup() { CheckZoomItem(ZoomMenu, CurrentPane()->Zooming()); }

void TFaxEditor::ZoomItemClick(QAction* item) {
  const int zoom = ZoomOfItem(item);
  if (zoom <= 0) return;
  CurrentPane()->SetZooming(zoom);
  Zoombutton->setText(QStringLiteral("%1%").arg(zoom));
}

void TFaxEditor::AddressButtonClick() {
  if (!Store) return;
  if (const auto entry = ShowPhoneBook(*Store, this, BrowseMode::Picker)) {
    Recipient->setText(entry->name);
    FaxNumber->setText(entry->number);
  }
}

// The template replaces the cover without a question; its fields take the recipient,
// number and subject as they are now.
void TFaxEditor::LoadCoverButtonClick() {
  if (!Store) return;
  ShowCoverBrowse(*Store, this, BrowseMode::Picker, [this] {
    TableSet cover = Store->Cover();
    Store->LoadRichText(*RichCover, "COVER", cover.binding);
    coverTemplateLoaded();
  });
}

void TFaxEditor::LoadCoverTemplate(const QByteArray& rtf) {
  RichCover->Clear();
  RichCover->LoadRtf(rtf);
  coverTemplateLoaded();
}

void TFaxEditor::coverTemplateLoaded() {
  RichCover->Reformat();
  MergeCoverFields();
  RichCover->CaretToStart();
  RichCover->viewport()->update();
}

int TFaxEditor::MergeCoverFields() { return RichCover->MergeFields(); }

std::optional<QString> TFaxEditor::TextToInsert(int id) {
  return MergeFieldAnswer(
      id, MergeSources{Recipient->text(), FaxNumber->text(), Subject->text(), Clock()});
}

void TFaxEditor::FormActivate() {
  showPage(kRecipientPage, RecipientButton);
  Recipient->setFocus();
  for (richtext::TRichText* pane : {RichCover, RichDoc}) {
    pane->Reformat();
    pane->CaretToStart();
  }
}

void TFaxEditor::FormShow() {
  for (richtext::TRichText* pane : {RichCover, RichDoc}) {
    pane->SetLayout(richtext::PageLayout{});
    pane->viewport()->update();
  }
}

// The recipient page opens first only when the window first appears; later activations
// (after its own dialogs close) leave the page and its button as the user chose them.
void TFaxEditor::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  FormShow();
  if (!activated_) {
    activated_ = true;
    FormActivate();
    shownContents_ = contents();
  }
  QMetaObject::invokeMethod(this, [this] { ReportPendingPictures(this); }, Qt::QueuedConnection);
}

void TFaxEditor::resizeEvent(QResizeEvent* event) {
  QDialog::resizeEvent(event);
  if (RichDoc) RichDoc->viewport()->update();
}

// Everything the caller stores: the three fields and both texts as they would be saved
// (zoom and caret do not count).
QByteArray TFaxEditor::contents() const {
  QByteArray all;
  for (const TEnterEdit* edit : {Recipient, FaxNumber, Subject})
    all += edit->text().toUtf8() + '\0';
  return all + RichCover->SaveRtf() + '\0' + RichDoc->SaveRtf();
}

bool TFaxEditor::HasChanges() const { return activated_ && contents() != shownContents_; }

bool TFaxEditor::mayDiscard() {
  return !HasChanges() ||
         ui::AskYesNoDefaultNo(QStringLiteral("Discard the changes to this fax?"), windowTitle());
}

void TFaxEditor::reject() { done(kModalCancel); }

void TFaxEditor::done(int result) {
  if (result != kModalOk && isVisible() && !mayDiscard()) return;
  if (isVisible()) ReportingIniErrors([this] { ui::SaveFormPlacement(this); });
  QDialog::done(result);
}

}  // namespace compose
