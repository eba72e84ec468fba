// Code page 1252 conversion: bytes 0x80-0x9F differ from Latin-1, the rest map 1:1.
#include "base/cp1252.h"

namespace base {
namespace {

// 0x80-0x9F; 0 marks the five bytes the code page leaves undefined.
constexpr char16_t kHigh[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

}  // namespace

char16_t Cp1252ToUnicode(uint8_t byte) {
  if (byte < 0x80 || byte > 0x9F) return byte;
  char16_t u = kHigh[byte - 0x80];
  return u ? u : char16_t(byte);  // undefined bytes pass through as C1 controls
}

std::optional<uint8_t> UnicodeToCp1252(char16_t unit) {
  if (unit < 0x80 || (unit >= 0xA0 && unit <= 0xFF)) return uint8_t(unit);
  for (int i = 0; i < 32; ++i)
    if (kHigh[i] == unit) return uint8_t(0x80 + i);
  return std::nullopt;
}

}  // namespace base
