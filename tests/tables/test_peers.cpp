// An independent reader and writer of tables (the python dbf module) checks our files
// field by field, memos included, and gives us tables of its own to read.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <sstream>

#include "test_support.h"

namespace tables::test {
namespace {

// The python interpreter that has the dbf module, or "" when there is none.
std::string peerPython() {
  for (const char* py : {"/usr/bin/python3", "python3"}) {
    std::string cmd = std::string(py) + " -c 'import dbf' >/dev/null 2>&1";
    if (std::system(cmd.c_str()) == 0) return py;
  }
  return "";
}

std::string run(const std::string& cmd) {
  std::string out;
  FILE* p = popen(cmd.c_str(), "r");
  if (!p) return out;
  char buf[4096];
  std::size_t n;
  while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
  EXPECT_EQ(pclose(p), 0) << cmd;
  return out;
}

// Minimal reader of the flat JSON lines the scripts print.
struct PeerRecord {
  bool deleted = false;
  std::map<std::string, std::string> values;
};

std::string jsonString(const std::string& s, std::size_t& i) {
  std::string v;
  for (++i; i < s.size() && s[i] != '"'; ++i) {
    if (s[i] != '\\') {
      v += s[i];
      continue;
    }
    char e = s[++i];
    if (e == 'n')
      v += '\n';
    else if (e == 't')
      v += '\t';
    else if (e == 'r')
      v += '\r';
    else if (e == 'u') {
      v += char(std::stoi(s.substr(i + 1, 4), nullptr, 16));
      i += 4;
    } else
      v += e;
  }
  ++i;
  return v;
}

std::vector<PeerRecord> parsePeer(const std::string& out) {
  std::vector<PeerRecord> recs;
  std::istringstream in(out);
  std::string line;
  while (std::getline(in, line)) {
    PeerRecord r;
    r.deleted = line.find("\"deleted\": true") != std::string::npos;
    std::size_t i = line.find("\"values\": {");
    if (i == std::string::npos) continue;
    i += 11;
    while (i < line.size() && line[i] != '}') {
      while (line[i] != '"') ++i;
      std::string k = jsonString(line, i);
      while (line[i] != '"') ++i;
      r.values[k] = jsonString(line, i);
      while (i < line.size() && (line[i] == ',' || line[i] == ' ')) ++i;
    }
    recs.push_back(r);
  }
  return recs;
}

// Our value of a field in the same text form as the peer script prints.
std::string ours(Table& t, const FieldDef& f) {
  switch (f.type) {
    case 'D': {
      std::string d = t.getDtos(f.name);
      return d == "        " ? "" : d;
    }
    case 'L': return t.getLogical(f.name) ? "T" : "F";
    case 'N': return t.isBlank(f.name) ? "" : std::to_string(t.getNumber(f.name));
    default: return t.getString(f.name);
  }
}

void expectSame(Table& t, const std::vector<PeerRecord>& peer) {
  ASSERT_EQ(peer.size(), t.recCount());
  t.setHideDeleted(false);
  for (std::uint32_t r = 1; r <= t.recCount(); ++r) {
    t.go(r);
    EXPECT_EQ(peer[r - 1].deleted, t.isDeleted()) << "record " << r;
    for (int i = 0; i < t.fieldCount(); ++i) {
      const FieldDef& f = t.field(i);
      auto it = peer[r - 1].values.find(f.name);
      ASSERT_NE(it, peer[r - 1].values.end()) << f.name;
      if (f.type == 'N' && !it->second.empty())
        EXPECT_NEAR(std::stod(it->second), t.getNumber(f.name), 1e-9) << f.name << " record " << r;
      else
        EXPECT_EQ(it->second, ours(t, f)) << f.name << " record " << r;
    }
  }
}

TEST(Peer, ReadsOurFourTablesFieldByField) {
  std::string py = peerPython();
  if (py.empty()) GTEST_SKIP() << "python3 with the dbf module is not installed";
  ScratchDir dir;
  makeOutgoing(dir.path(), 120);
  for (const auto& s : storeTables()) {
    if (s.file == "BDL.DBF") continue;
    Table::create(dir.file(s.file), s.fields);
    Table t;
    t.open(dir.path(), s.file);
    t.indexTag(s.tag, s.keyExpr, s.descending, s.forExpr);
    for (int i = 1; i <= 25; ++i) {
      t.append();
      for (const auto& f : s.fields) {
        if (f.type == 'C') t.putString(f.name, f.name + " " + std::to_string(i * 31 % 97));
        if (f.type == 'N') t.putNumber(f.name, i % 50);
        if (f.type == 'D' && i % 6)
          t.putDtos(f.name, "2023" + std::string(i % 9 + 1 < 10 ? "0" : "") +
                                std::to_string(i % 9 + 1) + "15");
        if (f.type == 'M' && i % 4) t.putMemo(f.name, "{\\rtf1 cover " + std::to_string(i) + "}");
      }
      t.post();
      if (i % 6 == 0) t.deleteRecord();
    }
  }
  for (const auto& s : storeTables()) {
    auto peer = parsePeer(run(py + " " + BRINDLE_TEST_SCRIPTS "/dbf_dump.py " + dir.file(s.file)));
    Table t;
    t.open(dir.path(), s.file);
    SCOPED_TRACE(s.file);
    expectSame(t, peer);
  }
}

TEST(Peer, TablesThePeerWritesOpenWithTheSameValues) {
  std::string py = peerPython();
  if (py.empty()) GTEST_SKIP() << "python3 with the dbf module is not installed";
  ScratchDir dir;
  auto peer =
      parsePeer(run(py + " " BRINDLE_TEST_SCRIPTS "/dbf_make.py " + dir.file("PEER.DBF") + " 150"));
  ASSERT_EQ(peer.size(), 150u);
  Table t;
  t.open(dir.path(), "PEER.DBF");
  expectSame(t, peer);
  // And the table stays readable by the peer after we change and pack it.
  t.indexTag("WHEN", "DTOS(WHEN)+NAME", true, ".NOT. DELETED()");
  t.go(2);
  t.edit();
  t.putMemo("NOTE", "changed by us");
  t.post();
  t.pack();
  t.close();
  auto again = parsePeer(run(py + " " BRINDLE_TEST_SCRIPTS "/dbf_dump.py " + dir.file("PEER.DBF")));
  t.open(dir.path(), "PEER.DBF");
  expectSame(t, again);
  EXPECT_EQ(again.size(), 120u);
  EXPECT_EQ(again[1].values["NOTE"], "changed by us");
}

}  // namespace
}  // namespace tables::test
