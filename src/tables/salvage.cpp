// Finding what keeps a table from opening, copying its files aside, and mending it.
#include "tables/salvage.h"

#include "tables/table_impl.h"

namespace tables {

namespace {

std::string nameOf(const std::string& path) { return path.substr(path.find_last_of('/') + 1); }

// Copies a file to path + ".damaged-" + stamp, or with "-2", "-3", ... after that when
// the name is taken, and returns the copy's path.
std::string copyAside(const std::string& path, const std::string& stamp) {
  const std::string first = path + ".damaged-" + stamp;
  std::string target = first;
  for (int n = 2; BlockFile::exists(target); ++n) target = first + "-" + std::to_string(n);
  BlockFile::replaceWhole(target, BlockFile::open(path, false).readAll());
  return target;
}

// "Record 4 has", "Records 4 and 9 have", "Records 4, 9 and 12 have", "31 records have".
std::string recordsHave(const std::vector<std::uint32_t>& recs) {
  if (recs.size() == 1) return "Record " + std::to_string(recs[0]) + " has";
  if (recs.size() > 5) return std::to_string(recs.size()) + " records have";
  std::string list = "Records ";
  for (std::size_t i = 0; i < recs.size(); ++i) {
    if (i) list += i + 1 == recs.size() ? " and " : ", ";
    list += std::to_string(recs[i]);
  }
  return list + " have";
}

// Why the memo file cannot be used, or "" when it can.
std::string memoFileProblem(const std::string& fptPath) {
  if (!BlockFile::exists(fptPath)) return "The memo file " + nameOf(fptPath) + " is missing";
  try {
    FptFile fpt;
    fpt.open(BlockFile::open(fptPath, false));
  } catch (const TableError& e) {
    if (e.code() != err::kBadFpt) throw;
    return "The memo file " + nameOf(fptPath) + " cannot be read";
  }
  return {};
}

// Rewrites the unreadable deletion flags as "not deleted" and the header's record count
// as the records the file holds.
void mendData(const std::string& path) {
  DbfFile dbf;
  DbfFile::Damage damage;
  dbf.open(BlockFile::open(path, true, BlockFile::Lock::Exclusive), nullptr, &damage);
  for (std::uint32_t r : damage.badFlags) {
    std::vector<std::uint8_t> rec(dbf.record(r), dbf.record(r) + dbf.recordLength());
    rec[0] = ' ';
    dbf.writeRecord(r, rec.data());
  }
  if (damage.counted != dbf.count()) dbf.rewriteHeader();
  dbf.close();
}

// An empty memo file in place of the damaged one, and no record pointing into it; the
// records that pointed into it are returned.
std::vector<std::uint32_t> emptyMemos(const std::string& dir, const std::string& fileName,
                                      const std::string& fptPath) {
  FptFile::create(fptPath + ".tmp");
  BlockFile::rename(fptPath + ".tmp", fptPath);
  Table t;
  t.open(dir, fileName);
  t.setHideDeleted(false);
  std::vector<std::string> memos;
  for (int i = 0; i < t.fieldCount(); ++i)
    if (t.field(i).type == 'M') memos.push_back(t.field(i).name);
  std::vector<std::uint32_t> pointed;
  for (std::uint32_t r = 1; r <= t.recCount(); ++r) {
    t.go(r);
    bool any = false;
    for (const std::string& m : memos)
      any = any || t.getRaw(m).find_first_not_of(std::string(" \0", 2)) != std::string::npos;
    if (!any) continue;
    pointed.push_back(r);
    t.edit();
    for (const std::string& m : memos) t.putMemo(m, "");
    t.post();
  }
  t.close();
  return pointed;
}

}  // namespace

SalvageReport SalvageTable(const std::string& dir, const std::string& fileName,
                           const std::string& stamp) {
  SalvageReport report;
  const std::string path = joinPath(dir, fileName);
  const std::string fptPath = companion(path, ".FPT");
  const auto copyAll = [&] {
    report.copies.push_back(copyAside(path, stamp));
    if (BlockFile::exists(fptPath)) report.copies.push_back(copyAside(fptPath, stamp));
  };

  DbfFile dbf;
  DbfFile::Damage damage;
  try {
    dbf.open(BlockFile::open(path, false, BlockFile::Lock::Exclusive), nullptr, &damage);
  } catch (const TableError& e) {
    if (e.code() != err::kBadDbf) throw;
    report.outcome = SalvageReport::Outcome::Unreadable;
    report.problems.push_back(nameOf(path) + " cannot be read at all (" + e.what() + ")");
    copyAll();
    return report;
  }
  const std::uint32_t kept = dbf.count();
  const std::string memoProblem = dbf.hasMemo() ? memoFileProblem(fptPath) : std::string();
  dbf.close();

  if (damage.counted > kept)
    report.problems.push_back("The header of " + nameOf(path) + " counts " +
                              std::to_string(damage.counted) + " records but only " +
                              std::to_string(kept) + " could be read; those " +
                              std::to_string(kept) + " are kept");
  if (!damage.badFlags.empty())
    report.problems.push_back(recordsHave(damage.badFlags) +
                              " an unreadable deletion mark; read as not deleted");
  if (!memoProblem.empty()) report.problems.push_back(memoProblem + "; the texts it held are lost");
  if (report.problems.empty()) return report;

  copyAll();
  mendData(path);
  BlockFile::remove(companion(path, ".CDX"));  // built again from the mended data
  if (!memoProblem.empty()) report.lostMemos = emptyMemos(dir, fileName, fptPath);
  report.outcome = SalvageReport::Outcome::Mended;
  report.memosLost = !memoProblem.empty();
  return report;
}

}  // namespace tables
