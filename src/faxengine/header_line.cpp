// Header line expansion and text rendering for sent pages.
#include "faxengine/header_line.h"

#include <array>
#include <cctype>

namespace faxengine {

namespace {

const std::string* valueFor(char letter, const HeaderValues& v, std::string& number) {
  switch (std::toupper(static_cast<unsigned char>(letter))) {
    case 'D': return &v.date;
    case 'T': return &v.time;
    case 'I': return &v.stationId;
    case 'F': return &v.sender;
    case 'R': return &v.recipient;
    case 'S': return &v.title;
    case 'N': number = std::to_string(v.pages); return &number;
    case 'P': number = std::to_string(v.page); return &number;
    default: return nullptr;
  }
}

std::string timeText(std::time_t t, const char* format) {
  std::tm tm{};
  localtime_r(&t, &tm);
  char buf[64];
  std::size_t n = std::strftime(buf, sizeof buf, format, &tm);
  return std::string(buf, n);
}

}  // namespace

std::string expandHeader(std::string_view text, const HeaderValues& v) {
  std::string out;
  std::string number;
  std::size_t i = 0;
  while (i < text.size()) {
    if (text[i] != '$') {
      out.push_back(text[i++]);
      continue;
    }
    std::size_t end = text.find(' ', i);
    if (end == std::string_view::npos) end = text.size();
    if (i + 1 < end) {
      if (const std::string* value = valueFor(text[i + 1], v, number)) out += *value;
    }
    i = end;
  }
  return out;
}

std::string shortDateText(std::time_t t) { return timeText(t, "%x"); }
std::string shortTimeText(std::time_t t) { return timeText(t, "%X"); }

int TextRenderer::prepare(int pageWidth, bool fine, bool small) {
  state_.setPageWidth(pageWidth);
  state_.setLeftMargin(0);
  return state_.LoadFaxFont(small ? faximage::kSmallGlyphBytes : faximage::kStandardGlyphBytes,
                            fine);
}

void TextRenderer::renderRows(std::string_view text,
                              const std::function<void(std::span<const std::uint8_t>)>& out) {
  std::array<std::uint8_t, 256> line{};  // room for a 2048-pixel row
  for (int row = 1; row <= state_.glyphHeight(); ++row) {
    line.fill(0);
    state_.RenderTextRow(text, row, std::span(line).first(std::size_t(state_.pageWidth() / 8)));
    state_.EncodeLine(std::span(line).first(std::size_t(state_.pageWidth() / 8)));
    out(state_.coded());
  }
}

std::span<const std::uint8_t> TextRenderer::whiteLine() {
  std::array<std::uint8_t, 256> line{};
  state_.EncodeLine(std::span(line).first(std::size_t(state_.pageWidth() / 8)));
  return state_.coded();
}

}  // namespace faxengine
