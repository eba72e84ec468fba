// Field values in record bytes.
#include "tables/fieldcodec.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace tables {

long julianDay(std::string_view s) {
  if (s.size() < 8) return 0;
  long digits[8];
  for (int i = 0; i < 8; ++i) {
    const char c = s[std::size_t(i)];
    if (c < '0' || c > '9') return 0;
    digits[i] = c - '0';
  }
  const long y = digits[0] * 1000 + digits[1] * 100 + digits[2] * 10 + digits[3];
  const long m = digits[4] * 10 + digits[5];
  const long d = digits[6] * 10 + digits[7];
  if (y < 1 || m < 1 || m > 12 || d < 1 || d > 31) return 0;
  long a = (14 - m) / 12, yy = y + 4800 - a, mm = m + 12 * a - 3;
  return d + (153 * mm + 2) / 5 + 365 * yy + yy / 4 - yy / 100 + yy / 400 - 32045;
}

std::string dateFromJulian(long jd) {
  if (jd <= 0) return std::string(8, ' ');
  long a = jd + 32044, b = (4 * a + 3) / 146097, c = a - 146097 * b / 4;
  long d = (4 * c + 3) / 1461, e = c - 1461 * d / 4, m = (5 * e + 2) / 153;
  long day = e - (153 * m + 2) / 5 + 1, month = m + 3 - 12 * (m / 10);
  long year = 100 * b + d - 4800 + m / 10;
  if (year < 1 || year > 9999) return std::string(8, ' ');
  char buf[64];
  std::snprintf(buf, sizeof buf, "%04ld%02ld%02ld", year, month, day);
  return buf;
}

double fieldNumber(const std::uint8_t* p, int width) {
  char buf[32];
  int n = std::min(width, 31);
  std::memcpy(buf, p, std::size_t(n));
  buf[n] = 0;
  for (int i = 0; i < n; ++i)
    if (buf[i] == ',') buf[i] = '.';
  return std::strtod(buf, nullptr);
}

// Whole numbers, the usual content of a numeric field, are written without the formatter.
int numberText(char* buf, double v, int width, int decimals) {
  if (v == std::trunc(v) && std::fabs(v) < 1e15 && !std::signbit(v) && decimals < 20 &&
      width < 40) {
    char digits[24];
    int n = 0;
    for (auto u = std::uint64_t(v); n == 0 || u > 0; u /= 10) digits[n++] = char('0' + u % 10);
    const int len = n + (decimals > 0 ? decimals + 1 : 0);
    const int pad = std::max(0, width - len);
    char* out = buf;
    out = std::fill_n(out, pad, ' ');
    while (n > 0) *out++ = digits[--n];
    if (decimals > 0) {
      *out++ = '.';
      out = std::fill_n(out, decimals, '0');
    }
    *out = 0;
    return int(out - buf);
  }
  return std::snprintf(buf, 64, "%*.*f", width, decimals, v);
}

bool fieldLogical(std::uint8_t c) { return c == 'T' || c == 't' || c == 'Y' || c == 'y'; }

void padText(std::uint8_t* p, int width, const std::string& s) {
  std::size_t n = std::min(s.size(), std::size_t(width));
  std::memcpy(p, s.data(), n);
  std::memset(p + n, ' ', std::size_t(width) - n);
}

}  // namespace tables
