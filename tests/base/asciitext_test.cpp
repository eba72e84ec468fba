// Trimming and case folding.
#include "base/asciitext.h"

#include <gtest/gtest.h>

using namespace base;

TEST(Trim, OnlyBlanksAreRemoved) {
  EXPECT_EQ(TrimSpaces("   "), "");
  EXPECT_EQ(TrimSpaces(""), "");
  EXPECT_EQ(TrimSpaces("\tx "), "\tx");
  EXPECT_EQ(TrimLeftSpaces("  a b  "), "a b  ");
  EXPECT_EQ(TrimRightSpaces("  a b  "), "  a b");
  EXPECT_EQ(TrimSpaces(" a\n"), "a\n");
}

TEST(CaseFolding, OnlyAsciiLettersChange) {
  EXPECT_EQ(UpperAscii("receive \xe9t\xe9"), "RECEIVE \xe9T\xe9");  // code page 1252 stays
  EXPECT_TRUE(EqualsIgnoreCase("Receive", "rECEIVE"));
  EXPECT_FALSE(EqualsIgnoreCase("\xe9", "\xc9"));
  EXPECT_FALSE(EqualsIgnoreCase("ab", "abc"));
}
