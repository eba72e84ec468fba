// brindlefax send, receive and classes: fax calls through a modem on a serial device,
// with the engine's components driven by a plain event loop on the main thread.
#include <pthread.h>
#include <signal.h>

#include <cctype>
#include <functional>
#include <iostream>
#include <thread>

#include "base/faxnumber.h"
#include "commands.h"
#include "faxengine/errors.h"
#include "faxengine/fax_component.h"
#include "faxengine/plain_event_bridge.h"
#include "faximage/brx_file.h"

namespace brindlefax {

using namespace faxengine;

namespace {

// What send and receive share: the device, the class, the rate and the station.
struct CallOptions {
  std::string device;
  TFaxClass faxClass = TFaxClass::fcDetect;
  int rate = 9600;
  bool ecm = false;
  CodingChoice coding = CodingChoice::Auto;
  std::string stationId;
  std::string history;
  std::string trace;
  std::string init;
};

const std::vector<std::string> kCallValues = {"--device",     "--class",   "--rate",
                                              "--station-id", "--history", "--trace",
                                              "--init",       "--coding"};

// Reads the shared options; an error text when one is wrong.
std::string callOptions(const Parsed& p, CallOptions& o) {
  o.device = p.value("--device").value_or("");
  if (o.device.empty()) return "--device PATH is needed";
  if (auto c = p.value("--class")) {
    if (*c == "1")
      o.faxClass = TFaxClass::fcClass1;
    else if (*c == "2")
      o.faxClass = TFaxClass::fcClass2;
    else if (*c == "2.0")
      o.faxClass = TFaxClass::fcClass2_0;
    else if (*c != "auto")
      return "--class is auto, 1, 2 or 2.0";
  }
  if (auto r = p.value("--rate")) {
    unsigned v = 0;
    if (!toUnsigned(*r, v) ||
        (v != 2400 && v != 4800 && v != 7200 && v != 9600 && v != 12000 && v != 14400))
      return "--rate is 2400, 4800, 7200, 9600, 12000 or 14400";
    o.rate = int(v);
  }
  if (auto c = p.value("--coding"); c && !parseCodingChoice(*c, o.coding))
    return "--coding is auto, mh, mr or mmr";
  o.ecm = p.has("--ecm");
  o.stationId = p.value("--station-id").value_or("");
  o.history = p.value("--history").value_or("");
  o.trace = p.value("--trace").value_or("");
  o.init = p.value("--init").value_or("");
  return {};
}

// The port as the application sets it up for a fax component.
void setUpPort(TFxComPort& port, const CallOptions& o, EventBridge& bridge) {
  port.DevicePath = o.device;
  port.Bridge = &bridge;
  port.InSize = 8192;
  port.OutSize = 8192;
  port.SetHWFlowOptions(hwfUseRTS | hwfRequireCTS);
  if (!o.trace.empty()) {
    port.TraceName = o.trace;
    port.TraceSize = 1000000;  // a whole call with its pages, not only its last seconds
    port.SetTracing(TTraceLogState::tlOn);
  }
}

void setUpFax(TFxCustomAbstractFax& fax, TFxComPort& port, const CallOptions& o, TFxFaxLog& log) {
  fax.ComPort = &port;
  fax.FaxClass = o.faxClass;
  fax.DesiredBPS = o.rate;
  fax.DesiredECM = o.ecm;
  fax.DesiredCoding = o.coding;
  fax.StationID = o.stationId;
  if (!o.init.empty()) fax.SetModemInit(o.init);
  log.FaxHistoryName = o.history;
  if (!o.history.empty()) fax.SetFaxLog(&log);
}

// Writes the port's trace when the session ends, also after a failure.
void dumpTrace(TFxComPort& port, const CallOptions& o) {
  if (!o.trace.empty()) port.SetTracing(TTraceLogState::tlDump);
}

// One line per change of what the status shows.
class StatusPrinter {
 public:
  explicit StatusPrinter(std::ostream& out) : out_(out) {}
  void report(TFxCustomAbstractFax& fax, bool sending) {
    std::string line = statusText(fax.ProgressCode());
    if (line.empty()) return;
    int page = fax.CurrentPage(), pages = fax.TotalPages();
    if (page > 0 && (sending ? pages > 0 : true))
      line += sending ? ", page " + std::to_string(page) + " of " + std::to_string(pages)
                      : ", page " + std::to_string(page);
    if (fax.SessionBps() > 0)
      line += ", " + std::to_string(fax.SessionBps()) + " bps, " +
              lineFacts(fax.SessionCoding(), fax.SessionEcm());
    std::string remote = fax.RemoteStationId();
    if (!remote.empty()) line += ", remote " + remote;
    if (line != last_) out_ << line << std::endl;
    last_ = line;
  }

 private:
  std::ostream& out_;
  std::string last_;
};

// SIGINT and SIGTERM end the call as a user abort. The signals are taken by a thread of
// their own (blocked everywhere else), which posts the abort to the event loop.
class SignalAbort {
 public:
  SignalAbort(PlainEventBridge& bridge, TFxCustomAbstractFax& fax) {
    sigemptyset(&set_);
    sigaddset(&set_, SIGINT);
    sigaddset(&set_, SIGTERM);
    sigaddset(&set_, SIGUSR1);
    pthread_sigmask(SIG_BLOCK, &set_, &old_);
    thread_ = std::thread([this, &bridge, &fax] {
      int sig = 0;
      while (sigwait(&set_, &sig) == 0 && sig != SIGUSR1) {
        bridge.post([&fax, &bridge] {
          if (fax.InProgress())
            fax.AbortFax();
          else
            bridge.requestQuit();
        });
      }
    });
  }
  ~SignalAbort() {
    pthread_kill(thread_.native_handle(), SIGUSR1);
    thread_.join();
    pthread_sigmask(SIG_SETMASK, &old_, nullptr);
  }

 private:
  sigset_t set_, old_;
  std::thread thread_;
};

// Opens the port, starts the session and runs the event loop until the session finishes;
// the trace is written afterwards, also after a failure. Returns the finish code, or the
// port's error when it could not be used (reported on err).
struct SessionEnd {
  bool portFailed = false;
  int code = 0;
};
SessionEnd runSession(PlainEventBridge& bridge, TFxComPort& port, TFxCustomAbstractFax& fax,
                      const CallOptions& o, const std::function<void()>& begin, std::ostream& err) {
  SessionEnd end;
  fax.OnFaxFinish = [&](TFxCustomAbstractFax&, int code) {
    end.code = code;
    bridge.requestQuit();
  };
  try {
    SignalAbort signals(bridge, fax);  // before the port's threads start
    port.SetOpen(true);
    begin();
    bridge.run();
  } catch (const EFxException& e) {
    fail(err, e.code(), o.device);
    end = {true, e.code()};
  }
  dumpTrace(port, o);
  return end;
}

}  // namespace

int runSend(const Args& args, std::ostream& out, std::ostream& err) {
  std::vector<std::string> values = kCallValues;
  values.insert(values.end(), {"--header", "--attempts", "--retry-wait", "--dial-wait"});
  auto p = parse(args, values, {"--ecm", "--pulse", "--blind"});
  if (!p.error.empty()) return usageError(err, p.error);
  CallOptions o;
  if (std::string e = callOptions(p, o); !e.empty()) return usageError(err, e);
  if (p.positional.empty() || p.positional.size() % 2 != 0)
    return usageError(err, "send needs NUMBER FILE.brx pairs");
  struct Fax {
    std::string number, file;
  };
  std::vector<Fax> faxes;
  for (std::size_t i = 0; i < p.positional.size(); i += 2) {
    // A letter would reach the modem as a dial modifier.
    if (std::string bad = base::FirstRefusedFaxNumberChar(p.positional[i]); !bad.empty())
      return usageError(err, "the fax number \"" + p.positional[i] + "\" holds \"" + bad +
                                 "\": a fax number holds digits, + * # and , (a pause), "
                                 "grouped by spaces, dashes, brackets or dots");
    faximage::BrxReader r;
    if (int rc = r.openFile(p.positional[i + 1]); rc != 0) {
      fail(err, rc, p.positional[i + 1]);
      return 2;
    }
    faxes.push_back({p.positional[i], p.positional[i + 1]});
  }
  unsigned attempts = 3, retryWait = 60, dialWait = 60;
  if (auto v = p.value("--attempts"); v && !toUnsigned(*v, attempts))
    return usageError(err, "--attempts needs a number");
  if (auto v = p.value("--retry-wait"); v && !toUnsigned(*v, retryWait))
    return usageError(err, "--retry-wait needs a number of seconds");
  if (auto v = p.value("--dial-wait"); v && !toUnsigned(*v, dialWait))
    return usageError(err, "--dial-wait needs a number of seconds");

  PlainEventBridge bridge;
  TFxComPort port;
  setUpPort(port, o, bridge);
  TFxSendFax fax;
  TFxFaxLog log;
  setUpFax(fax, port, o, log);
  fax.HeaderLine = p.value("--header").value_or("");
  fax.ToneDial = !p.has("--pulse");
  fax.SetBlindDial(p.has("--blind"));
  fax.DialAttempts = int(attempts);
  fax.DialRetryWait = int(retryWait);
  fax.DialWait = int(dialWait);

  std::size_t next = 0;
  int failed = 0;
  StatusPrinter status(out);
  fax.OnFaxNext = [&](TFxCustomSendFax&, std::string& number, std::string& file, std::string&) {
    if (next < faxes.size()) {
      number = faxes[next].number;
      file = faxes[next].file;
      ++next;
    }
  };
  fax.OnFaxStatus = [&](TFxCustomAbstractFax& f, bool, bool) { status.report(f, true); };
  fax.OnFaxLog = [&](TFxCustomAbstractFax& f, int code) {
    if (code == lfaxTransmitOk)
      out << "sent " << f.FaxFile() << " to " << f.RemoteStationId() << "\n";
    if (code == lfaxTransmitFail) {
      ++failed;
      out << "failed " << f.FaxFile() << ": " << errorText(f.LastErrorCode()) << "\n";
    }
  };
  SessionEnd end = runSession(
      bridge, port, fax, o, [&] { fax.BeginTransmit(); }, err);
  if (end.portFailed) return 1;
  int finishCode = end.code;
  if (failed > 0 || finishCode != 0) {
    err << "brindlefax: " << failed << " of " << faxes.size()
        << " faxes failed: " << errorText(finishCode != 0 ? finishCode : fax.LastErrorCode())
        << "\n";
    return 1;
  }
  return 0;
}

int runReceive(const Args& args, std::ostream& out, std::ostream& err) {
  std::vector<std::string> values = kCallValues;
  values.insert(values.end(), {"--dir", "--rings"});
  auto p = parse(args, values, {"--ecm", "--one", "--fax-and-data"});
  if (!p.error.empty()) return usageError(err, p.error);
  CallOptions o;
  if (std::string e = callOptions(p, o); !e.empty()) return usageError(err, e);
  if (!p.positional.empty()) return usageError(err, "receive takes no file names");
  std::string dir = p.value("--dir").value_or("");
  if (dir.empty()) return usageError(err, "--dir DIR is needed");
  unsigned rings = 1;
  if (auto v = p.value("--rings"); v && !toUnsigned(*v, rings))
    return usageError(err, "--rings needs a number");

  PlainEventBridge bridge;
  TFxComPort port;
  setUpPort(port, o, bridge);
  TFxReceiveFax fax;
  TFxFaxLog log;
  setUpFax(fax, port, o, log);
  fax.SetDestinationDir(dir);
  // One call, whatever its outcome: a failed call ends the session too.
  fax.OneFax = p.has("--one");
  fax.ExitOnError = fax.OneFax;
  fax.AnswerOnRing = int(rings);
  fax.FaxAndData = p.has("--fax-and-data");
  fax.FileNaming = 1;

  int failed = 0, received = 0;
  std::string current;
  StatusPrinter status(out);
  fax.OnFaxStatus = [&](TFxCustomAbstractFax& f, bool, bool) { status.report(f, false); };
  fax.OnFaxLog = [&](TFxCustomAbstractFax& f, int code) {
    if (code == lfaxReceiveStart) current = f.FaxFile();
    if (code == lfaxReceiveOk) {
      ++received;
      out << "received " << current << ": " << f.TotalPages() << " pages from "
          << f.RemoteStationId() << "\n";
      current.clear();
    }
    if (code == lfaxReceiveSkip) out << "refused a call\n";
    if (code == lfaxReceiveFail) {
      ++failed;
      // A call can fail before its fax has a file.
      out << "failed to receive " << (current.empty() ? std::string("a call") : current) << ": "
          << errorText(f.LastErrorCode()) << "\n";
      current.clear();
    }
  };
  SessionEnd end = runSession(
      bridge, port, fax, o, [&] { fax.BeginReceive(); }, err);
  if (end.portFailed) return 1;
  int finishCode = end.code;
  if (finishCode != 0 && finishCode != ecCancelRequested) {
    err << "brindlefax: " << errorText(finishCode) << " (" << finishCode << ")\n";
    return 1;
  }
  if (fax.OneFax && received == 0) return 1;
  return failed > 0 ? 1 : 0;
}

int runClasses(const Args& args, std::ostream& out, std::ostream& err) {
  auto p = parse(args, {"--device"}, {});
  if (!p.error.empty()) return usageError(err, p.error);
  std::string device = p.value("--device").value_or("");
  if (device.empty() || !p.positional.empty())
    return usageError(err, "classes needs --device PATH");
  PlainEventBridge bridge;
  TFxComPort port;
  CallOptions o;
  o.device = device;
  setUpPort(port, o, bridge);
  TFxSendFax fax;
  fax.ComPort = &port;
  try {
    TFaxClassSet set = fax.SupportedClasses();
    if (set.class1) out << "Class 1\n";
    if (set.class2) out << "Class 2\n";
    if (set.class2_0) out << "Class 2.0\n";
    if (set.empty()) {
      err << "brindlefax: the modem on " << device << " reports no fax class\n";
      return 1;
    }
  } catch (const EFxException& e) {
    return fail(err, e.code(), device);
  }
  return 0;
}

}  // namespace brindlefax
