// RTF reader. The tokenizer walks the bytes once; groups push and pop a state on an
// explicit stack (no recursion), deeper nesting than kMaxDepth only counts braces, and
// every number is clamped, so hostile input costs linear time and bounded memory.
#include "richtext/codec/rtfreader.h"

#include "base/asciitext.h"
#include "base/cp1252.h"
#include "richtext/codec/mergefield.h"
#include "richtext/codec/rtfcontrol.h"

#include <algorithm>
#include <cstdint>
#include <map>

namespace richtext {
namespace {

constexpr size_t kMaxDepth = 1000;
constexpr size_t kMaxTabs = 64;
constexpr int kMaxTwips = 31680;  // 22 inches
constexpr size_t kMaxFieldText = 4096;
constexpr size_t kMaxTableEntries = 4096;

enum class Dest { Normal, Skip, FontTable, ColorTable, FieldInst, FieldResult, Picture };

struct GroupState {
  Dest dest = Dest::Normal;
  int font = -1;  // font number; -1 means the default font
  int halfPoints = 24;
  bool bold = false;
  bool italic = false;
  bool underline = false;
  int color = 0;  // colour table index; 0 automatic
  RtfParaFormat para;
  int uc = 1;      // fallback characters after \uN
  int field = -1;  // index into fields_ of the innermost field
  bool ownsField = false;
  bool ownsResult = false;  // the group that holds a merge field's result
  bool ownsPicture = false;
};

struct Field {
  std::u16string instruction;
  std::u16string result;
  RtfCharProps props;
  bool haveProps = false;
  int id = -1;         // from our private id destination, -1 when absent
  bool merge = false;  // decided when the result starts
  bool sawResult = false;
};

int Clamp(int v, int lo, int hi) { return std::min(std::max(v, lo), hi); }

void AppendUtf8(std::string& out, char16_t u) {
  if (u < 0x80) {
    out += char(u);
  } else if (u < 0x800) {
    out += char(0xC0 | (u >> 6));
    out += char(0x80 | (u & 0x3F));
  } else {
    if (u >= 0xD800 && u <= 0xDFFF) u = 0xFFFD;  // font names never need surrogates
    out += char(0xE0 | (u >> 12));
    out += char(0x80 | ((u >> 6) & 0x3F));
    out += char(0x80 | (u & 0x3F));
  }
}

std::u16string Trim(const std::u16string& s) {
  size_t b = s.find_first_not_of(u" \t\r\n");
  if (b == std::u16string::npos) return {};
  size_t e = s.find_last_not_of(u" \t\r\n");
  return s.substr(b, e - b + 1);
}

bool StartsWithWordIgnoringCase(const std::u16string& s, std::u16string_view word) {
  if (s.size() < word.size()) return false;
  for (size_t i = 0; i < word.size(); ++i) {
    char16_t c = s[i];
    if (c >= 'a' && c <= 'z') c = char16_t(c - 32);
    if (c != word[i]) return false;
  }
  return s.size() == word.size() || s[word.size()] == u' ' || s[word.size()] == u'"';
}

// The field name after MERGEFIELD: a quoted text or the first bare word.
std::u16string MergeFieldName(const std::u16string& instruction) {
  std::u16string rest = Trim(instruction.substr(10));
  if (!rest.empty() && rest[0] == u'"') {
    size_t end = rest.find(u'"', 1);
    return rest.substr(1, end == std::u16string::npos ? std::u16string::npos : end - 1);
  }
  std::u16string name = rest.substr(0, rest.find(u' '));
  std::erase(name, u'"');
  return name;
}

class Reader {
 public:
  explicit Reader(std::string_view in) : in_(in) {}
  RtfDocument Run();

 private:
  // Tokens
  void controlWord();
  void controlSymbol(char c);
  int readParameter(bool& has);
  void openGroup();
  void closeGroup();

  // Text and structure
  void text(char16_t c);
  void textByte(uint8_t b) { text(base::Cp1252ToUnicode(b)); }
  void addInline(RtfInline::Kind kind, char16_t c = 0);
  void endParagraph();
  void pushParagraph();
  void pageBreak();
  RtfCharProps currentProps() const { return propsOf(stack_.back()); }
  RtfCharProps propsOf(const GroupState& s) const;
  void finishField(const GroupState& closing);
  void fontTableText(char16_t c);
  void colorTableSemicolon();
  void pictureByte(uint8_t b);
  void pictureHex(char16_t c);
  void finishPicture(const GroupState& closing);

  // Control word groups
  bool destination(std::string_view w, int p, bool has);
  bool characterWord(std::string_view w, int p, bool has);
  bool paragraphWord(std::string_view w, int p, bool has);
  bool specialWord(std::string_view w, int p, bool has);
  bool documentWord(std::string_view w, int p);
  void pictureWord(std::string_view w, int p);

  void resolveDefaultFont(RtfParagraph& p) const;
  GroupState& st() { return stack_.back(); }

  std::string_view in_;
  size_t pos_ = 0;
  std::vector<GroupState> stack_;
  size_t excessDepth_ = 0;  // groups opened beyond kMaxDepth
  bool started_ = false;
  bool done_ = false;
  bool starPending_ = false;
  int skipChars_ = 0;  // \uN fallback characters still to skip

  RtfDocument doc_;
  RtfParagraph cur_;
  bool pendingPageBreak_ = false;
  int deff_ = 0;
  std::map<int, std::string> fonts_;
  int fontNumber_ = 0;
  std::string fontName_;
  std::vector<std::optional<uint32_t>> colors_;
  int red_ = -1, green_ = -1, blue_ = -1;
  RtfTabKind tabKind_ = RtfTabKind::Left;
  std::vector<Field> fields_;
  RtfPicture pict_;           // the picture being read
  bool pictKnown_ = false;    // it is PNG or JPEG
  bool pictTooLarge_ = false;
  int pictNibble_ = -1;       // the first hex digit of a byte, -1 none
  size_t pictureBytes_ = 0;   // all pictures kept so far
};

RtfDocument Reader::Run() {
  stack_.emplace_back();
  while (pos_ < in_.size() && !done_) {
    char c = in_[pos_++];
    switch (c) {
      case '{': openGroup(); break;
      case '}': closeGroup(); break;
      case '\\':
        if (pos_ >= in_.size()) break;
        if (IsRtfLetter(in_[pos_]))
          controlWord();
        else
          controlSymbol(in_[pos_++]);
        break;
      case '\r':
      case '\n': break;
      case '\t':
        if (skipChars_ > 0)
          --skipChars_;
        else
          addInline(RtfInline::Kind::Tab);
        break;
      default:
        if (static_cast<uint8_t>(c) < 0x20) break;  // stray control bytes
        if (skipChars_ > 0)
          --skipChars_;
        else
          textByte(static_cast<uint8_t>(c));
    }
  }
  // Close what the input left open, so open fields still yield their text.
  while (stack_.size() > 1) closeGroup();
  if (!cur_.items.empty() || doc_.paragraphs.empty()) pushParagraph();
  if (auto it = fonts_.find(deff_); it != fonts_.end() && !it->second.empty())
    doc_.defaultFont = it->second;
  for (RtfParagraph& p : doc_.paragraphs) resolveDefaultFont(p);
  return std::move(doc_);
}

// Runs that named a font missing from the table take the default font; runs that
// become alike by that are joined, as the writer's output would read.
void Reader::resolveDefaultFont(RtfParagraph& p) const {
  if (p.markProps.fontName.empty()) p.markProps.fontName = doc_.defaultFont;
  std::vector<RtfInline> items;
  for (RtfInline& item : p.items) {
    if (item.props.fontName.empty()) item.props.fontName = doc_.defaultFont;
    if (item.kind == RtfInline::Kind::Text && !items.empty() &&
        items.back().kind == RtfInline::Kind::Text && items.back().props == item.props)
      items.back().text += item.text;
    else
      items.push_back(std::move(item));
  }
  p.items = std::move(items);
}

void Reader::openGroup() {
  skipChars_ = 0;
  if (stack_.size() >= kMaxDepth) {
    ++excessDepth_;
    return;
  }
  GroupState s = st();
  s.ownsField = false;
  s.ownsResult = false;
  s.ownsPicture = false;
  stack_.push_back(std::move(s));
  started_ = true;
}

void Reader::closeGroup() {
  skipChars_ = 0;
  starPending_ = false;
  if (excessDepth_ > 0) {
    --excessDepth_;
    return;
  }
  if (stack_.size() <= 1) {
    done_ = started_;  // text after the document's last brace is not part of it
    return;
  }
  if (stack_.size() == 2 && !cur_.items.empty()) pushParagraph();  // the document ends
  GroupState closing = std::move(stack_.back());
  stack_.pop_back();
  if (closing.dest == Dest::FontTable && !fontName_.empty())
    fontTableText(u';');  // an entry closed without its semicolon
  if (closing.ownsResult && !fields_[size_t(closing.field)].haveProps) {
    fields_[size_t(closing.field)].props = propsOf(closing);  // an empty result
    fields_[size_t(closing.field)].haveProps = true;
  }
  if (closing.ownsField) finishField(closing);
  if (closing.ownsPicture) finishPicture(closing);
  if (stack_.size() == 1 && started_) done_ = true;
}

int Reader::readParameter(bool& has) {
  has = false;
  bool negative = false;
  if (pos_ < in_.size() && in_[pos_] == '-' && pos_ + 1 < in_.size() && IsRtfDigit(in_[pos_ + 1])) {
    negative = true;
    ++pos_;
  }
  int64_t v = 0;
  while (pos_ < in_.size() && IsRtfDigit(in_[pos_])) {
    has = true;
    if (v < (int64_t(1) << 31)) v = v * 10 + (in_[pos_] - '0');
    ++pos_;
  }
  v = std::min<int64_t>(v, int64_t(1) << 30);
  return int(negative ? -v : v);
}

void Reader::controlWord() {
  size_t start = pos_;
  while (pos_ < in_.size() && IsRtfLetter(in_[pos_])) ++pos_;
  std::string_view word = in_.substr(start, std::min<size_t>(pos_ - start, kMaxRtfWord + 1));
  bool has = false;
  int p = readParameter(has);
  if (pos_ < in_.size() && in_[pos_] == ' ') ++pos_;

  if (word == "bin") {  // binary data: a picture's bytes, else skipped whatever the state
    size_t n = std::min(has && p > 0 ? size_t(p) : 0, in_.size() - pos_);
    if (st().dest == Dest::Picture && skipChars_ == 0)
      for (size_t i = 0; i < n; ++i) pictureByte(uint8_t(in_[pos_ + i]));
    pos_ += n;
    if (skipChars_ > 0) --skipChars_;
    return;
  }
  if (skipChars_ > 0) {
    --skipChars_;
    return;
  }
  bool star = starPending_;
  starPending_ = false;
  if (st().dest == Dest::Skip) return;
  if (destination(word, p, has)) return;
  if (star) {  // an optional destination we do not know: drop the whole group
    st().dest = Dest::Skip;
    return;
  }
  if (st().dest == Dest::Picture) {
    pictureWord(word, p);
    return;
  }
  if (characterWord(word, p, has) || paragraphWord(word, p, has) || specialWord(word, p, has))
    return;
  documentWord(word, p);
}

void Reader::controlSymbol(char c) {
  if (c == '\'') {
    int hi = pos_ < in_.size() ? RtfHexValue(in_[pos_]) : -1;
    int lo = hi >= 0 && pos_ + 1 < in_.size() ? RtfHexValue(in_[pos_ + 1]) : -1;
    if (lo < 0) {  // a truncated escape is dropped with its one hex digit
      if (hi >= 0) ++pos_;
      return;
    }
    pos_ += 2;
    if (skipChars_ > 0)
      --skipChars_;
    else
      textByte(uint8_t(hi * 16 + lo));
    return;
  }
  if (skipChars_ > 0) {
    --skipChars_;
    return;
  }
  switch (c) {
    case '\\':
    case '{':
    case '}': text(char16_t(c)); break;
    case '~': text(0x00A0); break;
    case '_': text(0x2011); break;
    case '*': starPending_ = true; break;
    case '\r':
    case '\n': endParagraph(); break;
    case '\t': addInline(RtfInline::Kind::Tab); break;
    default: break;  // \- optional hyphen, \| \: index marks and anything unknown
  }
}

RtfCharProps Reader::propsOf(const GroupState& s) const {
  RtfCharProps props;
  if (auto it = fonts_.find(s.font >= 0 ? s.font : deff_); it != fonts_.end())
    props.fontName = it->second;
  props.halfPoints = s.halfPoints;
  props.bold = s.bold;
  props.italic = s.italic;
  props.underline = s.underline;
  if (s.color > 0 && size_t(s.color) < colors_.size()) props.color = colors_[size_t(s.color)];
  return props;
}

void Reader::text(char16_t c) {
  if (c < 0x20) return;  // control characters are no text
  GroupState& s = st();
  switch (s.dest) {
    case Dest::Skip:
    case Dest::ColorTable:
      if (c == u';' && s.dest == Dest::ColorTable) colorTableSemicolon();
      return;
    case Dest::FontTable: fontTableText(c); return;
    case Dest::Picture: pictureHex(c); return;
    case Dest::FieldInst:
      if (s.field >= 0 && fields_[size_t(s.field)].instruction.size() < kMaxFieldText)
        fields_[size_t(s.field)].instruction += c;
      return;
    case Dest::FieldResult: {
      Field& f = fields_[size_t(s.field)];
      if (!f.haveProps) f.props = currentProps(), f.haveProps = true;
      if (f.result.size() < kMaxFieldText) f.result += c;
      return;
    }
    case Dest::Normal: break;
  }
  RtfCharProps props = currentProps();
  if (!cur_.items.empty() && cur_.items.back().kind == RtfInline::Kind::Text &&
      cur_.items.back().props == props) {
    cur_.items.back().text += c;
    return;
  }
  RtfInline item;
  item.text = std::u16string(1, c);
  item.props = std::move(props);
  cur_.items.push_back(std::move(item));
}

void Reader::addInline(RtfInline::Kind kind, char16_t) {
  GroupState& s = st();
  if (s.dest == Dest::FieldResult) {  // a merge field's text stays on one line
    text(u' ');
    return;
  }
  if (s.dest != Dest::Normal) return;
  RtfInline item;
  item.kind = kind;
  item.props = currentProps();
  cur_.items.push_back(std::move(item));
}

void Reader::endParagraph() {
  if (st().dest == Dest::FieldResult) {
    text(u' ');
    return;
  }
  if (st().dest == Dest::Normal) pushParagraph();
}

void Reader::pushParagraph() {
  cur_.props = st().para;
  cur_.props.pageBreakBefore |= pendingPageBreak_;
  pendingPageBreak_ = false;
  cur_.markProps = currentProps();
  doc_.paragraphs.push_back(std::move(cur_));
  cur_ = RtfParagraph{};
}

void Reader::pageBreak() {
  if (st().dest != Dest::Normal) return;
  if (!cur_.items.empty()) endParagraph();
  pendingPageBreak_ = true;
}

void Reader::fontTableText(char16_t c) {
  if (c == u';') {
    const std::string name = base::TrimSpaces(fontName_);
    if (fonts_.size() < kMaxTableEntries || fonts_.count(fontNumber_)) fonts_[fontNumber_] = name;
    fontName_.clear();
    return;
  }
  if (fontName_.size() < 256) AppendUtf8(fontName_, c);
}

void Reader::colorTableSemicolon() {
  if (colors_.size() >= kMaxTableEntries) {
    red_ = green_ = blue_ = -1;
    return;
  }
  if (red_ < 0 && green_ < 0 && blue_ < 0) {
    colors_.push_back(std::nullopt);
  } else {
    auto part = [](int v) { return uint32_t(Clamp(v, 0, 255)); };
    colors_.push_back(part(red_) << 16 | part(green_) << 8 | part(blue_));
  }
  red_ = green_ = blue_ = -1;
}

void Reader::finishField(const GroupState& closing) {
  Field& f = fields_[size_t(closing.field)];
  if (!f.sawResult) f.merge = StartsWithWordIgnoringCase(Trim(f.instruction), u"MERGEFIELD");
  if (!f.merge) return;  // other fields left their result as ordinary text
  RtfInline item;
  item.kind = RtfInline::Kind::Field;
  item.fieldName = MergeFieldName(Trim(f.instruction));
  std::string ascii;
  for (char16_t c : item.fieldName) ascii += c < 0x80 ? char(c) : '?';
  item.fieldId = f.id >= 0 ? f.id : MergeFieldIdFromName(ascii);
  item.text = f.sawResult ? f.result : item.fieldName;
  item.props = f.haveProps ? f.props : propsOf(closing);
  if (st().dest == Dest::Normal) cur_.items.push_back(std::move(item));
}

bool Reader::destination(std::string_view w, int p, bool) {
  GroupState& s = st();
  if (w == "fonttbl") {
    s.dest = Dest::FontTable;
  } else if (w == "colortbl") {
    s.dest = Dest::ColorTable;
  } else if (w == "field") {
    fields_.push_back(Field{});
    s.field = int(fields_.size() - 1);
    s.ownsField = true;
  } else if (w == "fldinst") {
    s.dest = s.field >= 0 ? Dest::FieldInst : Dest::Skip;
  } else if (w == "fldrslt") {
    if (s.field < 0) return true;
    Field& f = fields_[size_t(s.field)];
    f.merge = StartsWithWordIgnoringCase(Trim(f.instruction), u"MERGEFIELD");
    f.sawResult = true;
    if (f.merge) {
      s.dest = Dest::FieldResult;
      s.ownsResult = true;
    }
  } else if (w == "bdlmergeid") {
    if (s.field >= 0) fields_[size_t(s.field)].id = Clamp(p, 0, 1 << 20);
    s.dest = Dest::Skip;
  } else if (w == "pict") {
    // Pictures stand in the text, or in the result of a field that is not a merge field.
    if (s.dest != Dest::Normal) {
      s.dest = Dest::Skip;
      return true;
    }
    s.dest = Dest::Picture;
    s.ownsPicture = true;
    pict_ = RtfPicture{};
    pictKnown_ = pictTooLarge_ = false;
    pictNibble_ = -1;
  } else if (w == "shppict") {
    // The picture of a shape, which word processors write besides a metafile copy for
    // older readers (\nonshppict, skipped): its group is read as text.
  } else if (IsSkippedRtfDestination(w)) {
    s.dest = Dest::Skip;
  } else {
    return false;
  }
  return true;
}

bool Reader::characterWord(std::string_view w, int p, bool has) {
  GroupState& s = st();
  bool on = !has || p != 0;
  if (w == "plain") {
    s.font = -1;
    s.halfPoints = 24;
    s.bold = s.italic = s.underline = false;
    s.color = 0;
  } else if (w == "f") {
    if (s.dest == Dest::FontTable)
      fontNumber_ = p;
    else
      s.font = p;
  } else if (w == "fs") {
    s.halfPoints = p <= 0 ? 24 : Clamp(p, 2, 3276);
  } else if (w == "b") {
    s.bold = on;
  } else if (w == "i") {
    s.italic = on;
  } else if (w == "ulnone") {
    s.underline = false;
  } else if (IsRtfUnderlineWord(w)) {
    s.underline = on;
  } else if (w == "cf") {
    s.color = Clamp(p, 0, 1 << 16);
  } else if (w == "red" || w == "green" || w == "blue") {
    (w[0] == 'r' ? red_ : w[0] == 'g' ? green_ : blue_) = Clamp(p, 0, 255);
  } else {
    return false;
  }
  return true;
}

bool Reader::paragraphWord(std::string_view w, int p, bool) {
  RtfParaFormat& para = st().para;
  int t = Clamp(p, -kMaxTwips, kMaxTwips);
  if (w == "pard")
    para = RtfParaFormat{};
  else if (w == "ql")
    para.align = RtfAlign::Left;
  else if (w == "qr")
    para.align = RtfAlign::Right;
  else if (w == "qc")
    para.align = RtfAlign::Center;
  else if (w == "qj" || w == "qd")
    para.align = RtfAlign::Justify;
  else if (w == "fi")
    para.firstIndent = t;
  else if (w == "li" || w == "lin")
    para.leftIndent = t;
  else if (w == "ri" || w == "rin")
    para.rightIndent = t;
  else if (w == "sb")
    para.spaceBefore = Clamp(p, 0, kMaxTwips);
  else if (w == "sa")
    para.spaceAfter = Clamp(p, 0, kMaxTwips);
  else if (w == "sl")
    para.lineSpacing = t;
  else if (w == "slmult")
    para.lineMultiple = p != 0;
  else if (w == "pagebb")
    para.pageBreakBefore = true;
  else if (w == "tqr")
    tabKind_ = RtfTabKind::Right;
  else if (w == "tqc")
    tabKind_ = RtfTabKind::Center;
  else if (w == "tqdec")
    tabKind_ = RtfTabKind::Decimal;
  else if (w == "tb")
    tabKind_ = RtfTabKind::Left;
  else if (w == "tx") {
    if (para.tabs.size() < kMaxTabs) para.tabs.push_back({Clamp(p, 0, kMaxTwips), tabKind_});
    tabKind_ = RtfTabKind::Left;
  } else
    return false;
  return true;
}

bool Reader::specialWord(std::string_view w, int p, bool has) {
  if (w == "par" || w == "row")
    endParagraph();
  else if (w == "sect") {
    if (!cur_.items.empty()) endParagraph();  // a section end is no empty line of its own
  } else if (w == "page")
    pageBreak();
  else if (w == "line")
    addInline(RtfInline::Kind::LineBreak);
  else if (w == "tab" || w == "cell" || w == "nestcell")
    addInline(RtfInline::Kind::Tab);
  else if (w == "uc")
    st().uc = Clamp(p, 0, 16);
  else if (w == "u") {
    if (!has) return true;
    if (p >= -32768 && p <= 65535) text(char16_t(p < 0 ? p + 65536 : p));
    skipChars_ = st().uc;
  } else if (char16_t c = RtfSymbolWord(w))
    text(c);
  else
    return false;
  return true;
}

bool Reader::documentWord(std::string_view w, int p) {
  auto page = [this]() -> RtfPageLayout& {
    if (!doc_.page) doc_.page = RtfPageLayout{};
    return *doc_.page;
  };
  if (w == "deff")
    deff_ = p;
  else if (w == "paperw")
    page().width = Clamp(p, 1440, 2 * kMaxTwips);
  else if (w == "paperh")
    page().height = Clamp(p, 1440, 2 * kMaxTwips);
  else if (w == "margl")
    page().marginLeft = Clamp(p, 0, kMaxTwips);
  else if (w == "margr")
    page().marginRight = Clamp(p, 0, kMaxTwips);
  else if (w == "margt")
    page().marginTop = Clamp(p, 0, kMaxTwips);
  else if (w == "margb")
    page().marginBottom = Clamp(p, 0, kMaxTwips);
  else
    return false;
  return true;
}

void Reader::pictureWord(std::string_view w, int p) {
  const auto size = [p] { return Clamp(p, 0, 1 << 20); };
  if (w == "pngblip" || w == "jpegblip") {
    pict_.format = w == "pngblip" ? RtfPicture::Format::Png : RtfPicture::Format::Jpeg;
    pictKnown_ = true;
  } else if (w == "picw") {
    pict_.pixelWidth = size();
  } else if (w == "pich") {
    pict_.pixelHeight = size();
  } else if (w == "picwgoal") {
    pict_.goalWidth = Clamp(p, 0, 2 * kMaxTwips);
  } else if (w == "pichgoal") {
    pict_.goalHeight = Clamp(p, 0, 2 * kMaxTwips);
  } else if (w == "picscalex" || w == "picscaley") {
    (w.back() == 'x' ? pict_.scaleX : pict_.scaleY) = p <= 0 ? 100 : Clamp(p, 1, 1000);
  }
  // Metafiles, device-independent bitmaps and the like are not kept: without \pngblip or
  // \jpegblip the picture is dropped when its group ends.
}

void Reader::pictureByte(uint8_t b) {
  if (pictTooLarge_) return;
  if (pict_.bytes.size() >= kMaxRtfPictureBytes || pictureBytes_ >= kMaxRtfPictureBytesTotal) {
    pictTooLarge_ = true;  // too much to keep: the picture stays, without its data
    pictureBytes_ -= pict_.bytes.size();
    std::string().swap(pict_.bytes);
    return;
  }
  pict_.bytes += char(b);
  ++pictureBytes_;
}

void Reader::pictureHex(char16_t c) {
  int v = c < 0x80 ? RtfHexValue(char(c)) : -1;
  if (v < 0) return;  // spaces and anything else between the digits
  if (pictNibble_ < 0) {
    pictNibble_ = v;
    return;
  }
  pictureByte(uint8_t(pictNibble_ << 4 | v));
  pictNibble_ = -1;
}

void Reader::finishPicture(const GroupState& closing) {
  if (pictKnown_ && st().dest == Dest::Normal) {
    RtfInline item;
    item.kind = RtfInline::Kind::Picture;
    item.props = propsOf(closing);
    item.picture = std::move(pict_);
    cur_.items.push_back(std::move(item));
  } else {
    pictureBytes_ -= pict_.bytes.size();
  }
  pict_ = RtfPicture{};
}

RtfDocument ReadPlainText(std::string_view bytes) {
  RtfDocument doc;
  doc.defaultFont = "Arial";
  RtfParagraph para;
  auto flush = [&] {
    para.markProps.fontName = doc.defaultFont;
    doc.paragraphs.push_back(std::move(para));
    para = RtfParagraph{};
  };
  for (size_t i = 0; i < bytes.size(); ++i) {
    uint8_t b = uint8_t(bytes[i]);
    if (b == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') continue;
    if (b == '\n' || b == '\r') {
      flush();
      continue;
    }
    if (b < 0x20 && b != '\t') continue;
    RtfInline::Kind kind = b == '\t' ? RtfInline::Kind::Tab : RtfInline::Kind::Text;
    if (kind == RtfInline::Kind::Text && !para.items.empty() &&
        para.items.back().kind == RtfInline::Kind::Text) {
      para.items.back().text += base::Cp1252ToUnicode(b);
      continue;
    }
    RtfInline item;
    item.kind = kind;
    item.props.fontName = doc.defaultFont;
    if (kind == RtfInline::Kind::Text) item.text = std::u16string(1, base::Cp1252ToUnicode(b));
    para.items.push_back(std::move(item));
  }
  flush();
  return doc;
}

}  // namespace

RtfDocument ReadRtf(std::string_view bytes) {
  size_t start = 0;
  while (start < bytes.size() && (bytes[start] == ' ' || bytes[start] == '\r' ||
                                  bytes[start] == '\n' || bytes[start] == '\t'))
    ++start;
  if (bytes.substr(start, 5) != "{\\rtf") return ReadPlainText(bytes);
  return Reader(bytes.substr(start)).Run();
}

}  // namespace richtext
