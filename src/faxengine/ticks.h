// Tick timers: engine time counts in ticks of 55 ms taken from the low 31 bits of a
// millisecond clock, so the tick count runs from 0 to 39045157 and then wraps to 0.
// A timer is a start and an expiry tick at most kMaxTimerTicks apart; expiry, elapsed
// and remaining time are computed modulo the wrap, so a timer that spans the wrap works.
#pragma once

#include <algorithm>
#include <cstdint>

#include "faxengine/clock.h"

namespace faxengine {

using Ticks = std::int32_t;

inline constexpr int kMsPerTick = 55;
inline constexpr Ticks kMaxTimerTicks = 39045157;  // 0x7FFFFFFF div 55
inline constexpr std::int64_t kTickWrap = std::int64_t(kMaxTimerTicks) + 1;

// The tick count at a millisecond reading.
constexpr Ticks ticksAt(std::uint64_t ms) { return Ticks((ms & 0x7FFFFFFFu) / kMsPerTick); }
inline Ticks tickCount(const Clock& clock = steadyClock()) { return ticksAt(clock.nowMs()); }

// Seconds to ticks (seconds * 1675 div 92) in 64 bits, clamped to 0..kMaxTimerTicks.
constexpr Ticks secondsToTicks(std::int64_t seconds) {
  if (seconds <= 0) return 0;
  if (seconds > kMaxTimerTicks) return kMaxTimerTicks;  // far beyond the limit already
  return Ticks(std::min<std::int64_t>(seconds * 1675 / 92, kMaxTimerTicks));
}

// Ticks to seconds ((ticks + 9) * 92 div 1675), rounding so a round trip keeps the seconds.
constexpr std::int64_t ticksToSeconds(std::int64_t ticks) { return (ticks + 9) * 92 / 1675; }

// Milliseconds covered by a number of ticks.
constexpr std::int64_t ticksToMs(std::int64_t ticks) { return ticks * kMsPerTick; }

struct TickTimer {
  Ticks startTicks = 0;
  Ticks expireTicks = 0;
};

namespace detail {
constexpr std::int64_t wrapTicks(std::int64_t t) {
  return ((t % kTickWrap) + kTickWrap) % kTickWrap;
}
}  // namespace detail

// A timer running from `now` for `ticks` (clamped to 0..kMaxTimerTicks).
constexpr TickTimer newTimer(Ticks now, std::int64_t ticks) {
  ticks = std::clamp<std::int64_t>(ticks, 0, kMaxTimerTicks);
  return {now, Ticks(detail::wrapTicks(std::int64_t(now) + ticks))};
}

constexpr Ticks timerLength(const TickTimer& t) {
  return Ticks(detail::wrapTicks(std::int64_t(t.expireTicks) - t.startTicks));
}
constexpr Ticks elapsedTicks(const TickTimer& t, Ticks now) {
  return Ticks(detail::wrapTicks(std::int64_t(now) - t.startTicks));
}
constexpr bool timerExpired(const TickTimer& t, Ticks now) {
  return elapsedTicks(t, now) >= timerLength(t);
}
constexpr Ticks remainingTicks(const TickTimer& t, Ticks now) {
  return timerExpired(t, now) ? 0 : timerLength(t) - elapsedTicks(t, now);
}

// The same, reading the tick count from a clock.
inline TickTimer startTimer(std::int64_t ticks, const Clock& clock = steadyClock()) {
  return newTimer(tickCount(clock), ticks);
}
inline bool timerExpired(const TickTimer& t, const Clock& clock) {
  return timerExpired(t, tickCount(clock));
}
inline Ticks elapsedTicks(const TickTimer& t, const Clock& clock) {
  return elapsedTicks(t, tickCount(clock));
}
inline Ticks remainingTicks(const TickTimer& t, const Clock& clock) {
  return remainingTicks(t, tickCount(clock));
}

}  // namespace faxengine
