// The record of one open port and its three worker threads:
//   line events  - poll()s the device and wake-up eventfds, reads received bytes into the
//                  dispatch ring (while it has room) and announces them to the dispatcher;
//   dispatcher   - runs the data triggers over the new bytes, and on its 50 ms tick the
//                  timers, the modem lines and the output levels;
//                  delivers every trigger to the handlers, newest first;
//   output       - writes the output ring to the device.
// All three share the record under one mutex; handlers are called with it released.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "base/fileowner.h"
#include "faxengine/byte_ring.h"
#include "faxengine/clock.h"
#include "faxengine/event_bridge.h"
#include "faxengine/port_trace.h"
#include "faxengine/serial_device.h"
#include "faxengine/triggers.h"

namespace faxengine {

class PortRecord : public std::enable_shared_from_this<PortRecord> {
 public:
  struct Config {
    std::string path;
    LineSettings line;
    std::size_t outSize = 4096;
    bool dtr = true;
    bool rts = true;
    int bufferFull = 0;
    int bufferResume = 0;
    int triggerLength = 1;
    const Clock* clock = nullptr;
    std::shared_ptr<PortTrace> trace;
  };

  // Takes a slot among kMaxOpenPorts, opens the device and starts the threads.
  static int open(const Config& config, std::shared_ptr<PortRecord>& out);
  ~PortRecord();

  int handle() const { return slot_; }
  const std::string& path() const { return path_; }

  // Closes the port. Called from inside a delivery of this port, the close is carried out
  // by the dispatcher when the delivery returns and false is returned; otherwise any
  // running delivery is waited for (letting `pump`'s messages run) and true is returned.
  bool close(EventBridge* pump);
  // True once the port is fully closed (also after a deferred close).
  bool closed() const;
  // Waits for a deferred close to finish and ends the dispatcher thread; false when called
  // from inside that delivery, where it cannot wait.
  bool awaitClosed(EventBridge* pump);

  // Output.
  int write(const std::uint8_t* data, std::size_t n);
  int outputCount() const;
  int outputSpace() const;
  void clearOutput();

  // Input (inside a delivery, reads by the handler's thread follow the consumed-bytes rule).
  int readChar();
  int readBlock(std::uint8_t* out, std::size_t n);
  int peek(int n) const;
  int inputCount() const;
  void clearInput();
  // Waits until input is waiting or the time has passed; true when some is waiting.
  bool waitInput(std::chrono::milliseconds wait);

  // Lines and settings.
  bool hasLines() const { return device_.hasLines(); }
  // True once the device has gone (see leDeviceLost); the port stays open until closed.
  bool deviceLost() const;
  std::uint8_t modemStatus() const;
  void setDTR(bool on);
  void setRTS(bool on);
  int applyLine(const LineSettings& line);
  void setFlowLevels(int full, int resume);
  void setTriggerLength(int n);

  // Triggers.
  int newDataTrigger(std::string_view text, bool ignoreCase);
  int newTimerTrigger();
  int newStatusTrigger(int kind);
  int dropTrigger(int handle);
  int armTimerTrigger(int handle, std::int64_t ticks, bool active);
  int armTimerTriggerMs(int handle, std::uint64_t ms);
  int armStatusTrigger(int handle, unsigned value, bool active);

  // Handlers; bridge null = procedure handler.
  int attachHandler(TTriggerHandler fn, EventBridge* bridge);
  int detachHandler(int id);
  void runSerialized(const std::function<void()>& fn, EventBridge* pump);

  PortTrace& trace() { return *trace_; }
  std::uint64_t nowMs() const { return clock_->nowMs(); }

 private:
  struct Handler {
    int id;
    TTriggerHandler fn;
    EventBridge* bridge;
  };
  struct Call {
    std::function<void()> fn;
    bool taken = false;
    bool done = false;
  };
  using Lock = std::unique_lock<std::mutex>;

  PortRecord() = default;
  int start(const Config& config);
  void lineLoop();
  void dispatchLoop();
  void outputLoop();
  void shutdown();
  void stopThread(std::thread& t, bool& ended, const char* which);

  bool hasWork() const;
  std::chrono::steady_clock::time_point wakeTime(
      std::chrono::steady_clock::time_point nextTick) const;
  void runCalls(Lock& lk);
  std::size_t readDevice(Lock& lk);
  void pollLines(Lock& lk);
  void dispatchData(Lock& lk);
  void runTimersAndStatus(Lock& lk);
  std::size_t deliver(Lock& lk, unsigned msg, int handle, unsigned value);
  void callHandler(Lock& lk, const Handler& h, unsigned msg, int handle, std::uint32_t data);
  bool readsThroughCursor() const;
  void consumed(std::size_t n);
  void checkReceiveFlow();
  void markDeviceLost(const char* how);
  void waitWhileDelivering(Lock& lk, EventBridge* pump);
  void wake(int fd);

  // Set once at opening.
  int slot_ = -1;
  std::string path_;
  const Clock* clock_ = nullptr;
  std::shared_ptr<PortTrace> trace_;
  SerialDevice device_;
  base::UniqueFd stopFd_;   // readable once the threads are to stop
  base::UniqueFd spaceFd_;  // readable when the full input ring has room again

  mutable std::mutex mutex_;
  std::condition_variable dispatchCv_;  // wakes the dispatcher
  std::condition_variable outputCv_;    // bytes to send, or stop
  std::condition_variable inputCv_;     // input arrived (AwaitText)
  std::condition_variable stateCv_;     // deliveries ended, calls done, threads ended

  ByteRing in_;
  ByteRing out_;
  std::uint64_t scan_ = 0;  // next input byte the data triggers have not seen
  std::uint64_t outGeneration_ = 0;
  bool rxPending_ = false;  // bytes the dispatcher has not scanned yet
  bool outputEvent_ = false;
  bool timerArmed_ = false;  // a millisecond timer was armed since the dispatcher's last wait
  bool inFull_ = false;
  bool throttled_ = false;
  bool deviceLost_ = false;      // the device hung up or failed: it is not read or written again
  std::uint64_t tracedOut_ = 0;  // output bytes up to this ring position are in the trace
  LineSettings line_;
  bool dtr_ = true, rts_ = true;
  int bufferFull_ = 0, bufferResume_ = 0;
  int triggerLength_ = 1;
  std::uint8_t modemShadow_ = 0;
  unsigned pendingLineErrors_ = 0;
  LineErrorCounts errorCounts_;
  TriggerTable triggers_;
  std::vector<std::shared_ptr<Handler>> handlers_;  // newest first
  int nextHandlerId_ = 1;
  std::vector<std::shared_ptr<Call>> calls_;

  // Delivery state.
  bool delivering_ = false;        // a trigger delivery or serialized call is running
  bool cursorReads_ = false;       // ... and handler reads go through the cursor
  std::thread::id handlerThread_;  // the thread running the current handler
  std::size_t cursor_ = 0;         // bytes the current handler has read

  // Life cycle.
  bool stop_ = false;            // the threads are to end
  bool closeRequested_ = false;  // no new deliveries start
  bool deferredClose_ = false;   // the dispatcher closes when the delivery returns
  bool closed_ = false;
  bool lineEnded_ = false, dispatchEnded_ = false, outputEnded_ = false;
  bool lineReady_ = false, dispatchReady_ = false, outputReady_ = false;
  std::thread lineThread_, dispatchThread_, outputThread_;
  std::shared_ptr<PortRecord> self_;  // keeps the record alive while the dispatcher runs
};

}  // namespace faxengine
