// Encodes and decodes the same 1728-pixel fine pages (text, noise, a dithered picture, white,
// and the eight pages of a typical fax: six of text, a dithered picture, a nearly blank cover)
// with our coders and with libtiff's in one run, in each coding (one-dimensional,
// two-dimensional with K = 4 as on fine pages, and Group 4), then prints pages per second and
// the ratio ours / libtiff for each coding, page set and direction.
#include <benchmark/benchmark.h>
#include <tiffio.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "faximage/convert_state.h"
#include "faximage/dither.h"
#include "faximage/mono_bitmap.h"
#include "faximage/t4_2d.h"

namespace {

using faximage::MonoBitmap;
using faximage::t4::Coding;
constexpr int kWidth = 1728;
constexpr int kRows = 2156;
constexpr int kRepetitions = 5;  // the ratio is of the medians: the machine is shared

// Lines of text in the fax font, 32 rows each, from pixel 48; `ragged` varies the line lengths
// and leaves a blank line between paragraphs, as a letter does.
MonoBitmap textPage(int first = 0, bool ragged = false, int rows = kRows) {
  MonoBitmap page(kWidth, kRows);
  faximage::ConvertState font;
  font.LoadFaxFont(faximage::kStandardGlyphBytes, true);
  const std::string text =
      "Brindle fax benchmark: the quick brown fox jumps over the lazy dog 0123456789.";
  for (int y = 0, n = first; y + 32 <= rows; y += 32, ++n) {
    std::string s = text.substr(std::size_t(n) % 7);
    if (ragged && n % 6 == 5) continue;
    if (ragged) s.resize(s.size() - std::size_t(n * 7 % 23));
    for (int r = 1; r <= 32; ++r)
      font.RenderTextRow(s, r, {page.row(y + r - 1) + 6, std::size_t(page.stride - 6)});
  }
  return page;
}

MonoBitmap noisePage() {
  MonoBitmap page(kWidth, kRows);
  std::uint32_t s = 2024;
  for (auto& b : page.bits) {
    s ^= s << 13, s ^= s >> 17, s ^= s << 5;
    b = std::uint8_t(s);
  }
  return page;
}

// A photograph-like page of soft gray shapes, dithered as the converter does.
MonoBitmap ditheredPage() {
  MonoBitmap page(kWidth, kRows);
  for (int y = 0; y < kRows; ++y)
    for (int x = 0; x < kWidth; ++x) {
      const double g = 0.5 + 0.3 * std::sin(x / 97.0) * std::cos(y / 131.0) +
                       0.2 * std::sin(std::hypot(x - 800.0, y - 1000.0) / 60.0);
      page.setPixel(x, y, faximage::ditherBlack(x, y, int(g * 130)));
    }
  return page;
}

// The eight pages of a typical fax: a nearly blank cover (a few lines at the top), six pages
// of text, one dithered picture.
std::vector<MonoBitmap> mixedFax() {
  std::vector<MonoBitmap> fax{textPage(0, true, 4 * 32)};
  for (int p = 0; p < 6; ++p) fax.push_back(textPage(p * 5, true));
  fax.push_back(ditheredPage());
  return fax;
}

const std::map<std::string, std::vector<MonoBitmap>>& pages() {
  static const std::map<std::string, std::vector<MonoBitmap>> p = {
      {"text", {textPage()}},
      {"noise", {noisePage()}},
      {"dither", {ditheredPage()}},
      {"white", {MonoBitmap(kWidth, kRows)}},
      {"mix", mixedFax()}};
  return p;
}

// --- ours -------------------------------------------------------------------------------
std::vector<std::uint8_t> oursEncode(const MonoBitmap& page, Coding coding) {
  faximage::t4::PageEncoder enc(coding, kWidth, faximage::t4::kMrFineK);
  for (int y = 0; y < page.height; ++y) enc.addRow({page.row(y), std::size_t(page.stride)});
  enc.finish();
  return {enc.bytes().begin(), enc.bytes().end()};
}

int oursDecode(const std::vector<std::uint8_t>& data, Coding coding, MonoBitmap* into = nullptr) {
  faximage::t4::PageDecoder dec(coding, kWidth);
  int rows = 0;
  dec.decodePage(data, [&](const std::uint8_t* line, int n) {
    if (into && rows < into->height) std::memcpy(into->row(rows), line, std::size_t(n));
    ++rows;
    return true;
  });
  return rows;
}

// --- libtiff, on a TIFF held in memory --------------------------------------------------------
struct MemFile {
  std::vector<std::uint8_t> data;
  toff_t pos = 0;
};
tsize_t memRead(thandle_t h, tdata_t buf, tsize_t n) {
  auto* m = static_cast<MemFile*>(h);
  tsize_t avail = m->pos < m->data.size() ? tsize_t(m->data.size() - m->pos) : 0;
  n = std::min(n, avail);
  std::memcpy(buf, m->data.data() + m->pos, std::size_t(n));
  m->pos += toff_t(n);
  return n;
}
tsize_t memWrite(thandle_t h, tdata_t buf, tsize_t n) {
  auto* m = static_cast<MemFile*>(h);
  if (m->pos + toff_t(n) > m->data.size()) m->data.resize(m->pos + toff_t(n));
  std::memcpy(m->data.data() + m->pos, buf, std::size_t(n));
  m->pos += toff_t(n);
  return n;
}
toff_t memSeek(thandle_t h, toff_t off, int whence) {
  auto* m = static_cast<MemFile*>(h);
  m->pos = whence == SEEK_SET ? off : whence == SEEK_CUR ? m->pos + off : m->data.size() + off;
  return m->pos;
}
int memClose(thandle_t) { return 0; }
toff_t memSize(thandle_t h) { return static_cast<MemFile*>(h)->data.size(); }
int memMap(thandle_t, tdata_t*, toff_t*) { return 0; }
void memUnmap(thandle_t, tdata_t, toff_t) {}

TIFF* openMem(MemFile& m, const char* mode) {
  return TIFFClientOpen("mem", mode, &m, memRead, memWrite, memSeek, memClose, memSize, memMap,
                        memUnmap);
}

MemFile tiffEncode(const MonoBitmap& page, Coding coding) {
  MemFile m;
  m.data.reserve(1 << 20);
  TIFF* t = openMem(m, "w");
  TIFFSetField(t, TIFFTAG_IMAGEWIDTH, kWidth);
  TIFFSetField(t, TIFFTAG_IMAGELENGTH, kRows);
  TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, 1);
  TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, 1);
  // Fine resolution: libtiff's two-dimensional coding takes K = 4 from it.
  TIFFSetField(t, TIFFTAG_XRESOLUTION, 204.0);
  TIFFSetField(t, TIFFTAG_YRESOLUTION, 196.0);
  TIFFSetField(t, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);
  if (coding == Coding::Mmr) {
    TIFFSetField(t, TIFFTAG_COMPRESSION, COMPRESSION_CCITTFAX4);
  } else {
    TIFFSetField(t, TIFFTAG_COMPRESSION, COMPRESSION_CCITTFAX3);
    TIFFSetField(t, TIFFTAG_GROUP3OPTIONS,
                 GROUP3OPT_FILLBITS | (coding == Coding::Mr ? GROUP3OPT_2DENCODING : 0));
  }
  TIFFSetField(t, TIFFTAG_FILLORDER, FILLORDER_LSB2MSB);
  TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISWHITE);
  TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, kRows);
  TIFFWriteEncodedStrip(t, 0, const_cast<std::uint8_t*>(page.bits.data()),
                        tmsize_t(page.bits.size()));
  TIFFClose(t);
  return m;
}

void tiffDecode(MemFile& m, MonoBitmap& out) {
  m.pos = 0;
  TIFF* t = openMem(m, "r");
  TIFFReadEncodedStrip(t, 0, out.bits.data(), tmsize_t(out.bits.size()));
  TIFFClose(t);
}

// --- benchmarks -----------------------------------------------------------------------------
struct Case {
  std::string pages;
  Coding coding;
};

// Each iteration codes every page of the set; the items counted are pages.
void BM_OursEncode(benchmark::State& st, const Case& c) {
  const auto& set = pages().at(c.pages);
  for (auto _ : st)
    for (const auto& page : set) benchmark::DoNotOptimize(oursEncode(page, c.coding));
  st.SetItemsProcessed(st.iterations() * std::int64_t(set.size()));
}
void BM_OursDecode(benchmark::State& st, const Case& c) {
  const auto& set = pages().at(c.pages);
  std::vector<std::vector<std::uint8_t>> data;
  for (const auto& page : set) data.push_back(oursEncode(page, c.coding));
  MonoBitmap out(kWidth, kRows);
  for (auto _ : st)
    for (const auto& d : data) benchmark::DoNotOptimize(oursDecode(d, c.coding, &out));
  st.SetItemsProcessed(st.iterations() * std::int64_t(set.size()));
}
void BM_LibtiffEncode(benchmark::State& st, const Case& c) {
  const auto& set = pages().at(c.pages);
  for (auto _ : st)
    for (const auto& page : set) benchmark::DoNotOptimize(tiffEncode(page, c.coding));
  st.SetItemsProcessed(st.iterations() * std::int64_t(set.size()));
}
void BM_LibtiffDecode(benchmark::State& st, const Case& c) {
  const auto& set = pages().at(c.pages);
  std::vector<MemFile> files;
  for (const auto& page : set) files.push_back(tiffEncode(page, c.coding));
  MonoBitmap out(kWidth, kRows);
  for (auto _ : st)
    for (auto& m : files) {
      tiffDecode(m, out);
      benchmark::DoNotOptimize(out.bits.data());
    }
  st.SetItemsProcessed(st.iterations() * std::int64_t(set.size()));
}

// libtiff's strip of a TIFF it wrote: the raw coded lines.
std::vector<std::uint8_t> tiffStrip(MemFile& tiff) {
  tiff.pos = 0;
  TIFF* t = openMem(tiff, "r");
  toff_t* offs = nullptr;
  toff_t* counts = nullptr;
  TIFFGetField(t, TIFFTAG_STRIPOFFSETS, &offs);
  TIFFGetField(t, TIFFTAG_STRIPBYTECOUNTS, &counts);
  const auto offset = long(offs[0]), count = long(counts[0]);
  TIFFClose(t);
  return {tiff.data.begin() + offset, tiff.data.begin() + offset + count};
}

// Both codecs must agree on every page before their speeds mean anything: libtiff's data
// decoded by us, ours by us, and libtiff's by libtiff all give the page back.
bool samePage(const MonoBitmap& page, Coding coding, std::size_t& oursBytes,
              std::size_t& tiffBytes) {
  MonoBitmap a(kWidth, kRows), b(kWidth, kRows), c(kWidth, kRows);
  auto tiff = tiffEncode(page, coding);
  const auto strip = tiffStrip(tiff);
  tiffDecode(tiff, b);
  const auto ours = oursEncode(page, coding);
  oursBytes += ours.size();
  tiffBytes += strip.size();
  return oursDecode(strip, coding, &a) == kRows && a.bits == page.bits && b.bits == page.bits &&
         oursDecode(ours, coding, &c) == kRows && c.bits == page.bits;
}

const char* codingName(Coding c) { return c == Coding::Mh ? "mh" : c == Coding::Mr ? "mr" : "mmr"; }
constexpr Coding kCodings[] = {Coding::Mh, Coding::Mr, Coding::Mmr};

bool crossCheck() {
  bool ok = true;
  for (Coding coding : kCodings)
    for (const auto& [name, set] : pages()) {
      std::size_t oursBytes = 0, tiffBytes = 0;
      bool same = true;
      for (const auto& page : set) same = samePage(page, coding, oursBytes, tiffBytes) && same;
      std::printf("cross-check %-3s %-5s: %s (ours %zu bytes, libtiff %zu bytes)\n",
                  codingName(coding), name.c_str(), same ? "same" : "DIFFERENT", oursBytes,
                  tiffBytes);
      ok = ok && same;
    }
  return ok;
}

class RatioReporter : public benchmark::ConsoleReporter {
 public:
  std::map<std::string, double> rate;  // name -> pages per second (median)
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const auto& r : runs) {
      if (r.run_type == Run::RT_Aggregate && r.aggregate_name != "median") continue;
      auto it = r.counters.find("items_per_second");
      if (it != r.counters.end()) rate[r.run_name.function_name] = it->second;
    }
  }
};

}  // namespace

int main(int argc, char** argv) {
  TIFFSetWarningHandler(nullptr);
  bool agree = crossCheck();
  const std::array<const char*, 5> sets{"text", "noise", "dither", "white", "mix"};
  for (Coding coding : kCodings)
    for (const char* page : sets) {
      const Case c{page, coding};
      const std::string p = std::string(codingName(coding)) + "/" + page;
      benchmark::RegisterBenchmark(("ours_encode/" + p).c_str(), BM_OursEncode, c)
          ->Repetitions(kRepetitions);
      benchmark::RegisterBenchmark(("libtiff_encode/" + p).c_str(), BM_LibtiffEncode, c)
          ->Repetitions(kRepetitions);
      benchmark::RegisterBenchmark(("ours_decode/" + p).c_str(), BM_OursDecode, c)
          ->Repetitions(kRepetitions);
      benchmark::RegisterBenchmark(("libtiff_decode/" + p).c_str(), BM_LibtiffDecode, c)
          ->Repetitions(kRepetitions);
    }
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  std::printf("\n%-6s %-6s %-7s %14s %15s %8s\n", "coding", "page", "way", "ours pages/s",
              "libtiff pages/s", "ratio");
  for (Coding coding : kCodings)
    for (const char* page : sets)
      for (const char* dir : {"encode", "decode"}) {
        const std::string p = std::string(codingName(coding)) + "/" + page, d = dir;
        const double ours = reporter.rate["ours_" + d + "/" + p],
                     lib = reporter.rate["libtiff_" + d + "/" + p];
        if (ours > 0 && lib > 0)
          std::printf("%-6s %-6s %-7s %14.1f %15.1f %8.2f\n", codingName(coding), page, dir, ours,
                      lib, ours / lib);
      }
  benchmark::Shutdown();
  return agree ? 0 : 1;
}
