// File formats: tables written by other engines, the structure of the CDX files we write,
// and malformed DBF, FPT and CDX input.
#include <cstring>

#include "base/bytes.h"
#include "tables/cdxfile.h"
#include "tables/dbffile.h"
#include "tables/fptfile.h"
#include "test_support.h"

namespace tables::test {
namespace {

const char* kOtherEngine = "harbour-fp2";

void expectError(int code, const std::function<void()>& f, const char* what) {
  try {
    f();
    ADD_FAILURE() << "no error for " << what;
  } catch (const TableError& e) {
    EXPECT_EQ(e.code(), code) << what << ": " << e.what();
  }
}

TEST(Samples, OtherEngineTableWithCdxOpensAndItsIndexIsTrusted) {
  ScratchDir dir;
  copySamples(kOtherEngine, dir.path());
  if (::testing::Test::IsSkipped()) return;
  auto cdx = readFile(dir.file("BDL.CDX"));
  Table t;
  t.open(dir.path(), "BDL.DBF");
  EXPECT_EQ(t.recCount(), 1500u);
  t.setFilter(".NOT. DELETED()");
  EXPECT_EQ(t.queryRecCount(), 1398u);
  ASSERT_EQ(t.tagCount(), 5);
  const char* names[] = {"DATESENT", "SUBJECT", "RECIP", "PAGES", "DSENT"};
  for (int i = 0; i < 5; ++i) EXPECT_EQ(t.tagInfo(i + 1).name, names[i]);
  EXPECT_TRUE(t.tagInfo(1).descending);
  EXPECT_EQ(t.tagInfo(1).keyExpr, "DTOS(DATESENT)+TIMESENT");
  EXPECT_EQ(t.tagInfo(4).keyType, 'N');
  EXPECT_EQ(t.tagInfo(5).keyType, 'D');
  t.setOrder("PAGES");
  double prev = -1;
  for (t.first(); !t.eof(); t.next()) {
    EXPECT_GE(t.getNumber("PAGES"), prev);
    prev = t.getNumber("PAGES");
  }
  t.close();
  // Its stored entries matched the data exactly, so the file was left alone.
  EXPECT_EQ(readFile(dir.file("BDL.CDX")), cdx);
}

TEST(Samples, PeerTableWithZeroLengthMemosOpens) {
  ScratchDir dir;
  copySamples("pydbf-fp2", dir.path());
  if (::testing::Test::IsSkipped()) return;
  Table t;
  t.open(dir.path(), "PYFP.DBF");
  EXPECT_EQ(t.recCount(), 500u);
  EXPECT_EQ(t.tagCount(), 0);
  std::uint32_t deleted = 0;
  t.setHideDeleted(false);
  for (t.first(); !t.eof(); t.next()) {
    deleted += t.isDeleted();
    for (int f = 0; f < t.fieldCount(); ++f)
      if (t.field(f).type == 'M') t.getMemo(t.field(f).name);  // every pointer readable
  }
  EXPECT_EQ(deleted, 39u);  // records 1, 14, 27, ... were deleted
}

TEST(CdxLayout, OurFileHasTheSharedStructureAndReadsBack) {
  ScratchDir dir;
  copySamples(kOtherEngine, dir.path());
  if (::testing::Test::IsSkipped()) return;
  auto theirs = readFile(dir.file("BDL.CDX"));
  {
    Table t;
    t.open(dir.path(), "BDL.DBF");
    t.reindex();  // written by us now
  }
  auto ours = readFile(dir.file("BDL.CDX"));
  ASSERT_NE(ours, theirs);
  ASSERT_EQ(ours.size() % 512, 0u);
  // Directory header: root page, key length 10, compound+compact+structural options.
  EXPECT_EQ(base::le16(&ours[12]), 10);
  EXPECT_EQ(ours[14], 0xE0);
  EXPECT_EQ(ours[14], theirs[14]);
  // Both files decode to the same tags with the same entries.
  auto pad = [](const std::string& e) -> char { return e == "PAGES" || e == "DATESENT" ? 1 : ' '; };
  BlockFile a = BlockFile::fromMemory(ours, "ours");
  BlockFile b = BlockFile::fromMemory(theirs, "theirs");
  auto tagsA = readCdx(a, 1500, pad);
  auto tagsB = readCdx(b, 1500, pad);
  ASSERT_EQ(tagsA.size(), tagsB.size());
  for (std::size_t i = 0; i < tagsA.size(); ++i) {
    EXPECT_TRUE(tagsA[i].entriesValid) << tagsA[i].problem;
    EXPECT_EQ(tagsA[i].name, tagsB[i].name);
    EXPECT_EQ(tagsA[i].keyExpr, tagsB[i].keyExpr);
    EXPECT_EQ(tagsA[i].forExpr, tagsB[i].forExpr);
    EXPECT_EQ(tagsA[i].descending, tagsB[i].descending);
    EXPECT_EQ(tagsA[i].keyLength, tagsB[i].keyLength);
    EXPECT_EQ(tagsA[i].keys, tagsB[i].keys);
    EXPECT_EQ(tagsA[i].recs, tagsB[i].recs);
  }
  // Tag header of the first tag: FOR flag set, descending order word, expression pool.
  std::uint32_t hdr = 1536;  // after the header and the one directory page
  EXPECT_EQ(base::le32(&ours[0]), 1024u);
  EXPECT_EQ(ours[hdr + 14], 0x68);
  EXPECT_EQ(base::le16(&ours[hdr + 502]), 1);
  EXPECT_STREQ(reinterpret_cast<const char*>(&ours[hdr + 512]), "DTOS(DATESENT)+TIMESENT");
}

TEST(CdxLayout, LargeTagSplitsIntoLinkedLeavesUnderInteriorNodes) {
  CdxTag t;
  t.name = "K";
  t.keyExpr = "K";
  t.keyLength = 12;
  for (std::uint32_t r = 1; r <= 20000; ++r) {
    char k[16];
    std::snprintf(k, sizeof k, "%012u", r * 7919 % 100003);
    t.keys.insert(t.keys.end(), k, k + 12);
    t.recs.push_back(r);
  }
  // Sort entries as the engine keeps them.
  std::vector<std::pair<std::string, std::uint32_t>> v;
  for (std::size_t i = 0; i < t.recs.size(); ++i)
    v.emplace_back(std::string(t.keys.begin() + long(i * 12), t.keys.begin() + long(i * 12 + 12)),
                   t.recs[i]);
  std::sort(v.begin(), v.end());
  t.keys.clear();
  t.recs.clear();
  for (auto& [k, r] : v) {
    t.keys.insert(t.keys.end(), k.begin(), k.end());
    t.recs.push_back(r);
  }
  auto file = buildCdx({&t});
  BlockFile f = BlockFile::fromMemory(file, "big");
  auto back = readCdx(f, 20000, [](const std::string&) { return ' '; });
  ASSERT_EQ(back.size(), 1u);
  EXPECT_TRUE(back[0].entriesValid) << back[0].problem;
  EXPECT_EQ(back[0].keys, t.keys);
  EXPECT_EQ(back[0].recs, t.recs);
  std::uint32_t root = base::le32(&file[1536]);
  EXPECT_EQ(base::le16(&file[root]), 1);  // interior root
}

// --- Malformed DBF ---------------------------------------------------------------------

std::vector<std::uint8_t> smallDbf() {
  auto h = DbfFile::buildHeader({{"NAME", 'C', 4, 0}, {"N", 'N', 3, 0}}, 2, false);
  for (const char* r : {" abcd  1", "*wxyz 22"}) h.insert(h.end(), r, r + 8);
  h.push_back(0x1A);
  return h;
}

TEST(Malformed, DbfHeadersAreRejectedWithClearErrors) {
  ScratchDir dir;
  auto open = [&](std::vector<std::uint8_t> b) {
    writeFile(dir.file("T.DBF"), b);
    Table t;
    t.open(dir.path(), "T.DBF");
  };
  open(smallDbf());  // the good one opens
  auto b = smallDbf();
  b[0] = 0x42;
  expectError(
      err::kBadDbf, [&] { open(b); }, "unknown version");
  b = smallDbf();
  base::putLe16(&b[8], 40);  // header length shorter than its descriptors
  expectError(
      err::kBadDbf, [&] { open(b); }, "short header length");
  b = smallDbf();
  base::putLe16(&b[8], 60000);
  expectError(
      err::kBadDbf, [&] { open(b); }, "header past the end");
  b = smallDbf();
  base::putLe16(&b[10], 9);
  expectError(
      err::kBadDbf, [&] { open(b); }, "record length mismatch");
  b = smallDbf();
  b[32 + 64] = 'X';  // terminator gone: descriptors run into the records
  expectError(
      err::kBadDbf, [&] { open(b); }, "no terminator");
  b = smallDbf();
  b[32 + 11] = 'Q';
  expectError(
      err::kBadDbf, [&] { open(b); }, "unknown type");
  b = smallDbf();
  b[b.size() - 9] = '#';
  expectError(
      err::kBadDbf, [&] { open(b); }, "bad deletion flag");
  b = smallDbf();
  b.resize(20);
  expectError(
      err::kBadDbf, [&] { open(b); }, "truncated header");
  // A record count beyond the data: a cut copy, refused (salvage keeps what it holds).
  b = smallDbf();
  base::putLe32(&b[4], 1000000);
  expectError(
      err::kBadDbf, [&] { open(b); }, "count beyond the data");
}

TEST(Malformed, MemoPointersPastTheEndAreErrors) {
  ScratchDir dir;
  Table::create(dir.file("M.DBF"), {{"NOTE", 'M', 10, 0}});
  {
    Table t;
    t.open(dir.path(), "M.DBF");
    t.append();
    t.putMemo("NOTE", "hello");
    t.post();
  }
  auto b = readFile(dir.file("M.DBF"));
  std::size_t at = base::le16(&b[8]) + 1;
  std::memcpy(&b[at], "     99999", 10);
  writeFile(dir.file("M.DBF"), b);
  Table t;
  t.open(dir.path(), "M.DBF");
  t.go(1);
  expectError(
      err::kBadFpt, [&] { t.getMemo("NOTE"); }, "pointer past the end");
  EXPECT_FALSE(t.blobToFile("NOTE", dir.file("out.rtf")));
  t.close();
  std::memcpy(&b[at], "      12ab", 10);
  writeFile(dir.file("M.DBF"), b);
  t.open(dir.path(), "M.DBF");
  t.go(1);
  expectError(
      err::kBadDbf, [&] { t.getMemo("NOTE"); }, "pointer not a number");
  t.close();
  // A memo whose length runs past the end of the file.
  auto f = readFile(dir.file("M.FPT"));
  base::putBe32(&f[512 + 4], 1u << 30);
  writeFile(dir.file("M.FPT"), f);
  std::memcpy(&b[at], "         8", 10);
  writeFile(dir.file("M.DBF"), b);
  t.open(dir.path(), "M.DBF");
  t.go(1);
  expectError(
      err::kBadFpt, [&] { t.getMemo("NOTE"); }, "length past the end");
  t.close();
  writeFile(dir.file("M.FPT"), std::vector<std::uint8_t>(5, 0));
  expectError(
      err::kBadFpt, [&] { t.open(dir.path(), "M.DBF"); }, "truncated FPT header");
}

// --- Malformed and stale CDX files: noticed on open and rebuilt --------------------------

class CdxDamage : public ::testing::Test {
 protected:
  void SetUp() override {
    makeOutgoing(dir.path(), 400);
    good = readFile(dir.file("BDL.CDX"));
    Table t;
    t.open(dir.path(), "BDL.DBF");
    t.setOrder(1);
    for (t.first(); !t.eof(); t.next()) order.push_back(t.recNo());
  }
  // Opens with a damaged file and checks the tag is back, whole and in order.
  void expectRebuilt(const std::vector<std::uint8_t>& damaged, const char* what) {
    writeFile(dir.file("BDL.CDX"), damaged);
    Table t;
    ASSERT_NO_THROW(t.open(dir.path(), "BDL.DBF")) << what;
    ASSERT_EQ(t.tagCount(), 1) << what;
    t.setOrder(1);
    std::vector<std::uint32_t> got;
    for (t.first(); !t.eof(); t.next()) got.push_back(t.recNo());
    EXPECT_EQ(got, order) << what;
    t.close();
    BlockFile f = BlockFile::fromMemory(readFile(dir.file("BDL.CDX")), "rewritten");
    auto tags = readCdx(f, 1000, [](const std::string&) { return ' '; });
    EXPECT_TRUE(tags.at(0).entriesValid) << what;
  }
  // The tag's first leaf page (the root is a leaf or the first child of one).
  std::uint32_t firstLeaf(const std::vector<std::uint8_t>& b) {
    std::uint32_t node = base::le32(&b[1536]);
    while (!(base::le16(&b[node]) & 2)) node = base::be32(&b[node + 12 + 13 + 4]);
    return node;
  }
  ScratchDir dir;
  std::vector<std::uint8_t> good;
  std::vector<std::uint32_t> order;
};

TEST_F(CdxDamage, TruncatedTreeIsRebuiltFromTheTagHeader) {
  auto b = good;
  b.resize(5 * 512);  // header, directory and the tag's header survive
  expectRebuilt(b, "truncated");
}

TEST_F(CdxDamage, CyclicLeafChainIsNoticed) {
  auto b = good;
  std::uint32_t leaf = firstLeaf(b);
  ASSERT_NE(base::le32(&b[leaf + 8]), 0xFFFFFFFFu);
  base::putLe32(&b[leaf + 8], leaf);
  expectRebuilt(b, "cycle");
}

TEST_F(CdxDamage, OutOfRangeAndMisalignedPagesAreNoticed) {
  auto b = good;
  base::putLe32(&b[1536], 0x7FFFFE00);
  expectRebuilt(b, "root past the end");
  b = good;
  base::putLe32(&b[1536], 1030);
  expectRebuilt(b, "misaligned root");
  b = good;
  std::uint32_t leaf = firstLeaf(b);
  b[leaf + 23] = 0;  // zero bytes per entry
  expectRebuilt(b, "bad bit layout");
  b = good;
  base::putLe16(&b[leaf + 2], 400);  // more entries than fit
  expectRebuilt(b, "key count");
}

TEST_F(CdxDamage, IndexLaggingBehindTheDataIsRebuilt) {
  // Another program appended a record without touching the CDX.
  {
    Table t;
    t.open(dir.path(), "BDL.DBF");
    t.closeIndex();
    t.append();
    t.putDtos("DATESENT", "20990101");
    t.post();
  }
  writeFile(dir.file("BDL.CDX"), good);
  order.insert(order.begin(), 401);
  expectRebuilt(good, "stale");
}

TEST_F(CdxDamage, UnreadableDirectoryDropsTheFile) {
  for (auto b : {std::vector<std::uint8_t>(1024, 0xFF), std::vector<std::uint8_t>()}) {
    writeFile(dir.file("BDL.CDX"), b);
    Table t;
    ASSERT_NO_THROW(t.open(dir.path(), "BDL.DBF"));
    EXPECT_EQ(t.tagCount(), 0);
    EXPECT_FALSE(BlockFile::exists(dir.file("BDL.CDX")));  // the store builds it again
    EXPECT_EQ(t.queryRecCount(), 400u - 57u);
  }
}

}  // namespace
}  // namespace tables::test
