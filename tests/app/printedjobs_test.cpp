// Jobs printed to the Brindle printer open as new faxes in the real main window: those
// waiting at start and those arriving while it runs (also when the user's spool folder and
// the spool root appear only then), the printed pages as the document and the title as the subject.
// A job goes when its fax is stored; on Cancel the user decides whether it stays for later.
#include "app/mainwindow/printedjobs.h"
#include "mainwindow_fixture.h"
#include "printededitor.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdlib>

using testutil::MainWindowTest;
using testutil::Opened;
using testutil::WhenEditorOpens;

namespace {

class PrintedJobsTest : public MainWindowTest {
 protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    // The spool root is made with the first job printed on the machine.
    qputenv("BRINDLE_SPOOL_DIR", (spool.path() + "/spool").toLocal8Bit());
    folder = app::PrintedJobs::UserFolder();
  }
  void TearDown() override {
    MainWindowTest::TearDown();
    qunsetenv("BRINDLE_SPOOL_DIR");
  }

  // A two-page PDF, as the backend leaves it: written under a dot name, then renamed.
  QString Print(const QString& name) {
    QDir().mkpath(folder);
    const QString part = folder + "/.part";
    const QString cmd = QStringLiteral(
                            "gs -q -dSAFER -sDEVICE=pdfwrite -o '%1' -c '72 600 200 100 rectfill "
                            "showpage 72 72 100 100 rectfill showpage'")
                            .arg(part);
    EXPECT_EQ(std::system(cmd.toLocal8Bit().constData()), 0);
    const QString job = folder + "/" + name;
    EXPECT_TRUE(QFile::rename(part, job));
    return job;
  }

  QTemporaryDir spool;
  QString folder;
};

TEST_F(PrintedJobsTest, AJobWaitingAtStartBecomesTheStoredFaxAndGoes) {
  const QString job = Print(QStringLiteral("12 Invoice 2041.pdf"));
  Opened opened;
  WhenEditorOpens(opened, true);
  app::TMainScreen& w = open();
  testutil::waitFor([&] { return opened.seen && !QFile::exists(job); }, 120000);
  EXPECT_EQ(opened.subject, "Invoice 2041");
  EXPECT_EQ(opened.pictures, 2);
  EXPECT_TRUE(opened.fromStart);
  ASSERT_EQ(w.Store.FaxTable.table().recCount(), 1u);
  EXPECT_EQ(w.Store.FaxTable.table().getString("SUBJECT"), "Invoice 2041");
  EXPECT_FALSE(QFile::exists(job));
}

TEST_F(PrintedJobsTest, JobsPrintedWhileRunningOpenAndCancelKeepsThemOnlyWhenAsked) {
  app::TMainScreen& w = open();  // no spool folders yet: the first job makes them
  struct Case {
    const char* name;
    int answer;
    bool kept;
  } cases[] = {{"20 Kept.pdf", ui::mb::IdYes, true}, {"21 Dropped.pdf", ui::mb::IdNo, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    answer = c.answer;
    messages.clear();
    Opened opened;
    WhenEditorOpens(opened, false);
    const QString job = Print(QString::fromLatin1(c.name));
    testutil::waitFor([&] { return !messages.empty(); }, 120000);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].first.indexOf(QStringLiteral("later")), -1);
    EXPECT_TRUE(opened.seen);
    EXPECT_EQ(opened.pictures, 2);
    EXPECT_EQ(QFile::exists(job), c.kept);
  }
  EXPECT_EQ(w.Store.FaxTable.table().recCount(), 0u);
}

}  // namespace
