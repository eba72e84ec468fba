// The engine's one way to reach the thread that owns the components (the user-interface
// thread): post a callable, or send one and wait for it to run. The UI layer supplies the
// Qt implementation; PlainEventBridge serves tests and tools.
#pragma once

#include <chrono>
#include <functional>

#include "faxengine/clock.h"
#include "faxengine/ticks.h"

namespace faxengine {

class EventBridge {
 public:
  using Callable = std::function<void()>;

  virtual ~EventBridge() = default;

  // Queues fn to run on the owner thread and returns at once.
  virtual void post(Callable fn) = 0;

  // Runs fn on the owner thread and waits for it, however long the owner is busy with
  // other work: a question to the window must not get a wrong answer because the window
  // was printing. Only when the owner can no longer run it (the program is quitting, or
  // the bridge has gone with its queue) is a callable that has not started dropped (never
  // run later) and false returned; one that has started is waited for to the end. On the
  // owner thread itself fn runs at once. An exception fn throws ends the call all the
  // same and is thrown again to the sender. The owner never waits for an engine thread
  // without letting callables run (processPending), so a send cannot deadlock.
  virtual bool send(Callable fn) = 0;

  // True when called on the owner thread.
  virtual bool isOwnerThread() const = 0;

  // Owner thread only: lets pending callables (window messages) run, waiting up to
  // maxWait for one when none is pending. Returns false once the program is quitting.
  virtual bool processPending(std::chrono::milliseconds maxWait = std::chrono::milliseconds(0)) = 0;

  // True once the program has been asked to quit.
  virtual bool quitting() const = 0;
};

// Waits `ticks` of the clock. With a bridge and `yield`, pending messages run meanwhile
// (on the owner thread) and a quit request ends the wait early. Returns false when the
// wait ended early because the program is quitting.
bool delayTicks(Ticks ticks, bool yield, EventBridge* bridge, const Clock& clock = steadyClock());

}  // namespace faxengine
