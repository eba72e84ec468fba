// Modem response lines: the collector that builds lines from incoming characters, and the
// one parse of a line into the result it stands for.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace faxengine {

// Collects characters into a line of at most 128 characters (when full the oldest one is
// dropped). CR LF ends a line; the line is trimmed of blanks and control characters at
// both ends and an empty line is not reported.
class ResponseCollector {
 public:
  static constexpr std::size_t kMaxLine = 128;

  // Adds one character; true when it completed a non-empty line, which line() then holds.
  bool feed(std::uint8_t c);
  const std::string& line() const { return line_; }
  void clear();

 private:
  std::string buf_;
  std::string line_;
  bool cr_ = false;
};

// Trims blanks and control characters (below 0x20) at both ends.
std::string_view trimLine(std::string_view s);
bool contains(std::string_view line, std::string_view word);

// What a response line means. Report lines ("+F" and a word) are told apart by the fax
// class dialogue; everything that is neither a result code nor a report is Other (noise
// that the dialogues skip).
enum class AtReply {
  Other,
  Report,
  Ok,
  Connect,
  Ring,
  NoCarrier,
  Error,
  NoDialTone,
  Busy,
  NoAnswer,
  Voice,
};

// Result codes are matched by substring, as modems decorate them ("CONNECT 9600").
AtReply parseReply(std::string_view line);
// A result code that ends a step awaiting something else; noise and reports do not.
bool isResultCode(AtReply r);
const char* replyName(AtReply r);

}  // namespace faxengine
