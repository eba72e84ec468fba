// The cover-sheet template browser: its list, its commands and how it is opened.
#include "compose/coverbrowse.h"

#include "compose/covereditor.h"
#include "compose/defaultfont.h"
#include "richtext/richtext.h"
#include "ui/beep.h"
#include "ui/helpwindow.h"
#include "ui/messages.h"
#include "ui/placement.h"
#include "ui/tablegrid.h"
#include "ui/tabletext.h"

#include <QGridLayout>
#include <QLineEdit>
#include <QPushButton>

namespace compose {

namespace {

constexpr const char* kDescription = "DESCRIPT";
constexpr const char* kCover = "COVER";

}  // namespace

TCoverBrowse::TCoverBrowse(TComposeStore& store, QWidget* parent)
    : QDialog(parent), store_(store), cover_(store.Cover()) {
  setObjectName(QStringLiteral("CoverBrowse"));
  setWindowTitle(QStringLiteral("Cover Sheet Template Browser"));
  // A fixed dialog without the window menu's buttons: Close, Accept or Cancel end it.
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
  buildControls();
  connectCommands();
  SetMode(BrowseMode::Library);
}

// The grid observes the table, which outlives the browser: it goes first.
TCoverBrowse::~TCoverBrowse() { delete CoverGrid; }

void TCoverBrowse::buildControls() {
  CoverGrid =
      new ui::TableGrid(cover_.table, {{kDescription, QStringLiteral("Description"), 100}}, this);
  CoverGrid->setObjectName(QStringLiteral("CoverGrid"));
  NewButton = MakeButton(this, "NewButton", QStringLiteral("&New"),
                         QStringLiteral("Create a new fax cover template"));
  ModifyButton = MakeButton(this, "ModifyButton", QStringLiteral("&Edit"),
                            QStringLiteral("Edit the currently selected fax cover template"));
  CloneButton = MakeButton(this, "CloneButton", QStringLiteral("&Clone"),
                           QStringLiteral("Clone the currently selected fax cover template"));
  DeleteButton = MakeButton(this, "DeleteButton", QStringLiteral("&Delete"),
                            QStringLiteral("Delete  the currently selected fax cover template"));
  HelpButton = MakeButton(this, "HelpButton", QStringLiteral("&Help"));
  Acceptbutton = MakeButton(this, "Acceptbutton", QStringLiteral("&Accept"),
                            QStringLiteral("Use this cover sheet template"));
  CloseButton = MakeButton(this, "CloseButton", QStringLiteral("C&lose"),
                           QStringLiteral("Close the Cover Sheet Template Browser"));
  CancelButton = MakeButton(this, "CancelButton", QStringLiteral("Cance&l"),
                            QStringLiteral("Cancel - do not use any of these templates"));

  auto* layout = new QGridLayout(this);
  layout->addWidget(CoverGrid, 0, 0, 1, 7);
  int column = 0;
  for (QPushButton* b :
       {NewButton, ModifyButton, CloneButton, DeleteButton, HelpButton, Acceptbutton})
    layout->addWidget(b, 1, column++);
  // Close and Cancel share one place; only one of them is ever shown.
  layout->addWidget(CloseButton, 1, column);
  layout->addWidget(CancelButton, 1, column);
  CoverGrid->setMinimumSize(std::min(CoverGrid->FullWidth(), 560), 240);
}

void TCoverBrowse::connectCommands() {
  connect(NewButton, &QPushButton::clicked, this, &TCoverBrowse::NewButtonClick);
  connect(ModifyButton, &QPushButton::clicked, this, &TCoverBrowse::ModifyButtonClick);
  connect(CloneButton, &QPushButton::clicked, this, &TCoverBrowse::CloneButtonClick);
  connect(DeleteButton, &QPushButton::clicked, this, &TCoverBrowse::DeleteButtonClick);
  connect(Acceptbutton, &QPushButton::clicked, this, &TCoverBrowse::AcceptbuttonClick);
  connect(CloseButton, &QPushButton::clicked, this, [this] { done(kModalCancel); });
  connect(CancelButton, &QPushButton::clicked, this, [this] { done(kModalCancel); });
  connect(HelpButton, &QPushButton::clicked, this,
          [this] { ui::ShowHelpContext(ui::helpctx::CoverBrowse, this); });
  ui::AddHelpKey(HelpButton);
}

void TCoverBrowse::SetMode(BrowseMode mode) {
  const bool pick = mode == BrowseMode::Picker;
  Acceptbutton->setVisible(pick);
  CancelButton->setVisible(pick);
  CloseButton->setVisible(!pick);
  CloseButton->setDefault(!pick);
  layout()->activate();
  setFixedSize(sizeHint());
}

void TCoverBrowse::reject() { done(kModalCancel); }

bool TCoverBrowse::noRecord() { return cover_.binding.queryRecCount() == 0; }

void TCoverBrowse::NewButtonClick() {
  {
    TCoverEditor editor(this);
    if (CloneMode) {
      editor.CoverDescription->setText(QStringLiteral("[clone]") +
                                       ui::FieldText(cover_.table, kDescription));
      store_.LoadRichText(*editor.RichCover, kCover, cover_.binding);
    } else {
      editor.CoverDescription->setText(QStringLiteral("{description}"));
      ApplyDefaultFont(editor.RichCover);
    }
    // A refused write brings the editor back with its content, to try again or copy it out.
    while (editor.exec() == kModalOk && !storeTemplate(editor, true)) {
    }
  }
  CloneMode = false;
}

void TCoverBrowse::ModifyButtonClick() {
  if (noRecord()) {
    ui::Beep();
    return;
  }
  TCoverEditor editor(this);
  editor.CoverDescription->setText(ui::FieldText(cover_.table, kDescription));
  store_.LoadRichText(*editor.RichCover, kCover, cover_.binding);
  while (editor.exec() == kModalOk && !storeTemplate(editor, false)) {
  }
}

void TCoverBrowse::CloneButtonClick() {
  if (noRecord()) {
    ui::Beep();
    return;
  }
  CloneMode = true;
  NewButtonClick();
}

void TCoverBrowse::DeleteButtonClick() {
  if (noRecord()) {
    ui::Beep();
    return;
  }
  const QString question = QStringLiteral("Delete the current cover template?:\r") +
                           ui::FieldText(cover_.table, kDescription);
  if (ui::AskYesNoDefaultNo(question, QStringLiteral("Delete"))) {
    try {
      cover_.table.deleteRecord();
    } catch (const std::exception& e) {
      ui::ReportFailure(e);
    }
  }
  refresh();
}

// With no template to choose, Accept would hand the fax editor a record that is not
// there and clear its cover for nothing.
void TCoverBrowse::AcceptbuttonClick() {
  if (noRecord()) {
    ui::Beep();
    return;
  }
  done(kModalOk);
}

bool TCoverBrowse::storeTemplate(TCoverEditor& editor, bool append) {
  try {
    if (append)
      cover_.table.append();
    else
      cover_.table.edit();
    ui::PutFieldText(cover_.table, kDescription, editor.CoverDescription->text());
    store_.SaveRichText(*editor.RichCover, kCover, cover_.binding);
    cover_.table.post();
    return true;
  } catch (const std::exception& e) {
    cover_.table.cancel();
    ui::ReportFailure(e);
  }
  refresh();  // a table that refused a write takes writes again once reopened
  return false;
}

void TCoverBrowse::refresh() {
  try {
    store_.Refresh(cover_.table, cover_.binding);
  } catch (const std::exception& e) {
    ui::ReportFailure(e);
  }
}

int ShowCoverBrowse(TComposeStore& store, QWidget* parent, BrowseMode mode,
                    const std::function<void()>& chosen) {
  std::string error;
  if (!store.OpenCoverDBF(&error)) {
    ui::ShowInfo(QString::fromStdString(error));
    return 0;
  }
  int result = 0;
  try {
    TCoverBrowse browser(store, parent);
    browser.SetMode(mode);
    ui::CenterFormDefault(&browser);
    result = browser.exec();
    if (result == kModalOk && chosen) chosen();
  } catch (const std::exception& e) {
    ui::ReportFailure(e);
  }
  store.CloseCoverDBF();
  return result;
}

}  // namespace compose
