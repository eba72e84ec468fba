// The event loop and shared helpers of the fax state machines.
#include "faxengine/fax_machine.h"

#include <algorithm>

#include "faxengine/errors.h"
#include "faxengine/modem_bytes.h"

namespace faxengine {

namespace {

std::span<const std::uint8_t> bytesOf(std::string_view s) {
  return {reinterpret_cast<const std::uint8_t*>(s.data()), s.size()};
}

}  // namespace

FaxMachine::FaxMachine(ModemLink& link, SessionHost& host, SessionRecord& session,
                       ProtocolRecord& proto)
    : link_(link), host_(host), s_(session), p_(proto) {}

std::size_t FaxMachine::handle(Trigger t, std::span<const std::uint8_t> data) {
  try {
    return handleStep(t, data);
  } catch (const std::exception& e) {
    stepFailed(e.what());
  } catch (...) {
    stepFailed("not a standard exception");
  }
  return data.size();
}

// The fax fails with the session error and the machine aborts as after any failure; when
// the abort throws as well, the session ends where it stands.
void FaxMachine::stepFailed(const std::string& reason) {
  note("step failed: " + reason);
  if (ended_) return;
  try {
    dropQueue();
    fail(ecFaxSessionError);
    runImmediate();
  } catch (...) {
    note("the abort failed too: the session ends");
    dropQueue();
    s_.lastErrorCode = ecFaxSessionError;
    try {
      endSessionNow();
    } catch (...) {
      ended_ = true;  // the host could not be told; the machine takes nothing more
    }
  }
}

std::size_t FaxMachine::handleStep(Trigger t, std::span<const std::uint8_t> data) {
  if (ended_) return 0;
  if (t == Trigger::DeviceLost) {
    loseDevice();
    return 0;
  }
  flushed_ = false;
  if (t == Trigger::StatusTimer || p_.statusChanged) {
    p_.statusChanged = false;
    reportStatus(false, false);
    link_.armStatusTimer(statusTicks());
  }
  const bool stepTrigger = t != Trigger::Data && t != Trigger::StatusTimer &&
                           t != Trigger::ModemStatus && t != Trigger::PauseOver;
  if (t == Trigger::PauseOver) {
    runQueue();
    if (!pausing()) replayKept();
  } else if (stepTrigger && pausing()) {
    kept_.push_back(t);  // for the step that runs once the pause is over
  } else if (stepTrigger) {
    onStep(t);
  }
  runImmediate();
  std::size_t pos = 0;
  while (pos < data.size() && !ended_ && !flushed_ && !pausing()) {
    Input in = input();
    if (in == Input::Lines) {
      if (lines_.feed(data[pos++])) {
        std::string line = lines_.line();
        note("<- " + line);
        onLine(line, parseReply(line));
        runImmediate();
      }
    } else if (in == Input::Raw) {
      std::size_t n = onRaw(data.subspan(pos));
      pos += n;
      runImmediate();
      if (n == 0 && input() == Input::Raw) break;
    } else {
      pos = data.size();  // no step waits for these bytes
    }
  }
  if (flushed_) pos = data.size();
  flushed_ = false;
  if (!ended_ && p_.statusChanged) {
    p_.statusChanged = false;
    reportStatus(false, false);
  }
  return pos;
}

void FaxMachine::runImmediate() {
  takeAbortRequest();
  while (!ended_ && !pausing() && input() == Input::None) {
    onStep(Trigger::Next);
    takeAbortRequest();
  }
}

void FaxMachine::takeAbortRequest() {
  if (abortRequested_.exchange(false) && !ended_ && !userAbort_) abort();
}

void FaxMachine::abort() {
  if (ended_) return;
  if (pausing()) {
    // A hang-up under way is finished first; anything else waiting is not sent.
    if (std::any_of(queue_.begin(), queue_.end(), [](const Queued& q) { return q.hangUp; }))
      return requestAbort();
    dropQueue();
  }
  note("user abort");
  userAbort_ = true;
  setProgress(progress::kUserAbort);
  s_.lastErrorCode = ecCancelRequested;
  // Reported now, so that a display shows it while the line is hung up; the last report
  // that follows closes the display.
  p_.statusChanged = false;
  reportStatus(false, false);
  toAbort();
  runImmediate();
}

void FaxMachine::loseDevice() {
  if (deviceLost_) return;
  deviceLost_ = true;
  note("the modem's device is gone");
  // A hang-up under way follows a failure already recorded: that one stands.
  const bool hangingUp =
      std::any_of(queue_.begin(), queue_.end(), [](const Queued& q) { return q.hangUp; });
  runQueueNow();
  if (!hangingUp) onDeviceLost();
  runImmediate();
}

void FaxMachine::runQueueNow() {
  kept_.clear();
  pauseArmed_ = false;
  while (!queue_.empty()) {
    std::function<void()> fn = std::move(queue_.front().fn);
    queue_.pop_front();
    if (fn) fn();
  }
}

void FaxMachine::onDeviceLost() { fail(ecDeviceLost); }

void FaxMachine::sendCommand(std::string_view text, int pauseMs) {
  std::string cmd;
  for (char c : text)
    if (static_cast<unsigned char>(c) >= 0x20) cmd.push_back(c);
  note("-> " + cmd);
  cmd.push_back('\r');
  pause(pauseMs);
  act([this, cmd] {
    if (link_.write(bytesOf(cmd)))
      lines_.clear();
    else
      note("command not written: output buffer full");
    armReplyNow(p_.replyTimeout);
  });
}

void FaxMachine::writeAfter(int pauseMs, std::vector<std::uint8_t> bytes, std::string_view what) {
  pause(pauseMs);
  act([this, bytes = std::move(bytes), what = std::string(what)] {
    if (!link_.write(bytes)) note(what + " not written: output buffer full");
    armReplyNow(p_.replyTimeout);
  });
}

void FaxMachine::armReply(Ticks ticks) {
  act([this, ticks] { armReplyNow(ticks); });
}

void FaxMachine::armReplyNow(Ticks ticks) {
  lastReply_ = ticks;
  ++replyArms_;
  link_.armReplyTimer(ticks);
}

void FaxMachine::stopReply() {
  act([this] {
    ++replyArms_;
    link_.stopReplyTimer();
  });
}

void FaxMachine::writeRaw(std::string_view bytes) {
  act([this, text = std::string(bytes)] {
    if (!link_.write(bytesOf(text))) note("bytes not written: output buffer full");
  });
}

void FaxMachine::pause(int ms) {
  if (ms <= 0 || deviceLost_) return;  // no modem to pace
  queue_.push_back({ms, {}, hangingUp_});
  if (queue_.size() == 1) runReady();
}

void FaxMachine::act(std::function<void()> fn) {
  if (queue_.empty())
    fn();
  else
    queue_.push_back({0, std::move(fn), hangingUp_});
}

void FaxMachine::runQueue() {
  if (!pauseArmed_) return;  // a pause dropped by an abort
  pauseArmed_ = false;
  if (!queue_.empty()) queue_.pop_front();  // the pause that is over
  runReady();
}

void FaxMachine::runReady() {
  while (!queue_.empty() && !pauseArmed_) {
    if (queue_.front().pauseMs > 0) {
      pauseArmed_ = true;
      link_.armPauseTimer(queue_.front().pauseMs);
      return;
    }
    std::function<void()> fn = std::move(queue_.front().fn);
    queue_.pop_front();
    // What fn asks for goes before the rest of the queue.
    std::deque<Queued> rest;
    rest.swap(queue_);
    fn();
    for (Queued& q : rest) queue_.push_back(std::move(q));
  }
}

void FaxMachine::dropQueue() {
  queue_.clear();
  kept_.clear();
  pauseArmed_ = false;
}

void FaxMachine::replayKept() {
  const unsigned arms = replyArms_;
  std::vector<Trigger> kept = std::move(kept_);
  kept_.clear();
  for (Trigger t : kept) {
    if (ended_ || pausing()) return;
    // A reply time-out from before the pause is stale once the timer was armed again.
    if (t == Trigger::ReplyTimer && replyArms_ != arms) continue;
    onStep(t);
  }
}

void FaxMachine::setProgress(int code) {
  if (s_.progressCode.exchange(code) != code) p_.statusChanged = true;
}

void FaxMachine::fail(int code) {
  note("error " + std::to_string(code));
  s_.lastErrorCode = code;
  host_.faxError(code);
  toAbort();
}

void FaxMachine::reportStatus(bool first, bool last) { host_.faxStatus(first, last); }

void FaxMachine::flushInput() {
  act([this] {
    link_.flushInput();
    lines_.clear();
    flushed_ = true;
  });
}

void FaxMachine::switchToNormalBaud() {
  if (p_.initBaud == 0 || !p_.atInitBaud) return;
  pause(timing::kBaudSettleMs);
  if (p_.normalBaud != 0) act([this] { link_.setBaud(p_.normalBaud); });
  p_.atInitBaud = false;
}

void FaxMachine::switchToInitBaud() {
  if (p_.initBaud == 0 || deviceLost_) return;
  pause(timing::kBaudSettleMs);
  act([this] { link_.setBaud(p_.initBaud); });
  p_.atInitBaud = true;
}

void FaxMachine::resetCall() {
  s_.lastErrorCode = ecOK;
  s_.remoteStationId.clear();
  s_.totalPages = 0;
  s_.pageBytes = 0;
  p_.resetCall();
}

void FaxMachine::endSession() {
  // After the hang-up and whatever else waits for a pause.
  act([this] { endSessionNow(); });
}

void FaxMachine::endSessionNow() {
  note("session ends with " + std::to_string(s_.lastErrorCode.load()));
  ended_ = true;
  s_.active = false;
  host_.faxFinish(s_.lastErrorCode);
}

void FaxMachine::hangUpSender() {
  if (deviceLost_) {
    link_.stopReplyTimer();
    return;
  }
  hangingUp_ = true;
  if (link_.carrier() == Carrier::Absent) {
    sendCommand("ATH0");
    pause(timing::kEscapeGuardMs);
    flushInput();
  } else {
    pause(timing::kEscapeGuardMs);
    writeRaw("+++");
    pause(timing::kEscapeGuardMs);
    sendCommand("ATH0");
    pause(timing::kEscapeGuardMs);
    flushInput();
    // Carrier still up after "ATH0": the modem did not hang up; dropping DTR makes it.
    act([this] {
      if (link_.carrier() != Carrier::Present) return;
      hangingUp_ = true;
      dropLine();
      hangingUp_ = false;
    });
  }
  stopReply();
  hangingUp_ = false;
}

void FaxMachine::dropLine() {
  if (deviceLost_ || link_.carrier() == Carrier::Unknown) return;
  setDtr(false);
  pause(timing::kLineDropMs);
  setDtr(true);
  pause(timing::kLineDropMs);
}

void FaxMachine::hangUpReceiver() {
  if (deviceLost_) {
    link_.stopReplyTimer();
    return;
  }
  hangingUp_ = true;
  if (link_.carrier() != Carrier::Unknown) {
    setDtr(false);
    pause(timing::kLineDropMs);
    setDtr(true);
  }
  pause(timing::kEscapeGuardMs);
  writeRaw("+++");
  pause(timing::kEscapeGuardMs);
  sendCommand("ATH");
  pause(timing::kEscapeGuardMs);
  flushInput();
  stopReply();
  hangingUp_ = false;
}

void FaxMachine::setDtr(bool on) {
  act([this, on] { link_.setDtrRts(on); });
}

Ticks FaxMachine::statusTicks() const {
  return std::max<Ticks>(secondsToTicks(s_.statusInterval), 1);
}

}  // namespace faxengine
