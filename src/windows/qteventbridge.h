// The fax engine's event bridge on the Qt event loop: callables posted by the engine's
// threads run as queued events on the user-interface thread. A sender waits for its
// callable as long as the window is busy; one that has not started when the program
// quits, or that goes with the bridge's queue, is withdrawn and never runs.
#pragma once

#include "faxengine/event_bridge.h"

#include <QObject>

#include <atomic>
#include <memory>

namespace windows {

class QtEventBridge final : public QObject, public faxengine::EventBridge {
  Q_OBJECT
 public:
  // The thread that creates the bridge is its owner thread.
  explicit QtEventBridge(QObject* parent = nullptr);
  ~QtEventBridge() override;

  void post(Callable fn) override;
  bool send(Callable fn) override;
  bool isOwnerThread() const override;
  bool processPending(std::chrono::milliseconds maxWait = std::chrono::milliseconds(0)) override;
  bool quitting() const override;

 private:
  // Shared with waiting senders, which must not touch a bridge that has gone.
  std::shared_ptr<std::atomic<bool>> quit_ = std::make_shared<std::atomic<bool>>(false);
};

// The bridge of the user-interface thread, made on first use (on that thread).
QtEventBridge& UiEventBridge();

}  // namespace windows
