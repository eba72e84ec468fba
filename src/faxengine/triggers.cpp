// Trigger slots and their firing rules.
#include "faxengine/triggers.h"

#include "faxcodes/error_codes.h"
#include "faxengine/port_types.h"

namespace faxengine {

using namespace faxcodes;

template <class Slot, std::size_t N>
int TriggerTable::take(std::array<std::optional<Slot>, N>& slots, int base, Slot s) {
  for (std::size_t i = 0; i < N; ++i)
    if (!slots[i]) {
      slots[i] = std::move(s);
      return base + int(i) + 1;
    }
  return ecNoMoreTriggers;
}

template <class Slot, std::size_t N>
std::optional<Slot>* TriggerTable::find(std::array<std::optional<Slot>, N>& slots, int base,
                                        int handle) {
  int i = handle - base - 1;
  if (i < 0 || i >= int(N) || !slots[std::size_t(i)]) return nullptr;
  return &slots[std::size_t(i)];
}

int TriggerTable::newData(std::string_view text, bool ignoreCase) {
  const int handle = take(data_, kDataBase, Data{TextMatcher(text, ignoreCase)});
  if (handle > 0) dataInUse_.push_back(std::size_t(handle - kDataBase - 1));
  return handle;
}

int TriggerTable::newTimer() { return take(timers_, kTimerBase, Timer{}); }

int TriggerTable::newStatus(int kind) {
  if (kind < stModem || kind > stOutSent) return ecBadArgument;
  return take(status_, kStatusBase, Status{kind});
}

int TriggerTable::drop(int handle) {
  if (auto* d = find(data_, kDataBase, handle))
    d->reset();
  else if (auto* t = find(timers_, kTimerBase, handle))
    t->reset();
  else if (auto* s = find(status_, kStatusBase, handle))
    s->reset();
  else
    return ecBadTriggerHandle;
  return 0;
}

int TriggerTable::armTimer(int handle, Ticks now, std::int64_t ticks, bool active) {
  auto* t = find(timers_, kTimerBase, handle);
  if (!t) return ecBadTriggerHandle;
  (*t)->timer = faxengine::newTimer(now, ticks);
  (*t)->dueMs = 0;
  (*t)->active = active;
  return 0;
}

int TriggerTable::armTimerMs(int handle, std::uint64_t nowMs, std::uint64_t ms) {
  auto* t = find(timers_, kTimerBase, handle);
  if (!t) return ecBadTriggerHandle;
  (*t)->dueMs = nowMs + std::max<std::uint64_t>(ms, 1);
  (*t)->active = true;
  return 0;
}

int TriggerTable::armStatus(int handle, unsigned value, bool active, std::uint8_t modemNow) {
  auto* s = find(status_, kStatusBase, handle);
  if (!s) return ecBadTriggerHandle;
  (*s)->value = value;
  (*s)->modemAtArm = modemNow;
  (*s)->active = active;
  return 0;
}

void TriggerTable::clear() {
  for (auto& d : data_) d.reset();
  dataInUse_.clear();
  for (auto& t : timers_) t.reset();
  for (auto& s : status_) s.reset();
}

void TriggerTable::feed(std::uint8_t c, std::vector<FiredTrigger>& out) {
  for (std::size_t i : dataInUse_)
    if (data_[i]->matcher.feed(c)) {
      int len = data_[i]->matcher.length();
      out.push_back({kTriggerData, kDataBase + int(i) + 1, unsigned(len), len});
    }
}

void TriggerTable::resetMatchers() {
  for (auto& d : data_)
    if (d) d->matcher.reset();
}

void TriggerTable::dueTimers(std::uint64_t nowMs, std::vector<FiredTrigger>& out) {
  const Ticks now = ticksAt(nowMs);
  for (std::size_t i = 0; i < timers_.size(); ++i) {
    auto& t = timers_[i];
    if (!t || !t->active) continue;
    if (t->dueMs != 0 ? nowMs >= t->dueMs : timerExpired(t->timer, now)) {
      t->active = false;
      out.push_back({kTriggerTimer, kTimerBase + int(i) + 1, 0, 0});
    }
  }
}

std::uint64_t TriggerTable::nextDueMs() const {
  std::uint64_t next = 0;
  for (const auto& t : timers_)
    if (t && t->active && t->dueMs != 0 && (next == 0 || t->dueMs < next)) next = t->dueMs;
  return next;
}

void TriggerTable::dueStatus(const StatusSnapshot& snap, std::vector<FiredTrigger>& out) {
  for (std::size_t i = 0; i < status_.size(); ++i) {
    auto& s = status_[i];
    if (!s || !s->active) continue;
    unsigned msg = 0, value = 0;
    switch (s->kind) {
      case stModem: {
        unsigned changed = unsigned(snap.modem ^ s->modemAtArm) & 0xF0 & s->value;
        if (changed) msg = kTriggerModemStatus, value = snap.modem | (changed >> 4);
        break;
      }
      case stLine:
        if (snap.newLineErrors & (s->value ? s->value : ~0u))
          msg = kTriggerLineError, value = snap.newLineErrors;
        break;
      case stOutBuffFree:
        if (snap.outSpace >= s->value)
          msg = kTriggerOutbuffFree, value = unsigned(std::min<std::size_t>(snap.outSpace, 0xFFFF));
        break;
      case stOutBuffUsed:
        if (snap.outUsed <= s->value) msg = kTriggerOutbuffUsed, value = unsigned(snap.outUsed);
        break;
      case stOutSent:
        if (snap.outUsed == 0 && snap.deviceDrained) msg = kTriggerOutSent;
        break;
    }
    if (!msg) continue;
    s->active = false;
    out.push_back({msg, kStatusBase + int(i) + 1, value, 0});
  }
}

bool TriggerTable::watchesOutput() const {
  for (const auto& s : status_)
    if (s && s->active && s->kind >= stOutBuffFree) return true;
  return false;
}

bool TriggerTable::watchesOutSent() const {
  for (const auto& s : status_)
    if (s && s->active && s->kind == stOutSent) return true;
  return false;
}

bool TriggerTable::hasDataTriggers() const { return !dataInUse_.empty(); }

}  // namespace faxengine
