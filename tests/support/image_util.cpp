// Helpers of the fax image tests.
#include "image_util.h"

#include "fax_pages.h"

#include "faximage/convert_state.h"

#include <unistd.h>
#include <algorithm>
#include <atomic>
#include <fstream>
#include <iterator>
#include <sstream>

namespace faximage::test {

MonoBitmap fromPicture(const std::vector<std::string>& rows) {
  int w = 0;
  for (const auto& r : rows) w = std::max(w, int(r.size()));
  MonoBitmap b(w, int(rows.size()));
  for (int y = 0; y < b.height; ++y)
    for (int x = 0; x < int(rows[std::size_t(y)].size()); ++x)
      if (rows[std::size_t(y)][std::size_t(x)] == 'X') b.setPixel(x, y, true);
  return b;
}

std::vector<std::string> toPicture(const MonoBitmap& b, int maxWidth) {
  std::vector<std::string> rows;
  int w = maxWidth < 0 ? b.width : std::min(maxWidth, b.width);
  for (int y = 0; y < b.height; ++y) {
    std::string r;
    for (int x = 0; x < w; ++x) r += b.pixel(x, y) ? 'X' : ' ';
    while (!r.empty() && r.back() == ' ') r.pop_back();
    rows.push_back(r);
  }
  return rows;
}

std::string lineToPicture(const std::uint8_t* line, int pixels) {
  return faxengine::test::pictureRow(line, pixels);
}

ScratchDir::ScratchDir() {
  static std::atomic<int> counter{0};
  dir_ = std::filesystem::temp_directory_path() /
         ("brindle_faximage_" + std::to_string(::getpid()) + "_" + std::to_string(counter++));
  std::filesystem::create_directories(dir_);
}

ScratchDir::~ScratchDir() {
  std::error_code ec;
  std::filesystem::remove_all(dir_, ec);
}

std::vector<std::uint8_t> readFile(const std::string& name) {
  std::ifstream f(name, std::ios::binary);
  return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

void writeFile(const std::string& name, const std::vector<std::uint8_t>& bytes) {
  std::ofstream f(name, std::ios::binary);
  f.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

namespace {
void put(std::vector<std::uint8_t>& o, std::uint32_t v, int bytes, bool big = false) {
  for (int i = 0; i < bytes; ++i) o.push_back(std::uint8_t(v >> (8 * (big ? bytes - 1 - i : i))));
}

std::vector<std::uint8_t> bmpHeaders(int w, int h, int bits, std::size_t dataSize,
                                     int paletteEntries) {
  std::vector<std::uint8_t> o;
  std::uint32_t offset = 54 + 4 * std::uint32_t(paletteEntries);
  o.push_back('B');
  o.push_back('M');
  put(o, offset + std::uint32_t(dataSize), 4);
  put(o, 0, 4);
  put(o, offset, 4);
  put(o, 40, 4);
  put(o, std::uint32_t(w), 4);
  put(o, std::uint32_t(h), 4);
  put(o, 1, 2);
  put(o, std::uint32_t(bits), 2);
  for (int i = 0; i < 6; ++i) put(o, 0, 4);
  return o;
}
}  // namespace

std::vector<std::uint8_t> makeMonoBmp(const MonoBitmap& b, bool topDown) {
  const std::size_t stride = (std::size_t(b.width) + 31) / 32 * 4;
  auto o =
      bmpHeaders(b.width, topDown ? -b.height : b.height, 1, stride * std::size_t(b.height), 2);
  put(o, 0x000000, 4);
  put(o, 0xFFFFFF, 4);
  for (int i = 0; i < b.height; ++i) {
    int y = topDown ? i : b.height - 1 - i;
    for (std::size_t k = 0; k < stride; ++k)
      o.push_back(k < std::size_t(b.stride) ? std::uint8_t(~b.row(y)[k]) : 0xFF);
  }
  return o;
}

std::vector<std::uint8_t> makeColourBmp(const MonoBitmap& b, std::uint32_t ink, std::uint32_t paper,
                                        int bits) {
  const int bpp = bits / 8;
  const std::size_t stride = (std::size_t(b.width) * std::size_t(bpp) + 3) / 4 * 4;
  auto o = bmpHeaders(b.width, b.height, bits, stride * std::size_t(b.height), 0);
  for (int y = b.height - 1; y >= 0; --y) {
    std::size_t start = o.size();
    for (int x = 0; x < b.width; ++x) put(o, b.pixel(x, y) ? ink : paper, bpp);
    o.resize(start + stride, 0);
  }
  return o;
}

std::vector<std::uint8_t> makeTiff(const MonoBitmap& b, int compression, bool big) {
  std::vector<std::uint8_t> data;
  for (int y = 0; y < b.height; ++y) {
    if (compression == 32773) {
      // Literal runs of at most 128 bytes.
      for (int i = 0; i < b.stride; i += 128) {
        int n = std::min(128, b.stride - i);
        data.push_back(std::uint8_t(n - 1));
        data.insert(data.end(), b.row(y) + i, b.row(y) + i + n);
      }
    } else {
      data.insert(data.end(), b.row(y), b.row(y) + b.stride);
    }
  }
  std::vector<std::uint8_t> o;
  o.push_back(big ? 'M' : 'I');
  o.push_back(big ? 'M' : 'I');
  put(o, 42, 2, big);
  put(o, 8, 4, big);
  struct Tag {
    std::uint16_t tag, type;
    std::uint32_t value;
  };
  std::uint32_t dataOffset = 8 + 2 + 9 * 12 + 4;
  std::vector<Tag> tags = {{256, 4, std::uint32_t(b.width)},
                           {257, 4, std::uint32_t(b.height)},
                           {258, 3, 1},
                           {259, 3, std::uint32_t(compression)},
                           {262, 3, 0},
                           {273, 4, dataOffset},
                           {277, 3, 1},
                           {278, 4, std::uint32_t(b.height)},
                           {279, 4, std::uint32_t(data.size())}};
  put(o, std::uint32_t(tags.size()), 2, big);
  for (const auto& t : tags) {
    put(o, t.tag, 2, big);
    put(o, t.type, 2, big);
    put(o, 1, 4, big);
    if (t.type == 3) {
      put(o, t.value, 2, big);
      put(o, 0, 2, big);
    } else {
      put(o, t.value, 4, big);
    }
  }
  put(o, 0, 4, big);
  o.insert(o.end(), data.begin(), data.end());
  return o;
}

std::uint32_t nextRandom(std::uint32_t& s) {
  s ^= s << 13;
  s ^= s >> 17;
  s ^= s << 5;
  return s;
}

// A letter: lines of the fax font with ragged ends and blank lines between paragraphs.
MonoBitmap textPage(int width, int rows, int first) {
  MonoBitmap page(width, rows);
  ConvertState font;
  font.LoadFaxFont(kStandardGlyphBytes, true);
  const std::string text = "Dear customer, your order 4711 of 12 March ships today. Thank you!";
  for (int y = 8, n = first; y + 32 <= rows; y += 32, ++n) {
    if (n % 5 == 4) continue;
    const std::string s = text.substr(0, text.size() - std::size_t(n * 7 % 23));
    for (int r = 1; r <= 32; ++r)
      font.RenderTextRow(s, r, {page.row(y + r - 1) + 4, std::size_t(page.stride - 4)});
  }
  return page;
}

MonoBitmap readPbm(const std::string& file) {
  const auto bytes = readFile(file);
  std::istringstream in(std::string(bytes.begin(), bytes.end()));
  std::string magic;
  int w = 0, h = 0;
  in >> magic >> w >> h;
  in.get();
  MonoBitmap b(w, h);
  in.read(reinterpret_cast<char*>(b.bits.data()), std::streamsize(b.bits.size()));
  return magic == "P4" && in ? b : MonoBitmap();
}

}  // namespace faximage::test
