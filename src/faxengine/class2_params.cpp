// Class 2 and 2.0 report parsing and parameter strings.
#include "faxengine/class2_params.h"

#include <cctype>

#include "faxengine/response_line.h"

namespace faxengine::class2 {

std::string reportValue(std::string_view line) {
  std::string_view v = trimLine(line);
  std::size_t cut = v.find(':');
  if (cut == std::string_view::npos) cut = v.find('=');
  if (cut != std::string_view::npos) v.remove_prefix(cut + 1);
  return std::string(trimLine(v));
}

std::string stationId(std::string_view line) {
  std::string id = reportValue(line);
  if (!id.empty() && id.front() == '"') id.front() = ' ';
  while (!id.empty() && !std::isalnum(static_cast<unsigned char>(id.back()))) id.pop_back();
  std::string t(trimLine(id));
  if (t.size() > 20) t.resize(20);
  return t;
}

int hangupCode(std::string_view line, int base) {
  std::size_t colon = line.find(':');
  if (colon == std::string_view::npos) return 0;
  std::string_view digits = trimLine(line.substr(colon + 1, 3));
  if (digits.empty()) return 0;
  int value = 0;
  for (char c : digits) {
    const int lower = std::tolower(static_cast<unsigned char>(c));
    const int digit = std::isdigit(lower)    ? lower - '0'
                      : std::isxdigit(lower) ? lower - 'a' + 10
                                             : base;
    if (digit >= base) return 0;
    value = value * base + digit;
  }
  return value;
}

SessionParams parseParams(std::string_view value) {
  auto field = [&](int n) { return std::size_t(2 * n) < value.size() ? value[2 * n] : ' '; };
  SessionParams p;
  p.fine = field(0) == '1';
  switch (field(1)) {
    case '0': p.bps = 2400; break;
    case '1': p.bps = 4800; break;
    case '2': p.bps = 7200; break;
    case '4': p.bps = 12000; break;
    case '5': p.bps = 14400; break;
    default: p.bps = 9600; break;
  }
  p.wide = field(2) == '1';
  p.ecm = field(5) == '1' || field(5) == '2';
  char st = field(7);
  p.scanIndex = st >= '0' && st <= '7' ? st - '0' : 0;
  return p;
}

char bpsCode(int bps) {
  switch (bps) {
    case 2400: return '0';
    case 4800: return '1';
    case 7200: return '2';
    case 12000: return '4';
    case 14400: return '5';
    default: return '3';
  }
}

std::string senderParams(bool fine, bool wide, int desiredBps, char ecm) {
  return std::string{fine ? '1' : '0',
                     ',',
                     bpsCode(desiredBps),
                     ',',
                     wide ? '1' : '0',
                     ',',
                     '2',
                     ',',
                     '0',
                     ',',
                     ecm,
                     ',',
                     '0',
                     ',',
                     '0'};
}

std::string receiverParams(int desiredBps, char ecm) {
  return std::string{
      '1', ',', bpsCode(desiredBps), ',', '0', ',', '2', ',', '0', ',', ecm, ',', '0', ',', '0'};
}

}  // namespace faxengine::class2
