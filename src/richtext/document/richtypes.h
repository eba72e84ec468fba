// The values a rich text is described by, shared by the pane and the window-less
// document: character and paragraph attributes, page layout, merge fields and the
// page-painting option.
#pragma once

#include <QString>

namespace richtext {

// Character attributes of the caret position (what typing will use).
struct CharAttributes {
  QString fontName = QStringLiteral("Arial");
  double pointSize = 10;
  bool bold = false;
  bool italic = false;
  bool underline = false;
  bool operator==(const CharAttributes&) const = default;
};

// Paragraph attributes, all in twips (1/1440 inch). firstIndent is where the first
// line starts, measured from the left margin like leftIndent (not relative to it), so
// a paragraph without a special first line has firstIndent == leftIndent.
// lineHeight: 0 single spacing, > 0 at least that height, < 0 exactly -lineHeight.
struct ParagraphAttributes {
  int firstIndent = 0;
  int leftIndent = 0;
  int rightIndent = 0;
  int spaceBefore = 0;
  int spaceAfter = 0;
  int lineHeight = 0;
  bool operator==(const ParagraphAttributes&) const = default;
};

// Paper size and margins in twips; the default is US Letter with half-inch margins.
struct PageLayout {
  int width = 12240;
  int height = 15840;
  int marginLeft = 720;
  int marginTop = 720;
  int marginRight = 720;
  int marginBottom = 720;
  bool operator==(const PageLayout&) const = default;
};

// One merge field of the text: its id, display name and the text it shows now.
struct MergeFieldInfo {
  int id = 0;
  QString displayName;
  QString text;
  bool operator==(const MergeFieldInfo&) const = default;
};

// The largest indent, spacing or margin a text keeps, in twips (22 inches).
constexpr int kMaxTwips = 31680;

// The layout with paper of 1 to 44 inches a side and margins that leave at least half an
// inch of text.
PageLayout SanitizedLayout(PageLayout layout);

// Page-painting option: a page ends where the pane's own page layout starts a new page
// (its paper height less margins, and every page-break paragraph). Without it a page
// ends where the target rectangle is full (page-break paragraphs still break).
constexpr int kPaintLayoutPages = 32;
// Page-painting option for pages that become 1-bit fax pages: pictures are drawn black and
// white at the device's pixels (photographs dithered, line art sharp).
constexpr int kPaintBlackAndWhite = 64;

}  // namespace richtext
