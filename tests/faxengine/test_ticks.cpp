// Tick timers: the conversions the fax dialogues' time-outs depend on, and timers that
// keep working across the wrap of the 31-bit millisecond count.
#include <gtest/gtest.h>

#include "faxengine/ticks.h"

using namespace faxengine;

TEST(Ticks, SecondsAndTicksConvert) {
  EXPECT_EQ(secondsToTicks(10), 182);
  EXPECT_EQ(secondsToTicks(60), 1092);
  for (int s = 0; s < 5000; ++s) ASSERT_EQ(ticksToSeconds(secondsToTicks(s)), s) << s;
  // A huge setting neither overflows nor exceeds the timer limit; a negative one is 0.
  EXPECT_EQ(secondsToTicks(2'000'000'000LL), kMaxTimerTicks);
  EXPECT_EQ(secondsToTicks(3'000'000), kMaxTimerTicks);
  EXPECT_EQ(secondsToTicks(-5), 0);
}

TEST(Ticks, TickCountWrapsWithTheLow31BitsOfTheClock) {
  EXPECT_EQ(ticksAt(0x7FFFFFFFu), kMaxTimerTicks);
  EXPECT_EQ(ticksAt(0x80000000u), 0);
  EXPECT_EQ(ticksAt(0x80000000u + 110), 2);
  FakeClock clock(55 * 100);
  EXPECT_EQ(tickCount(clock), 100);
}

TEST(Ticks, TimerAcrossTheWrap) {
  const TickTimer t = newTimer(kMaxTimerTicks - 5, 10);
  EXPECT_FALSE(timerExpired(t, kMaxTimerTicks));
  EXPECT_EQ(remainingTicks(t, kMaxTimerTicks), 5);
  EXPECT_EQ(elapsedTicks(t, 0), 6);
  EXPECT_FALSE(timerExpired(t, 3));
  EXPECT_EQ(remainingTicks(t, 3), 1);
  EXPECT_TRUE(timerExpired(t, 4));
  EXPECT_EQ(remainingTicks(t, 4), 0);
}

TEST(Ticks, TimerOnAFakeClock) {
  FakeClock clock(55 * 18000);
  const TickTimer t = startTimer(secondsToTicks(10), clock);
  clock.advance(9'900);
  EXPECT_FALSE(timerExpired(t, clock));
  clock.advance(200);
  EXPECT_TRUE(timerExpired(t, clock));
  EXPECT_EQ(elapsedTicks(t, clock), 183);
  // Zero ticks has expired at once; a request beyond the limit is clamped to it.
  EXPECT_TRUE(timerExpired(startTimer(0, clock), clock));
  EXPECT_EQ(timerLength(newTimer(0, 1LL << 40)), kMaxTimerTicks);
}
