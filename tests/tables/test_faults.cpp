// Failing writes and killed processes: every operation is cut at each of its writes and
// the table is reopened to check that nothing posted before was lost.
#include "test_support.h"

#include <filesystem>

namespace tables::test {
namespace {

using Action = FaultInjector::Action;

void appendOne(Table& t) {
  t.append();
  t.putString("SUBJECT", "the new one");
  t.putDtos("DATESENT", "20300101");
  t.putMemo("RTFCOVER", std::string(300, 'c'));
  t.post();
}

void editOne(Table& t) {
  t.go(5);
  t.edit();
  t.putString("SUBJECT", "edited");
  t.putDtos("DATESENT", "20310101");
  t.putMemo("RTFDOC", std::string(200, 'd'));
  t.post();
}

void deleteOne(Table& t) {
  t.go(6);
  t.deleteRecord();
}

using Operation = void (*)(Table&);

// How many writes, renames and removals an operation makes.
int countSteps(const std::string& dir, Operation op) {
  StepInjector counter(0, Action::Proceed);
  InjectorScope scope(&counter);
  Table t;
  t.open(dir, "BDL.DBF");
  op(t);
  return counter.steps();
}

struct Case {
  const char* name;
  Operation op;
};
const Case kCases[] = {{"append", appendOne}, {"edit", editOne}, {"delete", deleteOne}};

TEST(Crash, KillAtEveryWriteKeepsPostedRecords) {
  for (const Case& c : kCases) {
    ScratchDir probe;
    makeOutgoing(probe.path(), 20);
    int steps = countSteps(probe.path(), c.op);
    ASSERT_GE(steps, 3) << c.name;
    auto after = dumpRecords(probe.path(), "BDL.DBF");
    for (int k = 1; k <= steps; ++k) {
      ScratchDir dir;
      makeOutgoing(dir.path(), 20);
      auto before = dumpRecords(dir.path(), "BDL.DBF");
      {
        StepInjector crash(k, Action::Crash);
        InjectorScope scope(&crash);
        Table t;
        t.open(dir.path(), "BDL.DBF");
        EXPECT_THROW(c.op(t), SimulatedCrash) << c.name << " step " << k;
      }
      // The dead process's writes stop at step k; what is on disk must open and hold
      // either the old state or the new one, with a tag that agrees with the data.
      auto now = dumpRecords(dir.path(), "BDL.DBF");
      EXPECT_TRUE(now == before || now == after) << c.name << " step " << k;
      EXPECT_EQ(tagWalk(dir.path()), expectedWalk(dir.path())) << c.name << " step " << k;
    }
  }
}

TEST(WriteFailure, DiskFullOrShortWriteLeavesTheTableAsItWas) {
  for (const Case& c : kCases) {
    ScratchDir probe;
    makeOutgoing(probe.path(), 20);
    int steps = countSteps(probe.path(), c.op);
    for (Action a : {Action::DiskFull, Action::ShortWrite}) {
      for (int k = 1; k <= steps; ++k) {
        ScratchDir dir;
        makeOutgoing(dir.path(), 20);
        auto before = dumpRecords(dir.path(), "BDL.DBF");
        auto cdxOrder = tagWalk(dir.path());
        {
          StepInjector fault(k, a);
          InjectorScope scope(&fault);
          Table t;
          t.open(dir.path(), "BDL.DBF");
          EXPECT_THROW(c.op(t), TableError) << c.name << " step " << k;
          // After a failed write the table refuses to write until it is reopened.
          try {
            t.append();
            ADD_FAILURE() << "write accepted after a failure";
          } catch (const TableError& e) {
            EXPECT_EQ(e.code(), err::kWriteFailed);
          }
        }
        EXPECT_EQ(dumpRecords(dir.path(), "BDL.DBF"), before) << c.name << " step " << k;
        EXPECT_EQ(tagWalk(dir.path()), cdxOrder) << c.name << " step " << k;
      }
    }
  }
}

// A batch of appends long enough to reach the file in two blocks (about 1 MB is held).
void appendBatch(Table& t) {
  t.beginBatch();
  for (int i = 0; i < 4000; ++i) {
    t.append();
    t.putString("SUBJECT", "batch " + std::to_string(i));
    t.putDtos("DATESENT", "20300101");
    t.post();
  }
  t.endBatch();
}

// What is on disk after a batch was cut: the records before it and some of its appends, each
// whole, with a tag that agrees with the data.
void expectCutBatch(const std::string& dir, const std::vector<std::string>& finished, int k) {
  auto now = dumpRecords(dir, "BDL.DBF");
  EXPECT_GE(now.size(), 20u) << "step " << k;
  EXPECT_TRUE(now.size() <= finished.size() && std::equal(now.begin(), now.end(), finished.begin()))
      << "step " << k;
  EXPECT_EQ(tagWalk(dir), expectedWalk(dir)) << "step " << k;
}

// Runs the batch on a fresh table of 20 records with write step k answered by `action`
// (`during` runs it and looks at the table), then checks what reached the disk.
template <class During>
void cutBatch(int k, Action action, const std::vector<std::string>& finished, During during) {
  ScratchDir dir;
  makeOutgoing(dir.path(), 20);
  {
    StepInjector fault(k, action);
    InjectorScope scope(&fault);
    Table t;
    t.open(dir.path(), "BDL.DBF");
    during(t);
  }
  expectCutBatch(dir.path(), finished, k);
}

TEST(Crash, KillDuringABatchKeepsTheRecordsItsFileCounts) {
  ScratchDir probe;
  makeOutgoing(probe.path(), 20);
  const int steps = countSteps(probe.path(), appendBatch);
  ASSERT_GE(steps, 4);
  const auto finished = dumpRecords(probe.path(), "BDL.DBF");
  for (int k = 1; k <= steps; ++k)
    cutBatch(k, Action::Crash, finished,
             [&](Table& t) { EXPECT_THROW(appendBatch(t), SimulatedCrash) << "step " << k; });
}

TEST(WriteFailure, FailedBatchWriteLosesOnlyTheAppendsItHeld) {
  ScratchDir probe;
  makeOutgoing(probe.path(), 20);
  const int steps = countSteps(probe.path(), appendBatch);
  const auto finished = dumpRecords(probe.path(), "BDL.DBF");
  for (Action a : {Action::DiskFull, Action::ShortWrite}) {
    for (int k = 1; k <= steps; ++k) {
      cutBatch(k, a, finished, [&](Table& t) {
        EXPECT_THROW(appendBatch(t), TableError) << "step " << k;
        // Reading goes on over the records the table still has; writing waits for a reopen.
        std::uint32_t walked = 0;
        for (t.first(); !t.eof(); t.next()) ++walked;
        EXPECT_EQ(walked, t.queryRecCount()) << "step " << k;
        EXPECT_THROW(t.append(), TableError);
      });
    }
  }
}

std::vector<std::string> liveRecords(const std::string& dir) {
  std::vector<std::string> v;
  for (auto& line : dumpRecords(dir, "BDL.DBF"))
    if (line[0] == ' ') v.push_back(line.substr(1));
  return v;
}

void packTable(Table& t) { t.pack(); }

TEST(Crash, KillDuringPackLosesNothing) {
  ScratchDir probe;
  makeOutgoing(probe.path(), 30);
  int steps = countSteps(probe.path(), packTable);
  ASSERT_GE(steps, 7);
  for (int k = 1; k <= steps; ++k) {
    ScratchDir dir;
    makeOutgoing(dir.path(), 30);
    auto live = liveRecords(dir.path());
    {
      StepInjector crash(k, Action::Crash);
      InjectorScope scope(&crash);
      Table t;
      t.open(dir.path(), "BDL.DBF");
      EXPECT_THROW(t.pack(), SimulatedCrash) << "step " << k;
    }
    Table t;
    ASSERT_NO_THROW(t.open(dir.path(), "BDL.DBF")) << "step " << k;
    EXPECT_TRUE(t.recCount() == 30u || t.recCount() == 26u) << "step " << k;
    t.close();
    EXPECT_EQ(liveRecords(dir.path()), live) << "step " << k;
    EXPECT_EQ(tagWalk(dir.path()), expectedWalk(dir.path())) << "step " << k;
  }
}

TEST(WriteFailure, FailedPackKeepsEveryLiveRecord) {
  ScratchDir probe;
  makeOutgoing(probe.path(), 30);
  int steps = countSteps(probe.path(), packTable);
  for (int k = 1; k <= steps; ++k) {
    ScratchDir dir;
    makeOutgoing(dir.path(), 30);
    auto live = liveRecords(dir.path());
    bool threw = false;
    {
      StepInjector fault(k, Action::Fail);
      InjectorScope scope(&fault);
      Table t;
      t.open(dir.path(), "BDL.DBF");
      try {
        t.pack();
      } catch (const TableError&) {
        threw = true;
      }
    }
    EXPECT_TRUE(threw) << "step " << k;
    EXPECT_EQ(liveRecords(dir.path()), live) << "step " << k;
  }
}

TEST(WriteFailure, FailedRenameOfTheIndexKeepsTheOldFiles) {
  ScratchDir dir;
  makeOutgoing(dir.path(), 10);
  auto before = dumpRecords(dir.path(), "BDL.DBF");
  auto cdx = readFile(dir.file("BDL.CDX"));
  // The last step of a post is the rename that puts the new CDX in place.
  int steps = countSteps(dir.path(), appendOne);
  ScratchDir again;
  makeOutgoing(again.path(), 10);
  {
    StepInjector fault(steps, Action::Fail);
    InjectorScope scope(&fault);
    Table t;
    t.open(again.path(), "BDL.DBF");
    EXPECT_THROW(appendOne(t), TableError);
  }
  EXPECT_EQ(dumpRecords(again.path(), "BDL.DBF"), before);
  EXPECT_EQ(readFile(again.file("BDL.CDX")), cdx);
  for (const auto& entry : std::filesystem::directory_iterator(again.path()))
    EXPECT_NE(entry.path().extension(), ".tmp") << entry.path();
}

}  // namespace
}  // namespace tables::test
