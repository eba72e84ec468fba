// Trimming, the transfer-rate list and the similarity score.
#include "app/textutil.h"

#include <gtest/gtest.h>

using namespace app;

TEST(Trim, OnlyBlanksAreRemoved) {
  EXPECT_EQ(TrimSpaces("   "), "");
  EXPECT_EQ(TrimSpaces(""), "");
  EXPECT_EQ(TrimSpaces("\tx "), "\tx");
  EXPECT_EQ(TrimLeftSpaces("  a b  "), "a b  ");
  EXPECT_EQ(TrimRightSpaces("  a b  "), "  a b");
  EXPECT_EQ(TrimSpaces(" a\n"), "a\n");
}

TEST(TransferRates, UnknownIndexesAndRatesFallBackTo9600) {
  const int rates[] = {2400, 4800, 7200, 9600, 12000, 14400};
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(BpsIndexToRate(i), rates[i]);
    EXPECT_EQ(BpsRateToIndex(rates[i]), i);
  }
  EXPECT_EQ(BpsIndexToRate(6), 9600);
  EXPECT_EQ(BpsIndexToRate(-1), 9600);
  EXPECT_EQ(BpsRateToIndex(19200), 3);
  EXPECT_EQ(BpsRateToIndex(0), 3);
}

TEST(WordSimilarity, BoundaryScores) {
  EXPECT_EQ(WordSimilarity("abcd", "abcd"), 100);
  EXPECT_EQ(WordSimilarity("ab", "cd"), 0);
  EXPECT_EQ(WordSimilarity("a", "a"), 0);  // a one-character range is not searched
  EXPECT_EQ(WordSimilarity("", ""), 0);
  EXPECT_EQ(WordSimilarity("", "abc"), 0);
}

TEST(WordSimilarity, RanksCloseSpellingsAboveDistantOnes) {
  // Worked by hand: "rec" (3), then "i" right of it, then "e": 2 * 5 of 14 characters.
  const int close = WordSimilarity("recieve", "receive");
  EXPECT_EQ(close, 71);
  EXPECT_GT(close, WordSimilarity("recieve", "relative"));
  // A common run in the middle counts, with the parts left and right of it.
  EXPECT_EQ(WordSimilarity("xabcy", "zabcw"), 60);
}

TEST(WordSimilarity, LongWordsAreCutAndDoNotOverrun) {
  const std::string a(400, 'q'), b(300, 'q');
  EXPECT_EQ(WordSimilarity(a, b), 100);
}
