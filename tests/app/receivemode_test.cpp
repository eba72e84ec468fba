// Receive mode without a call: the status line during a call, and fax files of the receive
// folder that have no row (after an append that failed, or a program that ended first),
// offered at the next start and by Rebuild Indexes.
#include "app/mainwindow/receiverules.h"
#include "brx_builder.h"
#include "faxcodes/texts.h"
#include "faxengine/fax_types.h"
#include "faximage/brx_format.h"
#include "mainwindow_fixture.h"
#include "settings/appsettings.h"
#include "support/failat.h"

#include <QAction>
#include <QToolButton>

#include <filesystem>
#include <fstream>
#include <iterator>

namespace {

namespace progress = faxengine::progress;
using testutil::MainWindowTest;

TEST(ReceiveStatusLine, NamesTheSenderAndPageOnceKnownAndShowsNoAbort) {
  const QString getting = QString::fromUtf8(faxcodes::statusText(progress::kGettingPage)).trimmed();
  EXPECT_EQ(app::ReceiveStatusText(progress::kGettingPage, "", 0), getting);
  EXPECT_EQ(app::ReceiveStatusText(progress::kGettingPage, " 555 1234 ", 2),
            getting + " from: 555 1234, page 2");
  EXPECT_EQ(app::ReceiveStatusText(progress::kUserAbort, "555 1234", 1), "");
  // Before the first page there is no "page 0".
  EXPECT_EQ(app::ReceiveStatusText(progress::kConnectionParams, "SENDER 1", 0),
            QString::fromUtf8(faxcodes::statusText(progress::kConnectionParams)).trimmed() +
                " from: SENDER 1");
}

// The receiver takes the init string of each start of receive mode: one cleared in
// Preferences is cleared there too. The port leads nowhere, so each start ends at once.
TEST_F(MainWindowTest, ReceiveModeTakesTheInitStringOfEachStart) {
  dir.write("BDL.INI", "[Modem]\r\nComPort=0\r\nInitStringReceive=S7=40\r\n"
                       "[Ports]\r\nCom1=/nonexistent/ttyFAX\r\n");
  app::TMainScreen& w = open();
  w.ReceiveButton->click();
  EXPECT_EQ(w.FxReceiveFax1.ModemInit(), "ATS7=40");
  settings::AppSettings.InitStringReceive.clear();
  w.ReceiveButton->click();
  EXPECT_EQ(w.FxReceiveFax1.ModemInit(), "");
  EXPECT_FALSE(w.ReceiveMode);
}

// Writes a fax file of `pages` one-line pages into the receive folder.
void writeFax(const std::string& name, int pages, const std::string& sender = "",
              std::uint32_t fileDate = 0) {
  std::filesystem::create_directories(app::ReceiveDir());
  faximage::MonoBitmap line(1728, 1);
  line.setPixel(10, 0, true);
  ASSERT_EQ(faximage::test::writeBrx(app::ReceiveDir() + "/" + name,
                                     std::vector<faximage::test::BitmapPage>(size_t(pages), {line}),
                                     sender, fileDate),
            0);
}

class UnlistedFaxes : public MainWindowTest {
 protected:
  std::string field(const char* name) { return window->Store.RecTable.table().getString(name); }
  // Selects the received row of the file.
  bool goToFile(const std::string& file) {
    tables::Cursor& c = window->Store.RecTable;
    for (c.first(); !c.eof(); c.next())
      if (field("FAXFILE") == file) return true;
    return false;
  }
  void rebuildIndexes() { window->mnuRebuildIndexes->trigger(); }
};

TEST_F(UnlistedFaxes, AreOfferedAtStartAndByRebuildIndexesAndListedFromTheirHeaders) {
  addReceived({{"20240101", "09:00", "LISTED", "FAX0001.BRX", "", 1}});
  writeFax("FAX0001.BRX", 1);
  // More pages than the list's column holds; the file keeps them all.
  writeFax("FAX0002.BRX", 120, "555 1234", faximage::packFileDate({2024, 3, 5, 14, 7, 0}));
  writeFax("FAX0003.BRX", 0);
  std::ofstream(app::ReceiveDir() + "/FAX0004.BRX") << "not a fax";
  writeFax("FAX0005.BRX", 2);
  std::filesystem::resize_file(app::ReceiveDir() + "/FAX0005.BRX", 100);  // cut short

  answer = ui::mb::IdNo;
  open();
  ASSERT_EQ(messages.size(), 1u);
  for (const char* name : {"FAX0001", "FAX0003", "FAX0004", "FAX0005"})
    EXPECT_FALSE(messages[0].first.contains(name)) << name;
  EXPECT_TRUE(messages[0].first.contains("FAX0002.BRX"));
  EXPECT_EQ(rows("RecFaxGrid"), 1);

  answer = ui::mb::IdYes;
  rebuildIndexes();
  ASSERT_EQ(messages.size(), 2u);
  EXPECT_EQ(rows("RecFaxGrid"), 2);
  ASSERT_TRUE(goToFile("FAX0002.BRX"));
  EXPECT_EQ(field("FROM"), "555 1234");
  EXPECT_EQ(window->Store.RecTable.table().getNumber("PAGES"), 99);
  EXPECT_EQ(field("DATEREC"), "20240305");
  EXPECT_EQ(field("TIMEREC"), "14:07");

  rebuildIndexes();
  EXPECT_EQ(messages.size(), 2u) << "nothing left to offer";
}

TEST_F(UnlistedFaxes, AFaxWhoseRowCannotBeWrittenIsNamedAndKeptAndTheNextIsListed) {
  app::TMainScreen& w = open();
  auto arrive = [&w](const std::string& name) {
    w.FxReceiveFax1.SetFaxFile(app::ReceiveDir() + "/" + name);
    w.FxReceiveFax1FaxLog(faxengine::lfaxReceiveStart);
    w.FxReceiveFax1FaxLog(faxengine::lfaxReceiveOk);
  };
  writeFax("FAX0001.BRX", 2, "HEAD OFFICE");
  {
    testutil::FailAt diskFull(1, base::FaultInjector::Action::DiskFull);
    arrive("FAX0001.BRX");
    ASSERT_TRUE(testutil::waitFor([this] { return !messages.empty(); }));
  }
  EXPECT_TRUE(messages[0].first.contains("FAX0001.BRX"));
  EXPECT_TRUE(std::filesystem::exists(app::ReceiveDir() + "/FAX0001.BRX"));
  EXPECT_EQ(rows("RecFaxGrid"), 0);

  writeFax("FAX0002.BRX", 1);
  arrive("FAX0002.BRX");
  ASSERT_TRUE(testutil::waitFor([this] { return rows("RecFaxGrid") == 1; }));

  rebuildIndexes();
  ASSERT_EQ(messages.size(), 2u);
  EXPECT_TRUE(messages[1].first.contains("FAX0001.BRX"));
  EXPECT_FALSE(messages[1].first.contains("FAX0002.BRX"));
  ASSERT_TRUE(goToFile("FAX0001.BRX"));
  EXPECT_EQ(field("FROM"), "HEAD OFFICE");
  EXPECT_EQ(window->Store.RecTable.table().getNumber("PAGES"), 2);
}

TEST_F(UnlistedFaxes, PdfCopiesOfEachFaxGoToTheChosenFolderWithoutReplacingAnother) {
  app::TMainScreen& w = open();
  const std::string folder = dir.path("pdf copies");
  settings::AppSettings.SavePdfOnReceipt = true;
  settings::AppSettings.SavePdfFolder = folder;
  std::filesystem::create_directories(folder);
  { std::ofstream(folder + "/FAX0001.pdf") << "someone else's"; }
  writeFax("FAX0001.BRX", 3, "HEAD OFFICE");
  w.FxReceiveFax1.SetFaxFile(app::ReceiveDir() + "/FAX0001.BRX");
  w.FxReceiveFax1FaxLog(faxengine::lfaxReceiveStart);
  w.FxReceiveFax1FaxLog(faxengine::lfaxReceiveOk);
  ASSERT_TRUE(testutil::waitFor([this] { return rows("RecFaxGrid") == 1; }));
  std::ifstream copy(folder + "/FAX0001-2.pdf", std::ios::binary);
  const std::string pdf((std::istreambuf_iterator<char>(copy)), std::istreambuf_iterator<char>());
  EXPECT_EQ(pdf.rfind("%PDF-", 0), 0u);
  EXPECT_NE(pdf.find("/Count 3"), std::string::npos);
  std::ifstream other(folder + "/FAX0001.pdf");
  EXPECT_EQ(std::string((std::istreambuf_iterator<char>(other)), std::istreambuf_iterator<char>()),
            "someone else's");
  EXPECT_TRUE(messages.empty());
}

}  // namespace
