// A fax sent the way a user sends one: a dense three-page fine fax at 14400 bps through
// the modem simulator paced in real time (--speed 1). Prints whether the modem ever ran
// out of page data (underruns, which corrupt lines on a real call), the page bytes per
// second on the line against the line rate, and the sender's CPU time as a share of the
// call's wall time. In Class 1 the same page goes to the independent fax terminal
// (faxpeer, real modem audio, in real time): the call's line time against the time the
// page's data alone takes at the rate, and whether the far end found damaged rows.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <sstream>

#include "fax_pages.h"
#include "fax_peer.h"
#include "faxengine/fax_component.h"
#include "faxengine/plain_event_bridge.h"
#include "faximage/brx_file.h"
#include "modem_sim.h"

using namespace faxengine;
using namespace faxengine::test;

namespace {

constexpr int kLineRate = 14400;

// A page that codes to about 70 KB at fine resolution: short runs everywhere.
Picture densePage(int seed) {
  Picture rows;
  std::uint32_t s = std::uint32_t(seed) * 2654435761u + 1;
  for (int y = 0; y < 2200; ++y) {
    std::string r;
    bool black = false;
    while (r.size() < 1700) {
      s ^= s << 13, s ^= s >> 17, s ^= s << 5;
      r.append(30 + s % 70, black ? 'X' : ' ');
      black = !black;
    }
    rows.push_back(r.substr(0, 1700));
  }
  return rows;
}

double cpuSeconds() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
         double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// One send of the file through the modem on the device, timed: the finish code, the
// sender's CPU seconds and the call's wall seconds. The port is closed when it returns.
struct TimedSend {
  int result = 1;
  double cpu = 0, wall = 0;
};
TimedSend timedSend(const std::string& device, TFaxClass faxClass, const std::string& file) {
  PlainEventBridge bridge;
  TFxComPort port;
  port.DevicePath = device;
  port.Bridge = &bridge;
  port.InSize = port.OutSize = 8192;
  port.SetHWFlowOptions(hwfUseRTS | hwfRequireCTS);
  port.SetBaud(38400);  // the serial link must outrun the 14400 bps line
  TFxSendFax fax;
  fax.ComPort = &port;
  fax.FaxClass = faxClass;
  fax.DesiredBPS = kLineRate;
  fax.NormalBaud = 38400;
  fax.InitBaud = 38400;
  fax.PhoneNumber = "5551234";
  fax.SetFaxFile(file);
  TimedSend t;
  fax.OnFaxFinish = [&](TFxCustomAbstractFax&, int code) {
    t.result = code;
    bridge.requestQuit();
  };
  auto start = std::chrono::steady_clock::now();
  double cpu0 = cpuSeconds();
  fax.BeginTransmit();
  bridge.run();
  t.cpu = cpuSeconds() - cpu0;
  t.wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  return t;
}

void SendDenseFineFax(benchmark::State& state) {
  TempDir dir;
  std::string file = dir.path("dense.brx");
  writeBrx(file, {{densePage(1), true}, {densePage(2), true}, {densePage(3), true}});
  faximage::BrxReader reader;
  reader.openFile(file);
  long pageBytes = 0;
  for (int p = 1; p <= 3; ++p) {
    faximage::BrxPage page;
    reader.page(unsigned(p), page);
    pageBytes += long(page.header.imageLength);
  }
  for (auto _ : state) {
    ModemSim sim({"--speed", "1", "--exit-after-calls", "1"});
    auto [result, cpu, wall] = timedSend(sim.modem1(), TFaxClass::fcClass2, file);
    state.SetIterationTime(wall);
    sim.waitExit(30);
    // The page carriers: their bytes and how long each was on the line.
    std::istringstream carriers(sim.query(
        "(lambda L: '%d %.3f' % (sum(b for b, d in L), sum(d for b, d in L)))([(o['bytes'], "
        "o['t'] - max(e['t'] for e in ev if e['kind'] == 'carrier' and e['event'] == 'on' and "
        "e['signal'] == o['signal'] and e['end'] == o['end'] and e['t'] < o['t'])) for o in ev "
        "if o['kind'] == 'carrier' and o['event'] == 'off' and o.get('bytes', 0) > 10000])"));
    double lineBytes = 0, lineSeconds = 0;
    carriers >> lineBytes >> lineSeconds;
    double underruns = std::atof(sim.summary("s['modems']['modem1']['underruns']").c_str());
    double achieved = lineSeconds > 0 ? lineBytes / lineSeconds : 0;
    state.counters["result"] = result;
    state.counters["page_KB"] = double(pageBytes) / 1024 / 3;
    state.counters["underruns"] = underruns;
    state.counters["bytes_per_s"] = achieved;
    state.counters["vs_line_rate"] = achieved / (kLineRate / 8.0);
    state.counters["cpu_share_pct"] = 100.0 * cpu / wall;
    std::printf(
        "dense fine fax, 3 pages of %.0f KB at %d bps: result %d, underruns %.0f, "
        "%.0f bytes/s on the line = %.3f of the line rate, sender CPU %.2f s in %.1f s "
        "= %.2f %% of one core\n",
        double(pageBytes) / 1024 / 3, kLineRate, result, underruns, achieved,
        achieved / (kLineRate / 8.0), cpu, wall, 100.0 * cpu / wall);
  }
}

BENCHMARK(SendDenseFineFax)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

// The coded bytes of page 1 as they go on the line (line records without their lengths).
long lineBytesOfPage(const std::string& file) {
  faximage::BrxReader reader;
  faximage::BrxPage page;
  long bytes = 0;
  if (reader.openFile(file) == 0 && reader.page(1, page) == 0)
    faximage::forEachLineRecord(page.data, [&](std::span<const std::uint8_t> rec) {
      bytes += long(rec.size());
      return true;
    });
  return bytes;
}

void SendDenseFinePageClass1ToFaxPeer(benchmark::State& state) {
  if (FaxPeer::program().empty()) {
    state.SkipWithError("faxpeer is not built (scripts/test.sh builds it)");
    return;
  }
  TempDir dir;
  std::string file = dir.path("dense.brx");
  writeBrx(file, {{densePage(1), true}});
  const double dataSeconds = double(lineBytesOfPage(file)) * 8 / kLineRate;
  for (auto _ : state) {
    FaxPeer peer({"--rx", dir.path("in.tif"), "--speed", "1", "--max-rate", "14400"});
    auto [result, cpu, wall] = timedSend(peer.pty(), TFaxClass::fcClass1, file);
    state.SetIterationTime(wall);
    peer.finish(60);
    double lineSeconds = std::atof(peer.field("line_s").c_str());
    bool farOk = peer.result().starts_with("RESULT OK");
    double badRows = std::atof(peer.field("bad_rows").c_str());
    state.counters["result"] = result;
    state.counters["far_end_ok"] = farOk;
    state.counters["bad_rows"] = badRows;
    state.counters["line_s"] = lineSeconds;
    state.counters["data_s"] = dataSeconds;
    state.counters["line_vs_data"] = dataSeconds > 0 ? lineSeconds / dataSeconds : 0;
    state.counters["cpu_share_pct"] = 100.0 * cpu / wall;
    std::printf(
        "Class 1 to the independent fax terminal, one dense fine page at %d bps: result %d, far "
        "end %s with %.0f bad rows at %s bps; the call took %.1f s of line time against %.1f s "
        "of page data = %.2f times (%.1f s of protocol), sender CPU %.2f s in %.1f s = %.2f %% "
        "of one core\n",
        kLineRate, result, farOk ? "OK" : "FAILED", badRows, peer.field("rate").c_str(),
        lineSeconds, dataSeconds, dataSeconds > 0 ? lineSeconds / dataSeconds : 0,
        lineSeconds - dataSeconds, cpu, wall, 100.0 * cpu / wall);
  }
}

BENCHMARK(SendDenseFinePageClass1ToFaxPeer)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kSecond);

}  // namespace

BENCHMARK_MAIN();
