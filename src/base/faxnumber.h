// Fax numbers as typed: what may stand in one and what is dialled of it.
#pragma once

#include <string>
#include <string_view>

namespace base {

// Digits, "+", "*", "#" and "," (a pause) are dialled; a space, "-", "(", ")" and "." only
// group the digits for the eye. Anything else (a letter is a dial modifier to a modem)
// may not stand in a fax number.
bool IsDialledFaxNumberChar(char32_t c);
bool IsFaxNumberSeparator(char32_t c);
inline bool IsFaxNumberChar(char32_t c) { return IsDialledFaxNumberChar(c) || IsFaxNumberSeparator(c); }

// The first character of a UTF-8 number that may not stand in a fax number, as its UTF-8
// bytes; empty when every character may.
std::string FirstRefusedFaxNumberChar(std::string_view utf8);

// The number as it is dialled: without its separators.
std::string DialledFaxNumber(std::string_view number);

}  // namespace base
