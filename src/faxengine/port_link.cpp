// Fax sessions on the serial port.
#include "faxengine/port_link.h"

#include <algorithm>
#include <thread>

#include "faxengine/errors.h"

namespace faxengine {

PortLink::~PortLink() {
  detach();
  for (int h : {replyTimer_, pauseTimer_, statusTimer_, outFree_, outLow_, outEmpty_, modemStatus_, lineError_})
    if (h > 0) port_.DropTrigger(h);
}

int PortLink::registerTriggers() {
  replyTimer_ = port_.NewTimerTrigger();
  pauseTimer_ = port_.NewTimerTrigger();
  statusTimer_ = port_.NewTimerTrigger();
  outFree_ = port_.NewStatusTrigger(stOutBuffFree);
  outLow_ = port_.NewStatusTrigger(stOutBuffUsed);
  outEmpty_ = port_.NewStatusTrigger(stOutBuffUsed);
  modemStatus_ = port_.NewStatusTrigger(stModem);
  lineError_ = port_.NewStatusTrigger(stLine);
  for (int h : {replyTimer_, pauseTimer_, statusTimer_, outFree_, outLow_, outEmpty_, modemStatus_, lineError_})
    if (h <= 0) return ecNoMoreTriggers;
  return ecOK;
}

void PortLink::attach(FaxMachine& machine) {
  machine_ = &machine;
  handler_ = port_.AttachHandler([this](unsigned msg, int handle, std::uint32_t data) {
    onTrigger(msg, handle, triggerValue(data));
  });
  // Armed once the machine listens; a device already gone fires it at once.
  port_.ArmStatusTrigger(lineError_, leDeviceLost);
}

void PortLink::detach() {
  if (handler_ > 0) port_.DetachHandler(handler_);
  handler_ = 0;
  machine_ = nullptr;
}

void PortLink::onTrigger(unsigned msg, int handle, unsigned value) {
  if (!machine_ || machine_->ended()) return;
  switch (msg) {
    case kTriggerAvail: {
      std::uint8_t buf[4096];
      for (int n; (n = port_.ReadBlock(buf, int(sizeof buf))) > 0;)
        input_.insert(input_.end(), buf, buf + n);
      return withInput(Trigger::Data);
    }
    case kTriggerTimer:
      // The end of a pause lets the machine take the input it held during the pause.
      if (handle == pauseTimer_) withInput(Trigger::PauseOver);
      if (handle == replyTimer_) machine_->handle(Trigger::ReplyTimer);
      if (handle == statusTimer_) machine_->handle(Trigger::StatusTimer);
      return;
    case kTriggerOutbuffFree:
      if (handle == outFree_) machine_->handle(Trigger::OutputFree);
      return;
    case kTriggerOutbuffUsed:
      if (handle == outLow_) machine_->handle(Trigger::OutputLow);
      if (handle == outEmpty_) machine_->handle(Trigger::OutputEmpty);
      return;
    case kTriggerModemStatus:
      if (handle == modemStatus_) machine_->handle(Trigger::ModemStatus);
      return;
    case kTriggerLineError:
      if (handle == lineError_ && (value & leDeviceLost)) machine_->handle(Trigger::DeviceLost);
      return;
    default: return;
  }
}

void PortLink::withInput(Trigger t) {
  std::size_t used = machine_->handle(t, input_);
  if (used >= input_.size())
    input_.clear();
  else
    input_.erase(input_.begin(), input_.begin() + std::ptrdiff_t(used));
}

bool PortLink::write(std::span<const std::uint8_t> bytes) {
  return port_.WriteBlock(bytes.data(), int(bytes.size())) == 0;
}

std::size_t PortLink::outputCount() const { return std::size_t(std::max(port_.OutputCount(), 0)); }
std::size_t PortLink::outputSpace() const { return std::size_t(std::max(port_.OutputSpace(), 0)); }

void PortLink::flushInput() {
  input_.clear();
  port_.ClearInput();
}

void PortLink::flushOutput() { port_.ClearOutput(); }

void PortLink::setDtrRts(bool on) {
  port_.SetDTR(on);
  port_.SetRTS(on);
}

Carrier PortLink::carrier() const {
  if (!port_.HasModemLines()) return Carrier::Unknown;
  return port_.DCD() ? Carrier::Present : Carrier::Absent;
}

void PortLink::setBaud(int bps) {
  try {
    port_.SetBaud(bps);
  } catch (const EFxException& e) {
    note(std::string("speed not changed: ") + e.what());
  }
}

void PortLink::setSoftwareFlow(SoftwareFlow mode, int bufferFull, int bufferResume) {
  switch (mode) {
    case SoftwareFlow::Off: port_.SWFlowDisable(); break;
    case SoftwareFlow::Transmit: port_.SWFlowEnable(TSWFlowOptions::swfTransmit); break;
    case SoftwareFlow::Receive:
      port_.SWFlowEnable(TSWFlowOptions::swfReceive, bufferFull, bufferResume);
      break;
  }
}

void PortLink::armPauseTimer(int ms) { port_.ArmTimerTriggerMs(pauseTimer_, std::uint64_t(ms)); }
void PortLink::armReplyTimer(Ticks ticks) { port_.ArmTimerTrigger(replyTimer_, ticks); }
void PortLink::stopReplyTimer() { port_.ArmTimerTrigger(replyTimer_, 0, false); }
void PortLink::armStatusTimer(Ticks ticks) { port_.ArmTimerTrigger(statusTimer_, ticks); }
void PortLink::armOutputFree(std::size_t bytes) {
  port_.ArmStatusTrigger(outFree_, unsigned(bytes));
}
void PortLink::armOutputLow(std::size_t bytes) { port_.ArmStatusTrigger(outLow_, unsigned(bytes)); }
void PortLink::armOutputEmpty() { port_.ArmStatusTrigger(outEmpty_, 0); }

void PortLink::note(std::string_view text) { port_.AddTraceEntry(text); }

bool PortChannel::write(std::string_view bytes) {
  return !stopped() && port_.WriteText(bytes) == 0;
}

std::optional<std::string> PortChannel::readLine(Ticks ticks) {
  const Clock& clock = *port_.TimeSource;
  const TickTimer timer = startTimer(ticks, clock);
  EventBridge* bridge = port_.Bridge;
  const bool pump = bridge && bridge->isOwnerThread();
  for (;;) {
    for (int c; (c = port_.ReadChar()) >= 0;)
      if (lines_.feed(std::uint8_t(c))) return lines_.line();
    if ((bridge && bridge->quitting()) || timerExpired(timer, clock) || !port_.Open() || stopped())
      return std::nullopt;
    if (pump)
      bridge->processPending(std::chrono::milliseconds(10));
    else
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

void PortChannel::flushInput() {
  lines_.clear();
  port_.ClearInput();
}

void PortChannel::setDtrRts(bool on) {
  port_.SetDTR(on);
  port_.SetRTS(on);
}

void PortChannel::pause(int ms) {
  if (!stopped()) std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

}  // namespace faxengine
