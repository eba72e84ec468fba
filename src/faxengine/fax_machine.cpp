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
  if (t != Trigger::Data && t != Trigger::StatusTimer && t != Trigger::ModemStatus) onStep(t);
  runImmediate();
  std::size_t pos = 0;
  while (pos < data.size() && !ended_ && !flushed_) {
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
  while (!ended_ && input() == Input::None) {
    onStep(Trigger::Next);
    takeAbortRequest();
  }
}

void FaxMachine::takeAbortRequest() {
  if (abortRequested_.exchange(false) && !ended_ && !userAbort_) abort();
}

void FaxMachine::abort() {
  if (ended_) return;
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
  onDeviceLost();
  runImmediate();
}

void FaxMachine::onDeviceLost() { fail(ecDeviceLost); }

void FaxMachine::sendCommand(std::string_view text, int pauseMs) {
  std::string cmd;
  for (char c : text)
    if (static_cast<unsigned char>(c) >= 0x20) cmd.push_back(c);
  note("-> " + cmd);
  cmd.push_back('\r');
  link_.pause(pauseMs);
  if (link_.write(bytesOf(cmd)))
    lines_.clear();
  else
    note("command not written: output buffer full");
  armReply(p_.replyTimeout);
}

void FaxMachine::armReply(Ticks ticks) {
  lastReply_ = ticks;
  link_.armReplyTimer(ticks);
}

void FaxMachine::writeRaw(std::string_view bytes) {
  if (!link_.write(bytesOf(bytes))) note("bytes not written: output buffer full");
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
  link_.flushInput();
  lines_.clear();
  flushed_ = true;
}

void FaxMachine::switchToNormalBaud() {
  if (p_.initBaud == 0 || !p_.atInitBaud) return;
  link_.pause(int(ticksToMs(timeouts::kBaudSettle)));
  if (p_.normalBaud != 0) link_.setBaud(p_.normalBaud);
  p_.atInitBaud = false;
}

void FaxMachine::switchToInitBaud() {
  if (p_.initBaud == 0 || deviceLost_) return;
  link_.pause(int(ticksToMs(timeouts::kBaudSettle)));
  link_.setBaud(p_.initBaud);
  p_.atInitBaud = true;
}

void FaxMachine::endSession() {
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
  if (link_.carrier() == Carrier::Absent) {
    sendCommand("ATH0");
    link_.pause(kEscapeGuardMs);
    flushInput();
  } else {
    link_.pause(kEscapeGuardMs);
    writeRaw("+++");
    link_.pause(kEscapeGuardMs);
    sendCommand("ATH0");
    link_.pause(kEscapeGuardMs);
    flushInput();
    if (link_.carrier() == Carrier::Present) {
      link_.setDtrRts(false);
      link_.pause(kLineDropMs);
      link_.setDtrRts(true);
      link_.pause(kLineDropMs);
    }
  }
  link_.stopReplyTimer();
}

void FaxMachine::hangUpReceiver() {
  if (deviceLost_) {
    link_.stopReplyTimer();
    return;
  }
  if (link_.carrier() != Carrier::Unknown) {
    link_.setDtrRts(false);
    link_.pause(kLineDropMs);
    link_.setDtrRts(true);
  }
  link_.pause(kEscapeGuardMs);
  writeRaw("+++");
  link_.pause(kEscapeGuardMs);
  sendCommand("ATH");
  link_.pause(kEscapeGuardMs);
  flushInput();
  link_.stopReplyTimer();
}

Ticks FaxMachine::statusTicks() const {
  return std::max<Ticks>(secondsToTicks(s_.statusInterval), 1);
}

}  // namespace faxengine
