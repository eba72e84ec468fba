// PCX and DCX page sources: monochrome run-length coded PCX images; a DCX file is a table of
// PCX pages.
//
// PCX header (128 bytes):
// | offset | size | field                                   |
// |--------|------|-----------------------------------------|
// | 0      | 1    | manufacturer, 10                        |
// | 1      | 1    | version                                 |
// | 2      | 1    | encoding, 1 (run-length)                |
// | 3      | 1    | bits per pixel, 1                       |
// | 4      | 8    | x min, y min, x max, y max (2 bytes each)|
// | 65     | 1    | planes, 1                               |
// | 66     | 2    | bytes per line                          |
// Data: a byte of 192 or more gives a count (its low 6 bits) for the byte after it; other
// bytes stand for themselves. A set bit is white.
//
// DCX: the 4-byte number 987654321, then up to 1024 4-byte page offsets ending at the first
// 0; each page is a PCX image at its offset, running to the next page or the end of the file.
#include <algorithm>
#include <vector>

#include "base/bytes.h"
#include "faximage/errors.h"
#include "faximage/line_source.h"

namespace faximage {

namespace {

constexpr std::size_t kPcxHeader = 128;
constexpr std::uint32_t kDcxMagic = 987654321;
constexpr int kDcxMaxPages = 1024;

struct PcxImage {
  std::span<const std::uint8_t> data;  // the run-length coded rows
  int width = 0;
  int height = 0;
  int bytesPerLine = 0;
};

int parsePcx(std::span<const std::uint8_t> bytes, int pageWidth, PcxImage& out) {
  base::ByteReader v(bytes);
  if (bytes.size() < kPcxHeader) return ecBadGraphicsFormat;
  if (v.u8(0) != 10 || v.u8(2) != 1 || v.u8(3) != 1) return ecBadGraphicsFormat;
  int planes = v.u8(65);
  if (planes > 1) return ecBadGraphicsFormat;
  int xmin = v.u16(4), ymin = v.u16(6), xmax = v.u16(8), ymax = v.u16(10);
  if (xmax < xmin || ymax < ymin || xmax - xmin > pageWidth) return ecBadGraphicsFormat;
  out.width = xmax - xmin + 1;
  out.height = ymax - ymin + 1;
  out.bytesPerLine = std::max<int>(v.u16(66), (out.width + 7) / 8);
  if (out.bytesPerLine > kLineBufferBytes) return ecBadGraphicsFormat;
  out.data = bytes.subspan(kPcxHeader);
  return ecOK;
}

// Decodes PCX rows one at a time. A count that runs past the end of a row goes on into the
// next; the image ends early when the data does.
class PcxRows {
 public:
  void start(const PcxImage& img) {
    img_ = img;
    pos_ = 0;
    repeat_ = 0;
    row_.assign(std::size_t(img.bytesPerLine), 0);
  }
  bool next() {
    for (int i = 0; i < img_.bytesPerLine; ++i) {
      if (repeat_ == 0) {
        if (pos_ >= img_.data.size()) return false;
        std::uint8_t b = img_.data[pos_++];
        if (b >= 0xC0) {
          if (pos_ >= img_.data.size()) return false;
          repeat_ = b & 0x3F;
          byte_ = img_.data[pos_++];
          if (repeat_ == 0) {
            --i;
            continue;
          }
        } else {
          repeat_ = 1;
          byte_ = b;
        }
      }
      row_[std::size_t(i)] = std::uint8_t(~byte_);
      --repeat_;
    }
    return true;
  }
  const std::uint8_t* row() const { return row_.data(); }

 private:
  PcxImage img_;
  std::size_t pos_ = 0;
  int repeat_ = 0;
  std::uint8_t byte_ = 0;
  std::vector<std::uint8_t> row_;
};

// Pages of PCX images; a plain PCX file is a one-page list.
class PcxSource : public LineSource {
 public:
  PcxSource(const SourceContext& ctx, bool dcx) : ctx_(ctx), dcx_(dcx) {}

  int openBytes(std::span<const std::uint8_t> bytes) override {
    data_.assign(bytes.begin(), bytes.end());
    pages_.clear();
    std::span<const std::uint8_t> all(data_);
    if (!dcx_) {
      PcxImage img;
      int rc = parsePcx(all, ctx_.pageWidth, img);
      if (rc != ecOK) return rc;
      pages_.push_back(img);
    } else {
      int rc = parseDcx(all);
      if (rc != ecOK) return rc;
    }
    for (const auto& p : pages_) bytesToConvert_ += long(p.data.size());
    startPage(0);
    return ecOK;
  }

  int readLine(LineBuffer& line, LineRead& r) override {
    if (row_ >= pages_[page_].height || !rows_.next()) {
      r.endOfPage = true;
      r.morePages = page_ + 1 < pages_.size();
      if (r.morePages) startPage(page_ + 1);
      return ecOK;
    }
    r.length = placeRow(rows_.row(), pages_[page_].width, line);
    bytesConverted_ += pages_[page_].bytesPerLine;
    ++row_;
    return ecOK;
  }

 private:
  int parseDcx(std::span<const std::uint8_t> all) {
    base::ByteReader v(all);
    if (v.u32(0) != kDcxMagic || !v.ok()) return ecBadGraphicsFormat;
    std::vector<std::uint32_t> offsets;
    for (int i = 0; i < kDcxMaxPages; ++i) {
      std::uint32_t off = v.u32(4 + 4 * std::uint64_t(i));
      if (!v.ok()) return ecBadGraphicsFormat;
      if (off == 0) break;
      if (off < 8 || off >= all.size()) return ecBadGraphicsFormat;
      offsets.push_back(off);
    }
    if (offsets.empty()) return ecBadGraphicsFormat;
    for (std::size_t i = 0; i < offsets.size(); ++i) {
      std::size_t end = all.size();
      if (i + 1 < offsets.size() && offsets[i + 1] > offsets[i]) end = offsets[i + 1];
      PcxImage img;
      int rc = parsePcx(all.subspan(offsets[i], end - offsets[i]), ctx_.pageWidth, img);
      if (rc != ecOK) return rc;
      pages_.push_back(img);
    }
    return ecOK;
  }

  void startPage(std::size_t k) {
    page_ = k;
    row_ = 0;
    rows_.start(pages_[k]);
    placement_ = computePlacement(pages_[k].width, ctx_);
  }

  SourceContext ctx_;
  bool dcx_;
  std::vector<std::uint8_t> data_;
  std::vector<PcxImage> pages_;
  std::size_t page_ = 0;
  int row_ = 0;
  PcxRows rows_;
};

}  // namespace

std::unique_ptr<LineSource> makePcxSource(const SourceContext& ctx) {
  return std::make_unique<PcxSource>(ctx, false);
}
std::unique_ptr<LineSource> makeDcxSource(const SourceContext& ctx) {
  return std::make_unique<PcxSource>(ctx, true);
}

}  // namespace faximage
