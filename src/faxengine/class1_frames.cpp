// Building and reading the T.30 frames of a Class 1 call.
#include "faxengine/class1_frames.h"

#include <algorithm>
#include <cstdio>
#include <utility>

namespace faxengine::class1 {

namespace {

// DCS scan byte values by scan-time index, for normal and for fine resolution.
constexpr std::uint8_t kDcsScan[8][2] = {{0x70, 0x70}, {0x10, 0x10}, {0x20, 0x10}, {0x20, 0x20},
                                         {0x00, 0x20}, {0x00, 0x00}, {0x40, 0x00}, {0x40, 0x40}};
// Scan-time index by (scan byte AND 0x70) >> 4.
constexpr int kScanIndex[8] = {5, 1, 3, 4, 7, 6, 2, 0};

constexpr std::uint8_t kRateReceive = 0x02;  // DIS and DCS: receive operation
constexpr std::uint8_t kRateFine = 0x40;
constexpr std::uint8_t kRate2d = 0x80;        // the rate byte's two-dimensional coding bit
constexpr std::uint8_t kCodingEcm = 0x04;     // the coding byte's error correction bit
constexpr std::uint8_t kCodingT6 = 0x40;      // the coding byte's T.6 bit
constexpr std::uint8_t kDisScan = 0xF9;       // wide lines, any length, 0 ms scan time, extended
constexpr std::uint8_t kDcsScanFixed = 0x88;  // any length, extended
constexpr std::uint8_t kScanWide = 0x01;

bool validIndex(int index) { return index >= kMinIndex && index <= kMaxIndex; }

// The T.6 bit counts only with the ECM bit beside it, and only where the scan byte says
// that the coding byte is there at all.
bool t6WithEcm(const Frame& f) {
  const std::uint8_t bits = kCodingT6 | kCodingEcm;
  return (f.info(2) & 0x80) && (f.info(3) & bits) == bits;
}

std::vector<std::uint8_t> head(Fcf fcf, bool x, bool final) {
  return {kAddress, final ? kFinalFrame : kMoreFrames,
          std::uint8_t(std::uint8_t(fcf) | (x ? kXBit : 0))};
}

}  // namespace

std::string fcfName(std::uint8_t fcf) {
  switch (Fcf(fcf & ~kXBit)) {
    case Fcf::CSI: return "CSI";
    case Fcf::TSI: return "TSI";
    case Fcf::FTT: return "FTT";
    case Fcf::RTN: return "RTN";
    case Fcf::MPS: return "MPS";
    case Fcf::EOP: return "EOP";
    case Fcf::DIS: return "DIS";
    case Fcf::DCS: return "DCS";
    case Fcf::CFR: return "CFR";
    case Fcf::MCF: return "MCF";
    case Fcf::RTP: return "RTP";
    case Fcf::DCN: return "DCN";
    case Fcf::PPS: return "PPS";
    case Fcf::PPR: return "PPR";
    case Fcf::RR: return "RR";
    case Fcf::RNR: return "RNR";
    case Fcf::CTC: return "CTC";
    case Fcf::CTR: return "CTR";
    case Fcf::EOR: return "EOR";
    case Fcf::ERR: return "ERR";
    case Fcf::FCD: return "FCD";
    case Fcf::RCP: return "RCP";
  }
  char text[16];
  std::snprintf(text, sizeof text, "frame 0x%02X", unsigned(fcf));
  return text;
}

int indexBps(int index) { return validIndex(index) ? kModulations[std::size_t(index)].bps : 0; }

const char* indexModulation(int index) {
  return validIndex(index) ? kModulations[std::size_t(index)].name : "";
}

std::string pageModulation(const std::string& trainingModulation) {
  static constexpr std::pair<const char*, const char*> kShortTrain[] = {
      {"145", "146"}, {"121", "122"}, {"97", "98"}, {"73", "74"}};
  for (const auto& [longTrain, shortTrain] : kShortTrain)
    if (trainingModulation == longTrain) return shortTrain;
  return trainingModulation;
}

RateSet baseRates() {
  RateSet r{};
  r[1] = r[2] = true;
  return r;
}

std::vector<std::uint8_t> idFrame(Fcf fcf, bool x, std::string_view id) {
  std::vector<std::uint8_t> f = head(fcf, x, false);
  if (id.size() > kIdLength) id = id.substr(0, kIdLength);
  // The characters go last to first, then the blank fill: the far end, reading the field
  // backwards, shows the id as it was typed.
  for (auto it = id.rbegin(); it != id.rend(); ++it) f.push_back(std::uint8_t(*it));
  f.insert(f.end(), kIdLength - id.size(), ' ');
  return f;
}

std::uint8_t disRateBits(int index) {
  switch (index) {
    case 1: return 0x00;  // V.27 ter at 2400 only
    case 2: return 0x08;  // V.27 ter
    case 5:
    case 6: return 0x2C;   // V.27 ter, V.29 and V.17
    default: return 0x0C;  // V.27 ter and V.29
  }
}

std::uint8_t dcsRateBits(int index) {
  switch (index) {
    case 1: return 0x00;   // 2400 V.27 ter
    case 2: return 0x08;   // 4800 V.27 ter
    case 3: return 0x0C;   // 7200 V.29
    case 5: return 0x28;   // 12000 V.17
    case 6: return 0x20;   // 14400 V.17
    default: return 0x04;  // 9600 V.29
  }
}

std::uint8_t dcsScanByte(int scanIndex, bool fine, bool wide) {
  if (scanIndex < 0 || scanIndex > 7) scanIndex = 0;
  return std::uint8_t(kDcsScan[scanIndex][fine ? 1 : 0] | kDcsScanFixed | (wide ? kScanWide : 0));
}

int scanIndexOf(std::uint8_t scanByte) { return kScanIndex[(scanByte & 0x70) >> 4]; }

std::vector<std::uint8_t> disFrame(int index, LineCodings codings) {
  std::vector<std::uint8_t> f = head(Fcf::DIS, false, true);
  std::uint8_t rate =
      std::uint8_t(kRateReceive | kRateFine | disRateBits(index) | (codings.mr ? kRate2d : 0));
  f.insert(f.end(), {0x00, rate, kDisScan, std::uint8_t(codings.mmr ? kCodingT6 : 0)});
  return f;
}

std::vector<std::uint8_t> dcsFrame(int index, bool fine, bool wide, int scanIndex, Coding coding) {
  std::vector<std::uint8_t> f = head(Fcf::DCS, true, true);
  std::uint8_t rate = std::uint8_t(kRateReceive | (fine ? kRateFine : 0) | dcsRateBits(index) |
                                   (coding == Coding::Mr ? kRate2d : 0));
  std::uint8_t codingByte = coding == Coding::Mmr ? kCodingT6 : 0;
  f.insert(f.end(), {0x00, rate, dcsScanByte(scanIndex, fine, wide), codingByte});
  return f;
}

std::vector<std::uint8_t> plainFrame(Fcf fcf, bool x) { return head(fcf, x, true); }

std::string stationIdOf(const Frame& f) {
  std::string id;
  for (std::size_t i = kIdLength; i-- > 0;)
    if (i + 3 < f.bytes.size()) id.push_back(char(f.info(i)));
  std::size_t first = id.find_first_not_of(' ');
  if (first == std::string::npos) return {};
  std::size_t last = id.find_last_not_of(' ');
  return id.substr(first, last - first + 1);
}

DisCaps decodeDis(const Frame& f) {
  DisCaps c;
  std::uint8_t rate = f.info(1), scan = f.info(2);
  c.rates = baseRates();
  if (rate & 0x20) c.rates[6] = true;
  if (rate & 0x10) c.rates[5] = true;
  if ((rate & 0x0C) == 0x04) c.rates[4] = true;
  if ((rate & 0x0C) == 0x0C) c.rates[3] = c.rates[4] = true;
  if ((rate & 0x3C) == 0x2C) c.rates[5] = true;  // V.17 has 12000 as well
  c.fine = (rate & kRateFine) != 0;
  c.wide = (scan & 0x03) == kScanWide;
  c.scanIndex = scanIndexOf(scan);
  c.codings.mr = (rate & kRate2d) != 0;
  c.codings.mmr = t6WithEcm(f);
  return c;
}

namespace {

// The index of a DCS rate byte that is none of the T.30 codes.
int otherDcsIndex(std::uint8_t rate) {
  if (rate & 0x20) return 6;
  if (rate & 0x10) return 5;
  switch (rate & 0x0C) {
    case 0x00: return 1;
    case 0x04: return 4;
    case 0x08: return 2;
    default: return 3;
  }
}

}  // namespace

DcsChoice decodeDcs(const Frame& f) {
  DcsChoice c;
  std::uint8_t rate = f.info(1), scan = f.info(2);
  struct Code {
    std::uint8_t bits;
    int index;
    const char* modulation;
  };
  static constexpr Code kCodes[] = {{0x00, 1, "24"}, {0x08, 2, "48"},  {0x0C, 3, "72"},
                                    {0x04, 4, "96"}, {0x20, 6, "145"}, {0x28, 5, "121"},
                                    {0x24, 4, "97"}, {0x2C, 3, "73"}};
  c.index = otherDcsIndex(rate);
  c.modulation = indexModulation(c.index);
  for (const Code& code : kCodes) {
    if ((rate & 0x3C) == code.bits) {
      c.index = code.index;
      c.modulation = code.modulation;
    }
  }
  c.fine = (rate & kRateFine) != 0;
  c.wide = (scan & 0x03) == kScanWide;
  c.scanIndex = scanIndexOf(scan);
  if (t6WithEcm(f))
    c.coding = Coding::Mmr;
  else if (rate & kRate2d)
    c.coding = Coding::Mr;
  return c;
}

int chooseIndex(const RateSet& local, const RateSet& remote, int desiredBps) {
  for (int i = kMaxIndex; i > kMinIndex; --i)
    if (local[std::size_t(i)] && remote[std::size_t(i)] && indexBps(i) <= desiredBps) return i;
  return kMinIndex;
}

int lowerIndex(const RateSet& local, const RateSet& remote, int current) {
  for (int i = current - 1; i >= kMinIndex; --i)
    if (local[std::size_t(i)] && remote[std::size_t(i)]) return i;
  return 0;
}

std::size_t tcfLength(int bps) { return std::min<std::size_t>(std::size_t(bps / 100) * 18, 8192); }

bool tcfGood(long nonZero, long total) { return total > 0 && nonZero * 100 / total < 10; }

}  // namespace faxengine::class1
