// The phone book through the real main window and fax editor: entries in name order,
// edited, deleted and picked; accented names and numbers at the table edge; a failed
// write that leaves the table usable.
#include "compose/phonebook.h"
#include "compose/enteredit.h"
#include "compose/faxeditor.h"
#include "compose/phonebookeditor.h"
#include "mainwindow_fixture.h"
#include "support/failat.h"

#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>

#include <optional>

using compose::TFaxEditor;
using compose::TPhoneBook;
using compose::TPhoneBookEditor;
using testutil::MainWindowTest;
using testutil::whenModal;

namespace {

void addEntry(TPhoneBook& b, const QString& name, const QString& number) {
  whenModal<TPhoneBookEditor>([name, number](TPhoneBookEditor& e) {
    e.Name->setText(name);
    e.Number->setText(number);
    e.OKButton->click();
  });
  b.Addbutton->click();
}

QStringList names(TPhoneBook& b) {
  QStringList out;
  QAbstractItemModel* m = b.PhoneGrid->model();
  for (int r = 0; r < m->rowCount(); ++r) out << m->index(r, 0).data().toString();
  return out;
}

void selectName(TPhoneBook& b, const QString& name) {
  QAbstractItemModel* m = b.PhoneGrid->model();
  b.PhoneGrid->selectionModel()->setCurrentIndex(
      m->index(int(names(b).indexOf(name)), 0),
      QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

bool entryCommandsEnabled(TPhoneBook& b) {
  return b.Modifybutton->isEnabled() && b.Deletebutton->isEnabled();
}

}  // namespace

TEST_F(MainWindowTest, PhoneBookKeepsEntriesInNameOrderThroughEditsAndDeletes) {
  app::TMainScreen& w = open();
  bool emptyAtFirst = false, enabledAfterFirst = false, emptyAtLast = true;
  QStringList added, edited, afterNo, afterYes;
  QString question;
  whenModal<TPhoneBook>([&](TPhoneBook& b) {
    EXPECT_TRUE(b.Closebutton->isVisible());
    EXPECT_FALSE(b.OKButton->isVisible());
    emptyAtFirst = !b.Modifybutton->isEnabled() && !b.Deletebutton->isEnabled();
    addEntry(b, QStringLiteral("Walter"), QStringLiteral("555 0101"));
    enabledAfterFirst = entryCommandsEnabled(b);
    addEntry(b, QStringLiteral("Anna"), QStringLiteral("555 0102"));
    addEntry(b, QStringLiteral("Maria"), QStringLiteral("555 0103"));
    added = names(b);

    selectName(b, QStringLiteral("Anna"));
    whenModal<TPhoneBookEditor>([](TPhoneBookEditor& e) {
      EXPECT_EQ(e.Name->text(), "Anna");
      EXPECT_EQ(e.Number->text(), "555 0102");
      e.Name->setText(QStringLiteral("Zora"));
      e.OKButton->click();
    });
    b.Modifybutton->click();
    edited = names(b);

    selectName(b, QStringLiteral("Maria"));
    answer = ui::mb::IdNo;
    b.Deletebutton->click();
    question = messages.back().first;
    afterNo = names(b);
    answer = ui::mb::IdYes;
    b.Deletebutton->click();
    afterYes = names(b);
    b.Deletebutton->click();
    b.Deletebutton->click();
    emptyAtLast = entryCommandsEnabled(b);
    b.Closebutton->click();
  });
  w.mnuPhoneBook->trigger();

  EXPECT_TRUE(emptyAtFirst);
  EXPECT_TRUE(enabledAfterFirst);
  EXPECT_EQ(added, (QStringList{"Anna", "Maria", "Walter"}));
  EXPECT_EQ(edited, (QStringList{"Maria", "Walter", "Zora"}));
  EXPECT_TRUE(question.endsWith("\rMaria")) << question.toStdString();
  EXPECT_EQ(afterNo, edited);
  EXPECT_EQ(afterYes, (QStringList{"Walter", "Zora"}));
  EXPECT_FALSE(emptyAtLast);
}

TEST_F(MainWindowTest, PickingAnEntryFillsTheFaxAndCancelLeavesItAlone) {
  appendTo(app::PhoneTable(), [](tables::Table& t) {
    t.append();
    t.putString("NAME", "\xC9mile Zo\xEB");  // code page 1252, as the table holds it
    t.putString("PHONE", "+33 1 23 \xB7 45");
    t.post();
  });
  app::TMainScreen& w = open();
  QString afterCancel, afterEscape, pickedName, pickedNumber;
  whenModal<TFaxEditor>([&](TFaxEditor& e) {
    e.Recipient->setText(QStringLiteral("typed"));
    whenModal<TPhoneBook>([](TPhoneBook& b) {
      EXPECT_FALSE(b.Closebutton->isVisible());
      EXPECT_TRUE(b.OKButton->isEnabled());
      b.Cancelbutton->click();
    });
    e.AddressButton->click();
    afterCancel = e.Recipient->text();
    whenModal<TPhoneBook>([](TPhoneBook& b) { b.reject(); });
    e.AddressButton->click();
    afterEscape = e.Recipient->text();
    whenModal<TPhoneBook>([](TPhoneBook& b) { b.OKButton->click(); });
    e.AddressButton->click();
    pickedName = e.Recipient->text();
    pickedNumber = e.FaxNumber->text();
    e.OKButton->click();
  });
  w.Newbutton->click();

  EXPECT_EQ(afterCancel, "typed");
  EXPECT_EQ(afterEscape, "typed");
  EXPECT_EQ(pickedName, "Émile Zoë");
  EXPECT_EQ(pickedNumber, "+33 1 23 · 45");
  EXPECT_EQ(w.Store.FaxTable.table().getString("RECIPIENT"), "\xC9mile Zo\xEB");
}

TEST_F(MainWindowTest, AFailedWriteIsReportedAndTheEditorComesBackToTryAgain) {
  app::TMainScreen& w = open();
  QStringList afterRetry;
  QString shownAgain;
  std::size_t reports = 0;
  whenModal<TPhoneBook>([&](TPhoneBook& b) {
    std::optional<testutil::FailAt> fullDisk;
    fullDisk.emplace(1, base::FaultInjector::Action::DiskFull);
    // The refused entry's editor comes back with what was typed; OK stores it this time.
    testutil::when([&] { return !messages.empty() && QApplication::activeModalWidget() != &b; },
                   [&] {
                     auto* e = qobject_cast<TPhoneBookEditor*>(QApplication::activeModalWidget());
                     ASSERT_TRUE(e);
                     fullDisk.reset();
                     reports = messages.size();
                     shownAgain = e->Name->text() + " " + e->Number->text();
                     e->OKButton->click();
                   });
    addEntry(b, QStringLiteral("Jürgen"), QStringLiteral("0049 30"));
    afterRetry = names(b);
    b.Closebutton->click();
  });
  w.mnuPhoneBook->trigger();

  EXPECT_EQ(reports, 1u);
  EXPECT_TRUE(messages.front().first.contains("BDLPB")) << messages.front().first.toStdString();
  EXPECT_EQ(shownAgain, "Jürgen 0049 30");
  EXPECT_EQ(afterRetry, QStringList{"Jürgen"});
  tables::Table t;
  t.open(settings::ProgramDir(), "BDLPB.DBF");
  EXPECT_EQ(t.queryRecCount(), 1u);
  t.first();
  EXPECT_EQ(t.getString("NAME"), "J\xFCrgen");
}
