// Fax number characters, checked on bytes: every character allowed is ASCII.
#include "base/faxnumber.h"

namespace base {

bool IsDialledFaxNumberChar(char32_t c) {
  return (c >= '0' && c <= '9') || c == '+' || c == '*' || c == '#' || c == ',';
}

bool IsFaxNumberSeparator(char32_t c) {
  return c == ' ' || c == '-' || c == '(' || c == ')' || c == '.';
}

std::string FirstRefusedFaxNumberChar(std::string_view utf8) {
  for (std::size_t i = 0; i < utf8.size(); ++i) {
    const auto lead = static_cast<unsigned char>(utf8[i]);
    if (lead < 0x80 && IsFaxNumberChar(lead)) continue;
    // The refused character with its continuation bytes.
    std::size_t end = i + 1;
    while (end < utf8.size() && (static_cast<unsigned char>(utf8[end]) & 0xC0) == 0x80) ++end;
    return std::string(utf8.substr(i, lead < 0x80 ? 1 : end - i));
  }
  return {};
}

std::string DialledFaxNumber(std::string_view number) {
  std::string out;
  for (char c : number)
    if (!IsFaxNumberSeparator(static_cast<unsigned char>(c))) out.push_back(c);
  return out;
}

}  // namespace base
