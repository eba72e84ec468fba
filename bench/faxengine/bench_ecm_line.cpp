// The line time error correction and T.6 coding save: a four-page fax of dense text at
// fine resolution and 14400 bps, sent in one run to the independent fax terminal (faxpeer,
// real modem audio) twice: MH pages without ECM, and MMR pages in ECM frames. The line time
// is the peer's own account of the call (its RESULT line_s); the target is a ratio of at
// most 0.7.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>

#include "call_loop.h"
#include "fax_pages.h"
#include "fax_peer.h"
#include "faxengine/header_line.h"
#include "faximage/brx_format.h"

using namespace faxengine;
using namespace faxengine::test;

namespace {

constexpr int kLineRate = 14400;
constexpr int kPages = 4;

// A page of text lines in the engine's text-cover font, every line full of words.
Picture textPage(int seed) {
  static const char* const kWords[] = {
      "facsimile", "the",  "of",   "and",      "invoice", "order",   "delivery", "to",
      "payment",   "1997", "PAGE", "received", "with",    "account", "number",   "Brindle"};
  TextRenderer renderer;
  renderer.prepare(faximage::kNormalWidth, true, false);
  std::vector<std::uint8_t> coded;
  unsigned s = unsigned(seed) * 7919u + 13;
  for (int line = 0; line < 64; ++line) {
    std::string text;
    while (text.size() < 80) {
      s = s * 1103515245u + 12345u;
      text += std::string(kWords[(s >> 16) % 16]) + " ";
    }
    renderer.renderRows(text.substr(0, 84), [&](std::span<const std::uint8_t> row) {
      coded.insert(coded.end(), row.begin(), row.end());
    });
  }
  return decodeRows(coded);
}

// One call to the peer; its line seconds (0 when the call failed).
double lineSeconds(const std::string& file, bool ecmMmr, const TempDir& dir) {
  std::vector<std::string> options = {"--rx", dir.path("in.tif"), "--speed", "2"};
  if (ecmMmr) options.insert(options.end(), {"--ecm", "on", "--compression", "mh,mr,mmr"});
  FaxPeer peer(options);
  if (!peer.ready()) return 0;
  TFxSendFax fax;
  fax.FaxClass = TFaxClass::fcClass1;
  fax.DesiredBPS = kLineRate;
  fax.DesiredECM = ecmMmr;
  fax.DesiredCoding = ecmMmr ? CodingChoice::Auto : CodingChoice::Mh;
  fax.PhoneNumber = "5551234";
  fax.SetFaxFile(file);
  SendResult r;
  bool ended = runSession(fax, peer.pty(), r, 400);
  peer.finish(60);
  if (!ended || r.finish != 0 || !peer.result().starts_with("RESULT OK")) {
    std::printf("call failed (%d): %s\n", r.finish, peer.result().c_str());
    return 0;
  }
  std::printf("%s: %s\n", ecmMmr ? "MMR + ECM" : "MH, no ECM", peer.result().c_str());
  return std::atof(peer.field("line_s").c_str());
}

void FourTextPagesMmrEcmAgainstMh(benchmark::State& state) {
  if (!havePeer()) {
    state.SkipWithError("faxpeer is not built (scripts/test.sh builds it)");
    return;
  }
  TempDir dir;
  std::string file = dir.path("text.brx");
  std::vector<TestPage> pages;
  for (int p = 0; p < kPages; ++p) pages.push_back({textPage(p + 1), true});
  writeBrx(file, pages);
  for (auto _ : state) {
    double mh = lineSeconds(file, false, dir);
    double mmr = lineSeconds(file, true, dir);
    double ratio = mh > 0 ? mmr / mh : 0;
    state.SetIterationTime(mh + mmr);
    state.counters["mh_line_s"] = mh;
    state.counters["mmr_ecm_line_s"] = mmr;
    state.counters["ratio"] = ratio;
    std::printf(
        "%d dense text pages, fine, %d bps: MH without ECM %.1f s of line time, MMR + ECM "
        "%.1f s; ratio %.3f (target at most 0.7)\n",
        kPages, kLineRate, mh, mmr, ratio);
  }
}

BENCHMARK(FourTextPagesMmrEcmAgainstMh)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

}  // namespace

BENCHMARK_MAIN();
