// The port's trace (every byte sent and received) and dispatcher log, kept in memory up
// to a number of entries and written to a dump file on request. Each dump line starts
// with its time in milliseconds from the port's opening, so a dump a user sends in shows
// the timing of a failed call. Belongs to the component, so it outlives a closed port.
#pragma once

#include <atomic>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <string_view>

#include "faxengine/port_types.h"

namespace faxengine {

// Kinds of log entry and their subtypes (written as words in the dump).
enum class LogType : std::uint8_t { Device, Thread, Dispatch, Trigger, User };
enum class LogSub : std::uint8_t {
  None,
  Open,
  Close,
  NoLines,
  HangUp,
  Throttle,
  Resume,  // Device
  Start,
  Stop,
  SlowStop,  // Thread
  ReadCom,
  ModemStat,
  LineError,  // Dispatch
  Avail,
  Data,
  Timer,
  Status  // Trigger
};

class PortTrace {
 public:
  static constexpr char kTransmit = 'T';
  static constexpr char kReceive = 'R';

  struct Settings {
    int size = 10000;
    std::string name;
    bool hex = true;
  };

  // Time stamps count from here (the port's opening, in clock milliseconds).
  void setOrigin(std::uint64_t ms);

  TTraceLogState traceState() const;
  TTraceLogState logState() const;
  // Applies a state; a dump that cannot be written gives the file error code (negative).
  int setTraceState(TTraceLogState s, const Settings& settings);
  int setLogState(TTraceLogState s, const Settings& settings);

  // While held (AwaitText), nothing is recorded. Holds nest.
  void hold(bool on);

  void addBytes(char kind, const std::uint8_t* data, std::size_t n, std::uint64_t nowMs);
  void addSpecial(std::string_view text, std::uint64_t nowMs);
  void addLog(LogType type, LogSub sub, std::uint32_t data, std::uint32_t other,
              std::uint64_t nowMs);
  void addLogText(std::string_view text, std::uint64_t nowMs);

  // The dumps as text (what the files receive).
  std::string traceText(bool hex) const;
  std::string logText(bool hex) const;

 private:
  struct TraceEntry {
    std::uint32_t ms;
    char kind;  // kTransmit, kReceive, or 'S' for a special entry
    std::uint8_t byte;
    std::string text;
  };
  struct LogEntry {
    std::uint32_t ms;
    LogType type;
    LogSub sub;
    std::uint32_t data;
    std::uint32_t other;
    std::string text;
  };
  template <class Entry>
  struct Queue {
    TTraceLogState state = TTraceLogState::tlOff;
    std::size_t limit = 10000;
    std::deque<Entry> entries;
    bool recording() const { return state == TTraceLogState::tlOn; }
    void push(Entry e) {
      if (entries.size() >= limit && !entries.empty()) entries.pop_front();
      if (limit > 0) entries.push_back(std::move(e));
    }
  };
  template <class Entry>
  int applyState(Queue<Entry>& q, TTraceLogState s, const Settings& settings, bool isTrace);
  std::uint32_t stamp(std::uint64_t nowMs) const;
  std::string buildTraceText(bool hex) const;  // callers hold mutex_
  std::string buildLogText(bool hex) const;

  void updateRecording();  // callers hold mutex_

  mutable std::mutex mutex_;
  // Whether anything is recorded now, read without the lock so that a port with trace
  // and log off pays nothing per byte.
  std::atomic<bool> tracing_{false};
  std::atomic<bool> logging_{false};
  std::uint64_t originMs_ = 0;
  int held_ = 0;
  Queue<TraceEntry> trace_;
  Queue<LogEntry> log_;
};

}  // namespace faxengine
