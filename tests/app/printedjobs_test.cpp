// Jobs printed to the Brindle printer open as new faxes in the real main window: those
// waiting at start and those arriving while it runs (also when the user's spool folder
// appears only then), the printed pages as the document and the title as the subject. A job
// goes when its fax is stored; on Cancel the user decides whether it stays for later.
#include "app/mainwindow/printedjobs.h"
#include "compose/enteredit.h"
#include "compose/faxeditor.h"
#include "mainwindow_fixture.h"
#include "richtext/codec/rtfreader.h"
#include "richtext/richtext.h"

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdlib>

using testutil::MainWindowTest;

namespace {

struct Opened {
  QString subject;
  int pictures = 0;
  bool seen = false;
};

// Pictures of the pane as it is stored.
int PicturesIn(richtext::TRichText* pane) {
  int n = 0;
  for (const richtext::RtfParagraph& p : richtext::ReadRtf(pane->SaveRtf().toStdString()).paragraphs)
    for (const richtext::RtfInline& item : p.items) n += item.kind == richtext::RtfInline::Kind::Picture;
  return n;
}

// Looks at the next fax editor that opens and leaves it with OK or Cancel. The editor opens
// from the window's own timers, so a polling timer answers it from inside its loop.
void WhenEditorOpens(Opened& opened, bool ok) {
  auto* timer = new QTimer;
  QObject::connect(timer, &QTimer::timeout, [timer, &opened, ok] {
    auto* e = qobject_cast<compose::TFaxEditor*>(QApplication::activeModalWidget());
    if (!e || !e->isVisible()) return;
    timer->stop();
    timer->deleteLater();
    opened = {e->Subject->text(), PicturesIn(e->RichDoc), true};
    if (!ok) return e->CancelButton->click();  // untouched: the editor asks nothing
    e->Recipient->setText(QStringLiteral("Accounts"));
    e->FaxNumber->setText(QStringLiteral("555 0142"));
    e->OKButton->click();
  });
  timer->start(50);
}

class PrintedJobsTest : public MainWindowTest {
 protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    qputenv("BRINDLE_SPOOL_DIR", spool.path().toLocal8Bit());
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
  ASSERT_EQ(w.Store.FaxTable.table().recCount(), 1u);
  EXPECT_EQ(w.Store.FaxTable.table().getString("SUBJECT"), "Invoice 2041");
  EXPECT_FALSE(QFile::exists(job));
}

TEST_F(PrintedJobsTest, JobsPrintedWhileRunningOpenAndCancelKeepsThemOnlyWhenAsked) {
  app::TMainScreen& w = open();  // no spool folder yet: the first job makes it
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
