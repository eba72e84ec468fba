// Blank trimming and ASCII case folding.
#include "base/asciitext.h"

namespace base {

std::string UpperAscii(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = ToUpperAscii(c);
  return out;
}

std::string LowerAscii(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = ToLowerAscii(c);
  return out;
}

bool EqualsIgnoreCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (ToLowerAscii(a[i]) != ToLowerAscii(b[i])) return false;
  return true;
}

std::string TrimLeftSpaces(std::string_view text) {
  const std::size_t b = text.find_first_not_of(' ');
  return b == std::string_view::npos ? std::string() : std::string(text.substr(b));
}

std::string TrimRightSpaces(std::string_view text) {
  const std::size_t e = text.find_last_not_of(' ');
  return e == std::string_view::npos ? std::string() : std::string(text.substr(0, e + 1));
}

std::string TrimSpaces(std::string_view text) { return TrimLeftSpaces(TrimRightSpaces(text)); }

bool IsAllSpaces(std::string_view text) {
  return text.find_first_not_of(' ') == std::string_view::npos;
}

std::string TrimBlanksAndTabs(std::string_view text) {
  const std::size_t b = text.find_first_not_of(" \t");
  if (b == std::string_view::npos) return {};
  return std::string(text.substr(b, text.find_last_not_of(" \t") - b + 1));
}

}  // namespace base
