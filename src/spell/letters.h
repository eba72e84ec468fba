// The spelling alphabet: code page 1252 case rules and the 64 letters a dictionary node
// can hold. Everything here works on code page 1252 bytes held in std::string.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace spell {

constexpr int kLetterCount = 64;

// Case of one byte: ASCII letters as usual, the accented capitals and small letters of
// the code page paired 32 apart, with the few exceptions the dictionaries were made with
// (ð and Ð keep their case, ß is treated as a capital).
std::uint8_t UpperChar(std::uint8_t c);
std::uint8_t LowerChar(std::uint8_t c);
std::string UpperCase(std::string_view text);
std::string LowerCase(std::string_view text);

// The 6-bit code of a letter (capital or small), or -1 for a byte outside the alphabet.
int LetterCode(std::uint8_t c);
// The capital letter of a code; the code's low 6 bits are used, so a node's whole flag
// byte can be passed.
std::uint8_t LetterOf(std::uint8_t code);
// The codes of a text's letters, one byte each (text outside the alphabet gives 0xFF).
std::string LetterCodes(std::string_view text);
// True when every byte of the text is a letter of the alphabet.
bool InAlphabet(std::string_view text);

}  // namespace spell
