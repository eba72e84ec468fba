// The engine's source of time. Everything that measures time reads a Clock, so tests can
// run timers and state machines on a FakeClock without sleeping.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <ctime>

namespace faxengine {

class Clock {
 public:
  virtual ~Clock() = default;
  // Milliseconds from an arbitrary start; never goes back.
  virtual std::uint64_t nowMs() const = 0;
  // The date and time of day (for what is printed on a page, such as its header line).
  virtual std::time_t calendarTime() const { return std::time(nullptr); }
};

// The monotonic system clock (std::chrono::steady_clock).
class SteadyClock final : public Clock {
 public:
  std::uint64_t nowMs() const override {
    return std::uint64_t(std::chrono::duration_cast<std::chrono::milliseconds>(
                             std::chrono::steady_clock::now().time_since_epoch())
                             .count());
  }
};

// The clock the engine uses unless it is given another one.
inline const Clock& steadyClock() {
  static const SteadyClock clock;
  return clock;
}

// A clock that moves only when told to; safe to read from other threads.
class FakeClock final : public Clock {
 public:
  explicit FakeClock(std::uint64_t startMs = 0) : ms_(startMs) {}
  std::uint64_t nowMs() const override { return ms_.load(); }
  void advance(std::uint64_t ms) { ms_ += ms; }
  void set(std::uint64_t ms) { ms_ = ms; }
  // The calendar time runs with the clock from the time given.
  void setCalendar(std::time_t at) {
    calendarStart_ = at;
    calendarFromMs_ = ms_.load();
  }
  std::time_t calendarTime() const override {
    return calendarStart_ + std::time_t((ms_.load() - calendarFromMs_) / 1000);
  }

 private:
  std::atomic<std::uint64_t> ms_;
  std::time_t calendarStart_ = 0;  // 1 January 1970 until set
  std::uint64_t calendarFromMs_ = 0;
};

}  // namespace faxengine
