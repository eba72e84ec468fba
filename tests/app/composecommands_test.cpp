// New, Edit and Clone through the real main window and fax editor: what is composed
// comes back unchanged, clones carry the "[clone]" subject, and cancelling stores nothing.
#include "app/assembly/richtextmemo.h"
#include "compose/enteredit.h"
#include "compose/faxeditor.h"
#include "mainwindow_fixture.h"
#include "richtext/richtext.h"
#include "support/failat.h"

#include <QPushButton>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <QToolButton>

#include <optional>

using testutil::MainWindowTest;

namespace {

// Runs `act` on the fax editor as soon as it is shown modally.
template <class Act>
void whenEditorShows(Act act) {
  QTimer::singleShot(0, [act] {
    testutil::waitFor(
        [] { return qobject_cast<compose::TFaxEditor*>(QApplication::activeModalWidget()); });
    if (auto* e = qobject_cast<compose::TFaxEditor*>(QApplication::activeModalWidget())) act(*e);
  });
}

struct Seen {
  QString recipient, subject, number, cover, doc;
  bool coverBold = false;
};

Seen look(compose::TFaxEditor& e) {
  Seen s;
  s.recipient = e.Recipient->text();
  s.subject = e.Subject->text();
  s.number = e.FaxNumber->text();
  s.cover = e.RichCover->PlainTextLines().join('\n');
  s.doc = e.RichDoc->PlainTextLines().join('\n');
  QTextCursor c(e.RichCover->document());
  c.movePosition(QTextCursor::NextCharacter);
  s.coverBold = c.charFormat().fontWeight() >= QFont::Bold;
  return s;
}

void compose_(compose::TFaxEditor& e, const QString& subject) {
  e.Recipient->setText("Zoë Müller");
  e.Subject->setText(subject);
  e.FaxNumber->setText("555 0199");
  e.RichCover->LoadRtf(
      "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0\\fs24 {\\b Cover for Zo\\'eb}\\par}");
  e.RichDoc->LoadRtf(
      "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0\\fs20 Line one\\par Line two\\par}");
  e.OKButton->click();
}

}  // namespace

TEST_F(MainWindowTest, ANewFaxIsStoredAndEditShowsItAgainUnchanged) {
  app::TMainScreen& w = open();
  whenEditorShows([](compose::TFaxEditor& e) { compose_(e, "Quarterly figures"); });
  find<QToolButton>("Newbutton")->click();
  ASSERT_EQ(rows("FaxGrid"), 1);
  EXPECT_EQ(row("FaxGrid", 0)[3], "Zoë Müller");
  EXPECT_EQ(row("FaxGrid", 0)[0], "No ");
  EXPECT_EQ(w.Store.FaxTable.table().getString("RECIPIENT"),
            "Zo\xeb M\xfcller");  // code page 1252 bytes
  EXPECT_TRUE(find<QToolButton>("SendButton")->isEnabled());

  Seen seen;
  whenEditorShows([&seen](compose::TFaxEditor& e) {
    seen = look(e);
    e.CancelButton->click();
  });
  find<QToolButton>("EditButton")->click();
  EXPECT_EQ(seen.recipient, "Zoë Müller");
  EXPECT_EQ(seen.subject, "Quarterly figures");
  EXPECT_EQ(seen.number, "555 0199");
  EXPECT_EQ(seen.cover, "Cover for Zoë");
  EXPECT_TRUE(seen.coverBold);
  EXPECT_EQ(seen.doc, "Line one\nLine two");
}

// A write the table refuses brings the editor back with everything in it; OK there stores it.
TEST_F(MainWindowTest, ARefusedWriteBringsTheFaxEditorBackWithItsContent) {
  app::TMainScreen& w = open();
  std::optional<testutil::FailAt> diskFull;
  diskFull.emplace(1, base::FaultInjector::Action::DiskFull, "BDL.FPT");
  whenEditorShows([](compose::TFaxEditor& e) { compose_(e, "Kept"); });
  Seen again;
  testutil::when(
      [this] {
        return !messages.empty() &&
               qobject_cast<compose::TFaxEditor*>(QApplication::activeModalWidget());
      },
      [&] {
        auto* e = qobject_cast<compose::TFaxEditor*>(QApplication::activeModalWidget());
        diskFull.reset();
        again = look(*e);
        e->OKButton->click();
      });
  find<QToolButton>("Newbutton")->click();
  EXPECT_EQ(messages.size(), 1u);
  EXPECT_EQ(again.subject, "Kept");
  EXPECT_EQ(again.doc, "Line one\nLine two");
  ASSERT_EQ(rows("FaxGrid"), 1);
  EXPECT_EQ(w.Store.FaxTable.table().getString("SUBJECT"), "Kept");
}

TEST_F(MainWindowTest, EditStoresChangesAndCancelStoresNothing) {
  addOutgoing({{"old subject", "Ann", "1", "", "", false}});
  app::TMainScreen& w = open();
  Seen untouched;
  whenEditorShows([&untouched](compose::TFaxEditor& e) {
    untouched = look(e);  // memos never written: empty panes
    e.Subject->setText("dropped");
    e.CancelButton->click();
  });
  find<QToolButton>("EditButton")->click();
  EXPECT_EQ(untouched.cover, "");
  EXPECT_EQ(untouched.doc, "");
  EXPECT_EQ(w.Store.FaxTable.table().getString("SUBJECT"), "old subject");

  whenEditorShows([](compose::TFaxEditor& e) {
    e.Subject->setText("new subject");
    e.RichDoc->LoadRtf("{\\rtf1\\ansi Body\\par}");
    e.OKButton->click();
  });
  find<QToolButton>("EditButton")->click();
  EXPECT_EQ(w.Store.FaxTable.table().getString("SUBJECT"), "new subject");
  EXPECT_EQ(w.Store.FaxTable.table().recCount(), 1u);
  EXPECT_NE(w.Store.FaxTable.table().getMemo("RTFDOC").find("Body"), std::string::npos);
}

TEST_F(MainWindowTest, CloneCopiesEverythingWithTheCloneSubjectCutToTheField) {
  app::TMainScreen& w = open();
  whenEditorShows([](compose::TFaxEditor& e) { compose_(e, QString(48, 's')); });
  find<QToolButton>("Newbutton")->click();

  Seen cloned;
  whenEditorShows([&cloned](compose::TFaxEditor& e) {
    cloned = look(e);
    e.OKButton->click();
  });
  find<QToolButton>("CloneButton")->click();
  EXPECT_FALSE(w.CloneMode);
  EXPECT_EQ(cloned.subject, "[clone]" + QString(43, 's'));
  EXPECT_EQ(cloned.recipient, "Zoë Müller");
  EXPECT_EQ(cloned.number, "555 0199");
  EXPECT_EQ(cloned.cover, "Cover for Zoë");
  EXPECT_TRUE(cloned.coverBold);
  EXPECT_EQ(cloned.doc, "Line one\nLine two");
  ASSERT_EQ(rows("FaxGrid"), 2);
  EXPECT_EQ(w.Store.FaxTable.table().recCount(), 2u);
}

TEST_F(MainWindowTest, CancellingANewFaxAddsNoRecord) {
  app::TMainScreen& w = open();
  whenEditorShows([](compose::TFaxEditor& e) {
    e.Subject->setText("never");
    e.CancelButton->click();
  });
  find<QToolButton>("Newbutton")->click();
  EXPECT_EQ(w.Store.FaxTable.table().recCount(), 0u);
  EXPECT_EQ(rows("FaxGrid"), 0);
}
