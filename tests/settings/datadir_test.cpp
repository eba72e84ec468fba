// Where the program keeps its files when no --data-dir is given: beside a build-tree
// executable, in the user's data folder for an installed one or one whose folder may not
// be written.
#include "settings/appsettings.h"
#include "support/programdir.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace fs = std::filesystem;

namespace {

struct DataDirCase {
  const char* what;
  bool exeDirWritable;
  bool installedLayout;  // share/brindle beside the bin folder
  const char* xdgDataHome;  // relative to the temporary root; "" unset, "rel" a relative value
  const char* expected;     // relative to the temporary root, "EXE" for the executable's folder
};

const DataDirCase kCases[] = {
    {"a build tree keeps its folder", true, false, "", "EXE"},
    {"a folder that may not be written", false, false, "", "home/.local/share/brindle/"},
    {"XDG_DATA_HOME is honoured", false, false, "xdg", "xdg/brindle/"},
    {"a relative XDG_DATA_HOME is ignored", false, false, "rel", "home/.local/share/brindle/"},
    {"an installed copy never writes beside itself", true, true, "xdg", "xdg/brindle/"},
};

}  // namespace

TEST(DataDir, ChosenForTheExecutablesFolder) {
  for (const DataDirCase& c : kCases) {
    testutil::TempDir root;
    const std::string exeDir = root.path() + "/usr/bin/";
    fs::create_directories(exeDir);
    if (c.installedLayout) fs::create_directories(root.path() + "/usr/share/brindle");
    fs::create_directories(root.path() + "/home");
    settings::DataDirRoots roots;
    roots.home = root.path() + "/home";
    const std::string xdg = c.xdgDataHome;
    roots.xdgDataHome = xdg.empty() ? "" : xdg == "rel" ? "relative/data" : root.path() + "/" + xdg;
    roots.writable = [&](const std::string&) { return c.exeDirWritable; };

    const std::string expected =
        std::string(c.expected) == "EXE" ? exeDir : root.path() + "/" + c.expected;
    EXPECT_EQ(settings::DataDirFor(exeDir, roots), expected) << c.what;
    EXPECT_TRUE(fs::is_directory(expected)) << c.what << ": made on first start";
  }
}

TEST(DataDir, NoUsableHomeGivesNoFolder) {
  testutil::TempDir root;
  settings::DataDirRoots roots;
  roots.writable = [](const std::string&) { return false; };
  EXPECT_EQ(settings::DataDirFor(root.path(), roots), "");
}
