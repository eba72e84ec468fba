// Letter codes and case tables of the spelling alphabet.
#include "spell/letters.h"

#include <array>

namespace spell {
namespace {

// The capitals in code order: A-Z, apostrophe, hyphen, Š, Œ, Ÿ, À-Ö, Ø-ß, ð and `.
constexpr std::array<std::uint8_t, kLetterCount> MakeLetters() {
  std::array<std::uint8_t, kLetterCount> l{};
  int n = 0;
  for (int c = 'A'; c <= 'Z'; ++c) l[n++] = std::uint8_t(c);
  for (int c : {int('\''), int('-'), 0x8A, 0x8C, 0x9F}) l[n++] = std::uint8_t(c);
  for (int c = 0xC0; c <= 0xD6; ++c) l[n++] = std::uint8_t(c);
  for (int c = 0xD8; c <= 0xDF; ++c) l[n++] = std::uint8_t(c);
  l[n++] = 0xF0;
  l[n++] = 0x60;
  return l;
}
constexpr auto kLetters = MakeLetters();

constexpr std::array<std::int8_t, 256> MakeCodes() {
  std::array<std::int8_t, 256> codes{};
  for (auto& c : codes) c = -1;
  for (int i = 0; i < kLetterCount; ++i) codes[kLetters[std::size_t(i)]] = std::int8_t(i);
  for (int c = 'a'; c <= 'z'; ++c) codes[std::size_t(c)] = std::int8_t(c - 'a');
  codes[0x9A] = codes[0x8A];  // š
  codes[0x9C] = codes[0x8C];  // œ
  codes[0xFF] = codes[0x9F];  // ÿ
  for (int c = 0xE0; c <= 0xFE; ++c)
    if (c != 0xF0 && c != 0xF7) codes[std::size_t(c)] = codes[std::size_t(c - 32)];
  return codes;
}
constexpr auto kCodes = MakeCodes();

}  // namespace

std::uint8_t UpperChar(std::uint8_t c) {
  if (c >= 'a' && c <= 'z') return std::uint8_t(c - 32);
  switch (c) {
    case 0x9A: return 0x8A;  // š
    case 0x9C: return 0x8C;  // œ
    case 0xFF: return 0x9F;  // ÿ
    case 0xF0:               // ð has no capital here
    case 0xF7: return c;     // ÷
  }
  if (c >= 0xE0 && c <= 0xFE) return std::uint8_t(c - 32);
  return c;
}

std::uint8_t LowerChar(std::uint8_t c) {
  if (c >= 'A' && c <= 'Z') return std::uint8_t(c + 32);
  switch (c) {
    case 0x8A: return 0x9A;
    case 0x8C: return 0x9C;
    case 0x9F: return 0xFF;
    case 0xD0:            // Ð
    case 0xD7: return c;  // ×
  }
  if (c >= 0xC0 && c <= 0xDE) return std::uint8_t(c + 32);
  return c;
}

std::string UpperCase(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = char(UpperChar(std::uint8_t(c)));
  return out;
}

std::string LowerCase(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = char(LowerChar(std::uint8_t(c)));
  return out;
}

int LetterCode(std::uint8_t c) { return kCodes[c]; }

std::uint8_t LetterOf(std::uint8_t code) { return kLetters[code & 0x3F]; }

std::string LetterCodes(std::string_view text) {
  std::string codes(text.size(), '\0');
  for (std::size_t i = 0; i < text.size(); ++i) codes[i] = char(kCodes[std::uint8_t(text[i])]);
  return codes;
}

bool InAlphabet(std::string_view text) {
  for (char c : text)
    if (kCodes[std::uint8_t(c)] < 0) return false;
  return true;
}

}  // namespace spell
