// Incremental text matching over a byte stream, as data triggers and AwaitText need it:
// bytes come one at a time and a match may start anywhere. After a mismatch the matcher
// falls back to the longest part of the text it has already seen, so "aab" is found in
// "aaab" (a plain restart at the first character would miss it).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace faxengine {

class TextMatcher {
 public:
  TextMatcher() = default;
  TextMatcher(std::string_view text, bool ignoreCase);

  // Feeds one byte; true when it completes the text (the matcher then starts afresh).
  bool feed(std::uint8_t c);
  void reset() { matched_ = 0; }
  int length() const { return int(text_.size()); }

 private:
  std::uint8_t fold(std::uint8_t c) const;

  std::string text_;           // folded when ignoring case
  std::vector<int> fallback_;  // longest proper border of each prefix
  bool ignoreCase_ = false;
  int matched_ = 0;
};

}  // namespace faxengine
