// User dictionaries: the file a new one gets, adding words, limits and sharing the file
// with another copy of the program.
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <random>
#include <set>
#include <thread>

#include "base/faultinjection.h"
#include "spell/dictformat.h"
#include "spell/engine.h"
#include "spelltest.h"
#include "support/failat.h"

using spell::Engine;
using spelltest::ScratchDir;

using testutil::FailAt;

namespace {

std::string RandomWord(std::mt19937& random, std::size_t maxLength) {
  std::string w;
  const std::size_t length = 2 + random() % (maxLength - 1);
  for (std::size_t i = 0; i < length; ++i) w += char('a' + random() % 26);
  return w;
}

}  // namespace

TEST(UserDictionary, ANewOneHoldsTheWordAAndFreeSlots) {
  ScratchDir dir;
  Engine engine;
  const std::string path = dir.File("bdlu.dct");
  ASSERT_GE(engine.CreateUser(path, {}), 0);
  const auto bytes = spelltest::ReadBytes(path);
  const std::string text(bytes.begin(), bytes.end());
  ASSERT_EQ(text.rfind("USER DICTIONARY\r\n", 0), 0u);
  const std::size_t end = text.find('\x1A');
  ASSERT_NE(end, std::string::npos);
  EXPECT_EQ(std::count(text.begin(), text.begin() + long(end), '\n'), 2);
  const auto header = spell::DecodeHeader(&bytes[end + 1]);
  EXPECT_EQ(header.used, 1u);
  EXPECT_EQ(header.slotCount, 500u);
  EXPECT_EQ(header.words, 1u);
  EXPECT_EQ(header.kind, 0);
  EXPECT_EQ(header.offset, end + 1);
  ASSERT_EQ(bytes.size(), end + 1 + spell::kHeaderSize + 500 * spell::kNodeSize);
  const std::uint8_t* node = &bytes[end + 1 + spell::kHeaderSize];
  EXPECT_EQ(std::vector<std::uint8_t>(node, node + 6),
            (std::vector<std::uint8_t>{0x00, 0x00, 0xC0, 0xE8, 0xFD, 0xC0}));
}

TEST(UserDictionary, AddedWordsAreFoundAtOnceAndByAnotherCopy) {
  ScratchDir dir;
  const std::string path = dir.File("bdlu.dct");
  Engine first, second;
  const int handle = first.CreateUser(path, {"zebra"});
  ASSERT_GE(handle, 0);
  const int secondHandle = second.OpenUser(path);
  ASSERT_GE(secondHandle, 0);
  EXPECT_TRUE(second.CheckWord("Zebra"));
  EXPECT_FALSE(first.CheckWord("brindle"));
  EXPECT_TRUE(first.AddWord("Brindle", handle));
  EXPECT_TRUE(first.CheckWord("BRINDLE"));
  EXPECT_TRUE(second.CheckWord("brindle"));  // the other copy sees the replaced file
  EXPECT_TRUE(second.AddWord("faxes", secondHandle));
  EXPECT_TRUE(first.CheckWord("faxes"));
  EXPECT_TRUE(first.CheckWord("zebra"));
  // Nothing is left beside the dictionary.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.File("")),
                          std::filesystem::directory_iterator()),
            1);
}

TEST(UserDictionary, WordsItRefuses) {
  ScratchDir dir;
  Engine engine;
  const int handle = engine.CreateUser(dir.File("bdlu.dct"), {});
  const std::string longest(25, 'q');
  EXPECT_FALSE(engine.AddWord(longest + "q", handle));
  EXPECT_FALSE(engine.CheckWord(longest + "q"));
  EXPECT_TRUE(engine.AddWord(longest, handle));
  EXPECT_FALSE(engine.AddWord("R2D2", handle));
  EXPECT_FALSE(engine.AddWord("", handle));
  EXPECT_FALSE(engine.AddWord("word", handle + 1));
  // A main dictionary's sections take no words.
  spelltest::WriteMainDictionary(dir.File("bdl.dct"), {"main"});
  EXPECT_EQ(engine.OpenUser(dir.File("bdl.dct")), -1);
  EXPECT_EQ(engine.OpenUser(dir.File("none.dct")), -1);
}

TEST(UserDictionary, ManyWordsInAnyOrderAreAllFoundAfterReopening) {
  ScratchDir dir;
  const std::string path = dir.File("bdlu.dct");
  std::mt19937 random(11);
  std::set<std::string> added, other;
  while (added.size() < 300) added.insert(RandomWord(random, 9));
  while (other.size() < 300) {
    const std::string w = RandomWord(random, 9);
    if (!added.count(w)) other.insert(w);
  }
  std::vector<std::string> order(added.begin(), added.end());
  std::shuffle(order.begin(), order.end(), random);
  {
    Engine engine;
    const int handle = engine.CreateUser(path, {order.begin(), order.begin() + 100});
    for (auto w = order.begin() + 100; w != order.end(); ++w)
      ASSERT_TRUE(engine.AddWord(*w, handle));
  }
  Engine engine;
  ASSERT_GE(engine.OpenUser(path), 0);
  for (const auto& w : added) EXPECT_TRUE(engine.CheckWord(w)) << w;
  for (const auto& w : other) EXPECT_FALSE(engine.CheckWord(w)) << w;
}

TEST(UserDictionary, FullAt63999Nodes) {
  // A chain "ABBB..." of 63,995 nodes, written as another program would.
  ScratchDir dir;
  const std::string path = dir.File("bdlu.dct");
  std::vector<std::uint8_t> bytes = {'x', 0x1A};
  const std::uint32_t used = 63995;
  bytes.resize(2 + spell::kHeaderSize + used * spell::kNodeSize);
  spell::EncodeHeader({used, used, 1, 0, 2}, &bytes[2]);
  for (std::uint32_t n = 1; n <= used; ++n) {
    const bool last = n == used;
    spell::EncodeNode(
        {std::uint16_t(last ? 0 : n + 1),
         std::uint8_t((n == 1 ? 0 : 1) | spell::kLastSibling | (last ? spell::kWordEnd : 0))},
        &bytes[2 + spell::kHeaderSize + (n - 1) * spell::kNodeSize]);
  }
  spelltest::WriteBytes(path, bytes);
  Engine engine;
  const int handle = engine.OpenUser(path);
  ASSERT_GE(handle, 0);
  EXPECT_FALSE(engine.AddWord("zzzzz", handle));
  EXPECT_TRUE(engine.AddWord("zzzz", handle));
  EXPECT_FALSE(engine.AddWord("yy", handle));
  EXPECT_TRUE(engine.CheckWord("zzzz"));
}

TEST(UserDictionary, AddingWaitsForAnotherWritersLock) {
  ScratchDir dir;
  const std::string path = dir.File("bdlu.dct");
  Engine engine;
  const int handle = engine.CreateUser(path, {});
  const int fd = ::open(path.c_str(), O_RDWR);
  ASSERT_EQ(::flock(fd, LOCK_EX), 0);
  std::thread release([fd] {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    ::flock(fd, LOCK_UN);
  });
  EXPECT_TRUE(engine.AddWord("waited", handle));
  release.join();
  ::close(fd);
  Engine reader;
  ASSERT_GE(reader.OpenUser(path), 0);
  EXPECT_TRUE(reader.CheckWord("waited"));
}

TEST(UserDictionary, ACrashOrFullDiskWhileAddingLeavesTheOldOrTheNewFile) {
  using Action = base::FaultInjector::Action;
  for (Action action : {Action::Crash, Action::ShortWrite, Action::DiskFull, Action::Fail}) {
    for (int step = 1; step <= 3; ++step) {
      ScratchDir dir;
      const std::string path = dir.File("bdlu.dct");
      Engine engine;
      const int handle = engine.CreateUser(path, {"zebra"});
      {
        FailAt fault(step, action);
        try {
          engine.AddWord("brindle", handle);
        } catch (const base::SimulatedCrash&) {
        }
      }
      Engine after;
      ASSERT_GE(after.OpenUser(path), 0) << int(action) << " at " << step;
      EXPECT_TRUE(after.CheckWord("zebra"));
      EXPECT_TRUE(after.AddWord("brindle", 0));  // and it goes on growing
      EXPECT_TRUE(after.CheckWord("brindle"));
    }
  }
}
