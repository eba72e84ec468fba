// Class 2 and 2.0 report parsing and parameter strings.
//
// A parameter string is eight one-digit fields VR,BR,WD,LN,DF,EC,BF,ST (resolution, bit
// rate, width, length, coding, error correction, file transfer, scan time) separated by
// commas, the digits at character positions 1, 3, ... 15.
#pragma once

#include <string>
#include <string_view>

namespace faxengine::class2 {

// The value of a report line: the text after the first ':' (or, without one, after the
// first '='), trimmed.
std::string reportValue(std::string_view line);

// A station identifier from a report: a leading double quote becomes a blank, trailing
// characters that are neither letters nor digits go, the rest is trimmed and cut to 20.
std::string stationId(std::string_view line);

// The hang-up code: up to three characters after the first ':', trimmed, read as a number
// in `base` (Class 2 writes its codes in decimal, Class 2.0 in hexadecimal: "A0" is 160);
// 0 when they are not one.
int hangupCode(std::string_view line, int base);

// What a capabilities or session report says.
struct SessionParams {
  bool fine = false;
  int bps = 9600;
  bool wide = false;
  bool ecm = false;
  int scanIndex = 0;
};
SessionParams parseParams(std::string_view value);

// The bit-rate field for a rate: 2400 '0' ... 14400 '5', anything else '3' (9600).
char bpsCode(int bps);

// The sender's session parameters and the receiver's capabilities, as sent to the modem.
std::string senderParams(bool fine, bool wide, int desiredBps, char ecm);
std::string receiverParams(int desiredBps, char ecm);

}  // namespace faxengine::class2
