// Queue, send with its wait, and the message loop of the plain event bridge.
#include "faxengine/plain_event_bridge.h"

#include <exception>

namespace faxengine {

// A queued callable. A sent one is watched by its sender, who withdraws it (dropped) when
// the program quits while it still waits in the queue, but not once it has started.
struct PlainEventBridge::Call {
  enum class State { waiting, running, done, dropped };
  Callable fn;
  State state = State::waiting;
  bool sent = false;
  std::exception_ptr error;  // what a sent callable threw, for its sender
};

PlainEventBridge::PlainEventBridge() : owner_(std::this_thread::get_id()) {}

PlainEventBridge::~PlainEventBridge() = default;

void PlainEventBridge::post(Callable fn) {
  auto call = std::make_shared<Call>();
  call->fn = std::move(fn);
  {
    std::lock_guard lock(mutex_);
    queue_.push_back(std::move(call));
  }
  queued_.notify_all();
}

bool PlainEventBridge::send(Callable fn) {
  if (isOwnerThread()) {
    fn();
    return true;
  }
  auto call = std::make_shared<Call>();
  call->fn = std::move(fn);
  call->sent = true;
  std::unique_lock lock(mutex_);
  queue_.push_back(call);
  queued_.notify_all();
  finished_.wait(lock, [&] {
    return call->state == Call::State::done || (call->state == Call::State::waiting && quit_);
  });
  if (call->state == Call::State::waiting) {
    call->state = Call::State::dropped;
    return false;
  }
  finished_.wait(lock, [&] { return call->state == Call::State::done; });
  if (call->error) std::rethrow_exception(call->error);
  return true;
}

bool PlainEventBridge::isOwnerThread() const { return std::this_thread::get_id() == owner_; }

// Runs the first queued callable with the lock released; false when the queue was empty.
bool PlainEventBridge::runOne(std::unique_lock<std::mutex>& lock) {
  if (queue_.empty()) return false;
  auto call = std::move(queue_.front());
  queue_.pop_front();
  if (call->state == Call::State::dropped) return true;
  call->state = Call::State::running;
  lock.unlock();
  std::exception_ptr error;
  try {
    call->fn();
  } catch (...) {
    error = std::current_exception();
  }
  lock.lock();
  // A sent call is finished even when it threw: its sender gets the exception. A posted
  // one has nobody waiting, so the exception goes on to the owner as it did.
  call->error = error;
  call->state = Call::State::done;
  finished_.notify_all();
  if (error && !call->sent) {
    lock.unlock();
    std::rethrow_exception(error);
  }
  return true;
}

bool PlainEventBridge::processPending(std::chrono::milliseconds maxWait) {
  std::unique_lock lock(mutex_);
  if (queue_.empty() && maxWait.count() > 0)
    queued_.wait_for(lock, maxWait, [&] { return !queue_.empty() || quit_; });
  // Only what is queued now runs, so a callable that posts again cannot keep us here.
  for (std::size_t n = queue_.size(); n > 0 && runOne(lock); --n) {
  }
  return !quit_;
}

void PlainEventBridge::run() {
  std::unique_lock lock(mutex_);
  while (!quit_) {
    queued_.wait(lock, [&] { return !queue_.empty() || quit_; });
    while (!quit_ && runOne(lock)) {
    }
  }
}

void PlainEventBridge::requestQuit() {
  {
    std::lock_guard lock(mutex_);
    quit_ = true;
  }
  queued_.notify_all();
  finished_.notify_all();
}

}  // namespace faxengine
