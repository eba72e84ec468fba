// The View command of both lists: a received fax opens its stored file from the receive
// folder and nowhere else; an outgoing fax is rendered into a temporary file that is gone
// once the viewer closes.
#include "app/assembly/faxassembly.h"
#include "app/store/faxstore.h"
#include "brx_builder.h"
#include "faximage/viewer/fxfaxviewer.h"
#include "faxpages.h"
#include "mainwindow_fixture.h"
#include "windows/faxviewer.h"

#include <QLabel>
#include <QToolBar>
#include <QToolButton>

#include <filesystem>

namespace {

class ViewCommandTest : public testutil::MainWindowTest {
 protected:
  // Makes the row showing `text` in some column the current one.
  void selectRowWith(const char* grid, const QString& text) {
    for (int r = 0; r < rows(grid); ++r)
      for (const QString& cell : row(grid, r))
        if (cell.contains(text)) return selectRow(grid, r);
    ADD_FAILURE() << "no row shows " << text.toStdString();
  }
};

// Watches for the viewer while a command runs (without blocking the command's own message
// pumping); once the viewer has loaded it records what it shows and closes it.
class ViewerWatch {
 public:
  ViewerWatch() {
    QObject::connect(&timer_, &QTimer::timeout, [this] { look(); });
    timer_.start(10);
  }
  std::string file;
  QString header;
  int pages = -1;
  bool fileThere = false;

 private:
  void look() {
    auto* v = qobject_cast<windows::TFaxViewer*>(QApplication::activeModalWidget());
    if (!v || v->StatusPanel->text().endsWith("...")) return;
    timer_.stop();
    file = v->FaxFileName;
    header = v->HeaderText;
    pages = v->FaxViewer->NumPages();
    fileThere = std::filesystem::exists(file);
    v->CloseButton->click();
  }
  QTimer timer_;
};

bool sameFile(const std::string& a, const std::string& b) {
  std::error_code ec;
  return std::filesystem::equivalent(a, b, ec);
}

// A received fax file of `pages` small pages in the receive folder.
void writeReceivedFile(const std::string& name, int pages) {
  std::filesystem::create_directories(app::ReceiveDir());
  faximage::MonoBitmap page(1728, 40);
  for (int x = 100; x < 300; ++x) page.setPixel(x, 20, true);
  ASSERT_EQ(faximage::test::writeBrx(app::ReceiveDir() + "/" + name,
                                     std::vector<faximage::test::BitmapPage>(size_t(pages), {page})),
            0);
}

}  // namespace

TEST_F(ViewCommandTest, ViewOnAReceivedFaxOpensOnlyItsFileInTheReceiveFolder) {
  addReceived({{"20260105", "9:30", "Head Office ", "FAX00001.BRX", "", 2},
               {"20260106", "10:00", "Elsewhere", "../BDL.DBF", "", 1},
               {"20260107", "11:00", "Gone", "FAX00003.BRX", "", 1}});
  writeReceivedFile("FAX00001.BRX", 2);
  writeReceivedFile("BDL.DBF", 1);  // a same-named file inside the folder is the one meant
  open();
  selectTab(1);
  selectRowWith("RecFaxGrid", "Head Office");
  ViewerWatch seen;
  find<QToolButton>("ViewFaxButton")->click();
  EXPECT_EQ(seen.pages, 2);
  EXPECT_TRUE(sameFile(seen.file, app::ReceiveDir() + "/FAX00001.BRX"));
  EXPECT_TRUE(seen.header.startsWith("From: Head Office" + QString(13, ' ') + "Received: "));
  EXPECT_TRUE(seen.header.endsWith("Fax File: " + QString::fromStdString(seen.file)));
  EXPECT_TRUE(std::filesystem::exists(seen.file)) << "a received fax stays after viewing";

  // A stored name reaching outside the receive folder opens the file of that name inside it.
  selectRowWith("RecFaxGrid", "Elsewhere");
  ViewerWatch other;
  find<QToolButton>("ViewFaxButton")->click();
  EXPECT_TRUE(sameFile(other.file, app::ReceiveDir() + "/BDL.DBF"));

  // A missing file says so and opens no viewer.
  selectRowWith("RecFaxGrid", "Gone");
  messages.clear();
  find<QToolButton>("ViewFaxButton")->click();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].first, "Fax file is missing");
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  EXPECT_TRUE(window->status->text().isEmpty());
}

TEST_F(ViewCommandTest, ViewOnAnOutgoingFaxShowsItsRenderingAndRemovesItAfterwards) {
  testutil::AddOutgoingWithText("Plans", "20260108", testutil::CoverRtf(),
                                testutil::ThreePageRtf());
  testutil::AddOutgoingWithText("Empty", "", "", "");
  open();
  selectRowWith("FaxGrid", "Plans");
  ViewerWatch seen;
  find<QToolButton>("ViewFaxButton")->click();
  EXPECT_EQ(seen.pages, 4);
  EXPECT_TRUE(seen.fileThere);
  EXPECT_FALSE(std::filesystem::exists(seen.file)) << "the rendering is removed on close";
  EXPECT_TRUE(seen.header.startsWith("To: Receiving Office" + QString(13, ' ') + "Subject: Plans" +
                                     QString(13, ' ') + "Sent: "));
  EXPECT_TRUE(window->ButtonBar->isEnabled());

  // A fax with nothing in it builds no file and opens no viewer; View and Send say why in
  // one message.
  selectRowWith("FaxGrid", "Empty");
  for (const char* command : {"ViewFaxButton", "SendButton"}) {
    messages.clear();
    find<QToolButton>(command)->click();
    ASSERT_EQ(messages.size(), 1u) << command;
    EXPECT_EQ(messages[0].first, app::AssemblyErrorText(app::kFaxHasNoContents)) << command;
  }
}
