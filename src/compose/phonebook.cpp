// The phone book browser: its list, its commands and how it is opened.
#include "compose/phonebook.h"

#include "compose/phonebookeditor.h"
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

constexpr const char* kName = "NAME";
constexpr const char* kPhone = "PHONE";

}  // namespace

PhoneBookButtons PhoneBookButtonStates(std::uint32_t shownEntries, bool picker) {
  const bool any = shownEntries > 0;
  return {any, any, picker && any};
}

TPhoneBook::TPhoneBook(TComposeStore& store, QWidget* parent) : QDialog(parent), store_(store) {
  setObjectName(QStringLiteral("PhoneBook"));
  setWindowTitle(QStringLiteral("Phone Book Browser"));
  PhoneDataSource.dataSet = &PhoneTable;
  PhoneBinding.setDataSource(&PhoneDataSource);
  buildControls();
  connectCommands();
  SetMode(BrowseMode::Library);
}

// The grid observes the table, which is a member: the grid goes first.
TPhoneBook::~TPhoneBook() {
  delete PhoneGrid;
  PhoneTable.close();
}

bool TPhoneBook::OpenTable(std::string* error) {
  return store_.OpenPhoneDBF(PhoneTable, PhoneBinding, error);
}

void TPhoneBook::buildControls() {
  PhoneGrid = new ui::TableGrid(
      PhoneTable, {{kName, QStringLiteral("Name"), 31}, {kPhone, QStringLiteral("Fax #"), 0}},
      this);
  PhoneGrid->setObjectName(QStringLiteral("PhoneGrid"));
  Addbutton = MakeButton(this, "Addbutton", QStringLiteral("&New"),
                         QStringLiteral("Create a new phone book entry"));
  Modifybutton = MakeButton(this, "Modifybutton", QStringLiteral("&Edit"),
                            QStringLiteral("Edit the currently selected phone book entry"));
  Deletebutton = MakeButton(this, "Deletebutton", QStringLiteral("&Delete"),
                            QStringLiteral("Delete the currently selected phone book entry"));
  Helpbutton = MakeButton(this, "Helpbutton", QStringLiteral("&Help"));
  OKButton = MakeButton(this, "OKButton", QStringLiteral("&Accept"),
                        QStringLiteral("Use this phone book entry"));
  Closebutton = MakeButton(this, "Closebutton", QStringLiteral("C&lose"),
                           QStringLiteral("Close the Phone Book Browser"));
  Cancelbutton = MakeButton(this, "Cancelbutton", QStringLiteral("Cance&l"),
                            QStringLiteral("Cancel - do not use any of these phone book entries"));

  auto* layout = new QGridLayout(this);
  layout->addWidget(PhoneGrid, 0, 0, 1, 6);
  int column = 0;
  for (QPushButton* b : {Addbutton, Modifybutton, Deletebutton, Helpbutton, OKButton})
    layout->addWidget(b, 1, column++);
  // Close and Cancel share one place; only one of them is ever shown.
  layout->addWidget(Closebutton, 1, column);
  layout->addWidget(Cancelbutton, 1, column);
  PhoneGrid->setMinimumSize(PhoneGrid->fontMetrics().averageCharWidth() * 62, 240);
}

void TPhoneBook::connectCommands() {
  connect(Addbutton, &QPushButton::clicked, this, &TPhoneBook::AddbuttonClick);
  connect(Modifybutton, &QPushButton::clicked, this, &TPhoneBook::ModifyButtonClick);
  connect(Deletebutton, &QPushButton::clicked, this, &TPhoneBook::DeleteButtonClick);
  connect(OKButton, &QPushButton::clicked, this, &TPhoneBook::OKButtonClick);
  connect(Closebutton, &QPushButton::clicked, this, [this] { done(kModalCancel); });
  connect(Cancelbutton, &QPushButton::clicked, this, [this] { done(kModalCancel); });
  connect(Helpbutton, &QPushButton::clicked, this,
          [this] { ui::ShowHelpContext(ui::helpctx::PhoneBook, this); });
  ui::AddHelpKey(Helpbutton);
}

void TPhoneBook::SetMode(BrowseMode mode) {
  mode_ = mode;
  const bool pick = mode == BrowseMode::Picker;
  OKButton->setVisible(pick);
  Cancelbutton->setVisible(pick);
  Closebutton->setVisible(!pick);
  OKButton->setDefault(pick);
  Closebutton->setDefault(!pick);
  layout()->activate();
  setFixedSize(sizeHint());
}

// Nothing waits on pending events here: it runs while the window is being shown, when
// events let run could end the window before its modal loop starts.
void TPhoneBook::SetButtons() {
  const PhoneBookButtons states =
      PhoneBookButtonStates(PhoneBinding.queryRecCount(), mode_ == BrowseMode::Picker);
  Modifybutton->setEnabled(states.modify);
  Deletebutton->setEnabled(states.remove);
  if (OKButton->isVisibleTo(this)) OKButton->setEnabled(states.accept);
}

void TPhoneBook::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  SetButtons();
}

void TPhoneBook::reject() { done(kModalCancel); }

bool TPhoneBook::noEntry() { return PhoneBinding.queryRecCount() == 0; }

void TPhoneBook::AddbuttonClick() {
  {
    TPhoneBookEditor editor(this);
    ui::CenterFormDefault(&editor);
    // A refused write brings the editor back with its content, to try again.
    while (editor.exec() == kModalOk && !storeEntry(editor, true)) {
    }
  }
  SetButtons();
}

void TPhoneBook::ModifyButtonClick() {
  if (noEntry()) {
    ui::Beep();
    return;
  }
  TPhoneBookEditor editor(this);
  editor.Name->setText(ui::FieldText(PhoneTable, kName));
  editor.Number->setText(ui::FieldText(PhoneTable, kPhone));
  ui::CenterFormDefault(&editor);
  while (editor.exec() == kModalOk && !storeEntry(editor, false)) {
  }
}

void TPhoneBook::DeleteButtonClick() {
  if (noEntry()) {
    ui::Beep();
    return;
  }
  const QString question =
      QStringLiteral("Delete the current phone book entry?:\r") + ui::FieldText(PhoneTable, kName);
  if (ui::AskYesNoDefaultNo(question, QStringLiteral("Delete"))) {
    try {
      PhoneTable.deleteRecord();
    } catch (const std::exception& e) {
      ui::ReportFailure(e);
    }
  }
  refresh();
  SetButtons();
}

void TPhoneBook::OKButtonClick() {
  if (noEntry()) {
    ui::Beep();
    return;
  }
  ChosenName = ui::FieldText(PhoneTable, kName);
  ChosenNumber = ui::FieldText(PhoneTable, kPhone);
  done(kModalOk);
}

bool TPhoneBook::storeEntry(const TPhoneBookEditor& editor, bool append) {
  try {
    if (append)
      PhoneTable.append();
    else
      PhoneTable.edit();
    ui::PutFieldText(PhoneTable, kName, editor.Name->text());
    ui::PutFieldText(PhoneTable, kPhone, editor.Number->text());
    PhoneTable.post();
    return true;
  } catch (const std::exception& e) {
    PhoneTable.cancel();
    ui::ReportFailure(e);
  }
  refresh();  // a table that refused a write takes writes again once reopened
  return false;
}

void TPhoneBook::refresh() {
  try {
    store_.Refresh(PhoneTable, PhoneBinding);
  } catch (const std::exception& e) {
    ui::ReportFailure(e);
  }
}

std::optional<PhoneEntry> ShowPhoneBook(TComposeStore& store, QWidget* parent, BrowseMode mode) {
  TPhoneBook book(store, parent);
  std::string error;
  if (!book.OpenTable(&error)) {
    ui::ShowInfo(QString::fromStdString(error));
    return std::nullopt;
  }
  book.SetMode(mode);
  ui::CenterFormDefault(&book);
  if (book.exec() != kModalOk) return std::nullopt;
  return PhoneEntry{book.ChosenName, book.ChosenNumber};
}

}  // namespace compose
