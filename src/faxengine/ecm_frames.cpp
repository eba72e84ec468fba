// Error-correction control frames.
#include "faxengine/ecm_frames.h"

#include <algorithm>

namespace faxengine::class1 {

namespace {
constexpr std::size_t kEcmByte = 3 + 3;  // information byte 3, after address, control, FCF
constexpr std::uint8_t kEcm = 0x04;
constexpr std::uint8_t kSmallFrames = 0x08;
constexpr std::uint8_t kPrefersSmallFrames = 0x40;  // DIS information byte 0

std::vector<std::uint8_t> final(Fcf fcf, bool x) { return plainFrame(fcf, x); }
}  // namespace

std::vector<std::uint8_t> withEcm(std::vector<std::uint8_t> frame, bool on, bool small) {
  if (on && frame.size() > kEcmByte)
    frame[kEcmByte] = std::uint8_t(frame[kEcmByte] | kEcm | (small ? kSmallFrames : 0));
  return frame;
}

bool ecmBit(const Frame& f) { return (f.info(3) & kEcm) != 0; }
bool prefersSmallFrames(const Frame& f) { return (f.info(0) & kPrefersSmallFrames) != 0; }

std::vector<std::uint8_t> fcdFrame(int n, std::span<const std::uint8_t> data) {
  std::vector<std::uint8_t> f(4 + data.size());
  f[0] = kAddress;
  f[1] = kMoreFrames;
  f[2] = std::uint8_t(Fcf::FCD);
  f[3] = std::uint8_t(n);
  std::copy(data.begin(), data.end(), f.begin() + 4);
  return f;
}

std::vector<std::uint8_t> rcpFrame() { return {kAddress, kFinalFrame, std::uint8_t(Fcf::RCP)}; }

std::vector<std::uint8_t> ppsFrame(std::uint8_t command, int page, int block, int frames) {
  std::vector<std::uint8_t> f = final(Fcf::PPS, true);
  f.insert(f.end(), {std::uint8_t(command == kPpsNull ? kPpsNull : command | kXBit),
                     std::uint8_t(page), std::uint8_t(block), std::uint8_t(frames - 1)});
  return f;
}

std::vector<std::uint8_t> pprFrame(const ecm::FrameMap& missing) {
  std::vector<std::uint8_t> f = final(Fcf::PPR, false);
  f.insert(f.end(), missing.begin(), missing.end());
  return f;
}

std::vector<std::uint8_t> ctcFrame(int index) {
  std::vector<std::uint8_t> f = final(Fcf::CTC, true);
  f.insert(f.end(), {0x00, std::uint8_t(0x02 | dcsRateBits(index))});
  return f;
}

std::vector<std::uint8_t> eorFrame(std::uint8_t command) {
  std::vector<std::uint8_t> f = final(Fcf::EOR, true);
  f.push_back(std::uint8_t(command == kPpsNull ? kPpsNull : command | kXBit));
  return f;
}

PartialPage decodePps(const Frame& f) {
  PartialPage p;
  p.command = std::uint8_t(f.info(0) & ~kXBit);
  p.page = f.info(1);
  p.block = f.info(2);
  p.frames = f.info(3) + 1;
  return p;
}

ecm::FrameMap decodePpr(const Frame& f) {
  ecm::FrameMap m{};
  for (std::size_t i = 0; i < m.size(); ++i) m[i] = f.info(i);
  return m;
}

}  // namespace faxengine::class1
