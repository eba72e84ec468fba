// Opening a 20-page fine fax in the viewer control and showing page 1, and paging through
// all 20 pages with each one painted, next to the unpacker decoding the same pages in the
// same run; the viewer should add little over the decode. Also prints how many decoded
// pages and how much memory the viewer holds after paging through.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QTemporaryDir>
#include <cstdio>
#include <ctime>
#include <fstream>

#include "brx_builder.h"
#include "faximage/unpacker.h"
#include "faximage/viewer/fxfaxviewer.h"

namespace {

constexpr int kPages = 20;
QTemporaryDir* folder = nullptr;
double decodeSeconds = 0, firstPaintSeconds = 0, pagingSeconds = 0;

// A fine page of text-like rows: words of short black runs, 40 rows of text.
faximage::MonoBitmap textPage(int seed) {
  faximage::MonoBitmap b(1728, 2200);
  unsigned r = unsigned(seed) * 2654435761u + 1;
  for (int row = 0; row < 40; ++row) {
    const int top = 120 + row * 50;
    for (int x = 100; x < 1600;) {
      r = r * 1103515245u + 12345u;
      const int word = 20 + int(r >> 24) % 120;
      for (int y = top; y < top + 24; ++y)
        for (int i = 0; i < word; i += 6 + int((r >> 8) % 5))
          for (int k = 0; k < 3 && x + i + k < 1650; ++k) b.setPixel(x + i + k, y, true);
      x += word + 18;
    }
  }
  return b;
}

std::string faxFile() {
  static std::string name;
  if (name.empty()) {
    folder = new QTemporaryDir;
    name = folder->filePath("twenty.brx").toStdString();
    std::vector<faximage::test::BitmapPage> pages;
    for (int p = 0; p < kPages; ++p) pages.push_back({textPage(p), true});
    faximage::test::writeBrx(name, pages);
  }
  return name;
}

// Process CPU seconds of f: the machine is shared, and decoding and painting both run on
// this process's thread, so CPU time compares them fairly where wall time would not.
template <class F>
double timed(F f) {
  timespec a{}, b{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &a);
  f();
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &b);
  return double(b.tv_sec - a.tv_sec) + double(b.tv_nsec - a.tv_nsec) * 1e-9;
}

void BM_UnpackerDecodeAllPages(benchmark::State& state) {
  faximage::TFxFaxUnpacker unpacker;
  unpacker.SetInFileName(faxFile());
  double total = 0;
  for (auto _ : state)
    total += timed([&] {
      for (int p = 1; p <= kPages; ++p) benchmark::DoNotOptimize(unpacker.UnpackPageToImage(p));
    });
  decodeSeconds = total / double(state.iterations());
}
BENCHMARK(BM_UnpackerDecodeAllPages)->Unit(benchmark::kMillisecond);

void BM_ViewerOpenAndFirstPaint(benchmark::State& state) {
  double total = 0;
  for (auto _ : state) {
    faximage::TFxFaxViewer viewer;
    viewer.resize(900, 700);
    viewer.show();
    total += timed([&] {
      viewer.LoadFile(faxFile());
      QImage shot = viewer.viewport()->grab().toImage();
      benchmark::DoNotOptimize(shot.constBits());
    });
  }
  firstPaintSeconds = total / double(state.iterations());
}
BENCHMARK(BM_ViewerOpenAndFirstPaint)->Unit(benchmark::kMillisecond);

long residentKiB() {
  std::ifstream statm("/proc/self/statm");
  long size = 0, resident = 0;
  statm >> size >> resident;
  return resident * 4;
}

void BM_ViewerPageThroughAll(benchmark::State& state) {
  double total = 0;
  faximage::TFxFaxViewer viewer;
  viewer.resize(900, 700);
  viewer.show();
  const long before = residentKiB();
  for (auto _ : state)
    total += timed([&] {
      viewer.LoadFile(faxFile());
      for (int p = 1; p <= kPages; ++p) {
        if (p > 1) viewer.NextPage();
        QImage shot = viewer.viewport()->grab().toImage();
        benchmark::DoNotOptimize(shot.constBits());
      }
    });
  pagingSeconds = total / double(state.iterations());
  state.counters["decoded_pages_held"] = viewer.DecodedPages();
  state.counters["resident_growth_KiB"] = double(residentKiB() - before);
}
BENCHMARK(BM_ViewerPageThroughAll)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  if (decodeSeconds > 0 && pagingSeconds > 0)
    std::printf(
        "CPU time: decode of %d fine pages: %.1f ms; viewer first paint %.1f ms (%.2f x one page's "
        "decode); paging through all %.1f ms, ratio to the decode %.2f\n",
        kPages, decodeSeconds * 1e3, firstPaintSeconds * 1e3,
        firstPaintSeconds / (decodeSeconds / kPages), pagingSeconds * 1e3,
        pagingSeconds / decodeSeconds);
  delete folder;
  return 0;
}
