// The table engine and SQLite doing the same work on outgoing-fax records: append with the
// date tag kept, count under the filter, walk in tag order, seek random keys, delete every
// third record and pack. Prints both times (medians of several rounds) and their ratio per
// operation. A last benchmark opens our table at 1,000 and at 100,000 records and reads the
// first screen of it in tag order: the two should cost about the same. Counting under
// ".not. deleted()" is answered from the deleted-record count the engine keeps; a second
// count under a filter on a field shows the cost of evaluating one on every record.
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <map>
#include <random>
#include <string>

#include "tables/table.h"

namespace {

constexpr int kRecords = 100000;
constexpr int kSeeks = 10000;

struct Fax {
  std::string subject, date, time, recipient, phone, result;
  int pages;
  bool sent;
};

Fax makeFax(int i) {
  char date[16], time[8];
  std::snprintf(date, sizeof date, "%04d%02d%02d", 1995 + i % 30, 1 + i / 7 % 12, 1 + i % 28);
  std::snprintf(time, sizeof time, "%02d:%02d", i % 24, i * 7 % 60);
  return Fax{"Subject " + std::to_string(i),
             date,
             time,
             "Recipient " + std::to_string(i % 977),
             "+44 20 " + std::to_string(10000 + i),
             i % 3 ? "Sent" : "Busy",
             i % 40,
             i % 3 != 0};
}

std::string keyOf(int i) {
  Fax f = makeFax(i);
  return f.date + f.time;
}

std::string scratch() {
  std::string dir = "/tmp/brindle-bench-" + std::to_string(::getpid());
  std::filesystem::create_directories(dir);
  return dir;
}

// --- Our engine ------------------------------------------------------------------------

struct Ours {
  std::string dir = scratch();
  tables::Table t;

  void create() {
    std::filesystem::remove(dir + "/BDL.DBF");
    std::filesystem::remove(dir + "/BDL.FPT");
    std::filesystem::remove(dir + "/BDL.CDX");
    tables::Table::create(dir + "/BDL.DBF", {{"SUBJECT", 'C', 50, 0},
                                             {"SENT", 'L', 1, 0},
                                             {"DATESENT", 'D', 8, 0},
                                             {"TIMESENT", 'C', 5, 0},
                                             {"RECIPIENT", 'C', 35, 0},
                                             {"PHONE", 'C', 25, 0},
                                             {"PAGES", 'N', 2, 0},
                                             {"LASTRESULT", 'C', 100, 0},
                                             {"RTFCOVER", 'M', 10, 0},
                                             {"RTFDOC", 'M', 10, 0}});
    t.open(dir, "BDL.DBF");
    t.indexTag("DATESENT", "DTOS(DATESENT)+TIMESENT", true, ".not. deleted()");
    t.setFilter(".not. deleted()");
  }
  void append(int records = kRecords) {
    t.beginBatch();
    for (int i = 0; i < records; ++i) {
      Fax f = makeFax(i);
      t.append();
      t.putString("SUBJECT", f.subject);
      t.putLogical("SENT", f.sent);
      t.putDtos("DATESENT", f.date);
      t.putString("TIMESENT", f.time);
      t.putString("RECIPIENT", f.recipient);
      t.putString("PHONE", f.phone);
      t.putNumber("PAGES", f.pages);
      t.putString("LASTRESULT", f.result);
      t.post();
    }
    t.endBatch();
  }
  std::uint32_t count() { return t.queryRecCount(); }
  // A filter that has to be evaluated on every record.
  std::uint32_t countPages() {
    t.setFilter("PAGES > 20 .AND. .NOT. DELETED()");
    std::uint32_t n = t.queryRecCount();
    t.setFilter(".not. deleted()");
    return n;
  }
  std::size_t walk() {
    std::size_t sum = 0;
    for (t.first(); !t.eof(); t.next()) sum += t.getRaw("RECIPIENT").size();
    return sum;
  }
  int seek(const std::vector<int>& which) {
    int found = 0;
    for (int i : which) found += t.seek(keyOf(i));
    return found;
  }
  void deleteAndPack() {
    t.beginBatch();
    for (std::uint32_t r = 3; r <= t.recCount(); r += 3) {
      t.go(r);
      t.deleteRecord();
    }
    t.endBatch();
    t.pack();
  }
};

// --- SQLite ----------------------------------------------------------------------------

struct Lite {
  std::string path = scratch() + "/bench.sqlite";
  sqlite3* db = nullptr;

  ~Lite() { sqlite3_close(db); }
  void exec(const char* sql) {
    char* msg = nullptr;
    if (sqlite3_exec(db, sql, nullptr, nullptr, &msg) != SQLITE_OK) {
      std::fprintf(stderr, "sqlite: %s\n", msg);
      sqlite3_free(msg);
    }
  }
  sqlite3_stmt* prepare(const char* sql) {
    sqlite3_stmt* s = nullptr;
    sqlite3_prepare_v2(db, sql, -1, &s, nullptr);
    return s;
  }
  void create() {
    sqlite3_close(db);
    std::filesystem::remove(path);
    sqlite3_open(path.c_str(), &db);
    exec(
        "CREATE TABLE fax(subject TEXT, sent INTEGER, datesent TEXT, timesent TEXT,"
        " recipient TEXT, phone TEXT, pages INTEGER, lastresult TEXT, rtfcover TEXT,"
        " rtfdoc TEXT, deleted INTEGER NOT NULL DEFAULT 0)");
    exec("CREATE INDEX datesent ON fax(datesent || timesent DESC) WHERE deleted = 0");
  }
  void append() {
    exec("BEGIN");
    sqlite3_stmt* s = prepare(
        "INSERT INTO fax(subject, sent, datesent, timesent, recipient,"
        " phone, pages, lastresult) VALUES (?,?,?,?,?,?,?,?)");
    for (int i = 0; i < kRecords; ++i) {
      Fax f = makeFax(i);
      sqlite3_bind_text(s, 1, f.subject.c_str(), -1, SQLITE_TRANSIENT);
      sqlite3_bind_int(s, 2, f.sent);
      sqlite3_bind_text(s, 3, f.date.c_str(), -1, SQLITE_TRANSIENT);
      sqlite3_bind_text(s, 4, f.time.c_str(), -1, SQLITE_TRANSIENT);
      sqlite3_bind_text(s, 5, f.recipient.c_str(), -1, SQLITE_TRANSIENT);
      sqlite3_bind_text(s, 6, f.phone.c_str(), -1, SQLITE_TRANSIENT);
      sqlite3_bind_int(s, 7, f.pages);
      sqlite3_bind_text(s, 8, f.result.c_str(), -1, SQLITE_TRANSIENT);
      sqlite3_step(s);
      sqlite3_reset(s);
    }
    sqlite3_finalize(s);
    exec("COMMIT");
  }
  std::uint32_t count() {
    sqlite3_stmt* s = prepare("SELECT COUNT(*) FROM fax WHERE deleted = 0");
    sqlite3_step(s);
    auto n = std::uint32_t(sqlite3_column_int(s, 0));
    sqlite3_finalize(s);
    return n;
  }
  std::uint32_t countPages() {
    sqlite3_stmt* s =
        prepare("SELECT COUNT(*) FROM fax NOT INDEXED WHERE pages > 20 AND deleted = 0");
    sqlite3_step(s);
    auto n = std::uint32_t(sqlite3_column_int(s, 0));
    sqlite3_finalize(s);
    return n;
  }
  std::size_t walk() {
    sqlite3_stmt* s = prepare(
        "SELECT recipient FROM fax WHERE deleted = 0"
        " ORDER BY datesent || timesent DESC");
    std::size_t sum = 0;
    while (sqlite3_step(s) == SQLITE_ROW) sum += std::size_t(sqlite3_column_bytes(s, 0));
    sqlite3_finalize(s);
    return sum;
  }
  int seek(const std::vector<int>& which) {
    sqlite3_stmt* s = prepare(
        "SELECT rowid FROM fax WHERE deleted = 0 AND datesent || timesent = ?"
        " LIMIT 1");
    int found = 0;
    for (int i : which) {
      std::string k = keyOf(i);
      sqlite3_bind_text(s, 1, k.c_str(), -1, SQLITE_TRANSIENT);
      found += sqlite3_step(s) == SQLITE_ROW;
      sqlite3_reset(s);
    }
    sqlite3_finalize(s);
    return found;
  }
  void deleteAndPack() {
    exec("BEGIN");
    exec("DELETE FROM fax WHERE rowid % 3 = 0");
    exec("COMMIT");
    exec("VACUUM");
  }
};

// --- Timing ----------------------------------------------------------------------------

// The machine may be shared: each round runs both engines back to back, and the figures
// are the medians over the rounds.
constexpr int kRounds = 5;
std::map<std::string, std::map<std::string, std::vector<double>>> g_seconds;  // op -> engine

template <typename Engine>
void runOnce(benchmark::State& state, const char* engine, const std::vector<int>& keys) {
  Engine e;
  e.create();
  auto time = [&](const char* op, auto&& f) {
    auto t0 = std::chrono::steady_clock::now();
    benchmark::DoNotOptimize(f());
    double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    g_seconds[op][engine].push_back(s);
    state.counters[std::string(engine) + " " + op] = s * 1000;  // milliseconds, last round
  };
  time("1 append 100000", [&] {
    e.append();
    return 0;
  });
  time("2 count filtered", [&] { return e.count(); });
  time("2b count PAGES > 20", [&] { return e.countPages(); });
  time("3 walk tag order", [&] { return e.walk(); });
  time("4 seek 10000 keys", [&] { return e.seek(keys); });
  time("5 delete 1/3, pack", [&] {
    e.deleteAndPack();
    return 0;
  });
}

void BM_OursAndSqlite(benchmark::State& state) {
  std::vector<int> keys;
  std::mt19937 rng(42);
  for (int i = 0; i < kSeeks; ++i) keys.push_back(int(rng() % kRecords));
  for (auto _ : state) {
    runOnce<Ours>(state, "ours", keys);
    runOnce<Lite>(state, "sqlite", keys);
  }
}
BENCHMARK(BM_OursAndSqlite)->Iterations(kRounds)->Unit(benchmark::kMillisecond);

double median(std::vector<double> v) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

std::map<int, double> g_openSeconds;  // records -> seconds per open and first screen

void BM_OpenFirstScreen(benchmark::State& state) {
  const int records = int(state.range(0));
  Ours made;
  made.dir += "/open-" + std::to_string(records);
  std::filesystem::create_directories(made.dir);
  made.create();
  made.append(records);
  made.t.close();
  double total = 0;
  for (auto _ : state) {
    auto t0 = std::chrono::steady_clock::now();
    tables::Table t;
    t.open(made.dir, "BDL.DBF");
    t.setFilter(".not. deleted()");
    std::size_t sum = 0;
    for (std::uint32_t row = 0; row < 40; ++row) {
      t.setPeek(t.recNoAtPosition(row));
      sum += t.getRaw("RECIPIENT").size();
    }
    benchmark::DoNotOptimize(sum);
    total += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  }
  g_openSeconds[records] = total / double(state.iterations());
}
BENCHMARK(BM_OpenFirstScreen)->Arg(1000)->Arg(kRecords)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  std::printf("\n%-22s %12s %12s %8s   (medians of %d rounds)\n", "operation", "ours ms",
              "sqlite ms", "ratio", kRounds);
  for (const auto& [op, by] : g_seconds) {
    if (!by.count("ours") || !by.count("sqlite")) continue;
    double a = median(by.at("ours")) * 1000, b = median(by.at("sqlite")) * 1000;
    std::printf("%-22s %12.2f %12.2f %8.2f\n", op.c_str(), a, b, b > 0 ? a / b : 0.0);
  }
  if (g_openSeconds.count(1000) && g_openSeconds.count(kRecords))
    std::printf("\nopen and first screen: %.2f ms at 1,000 records, %.2f ms at %d, ratio %.2f\n",
                g_openSeconds[1000] * 1e3, g_openSeconds[kRecords] * 1e3, kRecords,
                g_openSeconds[kRecords] / g_openSeconds[1000]);
  std::filesystem::remove_all("/tmp/brindle-bench-" + std::to_string(::getpid()));
  return 0;
}
