// Fax file names and joining BRX files: pages move over whole and in order, the target's
// header keeps its own fields, and a failed append leaves the target as it was.
#include "app/assembly/faxfiles.h"
#include "faximage/brx_file.h"
#include "faximage/errors.h"
#include "support/programdir.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

using namespace faximage;
using testutil::ProgramDirFixture;

// A BRX file whose pages each hold `lines` line records marked with the page's tag byte.
void writeFax(const std::string& path, const std::vector<std::uint8_t>& tags,
              const std::string& sender, std::uint32_t date, int lines = 3) {
  BrxWriter w;
  ASSERT_EQ(w.create(path), ecOK);
  for (std::uint8_t tag : tags) {
    ASSERT_EQ(w.beginPage(pfLineLengths | pfFine), ecOK);
    for (int i = 0; i < lines; ++i) {
      const std::vector<std::uint8_t> record{0x00, 0x80, tag, std::uint8_t(i)};
      ASSERT_EQ(w.addLineRecord(record), ecOK);
    }
    ASSERT_EQ(w.endPage(), ecOK);
  }
  ASSERT_EQ(w.finish(sender, date), ecOK);
}

// The tag byte of each page, read back through the page chain.
std::vector<std::uint8_t> pageTags(const std::string& path) {
  BrxReader r;
  if (r.openFile(path) != ecOK) return {};
  std::vector<std::uint8_t> tags;
  for (int n = 1; n <= r.pageCount(); ++n) {
    BrxPage page;
    if (r.page(unsigned(n), page) != ecOK || page.truncated || page.data.size() < 5) return {};
    tags.push_back(page.data[4]);
  }
  return tags;
}

class FaxFilesTest : public ::testing::Test {
 protected:
  ProgramDirFixture dir;
  std::string target = dir.path("BDL_1.BRX");
  std::string source = dir.path("BDLAX2.BRX");
  const std::uint32_t kTargetDate = packFileDate({2024, 5, 17, 10, 30, 0});
};

TEST_F(FaxFilesTest, NewNameTakesTheFirstFreeNumberAndFallsBackAfterAThousand) {
  EXPECT_EQ(app::NewFaxFileName(), dir.path("BDL_1.BRX"));
  dir.write("BDL_1.BRX", "left over");
  dir.write("BDL_3.BRX", "left over");
  EXPECT_EQ(app::NewFaxFileName(), dir.path("BDL_2.BRX"));
  for (int n = 1; n <= 1000; ++n) dir.write("BDL_" + std::to_string(n) + ".BRX", "");
  EXPECT_EQ(app::NewFaxFileName(), dir.path("BDL1.BRX"));
}

TEST_F(FaxFilesTest, AppendMovesEveryPageInOrderAndKeepsTheTargetsHeader) {
  writeFax(target, {1, 2}, "TARGET STATION", kTargetDate);
  writeFax(source, {3, 4, 5}, "SOURCE", packFileDate({2020, 1, 1, 0, 0, 0}));
  const std::string sourceBytes = dir.read("BDLAX2.BRX");

  ASSERT_EQ(app::AppendFaxFile(target, source), ecOK);
  EXPECT_EQ(pageTags(target), (std::vector<std::uint8_t>{1, 2, 3, 4, 5}));
  BrxReader r;
  ASSERT_EQ(r.openFile(target), ecOK);
  EXPECT_EQ(r.header().senderIdText(), "TARGET STATION");
  EXPECT_EQ(r.header().fileDate, kTargetDate);
  EXPECT_EQ(r.header().firstPageOffset, 64u);
  EXPECT_EQ(dir.read("BDLAX2.BRX"), sourceBytes);
  // Exactly the pages: 64 + 5 pages of (16 + 3 records of 6 bytes + the 14-byte end record).
  EXPECT_EQ(std::filesystem::file_size(target), 64u + 5 * (16 + 3 * 6 + 14));
}

TEST_F(FaxFilesTest, BytesAfterTheLastPageOfEitherFileDoNotBecomePageData) {
  writeFax(target, {1}, "", kTargetDate);
  writeFax(source, {2}, "", kTargetDate);
  const auto exact = std::filesystem::file_size(target);
  dir.write("BDL_1.BRX", dir.read("BDL_1.BRX") + std::string(100, '\x55'));
  dir.write("BDLAX2.BRX", dir.read("BDLAX2.BRX") + std::string(7, '\x77'));
  ASSERT_EQ(app::AppendFaxFile(target, source), ecOK);
  EXPECT_EQ(pageTags(target), (std::vector<std::uint8_t>{1, 2}));
  EXPECT_EQ(std::filesystem::file_size(target), 2 * exact - 64);
}

TEST_F(FaxFilesTest, AnEmptyTargetTakesTheSourcesPages) {
  writeFax(target, {}, "", kTargetDate);
  writeFax(source, {7, 8}, "", kTargetDate);
  ASSERT_EQ(app::AppendFaxFile(target, source), ecOK);
  EXPECT_EQ(pageTags(target), (std::vector<std::uint8_t>{7, 8}));
}

TEST_F(FaxFilesTest, AFailedAppendLeavesTheTargetUnchanged) {
  writeFax(target, {1, 2}, "T", kTargetDate);
  const std::string before = dir.read("BDL_1.BRX");
  auto expectUnchanged = [&](int expected, const std::string& what) {
    EXPECT_EQ(app::AppendFaxFile(target, source), expected) << what;
    EXPECT_EQ(dir.read("BDL_1.BRX"), before) << what;
  };
  expectUnchanged(ecFileNotFound, "missing source");
  dir.write("BDLAX2.BRX",
            "This is a text file and no fax at all, but it is long enough for a header.");
  expectUnchanged(ecFaxBadFormat, "source without the signature");

  writeFax(source, {3, 4}, "", kTargetDate);
  std::string claimsMore = dir.read("BDLAX2.BRX");
  claimsMore[32] = 3;  // PageCount 3 with two pages in the file
  dir.write("BDLAX2.BRX", claimsMore);
  expectUnchanged(ecFaxBadFormat, "source page chain past its end");

  std::string lengthTooLong = dir.read("BDLAX2.BRX");
  lengthTooLong[32] = 2;
  lengthTooLong[64 + 2] = 0x10;  // first page's ImageLength far beyond the file
  dir.write("BDLAX2.BRX", lengthTooLong);
  expectUnchanged(ecFaxBadFormat, "source page longer than the file");

  EXPECT_EQ(app::AppendFaxFile(target, target), ecBadArgument);
  EXPECT_EQ(dir.read("BDL_1.BRX"), before) << "a file onto itself";
}

TEST_F(FaxFilesTest, ADamagedOrMissingTargetIsNotWrittenTo) {
  writeFax(source, {3}, "", kTargetDate);
  EXPECT_EQ(app::AppendFaxFile(target, source), ecFileNotFound);
  EXPECT_FALSE(std::filesystem::exists(target));

  writeFax(target, {1, 2}, "", kTargetDate);
  std::string cut = dir.read("BDL_1.BRX");
  cut.resize(cut.size() - 10);  // the last page ends past the end of the file
  dir.write("BDL_1.BRX", cut);
  EXPECT_EQ(app::AppendFaxFile(target, source), ecFaxBadFormat);
  EXPECT_EQ(dir.read("BDL_1.BRX"), cut);
}

TEST_F(FaxFilesTest, APageCountBeyondSixteenBitsIsRefused) {
  // 65535 empty pages: headers only, so the file stays about a megabyte.
  BrxWriter w;
  ASSERT_EQ(w.create(target), ecOK);
  for (int n = 0; n < 0xFFFF; ++n) {
    ASSERT_EQ(w.beginPage(0), ecOK);
    ASSERT_EQ(w.endPage(), ecOK);
  }
  ASSERT_EQ(w.finish("", kTargetDate), ecOK);
  writeFax(source, {3}, "", kTargetDate);
  const std::string before = dir.read("BDL_1.BRX");
  EXPECT_EQ(app::AppendFaxFile(target, source), ecBadArgument);
  EXPECT_EQ(dir.read("BDL_1.BRX"), before);
}

TEST_F(FaxFilesTest, JoinAppendsEveryPageFileToTheFirstAndDeletesThem) {
  const std::vector<std::string> pages{target, dir.path("BDLAX2.BRX"), dir.path("BDLAX3.BRX")};
  for (std::size_t i = 0; i < pages.size(); ++i)
    writeFax(pages[i], {std::uint8_t(10 + i)}, "", kTargetDate);
  std::string name;
  ASSERT_EQ(app::JoinFaxFiles(pages, name), ecOK);
  EXPECT_EQ(name, target);
  EXPECT_EQ(pageTags(target), (std::vector<std::uint8_t>{10, 11, 12}));
  EXPECT_FALSE(std::filesystem::exists(pages[1]));
  EXPECT_FALSE(std::filesystem::exists(pages[2]));

  EXPECT_EQ(app::JoinFaxFiles({}, name), ecBadArgument);
  EXPECT_TRUE(name.empty());
}

TEST_F(FaxFilesTest, AFailedJoinLeavesThePageFilesForTheCaller) {
  writeFax(target, {1}, "", kTargetDate);
  const std::vector<std::string> pages{target, dir.path("BDLAX2.BRX")};
  std::string name = "stale";
  EXPECT_EQ(app::JoinFaxFiles(pages, name), ecFileNotFound);
  EXPECT_TRUE(name.empty());
  EXPECT_TRUE(std::filesystem::exists(target));
}

}  // namespace
