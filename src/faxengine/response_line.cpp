// Response-line collection and parsing.
#include "faxengine/response_line.h"

namespace faxengine {

bool ResponseCollector::feed(std::uint8_t c) {
  if (c == '\n' && cr_) {
    cr_ = false;
    std::string_view t = trimLine(buf_);
    line_.assign(t);
    buf_.clear();
    return !line_.empty();
  }
  cr_ = c == '\r';
  if (buf_.size() >= kMaxLine) buf_.erase(0, 1);
  buf_.push_back(char(c));
  return false;
}

void ResponseCollector::clear() {
  buf_.clear();
  line_.clear();
  cr_ = false;
}

std::string_view trimLine(std::string_view s) {
  auto blank = [](char c) { return static_cast<unsigned char>(c) <= 0x20; };
  while (!s.empty() && blank(s.front())) s.remove_prefix(1);
  while (!s.empty() && blank(s.back())) s.remove_suffix(1);
  return s;
}

bool contains(std::string_view line, std::string_view word) {
  return line.find(word) != std::string_view::npos;
}

AtReply parseReply(std::string_view line) {
  if (line.starts_with("+F")) return AtReply::Report;
  // The longer codes first: "OK" is tested last so that no other code is taken for it.
  if (contains(line, "ERROR")) return AtReply::Error;
  if (contains(line, "RRIER")) return AtReply::NoCarrier;
  if (contains(line, "NO DIAL")) return AtReply::NoDialTone;
  if (contains(line, "BUSY")) return AtReply::Busy;
  if (contains(line, "ANSWER")) return AtReply::NoAnswer;
  if (contains(line, "VOICE")) return AtReply::Voice;
  if (contains(line, "CONNECT")) return AtReply::Connect;
  if (contains(line, "RING")) return AtReply::Ring;
  if (contains(line, "OK")) return AtReply::Ok;
  return AtReply::Other;
}

bool isResultCode(AtReply r) { return r != AtReply::Other && r != AtReply::Report; }

const char* replyName(AtReply r) {
  switch (r) {
    case AtReply::Other: return "other";
    case AtReply::Report: return "report";
    case AtReply::Ok: return "OK";
    case AtReply::Connect: return "CONNECT";
    case AtReply::Ring: return "RING";
    case AtReply::NoCarrier: return "NO CARRIER";
    case AtReply::Error: return "ERROR";
    case AtReply::NoDialTone: return "NO DIALTONE";
    case AtReply::Busy: return "BUSY";
    case AtReply::NoAnswer: return "NO ANSWER";
    case AtReply::Voice: return "VOICE";
  }
  return "?";
}

}  // namespace faxengine
