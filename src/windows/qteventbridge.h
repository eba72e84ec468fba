// The fax engine's event bridge on the Qt event loop: callables posted by the engine's
// threads run as queued events on the user-interface thread; a sent callable that has
// not started within its limit is withdrawn and never runs.
#pragma once

#include "faxengine/event_bridge.h"

#include <QObject>

#include <atomic>

namespace windows {

class QtEventBridge final : public QObject, public faxengine::EventBridge {
  Q_OBJECT
 public:
  // The thread that creates the bridge is its owner thread.
  explicit QtEventBridge(QObject* parent = nullptr);
  ~QtEventBridge() override;

  void post(Callable fn) override;
  bool send(Callable fn, std::chrono::milliseconds timeout = kSendTimeout) override;
  bool isOwnerThread() const override;
  bool processPending(std::chrono::milliseconds maxWait = std::chrono::milliseconds(0)) override;
  bool quitting() const override;

 private:
  std::atomic<bool> quit_{false};
};

// The bridge of the user-interface thread, made on first use (on that thread).
QtEventBridge& UiEventBridge();

}  // namespace windows
