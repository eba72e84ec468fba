// Sound keys: vowels dropped after the first letter, consonants folded into seven classes.
#include "spell/phonetic.h"

#include <array>
#include <string>

namespace spell {
namespace {

constexpr std::uint8_t kDropped = 0xFF;  // not part of a key after the first position

// What a character becomes from the second position of a key on.
constexpr std::array<std::uint8_t, 256> MakeClasses() {
  std::array<std::uint8_t, 256> t{};
  for (int c = 0; c < 256; ++c) t[std::size_t(c)] = std::uint8_t(c);
  auto set = [&t](std::string_view chars, std::uint8_t v) {
    for (char c : chars) t[std::uint8_t(c)] = v;
  };
  auto range = [&t](int from, int to, std::uint8_t v) {
    for (int c = from; c <= to; ++c) t[std::size_t(c)] = v;
  };
  set("AEHIOUWY\x9F\xF0", kDropped);
  range(0xC0, 0xC6, kDropped);
  range(0xC8, 0xCF, kDropped);
  range(0xD2, 0xD6, kDropped);
  range(0xD8, 0xDD, kDropped);
  set("BFPV\xDE\xDF"
      "68",
      1);
  set("CGJKQSXZ\x8A\x8C\xC7"
      "3459",
      2);
  set("DT\xD0", 3);
  set("L2", 4);
  set("MN\xD1", 5);
  set("R", 6);
  set("'-`", 7);
  t['0'] = 'O';
  t['1'] = 'I';
  t['7'] = 'I';
  return t;
}
constexpr auto kClasses = MakeClasses();

SoundKey MakeKey(std::string_view upper, const SoundKey& pad) {
  SoundKey key = pad;
  if (upper.empty()) return key;
  key[0] = std::uint8_t(upper[0]);
  std::size_t filled = 1;
  for (std::size_t i = 1; i < upper.size() && filled < key.size(); ++i) {
    const std::uint8_t c = kClasses[std::uint8_t(upper[i])];
    if (c == kDropped) continue;
    bool seen = false;
    for (std::size_t k = 1; k < filled; ++k) seen |= key[k] == c;
    if (!seen) key[filled++] = c;
  }
  return key;
}

}  // namespace

SoundKey WordKey(std::string_view upper) { return MakeKey(upper, SoundKey{}); }

SoundKey PathKey(std::string_view upper, const SoundKey& reference) {
  return MakeKey(upper, reference);
}

std::string FirstLetterAlternatives(std::uint8_t c) {
  using namespace std::string_literals;
  if (c == 'A' || (c >= 0xC0 && c <= 0xC6)) return "EDA\xC0\xC1\xC2\xC3\xC4\xC5\xC6"s;
  if (c == 'B' || c == 0xDF) return "PVNB\xDF"s;
  if (c == 'C' || c == 0x8C || c == 0xC7) return "SXVC\xC7\x8C"s;
  if (c == 'D' || c == 0xD0) return "FD\xD0"s;
  if (c == 'E' || (c >= 0xC8 && c <= 0xCB)) return "IWRE\xC8\xC9\xCA\xCB\xCC\xCD\xCE\xCF"s;
  if (c == 'I' || (c >= 0xCC && c <= 0xCF)) return "EOUI\xC8\xC9\xCA\xCB\xCC\xCD\xCE\xCF"s;
  if (c == 'N' || c == 0xD1) return "MBN\xD1"s;
  if (c == 'O' || (c >= 0xD2 && c <= 0xD6)) return "PIO\xD2\xD3\xD4\xD5\xD6\xCC\xCD\xCE\xCF"s;
  if (c == 'P' || c == 0xDE) return "BOP\xDE"s;
  if (c == 'U' || (c >= 0xD9 && c <= 0xDC)) return "YIU\xD9\xDA\xDB\xDC"s;
  if (c == 'Y' || c == 0x9F || c == 0xDD) return "TUY\x9F\xDD"s;
  switch (c) {
    case 'F': return "DGF"s;
    case 'G': return "JG"s;
    case 'H': return "JGH"s;
    case 'J': return "GJ"s;
    case 'K': return "CLJK"s;
    case 'L': return "KL"s;
    case 'M': return "NM\xD1"s;
    case 'Q': return "WQ"s;
    case 'R': return "ETR"s;
    case 'S': return "ACDS\x8A\x8C"s;
    case 'T': return "YRT"s;
    case 'V': return "BCV\xC7\x8C"s;
    case 'W': return "QEW"s;
    case 'X': return "CZX"s;
    case 'Z': return "XZ"s;
  }
  return std::string(1, char(c));
}

}  // namespace spell
