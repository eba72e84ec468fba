// Fax pages for the session tests.
#include "fax_pages.h"

#include <unistd.h>

#include <atomic>
#include <filesystem>

#include "faximage/brx_file.h"
#include "faximage/convert_state.h"
#include "faximage/t4_decoder.h"

namespace faxengine::test {

namespace {

std::vector<std::uint8_t> rasterRow(const std::string& row) {
  std::vector<std::uint8_t> line(216, 0);
  for (std::size_t x = 0; x < row.size() && x < 1728; ++x)
    if (row[x] == 'X') line[x >> 3] |= std::uint8_t(0x80 >> (x & 7));
  return line;
}

}  // namespace

void writeBrx(const std::string& path, const std::vector<TestPage>& pages) {
  faximage::BrxWriter w;
  w.create(path);
  faximage::ConvertState state;
  for (const TestPage& p : pages) {
    w.beginPage(std::uint16_t(faximage::pfLineLengths | (p.fine ? faximage::pfFine : 0)));
    for (const std::string& row : p.rows) {
      state.EncodeLine(rasterRow(row));
      w.addLineRecord(state.coded());
    }
    w.endPage();
  }
  w.finish("", 0);
}

std::vector<std::uint8_t> codedPage(const Picture& rows) {
  faximage::ConvertState state;
  std::vector<std::uint8_t> out;
  for (const std::string& row : rows) {
    state.EncodeLine(rasterRow(row));
    auto c = state.coded();
    out.insert(out.end(), c.begin(), c.end());
  }
  out.insert(out.end(), faximage::kEndOfPageRecord.begin(), faximage::kEndOfPageRecord.end());
  return out;
}

std::string pictureRow(const std::uint8_t* bits, int pixels) {
  std::string r;
  for (int x = 0; x < pixels; ++x) r += (bits[x >> 3] >> (7 - (x & 7))) & 1 ? 'X' : ' ';
  while (!r.empty() && r.back() == ' ') r.pop_back();
  return r;
}

Picture decodeRows(std::span<const std::uint8_t> data) {
  Picture rows;
  faximage::t4::LineDecoder decoder;
  decoder.decodePage(data, [&](const std::uint8_t* line, int bytes) {
    rows.push_back(pictureRow(line, bytes * 8));
    return true;
  });
  return rows;
}

Picture brxPageRows(const std::string& path, int page) {
  faximage::BrxReader reader;
  faximage::BrxPage p;
  if (reader.openFile(path) != 0 || reader.page(unsigned(page), p) != 0) return {};
  if (!p.header.lineLengths()) return decodeRows(p.data);
  std::vector<std::uint8_t> stream;
  faximage::forEachLineRecord(p.data, [&](std::span<const std::uint8_t> rec) {
    stream.insert(stream.end(), rec.begin(), rec.end());
    return true;
  });
  return decodeRows(stream);
}

::testing::AssertionResult rowsMatch(const Picture& got, std::size_t skip, const Picture& want) {
  if (got.size() != skip + want.size())
    return ::testing::AssertionFailure()
           << got.size() << " rows, expected " << skip << " + " << want.size();
  for (std::size_t y = 0; y < want.size(); ++y)
    if (got[skip + y] != want[y])
      return ::testing::AssertionFailure() << "row " << y << " differs: \"" << got[skip + y]
                                           << "\" instead of \"" << want[y] << "\"";
  return ::testing::AssertionSuccess();
}

Picture patternPicture(int rows, int seed) {
  Picture p;
  for (int y = 0; y < rows; ++y) {
    std::string r(std::size_t(40 + (y * 7 + seed * 13) % 300), ' ');
    for (std::size_t x = 0; x < r.size(); ++x)
      if (((x + std::size_t(y) * 3 + std::size_t(seed)) / 5) % 3 == 0) r[x] = 'X';
    while (!r.empty() && r.back() == ' ') r.pop_back();
    p.push_back(r);
  }
  return p;
}

TempDir::TempDir() {
  static std::atomic<int> counter{0};
  auto d = std::filesystem::temp_directory_path() /
           ("brindle_faxengine_" + std::to_string(::getpid()) + "_" + std::to_string(counter++));
  std::filesystem::create_directories(d);
  dir_ = d.string();
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::remove_all(dir_, ec);
}

}  // namespace faxengine::test
