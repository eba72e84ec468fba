// The bookkeeping of error-corrected pages: a page's coded data cut into numbered frames,
// the frames grouped in blocks of up to 256 (a block is answered as a whole before the
// next goes), the bitmap the receiver returns for the frames that did not arrive, and the
// receiver's assembly of a block from frames arriving in any order and more than once.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

namespace faxengine::ecm {

inline constexpr int kBlockFrames = 256;
inline constexpr std::size_t kFrameSize = 256;      // octets of page data in a frame
inline constexpr std::size_t kSmallFrameSize = 64;  // when the caller chose small frames
// Bit n of the map (byte n / 8, bit n % 8, as it goes on the line) stands for frame n.
using FrameMap = std::array<std::uint8_t, kBlockFrames / 8>;

inline bool marked(const FrameMap& m, int n) { return (m[std::size_t(n / 8)] >> (n % 8)) & 1; }
inline void mark(FrameMap& m, int n) { m[std::size_t(n / 8)] |= std::uint8_t(1u << (n % 8)); }

// A page's data as frames in blocks; the last frame of the page may be short.
class PageFrames {
 public:
  PageFrames() = default;
  PageFrames(std::vector<std::uint8_t> data, std::size_t frameSize);

  int blocks() const;
  // Frames in block b (256 but for the last block of the page).
  int framesIn(int block) const;
  std::span<const std::uint8_t> frame(int block, int n) const;

 private:
  std::vector<std::uint8_t> data_;
  std::size_t frameSize_ = kFrameSize;
  std::size_t frames_ = 0;
};

// The sender's view of one block: which frames still have to go.
class BlockToSend {
 public:
  // A new block of `frames` frames, all to be sent.
  void start(int frames);
  // The receiver's map: exactly the frames it marks (of this block) go again. False when
  // it marks none of them.
  bool resend(const FrameMap& missing);
  const std::vector<int>& pending() const { return pending_; }
  int frames() const { return frames_; }

 private:
  int frames_ = 0;
  std::vector<int> pending_;
};

// The receiver's view of one block.
class BlockReceived {
 public:
  void clear();
  // A frame with a good check; a frame number seen before keeps its first copy.
  void store(int n, std::span<const std::uint8_t> data);
  bool has(int n) const { return n >= 0 && n < kBlockFrames && got_[std::size_t(n)]; }
  // The frames of 0..count-1 that did not arrive.
  FrameMap missing(int count) const;
  bool complete(int count) const;
  // Frames 0..count-1 in order, those missing left out.
  void appendTo(std::vector<std::uint8_t>& page, int count) const;

 private:
  std::array<std::vector<std::uint8_t>, kBlockFrames> frames_;
  std::array<bool, kBlockFrames> got_{};
};

}  // namespace faxengine::ecm
