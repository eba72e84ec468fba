// The document model the RTF reader builds and the writer writes: paragraphs of
// inline items with resolved character and paragraph properties (standard library
// only, so the codec is tested and fuzzed without a display).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace richtext {

// Character properties, resolved (font by name, colour as RGB).
struct RtfCharProps {
  std::string fontName;  // UTF-8; empty means the document's default font
  int halfPoints = 24;   // font size in half points
  bool bold = false;
  bool italic = false;
  bool underline = false;
  std::optional<uint32_t> color;  // 0xRRGGBB; none means automatic (black)
  bool operator==(const RtfCharProps&) const = default;
};

enum class RtfAlign { Left, Right, Center, Justify };
enum class RtfTabKind { Left, Right, Center, Decimal };

struct RtfTab {
  int position = 0;  // twips from the left margin
  RtfTabKind kind = RtfTabKind::Left;
  bool operator==(const RtfTab&) const = default;
};

// Paragraph properties in twips. firstIndent is relative to leftIndent, as in RTF.
// lineSpacing follows RTF's \sl: 0 single, > 0 at least, < 0 exactly; with
// lineMultiple it is a multiple of single spacing in 240ths instead.
struct RtfParaFormat {
  RtfAlign align = RtfAlign::Left;
  int firstIndent = 0;
  int leftIndent = 0;
  int rightIndent = 0;
  int spaceBefore = 0;
  int spaceAfter = 0;
  int lineSpacing = 0;
  bool lineMultiple = false;
  bool pageBreakBefore = false;
  std::vector<RtfTab> tabs;
  bool operator==(const RtfParaFormat&) const = default;
};

// A picture of the text: its bytes as stored (PNG or JPEG; decoding is left to the
// document layer) and its sizes. goal sizes are twips, 0 when the file gave none; the
// shown size is the goal size times scale / 100. Bytes are empty when the file's data was
// larger than the reader keeps.
struct RtfPicture {
  enum class Format { Png, Jpeg };
  Format format = Format::Png;
  std::string bytes;
  int pixelWidth = 0;  // \picw, \pich: the picture's own size in pixels, 0 unknown
  int pixelHeight = 0;
  int goalWidth = 0;
  int goalHeight = 0;
  int scaleX = 100;  // percent
  int scaleY = 100;
  bool operator==(const RtfPicture&) const = default;
};

// The most bytes one picture keeps, and all pictures of a text together.
constexpr size_t kMaxRtfPictureBytes = size_t(16) << 20;
constexpr size_t kMaxRtfPictureBytesTotal = size_t(64) << 20;

// One item of a paragraph: a run of text, a tab, a line break, a merge field or a picture.
struct RtfInline {
  enum class Kind { Text, Tab, LineBreak, Field, Picture };
  Kind kind = Kind::Text;
  std::u16string text;  // Text: the run; Field: the text the field shows now
  RtfCharProps props;
  int fieldId = 0;           // Field: merge-field id (0 for a named field we do not know)
  std::u16string fieldName;  // Field: the display name, e.g. "[RECIPIENT]"
  RtfPicture picture;        // Picture
  bool operator==(const RtfInline&) const = default;
};

struct RtfParagraph {
  RtfParaFormat props;
  std::vector<RtfInline> items;
  RtfCharProps markProps;  // attributes of the paragraph mark (an empty line's height)
  bool operator==(const RtfParagraph&) const = default;
};

struct RtfPageLayout {
  int width = 12240;
  int height = 15840;
  int marginLeft = 1800;
  int marginTop = 1440;
  int marginRight = 1800;
  int marginBottom = 1440;
  bool operator==(const RtfPageLayout&) const = default;
};

struct RtfDocument {
  std::string defaultFont = "Times New Roman";  // UTF-8
  std::vector<RtfParagraph> paragraphs;         // never empty after reading
  std::optional<RtfPageLayout> page;            // present when the file gave one
  bool operator==(const RtfDocument&) const = default;
};

}  // namespace richtext
