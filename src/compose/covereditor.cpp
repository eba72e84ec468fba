// The cover-sheet template editor: its controls and commands.
#include "compose/covereditor.h"

#include "compose/controls.h"
#include "compose/insertcommands.h"
#include "compose/panecommands.h"
#include "compose/spellcheckdialog.h"
#include "richtext/codec/mergefield.h"
#include "richtext/richtext.h"
#include "richtext/richtoolbar.h"
#include "ui/helpwindow.h"
#include "ui/placement.h"
#include "ui/tabletext.h"

#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace compose {

namespace {

struct InsertItem {
  const char* name;
  const char* caption;
  int fieldId;
};

constexpr InsertItem kInsertItems[] = {
    {"mnuRecipient1", "Recipient", richtext::kFieldRecipient},
    {"mnuFaxNumber1", "Fax Number", richtext::kFieldFaxNumber},
    {"mnuSubject", "Subject", richtext::kFieldSubject},
    {"mnuDate", "Date", richtext::kFieldDate},
    {"mnuTime", "Time", richtext::kFieldTime},
};

}  // namespace

TCoverEditor::TCoverEditor(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("CoverEditor"));
  setWindowTitle(QStringLiteral("Cover Sheet Template Editor"));
  setWindowFlag(Qt::WindowMaximizeButtonHint, true);

  RichCover = new richtext::TRichText(this);
  RichCover->setObjectName(QStringLiteral("RichCover"));
  SetUpPane(RichCover, 10);
  RichCover->setStyleSheet(QStringLiteral("QTextEdit { background: white; }"));
  RichToolBar1 = new richtext::TRichToolBar(this);
  RichToolBar1->setObjectName(QStringLiteral("RichToolBar1"));
  RichToolBar1->SetEditor(RichCover);
  buildBottomBar();
  buildInsertMenu();
  appendToolButtons();

  auto* top = new QVBoxLayout(this);
  top->addWidget(RichToolBar1);
  top->addWidget(RichCover, 1);
  auto* bar = new QGridLayout;
  bar->addWidget(MakeLabel(this, QStringLiteral("&Description"), CoverDescription), 0, 0);
  bar->addWidget(CoverDescription, 1, 0);
  int column = 1;
  for (QPushButton* b : {HelpButton, InsertButton, Zoombutton, OKbutton, CancelButton})
    bar->addWidget(b, 1, column++);
  bar->setColumnStretch(0, 1);
  top->addLayout(bar);
  resize(WidthForToolBar(RichToolBar1), 520);

  connectCommands();
  ReportingIniErrors([this] { ui::RestoreFormPlacement(this); });
}

void TCoverEditor::buildBottomBar() {
  CoverDescription = new QLineEdit(this);
  CoverDescription->setObjectName(QStringLiteral("CoverDescription"));
  ui::LimitToTableText(CoverDescription);  // the cover table keeps code page 1252
  CoverDescription->setToolTip(
      QStringLiteral("Enter a description for this cover sheet template here"));
  HelpButton = MakeButton(this, "HelpButton", QStringLiteral("&Help"));
  InsertButton = MakeButton(
      this, "InsertButton", QStringLiteral("&Insert"),
      QStringLiteral("Insert a field from the recipient data, or the current date and time"));
  Zoombutton = MakeButton(this, "Zoombutton", QStringLiteral("100%"),
                          QStringLiteral("Set the view percentage for the current editor"));
  OKbutton = MakeButton(this, "OKbutton", QStringLiteral("&Accept"),
                        QStringLiteral("Ok - save changes to this template"));
  CancelButton = MakeButton(this, "CancelButton", QStringLiteral("Cance&l"),
                            QStringLiteral("Cancel - do not save changes to this template"));
  // No button answers Enter: a dialog would otherwise make the first one its default.
  for (QPushButton* b : {HelpButton, InsertButton, Zoombutton, OKbutton, CancelButton})
    b->setAutoDefault(false);
  ZoomMenu = MakeZoomMenu(this);
  Zoom70 = ZoomMenu->findChild<QAction*>(QStringLiteral("Zoom70"));
  Zoom80 = ZoomMenu->findChild<QAction*>(QStringLiteral("Zoom80"));
  Zoom100 = ZoomMenu->findChild<QAction*>(QStringLiteral("Zoom100"));
}

void TCoverEditor::buildInsertMenu() {
  InsertMenu = new QMenu(this);
  InsertMenu->setObjectName(QStringLiteral("InsertMenu"));
  for (const InsertItem& i : kInsertItems) {
    QAction* item = InsertMenu->addAction(QString::fromLatin1(i.caption));
    item->setObjectName(QString::fromLatin1(i.name));
    item->setData(i.fieldId);
  }
  mnuRecipient1 = InsertMenu->findChild<QAction*>(QStringLiteral("mnuRecipient1"));
  mnuFaxNumber1 = InsertMenu->findChild<QAction*>(QStringLiteral("mnuFaxNumber1"));
  mnuSubject = InsertMenu->findChild<QAction*>(QStringLiteral("mnuSubject"));
  mnuDate = InsertMenu->findChild<QAction*>(QStringLiteral("mnuDate"));
  mnuTime = InsertMenu->findChild<QAction*>(QStringLiteral("mnuTime"));
  InsertMenu->addSeparator();
  mnuPicture = InsertMenu->addAction(QStringLiteral("Picture..."));
  mnuPicture->setObjectName(QStringLiteral("mnuPicture"));
}

void TCoverEditor::appendToolButtons() {
  CoverDocPageBreakButton =
      AppendToolButton(RichToolBar1, "CoverDocPageBreakButton", QStringLiteral("Page Break"),
                       QStringLiteral("Insert Page Break"), false);
  CoverParagraphSetupbutton =
      AppendToolButton(RichToolBar1, "CoverParagraphSetupbutton", QStringLiteral("Paragraph"),
                       QStringLiteral("Paragraph properties"), true);
  CoverDocWordWrapButton = AppendToolButton(RichToolBar1, "CoverDocWordWrapButton",
                                            QStringLiteral("Wrap"), WordWrapHint(false), true,
                                            /*checkable=*/true);
  CoverDefFontbutton =
      AppendToolButton(RichToolBar1, "CoverDefFontbutton", QStringLiteral("Default Font"),
                       QStringLiteral("Set the default font for the editor"), true);
  CoverInsertPictureButton =
      AppendToolButton(RichToolBar1, "CoverInsertPictureButton", QStringLiteral("Picture..."),
                       QStringLiteral("Insert a picture from a file, such as a logo"), true);
}

void TCoverEditor::connectCommands() {
  connect(InsertButton, &QPushButton::clicked, this,
          [this] { ui::PopupBelowButton(InsertButton, InsertMenu); });
  connect(InsertMenu, &QMenu::triggered, this, &TCoverEditor::InsertItemClick);
  connect(Zoombutton, &QPushButton::clicked, this,
          [this] { ui::PopupBelowButton(Zoombutton, ZoomMenu); });
  connect(ZoomMenu, &QMenu::aboutToShow, this,
          [this] { CheckZoomItem(ZoomMenu, RichCover->Zooming()); });
  connect(ZoomMenu, &QMenu::triggered, this, &TCoverEditor::ZoomItemClick);
  connect(HelpButton, &QPushButton::clicked, this,
          [this] { ui::ShowHelpContext(ui::helpctx::CoverEditor, this); });
  ui::AddHelpKey(HelpButton);
  connect(OKbutton, &QPushButton::clicked, this, [this] { done(kModalOk); });
  connect(CancelButton, &QPushButton::clicked, this, [this] { done(kModalCancel); });
  // Tool-bar items act through their actions, which the overflow menu triggers too.
  const auto onItem = [this](QToolButton* button, auto&& command) {
    connect(button->defaultAction(), &QAction::triggered, this, command);
  };
  onItem(CoverDocPageBreakButton, [this] { AskAndInsertPageBreak(RichCover); });
  onItem(CoverDocWordWrapButton,
         [this] { ToggleWordWrap(RichCover, CoverDocWordWrapButton->defaultAction()); });
  onItem(CoverParagraphSetupbutton, [this] { OpenParagraphDialog(RichCover, this); });
  onItem(CoverDefFontbutton, [] { ChooseDefaultFontReporting(); });
  connect(RichCover, &richtext::TRichText::StartSpellCheck, this,
          [this] { CheckPaneSpelling(RichCover, this); });
  onItem(CoverInsertPictureButton, [this] { InsertPictureAsking(RichCover, this); });
  RichCover->AddContextAction(CoverInsertPictureButton->defaultAction());
  AcceptDroppedFiles(RichCover, this, false);
  WatchPicturesNotShown(RichCover, this);
}

void TCoverEditor::InsertItemClick(QAction* item) {
  if (item == mnuPicture) {
    InsertPictureAsking(RichCover, this);
    return;
  }
  const int id = item->data().toInt();
  const auto name = richtext::MergeFieldDisplayName(id);
  if (name.empty()) return;
  RichCover->InsertMergeField(id, QString::fromLatin1(name.data(), qsizetype(name.size())));
  RichCover->viewport()->update();
}

void TCoverEditor::ZoomItemClick(QAction* item) {
  const int zoom = ZoomOfItem(item);
  if (zoom <= 0) return;
  RichCover->SetZooming(zoom);
  Zoombutton->setText(QStringLiteral("%1%").arg(RichCover->Zooming()));
}

void TCoverEditor::FormShow() {
  RichCover->SetLayout(richtext::PageLayout{});
  RichCover->viewport()->update();
}

void TCoverEditor::FormActivate() {
  RichCover->Reformat();
  RichCover->CaretToStart();
  RichCover->setFocus();
}

void TCoverEditor::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  FormShow();
  if (!activated_) {
    activated_ = true;
    FormActivate();
  }
  QMetaObject::invokeMethod(this, [this] { ReportPendingPictures(this); }, Qt::QueuedConnection);
}

void TCoverEditor::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) {
    event->accept();
    return;
  }
  QDialog::keyPressEvent(event);
}

void TCoverEditor::reject() { done(kModalCancel); }

void TCoverEditor::done(int result) {
  if (isVisible()) ReportingIniErrors([this] { ui::SaveFormPlacement(this); });
  QDialog::done(result);
}

}  // namespace compose
