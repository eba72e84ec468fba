// Extensions of file names: only the last path component has one.
#include "base/filenames.h"

#include <gtest/gtest.h>

TEST(FileNames, TheExtensionIsAfterTheLastDotOfTheLastComponent) {
  EXPECT_EQ(base::ExtensionOf("dir.v2/page.brx"), "brx");
  EXPECT_EQ(base::ExtensionOf("dir.v2/page"), "");
  EXPECT_FALSE(base::HasExtension("dir.v2/page"));
  EXPECT_EQ(base::WithExtension("dir.v2/page", "BRX"), "dir.v2/page.BRX");
  EXPECT_EQ(base::WithExtension("a.b.bmp", "BRX"), "a.b.BRX");
  EXPECT_EQ(base::WithoutExtension("fax."), "fax");
}
