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
};

}  // namespace

QtEventBridge::QtEventBridge(QObject* parent) : QObject(parent) {
  if (auto* app = QCoreApplication::instance())
    connect(app, &QCoreApplication::aboutToQuit, this, [this] { quit_ = true; });
}

QtEventBridge::~QtEventBridge() = default;

void QtEventBridge::post(Callable fn) {
  QMetaObject::invokeMethod(this, std::move(fn), Qt::QueuedConnection);
}

bool QtEventBridge::send(Callable fn, std::chrono::milliseconds timeout) {
  if (isOwnerThread()) {
    fn();
    return true;
  }
  auto call = std::make_shared<SentCall>();
  post([call, fn = std::move(fn)] {
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
  call->changed.wait_for(lock, timeout, [&] { return call->state == SentCall::State::done; });
  if (call->state == SentCall::State::waiting) {
    call->state = SentCall::State::dropped;
    return false;
  }
  call->changed.wait(lock, [&] { return call->state == SentCall::State::done; });
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

bool QtEventBridge::quitting() const { return quit_ || QCoreApplication::closingDown(); }

QtEventBridge& UiEventBridge() {
  static QtEventBridge* bridge = new QtEventBridge(QCoreApplication::instance());
  return *bridge;
}

}  // namespace windows
