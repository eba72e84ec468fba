// Fax file assembly: a document of 5 and of 20 full pages rendered, encoded and joined into
// one fax file, once with the text laid out already (as an editor holds it) and once laid
// out afresh for every build (as after loading a fax). Prints pages per second and the peak
// memory of each run above the memory in use when it started.
#include "app/assembly/faxassembly.h"
#include "settings/appsettings.h"

#include <benchmark/benchmark.h>
#include <QGuiApplication>
#include <QTemporaryDir>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace {

// A document of `pages` pages, each about forty lines of text and ending in a page break.
QByteArray DocumentOf(int pages) {
  std::string rtf = "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0\\fs22 ";
  for (int p = 1; p <= pages; ++p) {
    if (p > 1) rtf += "\\page ";
    for (int line = 1; line <= 40; ++line)
      rtf += "Page " + std::to_string(p) + ", line " + std::to_string(line) +
             ": the quick brown fox jumps over the lazy dog, 0123456789.\\par ";
  }
  return QByteArray::fromStdString(rtf + "}");
}

// A value in kilobytes from /proc/self/status (VmRSS, VmHWM).
long StatusKb(const std::string& key) {
  std::ifstream in("/proc/self/status");
  std::string word;
  while (in >> word)
    if (word == key + ":") {
      long kb = 0;
      in >> kb;
      return kb;
    }
  return 0;
}

// Starts a new high-water mark at the current resident size.
void ResetPeak() { std::ofstream("/proc/self/clear_refs") << "5"; }

void BM_RenderAndEncode(benchmark::State& state) {
  const int pages = int(state.range(0));
  const bool freshLayout = state.range(1) != 0;
  QTemporaryDir dir;
  settings::SetProgramDir(dir.path().toStdString());
  app::FaxAssembly assembly;
  richtext::TRichDocument& doc = assembly.Document();
  doc.LoadRtf(DocumentOf(pages));

  std::string name;
  assembly.Build(name);  // one build before measuring, so that caches are filled
  app::RemoveFiles({name});
  ResetPeak();
  const long startKb = StatusKb("VmRSS");
  for (auto _ : state) {
    if (freshLayout) doc.SetPaintOptions(0);  // the build's own options then lay it out again
    if (assembly.Build(name) != 0 || assembly.PagesBuilt() != pages) {
      state.SkipWithError("the fax file was not built");
      break;
    }
    app::RemoveFiles({name});
  }
  const long peak = StatusKb("VmHWM") - startKb;
  state.counters["pages_per_second"] =
      benchmark::Counter(double(pages), benchmark::Counter::kIsIterationInvariantRate);
  state.counters["peak_above_start_kB"] = double(peak);
}
BENCHMARK(BM_RenderAndEncode)
    ->ArgNames({"pages", "fresh_layout"})
    ->ArgsProduct({{5, 20}, {0, 1}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// Keeps each run's figures for the summary, with the rate as Google Benchmark works it out.
class FigureReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs)
      if (run.counters.count("pages_per_second"))
        lines.push_back({run.benchmark_name(), run.counters.at("pages_per_second").value,
                         run.counters.at("peak_above_start_kB").value});
    ConsoleReporter::ReportRuns(runs);
  }
  struct Line {
    std::string name;
    double pagesPerSecond, peakKb;
  };
  std::vector<Line> lines;
};

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication application(argc, argv);
  benchmark::Initialize(&argc, argv);
  FigureReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  for (const auto& l : reporter.lines)
    std::printf("%-48s %6.1f pages per second, peak memory %5.0f kB above the start of the run\n",
                l.name.c_str(), l.pagesPerSecond, l.peakKb);
  return 0;
}
