// Table operations: creation, reopening, navigation, tags, seek, filter, editing, packing,
// typed fields, memos and exclusive use.
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>

#include "test_support.h"

namespace tables::test {
namespace {

std::vector<std::uint32_t> walk(Table& t) {
  std::vector<std::uint32_t> v;
  for (t.first(); !t.eof(); t.next()) v.push_back(t.recNo());
  return v;
}

std::vector<std::uint32_t> walkBack(Table& t) {
  std::vector<std::uint32_t> v;
  for (t.last(); !t.bof() && !t.eof(); t.prior()) v.push_back(t.recNo());
  return v;
}

TEST(StoreTables, CreatedThroughTheEngineReopenWithFieldsAndTags) {
  ScratchDir dir;
  for (const auto& s : storeTables()) {
    Table c;
    c.createNew(dir.file(s.file), int(s.fields.size()));
    for (const auto& f : s.fields) c.createField(f.name, f.type, f.width, f.decimals);
    c.createExec();
    {
      Table t;
      t.open(dir.path(), s.file);
      EXPECT_EQ(t.tagCount(), 0);
      t.indexTag(s.tag, s.keyExpr, s.descending, s.forExpr);
      EXPECT_EQ(t.indexOrd(), 1);
    }
    Table t;
    t.open(dir.path(), s.file);
    ASSERT_EQ(t.fieldCount(), int(s.fields.size())) << s.file;
    for (int i = 0; i < t.fieldCount(); ++i) {
      EXPECT_EQ(t.field(i).name, s.fields[std::size_t(i)].name);
      EXPECT_EQ(t.field(i).type, s.fields[std::size_t(i)].type);
      EXPECT_EQ(t.field(i).width, s.fields[std::size_t(i)].width);
      EXPECT_EQ(t.field(i).decimals, 0);
    }
    ASSERT_EQ(t.tagCount(), 1) << s.file;
    TagInfo ti = t.tagInfo(1);
    EXPECT_EQ(ti.name, s.tag);
    EXPECT_EQ(ti.keyExpr, s.keyExpr);
    EXPECT_EQ(ti.forExpr, s.forExpr);
    EXPECT_EQ(ti.descending, s.descending);
    EXPECT_EQ(t.tagArea(s.tag), 1);
    EXPECT_EQ(t.tagArea("nosuch"), 0);
    std::string stem = s.file.substr(0, s.file.size() - 4);
    EXPECT_TRUE(BlockFile::exists(dir.file(stem + ".CDX")));
    bool memo =
        std::any_of(s.fields.begin(), s.fields.end(), [](auto& f) { return f.type == 'M'; });
    EXPECT_EQ(BlockFile::exists(dir.file(stem + ".FPT")), memo);
  }
}

TEST(StoreTables, CreateRejectsCountMismatchAndBadFields) {
  ScratchDir dir;
  Table c;
  c.createNew(dir.file("X.DBF"), 2);
  c.createField("NAME", 'C', 35, 0);
  EXPECT_THROW(c.createExec(), TableError);
  EXPECT_FALSE(BlockFile::exists(dir.file("X.DBF")));
  EXPECT_THROW(Table::create(dir.file("X.DBF"), {{"D", 'D', 9, 0}}), TableError);
  EXPECT_THROW(Table::create(dir.file("X.DBF"), {{"A", 'C', 3, 0}, {"a", 'C', 3, 0}}), TableError);
  EXPECT_THROW(Table::create(dir.file("X.DBF"), {{"A", 'Q', 3, 0}}), TableError);
}

TEST(Navigation, CountsPositionsAndFilter) {
  ScratchDir dir;
  makeOutgoing(dir.path(), 30);  // records 7, 14, 21, 28 deleted
  Table t;
  t.open(dir.path(), "BDL.DBF");
  EXPECT_EQ(t.recCount(), 30u);
  t.setOrder(0);
  std::vector<std::uint32_t> all = walk(t);
  EXPECT_EQ(all.size(), 26u);  // deleted records are hidden by default
  EXPECT_TRUE(t.eof());
  EXPECT_EQ(t.recNo(), 31u);  // past the end: RecCount + 1
  t.setHideDeleted(false);
  EXPECT_EQ(walk(t).size(), 30u);
  t.setFilter(".not. deleted()");
  EXPECT_EQ(t.queryRecCount(), 26u);
  EXPECT_EQ(walk(t), all);
  t.setFilter("PAGES >= 10 .AND. .NOT. DELETED()");
  std::uint32_t expected = 0;
  for (std::uint32_t r = 1; r <= 30; ++r) expected += (r % 30) >= 10 && r % 7 != 0;
  EXPECT_EQ(t.queryRecCount(), expected);
  EXPECT_EQ(walk(t).size(), expected);
  EXPECT_THROW(t.setFilter("PAGES >"), TableError);
  t.setFilter("");
  t.go(5);
  t.skip(3);
  EXPECT_EQ(t.recNo(), 8u);
  t.skip(-10);
  EXPECT_TRUE(t.bof());
  EXPECT_EQ(t.recNo(), 1u);
  EXPECT_THROW(t.go(31), TableError);
  EXPECT_THROW(t.go(0), TableError);
}

TEST(Navigation, EmptyTableIsAtBothEnds) {
  ScratchDir dir;
  makeOutgoing(dir.path(), 0);
  Table t;
  t.open(dir.path(), "BDL.DBF");
  for (int order : {0, 1}) {
    t.setOrder(order);
    t.first();
    EXPECT_TRUE(t.eof() && t.bof());
    EXPECT_EQ(t.recNo(), 1u);
    t.last();
    EXPECT_TRUE(t.eof() && t.bof());
    t.next();
    t.prior();
    EXPECT_TRUE(t.eof());
  }
  EXPECT_EQ(t.queryRecCount(), 0u);
}

TEST(Tags, DescendingTagWalksNewestFirstAndSkipsDeleted) {
  ScratchDir dir;
  makeOutgoing(dir.path(), 60);
  Table t;
  t.open(dir.path(), "BDL.DBF");
  t.setOrder("datesent");
  EXPECT_EQ(t.indexOrd(), 1);
  std::vector<std::uint32_t> order = walk(t);
  EXPECT_EQ(order.size(), 60u - 8u);
  for (std::size_t i = 1; i < order.size(); ++i) {
    t.go(order[i - 1]);
    std::string a = t.getDtos("DATESENT") + t.getRaw("TIMESENT");
    t.go(order[i]);
    std::string b = t.getDtos("DATESENT") + t.getRaw("TIMESENT");
    EXPECT_TRUE(a > b || (a == b && order[i - 1] > order[i])) << a << " then " << b;
  }
  std::vector<std::uint32_t> back = walkBack(t);
  std::reverse(back.begin(), back.end());
  EXPECT_EQ(back, order);
  // Deleting removes the key (FOR .not. deleted()); recalling puts it back.
  t.setHideDeleted(false);
  t.go(order[3]);
  t.deleteRecord();
  EXPECT_EQ(walk(t).size(), order.size() - 1);
  t.go(order[3]);
  t.recall();
  EXPECT_EQ(walk(t), order);
  // From a record that has just left the tag, the walk goes on from where its key was.
  t.setHideDeleted(true);
  t.go(order[10]);
  t.deleteRecord();
  t.next();
  EXPECT_EQ(t.recNo(), order[11]);
  t.go(order[10]);
  t.prior();
  EXPECT_EQ(t.recNo(), order[9]);
}

TEST(Tags, EditMovesTheKeyAndTheFileFollows) {
  ScratchDir dir;
  makeOutgoing(dir.path(), 40);
  std::vector<std::uint32_t> before;
  {
    Table t;
    t.open(dir.path(), "BDL.DBF");
    t.go(3);
    t.edit();
    t.putDtos("DATESENT", "20991231");
    t.post();
    t.first();
    EXPECT_EQ(t.recNo(), 3u);  // newest date first
    t.append();
    t.putDtos("DATESENT", "19000101");
    t.post();
    before = walk(t);
    // Oldest dated record: after every later date, before the undated ones.
    auto at = std::find(before.begin(), before.end(), 41u);
    ASSERT_NE(at, before.end());
    for (auto it = before.begin(); it != before.end(); ++it) {
      t.go(*it);
      EXPECT_EQ(t.getDtos("DATESENT") == "        ", it > at) << *it;
    }
  }
  // The tag on disk already holds every change: opening does not rewrite it.
  auto cdx = readFile(dir.file("BDL.CDX"));
  Table t;
  t.open(dir.path(), "BDL.DBF");
  EXPECT_EQ(walk(t), before);
  t.close();
  EXPECT_EQ(readFile(dir.file("BDL.CDX")), cdx);
}

TEST(Tags, RebuiltDateTagOrdersByDateOnlyNewestFirst) {
  ScratchDir dir;
  makeOutgoing(dir.path(), 50);
  Table t;
  t.open(dir.path(), "BDL.DBF");
  t.indexTag("DATESENT", "datesent", true);
  EXPECT_EQ(t.tagCount(), 1);
  TagInfo ti = t.tagInfo(1);
  EXPECT_EQ(ti.keyType, 'D');
  EXPECT_EQ(ti.keyLength, 8);
  std::vector<std::uint32_t> order = walk(t);
  ASSERT_EQ(order.size(), 50u - 7u);
  std::string prev = "99999999";
  for (auto r : order) {
    t.go(r);
    std::string d = t.getDtos("DATESENT");
    std::string cmp = d == "        " ? "00000000" : d;  // empty dates come last
    EXPECT_LE(cmp, prev);
    prev = cmp;
  }
  t.close();
  t.open(dir.path(), "BDL.DBF");
  t.setOrder(1);
  EXPECT_EQ(walk(t), order);
}

TEST(Tags, RebuildSequenceOfTheStore) {
  // Close the index, delete its file, pack, make the tag again: as the rebuild command does.
  ScratchDir dir;
  makeOutgoing(dir.path(), 35);
  Table t;
  t.open(dir.path(), "BDL.DBF");
  t.closeIndex();
  EXPECT_EQ(t.indexOrd(), 0);
  BlockFile::remove(dir.file("BDL.CDX"));
  t.pack();
  EXPECT_EQ(t.recCount(), 30u);
  EXPECT_EQ(t.tagCount(), 0);
  t.indexTag("DATESENT", "datesent", true);
  EXPECT_EQ(t.indexOrd(), 1);
  EXPECT_EQ(walk(t).size(), 30u);
  t.close();
  t.open(dir.path(), "BDL.DBF");
  EXPECT_EQ(t.tagInfo(1).keyExpr, "datesent");
  EXPECT_EQ(t.indexOrd(), 1);
}

TEST(Tags, LogicalKeysPutFalseFirst) {
  ScratchDir dir;
  makeOutgoing(dir.path(), 10);
  Table t;
  t.open(dir.path(), "BDL.DBF");
  t.indexTag("SENT", "SENT");
  EXPECT_EQ(t.tagInfo(2).keyType, 'L');
  EXPECT_EQ(t.tagInfo(2).keyLength, 1);
  std::vector<bool> seen;
  for (t.first(); !t.eof(); t.next()) seen.push_back(t.getLogical("SENT"));
  EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
  EXPECT_TRUE(t.seek("T"));
  EXPECT_TRUE(t.getLogical("SENT"));
}

TEST(Tags, BadExpressionIsAnErrorNamingIt) {
  ScratchDir dir;
  makeOutgoing(dir.path(), 3);
  Table t;
  t.open(dir.path(), "BDL.DBF");
  try {
    t.indexTag("X", "DTOS(SUBJECT)+", false);
    FAIL();
  } catch (const TableError& e) {
    EXPECT_NE(std::string(e.what()).find("DTOS(SUBJECT)+"), std::string::npos);
  }
  EXPECT_THROW(t.indexTag("X", "SUBJECT", false, "PAGES"), TableError);  // FOR not logical
  EXPECT_THROW(t.setOrder("X"), TableError);
  EXPECT_THROW(t.setOrder(2), TableError);
  EXPECT_EQ(t.tagCount(), 1);
}

TEST(Seek, TextDateAndNumberKeysInBothDirections) {
  ScratchDir dir;
  Table::create(dir.file("PB.DBF"), {{"NAME", 'C', 20, 0}, {"WHEN", 'D', 8, 0}, {"N", 'N', 5, 1}});
  Table t;
  t.open(dir.path(), "PB.DBF");
  const char* names[] = {"Baker", "Adams", "Clark", "Baker", "Adams", "Bakerson"};
  for (int i = 0; i < 6; ++i) {
    t.append();
    t.putString("NAME", names[i]);
    t.putDtos("WHEN", "2024010" + std::to_string(i + 1));
    t.putNumber("N", i * 1.5);
    t.post();
  }
  t.indexTag("NAME", "NAME");
  EXPECT_TRUE(t.seek("Baker"));
  EXPECT_EQ(t.recNo(), 1u);  // first of equal keys: lowest record number
  EXPECT_TRUE(t.seek("Bakers"));
  EXPECT_EQ(t.recNo(), 6u);
  EXPECT_FALSE(t.seek("Bz"));
  EXPECT_TRUE(t.eof());
  EXPECT_FALSE(t.seek("Ba", false) && false);
  EXPECT_FALSE(t.seek("Bb", true));  // soft: lands on the next key
  EXPECT_EQ(t.recNo(), 3u);
  t.indexTag("NAMED", "NAME", true);
  EXPECT_TRUE(t.seek("Baker"));
  EXPECT_EQ(t.recNo(), 6u);  // descending: "Bakerson" comes before "Baker"
  EXPECT_TRUE(t.seek("Baker  "));
  EXPECT_EQ(t.recNo(), 4u);  // among equal keys, the highest record number
  EXPECT_FALSE(t.seek("Ab", true));
  EXPECT_TRUE(t.eof());
  EXPECT_FALSE(t.seek("Bb", true));
  EXPECT_EQ(t.recNo(), 6u);
  t.indexTag("WHEN", "WHEN");
  EXPECT_TRUE(t.seek("20240103"));
  EXPECT_EQ(t.recNo(), 3u);
  t.indexTag("N", "N", true);
  EXPECT_TRUE(t.seek("4.5"));
  EXPECT_EQ(t.recNo(), 4u);
  t.setOrder(0);
  EXPECT_THROW(t.seek("x"), TableError);
}

TEST(Fields, TypedGetAndPut) {
  ScratchDir dir;
  makeOutgoing(dir.path(), 0);
  Table t;
  t.open(dir.path(), "BDL.DBF");
  EXPECT_THROW(t.putString("SUBJECT", "x"), TableError);  // not editing
  t.append();
  t.putString("subject", std::string(60, 'x') + "tail");
  t.putString("TIMESENT", "12:34");
  t.putNumber("PAGES", 7);
  t.putLogical("SENT", true);
  EXPECT_THROW(t.putNumber("PAGES", 123), TableError);  // would not fit 2 digits
  EXPECT_THROW(t.putDtos("DATESENT", "20241341"), TableError);
  EXPECT_THROW(t.putString("NOSUCH", "x"), TableError);
  EXPECT_THROW(t.putLogical("PAGES", true), TableError);
  t.putDate("DATESENT", Date{2024, 2, 29});
  t.post();
  EXPECT_EQ(t.getString("SUBJECT"), std::string(50, 'x'));
  EXPECT_EQ(t.getNumber("PAGES"), 7);
  EXPECT_EQ(t.getRaw("PAGES"), " 7");
  EXPECT_TRUE(t.getLogical("SENT"));
  EXPECT_EQ(t.getDtos("DATESENT"), "20240229");
  EXPECT_EQ(t.getDate("DATESENT").month, 2);
  t.edit();
  t.putDate("DATESENT", Date{});
  t.putString("PAGES", "");
  t.post();
  EXPECT_EQ(t.getRaw("DATESENT"), "        ");
  EXPECT_EQ(t.getDtos("DATESENT"), "        ");
  EXPECT_TRUE(t.getDate("DATESENT").empty());
  EXPECT_EQ(t.evaluate("DTOS(DATESENT)"), "        ");
  EXPECT_EQ(t.evaluate("SENT"), "T");
  t.edit();
  t.putString("SUBJECT", "changed");
  t.cancel();
  EXPECT_EQ(t.getString("SUBJECT"), std::string(50, 'x'));
}

TEST(Memos, StoreReadTransferAndSurviveReopen) {
  ScratchDir dir;
  makeOutgoing(dir.path(), 0);
  std::string big(100000, 'r');
  {
    Table t;
    t.open(dir.path(), "BDL.DBF");
    t.append();
    t.putMemo("RTFCOVER", "{\\rtf1 hello}");
    t.putMemo("RTFDOC", big);
    t.post();
    t.append();
    t.post();
    EXPECT_EQ(t.getMemo("RTFCOVER"), "");
    EXPECT_TRUE(t.blobToFile("RTFCOVER", dir.file("empty.rtf")));
    EXPECT_TRUE(readFile(dir.file("empty.rtf")).empty());
    EXPECT_FALSE(t.blobToFile("SUBJECT", dir.file("x.rtf")));  // not a memo
  }
  Table t;
  t.open(dir.path(), "BDL.DBF");
  t.go(1);
  EXPECT_EQ(t.getMemo("RTFCOVER"), "{\\rtf1 hello}");
  EXPECT_EQ(t.getMemo("RTFDOC"), big);
  ASSERT_TRUE(t.blobToFile("RTFCOVER", dir.file("Eraseme.rtf")));
  auto bytes = readFile(dir.file("Eraseme.rtf"));
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "{\\rtf1 hello}");
  writeFile(dir.file("Eraseme.rtf"), {'{', 'n', 'e', 'w', '}'});
  t.edit();
  t.fileToBlob("RTFCOVER", dir.file("Eraseme.rtf"));
  EXPECT_THROW(t.fileToBlob("RTFCOVER", dir.file("missing.rtf")), TableError);
  t.post();
  EXPECT_EQ(t.getMemo("RTFCOVER"), "{new}");
  EXPECT_EQ(t.getMemo("RTFDOC"), big);
}

TEST(Pack, RemovesDeletedRecordsAndTheirMemoSpace) {
  ScratchDir dir;
  makeOutgoing(dir.path(), 70);  // 10 deleted
  std::vector<std::string> live;
  for (const auto& line : dumpRecords(dir.path(), "BDL.DBF"))
    if (line[0] == ' ') live.push_back(line);
  {
    // Rewriting memos leaves their old blocks behind until a pack.
    Table t;
    t.open(dir.path(), "BDL.DBF");
    t.go(4);
    t.edit();
    t.putMemo("RTFDOC", std::string(5000, 'z'));
    t.post();
    t.edit();
    t.putMemo("RTFDOC", std::string(54, 'e'));  // as it was
    t.post();
  }
  auto fptBefore = readFile(dir.file("BDL.FPT")).size();
  Table t;
  t.open(dir.path(), "BDL.DBF");
  t.pack();
  EXPECT_EQ(t.recCount(), 60u);
  EXPECT_EQ(t.indexOrd(), 1);
  EXPECT_EQ(walk(t).size(), 60u);
  t.close();
  EXPECT_EQ(dumpRecords(dir.path(), "BDL.DBF"), live);
  EXPECT_LT(readFile(dir.file("BDL.FPT")).size(), fptBefore - 5000);
  EXPECT_FALSE(BlockFile::exists(dir.file("BDL.DBF.pack")));
  EXPECT_FALSE(BlockFile::exists(dir.file("BDL.DBF.tmp")));
}

TEST(Pack, TagsReadingRecordNumbersOrTheDeletedMarkStayRight) {
  ScratchDir dir;
  makeOutgoing(dir.path(), 70);  // 10 deleted
  Table t;
  t.open(dir.path(), "BDL.DBF");
  t.indexTag("BYNUM", "RECNO()", true);
  t.indexTag("GONE", "SUBJECT", false, "DELETED()");
  t.pack();
  EXPECT_TRUE(t.verifyTags().empty());  // each tag as building it from the data gives
  t.setOrder("BYNUM");
  const auto back = walk(t);
  ASSERT_EQ(back.size(), 60u);
  EXPECT_EQ(back.front(), 60u);
  EXPECT_EQ(back.back(), 1u);
  t.setOrder("GONE");
  t.setHideDeleted(false);
  EXPECT_TRUE(walk(t).empty());
  t.close();
  EXPECT_EQ(tagWalk(dir.path()), expectedWalk(dir.path()));
}

TEST(Exclusive, SecondOpenerFailsInThisAndAnotherProcess) {
  ScratchDir dir;
  makeOutgoing(dir.path(), 2);
  Table first;
  first.open(dir.path(), "BDL.DBF");
  Table second;
  try {
    second.open(dir.path(), "BDL.DBF");
    FAIL();
  } catch (const TableError& e) {
    EXPECT_EQ(e.code(), err::kLocked);
    EXPECT_NE(std::string(e.what()).find("BDL.DBF"), std::string::npos);
  }
  EXPECT_FALSE(second.isOpen());
  pid_t pid = fork();
  if (pid == 0) {
    int code = 3;
    try {
      Table t;
      t.open(dir.path(), "BDL.DBF");
      code = 0;
    } catch (const TableError& e) {
      code = e.code() == err::kLocked ? 1 : 2;
    }
    _exit(code);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  EXPECT_EQ(WEXITSTATUS(status), 1);
  first.close();
  second.open(dir.path(), "BDL.DBF");
  EXPECT_TRUE(second.isOpen());
}

TEST(Exclusive, SharedOpenersReadTogetherButCannotWrite) {
  ScratchDir dir;
  makeOutgoing(dir.path(), 3);
  Table a, b;
  a.open(dir.path(), "BDL.DBF", false);
  b.open(dir.path(), "BDL.DBF", false);
  EXPECT_EQ(b.recCount(), 3u);
  EXPECT_THROW(a.append(), TableError);
  Table c;
  EXPECT_THROW(c.open(dir.path(), "BDL.DBF"), TableError);
}

TEST(Exclusive, WorkAreaNamesFollowTheFileName) {
  ScratchDir dir;
  Table::create(dir.file("my-list~1.dbf"), {{"A", 'C', 2, 0}});
  Table::create(dir.file("MY_LIST_1B.DBF"), {{"A", 'C', 2, 0}});
  Table a, b;
  a.open(dir.path(), "my-list~1.dbf");
  b.open(dir.path(), "MY_LIST_1B.DBF");
  EXPECT_EQ(a.alias(), "MY_LIST_");
  EXPECT_EQ(b.alias(), "MY_LIST__1");
}

}  // namespace
}  // namespace tables::test
