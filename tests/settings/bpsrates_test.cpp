// The transfer-rate list.
#include "settings/bpsrates.h"

#include <gtest/gtest.h>

using namespace settings;

TEST(TransferRates, UnknownIndexesAndRatesFallBackTo9600) {
  const int rates[] = {2400, 4800, 7200, 9600, 12000, 14400};
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(BpsIndexToRate(i), rates[i]);
    EXPECT_EQ(BpsRateToIndex(rates[i]), i);
  }
  EXPECT_EQ(BpsIndexToRate(6), 9600);
  EXPECT_EQ(BpsIndexToRate(-1), 9600);
  EXPECT_EQ(BpsRateToIndex(19200), 3);
  EXPECT_EQ(BpsRateToIndex(0), 3);
}
