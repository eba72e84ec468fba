// RTF writer: what it writes reads back unchanged, and other readers find standard RTF.
#include "richtext/codec/rtfwriter.h"
#include "testutil.h"

#include <gtest/gtest.h>

namespace richtext::test {
namespace {

RtfInline Text(const std::u16string& t, RtfCharProps p) {
  RtfInline item;
  item.text = t;
  item.props = std::move(p);
  return item;
}

RtfInline Item(RtfInline::Kind kind, RtfCharProps p) {
  RtfInline item;
  item.kind = kind;
  item.props = std::move(p);
  return item;
}

RtfInline Field(int id, const std::u16string& name, const std::u16string& text, RtfCharProps p) {
  RtfInline item = Text(text, std::move(p));
  item.kind = RtfInline::Kind::Field;
  item.fieldId = id;
  item.fieldName = name;
  return item;
}

// A document using every property the model has.
RtfDocument Sample() {
  RtfCharProps plain{"Arial", 20, false, false, false, std::nullopt};
  RtfCharProps fancy{"Courier New", 31, true, true, true, 0x336699};
  RtfCharProps other{"Caf\xc3\xa9 Sans", 48, false, true, false, 0x000000};
  RtfDocument d;
  d.defaultFont = "Arial";
  d.page = RtfPageLayout{12240, 15840, 720, 720, 720, 720};
  RtfParagraph p1;
  p1.props = {RtfAlign::Justify,
              -360,
              720,
              144,
              240,
              120,
              -300,
              false,
              false,
              {{720, RtfTabKind::Left},
               {5000, RtfTabKind::Right},
               {6000, RtfTabKind::Center},
               {7000, RtfTabKind::Decimal}}};
  p1.items = {Text(u"Plain {braces} \\ back", plain), Item(RtfInline::Kind::Tab, plain),
              Text(u"caf\u00e9 \u20ac \u0416 \U0001F60A", fancy),
              Item(RtfInline::Kind::LineBreak, fancy), Text(u"other", other)};
  p1.markProps = fancy;
  RtfParagraph p2;
  p2.props.align = RtfAlign::Center;
  p2.props.lineSpacing = 360;
  p2.props.lineMultiple = true;
  p2.items = {Text(u"To ", plain), Field(1, u"[RECIPIENT]", u"John \"JJ\" Smith", fancy),
              Field(2, u"[FAX#]", u"", plain), Field(0, u"Custom", u"[Custom]", plain)};
  p2.markProps = plain;
  RtfParagraph p3;  // an empty paragraph on a page of its own
  p3.props.pageBreakBefore = true;
  p3.markProps = other;
  RtfParagraph p4;
  p4.props.align = RtfAlign::Right;
  p4.items = {Text(u"last", plain)};
  p4.markProps = plain;
  d.paragraphs = {p1, p2, p3, p4};
  return d;
}

TEST(RtfWriter, ReadsBackWhatItWrites) {
  RtfDocument d = Sample();
  std::string rtf = WriteRtf(d);
  EXPECT_EQ(Read(rtf), d);
  EXPECT_EQ(WriteRtf(Read(rtf)), rtf);
}

TEST(RtfWriter, EmptyAndTrailingEmptyParagraphsSurvive) {
  RtfDocument one;
  one.paragraphs.resize(1);
  one.paragraphs[0].markProps.fontName = one.defaultFont;
  EXPECT_EQ(Read(WriteRtf(one)), one);
  RtfDocument two = one;
  two.paragraphs.push_back(one.paragraphs[0]);
  two.paragraphs[0].items.push_back(Text(u"x", two.paragraphs[0].markProps));
  EXPECT_EQ(Read(WriteRtf(two)), two);
}

TEST(RtfWriter, OutputIsSevenBitStandardRtf) {
  std::string rtf = WriteRtf(Sample());
  for (char c : rtf) EXPECT_LT(static_cast<unsigned char>(c), 0x80);
  EXPECT_EQ(rtf.rfind("{\\rtf1\\ansi\\ansicpg1252", 0), 0u);
  EXPECT_NE(rtf.find("caf\\'e9"), std::string::npos);
  EXPECT_NE(rtf.find("\\u1046?"), std::string::npos);
  EXPECT_NE(rtf.find("\\u-10179?\\u-8694?"), std::string::npos);
  // Merge fields are standard fields whose result other readers show.
  EXPECT_NE(rtf.find("{\\field{\\*\\fldinst MERGEFIELD \"[RECIPIENT]\"}"), std::string::npos);
  EXPECT_NE(rtf.find("{\\fldrslt "), std::string::npos);
  EXPECT_NE(rtf.find("\\pagebb"), std::string::npos);
}

}  // namespace
}  // namespace richtext::test
