// The main dictionary built from the system word list: every word is found, made-up
// words are not, and the builder keeps only what the alphabet can spell.
#include <gtest/gtest.h>

#include <random>
#include <unordered_set>

#include "dictbuilder.h"
#include "spell/engine.h"
#include "spell/letters.h"
#include "wordlist.h"

TEST(BuiltDictionary, HoldsEveryWordOfTheListAndNoMadeUpOnes) {
  std::vector<std::string> words;
  std::size_t unconverted = 0;
  ASSERT_TRUE(dictbuild::ReadWordList(BRINDLE_WORD_LIST, words, unconverted));
  ASSERT_GT(words.size(), 50000u);
  spell::Engine engine;
  ASSERT_TRUE(engine.OpenMain(BRINDLE_MAIN_DICTIONARY));
  std::unordered_set<std::string> known;
  for (const auto& w : words) {
    ASSERT_TRUE(engine.CheckWord(w)) << w;
    known.insert(spell::UpperCase(w));
  }
  std::mt19937 random(5);
  for (int made = 0; made < 1000;) {
    std::string w;
    for (std::size_t n = 4 + random() % 6; n > 0; --n) w += char('A' + random() % 26);
    if (known.count(w)) continue;
    EXPECT_FALSE(engine.CheckWord(w)) << w;
    ++made;
  }
}

TEST(Builder, DropsWhatTheAlphabetCannotSpellAndMergesCase) {
  const auto built = dictbuild::BuildMainDictionary({"R2D2", "e.g.", "Nice", "nice", "x-ray", ""});
  EXPECT_EQ(built.words, 2u);
  EXPECT_EQ(built.dropped, 2u);
  EXPECT_EQ(dictbuild::Utf8ToCp1252("caf\xC3\xA9 \xC5\x93"), "caf\xE9 \x9C");
  EXPECT_EQ(dictbuild::Utf8ToCp1252("\xE2\x82\xAC"), "\x80");
  EXPECT_FALSE(dictbuild::Utf8ToCp1252("\xCE\xB1"));  // Greek alpha
  EXPECT_FALSE(dictbuild::Utf8ToCp1252("caf\xC3"));   // cut short
}
