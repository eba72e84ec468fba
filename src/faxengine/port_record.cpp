// Opening, the worker threads, dispatching and closing of one port.
#include "faxengine/port_record.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <system_error>

#include "faxcodes/error_codes.h"
#include "faxengine/comport.h"

namespace faxengine {

using namespace faxcodes;
using namespace std::chrono_literals;

namespace {

constexpr auto kDispatchTick = 50ms;
constexpr auto kThreadStartWait = 3000ms;
constexpr auto kThreadStopWait = 200ms;
constexpr int kMaxTimerRounds = 16;  // timers and status triggers re-checked per tick

// The table of open ports; a slot's index is the port's handle.
std::mutex slotMutex;
std::array<bool, kMaxOpenPorts> slotUsed{};

int takeSlot() {
  std::lock_guard lock(slotMutex);
  for (int i = 0; i < kMaxOpenPorts; ++i)
    if (!slotUsed[std::size_t(i)]) {
      slotUsed[std::size_t(i)] = true;
      return i;
    }
  return ecNoMoreHandles;
}

void freeSlot(int slot) {
  if (slot < 0) return;
  std::lock_guard lock(slotMutex);
  slotUsed[std::size_t(slot)] = false;
}

}  // namespace

// ---- Opening -------------------------------------------------------------------------

int PortRecord::open(const Config& config, std::shared_ptr<PortRecord>& out) {
  const int slot = takeSlot();
  if (slot < 0) return slot;
  std::shared_ptr<PortRecord> port;
  try {
    port.reset(new PortRecord());
  } catch (const std::bad_alloc&) {
    freeSlot(slot);
    return ecOutOfMemory;
  }
  port->slot_ = slot;
  if (int rc = port->start(config); rc != 0) return rc;  // the record frees its slot
  out = std::move(port);
  return 0;
}

int PortRecord::start(const Config& config) {
  path_ = config.path;
  clock_ = config.clock ? config.clock : &steadyClock();
  trace_ = config.trace ? config.trace : std::make_shared<PortTrace>();
  line_ = config.line;
  dtr_ = config.dtr;
  rts_ = config.rts;
  bufferFull_ = config.bufferFull;
  bufferResume_ = config.bufferResume;
  triggerLength_ = std::max(1, config.triggerLength);
  try {
    in_ = ByteRing(kDispatchBufferSize);
    out_ = ByteRing(std::max<std::size_t>(config.outSize, 1));
  } catch (const std::bad_alloc&) {
    return ecOutOfMemory;
  }
  if (int rc = device_.open(path_, line_); rc != 0) return rc;
  stopFd_.reset(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
  spaceFd_.reset(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
  if (!stopFd_ || !spaceFd_) return -errno;
  trace_->setOrigin(nowMs());
  trace_->addLog(LogType::Device, LogSub::Open, std::uint32_t(slot_), 0, nowMs());
  if (!device_.hasLines())
    trace_->addLog(LogType::Device, LogSub::NoLines, 0, 0, nowMs());  // said once per opening
  device_.setDTR(dtr_);
  device_.setRTS(rts_);
  modemShadow_ = device_.modemLines();
  device_.errorCounts(errorCounts_);

  // Started in this order, each given time to report that it runs.
  struct Start {
    std::thread PortRecord::*thread;
    void (PortRecord::*loop)();
    bool PortRecord::*ready;
  };
  const Start starts[] = {
      {&PortRecord::lineThread_, &PortRecord::lineLoop, &PortRecord::lineReady_},
      {&PortRecord::dispatchThread_, &PortRecord::dispatchLoop, &PortRecord::dispatchReady_},
      {&PortRecord::outputThread_, &PortRecord::outputLoop, &PortRecord::outputReady_}};
  self_ = shared_from_this();
  for (const auto& s : starts) {
    try {
      this->*s.thread = std::thread(s.loop, this);
    } catch (const std::system_error& e) {
      shutdown();
      self_.reset();
      return e.code().value() > 0 ? -e.code().value() : ecOutOfMemory;
    }
    Lock lk(mutex_);
    if (!stateCv_.wait_for(lk, kThreadStartWait, [&] { return this->*s.ready; })) {
      lk.unlock();
      shutdown();
      self_.reset();
      return ecOutOfMemory;
    }
  }
  return 0;
}

PortRecord::~PortRecord() {
  for (std::thread* t : {&lineThread_, &dispatchThread_, &outputThread_}) {
    if (!t->joinable()) continue;
    if (t->get_id() == std::this_thread::get_id())
      t->detach();  // the dispatcher let go of the last reference as it ends
    else
      t->join();
  }
  device_.close();
  freeSlot(slot_);
}

void PortRecord::wake(int fd) {
  const std::uint64_t one = 1;
  [[maybe_unused]] auto n = ::write(fd, &one, sizeof one);
}

// ---- Closing -------------------------------------------------------------------------

void PortRecord::waitWhileDelivering(Lock& lk, EventBridge* pump) {
  const bool pumping = pump && pump->isOwnerThread();
  while (delivering_) {
    if (pumping) {
      // A window handler may be waiting for this very thread: let it run.
      lk.unlock();
      pump->processPending(5ms);
      lk.lock();
    } else {
      stateCv_.wait_for(lk, 5ms);
    }
  }
}

bool PortRecord::close(EventBridge* pump) {
  {
    Lock lk(mutex_);
    if (closed_ || deferredClose_) return closed_;
    closeRequested_ = true;
    if (delivering_ && handlerThread_ == std::this_thread::get_id()) {
      deferredClose_ = true;
      dispatchCv_.notify_all();
      return false;
    }
    waitWhileDelivering(lk, pump);
  }
  shutdown();
  return true;
}

bool PortRecord::closed() const {
  Lock lk(mutex_);
  return closed_;
}

bool PortRecord::awaitClosed(EventBridge* pump) {
  Lock lk(mutex_);
  if (delivering_ && handlerThread_ == std::this_thread::get_id()) return false;
  const bool pumping = pump && pump->isOwnerThread();
  while (!closed_) {
    if (pumping) {
      lk.unlock();
      pump->processPending(5ms);
      lk.lock();
    } else {
      stateCv_.wait_for(lk, 5ms);
    }
  }
  lk.unlock();
  if (dispatchThread_.joinable() && dispatchThread_.get_id() != std::this_thread::get_id())
    dispatchThread_.join();
  return true;
}

// Tells one thread to end and gives it kThreadStopWait before joining it regardless.
void PortRecord::stopThread(std::thread& t, bool& ended, const char* which) {
  if (!t.joinable() || t.get_id() == std::this_thread::get_id()) return;
  Lock lk(mutex_);
  if (!stateCv_.wait_for(lk, kThreadStopWait, [&] { return ended; })) {
    trace_->addLog(LogType::Thread, LogSub::SlowStop, 0, 0, nowMs());
    trace_->addSpecial(std::string("slow to stop: ") + which, nowMs());
    lk.unlock();
    // Only the output thread can be held up, in a write the device does not take: let
    // the device drop its output and start again.
    device_.flushOutput();
    device_.restartOutput();
  } else {
    lk.unlock();
  }
  t.join();
}

void PortRecord::shutdown() {
  {
    Lock lk(mutex_);
    stop_ = true;
    closeRequested_ = true;
  }
  if (stopFd_) wake(stopFd_.get());
  dispatchCv_.notify_all();
  outputCv_.notify_all();
  stopThread(outputThread_, outputEnded_, "output");
  stopThread(lineThread_, lineEnded_, "line events");
  stopThread(dispatchThread_, dispatchEnded_, "dispatcher");
  Lock lk(mutex_);
  triggers_.clear();
  handlers_.clear();
  for (auto& c : calls_) c->taken = true;  // their callers run them (the port is gone)
  trace_->addLog(LogType::Device, LogSub::Close, std::uint32_t(slot_), 0, nowMs());
  device_.close();
  freeSlot(slot_);
  slot_ = -1;
  closed_ = true;
  stateCv_.notify_all();
  inputCv_.notify_all();
}

// ---- Line-event thread ---------------------------------------------------------------

void PortRecord::lineLoop() {
  {
    Lock lk(mutex_);
    lineReady_ = true;
    stateCv_.notify_all();
  }
  for (;;) {
    bool wantInput, lost;
    {
      Lock lk(mutex_);
      if (stop_) break;
      wantInput = !inFull_;
      lost = deviceLost_;
    }
    // A device that has gone reports POLLHUP for ever: it is left out of the poll then.
    pollfd fds[3] = {{lost ? -1 : device_.fd(), short(wantInput ? POLLIN : 0), 0},
                     {stopFd_.get(), POLLIN, 0},
                     {spaceFd_.get(), POLLIN, 0}};
    int n = ::poll(fds, 3, -1);
    if (n < 0 && errno != EINTR) break;
    if (fds[1].revents) break;
    if (fds[2].revents) {
      std::uint64_t v;
      [[maybe_unused]] auto r = ::read(spaceFd_.get(), &v, sizeof v);
    }
    Lock lk(mutex_);
    bool hangUp = fds[0].revents & (POLLHUP | POLLERR | POLLNVAL);
    // Readable with nothing to read is the end of the line (a terminal that hung up).
    if (fds[0].revents & POLLIN) hangUp = readDevice(lk) == 0 || hangUp;
    // With CLOCAL set a terminal hangs up only when its device is gone for good: a USB
    // modem unplugged, or the far side of a pseudo-terminal closed.
    if (hangUp) markDeviceLost("hang-up");
  }
  Lock lk(mutex_);
  lineEnded_ = true;
  stateCv_.notify_all();
}

// Called with the lock held, by the thread that found the device gone. The line-error
// bit reaches the handlers through the status triggers on the dispatcher's next round.
void PortRecord::markDeviceLost(const char* how) {
  if (deviceLost_) return;
  deviceLost_ = true;
  pendingLineErrors_ |= leDeviceLost;
  trace_->addLog(LogType::Device, LogSub::HangUp, 0, 0, nowMs());
  trace_->addSpecial(std::string("device lost: ") + how, nowMs());
  dispatchCv_.notify_all();
  outputCv_.notify_all();
  inputCv_.notify_all();
}

bool PortRecord::deviceLost() const {
  Lock lk(mutex_);
  return deviceLost_;
}

// ---- Dispatcher thread ---------------------------------------------------------------

bool PortRecord::hasWork() const {
  return rxPending_ || outputEvent_ || timerArmed_ || pendingLineErrors_ != 0 ||
         !calls_.empty() || stop_ || deferredClose_;
}

void PortRecord::dispatchLoop() {
  Lock lk(mutex_);
  dispatchReady_ = true;
  stateCv_.notify_all();
  auto nextTick = std::chrono::steady_clock::now() + kDispatchTick;
  while (!stop_ && !deferredClose_) {
    dispatchCv_.wait_until(lk, wakeTime(nextTick), [&] { return hasWork(); });
    if (stop_ || deferredClose_) break;
    runCalls(lk);
    if (rxPending_) {
      rxPending_ = false;
      dispatchData(lk);
    }
    outputEvent_ = false;
    timerArmed_ = false;
    if (std::chrono::steady_clock::now() >= nextTick) {
      nextTick = std::chrono::steady_clock::now() + kDispatchTick;
      pollLines(lk);
    }
    runTimersAndStatus(lk);
  }
  const bool closeHere = deferredClose_ && !stop_;
  dispatchEnded_ = true;
  stateCv_.notify_all();
  lk.unlock();
  if (closeHere) shutdown();
  // The last reference may be this one; nothing of the record is touched after it.
  std::shared_ptr<PortRecord> keep = std::move(self_);
}

void PortRecord::runCalls(Lock& lk) {
  while (!calls_.empty() && !closeRequested_) {
    auto call = calls_.front();
    calls_.erase(calls_.begin());
    call->taken = true;
    delivering_ = true;
    handlerThread_ = std::this_thread::get_id();
    lk.unlock();
    try {
      call->fn();
    } catch (const std::exception& e) {
      // A serialized call that throws must not end the dispatcher; the trace says why.
      trace_->addSpecial(std::string("serialized call failed: ") + e.what(), nowMs());
    } catch (...) {
      trace_->addSpecial("serialized call failed: not a standard exception", nowMs());
    }
    lk.lock();
    delivering_ = false;
    handlerThread_ = {};
    call->done = true;
    stateCv_.notify_all();
  }
}

// Reads what the device holds into the dispatch ring, as far as the ring has room, and
// hands it to the dispatcher; returns the count read. Runs on the line-event thread, so
// reading goes on while the dispatcher delivers. The read itself runs unlocked: only
// this thread fills the ring, and readers only move its tail.
std::size_t PortRecord::readDevice(Lock& lk) {
  std::size_t total = 0;
  while (!in_.full() && !stop_) {
    std::span<std::uint8_t> room = in_.writable();
    lk.unlock();
    ssize_t n = ::read(device_.fd(), room.data(), room.size());
    lk.lock();
    if (n <= 0) break;
    in_.commit(std::size_t(n));
    trace_->addBytes(PortTrace::kReceive, room.data(), std::size_t(n), nowMs());
    total += std::size_t(n);
    if (std::size_t(n) < room.size()) break;  // the device had no more
  }
  if (total == 0) return 0;
  trace_->addLog(LogType::Dispatch, LogSub::ReadCom, std::uint32_t(total), 0, nowMs());
  inFull_ = in_.full();
  checkReceiveFlow();
  rxPending_ = true;
  dispatchCv_.notify_all();
  inputCv_.notify_all();
  return total;
}

// Modem lines and line errors, looked at on each tick where the device has lines.
void PortRecord::pollLines(Lock& lk) {
  if (!device_.hasLines()) return;
  lk.unlock();
  const std::uint8_t lines = device_.modemLines();
  LineErrorCounts counts;
  const bool haveCounts = device_.errorCounts(counts);
  lk.lock();
  if (lines != modemShadow_) {
    trace_->addLog(LogType::Dispatch, LogSub::ModemStat, lines, modemShadow_, nowMs());
    modemShadow_ = lines;
  }
  if (haveCounts && !(counts == errorCounts_)) {
    unsigned bits = 0;
    if (counts.overrun != errorCounts_.overrun) bits |= leOverrun;
    if (counts.parity != errorCounts_.parity) bits |= leParity;
    if (counts.framing != errorCounts_.framing) bits |= leFraming;
    if (counts.brk != errorCounts_.brk) bits |= leBreak;
    if (counts.bufferOverrun != errorCounts_.bufferOverrun) bits |= leBufferOverflow;
    errorCounts_ = counts;
    pendingLineErrors_ |= bits;
    trace_->addLog(LogType::Dispatch, LogSub::LineError, bits, 0, nowMs());
  }
}

// Feeds each byte not yet examined to the data triggers. When triggers complete, data
// available goes out first for the bytes before the match, then each completed trigger.
// After the scan, data available goes out while enough bytes wait and handlers take some.
void PortRecord::dispatchData(Lock& lk) {
  std::vector<FiredTrigger> fired;
  bool examined = false;
  if (scan_ < in_.tail()) scan_ = in_.tail();
  if (!triggers_.hasDataTriggers() && scan_ < in_.head()) {
    scan_ = in_.head();  // nothing to match: the bytes count as examined
    examined = true;
  }
  while (scan_ < in_.head() && !closeRequested_) {
    fired.clear();
    triggers_.feed(in_.at(scan_++), fired);
    examined = true;
    if (fired.empty()) continue;
    int longest = 0;
    for (const auto& f : fired) longest = std::max(longest, f.length);
    const std::uint64_t matchStart = scan_ - std::uint64_t(longest);
    if (matchStart > in_.tail()) deliver(lk, kTriggerAvail, 0, unsigned(matchStart - in_.tail()));
    for (const auto& f : fired) deliver(lk, f.msg, f.handle, f.value);
    if (scan_ < in_.tail()) scan_ = in_.tail();
  }
  if (!examined) return;
  while (!closeRequested_ && in_.used() >= std::size_t(triggerLength_) && in_.used() > 0) {
    if (deliver(lk, kTriggerAvail, 0, unsigned(in_.used())) == 0) break;
  }
}

void PortRecord::runTimersAndStatus(Lock& lk) {
  std::vector<FiredTrigger> fired;
  for (int round = 0; round < kMaxTimerRounds && !closeRequested_; ++round) {
    fired.clear();
    triggers_.dueTimers(nowMs(), fired);
    StatusSnapshot snap;
    snap.modem = modemShadow_;
    snap.newLineErrors = pendingLineErrors_ | (deviceLost_ ? leDeviceLost : 0);
    snap.outUsed = out_.used();
    snap.outSpace = out_.space();
    snap.deviceDrained =
        out_.used() == 0 && triggers_.watchesOutSent() && device_.driverOutputQueued() == 0;
    triggers_.dueStatus(snap, fired);
    pendingLineErrors_ = 0;
    if (fired.empty()) break;
    for (const auto& f : fired) deliver(lk, f.msg, f.handle, f.value);
  }
}

// Delivers one trigger to every handler, newest first; returns the bytes consumed.
std::size_t PortRecord::deliver(Lock& lk, unsigned msg, int handle, unsigned value) {
  if (handlers_.empty()) return 0;
  static constexpr LogSub kSubs[] = {LogSub::Avail, LogSub::Data, LogSub::Timer};
  trace_->addLog(LogType::Trigger,
                 msg <= kTriggerTimer ? kSubs[msg - kTriggerAvail] : LogSub::Status,
                 std::uint32_t(handle), value, nowMs());
  const std::uint32_t data = (std::uint32_t(slot_) << 16) | (value & 0xFFFF);
  const auto list = handlers_;
  std::size_t consumedMost = 0;
  delivering_ = true;
  cursorReads_ = true;
  for (const auto& h : list) {
    if (closeRequested_) break;
    cursor_ = 0;
    callHandler(lk, *h, msg, handle, data);
    consumedMost = std::max(consumedMost, cursor_);
  }
  cursor_ = 0;
  cursorReads_ = false;
  delivering_ = false;
  handlerThread_ = {};
  consumed(consumedMost);
  stateCv_.notify_all();
  return consumedMost;
}

void PortRecord::callHandler(Lock& lk, const Handler& h, unsigned msg, int handle,
                             std::uint32_t data) {
  auto call = [&] {
    try {
      h.fn(msg, handle, data);
    } catch (const std::exception& e) {
      // A handler that throws must not end the dispatcher; the delivery counts as done
      // and the trace says why.
      trace_->addSpecial(std::string("trigger handler failed: ") + e.what(), nowMs());
    } catch (...) {
      trace_->addSpecial("trigger handler failed: not a standard exception", nowMs());
    }
  };
  if (!h.bridge) {
    handlerThread_ = std::this_thread::get_id();
    lk.unlock();
    call();
    lk.lock();
    return;
  }
  lk.unlock();
  h.bridge->send([&] {
    {
      Lock inner(mutex_);
      handlerThread_ = std::this_thread::get_id();
    }
    call();
    Lock inner(mutex_);
    handlerThread_ = {};
  });
  lk.lock();
}

// ---- Output thread -------------------------------------------------------------------

void PortRecord::outputLoop() {
  Lock lk(mutex_);
  outputReady_ = true;
  stateCv_.notify_all();
  // At most half the ring goes out per write, so that a writer refilling on the
  // output-free trigger works on one half while the device takes the other.
  std::vector<std::uint8_t> chunk(std::max<std::size_t>(out_.capacity() / 2, 1));
  while (!stop_) {
    // Nothing more goes to a device that has gone: the bytes stay queued.
    outputCv_.wait(lk, [&] { return stop_ || (out_.used() > 0 && !deviceLost_); });
    if (stop_) break;
    const std::uint64_t generation = outGeneration_;
    const std::uint64_t from = out_.tail();
    const std::size_t len = out_.copyOut(from, chunk.data(), chunk.size());
    // Traced before it is written, so that a reply is never traced ahead of the bytes it
    // answers; after a short write the rest is not traced a second time.
    if (from + len > tracedOut_) {
      const std::uint64_t start = std::max(from, tracedOut_);
      trace_->addBytes(PortTrace::kTransmit, chunk.data() + (start - from),
                       std::size_t(from + len - start), nowMs());
      tracedOut_ = from + len;
    }
    lk.unlock();
    pollfd fds[2] = {{device_.fd(), POLLOUT, 0}, {stopFd_.get(), POLLIN, 0}};
    ::poll(fds, 2, -1);
    if (fds[1].revents) {
      lk.lock();
      break;
    }
    ssize_t n = -1;
    {
      Lock check(mutex_);
      if (generation != outGeneration_) n = 0;  // cleared meanwhile
    }
    if (n != 0) n = ::write(device_.fd(), chunk.data(), len);
    const int err = errno;
    lk.lock();
    if (n > 0 && generation == outGeneration_) {
      out_.consume(std::size_t(n));
      if (triggers_.watchesOutput()) {
        outputEvent_ = true;
        dispatchCv_.notify_all();
      }
    } else if (n < 0 && err != EINTR && err != EAGAIN) {
      markDeviceLost("write failed");
    }
  }
  outputEnded_ = true;
  stateCv_.notify_all();
}

// ---- Operations ----------------------------------------------------------------------

int PortRecord::write(const std::uint8_t* data, std::size_t n) {
  Lock lk(mutex_);
  if (closeRequested_) return ecBadHandle;
  if (n > out_.capacity()) return ecOutputTooSmall;
  if (n > out_.space()) return ecOutputFull;
  out_.put(data, n);
  outputCv_.notify_all();
  return 0;
}

int PortRecord::outputCount() const {
  Lock lk(mutex_);
  return int(out_.used());
}

int PortRecord::outputSpace() const {
  Lock lk(mutex_);
  return int(out_.space());
}

void PortRecord::clearOutput() {
  Lock lk(mutex_);
  out_.clear();
  ++outGeneration_;
  device_.flushOutput();
}

bool PortRecord::readsThroughCursor() const {
  return cursorReads_ && handlerThread_ == std::this_thread::get_id();
}

// Input left the ring: wake the line thread when the ring was full, resume the sender.
void PortRecord::consumed(std::size_t n) {
  if (n == 0) return;
  in_.consume(n);
  if (inFull_ && !in_.full()) {
    inFull_ = false;
    wake(spaceFd_.get());
  }
  checkReceiveFlow();
}

// Receive flow control at the BufferFull and BufferResume levels of the dispatch ring.
void PortRecord::checkReceiveFlow() {
  const bool sw =
      line_.swFlow == TSWFlowOptions::swfReceive || line_.swFlow == TSWFlowOptions::swfBoth;
  const bool hw = line_.hwFlow & hwfUseRTS;
  if (!sw && !hw) return;
  const std::size_t full = bufferFull_ > 0 ? std::size_t(bufferFull_) : in_.capacity() * 9 / 10;
  const std::size_t resume = bufferResume_ > 0 ? std::size_t(bufferResume_) : in_.capacity() / 10;
  if (!throttled_ && in_.used() >= full) {
    throttled_ = true;
    if (sw) device_.sendStop();
    if (hw) device_.setRTS(false);
    trace_->addLog(LogType::Device, LogSub::Throttle, std::uint32_t(in_.used()), 0, nowMs());
  } else if (throttled_ && in_.used() <= resume) {
    throttled_ = false;
    if (sw) device_.sendStart();
    if (hw) device_.setRTS(rts_);
    trace_->addLog(LogType::Device, LogSub::Resume, std::uint32_t(in_.used()), 0, nowMs());
  }
}

int PortRecord::readChar() {
  Lock lk(mutex_);
  if (readsThroughCursor()) {
    if (cursor_ >= in_.used()) return ecBufferIsEmpty;
    return in_.at(in_.tail() + cursor_++);
  }
  if (in_.used() == 0) return ecBufferIsEmpty;
  const int c = in_.at(in_.tail());
  consumed(1);
  return c;
}

int PortRecord::readBlock(std::uint8_t* out, std::size_t n) {
  Lock lk(mutex_);
  if (readsThroughCursor()) {
    const std::size_t got =
        in_.copyOut(in_.tail() + cursor_, out, std::min(n, in_.used() - cursor_));
    cursor_ += got;
    return int(got);
  }
  const std::size_t got = in_.copyOut(in_.tail(), out, n);
  consumed(got);
  return int(got);
}

int PortRecord::peek(int n) const {
  Lock lk(mutex_);
  const std::size_t skip = readsThroughCursor() ? cursor_ : 0;
  if (n < 1 || std::size_t(n) > in_.used() - skip) return ecBufferIsEmpty;
  return in_.at(in_.tail() + skip + std::size_t(n) - 1);
}

int PortRecord::inputCount() const {
  Lock lk(mutex_);
  return int(in_.used() - (readsThroughCursor() ? cursor_ : 0));
}

void PortRecord::clearInput() {
  Lock lk(mutex_);
  if (readsThroughCursor())
    cursor_ = in_.used();
  else
    consumed(in_.used());
  scan_ = in_.head();
  triggers_.resetMatchers();
  device_.flushInput();
}

bool PortRecord::waitInput(std::chrono::milliseconds wait) {
  Lock lk(mutex_);
  const std::size_t skip = readsThroughCursor() ? cursor_ : 0;
  return inputCv_.wait_for(lk, wait, [&] { return in_.used() > skip || closed_; }) &&
         in_.used() > skip;
}

std::uint8_t PortRecord::modemStatus() const {
  Lock lk(mutex_);
  return modemShadow_;
}

void PortRecord::setDTR(bool on) {
  Lock lk(mutex_);
  dtr_ = on;
  device_.setDTR(on);
}

void PortRecord::setRTS(bool on) {
  Lock lk(mutex_);
  rts_ = on;
  if (!throttled_) device_.setRTS(on);
}

int PortRecord::applyLine(const LineSettings& line) {
  Lock lk(mutex_);
  if (int rc = device_.applyLine(line); rc != 0) return rc;
  line_ = line;
  return 0;
}

void PortRecord::setFlowLevels(int full, int resume) {
  Lock lk(mutex_);
  bufferFull_ = full;
  bufferResume_ = resume;
}

void PortRecord::setTriggerLength(int n) {
  Lock lk(mutex_);
  triggerLength_ = std::max(1, n);
}

int PortRecord::newDataTrigger(std::string_view text, bool ignoreCase) {
  Lock lk(mutex_);
  return triggers_.newData(text, ignoreCase);
}

int PortRecord::newTimerTrigger() {
  Lock lk(mutex_);
  return triggers_.newTimer();
}

int PortRecord::newStatusTrigger(int kind) {
  Lock lk(mutex_);
  return triggers_.newStatus(kind);
}

int PortRecord::dropTrigger(int handle) {
  Lock lk(mutex_);
  return triggers_.drop(handle);
}

int PortRecord::armTimerTrigger(int handle, std::int64_t ticks, bool active) {
  Lock lk(mutex_);
  return triggers_.armTimer(handle, ticksAt(nowMs()), ticks, active);
}

int PortRecord::armTimerTriggerMs(int handle, std::uint64_t ms) {
  Lock lk(mutex_);
  int rc = triggers_.armTimerMs(handle, nowMs(), ms);
  timerArmed_ = true;  // the dispatcher's wait may have to end sooner
  dispatchCv_.notify_all();
  return rc;
}

// The dispatcher's next wake-up: its tick, or a millisecond timer due before it.
std::chrono::steady_clock::time_point PortRecord::wakeTime(
    std::chrono::steady_clock::time_point nextTick) const {
  const std::uint64_t due = triggers_.nextDueMs();
  if (due == 0) return nextTick;
  const std::uint64_t now = nowMs();
  const auto at = std::chrono::steady_clock::now() +
                  std::chrono::milliseconds(due > now ? due - now : 0);
  return std::min(at, nextTick);
}

int PortRecord::armStatusTrigger(int handle, unsigned value, bool active) {
  Lock lk(mutex_);
  int rc = triggers_.armStatus(handle, value, active, modemShadow_);
  if (rc == 0 && active) {
    outputEvent_ = true;  // look at it now rather than at the next tick
    dispatchCv_.notify_all();
  }
  return rc;
}

int PortRecord::attachHandler(TTriggerHandler fn, EventBridge* bridge) {
  Lock lk(mutex_);
  auto h = std::make_shared<Handler>(Handler{nextHandlerId_++, std::move(fn), bridge});
  handlers_.insert(handlers_.begin(), h);
  return h->id;
}

int PortRecord::detachHandler(int id) {
  Lock lk(mutex_);
  for (auto it = handlers_.begin(); it != handlers_.end(); ++it)
    if ((*it)->id == id) {
      handlers_.erase(it);
      return 0;
    }
  return ecBadHandle;
}

void PortRecord::runSerialized(const std::function<void()>& fn, EventBridge* pump) {
  Lock lk(mutex_);
  const bool inside = (delivering_ && handlerThread_ == std::this_thread::get_id()) ||
                      std::this_thread::get_id() == dispatchThread_.get_id();
  if (inside || closeRequested_) {
    lk.unlock();
    fn();
    return;
  }
  auto call = std::make_shared<Call>();
  call->fn = fn;
  calls_.push_back(call);
  dispatchCv_.notify_all();
  const bool pumping = pump && pump->isOwnerThread();
  while (!call->done && !(call->taken && closed_)) {
    if (pumping) {
      lk.unlock();
      pump->processPending(2ms);
      lk.lock();
    } else {
      stateCv_.wait_for(lk, 5ms);
    }
  }
  if (!call->done) {
    lk.unlock();
    fn();  // the port closed before the dispatcher took the call
  }
}

}  // namespace faxengine
