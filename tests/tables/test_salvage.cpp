// Damaged tables: what an open refuses, and what salvage copies aside, mends and keeps.
#include "tables/salvage.h"

#include "base/bytes.h"
#include "test_support.h"

#include <filesystem>

namespace tables::test {
namespace {

namespace fs = std::filesystem;
using Outcome = SalvageReport::Outcome;

constexpr const char* kStamp = "20240307-101500";

class Salvage : public ::testing::Test {
 protected:
  void SetUp() override {
    makeOutgoing(dir.path(), 20);
    before = dumpRecords(dir.path(), "BDL.DBF");
  }
  // Salvage right after an open refused the table, as a program does: the refused open
  // must have let go of the files and their lock.
  SalvageReport salvageRefused() {
    Table refused;
    EXPECT_THROW(refused.open(dir.path(), "BDL.DBF"), TableError);
    return salvage();
  }
  SalvageReport salvage() { return SalvageTable(dir.path(), "BDL.DBF", kStamp); }
  // The record as dumped, without its memo fields.
  static std::string withoutMemos(const std::string& line) {
    return line.substr(0, line.find("|RTFCOVER="));
  }
  std::size_t headerLength() { return base::le16(&readFile(dir.file("BDL.DBF"))[8]); }

  ScratchDir dir;
  std::vector<std::string> before;
};

TEST_F(Salvage, AMissingOrEmptyMemoFileGivesEmptyMemosAndKeepsEveryOtherField) {
  for (bool missing : {true, false}) {
    SCOPED_TRACE(missing ? "missing" : "empty");
    if (missing)
      fs::remove(dir.file("BDL.FPT"));
    else
      writeFile(dir.file("BDL.FPT"), {});
    const auto damagedDbf = readFile(dir.file("BDL.DBF"));
    const SalvageReport r = salvageRefused();
    EXPECT_EQ(r.outcome, Outcome::Mended);
    EXPECT_TRUE(r.memosLost);
    ASSERT_EQ(r.problems.size(), 1u);
    EXPECT_NE(r.problems[0].find("BDL.FPT"), std::string::npos) << r.problems[0];
    // Every damaged file is kept as it was, under a name no earlier copy has.
    ASSERT_EQ(r.copies.size(), missing ? 1u : 2u);
    EXPECT_EQ(readFile(r.copies[0]), damagedDbf);
    EXPECT_EQ(fs::path(r.copies[0]).filename(),
              missing ? "BDL.DBF.damaged-20240307-101500" : "BDL.DBF.damaged-20240307-101500-2");

    // The records that had a cover or a document are the ones named: every 3rd and 4th at
    // first, then the one given a new text after the first mending.
    std::vector<std::uint32_t> hadMemos{2};
    if (missing) {
      hadMemos.clear();
      for (std::uint32_t i = 1; i <= 20; ++i)
        if (i % 3 == 0 || i % 4 == 0) hadMemos.push_back(i);
    }
    EXPECT_EQ(r.lostMemos, hadMemos);
    const auto now = dumpRecords(dir.path(), "BDL.DBF");
    ASSERT_EQ(now.size(), before.size());
    for (std::size_t i = 0; i < now.size(); ++i) {
      EXPECT_EQ(withoutMemos(now[i]), withoutMemos(before[i]));
      EXPECT_NE(now[i].find("|RTFCOVER=|RTFDOC="), std::string::npos) << now[i];
    }
    Table t;  // writable again: a new memo goes in and comes back
    t.open(dir.path(), "BDL.DBF");
    t.go(2);
    t.edit();
    t.putMemo("RTFDOC", "new text");
    t.post();
    EXPECT_EQ(t.getMemo("RTFDOC"), "new text");
  }
}

TEST_F(Salvage, ARecordWithABadDeletionFlagIsReadAsNotDeleted) {
  auto b = readFile(dir.file("BDL.DBF"));
  const std::size_t recLen = base::le16(&b[10]);
  b[headerLength() + 2 * recLen] = '#';  // record 3
  writeFile(dir.file("BDL.DBF"), b);
  const SalvageReport r = salvageRefused();
  EXPECT_EQ(r.outcome, Outcome::Mended);
  EXPECT_FALSE(r.memosLost);
  ASSERT_EQ(r.problems.size(), 1u);
  EXPECT_NE(r.problems[0].find("Record 3"), std::string::npos) << r.problems[0];
  const auto now = dumpRecords(dir.path(), "BDL.DBF");
  ASSERT_EQ(now.size(), before.size());
  EXPECT_EQ(now[2], before[2]);                   // live, memos and all
  EXPECT_EQ(now[6][0], '*');                      // record 7 was deleted and still is
  EXPECT_FALSE(fs::exists(dir.file("BDL.CDX")));  // the next open builds it from the data
}

TEST_F(Salvage, ADataFileCutShortKeepsItsWholeRecordsAndSaysHowManyWereCounted) {
  auto b = readFile(dir.file("BDL.DBF"));
  const std::size_t recLen = base::le16(&b[10]);
  b.resize(headerLength() + 12 * recLen + recLen / 2);  // 12 records and half of one
  writeFile(dir.file("BDL.DBF"), b);
  // Refused: opening it as it is would make the next write shorten it for good.
  const SalvageReport r = salvageRefused();
  EXPECT_EQ(r.outcome, Outcome::Mended);
  ASSERT_EQ(r.problems.size(), 1u);
  EXPECT_NE(r.problems[0].find("20"), std::string::npos) << r.problems[0];
  EXPECT_NE(r.problems[0].find("12"), std::string::npos) << r.problems[0];
  EXPECT_EQ(readFile(r.copies[0]), b);
  auto now = dumpRecords(dir.path(), "BDL.DBF");
  EXPECT_EQ(now, std::vector<std::string>(before.begin(), before.begin() + 12));
  {
    Table t;
    t.open(dir.path(), "BDL.DBF");
    t.append();
    t.putString("SUBJECT", "after");
    t.post();
  }
  EXPECT_EQ(dumpRecords(dir.path(), "BDL.DBF").size(), 13u);
}

TEST_F(Salvage, AnUnreadableHeaderIsCopiedAndLeftAsItIs) {
  auto b = readFile(dir.file("BDL.DBF"));
  base::putLe16(&b[10], 7);  // a record length the fields do not add up to
  writeFile(dir.file("BDL.DBF"), b);
  const SalvageReport r = salvageRefused();
  EXPECT_EQ(r.outcome, Outcome::Unreadable);
  ASSERT_EQ(r.copies.size(), 2u);
  EXPECT_EQ(readFile(r.copies[0]), b);
  EXPECT_EQ(readFile(dir.file("BDL.DBF")), b);
  EXPECT_EQ(salvage().copies[0], r.copies[0] + "-2");  // a second copy, the first kept
}

TEST_F(Salvage, AnIntactTableIsLeftAlone) {
  const SalvageReport r = salvage();
  EXPECT_EQ(r.outcome, Outcome::Intact);
  EXPECT_TRUE(r.copies.empty());
  EXPECT_TRUE(fs::exists(dir.file("BDL.CDX")));
  Table held;
  held.open(dir.path(), "BDL.DBF");
  EXPECT_THROW(salvage(), TableError);  // someone has it open: not ours to touch
}

}  // namespace
}  // namespace tables::test
