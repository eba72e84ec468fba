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
