// The code page case rules and the spelling alphabet.
#include "spell/letters.h"

#include <gtest/gtest.h>

using namespace spell;

TEST(Letters, CaseFollowsTheCodePageWithItsExceptions) {
  EXPECT_EQ(UpperCase("caf\xE9 \x9A\x9C\xFF"), "CAF\xC9 \x8A\x8C\x9F");
  EXPECT_EQ(LowerCase("CAF\xC9 \x8A\x8C\x9F"), "caf\xE9 \x9A\x9C\xFF");
  // ð and Ð keep their case, ÷ and × are no letters, ß counts as a capital.
  EXPECT_EQ(UpperCase("\xF0\xF7\xDF"), "\xF0\xF7\xDF");
  EXPECT_EQ(LowerCase("\xD0\xD7"), "\xD0\xD7");
}

TEST(Letters, AlphabetHoldsLettersApostropheAndHyphenOnly) {
  EXPECT_TRUE(InAlphabet("o'clock-ish"));
  EXPECT_TRUE(InAlphabet("\xC5ngstr\xF6m`"));
  EXPECT_FALSE(InAlphabet("R2D2"));
  EXPECT_FALSE(InAlphabet("e.g"));
  EXPECT_FALSE(InAlphabet("\xF7"));
  // Small and capital forms share one code; every code decodes to its capital.
  for (int c = 0; c < 256; ++c) {
    const int code = LetterCode(std::uint8_t(c));
    if (code >= 0) {
      EXPECT_EQ(LetterOf(std::uint8_t(code)), UpperChar(std::uint8_t(c))) << c;
    }
  }
}
