// Recording and dumping the trace and the log.
#include "faxengine/port_trace.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <fstream>

#include "faxcodes/texts.h"

namespace faxengine {

namespace {

constexpr std::size_t kTraceLineChars = 64;
constexpr std::uint32_t kTraceGapMs = 50;  // a pause this long starts a new trace line

const char* typeName(LogType t) {
  switch (t) {
    case LogType::Device: return "Device";
    case LogType::Thread: return "Thread";
    case LogType::Dispatch: return "Dispatch";
    case LogType::Trigger: return "Trigger";
    case LogType::User: return "User";
  }
  return "";
}

const char* subName(LogSub s) {
  static constexpr const char* kNames[] = {
      "",          "Open",  "Close", "NoLines",  "HangUp",  "Throttle",
      "Resume",    "Start", "Stop",  "SlowStop", "ReadCom", "ModemStat",
      "LineError", "Avail", "Data",  "Timer",    "Status"};
  return kNames[std::size_t(s)];
}

// A byte as its character, or in brackets as hex or decimal.
void appendByte(std::string& out, std::uint8_t b, bool hex) {
  const std::uint8_t first = hex ? '!' : ' ';
  if (b >= first && b <= '~') {
    out += char(b);
    return;
  }
  char buf[8];
  std::snprintf(buf, sizeof buf, hex ? "[%02X]" : "[%u]", unsigned(b));
  out += buf;
}

std::string number(std::uint32_t v, bool hex) {
  char buf[16];
  std::snprintf(buf, sizeof buf, hex ? "%X" : "%u", unsigned(v));
  return buf;
}

int writeFile(const std::string& name, const std::string& text, bool append) {
  if (name.empty()) return 0;
  std::ofstream out(name, append ? std::ios::binary | std::ios::app : std::ios::binary);
  if (!out) return faxcodes::ioErrorFromErrno(errno, true);
  out << text;
  out.close();
  return out ? 0 : faxcodes::ioErrorFromErrno(errno, true);
}

}  // namespace

void PortTrace::setOrigin(std::uint64_t ms) {
  std::lock_guard lock(mutex_);
  originMs_ = ms;
}

std::uint32_t PortTrace::stamp(std::uint64_t nowMs) const {
  return std::uint32_t(nowMs >= originMs_ ? nowMs - originMs_ : 0);
}

TTraceLogState PortTrace::traceState() const {
  std::lock_guard lock(mutex_);
  return trace_.state;
}

TTraceLogState PortTrace::logState() const {
  std::lock_guard lock(mutex_);
  return log_.state;
}

void PortTrace::updateRecording() {
  tracing_ = trace_.recording() && held_ == 0;
  logging_ = log_.recording() && held_ == 0;
}

void PortTrace::hold(bool on) {
  std::lock_guard lock(mutex_);
  held_ += on ? 1 : -1;
  updateRecording();
}

void PortTrace::addBytes(char kind, const std::uint8_t* data, std::size_t n, std::uint64_t nowMs) {
  if (!tracing_) return;
  std::lock_guard lock(mutex_);
  if (!trace_.recording() || held_ > 0) return;
  const std::uint32_t ms = stamp(nowMs);
  for (std::size_t i = 0; i < n; ++i) trace_.push({ms, kind, data[i], {}});
}

void PortTrace::addSpecial(std::string_view text, std::uint64_t nowMs) {
  if (!tracing_) return;
  std::lock_guard lock(mutex_);
  if (!trace_.recording() || held_ > 0) return;
  trace_.push({stamp(nowMs), 'S', 0, std::string(text)});
}

void PortTrace::addLog(LogType type, LogSub sub, std::uint32_t data, std::uint32_t other,
                       std::uint64_t nowMs) {
  if (!logging_) return;
  std::lock_guard lock(mutex_);
  if (!log_.recording() || held_ > 0) return;
  log_.push({stamp(nowMs), type, sub, data, other, {}});
}

void PortTrace::addLogText(std::string_view text, std::uint64_t nowMs) {
  if (!logging_) return;
  std::lock_guard lock(mutex_);
  if (!log_.recording() || held_ > 0) return;
  log_.push({stamp(nowMs), LogType::User, LogSub::None, 0, 0, std::string(text)});
}

std::string PortTrace::traceText(bool hex) const {
  std::lock_guard lock(mutex_);
  return buildTraceText(hex);
}

std::string PortTrace::logText(bool hex) const {
  std::lock_guard lock(mutex_);
  return buildLogText(hex);
}

std::string PortTrace::buildTraceText(bool hex) const {
  std::string out;
  std::string line;
  char lineKind = 0;
  std::uint32_t lastMs = 0;
  auto flush = [&] {
    if (!line.empty()) out += line + "\n";
    line.clear();
    lineKind = 0;
  };
  auto start = [&](std::uint32_t ms, const char* prefix) {
    char buf[24];
    std::snprintf(buf, sizeof buf, "%8u  ", unsigned(ms));
    line = std::string(buf) + prefix;
  };
  for (const auto& e : trace_.entries) {
    if (e.kind == 'S') {
      flush();
      start(e.ms, "Special-");
      line += e.text;
      flush();
      continue;
    }
    if (e.kind != lineKind || line.size() >= kTraceLineChars || e.ms - lastMs >= kTraceGapMs) {
      flush();
      start(e.ms, e.kind == kTransmit ? "Transmit: " : "Receive: ");
      lineKind = e.kind;
    }
    appendByte(line, e.byte, hex);
    lastMs = e.ms;
    if (e.byte == '\n') flush();
  }
  flush();
  return out;
}

std::string PortTrace::buildLogText(bool hex) const {
  std::string out = "Time      Type      SubType       Data  OtherData\n";
  char buf[160];
  for (const auto& e : log_.entries) {
    if (e.type == LogType::User) {
      std::snprintf(buf, sizeof buf, "%-10u%-10s", unsigned(e.ms), typeName(e.type));
      out += buf + e.text + "\n";
      continue;
    }
    std::snprintf(buf, sizeof buf, "%-10u%-10s%-10s%8s  %9s\n", unsigned(e.ms), typeName(e.type),
                  subName(e.sub), number(e.data, hex).c_str(), number(e.other, hex).c_str());
    out += buf;
  }
  return out;
}

template <class Entry>
int PortTrace::applyState(Queue<Entry>& q, TTraceLogState s, const Settings& settings,
                          bool isTrace) {
  using S = TTraceLogState;
  int rc = 0;
  switch (s) {
    case S::tlOn:
      if (q.state == S::tlOff) {
        q.entries.clear();
        q.limit = std::size_t(std::max(settings.size, 0));
      }
      q.state = S::tlOn;
      break;
    case S::tlOff:
      q.entries.clear();
      q.state = S::tlOff;
      break;
    case S::tlPause:
      if (q.state == S::tlOn) q.state = S::tlPause;
      break;
    case S::tlClear:
      q.entries.clear();
      if (q.state == S::tlOff) q.limit = std::size_t(std::max(settings.size, 0));
      q.state = S::tlOn;
      break;
    case S::tlDump:
    case S::tlAppend: {
      std::string text = isTrace ? buildTraceText(settings.hex) : buildLogText(settings.hex);
      rc = writeFile(settings.name, text, s == S::tlAppend);
      q.entries.clear();
      q.state = S::tlOff;
      break;
    }
  }
  return rc;
}

int PortTrace::setTraceState(TTraceLogState s, const Settings& settings) {
  std::lock_guard lock(mutex_);
  const int rc = applyState(trace_, s, settings, true);
  updateRecording();
  return rc;
}

int PortTrace::setLogState(TTraceLogState s, const Settings& settings) {
  std::lock_guard lock(mutex_);
  const int rc = applyState(log_, s, settings, false);
  updateRecording();
  return rc;
}

}  // namespace faxengine
