// Posting and sending callables through queued Qt events, and letting them run.
#include "windows/qteventbridge.h"

#include <QCoreApplication>
#include <QThread>
#include <QTimer>

#include <condition_variable>
#include <exception>
#include <memory>
#include <mutex>

namespace windows {

namespace {

// A sent callable: the sender may withdraw it while it waits, but not once it has started.
struct SentCall {
  enum class State { waiting, running, done, dropped };
  std::mutex mutex;
  std::condition_variable changed;
  State state = State::waiting;
  std::exception_ptr error;  // what the callable threw, for the sender

  // A call still waiting is dropped; true when it was waiting.
  bool drop() {
    if (state != State::waiting) return false;
    state = State::dropped;
    changed.notify_all();
    return true;
  }
};

// How often a waiting sender looks whether the program is quitting.
constexpr std::chrono::milliseconds kQuitCheck{50};

}  // namespace

QtEventBridge::QtEventBridge(QObject* parent) : QObject(parent) {
  if (auto* app = QCoreApplication::instance())
    connect(app, &QCoreApplication::aboutToQuit, this, [quit = quit_] { *quit = true; });
}

QtEventBridge::~QtEventBridge() = default;

void QtEventBridge::post(Callable fn) {
  QMetaObject::invokeMethod(this, std::move(fn), Qt::QueuedConnection);
}

bool QtEventBridge::send(Callable fn) {
  if (isOwnerThread()) {
    fn();
    return true;
  }
  // Only what outlives the bridge is touched while waiting.
  const std::shared_ptr<std::atomic<bool>> quit = quit_;
  auto call = std::make_shared<SentCall>();
  // Travels with the queued event: an event deleted unrun (the bridge went away with its
  // queue) releases the sender.
  std::shared_ptr<void> ticket(nullptr, [call](void*) {
    std::lock_guard lock(call->mutex);
    call->drop();
  });
  post([call, ticket = std::move(ticket), fn = std::move(fn)] {
    {
      std::lock_guard lock(call->mutex);
      if (call->state == SentCall::State::dropped) return;
      call->state = SentCall::State::running;
    }
    std::exception_ptr error;
    try {
      fn();
    } catch (...) {
      error = std::current_exception();  // the call ends all the same; the sender gets it
    }
    std::lock_guard lock(call->mutex);
    call->error = error;
    call->state = SentCall::State::done;
    call->changed.notify_all();
  });
  std::unique_lock lock(call->mutex);
  while (call->state != SentCall::State::done) {
    if (call->state == SentCall::State::dropped) return false;
    if ((*quit || QCoreApplication::closingDown()) && call->drop()) return false;
    call->changed.wait_for(lock, kQuitCheck);
  }
  if (call->error) std::rethrow_exception(call->error);
  return true;
}

bool QtEventBridge::isOwnerThread() const { return QThread::currentThread() == thread(); }

bool QtEventBridge::processPending(std::chrono::milliseconds maxWait) {
  QCoreApplication::processEvents(QEventLoop::AllEvents);
  if (maxWait.count() > 0 && !quitting()) {
    // Sleeps until the next event arrives, or the timer's own event ends the wait.
    QTimer wake;
    wake.setSingleShot(true);
    wake.start(maxWait);
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
  }
  return !quitting();
}

bool QtEventBridge::quitting() const { return *quit_ || QCoreApplication::closingDown(); }

QtEventBridge& UiEventBridge() {
  static QtEventBridge* bridge = new QtEventBridge(QCoreApplication::instance());
  return *bridge;
}

}  // namespace windows
