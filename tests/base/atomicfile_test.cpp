// Replacing a file: the old content stays until the new one is complete on the disk.
#include "base/atomicfile.h"
#include "base/faultinjection.h"
#include "support/failat.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

using testutil::FailAt;

namespace {

namespace fs = std::filesystem;
using Action = base::FaultInjector::Action;

class AtomicFileTest : public ::testing::Test {
 protected:
  AtomicFileTest() : dir_(fs::temp_directory_path() / ("atomic-" + std::to_string(::getpid()))) {
    fs::create_directories(dir_);
    target_ = (dir_ / "data.bin").string();
    std::ofstream(target_) << "old";
  }
  ~AtomicFileTest() override { fs::remove_all(dir_); }
  std::string content() const {
    std::ifstream in(target_);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
  }
  int replace(const std::string& text) {
    return base::ReplaceFile(target_,
                             {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()});
  }
  bool temporaryLeft() const {
    for (const auto& entry : fs::directory_iterator(dir_))
      if (entry.path() != target_) return true;
    return false;
  }

  fs::path dir_;
  std::string target_;
};

}  // namespace

TEST_F(AtomicFileTest, ANewContentReplacesTheOldWithoutLeavingATemporaryFile) {
  EXPECT_EQ(replace("new content"), 0);
  EXPECT_EQ(content(), "new content");
  EXPECT_FALSE(temporaryLeft());
}

// Two writers of one file at once (two windows saving the settings, two test programs in
// one folder) each write their own temporary file; the last to finish wins whole.
TEST_F(AtomicFileTest, TwoWritersAtOnceNeverShareATemporaryFile) {
  base::AtomicFile first, second;
  ASSERT_EQ(first.Open(target_), 0);
  ASSERT_EQ(second.Open(target_), 0);
  ASSERT_EQ(first.Append("first", 5), 0);
  ASSERT_EQ(second.Append("second", 6), 0);
  EXPECT_EQ(first.Commit(), 0);
  EXPECT_EQ(content(), "first");
  EXPECT_EQ(second.Commit(), 0);
  EXPECT_EQ(content(), "second");
  EXPECT_FALSE(temporaryLeft());
}

TEST_F(AtomicFileTest, EveryFailedStepLeavesTheOldFileAndNoTemporaryFile) {
  // Steps: create, write, rename.
  const std::pair<int, Action> faults[] = {
      {1, Action::DiskFull}, {2, Action::ShortWrite}, {2, Action::DiskFull}, {3, Action::Fail}};
  for (const auto& [step, action] : faults) {
    FailAt fault(step, action);
    EXPECT_NE(replace("new content"), 0) << step;
    EXPECT_EQ(content(), "old") << step;
    EXPECT_FALSE(temporaryLeft()) << step;
  }
}

TEST_F(AtomicFileTest, ACrashBeforeTheRenameKeepsTheOldFile) {
  for (int step = 1; step <= 3; ++step) {
    FailAt crash(step, Action::Crash);
    EXPECT_THROW(replace("new content"), base::SimulatedCrash) << step;
    EXPECT_EQ(content(), "old") << step;
  }
}

TEST_F(AtomicFileTest, AMissingFolderIsReportedAsItsErrno) {
  target_ = (dir_ / "no-such-folder" / "x").string();
  EXPECT_EQ(replace("x"), ENOENT);
}

TEST_F(AtomicFileTest, BytesRewrittenInPlaceKeepTheEndWhereItWas) {
  base::AtomicFile file;
  ASSERT_EQ(file.Open(target_), 0);
  ASSERT_EQ(file.Append("header..", 8), 0);
  ASSERT_EQ(file.Append("body", 4), 0);
  ASSERT_EQ(file.WriteAt(0, "HEAD", 4), 0);
  EXPECT_EQ(file.Size(), 12u);
  ASSERT_EQ(file.Commit(), 0);
  EXPECT_EQ(content(), "HEADer..body");
}
