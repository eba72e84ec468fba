// A fax sent the way a user sends one: a dense three-page fine fax at 14400 bps through
// the modem simulator paced in real time (--speed 1). Prints whether the modem ever ran
// out of page data (underruns, which corrupt lines on a real call), the page bytes per
// second on the line against the line rate, and the sender's CPU time as a share of the
// call's wall time.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <sstream>

#include "fax_pages.h"
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
    PlainEventBridge bridge;
    TFxComPort port;
    port.DevicePath = sim.modem1();
    port.Bridge = &bridge;
    port.InSize = port.OutSize = 8192;
    port.SetHWFlowOptions(hwfUseRTS | hwfRequireCTS);
    port.SetBaud(38400);  // the serial link must outrun the 14400 bps line
    TFxSendFax fax;
    fax.ComPort = &port;
    fax.FaxClass = TFaxClass::fcClass2;
    fax.DesiredBPS = kLineRate;
    fax.NormalBaud = 38400;
    fax.InitBaud = 38400;
    fax.PhoneNumber = "5551234";
    fax.SetFaxFile(file);
    int result = 1;
    fax.OnFaxFinish = [&](TFxCustomAbstractFax&, int code) {
      result = code;
      bridge.requestQuit();
    };
    auto start = std::chrono::steady_clock::now();
    double cpu0 = cpuSeconds();
    fax.BeginTransmit();
    bridge.run();
    double cpu = cpuSeconds() - cpu0;
    double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
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

}  // namespace

BENCHMARK_MAIN();
