// ASCII text helpers shared by every module: blank trimming and case folding. Bytes
// above 127 (code page 1252 letters) are left as they are, whatever the C locale says.
#pragma once

#include <string>
#include <string_view>

namespace base {

constexpr char ToUpperAscii(char c) { return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c; }
constexpr char ToLowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; }
std::string UpperAscii(std::string_view text);
std::string LowerAscii(std::string_view text);
// Equal but for the case of ASCII letters.
bool EqualsIgnoreCase(std::string_view a, std::string_view b);

// Remove leading, trailing or both blanks (code 32 only; tabs stay).
std::string TrimLeftSpaces(std::string_view text);
std::string TrimRightSpaces(std::string_view text);
std::string TrimSpaces(std::string_view text);
// True when the text holds nothing but blanks (code 32), or nothing at all.
bool IsAllSpaces(std::string_view text);
// Removes blanks and tabs on both sides.
std::string TrimBlanksAndTabs(std::string_view text);

}  // namespace base
