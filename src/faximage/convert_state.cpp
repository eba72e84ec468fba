// The shared line-coding state: fax font loading, text row rendering, line and end-of-page codes.
#include "faximage/convert_state.h"

#include <algorithm>

#include "faximage/errors.h"
#include "faximage/fax_font.h"
#include "faximage/t4_encoder.h"

namespace faximage {

void ConvertState::setPageWidth(int width) {
  width_ = width == kWideWidth ? kWideWidth : kNormalWidth;
  margin_ = std::min(margin_, width_);
}

void ConvertState::setLeftMargin(unsigned margin) {
  margin_ = int(std::min<unsigned>(margin, unsigned(width_)));
}

int ConvertState::LoadFaxFont(int glyphSize, bool fine) {
  auto font = faxFontResource();
  if (glyphSize == kStandardGlyphBytes) {
    font_ = font.data() + kStandardSetOffset;
    glyphWidth_ = 20;
    glyphHeight_ = 16;
    glyphBytes_ = 3;
  } else if (glyphSize == kSmallGlyphBytes) {
    font_ = font.data() + kSmallSetOffset;
    glyphWidth_ = 12;
    glyphHeight_ = 8;
    glyphBytes_ = 2;
  } else {
    font_ = nullptr;
    glyphWidth_ = glyphHeight_ = glyphBytes_ = 0;
    return ecFontNotFound;
  }
  fineFont_ = fine;
  if (fine) glyphHeight_ *= 2;
  return ecOK;
}

void ConvertState::RenderTextRow(std::string_view text, int row,
                                 std::span<std::uint8_t> line) const {
  if (!font_ || row < 1 || row > glyphHeight_) return;
  const int glyphRow = fineFont_ ? (row - 1) / 2 : row - 1;
  const int glyphSize = glyphBytes_ * (fineFont_ ? glyphHeight_ / 2 : glyphHeight_);
  const int lineBits = int(line.size()) * 8;
  int x = 0;
  for (char ch : text) {
    if (x + glyphWidth_ > lineBits) break;
    const std::uint8_t* g = font_ +
                            std::size_t(static_cast<unsigned char>(ch)) * std::size_t(glyphSize) +
                            std::size_t(glyphRow * glyphBytes_);
    std::uint32_t bits = 0;
    for (int i = 0; i < glyphBytes_; ++i) bits = (bits << 8) | g[i];
    bits >>= glyphBytes_ * 8 - glyphWidth_;  // the glyph's pixels, leftmost in the top bit
    for (int i = 0; i < glyphWidth_; ++i) {
      if ((bits >> (glyphWidth_ - 1 - i)) & 1) {
        int px = x + i;
        line[std::size_t(px >> 3)] |= std::uint8_t(0x80 >> (px & 7));
      }
    }
    x += glyphWidth_;
  }
}

int ConvertState::EncodeLine(std::span<const std::uint8_t> line) {
  t4::LineLayout layout{width_, margin_, doubling_};
  codedLen_ = int(t4::encodeLine(line, layout, coded_));
  return codedLen_;
}

int ConvertState::EncodeMarginLine() {
  codedLen_ = int(t4::encodeMarginLine(width_, coded_));
  return codedLen_;
}

int ConvertState::EndOfPageCode(std::span<std::uint8_t> out) {
  if (out.size() < kEndOfPageRecord.size()) return 0;
  std::copy(kEndOfPageRecord.begin(), kEndOfPageRecord.end(), out.begin());
  return int(kEndOfPageRecord.size());
}

}  // namespace faximage
