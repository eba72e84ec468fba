// The scripted modem and the rig that runs fax state machines without a port.
#include "session_rig.h"

#include "faxengine/modem_bytes.h"

namespace faxengine::test {

namespace {
constexpr char kRawMark = '\x01';
}

std::string raw(const std::string& bytes) { return kRawMark + bytes; }

void ScriptedModem::take(std::span<const std::uint8_t> bytes) {
  for (std::uint8_t b : bytes) {
    if (data_) {
      if (dle_) {
        dle_ = false;
        if (b == kDle) {
          page_.push_back(kDle);
        } else if (b == kEtx || b == ',' || b == '.') {
          data_ = false;
          pages.push_back(std::move(page_));
          pageEnds.push_back(char(b));
          page_.clear();
          command("<page>");
        }
        continue;
      }
      if (b == kDle)
        dle_ = true;
      else
        page_.push_back(b);
      continue;
    }
    if (b == '\r') {
      std::string cmd = std::move(line_);
      line_.clear();
      if (!cmd.empty()) command(cmd);
    } else if (b == kDc2) {
      ++dc2;
    } else if (b >= 0x20) {
      line_.push_back(char(b));
    }
  }
}

void ScriptedModem::command(const std::string& cmd) {
  if (cmd != "<page>") commands.push_back(cmd);
  if (script_.empty() || script_.front().command != cmd) {
    mismatches.push_back(cmd);
    return;
  }
  Exchange e = script_.front();
  script_.pop_front();
  reply(e);
  data_ = e.dataFollows;
  unasked();
}

void ScriptedModem::unasked() {
  while (!script_.empty() && script_.front().command.empty()) {
    Exchange e = script_.front();
    script_.pop_front();
    reply(e);
  }
}

void ScriptedModem::reply(const Exchange& e) {
  for (const std::string& r : e.replies) {
    if (!r.empty() && r[0] == kRawMark)
      pending += r.substr(1);
    else
      pending += "\r\n" + r + "\r\n";
  }
}

bool FakeLink::write(std::span<const std::uint8_t> bytes) {
  modem_.take(bytes);
  return true;
}

void FakeLink::setDtrRts(bool on) {
  dtr = on;
  if (!on) modem_.commands.push_back(kDtrLow);
}

void FakeHost::faxStatus(bool first, bool last) {
  if (first) ++firstStatus;
  if (last) ++lastStatus;
}

bool FakeHost::faxNext(std::string& phone, std::string& fax, std::string& cover) {
  if (faxes.empty()) return false;
  phone = faxes.front().phone;
  fax = faxes.front().file;
  cover = faxes.front().cover;
  faxes.pop_front();
  return true;
}

SessionRig::SessionRig(bool sending, TFaxClass cls) {
  if (sending) {
    send = std::make_unique<SendMachine>(link, host, session, proto);
    send->setDialogue(makeSendDialogue(cls, *send));
  } else {
    receive = std::make_unique<ReceiveMachine>(link, host, session, proto);
    receive->setDialogue(makeReceiveDialogue(cls, *receive));
  }
  session.dialWait = secondsToTicks(60);
  session.redialWait = secondsToTicks(60);
}

void SessionRig::run(bool fireTimers, const std::function<bool()>& until) {
  FaxMachine& m = machine();
  for (int i = 0; i < 100000 && !m.ended(); ++i) {
    if (until && until()) return;
    if (link.pause) {
      link.fakeClock().advance(std::uint64_t(*link.pause));
      link.pause.reset();
      deliver(Trigger::PauseOver);
    } else if (!modem.pending.empty()) {
      if (!deliver(Trigger::Data)) return;
    } else if (link.outputFree) {
      link.outputFree = false;
      m.handle(Trigger::OutputFree);
    } else if (link.outputLow) {
      link.outputLow = false;
      m.handle(Trigger::OutputLow);
    } else if (link.outputEmpty) {
      link.outputEmpty = false;
      m.handle(Trigger::OutputEmpty);
    } else if (link.reply && fireTimers) {
      TickTimer t = *link.reply;
      link.reply.reset();
      link.fakeClock().advance(std::uint64_t(ticksToMs(remainingTicks(t, link.now())) + 55));
      m.handle(Trigger::ReplyTimer);
    } else {
      return;
    }
  }
}

bool SessionRig::cancelInPageData(const std::string& fax, std::vector<Exchange> script) {
  host.faxes.push_back({"5551234", fax, ""});
  modem.load(std::move(script));
  start();
  run(true, [this] { return send->step() == SendMachine::Step::PageData; });
  if (send->step() != SendMachine::Step::PageData) return false;
  send->abort();
  run();
  return true;
}

// Hands the modem's pending bytes to the machine with the trigger; what it leaves (it
// holds its input during a pause) stays pending. False when it took nothing.
bool SessionRig::deliver(Trigger t) {
  FaxMachine& m = machine();
  std::string bytes = std::move(modem.pending);
  modem.pending.clear();
  auto span = std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
  std::size_t used = m.handle(t, span);
  while (used < span.size() && !m.ended()) {
    std::size_t n = m.handle(Trigger::Data, span.subspan(used));
    if (n == 0) break;
    used += n;
  }
  if (used < bytes.size() && !m.ended()) modem.pending = bytes.substr(used) + modem.pending;
  return used > 0 || t != Trigger::Data;
}

}  // namespace faxengine::test
