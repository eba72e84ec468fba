// RTF reader: formatting, tables, escapes, destinations, fields and page settings.
#include "richtext/codec/mergefield.h"
#include "testutil.h"

#include <gtest/gtest.h>

namespace richtext::test {
namespace {

const char* kHead =
    "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Arial;}{\\f1\\fmodern Courier New;}}"
    "{\\colortbl;\\red255\\green0\\blue0;\\red0\\green0\\blue255;}";

RtfDocument Body(const std::string& body) { return Read(std::string(kHead) + body + "}"); }

TEST(RtfReader, CharacterAttributesFollowGroupsAndToggles) {
  RtfDocument d = Body("a{\\b b{\\i c}\\ul d\\ul0 e}\\i f\\i0 g\\b h\\plain i");
  EXPECT_EQ(Flat(d), "abcdefghi");
  auto at = [&](const char* t) { return FindRun(d, t)->props; };
  EXPECT_FALSE(at("a").bold);
  EXPECT_TRUE(at("b").bold);
  EXPECT_TRUE(at("c").bold && at("c").italic);
  EXPECT_TRUE(at("d").underline);
  EXPECT_FALSE(at("e").underline);
  EXPECT_TRUE(!at("f").bold && at("f").italic);
  EXPECT_FALSE(at("g").italic);
  EXPECT_TRUE(at("h").bold);
  EXPECT_FALSE(at("i").bold);
  EXPECT_EQ(at("i").halfPoints, 24);  // \plain restores the default size
}

TEST(RtfReader, FontsSizesAndColours) {
  RtfDocument d =
      Body("\\f1\\fs20 mono{\\f0\\fs36\\cf1 red}{\\f7 unknown}\\cf2 blue\\cf0 auto\\uldb x");
  EXPECT_EQ(d.defaultFont, "Arial");
  EXPECT_EQ(FindRun(d, "mono")->props.fontName, "Courier New");
  EXPECT_EQ(FindRun(d, "mono")->props.halfPoints, 20);
  EXPECT_EQ(FindRun(d, "red")->props.fontName, "Arial");
  EXPECT_EQ(FindRun(d, "red")->props.halfPoints, 36);
  EXPECT_EQ(FindRun(d, "red")->props.color, 0xFF0000u);
  EXPECT_EQ(FindRun(d, "unknown")->props.fontName, "Arial");  // missing font: the default
  EXPECT_EQ(FindRun(d, "blue")->props.color, 0x0000FFu);
  EXPECT_FALSE(FindRun(d, "auto")->props.color.has_value());
  EXPECT_TRUE(FindRun(d, "x")->props.underline);
}

TEST(RtfReader, FontTableWithoutGroupsAndDefaultFont) {
  RtfDocument d = Read("{\\rtf1\\deff1{\\fonttbl\\f0\\fswiss Helvetica;\\f1\\froman Times;}x}");
  EXPECT_EQ(d.defaultFont, "Times");
  EXPECT_EQ(FindRun(d, "x")->props.fontName, "Times");
}

TEST(RtfReader, ParagraphProperties) {
  RtfDocument d = Body(
      "\\pard\\qc\\fi-360\\li720\\ri144\\sb240\\sa120\\sl-300 one\\par "
      "two\\par\\pard\\qj\\sl360\\slmult1\\tqr\\tx5000\\tx720 three\\par"
      "\\pard\\qr\\sl200 four");
  ASSERT_EQ(d.paragraphs.size(), 4u);
  const RtfParaFormat& one = d.paragraphs[0].props;
  EXPECT_EQ(one.align, RtfAlign::Center);
  EXPECT_EQ(one.firstIndent, -360);
  EXPECT_EQ(one.leftIndent, 720);
  EXPECT_EQ(one.rightIndent, 144);
  EXPECT_EQ(one.spaceBefore, 240);
  EXPECT_EQ(one.spaceAfter, 120);
  EXPECT_EQ(one.lineSpacing, -300);
  EXPECT_EQ(d.paragraphs[1].props, one);  // properties last until \pard
  const RtfParaFormat& three = d.paragraphs[2].props;
  EXPECT_EQ(three.align, RtfAlign::Justify);
  EXPECT_EQ(three.leftIndent, 0);
  EXPECT_TRUE(three.lineMultiple);
  ASSERT_EQ(three.tabs.size(), 2u);
  EXPECT_EQ(three.tabs[0], (RtfTab{5000, RtfTabKind::Right}));
  EXPECT_EQ(three.tabs[1], (RtfTab{720, RtfTabKind::Left}));
  EXPECT_EQ(d.paragraphs[3].props.align, RtfAlign::Right);
  EXPECT_FALSE(d.paragraphs[3].props.lineMultiple);
}

TEST(RtfReader, BreaksTabsAndPages) {
  RtfDocument d = Body("a\\tab b\\line c\\par\\page\\pard d\\page e\\par\\pard\\pagebb f\\par");
  EXPECT_EQ(Flat(d), "a\tb|c\nd\ne\nf");
  ASSERT_EQ(d.paragraphs.size(), 4u);
  EXPECT_FALSE(d.paragraphs[0].props.pageBreakBefore);
  EXPECT_TRUE(d.paragraphs[1].props.pageBreakBefore);  // \page survives the \pard after it
  EXPECT_TRUE(d.paragraphs[2].props.pageBreakBefore);  // \page inside a paragraph splits it
  EXPECT_TRUE(d.paragraphs[3].props.pageBreakBefore);
}

TEST(RtfReader, TrailingParagraphMarkAddsNoEmptyParagraph) {
  EXPECT_EQ(Body("one\\par").paragraphs.size(), 1u);
  EXPECT_EQ(Body("one\\par\\par").paragraphs.size(), 2u);
  EXPECT_EQ(Body("").paragraphs.size(), 1u);
  EXPECT_EQ(Body("one\\par\\sect").paragraphs.size(), 1u);
}

TEST(RtfReader, CodePageAndUnicodeEscapes) {
  EXPECT_EQ(Flat(Body("caf\\'e9 \\'80 \\'93q\\'94")), QString::fromUtf8("café € “q”"));
  EXPECT_EQ(Flat(Body("\\u1046?\\u-3913?x")), QString::fromUtf8("Ж") + QChar(0xF0B7) + "x");
  EXPECT_EQ(Flat(Body("\\uc2\\u1046\\'3f\\'3fy")), QString::fromUtf8("Жy"));  // two fallbacks
  EXPECT_EQ(Flat(Body("\\uc0\\u945\\u946 z")), QString::fromUtf8("αβz"));
  EXPECT_EQ(Flat(Body("{\\u1046??}?")), QString::fromUtf8("Ж??"));       // a group ends the skip
  EXPECT_EQ(Flat(Body("\\u-10179?\\u-8694?")), QString::fromUtf8("😊"));  // surrogate pair
  EXPECT_EQ(Flat(Body("\\{\\}\\\\\\~\\emdash\\lquote\\bullet")),
            QString::fromUtf8("{}\\\u00a0—‘•"));
}

TEST(RtfReader, DestinationsWeDoNotShowAreSkipped) {
  RtfDocument d = Body(
      "{\\stylesheet{\\s1 Heading;}}{\\info{\\title T}}{\\header head\\par}"
      "{\\*\\unknown junk{nested junk}}{\\*\\panose 0203}{\\pict 89504e47}"
      "{\\footnote note}{\\pntext\\'b7\\tab}kept");
  EXPECT_EQ(Flat(d), QString::fromUtf8("·\tkept"));
}

TEST(RtfReader, MergeFieldsAndOtherFields) {
  RtfDocument d = Body(
      "To {\\field{\\*\\fldinst MERGEFIELD \"[RECIPIENT]\"}{\\*\\bdlmergeid1}"
      "{\\fldrslt {\\b John Smith}}} at "
      "{\\field{\\*\\fldinst { MERGEFIELD [FAX#] \\\\* MERGEFORMAT }}{\\fldrslt 555}} "
      "{\\field{\\*\\fldinst MERGEFIELD \"[DATE]\"}} and "
      "{\\field{\\*\\fldinst HYPERLINK \"http://x.invalid/\"}{\\fldrslt link}}");
  EXPECT_EQ(Flat(d), "To <John Smith> at <555> <[DATE]> and link");
  std::vector<const RtfInline*> fields;
  for (const RtfInline& item : d.paragraphs[0].items)
    if (item.kind == RtfInline::Kind::Field) fields.push_back(&item);
  ASSERT_EQ(fields.size(), 3u);
  EXPECT_EQ(fields[0]->fieldId, kFieldRecipient);
  EXPECT_EQ(fields[0]->fieldName, u"[RECIPIENT]");
  EXPECT_TRUE(fields[0]->props.bold);              // the result's own attributes
  EXPECT_EQ(fields[1]->fieldId, kFieldFaxNumber);  // known by its name without our id
  EXPECT_EQ(fields[2]->fieldId, kFieldDate);
}

TEST(RtfReader, PageLayout) {
  RtfDocument d = Body("\\paperw11906\\paperh16838\\margl1134\\margr567\\margt100\\margb99999 x");
  ASSERT_TRUE(d.page.has_value());
  EXPECT_EQ(*d.page, (RtfPageLayout{11906, 16838, 1134, 100, 567, 31680}));
  EXPECT_FALSE(Body("x").page.has_value());
}

TEST(RtfReader, TextThatIsNotRtfLoadsAsPlainLines) {
  RtfDocument d = Read("first\r\nsecond\ttab\ncaf\xe9");
  EXPECT_EQ(Flat(d), QString::fromUtf8("first\nsecond\ttab\ncafé"));
}

TEST(MergeFieldNames, IdsAndNames) {
  EXPECT_EQ(MergeFieldDisplayName(kFieldRecipient), "[RECIPIENT]");
  EXPECT_EQ(MergeFieldDisplayName(kFieldTime), "[TIME]");
  EXPECT_EQ(MergeFieldDisplayName(0), "");
  EXPECT_EQ(MergeFieldDisplayName(6), "");
  EXPECT_EQ(MergeFieldIdFromName("[fax#]"), kFieldFaxNumber);
  EXPECT_EQ(MergeFieldIdFromName("subject"), kFieldSubject);
  EXPECT_EQ(MergeFieldIdFromName("FirstName"), kFieldNone);
}

}  // namespace
}  // namespace richtext::test
