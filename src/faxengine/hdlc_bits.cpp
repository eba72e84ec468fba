// HDLC framing in software.
#include "faxengine/hdlc_bits.h"

namespace faxengine::hdlc {

namespace {
constexpr std::uint16_t kPolynomial = 0x8408;  // x^16 + x^12 + x^5 + 1, bits reversed
constexpr std::uint16_t kGoodRemainder = 0xF0B8;

std::uint16_t crc(std::uint16_t c, std::span<const std::uint8_t> bytes) {
  for (std::uint8_t b : bytes) {
    c ^= b;
    for (int i = 0; i < 8; ++i) c = (c & 1) ? std::uint16_t((c >> 1) ^ kPolynomial) : c >> 1;
  }
  return c;
}
}  // namespace

std::uint16_t frameCheck(std::span<const std::uint8_t> bytes) {
  return std::uint16_t(~crc(0xFFFF, bytes));
}

void Writer::bit(int b) {
  if (b) cur_ = std::uint8_t(cur_ | (1u << bits_));
  if (++bits_ == 8) {
    out_.push_back(cur_);
    cur_ = 0;
    bits_ = 0;
  }
}

void Writer::flags(int count) {
  for (int n = 0; n < count; ++n)
    for (int i = 0; i < 8; ++i) bit((kFlag >> i) & 1);
  ones_ = 0;
}

void Writer::stuffedOctet(std::uint8_t octet) {
  for (int i = 0; i < 8; ++i) {
    int b = (octet >> i) & 1;
    bit(b);
    ones_ = b ? ones_ + 1 : 0;
    if (ones_ == 5) {
      bit(0);
      ones_ = 0;
    }
  }
}

void Writer::frame(std::span<const std::uint8_t> bytes) {
  ones_ = 0;
  for (std::uint8_t b : bytes) stuffedOctet(b);
  std::uint16_t fcs = frameCheck(bytes);
  stuffedOctet(std::uint8_t(fcs & 0xFF));
  stuffedOctet(std::uint8_t(fcs >> 8));
  flags(1);
}

std::vector<std::uint8_t> Writer::take() {
  for (int i = 0; bits_ != 0; ++i) bit((kFlag >> (i % 8)) & 1);
  std::vector<std::uint8_t> out;
  out.swap(out_);
  return out;
}

void Reader::reset() {
  frame_.clear();
  cur_ = 0;
  bits_ = ones_ = bad_ = 0;
  inFrame_ = false;
}

// A flag ends what came since the one before. The flag's own 0 and six 1s have gone into
// cur_ as data: a frame of whole octets leaves exactly those seven bits there.
void Reader::flag(const FrameFn& onFrame) {
  if (inFrame_ && !frame_.empty()) {
    if (bits_ == 7 && frame_.size() >= 4 && frame_.size() <= kMaxFrame &&
        crc(0xFFFF, frame_) == kGoodRemainder)
      onFrame(std::span(frame_).first(frame_.size() - 2));
    else
      ++bad_;
  }
  inFrame_ = true;
  frame_.clear();
  cur_ = 0;
  bits_ = 0;
}

void Reader::feed(std::span<const std::uint8_t> bytes, const FrameFn& onFrame) {
  for (std::uint8_t byte : bytes) {
    for (int i = 0; i < 8; ++i) {
      int b = (byte >> i) & 1;
      if (b) {
        if (++ones_ >= 7) {  // an abort, or an idle line: no frame until the next flag
          inFrame_ = false;
          frame_.clear();
          bits_ = 0;
          continue;
        }
      } else {
        int run = ones_;
        ones_ = 0;
        if (run == 6) {
          flag(onFrame);
          continue;
        }
        if (run == 5) continue;  // the inserted 0
      }
      if (!inFrame_) continue;
      if (b) cur_ = std::uint8_t(cur_ | (1u << bits_));
      if (++bits_ == 8) {
        if (frame_.size() <= kMaxFrame) frame_.push_back(cur_);
        cur_ = 0;
        bits_ = 0;
      }
    }
  }
}

}  // namespace faxengine::hdlc
