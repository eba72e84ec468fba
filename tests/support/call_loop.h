// Fax components on serial ports, run by a plain event loop on the test's thread, and what
// a session reported, kept for the checks.
#pragma once

#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <type_traits>
#include <vector>

#include "fax_pages.h"
#include "faxengine/fax_component.h"
#include "faxengine/plain_event_bridge.h"

namespace faxengine::test {

// Components on simulated modems, run by a plain event loop on the test's thread until
// every started session has finished (or the time is up).
class CallLoop {
 public:
  TFxComPort& port(const std::string& device) {
    ports_.push_back(std::make_unique<TFxComPort>());
    TFxComPort& p = *ports_.back();
    p.DevicePath = device;
    p.Bridge = &bridge_;
    p.InSize = p.OutSize = 8192;
    p.SetHWFlowOptions(hwfUseRTS | hwfRequireCTS);
    p.TraceSize = 1000000;
    p.SetTracing(TTraceLogState::tlOn);
    return p;
  }
  void watch(TFxCustomAbstractFax& fax) {
    ++running_;
    auto previous = fax.OnFaxFinish;
    fax.OnFaxFinish = [this, previous](TFxCustomAbstractFax& f, int code) {
      if (previous) previous(f, code);
      if (--running_ == 0) bridge_.requestQuit();
    };
  }
  // Runs the loop; false when the sessions did not finish in time.
  bool run(int seconds) {
    std::mutex m;
    std::condition_variable cv;
    bool done = false, late = false;
    std::thread watchdog([&] {
      std::unique_lock lock(m);
      if (!cv.wait_for(lock, std::chrono::seconds(seconds), [&] { return done; })) {
        late = true;
        bridge_.requestQuit();
      }
    });
    bridge_.run();
    {
      std::lock_guard lock(m);
      done = true;
    }
    cv.notify_all();
    watchdog.join();
    return !late;
  }
  PlainEventBridge& bridge() { return bridge_; }

 private:
  PlainEventBridge bridge_;
  std::vector<std::unique_ptr<TFxComPort>> ports_;
  int running_ = 0;
};

// What a sender reported.
struct SendResult {
  int finish = 1;
  std::vector<int> logs, errors;
  std::string remote;
};

inline void record(TFxCustomAbstractFax& fax, SendResult& r) {
  fax.OnFaxLog = [&r](TFxCustomAbstractFax&, int code) { r.logs.push_back(code); };
  fax.OnFaxError = [&r](TFxCustomAbstractFax&, int code) { r.errors.push_back(code); };
  fax.OnFaxFinish = [&r](TFxCustomAbstractFax& f, int code) {
    r.finish = code;
    r.remote = f.RemoteStationId();
  };
}

// Runs one session of `fax` on the device to its end, with what it reported in r; false
// when it did not end in time.
template <class Fax>
bool runSession(Fax& fax, const std::string& device, SendResult& r, int seconds = 120) {
  CallLoop loop;
  fax.ComPort = &loop.port(device);
  record(fax, r);
  loop.watch(fax);
  if constexpr (std::is_base_of_v<TFxCustomSendFax, Fax>)
    fax.BeginTransmit();
  else
    fax.BeginReceive();
  bool ended = loop.run(seconds);
  fax.ComPort = nullptr;  // the port goes with the loop
  return ended;
}

// A Class 1 sender of the file to 5551234, at no more than bps.
inline void class1Sender(TFxSendFax& fax, const std::string& file, int bps = 14400) {
  fax.FaxClass = TFaxClass::fcClass1;
  fax.DesiredBPS = bps;
  fax.StationID = "Brindle Test";
  fax.PhoneNumber = "5551234";
  fax.SetFaxFile(file);
}

// A Class 1 receiver of one fax into the folder.
inline void class1Receiver(TFxReceiveFax& fax, const std::string& folder) {
  fax.FaxClass = TFaxClass::fcClass1;
  fax.DesiredBPS = 14400;
  fax.StationID = "Brindle RX";
  fax.SetDestinationDir(folder);
  fax.OneFax = true;
}

inline std::vector<TestPage> pages(int n, bool fine, int rows) {
  std::vector<TestPage> out;
  for (int i = 0; i < n; ++i) out.push_back({patternPicture(rows, 10 * i + 1), fine});
  return out;
}

}  // namespace faxengine::test
