// A fax session without a port: the state machine runs against a scripted modem on a fake
// clock. The modem answers the commands the engine writes with the lines of a script,
// takes page data between CONNECT and the end-of-page bytes, and the rig delivers
// replies, buffer triggers and timers in turn until the session ends or waits for nothing.
#pragma once

#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "faxengine/dialogues.h"
#include "faxengine/receive_machine.h"
#include "faxengine/send_machine.h"

namespace faxengine::test {

// One exchange: the command the engine must send ("" for replies that come unasked once
// the exchange before is done, "<page>" for the end of page data) and the modem's replies.
struct Exchange {
  std::string command;
  std::vector<std::string> replies;  // text lines; raw() for bytes without CR LF
  bool dataFollows = false;          // the engine sends page data after these replies
};
std::string raw(const std::string& bytes);
// What the modem's command list shows where the engine dropped DTR.
inline constexpr const char* kDtrLow = "<DTR low>";

class ScriptedModem {
 public:
  void load(std::vector<Exchange> script) { script_.assign(script.begin(), script.end()); }
  // Bytes the engine wrote.
  void take(std::span<const std::uint8_t> bytes);
  // Replies waiting for the engine.
  std::string pending;
  std::vector<std::string> commands;             // every command line (and DTR drop), in order
  std::vector<std::vector<std::uint8_t>> pages;  // page data, DLE doubling undone
  std::vector<char> pageEnds;                    // the byte after DLE that ended each page
  std::vector<std::string> mismatches;           // commands the script did not expect
  int dc2 = 0;                                   // DC2 bytes seen in command mode
  bool scriptDone() const { return script_.empty(); }
  void unasked();  // queues the replies of leading unasked exchanges

 private:
  void command(const std::string& cmd);
  void reply(const Exchange& e);
  std::deque<Exchange> script_;
  std::string line_;
  bool data_ = false;
  bool dle_ = false;
  std::vector<std::uint8_t> page_;
};

class FakeLink : public ModemLink {
 public:
  explicit FakeLink(ScriptedModem& modem) : modem_(modem) {}
  bool write(std::span<const std::uint8_t> bytes) override;
  std::size_t outputCount() const override { return 0; }
  std::size_t outputSpace() const override { return 8192; }
  void flushInput() override { modem_.pending.clear(); }
  void flushOutput() override {}  // every write reaches the modem at once
  void setDtrRts(bool on) override;
  Carrier carrier() const override { return carrierState; }
  void setBaud(int bps) override { bauds.push_back(bps); }
  void setSoftwareFlow(SoftwareFlow mode, int, int) override { flow = mode; }
  const Clock& clock() const override { return clock_; }
  void armPauseTimer(int ms) override { pause = ms; }
  void armReplyTimer(Ticks ticks) override { reply = newTimer(now(), ticks); }
  void stopReplyTimer() override { reply.reset(); }
  void armStatusTimer(Ticks) override {}
  void armOutputFree(std::size_t) override { outputFree = true; }
  void armOutputLow(std::size_t) override { outputLow = true; }
  void armOutputEmpty() override { outputEmpty = true; }
  void note(std::string_view text) override { notes.emplace_back(text); }

  FakeClock& fakeClock() { return clock_; }
  std::optional<TickTimer> reply;
  std::optional<int> pause;  // ms
  bool outputFree = false, outputLow = false, outputEmpty = false, dtr = true;
  Carrier carrierState = Carrier::Unknown;  // a port without modem lines
  SoftwareFlow flow = SoftwareFlow::Off;
  std::vector<int> bauds;
  std::vector<std::string> notes;

 private:
  ScriptedModem& modem_;
  FakeClock clock_{1000000};
};

// The component's side, recording every event.
class FakeHost : public SessionHost {
 public:
  void faxStatus(bool first, bool last) override;
  void faxLog(int code) override {
    if (code == failOnLog) throw std::runtime_error("log not written");
    logs.push_back(code);
  }
  void faxError(int code) override { errors.push_back(code); }
  void faxFinish(int code) override { finish = code; }
  bool faxNext(std::string& phone, std::string& fax, std::string& cover) override;
  bool faxAccept() override { return acceptCalls++, acceptAnswer; }
  std::string faxName() override {
    return names.empty() ? "" : names[std::size_t(nameCalls++ % int(names.size()))];
  }

  struct Fax {
    std::string phone, file, cover;
  };
  std::deque<Fax> faxes;
  std::vector<int> logs, errors;
  int failOnLog = 0;  // the log point whose handler throws
  std::optional<int> finish;
  int firstStatus = 0, lastStatus = 0;
  bool acceptAnswer = true;
  int acceptCalls = 0;
  std::vector<std::string> names;
  int nameCalls = 0;
};

// Runs a machine with the scripted modem until it ends or nothing is left to deliver.
// A pause ends first (the machine takes nothing else during it), on the fake clock; the
// reply timer fires only when no reply and no buffer trigger waits.
class SessionRig {
 public:
  explicit SessionRig(bool sending, TFaxClass cls = TFaxClass::fcClass2);
  // Stops early, before the next trigger, once `until` holds.
  void run(bool fireTimers = true, const std::function<bool()>& until = {});
  void start() { machine().handle(Trigger::Start); }
  FaxMachine& machine() { return send ? static_cast<FaxMachine&>(*send) : *receive; }
  bool ended() { return machine().ended(); }
  bool deliver(Trigger t);
  // Sends `fax` to 5551234 against the script, cancels once the page's data flows and
  // runs the call to its end; false when the page data never began.
  bool cancelInPageData(const std::string& fax, std::vector<Exchange> script);

  ScriptedModem modem;
  FakeLink link{modem};
  FakeHost host;
  SessionRecord session;
  ProtocolRecord proto;
  std::unique_ptr<SendMachine> send;
  std::unique_ptr<ReceiveMachine> receive;
};

}  // namespace faxengine::test
