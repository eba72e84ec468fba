// Page decoding with the display adjustments, page-image assembly and bitmap scaling.
#include "faximage/page_image.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

#include "base/bytes.h"
#include "faximage/errors.h"
#include "faximage/t4_decoder.h"

namespace faximage {

namespace {

bool hasBlack(const std::uint8_t* data, int len) {
  for (int i = 0; i < len; ++i)
    if (data[i]) return true;
  return false;
}

// Decoded lines -> blank-line compression -> invert, double height or half width -> sink.
class LinePipeline {
 public:
  LinePipeline(const UnpackSettings& s, bool fine, const UnpackCallbacks& cb)
      : s_(s), fine_(fine), cb_(cb), compress_(s.whitespaceFrom != 0 && s.whitespaceTo != 0) {}

  // Returns false when decoding should stop (abort or quit); quit() tells which.
  bool decoded(const std::uint8_t* data, int len) {
    if (compress_ && !hasBlack(data, len)) {
      ++blank_;
      return true;
    }
    if (!flushBlanks(false)) return false;
    return deliver(data, len);
  }

  bool finish() { return flushBlanks(true); }
  bool quit() const { return quit_; }

 private:
  bool flushBlanks(bool atEnd) {
    unsigned n = blank_ >= s_.whitespaceFrom ? s_.whitespaceTo : blank_;
    if (atEnd && s_.whitespaceFrom == s_.whitespaceTo) n = 0;
    blank_ = 0;
    for (unsigned i = 0; i < n; ++i)
      if (!deliver(nullptr, 0)) return false;
    return true;
  }

  bool deliver(const std::uint8_t* data, int len) {
    int n = len;
    if (len > 0) {
      if (!fine_ && s_.autoScale != TAutoScaleMode::asDoubleHeight)
        n = halve(data, len);
      else
        std::memcpy(buf_.data(), data, std::size_t(len));
      if (s_.invert)
        for (int i = 0; i < n; ++i) buf_[std::size_t(i)] = std::uint8_t(~buf_[std::size_t(i)]);
    }
    int times = (!fine_ && s_.autoScale == TAutoScaleMode::asDoubleHeight) ? 2 : 1;
    for (int t = 0; t < times; ++t) {
      if (cb_.line) cb_.line(buf_.data(), n);
      ++count_;
      if (s_.yield && count_ % 16 == 0 && cb_.yield && !cb_.yield()) {
        quit_ = true;
        return false;
      }
    }
    return !(cb_.aborted && cb_.aborted());
  }

  // Every pair of pixels becomes one, black when either is black.
  int halve(const std::uint8_t* data, int len) {
    int out = len / 2;
    for (int i = 0; i < out; ++i) {
      const unsigned v = base::be16(data + 2 * i);
      std::uint8_t b = 0;
      for (int k = 0; k < 8; ++k)
        if ((v >> (14 - 2 * k)) & 3) b |= std::uint8_t(0x80 >> k);
      buf_[std::size_t(i)] = b;
    }
    return out;
  }

  const UnpackSettings& s_;
  bool fine_;
  const UnpackCallbacks& cb_;
  bool compress_;
  unsigned blank_ = 0;
  unsigned long count_ = 0;
  bool quit_ = false;
  std::array<std::uint8_t, t4::LineDecoder::kLineBytes> buf_{};
};

// Rows at the page stride, grown 1024 at a time; each row's last non-white byte is noted.
class PageAssembler {
 public:
  explicit PageAssembler(int stride) : stride_(stride) {}

  void add(const std::uint8_t* data, int len) {
    if (rows_ % 1024 == 0) bits_.resize((std::size_t(rows_) + 1024) * std::size_t(stride_), 0);
    std::uint8_t* row = bits_.data() + std::size_t(rows_) * std::size_t(stride_);
    int n = std::min(len, stride_);
    if (n > 0) std::memcpy(row, data, std::size_t(n));
    int last = n;
    while (last > 0 && row[last - 1] == 0) --last;
    width_ = std::max(width_, last);
    ++rows_;
  }

  void finish(MonoBitmap& out) {
    out = MonoBitmap{};
    if (rows_ == 0) return;
    int wb = std::max(width_, 1);
    wb += wb & 1;
    out = MonoBitmap(wb * 8, rows_);
    for (int y = 0; y < rows_; ++y)
      std::memcpy(out.row(y), bits_.data() + std::size_t(y) * std::size_t(stride_),
                  std::size_t(std::min(wb, stride_)));
  }

 private:
  int stride_;
  int rows_ = 0;
  int width_ = 0;
  std::vector<std::uint8_t> bits_;
};

void invertBitmap(MonoBitmap& b) {
  for (auto& byte : b.bits) byte = std::uint8_t(~byte);
}

bool identityScale(const UnpackSettings& s) {
  return s.horizMult == s.horizDiv && s.vertMult == s.vertDiv;
}

}  // namespace

int decodePageLines(const BrxReader& reader, unsigned page, const UnpackSettings& settings,
                    const UnpackCallbacks& cb, PageDecodeInfo* info) {
  BrxPage pg;
  int rc = reader.page(page, pg);
  if (rc != ecOK) return rc;
  std::vector<std::uint8_t> joined;
  std::span<const std::uint8_t> coded = pg.data;
  bool truncated = pg.truncated;
  if (pg.header.lineLengths()) {
    joined.reserve(pg.data.size());
    bool whole = forEachLineRecord(pg.data, [&](std::span<const std::uint8_t> rec) {
      joined.insert(joined.end(), rec.begin(), rec.end());
      return true;
    });
    truncated = truncated || !whole;
    coded = joined;
  }
  const long total = long(pg.header.imageLength);
  LinePipeline pipe(settings, pg.header.fine(), cb);
  t4::LineDecoder decoder;
  auto sink = [&](const std::uint8_t* line, int bytes) {
    if (cb.status && !coded.empty())
      cb.status(long(double(decoder.bytesConsumed()) * double(total) / double(coded.size())),
                total);
    return pipe.decoded(line, bytes);
  };
  auto result = decoder.decodePage(coded, sink);
  if (pipe.quit()) return ecGotQuitMsg;
  if (result != t4::LineDecoder::Result::Stopped) {
    if (!pipe.finish()) return pipe.quit() ? ecGotQuitMsg : ecOK;
    if (result == t4::LineDecoder::Result::DataEnd && truncated) return ecFaxBadFormat;
  }
  if (cb.status) cb.status(std::min<long>(total, long(pg.data.size())), total);
  if (info) *info = {pg.header, decoder.lines(), decoder.invalidCodes()};
  return ecOK;
}

int assemblePageImage(const BrxReader& reader, unsigned page, const UnpackSettings& settings,
                      MonoBitmap& out, const UnpackCallbacks& cb) {
  out = MonoBitmap{};
  BrxPage pg;
  int rc = reader.page(page, pg);
  if (rc != ecOK) return rc;
  try {
    PageAssembler assembler(pg.header.wide() ? kWideWidth / 8 : kNormalWidth / 8);
    UnpackSettings plain = settings;
    plain.invert = false;  // assembled 1 = black, inverted as a whole at the end
    UnpackCallbacks inner = cb;
    inner.line = [&](const std::uint8_t* d, int n) { assembler.add(d, n); };
    rc = decodePageLines(reader, page, plain, inner);
    if (rc != ecOK) return rc;
    assembler.finish(out);
    if (!out.empty() && !identityScale(settings)) {
      MonoBitmap scaled;
      int w = int(std::uint64_t(settings.horizMult) * std::uint64_t(out.width) /
                  std::max(settings.horizDiv, 1u));
      int h = int(std::uint64_t(settings.vertMult) * std::uint64_t(out.height) /
                  std::max(settings.vertDiv, 1u));
      if (std::uint64_t(settings.horizMult) * out.width / std::max(settings.horizDiv, 1u) >
              (1u << 20) ||
          std::uint64_t(settings.vertMult) * out.height / std::max(settings.vertDiv, 1u) >
              (1u << 20))
        return out = MonoBitmap{}, ecCantMakeBitmap;
      rc = scaleBitmap(out, w, h, scaled);
      if (rc != ecOK) return out = MonoBitmap{}, rc;
      out = std::move(scaled);
    }
    if (settings.invert) invertBitmap(out);
  } catch (const std::bad_alloc&) {
    out = MonoBitmap{};
    return ecOutOfMemory;
  }
  return ecOK;
}

int assemblePageImage(const std::string& fileName, unsigned page, const UnpackSettings& settings,
                      MonoBitmap& out, const UnpackCallbacks& cb) {
  out = MonoBitmap{};
  BrxReader reader;
  int rc = reader.openFile(fileName);
  if (rc != ecOK) return rc;
  return assemblePageImage(reader, page, settings, out, cb);
}

int scaleBitmap(const MonoBitmap& in, int width, int height, MonoBitmap& out) {
  out = MonoBitmap{};
  if (width <= 0 || height <= 0 || in.empty()) return ecOK;
  if (std::uint64_t(width) * std::uint64_t(height) > (std::uint64_t(1) << 34))
    return ecCantMakeBitmap;
  try {
    out = MonoBitmap(width, height);
    // Source column range of each target column: [x0[tx], x0[tx + 1]), at least one pixel.
    std::vector<int> x0(std::size_t(width) + 1);
    for (int tx = 0; tx <= width; ++tx)
      x0[std::size_t(tx)] = int(std::int64_t(tx) * in.width / width);
    std::vector<std::uint8_t> acc(std::size_t(in.stride));
    for (int ty = 0; ty < height; ++ty) {
      int sy0 = int(std::int64_t(ty) * in.height / height);
      int sy1 = std::max(sy0 + 1, int(std::int64_t(ty + 1) * in.height / height));
      std::fill(acc.begin(), acc.end(), 0);
      for (int sy = sy0; sy < sy1; ++sy) {
        const std::uint8_t* r = in.row(sy);
        for (int i = 0; i < in.stride; ++i) acc[std::size_t(i)] |= r[i];
      }
      std::uint8_t* o = out.row(ty);
      for (int tx = 0; tx < width; ++tx) {
        int a = x0[std::size_t(tx)], b = std::max(a + 1, x0[std::size_t(tx) + 1]);
        for (int sx = a; sx < b; ++sx) {
          if ((acc[std::size_t(sx >> 3)] >> (7 - (sx & 7))) & 1) {
            o[tx >> 3] |= std::uint8_t(0x80 >> (tx & 7));
            break;
          }
        }
      }
    }
  } catch (const std::bad_alloc&) {
    out = MonoBitmap{};
    return ecCantMakeBitmap;
  }
  return ecOK;
}

}  // namespace faximage
