// Index files left stale by another program that changed the DBF without them: what the
// quick check on open catches, what the full check adds, and editing past a stale key.
#include <algorithm>
#include <cstring>

#include "base/bytes.h"
#include "tables/tagcheck.h"
#include "test_support.h"

namespace tables::test {
namespace {

constexpr std::uint32_t kRecords = 1200;  // many more records than the check samples

// Where a field of the outgoing table sits in its records.
int fieldOffset(const std::string& name) {
  int offset = 1;
  for (const auto& f : outgoingTable().fields) {
    if (f.name == name) return offset;
    offset += f.width;
  }
  ADD_FAILURE() << "no field " << name;
  return 0;
}

bool sampled(std::uint32_t r) {
  auto s = sampleRecords(kRecords);
  return std::find(s.begin(), s.end(), r) != s.end();
}

class StaleCdx : public ::testing::Test {
 protected:
  void SetUp() override {
    makeOutgoing(dir.path(), int(kRecords));
    good = readFile(dir.file("BDL.CDX"));
    goodDbf = readFile(dir.file("BDL.DBF"));
    walk = tagWalk(dir.path());
  }
  void restore() {
    writeFile(dir.file("BDL.DBF"), goodDbf);
    writeFile(dir.file("BDL.CDX"), good);
  }
  // Another program's edit: bytes written over part of record r, the CDX untouched.
  void patch(std::uint32_t r, int offset, const std::string& text) {
    auto b = readFile(dir.file("BDL.DBF"));
    std::size_t at =
        base::le16(&b[8]) + std::size_t(r - 1) * base::le16(&b[10]) + std::size_t(offset);
    std::memcpy(&b[at], text.data(), text.size());
    writeFile(dir.file("BDL.DBF"), b);
  }
  // Another program's append: a copy of record `from` after the last one.
  void appendCopy(std::uint32_t from) {
    auto b = readFile(dir.file("BDL.DBF"));
    std::size_t headerLen = base::le16(&b[8]), recLen = base::le16(&b[10]);
    std::uint32_t count = base::le32(&b[4]);
    std::vector<std::uint8_t> rec(b.begin() + long(headerLen + (from - 1) * recLen),
                                  b.begin() + long(headerLen + from * recLen));
    b.resize(headerLen + count * recLen);
    b.insert(b.end(), rec.begin(), rec.end());
    b.push_back(0x1A);
    base::putLe32(&b[4], count + 1);
    writeFile(dir.file("BDL.DBF"), b);
  }
  // A live record that neither the record sample nor the entry sample reaches.
  std::uint32_t unsampledRecord() {
    auto entries = sampleEntries(walk.size());
    for (std::uint32_t r = kRecords / 2;; ++r) {
      auto at = std::find(walk.begin(), walk.end(), r);
      if (at == walk.end() || sampled(r)) continue;
      std::size_t ascending = walk.size() - 1 - std::size_t(at - walk.begin());
      if (std::find(entries.begin(), entries.end(), ascending) == entries.end()) return r;
    }
  }
  // Opens the stale table and expects the tag rebuilt: the order the data gives, and
  // the CDX file written again.
  void expectCaught(const char* what) {
    auto order = tagWalk(dir.path());
    EXPECT_EQ(order, expectedWalk(dir.path())) << what;
    EXPECT_NE(readFile(dir.file("BDL.CDX")), good) << what;
  }

  ScratchDir dir;
  std::vector<std::uint8_t> good, goodDbf;
  std::vector<std::uint32_t> walk;
};

TEST_F(StaleCdx, AnIndexThatAgreesIsUsedAsItIs) {
  EXPECT_EQ(tagWalk(dir.path()), expectedWalk(dir.path()));
  EXPECT_EQ(readFile(dir.file("BDL.CDX")), good);
}

TEST_F(StaleCdx, KeyChangedOnASampledRecordIsCaught) {
  const auto samples = sampleRecords(kRecords);
  std::uint32_t between = *std::find_if(samples.begin() + long(samples.size() / 2), samples.end(),
                                        [](std::uint32_t r) { return r % 7 != 0; });  // live
  for (std::uint32_t r : {1u, kRecords, between}) {
    restore();
    patch(r, fieldOffset("DATESENT"), "20991231");  // now the newest fax
    expectCaught(("record " + std::to_string(r)).c_str());
    EXPECT_EQ(tagWalk(dir.path()).front(), r);
  }
}

TEST_F(StaleCdx, RecordsAddedOrDeletedAnywhereAreCaught) {
  std::uint32_t r = unsampledRecord();
  appendCopy(r);
  expectCaught("appended without an entry");
  restore();
  patch(r, 0, "*");
  expectCaught("deleted elsewhere");
  restore();
  patch(7 * 90, 0, " ");  // a deleted record made live again
  expectCaught("recalled elsewhere");
  restore();
  patch(r, 0, "*");  // both: the count stays right
  patch(7 * 90, 0, " ");
  expectCaught("one deleted and one recalled");
}

TEST_F(StaleCdx, KeyChangedOutsideTheSampleIsFoundByTheFullCheck) {
  std::uint32_t r = unsampledRecord();
  patch(r, fieldOffset("DATESENT"), "20991231");
  Table t;
  t.open(dir.path(), "BDL.DBF");
  ASSERT_EQ(readFile(dir.file("BDL.CDX")), good) << "the quick check did not pass over it";
  EXPECT_EQ(t.verifyTags(), std::vector<std::string>{"DATESENT"});
  EXPECT_TRUE(t.verifyTags().empty());
  t.first();
  EXPECT_EQ(t.recNo(), r);
  t.close();
  EXPECT_NE(readFile(dir.file("BDL.CDX")), good);
  EXPECT_EQ(tagWalk(dir.path()), expectedWalk(dir.path()));
}

TEST_F(StaleCdx, EditingARecordWhoseStaleKeyWentUnnoticedLeavesOneEntry) {
  std::uint32_t r = unsampledRecord();
  patch(r, fieldOffset("DATESENT"), "20991231");
  std::vector<std::uint32_t> order;
  {
    Table t;
    t.open(dir.path(), "BDL.DBF");
    t.go(r);
    t.edit();
    t.putDtos("DATESENT", "19990101");
    t.post();
    for (t.first(); !t.eof(); t.next()) order.push_back(t.recNo());
  }
  EXPECT_EQ(std::count(order.begin(), order.end(), r), 1);
  EXPECT_EQ(order, expectedWalk(dir.path()));
}

TEST(StaleTags, TagsWithoutOrWithOtherConditionsCheckEveryRecordsMembership) {
  ScratchDir dir;
  makeOutgoing(dir.path(), int(kRecords));
  {
    Table t;
    t.open(dir.path(), "BDL.DBF");
    t.indexTag("SUBJECT", "UPPER(SUBJECT)");
    t.indexTag("LONG", "SUBJECT", false, "PAGES > 20");
  }
  const auto good = readFile(dir.file("BDL.CDX"));
  auto entries = [&](const char* tag) {
    Table t;
    t.open(dir.path(), "BDL.DBF", false);  // shared: repairs stay in memory
    t.setHideDeleted(false);
    t.setOrder(tag);
    std::vector<std::uint32_t> v;
    for (t.first(); !t.eof(); t.next()) v.push_back(t.recNo());
    return v;
  };
  auto b = readFile(dir.file("BDL.DBF"));
  const std::size_t headerLen = base::le16(&b[8]), recLen = base::le16(&b[10]);
  auto pages = [&](std::uint32_t r) {
    return &b[headerLen + (r - 1) * recLen + std::size_t(fieldOffset("PAGES"))];
  };

  // Record 611 has 11 pages; another program makes it 25, so it belongs to LONG now.
  ASSERT_EQ(std::string(reinterpret_cast<char*>(pages(611)), 2), "11");
  ASSERT_FALSE(sampled(611));
  std::memcpy(pages(611), "25", 2);
  writeFile(dir.file("BDL.DBF"), b);
  auto longTag = entries("LONG");
  EXPECT_NE(std::find(longTag.begin(), longTag.end(), 611u), longTag.end());

  // An appended record: the tag without a condition must hold every record.
  writeFile(dir.file("BDL.CDX"), good);
  const std::vector<std::uint8_t> first(b.begin() + long(headerLen),
                                        b.begin() + long(headerLen + recLen));
  b.insert(b.begin() + long(headerLen + kRecords * recLen), first.begin(), first.end());
  base::putLe32(&b[4], kRecords + 1);
  writeFile(dir.file("BDL.DBF"), b);
  EXPECT_EQ(entries("SUBJECT").size(), kRecords + 1);
}

}  // namespace
}  // namespace tables::test
