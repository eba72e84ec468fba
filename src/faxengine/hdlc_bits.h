// HDLC framing done in software, for modems that frame only their control-channel
// messages: a frame's octets go out least significant bit first, a 0 is inserted after
// five 1s in a row so that no data looks like the flag 0x7E, and each frame ends with a
// 16-bit frame check (CRC-16, initial value 0xFFFF, sent inverted, low octet first).
// Bits are packed into bytes the way the modem's data mode carries them: the first bit
// on the line is bit 0 of the first byte.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <vector>

namespace faxengine::hdlc {

inline constexpr std::uint8_t kFlag = 0x7E;

// The frame check of `bytes` as sent after them (the CRC inverted).
std::uint16_t frameCheck(std::span<const std::uint8_t> bytes);

class Writer {
 public:
  // Flags between frames (and before the first, for the receiver to find the octets).
  void flags(int count);
  // A frame: the bytes and their frame check, zeros inserted, closed by one flag.
  void frame(std::span<const std::uint8_t> bytes);
  // What is built so far, the last byte filled up with the bits of a flag.
  std::vector<std::uint8_t> take();

 private:
  void bit(int b);
  void stuffedOctet(std::uint8_t octet);

  std::vector<std::uint8_t> out_;
  std::uint8_t cur_ = 0;
  int bits_ = 0;  // bits in cur_
  int ones_ = 0;  // 1s in a row in the frame so far
};

class Reader {
 public:
  using FrameFn = std::function<void(std::span<const std::uint8_t>)>;
  // Longer frames are damage (a lost closing flag): dropped.
  static constexpr std::size_t kMaxFrame = 1024;

  // Takes line bytes; each frame with a good check is handed on without its check bytes.
  void feed(std::span<const std::uint8_t> bytes, const FrameFn& onFrame);
  // Frames seen since the last reset whose check or length was wrong.
  int badFrames() const { return bad_; }
  void reset();

 private:
  void flag(const FrameFn& onFrame);

  std::vector<std::uint8_t> frame_;
  std::uint8_t cur_ = 0;
  int bits_ = 0;
  int ones_ = 0;
  bool inFrame_ = false;  // a flag has been seen since the last abort
  int bad_ = 0;
};

}  // namespace faxengine::hdlc
