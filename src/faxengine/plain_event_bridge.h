// An event bridge without a GUI: callables queue up until the owner thread lets them run,
// either in run() (a tool's main loop) or while it waits in processPending(). Sent
// callables still waiting when the program quits are dropped.
#pragma once

#include <atomic>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>

#include "faxengine/event_bridge.h"

namespace faxengine {

class PlainEventBridge final : public EventBridge {
 public:
  // The constructing thread becomes the owner thread.
  PlainEventBridge();
  ~PlainEventBridge() override;

  void post(Callable fn) override;
  bool send(Callable fn) override;
  bool isOwnerThread() const override;
  bool processPending(std::chrono::milliseconds maxWait = std::chrono::milliseconds(0)) override;
  bool quitting() const override { return quit_; }

  // Runs callables until requestQuit(); the owner thread's message loop.
  void run();
  // Any thread: asks the program to quit, wakes the loop and releases the senders.
  void requestQuit();

 private:
  struct Call;
  bool runOne(std::unique_lock<std::mutex>& lock);

  const std::thread::id owner_;
  std::mutex mutex_;
  std::condition_variable queued_;
  std::condition_variable finished_;
  std::deque<std::shared_ptr<Call>> queue_;
  std::atomic<bool> quit_{false};
};

}  // namespace faxengine
