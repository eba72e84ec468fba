// Word lists: UTF-8 lines decoded and mapped onto code page 1252.
#include "wordlist.h"

#include <fstream>

#include "base/cp1252.h"

namespace dictbuild {

std::optional<std::string> Utf8ToCp1252(const std::string& utf8) {
  std::string out;
  for (std::size_t i = 0; i < utf8.size();) {
    const auto lead = std::uint8_t(utf8[i]);
    std::size_t extra = 0;
    char32_t code = lead;
    if ((lead & 0xE0) == 0xC0) {
      extra = 1;
      code = lead & 0x1F;
    } else if ((lead & 0xF0) == 0xE0) {
      extra = 2;
      code = lead & 0x0F;
    } else if (lead >= 0x80) {
      return std::nullopt;  // a stray continuation byte, or a character beyond 16 bits
    }
    if (utf8.size() - i <= extra) return std::nullopt;
    for (std::size_t k = 1; k <= extra; ++k) {
      const auto next = std::uint8_t(utf8[i + k]);
      if ((next & 0xC0) != 0x80) return std::nullopt;
      code = code << 6 | (next & 0x3F);
    }
    i += extra + 1;
    const auto byte = base::UnicodeToCp1252(char16_t(code));
    if (!byte) return std::nullopt;
    out.push_back(char(*byte));
  }
  return out;
}

bool ReadWordList(const std::string& path, std::vector<std::string>& words,
                  std::size_t& unconverted) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  unconverted = 0;
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (auto word = Utf8ToCp1252(line))
      words.push_back(std::move(*word));
    else
      ++unconverted;
  }
  return true;
}

}  // namespace dictbuild
