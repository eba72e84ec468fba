// The header line printed on top of every sent page (and the lines of a text cover page):
// expanding its "$" tokens and turning text into coded scan lines with the fax font.
#pragma once

#include <cstdint>
#include <ctime>
#include <functional>
#include <span>
#include <string>
#include <string_view>

#include "faximage/convert_state.h"

namespace faxengine {

struct HeaderValues {
  std::string date;       // $D
  std::string time;       // $T
  std::string stationId;  // $I
  std::string sender;     // $F
  std::string recipient;  // $R
  std::string title;      // $S
  int pages = 0;          // $N
  int page = 0;           // $P
};

// Replaces every token that starts with '$' and runs to the next blank by the value for
// the letter after the '$' (case ignored); a letter without a value gives nothing.
std::string expandHeader(std::string_view text, const HeaderValues& v);

// The local date and time in the short forms of the C library's current locale.
std::string shortDateText(std::time_t t);
std::string shortTimeText(std::time_t t);

// Draws text with one glyph set of the fax font at a page width and resolution, and codes
// each pixel row as a T.4 line (starting with its EOL).
class TextRenderer {
 public:
  // small: the 12 x 8 set (header lines), else the 20 x 16 set (text cover pages). Every
  // glyph row is used twice at fine resolution. Returns 0 or the font's error code.
  int prepare(int pageWidth, bool fine, bool small);
  int rows() const { return state_.glyphHeight(); }
  // Codes row `row` (from 1) of the text and passes the coded bytes to `out`.
  void renderRows(std::string_view text,
                  const std::function<void(std::span<const std::uint8_t>)>& out);
  // An all-white line at the page width.
  std::span<const std::uint8_t> whiteLine();

 private:
  faximage::ConvertState state_;
};

}  // namespace faxengine
