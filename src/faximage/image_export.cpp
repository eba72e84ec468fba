// Writers of the page export formats.
#include "faximage/image_export.h"

#include <algorithm>
#include <string>

#include "faximage/errors.h"

namespace faximage {

namespace {

void put16(std::vector<std::uint8_t>& o, std::size_t at, std::uint32_t v) {
  o[at] = std::uint8_t(v);
  o[at + 1] = std::uint8_t(v >> 8);
}
void put32(std::vector<std::uint8_t>& o, std::size_t at, std::uint32_t v) {
  put16(o, at, v);
  put16(o, at + 2, v >> 16);
}

constexpr int kMaxBmpRows = 32768;
constexpr std::uint32_t kDcxMagic = 987654321;
constexpr std::size_t kDcxTable = 1024;

}  // namespace

int encodeBmp(const MonoBitmap& page, std::vector<std::uint8_t>& out) {
  out.clear();
  if (page.height >= kMaxBmpRows) return ecBitmapTooTall;
  const std::size_t stride = (std::size_t(page.width) + 31) / 32 * 4;
  const std::size_t size = stride * std::size_t(page.height) + 62;
  out.assign(62, 0);
  out[0] = 'B';
  out[1] = 'M';
  put32(out, 2, std::uint32_t(size));
  put32(out, 10, 62);
  put32(out, 14, 40);
  put32(out, 18, std::uint32_t(page.width));
  put32(out, 22, std::uint32_t(page.height));
  put16(out, 26, 1);
  put16(out, 28, 1);
  out[58] = out[59] = out[60] = 0xFF;  // palette: black, then white
  out.reserve(size);
  const std::size_t rowBytes = std::size_t(page.width + 7) / 8;
  for (int y = page.height - 1; y >= 0; --y) {
    const std::uint8_t* r = page.row(y);
    for (std::size_t i = 0; i < stride; ++i)
      out.push_back(i < rowBytes ? std::uint8_t(~r[i]) : 0xFF);
  }
  return ecOK;
}

void encodePcx(const MonoBitmap& page, std::vector<std::uint8_t>& out) {
  const std::size_t start = out.size();
  out.resize(start + 128, 0);
  const int wb = (page.width + 7) / 8;
  out[start + 0] = 10;
  out[start + 1] = 2;
  out[start + 2] = 1;
  out[start + 3] = 1;
  put16(out, start + 8, std::uint32_t(page.width - 1));
  put16(out, start + 10, std::uint32_t(page.height - 1));
  out[start + 65] = 1;
  put16(out, start + 66, std::uint32_t(wb));
  for (int y = 0; y < page.height; ++y) {
    const std::uint8_t* r = page.row(y);
    int i = 0;
    while (i < wb) {
      std::uint8_t b = std::uint8_t(~r[i]);
      int n = 1;
      while (i + n < wb && n < 63 && std::uint8_t(~r[i + n]) == b) ++n;
      if (n > 1 || b >= 0xC0) out.push_back(std::uint8_t(0xC0 | n));
      out.push_back(b);
      i += n;
    }
  }
}

void encodeDcx(std::span<const MonoBitmap> pages, std::vector<std::uint8_t>& out) {
  const std::size_t n = std::min(pages.size(), kDcxTable - 1);
  out.assign(4 + 4 * kDcxTable, 0);
  put32(out, 0, kDcxMagic);
  for (std::size_t i = 0; i < n; ++i) {
    put32(out, 4 + 4 * i, std::uint32_t(out.size()));
    encodePcx(pages[i], out);
  }
}

void encodePbm(const MonoBitmap& page, std::vector<std::uint8_t>& out) {
  std::string head = "P4\n" + std::to_string(page.width) + " " + std::to_string(page.height) + "\n";
  out.assign(head.begin(), head.end());
  const std::size_t rowBytes = std::size_t(page.width + 7) / 8;
  for (int y = 0; y < page.height; ++y) out.insert(out.end(), page.row(y), page.row(y) + rowBytes);
}

}  // namespace faximage
