// The list of error-code ranges: no number belongs to two modules.
#include "base/errorranges.h"

#include <gtest/gtest.h>

TEST(ErrorRanges, NoTwoRangesShareACode) {
  for (const base::ErrorRange& a : base::kErrorRanges) {
    EXPECT_GE(a.first, a.last);
    for (const base::ErrorRange& b : base::kErrorRanges) {
      if (&a == &b) continue;
      EXPECT_TRUE(a.last > b.first || b.last > a.first) << a.first << " " << b.first;
    }
  }
  EXPECT_EQ(base::ErrorCodeOwner(0), "");
}
