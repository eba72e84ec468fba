// Helpers shared by the table tests: scratch folders, the four tables of the fax store,
// and a fault injector that fails or cuts the write sequence at a chosen step.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tables/blockfile.h"
#include "tables/table.h"

namespace tables::test {

// A fresh folder per test, removed afterwards.
class ScratchDir {
 public:
  ScratchDir();
  ~ScratchDir();
  const std::string& path() const { return path_; }
  std::string file(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

// Field lists of the fax store's tables, with their tags.
struct TableDef {
  std::string file;
  std::vector<FieldDef> fields;
  std::string tag, keyExpr, forExpr;
  bool descending;
};
const std::vector<TableDef>& storeTables();
const TableDef& outgoingTable();

// Creates the outgoing-fax table with its tag and n records (every 7th deleted).
void makeOutgoing(const std::string& dir, int n);
// Records in the order of the first tag, walked after a fresh open.
std::vector<std::uint32_t> tagWalk(const std::string& dir);
// The order that tag must give, worked out from the outgoing table's data alone. Opening
// the table repairs a stale index, so take it after the walk under test.
std::vector<std::uint32_t> expectedWalk(const std::string& dir);
// Reads every record as text, one string per record: "deleted|field=value|...".
std::vector<std::string> dumpRecords(const std::string& dir, const std::string& file);
// Copies a sample table folder into dir (writable).
void copySamples(const std::string& sampleFolder, const std::string& dir);
std::string samplesDir();
std::vector<std::uint8_t> readFile(const std::string& path);
void writeFile(const std::string& path, const std::vector<std::uint8_t>& bytes);

// Counts writes, renames and removals; at step `failAt` (1-based) it answers `action`.
class StepInjector : public FaultInjector {
 public:
  StepInjector(int failAt, Action action) : failAt_(failAt), action_(action) {}
  Action before(const char*, const std::string&) override {
    return ++steps_ == failAt_ ? action_ : Action::Proceed;
  }
  int steps() const { return steps_; }

 private:
  int failAt_;
  Action action_;
  int steps_ = 0;
};

// Installs an injector for one scope.
class InjectorScope {
 public:
  explicit InjectorScope(FaultInjector* f) { setFaultInjector(f); }
  ~InjectorScope() { setFaultInjector(nullptr); }
};

}  // namespace tables::test
