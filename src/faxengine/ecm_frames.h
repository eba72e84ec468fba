// The control frames of error-corrected pages, and the error-correction bits of DIS and
// DCS (information byte 3: 0x04 error correction, 0x08 in DCS frames of 64 octets; DIS
// byte 0: 0x40 the receiver prefers frames of 64 octets).
//
// PPS information: the command it stands for (0x00 when the page goes on in another
// block, else MPS or EOP), the page count, the block count within the page (both from 0,
// modulo 256) and the block's frame count less one. PPR information: the 256-bit map of
// the frames to send again. CTC information: DCS bytes 0 and 1 with the new rate.
#pragma once

#include <cstdint>
#include <vector>

#include "faxengine/class1_frames.h"
#include "faxengine/ecm_blocks.h"

namespace faxengine::class1 {

inline constexpr std::uint8_t kPpsNull = 0x00;

// DIS or DCS with the error-correction bit set when `on` (the frame is returned as it was
// otherwise); a DCS with `small` names frames of 64 octets.
std::vector<std::uint8_t> withEcm(std::vector<std::uint8_t> frame, bool on, bool small = false);
bool ecmBit(const Frame& disOrDcs);
// The far end's DIS asks for frames of 64 octets.
bool prefersSmallFrames(const Frame& dis);

// One frame of page data: number n of its block, then the data.
std::vector<std::uint8_t> fcdFrame(int n, std::span<const std::uint8_t> data);
std::vector<std::uint8_t> rcpFrame();
std::vector<std::uint8_t> ppsFrame(std::uint8_t command, int page, int block, int frames);
std::vector<std::uint8_t> pprFrame(const ecm::FrameMap& missing);
std::vector<std::uint8_t> ctcFrame(int index);
std::vector<std::uint8_t> eorFrame(std::uint8_t command);

// What a PPS (or EOR) says.
struct PartialPage {
  std::uint8_t command = kPpsNull;  // X bit clear
  int page = 0, block = 0, frames = 0;
};
PartialPage decodePps(const Frame& f);
ecm::FrameMap decodePpr(const Frame& f);

}  // namespace faxengine::class1
