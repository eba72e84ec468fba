// RTF writer. Every run and paragraph mark is written with \plain and its full set of
// attributes, so the output reads the same in any reader regardless of defaults.
#include "richtext/codec/rtfwriter.h"

#include "base/cp1252.h"

#include <algorithm>
#include <vector>

namespace richtext {
namespace {

constexpr char kHex[] = "0123456789abcdef";

// A field name is written in quotes, so it cannot hold one.
std::u16string WithoutQuotes(std::u16string name) {
  std::erase(name, u'"');
  return name;
}

class Writer {
 public:
  explicit Writer(const RtfDocument& doc) : doc_(doc) {}
  std::string Run();

 private:
  void collectTables();
  int fontIndex(const std::string& name) const;
  int colorIndex(const std::optional<uint32_t>& color) const;
  void word(std::string_view w) {
    out_ += '\\';
    out_ += w;
  }
  void word(std::string_view w, int value);
  void text(const std::u16string& s);
  void utf8Text(const std::string& s);
  void charProps(const RtfCharProps& p);
  void paraFormat(const RtfParaFormat& p);
  void inlineItem(const RtfInline& item);
  void picture(const RtfPicture& pict);

  const RtfDocument& doc_;
  std::string out_;
  std::vector<std::string> fonts_;
  std::vector<uint32_t> colors_;
};

void Writer::word(std::string_view w, int value) {
  word(w);
  out_ += std::to_string(value);
}

void Writer::text(const std::u16string& s) {
  for (char16_t c : s) {
    if (c == '\\' || c == '{' || c == '}') {
      out_ += '\\';
      out_ += char(c);
    } else if (c >= 0x20 && c < 0x7F) {
      out_ += char(c);
    } else if (c < 0x20) {
      continue;  // control characters have no place in a run
    } else if (auto b = base::UnicodeToCp1252(c)) {
      out_ += "\\'";
      out_ += kHex[*b >> 4];
      out_ += kHex[*b & 15];
    } else {
      word("u", c > 32767 ? int(c) - 65536 : int(c));
      out_ += '?';
    }
  }
}

// Font names are held as UTF-8; decode them to UTF-16 for escaping.
void Writer::utf8Text(const std::string& s) {
  std::u16string u;
  for (size_t i = 0; i < s.size();) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    int extra = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
    char32_t cp = extra == 0 ? c : c & (0x3F >> extra);
    size_t j = i + 1;
    for (int k = 0; k < extra && j < s.size(); ++k, ++j) cp = cp << 6 | (s[j] & 0x3F);
    i = j;
    u += cp > 0xFFFF ? char16_t(0xFFFD) : char16_t(cp);
  }
  text(u);
}

void Writer::collectTables() {
  fonts_.push_back(doc_.defaultFont);
  auto addFont = [&](const RtfCharProps& p) {
    if (!p.fontName.empty() && fontIndex(p.fontName) < 0) fonts_.push_back(p.fontName);
    if (p.color && colorIndex(p.color) == 0) colors_.push_back(*p.color);
  };
  for (const RtfParagraph& para : doc_.paragraphs) {
    addFont(para.markProps);
    for (const RtfInline& item : para.items) addFont(item.props);
  }
}

int Writer::fontIndex(const std::string& name) const {
  if (name.empty()) return 0;
  auto it = std::find(fonts_.begin(), fonts_.end(), name);
  return it == fonts_.end() ? -1 : int(it - fonts_.begin());
}

int Writer::colorIndex(const std::optional<uint32_t>& color) const {
  if (!color) return 0;
  auto it = std::find(colors_.begin(), colors_.end(), *color);
  return it == colors_.end() ? 0 : int(it - colors_.begin()) + 1;
}

void Writer::charProps(const RtfCharProps& p) {
  word("plain");
  word("f", std::max(0, fontIndex(p.fontName)));
  word("fs", p.halfPoints);
  if (p.bold) word("b");
  if (p.italic) word("i");
  if (p.underline) word("ul");
  if (int c = colorIndex(p.color)) word("cf", c);
  out_ += ' ';
}

void Writer::paraFormat(const RtfParaFormat& p) {
  word("pard");
  switch (p.align) {
    case RtfAlign::Left: break;
    case RtfAlign::Right: word("qr"); break;
    case RtfAlign::Center: word("qc"); break;
    case RtfAlign::Justify: word("qj"); break;
  }
  if (p.firstIndent) word("fi", p.firstIndent);
  if (p.leftIndent) word("li", p.leftIndent);
  if (p.rightIndent) word("ri", p.rightIndent);
  if (p.spaceBefore) word("sb", p.spaceBefore);
  if (p.spaceAfter) word("sa", p.spaceAfter);
  if (p.lineSpacing || p.lineMultiple) {
    word("sl", p.lineSpacing);
    word("slmult", p.lineMultiple ? 1 : 0);
  }
  if (p.pageBreakBefore) word("pagebb");
  for (const RtfTab& t : p.tabs) {
    if (t.kind == RtfTabKind::Right) word("tqr");
    if (t.kind == RtfTabKind::Center) word("tqc");
    if (t.kind == RtfTabKind::Decimal) word("tqdec");
    word("tx", t.position);
  }
  out_ += '\n';
}

void Writer::inlineItem(const RtfInline& item) {
  switch (item.kind) {
    case RtfInline::Kind::Text:
      charProps(item.props);
      text(item.text);
      break;
    case RtfInline::Kind::Tab:
      charProps(item.props);
      word("tab");
      break;
    case RtfInline::Kind::LineBreak:
      charProps(item.props);
      word("line");
      break;
    case RtfInline::Kind::Field:
      // A standard merge field (others show its result); the id rides in an optional
      // destination that other readers skip.
      out_ += "{\\field{\\*\\fldinst MERGEFIELD \"";
      text(WithoutQuotes(item.fieldName));
      out_ += "\"}{\\*\\bdlmergeid";
      out_ += std::to_string(item.fieldId);
      out_ += "}{\\fldrslt ";
      charProps(item.props);
      text(item.text);
      out_ += "}}";
      return;
    case RtfInline::Kind::Picture:
      charProps(item.props);
      picture(item.picture);
      break;
  }
  out_ += '\n';
}

// A picture as most word processors read it: sizes, its kind, then its bytes in hex,
// 64 bytes a line.
void Writer::picture(const RtfPicture& pict) {
  out_ += "{\\pict";
  word("picw", pict.pixelWidth);
  word("pich", pict.pixelHeight);
  if (pict.goalWidth) word("picwgoal", pict.goalWidth);
  if (pict.goalHeight) word("pichgoal", pict.goalHeight);
  if (pict.scaleX != 100) word("picscalex", pict.scaleX);
  if (pict.scaleY != 100) word("picscaley", pict.scaleY);
  word(pict.format == RtfPicture::Format::Png ? "pngblip" : "jpegblip");
  for (size_t i = 0; i < pict.bytes.size(); ++i) {
    if (i % 64 == 0) out_ += '\n';
    const auto b = static_cast<unsigned char>(pict.bytes[i]);
    out_ += kHex[b >> 4];
    out_ += kHex[b & 15];
  }
  out_ += '}';
}

std::string Writer::Run() {
  collectTables();
  out_ = "{\\rtf1\\ansi\\ansicpg1252\\deff0\\uc1\n{\\fonttbl";
  for (size_t i = 0; i < fonts_.size(); ++i) {
    out_ += "{\\f" + std::to_string(i) + "\\fnil\\fcharset0 ";
    utf8Text(fonts_[i]);
    out_ += ";}";
  }
  out_ += "}\n{\\colortbl;";
  for (uint32_t c : colors_) {
    word("red", int(c >> 16 & 255));
    word("green", int(c >> 8 & 255));
    word("blue", int(c & 255));
    out_ += ';';
  }
  out_ += "}\n";
  if (const auto& pg = doc_.page) {
    word("paperw", pg->width);
    word("paperh", pg->height);
    word("margl", pg->marginLeft);
    word("margr", pg->marginRight);
    word("margt", pg->marginTop);
    word("margb", pg->marginBottom);
    out_ += '\n';
  }
  for (const RtfParagraph& para : doc_.paragraphs) {
    paraFormat(para.props);
    for (const RtfInline& item : para.items) inlineItem(item);
    charProps(para.markProps);
    word("par");
    out_ += '\n';
  }
  out_ += "}\n";
  return std::move(out_);
}

}  // namespace

std::string WriteRtf(const RtfDocument& doc) { return Writer(doc).Run(); }

}  // namespace richtext
