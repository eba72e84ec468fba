// Malformed RTF: the reader keeps what it can read and never crashes or hangs.
#include "richtext/codec/rtfwriter.h"
#include "testutil.h"

#include <gtest/gtest.h>

namespace richtext::test {
namespace {

struct Case {
  const char* name;
  std::string input;
  const char* expected;  // the flattened text, or null when anything goes
};

std::string Repeat(const std::string& s, size_t n) {
  std::string out;
  out.reserve(s.size() * n);
  for (size_t i = 0; i < n; ++i) out += s;
  return out;
}

TEST(RtfMalformed, LoadsWhatCanBeRead) {
  const Case cases[] = {
      {"empty", "", ""},
      {"open brace only", "{", "{"},
      {"header only", "{\\rtf1", ""},
      {"missing close", "{\\rtf1 abc\\par def", "abc\ndef"},
      {"extra closes", "{\\rtf1 abc}}}} trailing", "abc"},
      {"close before text", "{\\rtf1}abc", ""},
      {"truncated hex", "{\\rtf1 ab\\'4", "ab"},
      {"bad hex", "{\\rtf1 a\\'zzb}", "azzb"},
      {"truncated backslash", "{\\rtf1 ab\\", "ab"},
      {"truncated unicode", "{\\rtf1 ab\\u", "ab"},
      {"huge numbers", "{\\rtf1\\fs99999999999999999999\\li-99999999999999999\\u99999999999 x}",
       nullptr},
      {"huge bin", "{\\rtf1 a\\bin999999999999 bcd}", "a"},
      {"bin in group", "{\\rtf1 a{\\bin3 }}}b}c}", "abc"},
      {"binary bytes", std::string("{\\rtf1 a\0\x01\x02\xff\x1f", 13) + "b}",
       "a\xc3\xbf"
       "b"},
      {"long control word", "{\\rtf1 a\\" + std::string(10000, 'x') + " b}", "ab"},
      {"field without parts", "{\\rtf1 {\\field}x}", "x"},
      {"fldrslt without field", "{\\rtf1 {\\fldrslt y}x}", "yx"},
      {"unclosed field", "{\\rtf1 {\\field{\\*\\fldinst MERGEFIELD A}{\\fldrslt res", "<res>"},
      {"colour index out of range", "{\\rtf1{\\colortbl;}\\cf99 x}", "x"},
      // Found by fuzzing: runs alike only once a missing font falls back to the default.
      {"missing font", "{\\rtf1{\\fonttbl{\\f0 Arial;}}a{\\f1 b}}", "ab"},
      {"empty field result",
       "{\\rtf1 \\i a{\\field{\\*\\fldinst MERGEFIELD A}{\\fldrslt \\plain }}}", "a<>"},
      {"field text outside its result", "{\\rtf1 {\\field{\\*\\fldinst MERGEFIELD A}\\i b}}",
       "b<A>"},
      {"quote in field name", "{\\rtf1{\\field{\\*\\fldinst MERGEFIELD a\"b}{\\fldrslt x}}}",
       "<x>"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RtfDocument d = Read(c.input);
    ASSERT_FALSE(d.paragraphs.empty());
    if (c.expected) {
      EXPECT_EQ(Flat(d), QString::fromUtf8(c.expected));
    }
    EXPECT_EQ(Read(WriteRtf(d)), d);  // whatever was read can be written and read again
  }
}

TEST(RtfMalformed, DeepNestingIsBoundedAndKeepsText) {
  const size_t depth = 200000;
  std::string input = "{\\rtf1 a" + Repeat("{\\b ", depth) + "deep" + Repeat("}", depth) + " z}";
  RtfDocument d = Read(input);
  EXPECT_EQ(Flat(d), "adeep z");
  // Unbalanced the other way: only opening braces.
  RtfDocument open = Read("{\\rtf1 a" + Repeat("{", depth) + "b");
  EXPECT_EQ(Flat(open), "ab");
}

TEST(RtfMalformed, LargeRepetitiveInputStaysLinear) {
  // Many tab stops, fonts and groups: each would make a careless reader quadratic.
  std::string tabs = "{\\rtf1" + Repeat("\\tx100", 100000) + Repeat("{x}", 100000) + "}";
  RtfDocument d = Read(tabs);
  EXPECT_EQ(Flat(d).size(), 100000);
  EXPECT_LE(d.paragraphs[0].props.tabs.size(), 64u);
  std::string fonts =
      "{\\rtf1{\\fonttbl" + Repeat("{\\f1 F;}", 100000) + "}" + Repeat("\\f1 y", 100000) + "}";
  EXPECT_EQ(Flat(Read(fonts)).size(), 100000);
}

}  // namespace
}  // namespace richtext::test
