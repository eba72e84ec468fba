// Table components: the binding's filter across reopens, calculated fields, grid rows at
// deep positions, and change notifications.
#include "tables/binding.h"
#include "test_support.h"

namespace tables::test {
namespace {

struct Outgoing {
  Cursor table;
  DataSource source;
  TTableBinding binding;
  explicit Outgoing(const std::string& dir) {
    table.directory = dir;
    table.tableName = "BDL.DBF";
    source.dataSet = &table;
    binding.setDataSource(&source);
  }
};

TEST(Binding, FilterIsAppliedAgainWheneverTheTableOpens) {
  ScratchDir dir;
  makeOutgoing(dir.path(), 40);
  Outgoing o(dir.path());
  o.binding.setFilter(".not. deleted()");
  o.table.open();
  EXPECT_EQ(o.table.table().filter(), ".not. deleted()");
  o.table.table().setHideDeleted(false);
  EXPECT_EQ(o.binding.queryRecCount(), 40u - 5u);
  o.table.close();
  EXPECT_EQ(o.binding.queryRecCount(), 0u);
  o.table.open();
  o.table.table().setHideDeleted(false);
  EXPECT_EQ(o.table.table().filter(), ".not. deleted()");
  EXPECT_EQ(o.binding.queryRecCount(), 35u);
  o.table.go(8);
  o.table.deleteRecord();
  EXPECT_EQ(o.binding.queryRecCount(), 34u);
  EXPECT_EQ(o.table.table().recCount(), 40u);
}

TEST(Binding, CalculatedFieldRunsPerRecord) {
  ScratchDir dir;
  makeOutgoing(dir.path(), 6);
  Outgoing o(dir.path());
  o.table.addCalculatedField("SentYesNo", 3);
  int runs = 0;
  o.table.setCalcHandler([&](Cursor& c) {
    ++runs;
    c.fieldByName("SentYesNo").setCalcValue(c.fieldByName("SENT").asLogical() ? "Yes" : "No ");
  });
  o.table.open();
  EXPECT_EQ(o.table.fieldCount(), 11);
  EXPECT_TRUE(o.table.fieldByName("sentyesno").isCalculated());
  o.table.go(1);
  EXPECT_EQ(o.table.fieldByName("SentYesNo").asString(), "No ");  // trailing blank kept
  EXPECT_EQ(o.table.fieldByName("SentYesNo").asString(), "No ");
  EXPECT_EQ(runs, 1);
  o.table.go(2);
  EXPECT_EQ(o.table.fieldByName("SentYesNo").asString(), "Yes");
  o.table.edit();
  o.table.fieldByName("SENT").setLogical(false);
  o.table.post();
  EXPECT_EQ(o.table.fieldByName("SentYesNo").asString(), "No ");
  EXPECT_THROW(o.table.fieldByName("SUBJECT").setCalcValue("x"), TableError);
  EXPECT_THROW(o.table.fieldByName("nosuch"), TableError);
  o.table.close();
  o.table.open();
  EXPECT_NE(o.table.findField("SentYesNo"), nullptr);  // declared once, kept on reopen
}

TEST(Grid, RowsFollowTheOrderAndFilterAtDeepPositions) {
  ScratchDir dir;
  makeOutgoing(dir.path(), 3000);
  Outgoing o(dir.path());
  o.binding.setFilter(".not. deleted()");
  o.table.open();
  GridView grid(o.table);
  Table& t = o.table.table();
  for (int order : {1, 0}) {
    t.setOrder(order);
    std::vector<std::uint32_t> walk;
    for (t.first(); !t.eof(); t.next()) walk.push_back(t.recNo());
    ASSERT_EQ(grid.rowCount(), walk.size());
    for (std::uint32_t row :
         {0u, 1u, 1000u, std::uint32_t(walk.size() - 40), std::uint32_t(walk.size() - 1)})
      EXPECT_EQ(grid.recNoAt(row), walk[row]) << "order " << order << " row " << row;
    EXPECT_EQ(grid.recNoAt(std::uint32_t(walk.size())), 0u);
  }
  // Under a filter the tag cannot answer alone: still right.
  o.binding.setFilter("PAGES > 20 .AND. .NOT. DELETED()");
  t.setOrder(1);
  std::vector<std::uint32_t> walk;
  for (t.first(); !t.eof(); t.next()) walk.push_back(t.recNo());
  ASSERT_EQ(grid.rowCount(), walk.size());
  EXPECT_EQ(grid.recNoAt(std::uint32_t(walk.size() / 2)), walk[walk.size() / 2]);
  EXPECT_TRUE(grid.moveTo(5));
  EXPECT_EQ(o.table.recNo(), walk[5]);
}

TEST(Grid, RowValuesDoNotDisturbTheCurrentRecordOrItsEdit) {
  ScratchDir dir;
  makeOutgoing(dir.path(), 10);
  Outgoing o(dir.path());
  o.table.addCalculatedField("SentYesNo", 3);
  o.table.setCalcHandler([](Cursor& c) {
    c.fieldByName("SentYesNo").setCalcValue(c.fieldByName("SENT").asLogical() ? "Yes" : "No ");
  });
  o.table.open();
  o.table.table().setOrder(0);
  GridView grid(o.table);
  o.table.go(3);
  o.table.edit();
  o.table.fieldByName("SUBJECT").setString("being edited");
  EXPECT_EQ(grid.value(0, "SUBJECT"), "Subject 1");
  EXPECT_EQ(grid.value(0, "SentYesNo"), "No ");
  EXPECT_EQ(grid.value(1, "SentYesNo"), "Yes");
  EXPECT_EQ(grid.value(2, "SUBJECT"), "Subject 3");  // what is stored, not the edit
  EXPECT_EQ(o.table.recNo(), 3u);
  EXPECT_EQ(o.table.fieldByName("SUBJECT").asString(), "being edited");
  EXPECT_EQ(o.table.fieldByName("SentYesNo").asString(), "No ");
  o.table.post();
  EXPECT_EQ(grid.value(2, "SUBJECT"), "being edited");
}

TEST(Grid, ListenersHearChangesUnlessControlsAreDisabled) {
  ScratchDir dir;
  makeOutgoing(dir.path(), 5);
  Outgoing o(dir.path());
  GridView grid(o.table);
  std::vector<Change> heard;
  grid.setOnChange([&](Change c) { heard.push_back(c); });
  o.table.open();
  o.table.append();
  o.table.post();
  o.table.edit();
  o.table.post();
  o.table.deleteRecord();
  o.table.disableControls();
  o.table.first();
  o.table.enableControls();
  o.table.close();
  std::vector<Change> want = {Change::Opened,  Change::Appended,        Change::Posted,
                              Change::Deleted, Change::ControlsEnabled, Change::Closed};
  EXPECT_EQ(heard, want);
}

}  // namespace
}  // namespace tables::test
