// The meter's blocks: how many, when the bar overflows, and what reaches the screen.
#include "windows/fxmeter.h"

#include <gtest/gtest.h>
#include <QImage>

namespace {

using windows::ComputeMeterLayout;
using windows::MeterLayout;
using windows::TFxMeter;

TEST(MeterLayout, FullAndEmptyBarAtDefaultSize) {
  EXPECT_EQ(ComputeMeterLayout(150, 0, 100, 100, 8), (MeterLayout{18, true, 2}));
  EXPECT_EQ(ComputeMeterLayout(150, 0, 100, 0, 8), MeterLayout{});
  // Half way: 50 * 18 div 100 + 1 blocks, still inside the frame.
  EXPECT_EQ(ComputeMeterLayout(150, 0, 100, 50, 8), (MeterLayout{10, false, 0}));
  // A position beyond Max is held at the frame, never drawn past it.
  EXPECT_EQ(ComputeMeterLayout(150, 0, 100, 5000, 8), (MeterLayout{18, true, 2}));
}

TEST(MeterLayout, DegenerateSettingsShowNothingOrCountStepAsOne) {
  EXPECT_EQ(ComputeMeterLayout(150, 50, 50, 60, 8), MeterLayout{});
  EXPECT_EQ(ComputeMeterLayout(150, 80, 20, 60, 8), MeterLayout{});
  EXPECT_EQ(ComputeMeterLayout(150, 0, 100, 100, 0), ComputeMeterLayout(150, 0, 100, 100, 1));
  EXPECT_EQ(ComputeMeterLayout(150, 0, 100, 100, -5).blocks, 146);
  EXPECT_EQ(ComputeMeterLayout(2, 0, 100, 100, 8).blocks, 0);
}

TEST(Meter, PaintsBlocksWithGapsAndThePartialBlock) {
  TFxMeter meter;
  ASSERT_EQ(meter.size(), QSize(150, 16));
  meter.BarColor = Qt::red;
  meter.SetPosition(100);
  QImage full = meter.grab().toImage();
  auto bar = [&](int x, int y) { return full.pixelColor(x, y) == QColor(Qt::red); };
  EXPECT_TRUE(bar(2, 8));   // first block
  EXPECT_TRUE(bar(7, 8));   // its last column
  EXPECT_FALSE(bar(8, 8));  // the gap after it
  EXPECT_FALSE(bar(9, 8));
  EXPECT_TRUE(bar(17 * 8 + 2, 8));  // block 18
  EXPECT_TRUE(bar(146, 2));         // the partial block, top row
  EXPECT_TRUE(bar(147, 13));        // and its bottom row
  EXPECT_FALSE(bar(148, 8));
  EXPECT_FALSE(bar(146, 14));  // nothing on the bevel's inner margin

  meter.SetPosition(0);
  QImage empty = meter.grab().toImage();
  for (int x = 0; x < empty.width(); ++x) EXPECT_NE(empty.pixelColor(x, 8), QColor(Qt::red)) << x;
}

TEST(Meter, RaisesPosChangeOnlyWhenTheBlocksChange) {
  TFxMeter meter;
  int changes = 0;
  meter.OnPosChange = [&](TFxMeter&) { ++changes; };
  meter.SetPosition(1);    // 0 -> 1 block
  meter.SetPosition(3);    // still 1 block
  meter.SetPosition(100);  // overflow
  meter.SetPosition(200);  // same overflow
  EXPECT_EQ(changes, 2);
}

}  // namespace
