// The serial port component: settings, opening and closing, and the operations, which
// it passes to the open port's record.
#include "faxengine/comport.h"

#include <algorithm>

#include "faxengine/device_paths.h"
#include "faxengine/errors.h"
#include "faxengine/port_record.h"
#include "faxengine/port_trace.h"
#include "faxengine/text_matcher.h"

namespace faxengine {

using namespace std::chrono_literals;

TFxCustomComPort::TFxCustomComPort() : trace_(std::make_shared<PortTrace>()) {}

TFxCustomComPort::~TFxCustomComPort() {
  Close();
  if (closing_) closing_->awaitClosed(Bridge);
}

// ---- Opening and closing --------------------------------------------------------------

bool TFxCustomComPort::Open() const { return port_ != nullptr; }

void TFxCustomComPort::SetOpen(bool open) {
  if (!open) {
    Close();
    return;
  }
  raiseFxError(TryOpen());
}

std::string TFxCustomComPort::DeviceName() const {
  return DevicePath.empty() ? comDevicePath(ComNumber) : DevicePath;
}

bool TFxCustomComPort::anyEventAssigned() const {
  return OnTrigger || OnTriggerAvail || OnTriggerData || OnTriggerStatus || OnTriggerTimer ||
         OnTriggerLineError || OnTriggerModemStatus || OnTriggerOutbuffFree ||
         OnTriggerOutbuffUsed || OnTriggerOutSent;
}

int TFxCustomComPort::TryOpen() {
  if (port_) return 0;
  finishDeferredClose();
  PortRecord::Config config;
  config.path = DeviceName();
  config.line = {baud_, parity_, dataBits_, stopBits_, hwFlow_, swFlow_, xon_, xoff_};
  config.outSize = std::size_t(std::max(OutSize, 1));
  config.dtr = dtr_;
  config.rts = rts_;
  config.bufferFull = bufferFull_;
  config.bufferResume = bufferResume_;
  config.triggerLength = triggerLength_;
  config.clock = TimeSource;
  config.trace = trace_;
  if (int rc = PortRecord::open(config, port_); rc != 0) return rc;
  if (anyEventAssigned()) {
    TTriggerHandler own = [this](unsigned msg, int handle, std::uint32_t data) {
      TriggerEvent(msg, handle, data);
    };
    port_->attachHandler(std::move(own), Bridge);
  }
  return 0;
}

void TFxCustomComPort::Close() {
  if (!port_) return;
  if (!port_->close(Bridge)) closing_ = port_;  // carried out when the delivery returns
  port_.reset();
}

void TFxCustomComPort::finishDeferredClose() {
  if (closing_ && closing_->awaitClosed(Bridge)) closing_.reset();
}

int TFxCustomComPort::Handle() const { return port_ ? port_->handle() : -1; }

int TFxCustomComPort::ensureOpen() {
  if (port_) return 0;
  return AutoOpen ? TryOpen() : ecBadHandle;
}

// ---- Settings -------------------------------------------------------------------------

// Changes a line setting and passes it to an open device; a refused change is undone and
// raised as an exception.
void TFxCustomComPort::applyLineSetting(const std::function<void()>& change) {
  const LineSettings before{baud_, parity_, dataBits_, stopBits_, hwFlow_, swFlow_, xon_, xoff_};
  change();
  if (!port_) return;
  const int rc =
      port_->applyLine({baud_, parity_, dataBits_, stopBits_, hwFlow_, swFlow_, xon_, xoff_});
  if (rc == 0) return;
  baud_ = before.baud, parity_ = before.parity, dataBits_ = before.dataBits;
  stopBits_ = before.stopBits, hwFlow_ = before.hwFlow, swFlow_ = before.swFlow;
  xon_ = before.xon, xoff_ = before.xoff;
  raiseFxError(rc);
}

void TFxCustomComPort::SetBaud(int baud) {
  applyLineSetting([&] { baud_ = baud; });
}
void TFxCustomComPort::SetParity(TParity p) {
  applyLineSetting([&] { parity_ = p; });
}
void TFxCustomComPort::SetDataBits(int bits) {
  applyLineSetting([&] { dataBits_ = bits; });
}
void TFxCustomComPort::SetStopBits(int bits) {
  applyLineSetting([&] { stopBits_ = bits; });
}
void TFxCustomComPort::SetHWFlowOptions(THWFlowOptions o) {
  applyLineSetting([&] { hwFlow_ = o; });
}
void TFxCustomComPort::SetSWFlowOptions(TSWFlowOptions o) {
  applyLineSetting([&] { swFlow_ = o; });
}
void TFxCustomComPort::SetXOnChar(std::uint8_t c) {
  applyLineSetting([&] { xon_ = c; });
}
void TFxCustomComPort::SetXOffChar(std::uint8_t c) {
  applyLineSetting([&] { xoff_ = c; });
}

void TFxCustomComPort::SetDTR(bool on) {
  dtr_ = on;
  if (port_) port_->setDTR(on);
}

void TFxCustomComPort::SetRTS(bool on) {
  rts_ = on;
  if (port_) port_->setRTS(on);
}

void TFxCustomComPort::SetBufferFull(int n) {
  bufferFull_ = std::max(n, 0);
  if (port_) port_->setFlowLevels(bufferFull_, bufferResume_);
}

void TFxCustomComPort::SetBufferResume(int n) {
  bufferResume_ = std::max(n, 0);
  if (port_) port_->setFlowLevels(bufferFull_, bufferResume_);
}

int TFxCustomComPort::SetTriggerLength(int n) {
  if (n < 1) return ecBadArgument;
  triggerLength_ = n;
  if (port_) port_->setTriggerLength(n);
  return 0;
}

// ---- Trace and log --------------------------------------------------------------------

TTraceLogState TFxCustomComPort::Tracing() const { return trace_->traceState(); }
TTraceLogState TFxCustomComPort::Logging() const { return trace_->logState(); }

void TFxCustomComPort::SetTracing(TTraceLogState s) {
  raiseFxError(trace_->setTraceState(s, {TraceSize, TraceName, TraceHex}));
}

void TFxCustomComPort::SetLogging(TTraceLogState s) {
  raiseFxError(trace_->setLogState(s, {LogSize, LogName, LogHex}));
}

void TFxCustomComPort::AddTraceEntry(std::string_view text) {
  trace_->addSpecial(text, TimeSource->nowMs());
}

void TFxCustomComPort::AddLogEntry(std::string_view text) {
  trace_->addLogText(text, TimeSource->nowMs());
}

// ---- Output ---------------------------------------------------------------------------

int TFxCustomComPort::WriteChar(std::uint8_t c) { return WriteBlock(&c, 1); }

int TFxCustomComPort::WriteText(std::string_view s) { return WriteBlock(s.data(), int(s.size())); }

int TFxCustomComPort::WriteBlock(const void* data, int length) {
  if (length < 0) return ecBadArgument;
  if (int rc = ensureOpen(); rc != 0) return rc;
  return port_->write(static_cast<const std::uint8_t*>(data), std::size_t(length));
}

int TFxCustomComPort::OutputCount() const { return port_ ? port_->outputCount() : 0; }
int TFxCustomComPort::OutputSpace() const { return port_ ? port_->outputSpace() : 0; }

int TFxCustomComPort::ClearOutput() {
  if (!port_) return ecBadHandle;
  port_->clearOutput();
  return 0;
}

// ---- Input ----------------------------------------------------------------------------

int TFxCustomComPort::ReadChar() {
  if (int rc = ensureOpen(); rc != 0) return rc;
  return port_->readChar();
}

int TFxCustomComPort::ReadBlock(void* data, int length) {
  if (length < 0) return ecBadArgument;
  if (int rc = ensureOpen(); rc != 0) return rc;
  return port_->readBlock(static_cast<std::uint8_t*>(data), std::size_t(length));
}

int TFxCustomComPort::PeekInput(int n) const { return port_ ? port_->peek(n) : ecBufferIsEmpty; }

int TFxCustomComPort::InputCount() const { return port_ ? port_->inputCount() : 0; }

int TFxCustomComPort::ClearInput() {
  if (!port_) return ecBadHandle;
  port_->clearInput();
  return 0;
}

bool TFxCustomComPort::AwaitText(std::string_view text, Ticks ticks, bool yield, bool ignoreCase) {
  if (text.empty()) return true;
  if (ensureOpen() != 0) return false;
  const auto port = port_;
  const Clock& clock = *TimeSource;
  TextMatcher matcher(text, ignoreCase);
  const TickTimer timer = startTimer(ticks, clock);
  const bool pump = yield && Bridge && Bridge->isOwnerThread();
  port->trace().hold(true);
  struct Release {
    PortRecord& p;
    ~Release() { p.trace().hold(false); }
  } release{*port};
  const auto quitting = [this] { return Bridge && Bridge->quitting(); };
  for (;;) {
    if (quitting()) return false;  // even when the text is already waiting
    for (int c; (c = port->readChar()) >= 0;) {
      if (OnWaitChar) OnWaitChar(*this, char(c));
      if (matcher.feed(std::uint8_t(c))) return true;
    }
    if (quitting() || timerExpired(timer, clock) || port->closed()) return false;
    // Short waits, so that messages run often and a clock moved by a test is noticed.
    const auto wait = std::chrono::milliseconds(
        std::clamp<std::int64_t>(ticksToMs(remainingTicks(timer, clock)), 1, pump ? 10 : 50));
    port->waitInput(wait);
    if (pump && !Bridge->processPending()) return false;
  }
}

// ---- Modem lines ----------------------------------------------------------------------

bool TFxCustomComPort::HasModemLines() const { return port_ && port_->hasLines(); }
bool TFxCustomComPort::DeviceLost() const { return port_ && port_->deviceLost(); }
std::uint8_t TFxCustomComPort::ModemStatus() const { return port_ ? port_->modemStatus() : 0; }

// ---- Triggers -------------------------------------------------------------------------

int TFxCustomComPort::NewDataTrigger(std::string_view text, bool ignoreCase) {
  if (int rc = ensureOpen(); rc != 0) return rc;
  return port_->newDataTrigger(text, ignoreCase);
}

int TFxCustomComPort::NewTimerTrigger() {
  if (int rc = ensureOpen(); rc != 0) return rc;
  return port_->newTimerTrigger();
}

int TFxCustomComPort::NewStatusTrigger(int kind) {
  if (int rc = ensureOpen(); rc != 0) return rc;
  return port_->newStatusTrigger(kind);
}

int TFxCustomComPort::DropTrigger(int handle) {
  return port_ ? port_->dropTrigger(handle) : ecBadTriggerHandle;
}

int TFxCustomComPort::ArmTimerTrigger(int handle, Ticks ticks, bool active) {
  return port_ ? port_->armTimerTrigger(handle, ticks, active) : ecBadTriggerHandle;
}

int TFxCustomComPort::ArmTimerTriggerMs(int handle, std::uint64_t ms) {
  return port_ ? port_->armTimerTriggerMs(handle, ms) : ecBadTriggerHandle;
}

int TFxCustomComPort::ArmStatusTrigger(int handle, unsigned value, bool active) {
  return port_ ? port_->armStatusTrigger(handle, value, active) : ecBadTriggerHandle;
}

// ---- Handlers -------------------------------------------------------------------------

int TFxCustomComPort::AttachHandler(TTriggerHandler proc) {
  if (int rc = ensureOpen(); rc != 0) return rc;
  return port_->attachHandler(std::move(proc), nullptr);
}

int TFxCustomComPort::AttachWindowHandler(EventBridge& bridge, TTriggerHandler handler) {
  if (int rc = ensureOpen(); rc != 0) return rc;
  return port_->attachHandler(std::move(handler), &bridge);
}

int TFxCustomComPort::DetachHandler(int id) {
  return port_ ? port_->detachHandler(id) : ecBadHandle;
}

void TFxCustomComPort::RunSerialized(const std::function<void()>& fn) {
  if (port_)
    port_->runSerialized(fn, Bridge);
  else
    fn();
}

void TFxCustomComPort::TriggerEvent(unsigned msg, int triggerHandle, std::uint32_t data) {
  if (OnTrigger) OnTrigger(*this, msg, triggerHandle, data);
  const unsigned value = triggerValue(data);
  switch (msg) {
    case kTriggerAvail:
      if (OnTriggerAvail) OnTriggerAvail(*this, int(value));
      return;
    case kTriggerData:
      if (OnTriggerData) OnTriggerData(*this, triggerHandle);
      return;
    case kTriggerTimer:
      if (OnTriggerTimer) OnTriggerTimer(*this, triggerHandle);
      return;
    default: break;
  }
  // Every other message comes from a status trigger.
  if (OnTriggerStatus) OnTriggerStatus(*this, triggerHandle);
  switch (msg) {
    case kTriggerModemStatus:
      if (OnTriggerModemStatus) OnTriggerModemStatus(*this);
      break;
    case kTriggerLineError:
      if (OnTriggerLineError) OnTriggerLineError(*this, value & ~leBreak, (value & leBreak) != 0);
      break;
    case kTriggerOutbuffFree:
      if (OnTriggerOutbuffFree) OnTriggerOutbuffFree(*this);
      break;
    case kTriggerOutbuffUsed:
      if (OnTriggerOutbuffUsed) OnTriggerOutbuffUsed(*this);
      break;
    case kTriggerOutSent:
      if (OnTriggerOutSent) OnTriggerOutSent(*this);
      break;
  }
}

// ---- Flow control while a session runs --------------------------------------------------

int TFxCustomComPort::SWFlowEnable(TSWFlowOptions options, int bufferFull, int bufferResume) {
  if (bufferFull > 0) SetBufferFull(bufferFull);
  if (bufferResume > 0) SetBufferResume(bufferResume);
  try {
    SetSWFlowOptions(options);
  } catch (const EFxException& e) {
    return e.code();
  }
  return 0;
}

int TFxCustomComPort::SWFlowDisable() { return SWFlowEnable(TSWFlowOptions::swfNone); }

int TFxCustomComPort::HWFlowEnable(THWFlowOptions options, int bufferFull, int bufferResume) {
  if (bufferFull > 0) SetBufferFull(bufferFull);
  if (bufferResume > 0) SetBufferResume(bufferResume);
  try {
    SetHWFlowOptions(options);
  } catch (const EFxException& e) {
    return e.code();
  }
  return 0;
}

int TFxCustomComPort::HWFlowDisable() { return HWFlowEnable(0); }

}  // namespace faxengine
