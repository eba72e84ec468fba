// Prefix-function matcher.
#include "faxengine/text_matcher.h"

namespace faxengine {

TextMatcher::TextMatcher(std::string_view text, bool ignoreCase)
    : text_(text), fallback_(text.size(), 0), ignoreCase_(ignoreCase) {
  for (auto& c : text_) c = char(fold(std::uint8_t(c)));
  for (std::size_t i = 1, k = 0; i < text_.size(); ++i) {
    while (k > 0 && text_[i] != text_[k]) k = fallback_[k - 1];
    if (text_[i] == text_[k]) ++k;
    fallback_[i] = int(k);
  }
}

std::uint8_t TextMatcher::fold(std::uint8_t c) const {
  return (ignoreCase_ && c >= 'a' && c <= 'z') ? std::uint8_t(c - 'a' + 'A') : c;
}

bool TextMatcher::feed(std::uint8_t c) {
  if (text_.empty()) return false;
  const char f = char(fold(c));
  while (matched_ > 0 && text_[matched_] != f) matched_ = fallback_[matched_ - 1];
  if (text_[matched_] == f) ++matched_;
  if (matched_ < int(text_.size())) return false;
  matched_ = 0;
  return true;
}

}  // namespace faxengine
