// Opening main dictionaries and checking words against them.
#include "spell/engine.h"

#include <gtest/gtest.h>

#include <random>

#include "dictbuilder.h"
#include "spelltest.h"

using spell::Engine;
using spelltest::ScratchDir;

namespace {

struct Checked : ::testing::Test {
  Checked() {
    spelltest::WriteMainDictionary(dict, {"cat", "dog", "the", "Paris", "caf\xE9", "o'clock"});
    EXPECT_TRUE(engine.OpenMain(dict));
  }
  ScratchDir dir;
  std::string dict = dir.File("bdl.dct");
  Engine engine;
};

}  // namespace

TEST_F(Checked, WordsAreFoundInAnyCase) {
  for (const char* w : {"cat", "CAT", "Cat", "paris", "CAF\xC9", "Caf\xE9", "O'Clock"})
    EXPECT_TRUE(engine.CheckWord(w)) << w;
  for (const char* w : {"ca", "cats", "dogg", "cafe", "oclock"})
    EXPECT_FALSE(engine.CheckWord(w)) << w;
}

TEST_F(Checked, ShortWordsAndPossessives) {
  EXPECT_TRUE(engine.CheckWord("q"));
  EXPECT_TRUE(engine.CheckWord(""));
  EXPECT_TRUE(engine.CheckWord("CAT'S"));
  EXPECT_TRUE(engine.CheckWord("dog's"));
  EXPECT_FALSE(engine.CheckWord("cow's"));
  EXPECT_FALSE(engine.CheckWord("'S"));
}

TEST_F(Checked, WordsOutsideTheAlphabetAreNotJudged) {
  // Such characters must not stand for "A": R2D2 would be checked as RADA.
  spelltest::WriteMainDictionary(dict, {"rada"});
  Engine other;
  ASSERT_TRUE(other.OpenMain(dict));
  EXPECT_TRUE(other.CheckWord("R2D2"));
  EXPECT_TRUE(other.Suggest("R2D2", 10).empty());
  EXPECT_FALSE(other.CheckWord("RADAR"));
}

TEST_F(Checked, OpeningFailsWhenOpenMissingOrAUserDictionary) {
  EXPECT_FALSE(engine.OpenMain(dict));  // one main dictionary at a time
  Engine other;
  EXPECT_FALSE(other.OpenMain(dir.File("missing.dct")));
  ASSERT_GE(other.CreateUser(dir.File("user.dct"), {}), 0);
  EXPECT_FALSE(other.OpenMain(dir.File("user.dct")));
  EXPECT_FALSE(other.MainOpen());
  engine.Close();
  EXPECT_FALSE(engine.CheckWord("cat"));
  EXPECT_TRUE(engine.OpenMain(dict));
  EXPECT_TRUE(engine.CheckWord("cat"));
}

TEST(Sections, ALargeListIsSplitAndEverySectionIsSearched) {
  std::mt19937 random(7);
  std::vector<std::string> words;
  for (int i = 0; i < 30000; ++i) {
    std::string w;
    for (int k = 0; k < 8; ++k) w += char('a' + random() % 26);
    words.push_back(w);
  }
  const auto built = dictbuild::BuildMainDictionary(words);
  ASSERT_GE(built.sections, 3u);
  ScratchDir dir;
  spelltest::WriteBytes(dir.File("big.dct"), built.bytes);
  Engine engine;
  ASSERT_TRUE(engine.OpenMain(dir.File("big.dct")));
  for (const auto& w : words) ASSERT_TRUE(engine.CheckWord(w)) << w;
  EXPECT_FALSE(engine.CheckWord("zzzzzzzzz"));
}
