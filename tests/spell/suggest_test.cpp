// Suggestions: the ranked list, the case of the word as typed, split words and limits.
#include "spell/suggest.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "spell/engine.h"
#include "spelltest.h"

using spell::Engine;
using spelltest::ScratchDir;

namespace {

struct Suggesting : ::testing::Test {
  void Open(const std::vector<std::string>& words) {
    spelltest::WriteMainDictionary(dir.File("bdl.dct"), words);
    ASSERT_TRUE(engine.OpenMain(dir.File("bdl.dct")));
  }
  ScratchDir dir;
  Engine engine;
};

bool Has(const std::vector<std::string>& list, const std::string& w) {
  return std::find(list.begin(), list.end(), w) != list.end();
}

}  // namespace

TEST(SuggestionList, BestFirstEarlierOfferWinsTiesFullListDropsTheWorst) {
  spell::SuggestionList list(3);
  list.Offer("B", 50);
  list.Offer("C", 70);
  list.Offer("D", 50);  // after B, its equal
  list.Offer("B", 90);  // already listed
  list.Offer("E", 40);  // no better than a full list
  list.Offer("F", 60);  // pushes D out
  std::vector<std::string> words;
  for (const auto& e : list.entries()) words.push_back(e.first);
  EXPECT_EQ(words, (std::vector<std::string>{"C", "F", "B"}));
}

TEST_F(Suggesting, CaseOfTheTypedWordIsKept) {
  Open({"the", "tea", "ten", "hello"});
  EXPECT_TRUE(Has(engine.Suggest("Teh", 10), "The"));
  EXPECT_TRUE(Has(engine.Suggest("TEH", 10), "THE"));
  EXPECT_TRUE(Has(engine.Suggest("teh", 10), "the"));
  EXPECT_FALSE(Has(engine.Suggest("Teh", 10), "hello"));  // another sound altogether
  // A capital inside the word lands on the letter at the same position.
  EXPECT_TRUE(Has(engine.Suggest("teH", 10), "thE"));
  EXPECT_TRUE(Has(engine.Suggest("tE'h", 10), "tHe"));
}

TEST_F(Suggesting, TwoWordsRunTogetherAreSplit) {
  Open({"a", "lot", "allot", "in", "deed"});
  EXPECT_TRUE(Has(engine.Suggest("ALOT", 10), "A LOT"));
  EXPECT_TRUE(Has(engine.Suggest("indeed", 10), "in deed"));
}

// "tset" is most likely "test" typed with two letters swapped; words that merely look
// alike ("tet" scores higher) come after it, and a split after every whole word.
TEST_F(Suggesting, OneSwapOfNeighbouringLettersComesFirstAndSplitsLast) {
  Open({"test", "tet", "ts", "et"});
  const auto list = engine.Suggest("tset", 10);
  ASSERT_GE(list.size(), 3u);
  EXPECT_EQ(list.front(), "test");
  EXPECT_TRUE(Has(list, "tet"));
  EXPECT_EQ(list.back(), "ts et");
}

TEST_F(Suggesting, LimitsOnCountLengthAndRepeats) {
  // Every B followed by vowels shares one sound key: 750 candidates for one word.
  std::vector<std::string> words;
  const std::string vowels = "aeiou";
  for (char a : vowels)
    for (char b : vowels)
      for (char c : vowels) {
        words.push_back(std::string("b") + a + b + c);
        for (char d : vowels) words.push_back(std::string("b") + a + b + c + d);
      }
  const std::string longWord = "baaaabaaaabaaaabaaaabaaaabaaaaba";  // 32 letters
  words.push_back(longWord);
  words.push_back("a");
  Open(words);
  EXPECT_EQ(engine.Suggest("boooooo", 300).size(), 220u);
  EXPECT_EQ(engine.Suggest("boooooo", 12).size(), 12u);
  EXPECT_TRUE(engine.Suggest("b", 10).empty());
  EXPECT_TRUE(engine.Suggest("boooooo", 0).empty());
  const auto all = engine.Suggest(longWord.substr(0, 25), 220);
  for (const auto& s : all) EXPECT_LE(s.size(), 30u) << s;
  EXPECT_EQ(std::set<std::string>(all.begin(), all.end()).size(), all.size());
}
