// Damaged and hostile dictionary files: every call returns, nothing reads outside the file.
#include <gtest/gtest.h>

#include <random>

#include "dictbuilder.h"
#include "spell/dictformat.h"
#include "spell/engine.h"
#include "spelltest.h"

using spell::Engine;
using spelltest::ScratchDir;

namespace {

const std::vector<std::string> kWords = {"cat", "catalog", "dog", "dot", "the", "then", "zebra"};

// Goes through every reading path of an opened engine.
void UseEverything(Engine& engine, int handle = -1) {
  for (const char* w : {"cat", "catalogue", "thw", "zebras", "aeiouaeiouaeiouaeiouaeiouaeiou"}) {
    engine.CheckWord(w);
    engine.Suggest(w, 220);
  }
  if (handle >= 0) engine.AddWord("brindle", handle);
}

// A main dictionary of the given nodes, one section.
std::vector<std::uint8_t> MainWithNodes(const std::vector<spell::Node>& nodes) {
  std::vector<std::uint8_t> bytes = {0x1A};
  bytes.resize(1 + spell::kHeaderSize + nodes.size() * spell::kNodeSize);
  const auto count = std::uint32_t(nodes.size());
  spell::EncodeHeader({count, count, 1, 1, 0}, &bytes[1]);
  for (std::size_t i = 0; i < nodes.size(); ++i)
    spell::EncodeNode(nodes[i], &bytes[1 + spell::kHeaderSize + i * spell::kNodeSize]);
  return bytes;
}

}  // namespace

TEST(Damaged, TruncatedMainDictionaryIsRefused) {
  ScratchDir dir;
  const auto bytes = dictbuild::BuildMainDictionary(kWords).bytes;
  for (std::size_t cut = 0; cut < bytes.size(); ++cut) {
    spelltest::WriteBytes(dir.File("cut.dct"), {bytes.begin(), bytes.begin() + long(cut)});
    Engine engine;
    EXPECT_FALSE(engine.OpenMain(dir.File("cut.dct"))) << cut;
  }
}

TEST(Damaged, HeadersThatDoNotFitTheFileAreRefused) {
  ScratchDir dir;
  const std::string path = dir.File("bad.dct");
  auto bytes = MainWithNodes({{0, 0xC0 | 2}});
  spell::EncodeHeader({2, 1, 1, 1, 0}, &bytes[1]);  // more used nodes than slots
  spelltest::WriteBytes(path, bytes);
  Engine engine;
  EXPECT_FALSE(engine.OpenMain(path));
  spell::EncodeHeader({1000, 1000, 1, 1, 0}, &bytes[1]);  // nodes beyond the end
  spelltest::WriteBytes(path, bytes);
  EXPECT_FALSE(engine.OpenMain(path));
  bytes[0] = 'x';  // no end of the free text
  spell::EncodeHeader({1, 1, 1, 1, 0}, &bytes[1]);
  spelltest::WriteBytes(path, bytes);
  EXPECT_FALSE(engine.OpenMain(path));
  EXPECT_EQ(engine.OpenUser(path), -1);
}

TEST(Damaged, CyclesAndStrayChildIndexesEndTheSearch) {
  ScratchDir dir;
  const std::string path = dir.File("loop.dct");
  // Five vowels whose children are the run itself, and a node pointing past the end.
  std::vector<spell::Node> nodes;
  for (std::uint8_t code : {0, 4, 8, 14, 20}) nodes.push_back({1, std::uint8_t(code | 0x80)});
  nodes.push_back({60000, 0x40 | 1});
  spelltest::WriteBytes(path, MainWithNodes(nodes));
  Engine engine;
  ASSERT_TRUE(engine.OpenMain(path));
  EXPECT_TRUE(engine.CheckWord("aeiouaeiou"));
  EXPECT_FALSE(engine.CheckWord("bb"));
  UseEverything(engine);  // the suggestion walk would loop for ever without its bounds
}

TEST(Damaged, ChangedBytesNeverHangOrCrash) {
  ScratchDir dir;
  const auto main = dictbuild::BuildMainDictionary(kWords).bytes;
  Engine creator;
  ASSERT_GE(creator.CreateUser(dir.File("user.dct"), kWords), 0);
  const auto user = spelltest::ReadBytes(dir.File("user.dct"));
  std::mt19937 random(3);
  for (int round = 0; round < 100; ++round) {
    for (const auto* original : {&main, &user}) {
      auto bytes = *original;
      for (int k = 1 + int(random() % 4); k > 0; --k)
        bytes[random() % bytes.size()] = std::uint8_t(random());
      const std::string path = dir.File("changed.dct");
      spelltest::WriteBytes(path, bytes);
      Engine engine;
      engine.OpenMain(path);
      UseEverything(engine, engine.OpenUser(path));
    }
  }
}

TEST(Damaged, UserDictionaryDamagedWhileOpenCountsAsEmpty) {
  ScratchDir dir;
  const std::string path = dir.File("bdlu.dct");
  Engine engine;
  const int handle = engine.CreateUser(path, {"zebra"});
  ASSERT_TRUE(engine.CheckWord("zebra"));
  auto bytes = spelltest::ReadBytes(path);
  const std::size_t header =
      std::size_t(std::find(bytes.begin(), bytes.end(), 0x1A) - bytes.begin()) + 1;
  spell::EncodeHeader({60000, 60000, 1, 0, 0}, &bytes[header]);
  spelltest::WriteBytes(path, bytes);  // rewritten in place, as a careless program would
  EXPECT_FALSE(engine.CheckWord("zebra"));
  EXPECT_FALSE(engine.AddWord("brindle", handle));
}

TEST(Damaged, AUserDictionaryClaimingHugeSlotsIsNotBlownUpOnWriting) {
  // Found by fuzzing: 335 million slots claimed, a gigabyte written for one word.
  ScratchDir dir;
  const std::string path = dir.File("bdlu.dct");
  std::vector<std::uint8_t> bytes = {0x1A};
  bytes.resize(1 + spell::kHeaderSize);
  spell::EncodeHeader({0, 0x14000000, 0, 0, 1}, &bytes[1]);
  spelltest::WriteBytes(path, bytes);
  Engine engine;
  const int handle = engine.OpenUser(path);
  ASSERT_GE(handle, 0);
  EXPECT_TRUE(engine.AddWord("zebra", handle));
  EXPECT_TRUE(engine.CheckWord("zebra"));
  EXPECT_LT(spelltest::ReadBytes(path).size(), 65536u * spell::kNodeSize + 100);
}
