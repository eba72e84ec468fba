// Damaged table files at start-up: copied aside, named in a message, mended so that what can
// be read opens; a table that cannot be read at all still closes the program.
#include "faxpages.h"
#include "mainwindow_fixture.h"

#include <QToolButton>

#include <filesystem>
#include <fstream>

using testutil::MainWindowTest;

namespace {

namespace fs = std::filesystem;

class DamagedTables : public MainWindowTest {
 protected:
  // Three outgoing faxes with cover and document; their subjects are "one" to "three".
  void addThreeFaxes() {
    for (const char* subject : {"one", "two", "three"})
      testutil::AddOutgoingWithText(subject, "", testutil::CoverRtf(), testutil::ThreePageRtf());
  }
  std::vector<std::string> copiesOf(const std::string& name) const {
    std::vector<std::string> found;
    for (const auto& e : fs::directory_iterator(settings::ProgramDir()))
      if (e.path().filename().string().rfind(name + ".damaged-", 0) == 0)
        found.push_back(e.path().string());
    return found;
  }
  QString allMessages() const {
    QString all;
    for (const auto& [text, caption] : messages) all += text + QLatin1Char('\n');
    return all;
  }
  QStringList subjects() {
    QStringList s;
    for (int r = 0; r < rows("FaxGrid"); ++r) s << row("FaxGrid", r)[6];
    return s;
  }
};

TEST_F(DamagedTables, AMissingMemoFileKeepsTheFaxesAndTheirTextsSayTheyWereLost) {
  addThreeFaxes();
  ASSERT_TRUE(fs::remove(dir.path("BDL.FPT")));
  app::TMainScreen& w = open();
  ASSERT_TRUE(w.isVisible()) << allMessages().toStdString();
  const QString said = allMessages();
  EXPECT_TRUE(said.contains("BDL.FPT")) << said.toStdString();
  ASSERT_EQ(copiesOf("BDL.DBF").size(), 1u);
  EXPECT_TRUE(said.contains(QString::fromStdString(fs::path(copiesOf("BDL.DBF")[0]).filename())));
  for (const auto& [text, caption] : messages) EXPECT_LE(text.size(), 255);
  EXPECT_FALSE(said.contains("closing program"));

  EXPECT_EQ(rows("FaxGrid"), 3);
  EXPECT_TRUE(subjects().contains("two"));
  const std::string doc = w.Store.FaxTable.table().getMemo("RTFDOC");
  EXPECT_NE(doc.find("lost"), std::string::npos) << doc;
  EXPECT_EQ(w.Store.FaxTable.table().getMemo("RTFCOVER"), "");

  // The mended table is an ordinary one again: the index rebuild runs over it.
  messages.clear();
  w.mnuRebuildIndexes->trigger();
  EXPECT_TRUE(messages.empty());
  EXPECT_EQ(rows("FaxGrid"), 3);
}

TEST_F(DamagedTables, AnEmptyMemoFileIsCopiedAsideToo) {
  addThreeFaxes();
  std::ofstream(dir.path("BDL.FPT"), std::ios::trunc);
  app::TMainScreen& w = open();
  ASSERT_TRUE(w.isVisible());
  EXPECT_EQ(copiesOf("BDL.FPT").size(), 1u);
  EXPECT_EQ(rows("FaxGrid"), 3);
}

TEST_F(DamagedTables, ADataFileCutShortSaysHowManyRecordsItCountedAndKeepsTheRest) {
  addThreeFaxes();
  const auto size = fs::file_size(dir.path("BDL.DBF"));
  fs::resize_file(dir.path("BDL.DBF"), size - 200);  // into the third record
  app::TMainScreen& w = open();
  ASSERT_TRUE(w.isVisible());
  const QString said = allMessages();
  EXPECT_TRUE(said.contains("counts 3 records but only 2")) << said.toStdString();
  EXPECT_EQ(copiesOf("BDL.DBF").size(), 1u);
  EXPECT_EQ(fs::file_size(copiesOf("BDL.DBF")[0]), size - 200);
  EXPECT_EQ(rows("FaxGrid"), 2);
}

TEST_F(DamagedTables, ABadDeletionMarkIsReadAsNotDeleted) {
  addThreeFaxes();
  {
    std::fstream f(dir.path("BDL.DBF"), std::ios::in | std::ios::out | std::ios::binary);
    char header[12];
    f.read(header, sizeof header);
    const int headerLength = std::uint8_t(header[8]) | std::uint8_t(header[9]) << 8;
    f.seekp(headerLength);
    f.put('#');
  }
  app::TMainScreen& w = open();
  ASSERT_TRUE(w.isVisible());
  EXPECT_TRUE(allMessages().contains("deletion mark")) << allMessages().toStdString();
  EXPECT_EQ(rows("FaxGrid"), 3);
}

TEST_F(DamagedTables, ATableThatCannotBeReadIsCopiedAndTheProgramCloses) {
  dir.write("BDL.DBF", std::string(40, '\x03'));  // a header that cannot be right
  app::TMainScreen& w = open();
  ASSERT_GE(messages.size(), 2u);
  const QString said = allMessages();
  EXPECT_TRUE(said.contains("BDL.DBF")) << said.toStdString();
  ASSERT_EQ(copiesOf("BDL.DBF").size(), 1u);
  EXPECT_TRUE(said.contains(QString::fromStdString(fs::path(copiesOf("BDL.DBF")[0]).filename())));
  EXPECT_EQ(messages.back().first, "Unable to open/create the FAX datafile - closing program");
  EXPECT_TRUE(testutil::waitFor([&w] { return !w.isVisible(); }));
}

}  // namespace
