// The trigger slots of one port and the rules by which they fire: data triggers match
// text in the received bytes, timer triggers fire once when their time has passed, and
// status triggers watch modem lines, line errors and the output levels. Each timer and
// status trigger fires once per arming. Pure logic; the dispatcher supplies the inputs.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "faxengine/text_matcher.h"
#include "faxengine/ticks.h"

namespace faxengine {

// What the status triggers look at, taken by the dispatcher under the port's lock.
struct StatusSnapshot {
  std::uint8_t modem = 0;      // modem-status line bits
  unsigned newLineErrors = 0;  // line-error bits that occurred since the last look
  std::size_t outUsed = 0;     // bytes in the output ring
  std::size_t outSpace = 0;    // free bytes in the output ring
  bool deviceDrained = false;  // the driver holds nothing more to send
};

struct FiredTrigger {
  unsigned msg;
  int handle;
  unsigned value;
  int length;  // data triggers: length of the match
};

class TriggerTable {
 public:
  static constexpr int kDataBase = 0x100;
  static constexpr int kTimerBase = 0x200;
  static constexpr int kStatusBase = 0x300;

  int newData(std::string_view text, bool ignoreCase);
  int newTimer();
  int newStatus(int kind);
  int drop(int handle);
  int armTimer(int handle, Ticks now, std::int64_t ticks, bool active);
  // Arms a timer to the millisecond (the short pauses of a fax dialogue): it fires once
  // the clock reads `nowMs + ms`.
  int armTimerMs(int handle, std::uint64_t nowMs, std::uint64_t ms);
  int armStatus(int handle, unsigned value, bool active, std::uint8_t modemNow);
  void clear();

  // Feeds one received byte to every data trigger; completed ones are appended to out.
  void feed(std::uint8_t c, std::vector<FiredTrigger>& out);
  void resetMatchers();
  // Appends and disarms every timer that has expired at `now`.
  void dueTimers(std::uint64_t nowMs, std::vector<FiredTrigger>& out);
  // The earliest clock reading at which a millisecond timer fires; 0 when none is armed.
  std::uint64_t nextDueMs() const;
  // Appends and disarms every status trigger whose condition holds.
  void dueStatus(const StatusSnapshot& s, std::vector<FiredTrigger>& out);
  // True while an output-level trigger is armed (the output thread then wakes the
  // dispatcher after each write instead of leaving it to the next tick).
  bool watchesOutput() const;
  // True while an output-sent trigger is armed (only then is the driver asked).
  bool watchesOutSent() const;
  bool hasDataTriggers() const;

 private:
  struct Data {
    TextMatcher matcher;
  };
  struct Timer {
    TickTimer timer;
    std::uint64_t dueMs = 0;  // a millisecond timer's expiry; 0 for a tick timer
    bool active = false;
  };
  struct Status {
    int kind = 0;
    unsigned value = 0;
    std::uint8_t modemAtArm = 0;
    bool active = false;
  };
  template <class Slot, std::size_t N>
  static int take(std::array<std::optional<Slot>, N>& slots, int base, Slot s);
  template <class Slot, std::size_t N>
  static std::optional<Slot>* find(std::array<std::optional<Slot>, N>& slots, int base, int handle);

  std::array<std::optional<Data>, 20> data_;
  std::vector<std::size_t> dataInUse_;  // indexes of data_ in use, so a byte visits only them
  std::array<std::optional<Timer>, 10> timers_;
  std::array<std::optional<Status>, 10> status_;
};

}  // namespace faxengine
