// The event loop shared by the sending and the receiving state machine: one call per
// trigger, response lines collected from the incoming bytes, the status timer, and the
// helpers every step uses (commands, progress, failures, hang-up, speed switching).
//
// After a step the loop runs the next one at once when it needs no input, goes on with
// the remaining bytes when it awaits a line or raw data, and returns when it waits for a
// timer or a buffer trigger.
//
// Pauses (before a command, around "+++", a turn of the line) never block: what is to
// happen after one waits in a queue and runs when the link's pause timer fires. While the
// queue is not empty no step runs: received bytes stay with the link and buffer or reply
// triggers are kept, so they reach the steps in the order a blocking pause gave them. The
// user's abort and a lost device are taken at once (an abort during a hang-up waits for
// its end).
#pragma once

#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "faxengine/fax_types.h"
#include "faxengine/modem_link.h"
#include "faxengine/response_line.h"
#include "faxengine/timings.h"

namespace faxengine {

enum class Trigger {
  Start,        // the first call of a session
  Next,         // a step that needs no input runs
  Data,         // bytes arrived
  ReplyTimer,   // the reply (or page) time-out ran out
  StatusTimer,  // time for a status report
  OutputFree,   // the output buffer has room
  OutputLow,    // the output buffer has run down to its refill level
  OutputEmpty,  // the output buffer is empty
  ModemStatus,  // a modem line changed (no step reacts)
  DeviceLost,   // the port's device has gone (a USB modem unplugged): the session ends
  PauseOver,    // the pause the machine waits in has passed
};

// What the current step waits for.
enum class Input { None, Lines, Raw, Triggers };

// The part of a call that differs by fax class: its steps take lines, raw bytes and
// triggers while the machine hands control to it.
class Dialogue {
 public:
  virtual ~Dialogue() = default;
  virtual const char* stepName() const = 0;
  virtual Input input() const = 0;
  virtual void onStep(Trigger t) = 0;
  virtual void onLine(const std::string& line, AtReply reply) = 0;
  virtual std::size_t onRaw(std::span<const std::uint8_t> data) { return data.size(); }
};

class FaxMachine {
 public:
  FaxMachine(ModemLink& link, SessionHost& host, SessionRecord& session, ProtocolRecord& proto);
  virtual ~FaxMachine() = default;
  FaxMachine(const FaxMachine&) = delete;
  FaxMachine& operator=(const FaxMachine&) = delete;

  // Runs the machine for one trigger; returns the count of bytes of `data` it consumed.
  // A step that throws is logged and ends the fax with the session error; nothing
  // escapes to the caller.
  std::size_t handle(Trigger t, std::span<const std::uint8_t> data = {});
  // The user's abort: progress 42, error -6005, the abort step.
  void abort();
  // The same, carried out by the thread that runs the machine as soon as the step it is
  // in returns (for an abort asked for by an event handler while the machine waits on it).
  void requestAbort() { abortRequested_ = true; }
  bool ended() const { return ended_; }

  // Helpers for the steps and the class dialogues.
  ModemLink& link() const { return link_; }
  SessionHost& host() { return host_; }
  SessionRecord& session() { return s_; }
  const SessionRecord& session() const { return s_; }
  ProtocolRecord& protocol() { return p_; }
  const ProtocolRecord& protocol() const { return p_; }
  // Pauses, writes the text (control characters left out) and CR, clears the response
  // line and arms the reply timer with the reply time-out.
  void sendCommand(std::string_view text, int pauseMs = timing::kCommandPauseMs);
  // Arms the reply timer and remembers the length, so that an unwanted line can re-arm it.
  void armReply(Ticks ticks);
  void rearmReply() { armReply(lastReply_); }
  void stopReply();
  // Writes bytes as they are.
  void writeRaw(std::string_view bytes);
  // Pauses, then writes the bytes and arms the reply timer with the reply time-out.
  void writeAfter(int pauseMs, std::vector<std::uint8_t> bytes, std::string_view what);
  // Waits `ms` before what is asked of the link from here on (see the top of the file).
  void pause(int ms);
  // Runs `fn` now, or after the pauses already asked for.
  void act(std::function<void()> fn);
  bool pausing() const { return !queue_.empty(); }
  void setProgress(int code);
  // Sets LastErrorCode, raises FaxError and moves to the abort step.
  void fail(int code);
  void reportStatus(bool first, bool last);
  void flushInput();
  void switchToNormalBaud();
  void switchToInitBaud();
  void note(std::string_view text) { link_.note(text); }

 protected:
  virtual Input input() const = 0;
  // A trigger other than data for the current step (Next for steps that need no input).
  virtual void onStep(Trigger t) = 0;
  virtual void onLine(const std::string& line, AtReply reply) = 0;
  // Raw input; returns the count of bytes taken.
  virtual std::size_t onRaw(std::span<const std::uint8_t> data) { return data.size(); }
  // Moves to the abort step (the failure is already recorded).
  virtual void toAbort() = 0;
  // The port's device has gone; by default the call fails with the lost-device code.
  virtual void onDeviceLost();

  // Before each call (each fax sent, each call answered): what the call before found out
  // and counted is forgotten, in one place for every class and direction.
  void resetCall();
  void endSession();  // posts finish with LastErrorCode; the machine ignores all calls after
  bool userAborted() const { return userAbort_; }
  // The modem cannot be reached any more: no hang-up is tried and the session ends.
  bool deviceLost() const { return deviceLost_; }
  void clearUserAbort() { userAbort_ = false; }
  // Hang-up after a call: "+++" and "ATH0" when the modem may still be on line, and DTR
  // dropped when carrier stays (never when the device has no modem lines).
  void hangUpSender();
  // DTR and RTS low, then high again: the modem hangs up whatever it is doing (never
  // when the device has no modem lines).
  void dropLine();
  // The receiver's hang-up: DTR dropped first (with modem lines), then "+++" and "ATH".
  void hangUpReceiver();
  Ticks statusTicks() const;

 private:
  std::size_t handleStep(Trigger t, std::span<const std::uint8_t> data);
  void stepFailed(const std::string& reason);
  void runImmediate();
  void takeAbortRequest();
  void loseDevice();
  // The pause at the head of the queue is over: runs what follows it up to the next one.
  void runQueue();
  // Runs the queue's head entries up to the next pause, whose timer it arms.
  void runReady();
  // The device is gone: what waited runs at once, its pauses skipped.
  void runQueueNow();
  void dropQueue();
  void setDtr(bool on);
  // Triggers kept during a pause, handed to the steps once it is over.
  void replayKept();
  void armReplyNow(Ticks ticks);
  void endSessionNow();

  struct Queued {
    int pauseMs;  // waited before fn runs
    std::function<void()> fn;
    bool hangUp;  // part of a hang-up: a user abort waits for it
  };

  ModemLink& link_;
  SessionHost& host_;
  SessionRecord& s_;
  ProtocolRecord& p_;
  ResponseCollector lines_;
  std::deque<Queued> queue_;
  bool pauseArmed_ = false;    // the head's pause timer runs
  bool hangingUp_ = false;     // entries queued now belong to a hang-up
  std::vector<Trigger> kept_;  // triggers that came during a pause
  unsigned replyArms_ = 0;     // counts armings of the reply timer (a kept one goes stale)
  Ticks lastReply_ = timing::kReply;
  bool ended_ = false;
  bool flushed_ = false;
  bool userAbort_ = false;
  bool deviceLost_ = false;
  std::atomic<bool> abortRequested_{false};
};

// Moves a machine or dialogue to another step and logs "who: from -> to"; the one place
// any step changes.
template <class Step, class Name>
void changeStep(FaxMachine& m, const char* who, Step& step, Step to, Name name) {
  if (to == step) return;
  m.note(std::string(who) + ": " + name(step) + " -> " + name(to));
  step = to;
}

}  // namespace faxengine
