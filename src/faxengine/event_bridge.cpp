// Waiting a number of ticks while the owner thread's messages run.
#include "faxengine/event_bridge.h"

#include <algorithm>
#include <thread>

namespace faxengine {

bool delayTicks(Ticks ticks, bool yield, EventBridge* bridge, const Clock& clock) {
  const TickTimer timer = startTimer(ticks, clock);
  const bool pump = yield && bridge && bridge->isOwnerThread();
  while (!timerExpired(timer, clock)) {
    if (bridge && bridge->quitting()) return false;
    // Wake at least every 10 ms so a clock that is moved by a test is noticed.
    auto wait = std::chrono::milliseconds(
        std::clamp<std::int64_t>(ticksToMs(remainingTicks(timer, clock)), 1, 10));
    if (pump) {
      if (!bridge->processPending(wait)) return false;
    } else {
      std::this_thread::sleep_for(wait);
    }
  }
  return !(bridge && bridge->quitting());
}

}  // namespace faxengine
