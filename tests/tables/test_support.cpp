// Shared helpers of the table tests.
#include "test_support.h"

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace tables::test {

ScratchDir::ScratchDir() {
  char tmpl[] = "/tmp/brindle-tables-XXXXXX";
  path_ = ::mkdtemp(tmpl);
}

ScratchDir::~ScratchDir() {
  std::error_code ec;
  fs::remove_all(path_, ec);
}

const std::vector<TableDef>& storeTables() {
  static const std::vector<TableDef> definitions = {
      {"BDL.DBF",
       {{"SUBJECT", 'C', 50, 0},
        {"SENT", 'L', 1, 0},
        {"DATESENT", 'D', 8, 0},
        {"TIMESENT", 'C', 5, 0},
        {"RECIPIENT", 'C', 35, 0},
        {"PHONE", 'C', 25, 0},
        {"PAGES", 'N', 2, 0},
        {"LASTRESULT", 'C', 100, 0},
        {"RTFCOVER", 'M', 10, 0},
        {"RTFDOC", 'M', 10, 0}},
       "DATESENT",
       "DTOS(DATESENT)+TIMESENT",
       ".not. deleted()",
       true},
      {"BDLREC.DBF",
       {{"DATEREC", 'D', 8, 0},
        {"TIMEREC", 'C', 5, 0},
        {"FROM", 'C', 20, 0},
        {"PAGES", 'N', 2, 0},
        {"FAXFILE", 'C', 12, 0},
        {"NOTES", 'C', 60, 0}},
       "DATETIME",
       "DTOS(DATEREC)+TIMEREC",
       ".not. deleted()",
       true},
      {"BDLCOV.DBF",
       {{"DESCRIPT", 'C', 35, 0}, {"COVER", 'M', 10, 0}},
       "DESCRIPT",
       "DESCRIPT",
       ".not. deleted()",
       false},
      {"BDLPB.DBF",
       {{"NAME", 'C', 35, 0}, {"PHONE", 'C', 25, 0}},
       "NAME",
       "NAME",
       ".not. deleted()",
       false},
  };
  return definitions;
}

const TableDef& outgoingTable() { return storeTables()[0]; }

void makeOutgoing(const std::string& dir, int n) {
  const TableDef& s = outgoingTable();
  Table::create(dir + "/" + s.file, s.fields);
  Table t;
  t.open(dir, s.file);
  t.indexTag(s.tag, s.keyExpr, s.descending, s.forExpr);
  t.beginBatch();
  for (int i = 1; i <= n; ++i) {
    t.append();
    t.putString("SUBJECT", "Subject " + std::to_string(i));
    t.putLogical("SENT", i % 2 == 0);
    char date[16];
    std::snprintf(date, sizeof date, "2024%02d%02d", 1 + i % 12, 1 + i % 28);
    if (i % 5 != 0) t.putDtos("DATESENT", date);
    char time[8];
    std::snprintf(time, sizeof time, "%02d:%02d", i % 24, i % 60);
    t.putString("TIMESENT", time);
    t.putString("RECIPIENT", "Recipient " + std::to_string(i % 17));
    t.putString("PHONE", "+44 20 " + std::to_string(1000 + i));
    t.putNumber("PAGES", i % 30);
    t.putString("LASTRESULT", i % 2 ? "Busy" : "Sent");
    if (i % 3 == 0) t.putMemo("RTFCOVER", "{\\rtf1 cover " + std::to_string(i) + "}");
    if (i % 4 == 0) t.putMemo("RTFDOC", std::string(std::size_t(50 + i), char('a' + i % 26)));
    t.post();
    if (i % 7 == 0) t.deleteRecord();
  }
  t.endBatch();
}

std::vector<std::uint32_t> tagWalk(const std::string& dir) {
  Table t;
  t.open(dir, "BDL.DBF");
  t.setOrder(1);
  std::vector<std::uint32_t> v;
  for (t.first(); !t.eof(); t.next()) v.push_back(t.recNo());
  return v;
}

std::vector<std::uint32_t> expectedWalk(const std::string& dir) {
  Table t;
  t.open(dir, "BDL.DBF");
  t.closeIndex();
  std::vector<std::pair<std::string, std::uint32_t>> keys;
  for (std::uint32_t r = 1; r <= t.recCount(); ++r) {
    t.go(r);
    if (!t.isDeleted()) keys.emplace_back(t.getDtos("DATESENT") + t.getRaw("TIMESENT"), r);
  }
  std::sort(keys.rbegin(), keys.rend());
  std::vector<std::uint32_t> v;
  for (auto& k : keys) v.push_back(k.second);
  return v;
}

std::vector<std::string> dumpRecords(const std::string& dir, const std::string& file) {
  Table t;
  t.open(dir, file);
  std::vector<std::string> out;
  for (std::uint32_t r = 1; r <= t.recCount(); ++r) {
    t.go(r);
    std::string line = t.isDeleted() ? "*" : " ";
    for (int f = 0; f < t.fieldCount(); ++f)
      line += "|" + t.field(f).name + "=" + t.getString(t.field(f).name);
    out.push_back(line);
  }
  return out;
}

std::string samplesDir() { return BRINDLE_SAMPLES_DIR; }

void copySamples(const std::string& sampleFolder, const std::string& dir) {
  if (!fs::is_directory(samplesDir() + "/" + sampleFolder))
    GTEST_SKIP() << "sample tables not found in " << samplesDir();
  for (const auto& e : fs::directory_iterator(samplesDir() + "/" + sampleFolder)) {
    fs::path to = fs::path(dir) / e.path().filename();
    fs::copy_file(e.path(), to, fs::copy_options::overwrite_existing);
    fs::permissions(to, fs::perms::owner_read | fs::perms::owner_write);
  }
}

std::vector<std::uint8_t> readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<std::uint8_t>((std::istreambuf_iterator<char>(in)),
                                   std::istreambuf_iterator<char>());
}

void writeFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

}  // namespace tables::test
