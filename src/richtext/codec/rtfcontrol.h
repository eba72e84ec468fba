// Lexical helpers and control-word tables the RTF reader consults.
#pragma once

#include <cstddef>
#include <string_view>

namespace richtext {

constexpr size_t kMaxRtfWord = 32;  // longer control words are read but never match

inline bool IsRtfLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
inline bool IsRtfDigit(char c) { return c >= '0' && c <= '9'; }
inline int RtfHexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Destinations whose content is never text of the document (tables we do not use,
// pictures, headers, document information ...).
bool IsSkippedRtfDestination(std::string_view word);
// \ul and its dotted, double, wave ... variants (not \ulnone, \ulc colour).
bool IsRtfUnderlineWord(std::string_view word);
// The character a symbol word stands for (\emdash, \lquote ...), 0 for other words.
char16_t RtfSymbolWord(std::string_view word);

}  // namespace richtext
