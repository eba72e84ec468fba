// The line-coding state that the converter and the fax engine share: page width, left
// margin, the loaded fax font, and a coded-line buffer. The engine uses it to put a text
// line on top of sent pages (LoadFaxFont, RenderTextRow, EncodeLine) and to end pages.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string_view>

#include "faximage/brx_format.h"

namespace faximage {

inline constexpr int kLineBufferBytes = 4096;   // one raster line, 32768 pixels at most
inline constexpr int kStandardGlyphBytes = 48;  // 20 x 16 cell: 16 rows of 3 bytes
inline constexpr int kSmallGlyphBytes = 16;     // 12 x 8 cell: 8 rows of 2 bytes

class ConvertState {
 public:
  // Page width in pixels (1728 or 2048; other values are taken as 1728).
  void setPageWidth(int width);
  int pageWidth() const { return width_; }
  // White pixels ahead of each line's image; capped at the page width.
  void setLeftMargin(unsigned margin);
  int leftMargin() const { return margin_; }
  // Every image pixel is written twice across (standard-resolution pages of narrow images).
  void setDoubling(bool on) { doubling_ = on; }
  bool doubling() const { return doubling_; }

  // Loads the standard (48) or small (16) glyph set of the built-in font, every glyph
  // row used twice when fine. Other sizes give -8052.
  int LoadFaxFont(int glyphSize, bool fine);
  int glyphWidth() const { return glyphWidth_; }
  int glyphHeight() const { return glyphHeight_; }  // rows, doubled when fine
  // Writes glyph row `row` (from 1) of each character side by side from the first pixel
  // into `line`; characters that no longer fit are left out. Nothing happens when no font
  // is loaded or row exceeds the cell height.
  void RenderTextRow(std::string_view text, int row, std::span<std::uint8_t> line) const;

  // Codes one raster line (1 black, MSB leftmost) as a line record body; returns the byte
  // count, the bytes being coded().
  int EncodeLine(std::span<const std::uint8_t> line);
  std::span<const std::uint8_t> coded() const { return {coded_.data(), std::size_t(codedLen_)}; }
  // A blank line for the top margin: 12-bit EOL, one white run of the page width.
  int EncodeMarginLine();
  // The 12-byte end-of-page record; returns 12 (0 if out is too small).
  static int EndOfPageCode(std::span<std::uint8_t> out);

 private:
  int width_ = kNormalWidth;
  int margin_ = 0;
  bool doubling_ = false;
  int glyphWidth_ = 0;
  int glyphHeight_ = 0;
  int glyphBytes_ = 0;  // bytes of one stored glyph row
  bool fineFont_ = false;
  const std::uint8_t* font_ = nullptr;
  std::array<std::uint8_t, kLineBufferBytes> coded_{};
  int codedLen_ = 0;
};

}  // namespace faximage
