// T.30 control frames as a Class 1 modem passes them, the modulation table, and the
// capability bits of DIS and DCS that decide the bit rate, resolution, width and scan time.
//
// A frame as written to and read from the modem (DLE doubling and the closing DLE ETX
// are the transport's):
//
//   Offset | Size | Meaning
//   0      | 1    | address 0xFF
//   1      | 1    | control: 0x03 more frames follow, 0x13 final frame
//   2      | 1    | FCF; its lowest bit (X) is set in the caller's commands
//   3      | n    | FIF; a received frame also carries the two check bytes at its end
//
// DIS and DCS information: byte 0 is 0x00, byte 1 the rate byte (0x02 receive operation,
// 0x04..0x20 the modulations, 0x40 fine resolution, 0x80 two-dimensional coding (MR)),
// byte 2 the scan byte (0x01 wide lines, 0x70 the minimum scan-line time, 0x80 one more
// byte follows), byte 3 the coding byte (0x04 error correction (ECM), 0x40 T.6 coding
// (MMR), valid only together with 0x04). The codes are those of ITU-T T.30, so that any
// fax machine reads them.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "faxengine/line_coding.h"

namespace faxengine::class1 {

// Frame control fields with the X bit clear.
enum class Fcf : std::uint8_t {
  CSI = 0x40,  // called station's identifier
  TSI = 0x42,  // caller's identifier
  FTT = 0x44,  // training failed
  RTN = 0x4C,  // page rejected: train again
  MPS = 0x4E,  // page ends, more follow
  EOP = 0x2E,  // page ends, the last one
  DIS = 0x80,  // called station's capabilities
  DCS = 0x82,  // caller's choice
  CFR = 0x84,  // training confirmed
  MCF = 0x8C,  // page confirmed
  RTP = 0xCC,  // page confirmed, train again
  DCN = 0xFA,  // disconnect
  // Error correction: the frames around the page data and the page data's own frames.
  PPS = 0xBE,  // partial page ends (what follows it says whether the page ends)
  PPR = 0xBC,  // partial page: these frames again
  RR = 0x76,   // are you ready now?
  RNR = 0xEC,  // not ready yet
  CTC = 0x12,  // go on at another rate
  CTR = 0xC4,  // the rate change is confirmed
  EOR = 0xCE,  // the block is given up
  ERR = 0x1C,  // giving it up is confirmed
  FCD = 0x06,  // a frame of page data
  RCP = 0x86,  // the block's page data ends
};
inline constexpr std::uint8_t kXBit = 0x01;
inline constexpr std::uint8_t kAddress = 0xFF;
inline constexpr std::uint8_t kMoreFrames = 0x03;
inline constexpr std::uint8_t kFinalFrame = 0x13;
inline constexpr std::size_t kIdLength = 20;

// The name of a frame control field ("DIS", "MCF" ...; "frame 0x.." when unknown).
std::string fcfName(std::uint8_t fcf);

// Modulations by index 1..6: the bit rate and the string after "AT+FTM=" / "AT+FRM=".
struct Modulation {
  int bps;
  const char* name;
};
inline constexpr int kMinIndex = 1;
inline constexpr int kMaxIndex = 6;
inline constexpr std::array<Modulation, 7> kModulations = {{{0, ""},
                                                            {2400, "24"},
                                                            {4800, "48"},
                                                            {7200, "72"},
                                                            {9600, "96"},
                                                            {12000, "121"},
                                                            {14400, "145"}}};
// A flag per index 1..6 (element 0 unused).
using RateSet = std::array<bool, 7>;

int indexBps(int index);
// The modulation for page data after a good training check: V.17 pages go with the
// short training ("146" after "145", "122", "98", "74"), which the receiving side then
// listens for; other modulations have only the one training.
std::string pageModulation(const std::string& trainingModulation);
const char* indexModulation(int index);
// Only the two V.27 ter rates, which every fax modem has.
RateSet baseRates();

// ---- frames we send --------------------------------------------------------------------

// CSI or TSI: the identifier from its last character to its first, then blanks to 20.
std::vector<std::uint8_t> idFrame(Fcf fcf, bool x, std::string_view id);
// DIS offering the modulations up to our index, fine resolution, wide lines and the
// codings beside MH (T.6 only when `codings` says so, which offeredCodings() allows only
// together with error correction).
std::vector<std::uint8_t> disFrame(int index, LineCodings codings = {});
// DCS choosing an index, the resolution, the width, the scan time and the page coding.
std::vector<std::uint8_t> dcsFrame(int index, bool fine, bool wide, int scanIndex,
                                   Coding coding = Coding::Mh);
// A final frame without information (CFR, MCF, MPS, EOP, DCN ...).
std::vector<std::uint8_t> plainFrame(Fcf fcf, bool x);

std::uint8_t disRateBits(int index);
std::uint8_t dcsRateBits(int index);
std::uint8_t dcsScanByte(int scanIndex, bool fine, bool wide);
// The scan-time index (0..7) a scan byte stands for.
int scanIndexOf(std::uint8_t scanByte);

// ---- frames we receive -----------------------------------------------------------------

struct Frame {
  std::vector<std::uint8_t> bytes;  // from the address on

  bool valid() const { return bytes.size() >= 3 && bytes[0] == kAddress; }
  bool final() const { return valid() && (bytes[1] & 0x10) != 0; }
  std::uint8_t fcfByte() const { return valid() ? bytes[2] : 0; }
  // The control field without its X bit.
  std::uint8_t code() const { return std::uint8_t(fcfByte() & ~kXBit); }
  bool is(Fcf f) const { return code() == std::uint8_t(f); }
  // Byte i of the information field; 0 past its end.
  std::uint8_t info(std::size_t i) const { return i + 3 < bytes.size() ? bytes[i + 3] : 0; }
};

// The identifier of a CSI or TSI: its 20 information bytes from the last to the first,
// blanks at both ends removed.
std::string stationIdOf(const Frame& f);

// What a DIS offers (decoded by the sender).
struct DisCaps {
  RateSet rates{};
  bool fine = false;
  bool wide = false;
  int scanIndex = 0;
  LineCodings codings;  // T.6 counts only where ECM is offered with it
};
DisCaps decodeDis(const Frame& f);

// What a DCS chose (decoded by the receiver); V.17 at 9600 and 7200 keep their own
// modulation strings ("97", "73").
struct DcsChoice {
  int index = 4;
  std::string modulation;
  bool fine = false;
  bool wide = false;
  int scanIndex = 0;
  Coding coding = Coding::Mh;  // MMR only where ECM is chosen with it
};
DcsChoice decodeDcs(const Frame& f);

// The highest index both sides have whose rate is not above desiredBps (1 at least).
int chooseIndex(const RateSet& local, const RateSet& remote, int desiredBps);
// The next index below `current` that both sides have; 0 when none is left.
int lowerIndex(const RateSet& local, const RateSet& remote, int current);

// ---- training check --------------------------------------------------------------------

// Zero bytes the sender sends: rate / 100 * 18 (1.5 s of the rate's data), at most 8192.
std::size_t tcfLength(int bps);
// Training is good when fewer than 10 % of the bytes are non-zero (and some came).
bool tcfGood(long nonZero, long total);

}  // namespace faxengine::class1
