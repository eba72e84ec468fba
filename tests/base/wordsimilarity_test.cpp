// The similarity score of spelling suggestions.
#include "base/wordsimilarity.h"

#include <gtest/gtest.h>

using base::WordSimilarity;

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
