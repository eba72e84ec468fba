// Lines and frames from a Class 1 modem, commands and frames to it.
#include "faxengine/class1_channel.h"

#include <algorithm>

#include "faxengine/modem_bytes.h"
#include "faxengine/page_output.h"

namespace faxengine::class1 {

FrameCollector::Event FrameCollector::feed(std::uint8_t b) {
  if (!inFrame_) {
    // No response line holds 0xFF: it is the address that starts a frame, and whatever
    // came before it is dropped.
    if (b == kAddress) {
      lines_.clear();
      inFrame_ = true;
      dle_ = false;
      frame_.bytes.assign(1, b);
      return Event::None;
    }
    return lines_.feed(b) ? Event::Line : Event::None;
  }
  if (dle_) {
    dle_ = false;
    if (b == kEtx) {
      inFrame_ = false;
      return Event::Frame;
    }
    // DLE DLE is one DLE; a DLE before anything else is dropped.
  } else if (b == kDle) {
    dle_ = true;
    return Event::None;
  }
  if (frame_.bytes.size() < kMaxFrame) frame_.bytes.push_back(b);
  return Event::None;
}

void FrameCollector::clear() {
  lines_.clear();
  inFrame_ = false;
  dle_ = false;
}

void Channel::command(std::string_view text) {
  bool short_pause = text.starts_with("AT+FTM=") || text.starts_with("AT+FRM=") ||
                     text.starts_with("AT+FTH=") || text.starts_with("AT+FRH=");
  in_.clear();
  m_.sendCommand(text, short_pause ? timing::kShortCommandPauseMs : timing::kCommandPauseMs);
}

void Channel::listen(Ticks window, Ticks afterDamage) {
  expectFrames(window);
  afterDamage_ = afterDamage;
  askForFrame();
}

void Channel::expectFrames(Ticks window) {
  ProtocolRecord& p = m_.protocol();
  p.finalFrameSeen = false;
  p.lastFcf = 0;
  held_ = false;
  carrier_ = true;  // after a CONNECT: frames follow
  listening_ = true;
  afterDamage_ = 0;
  window_ = newTimer(m_.link().now(), window);
  m_.armReply(window);
}

void Channel::listenAgain() {
  listening_ = true;
  askForFrame();
}

void Channel::stopListening() {
  if (asking_) {
    m_.writeRaw(" ");
    stopped_ = true;
  }
  asking_ = listening_ = held_ = false;
}

Ticks Channel::remaining() const { return remainingTicks(window_, m_.link().now()); }

// No pause: the far end may already be sending its flags.
void Channel::askForFrame() {
  Ticks left = remaining();
  if (left == 0) {
    // The window is over: the reply timer tells the dialogue at once.
    m_.armReply(1);
    return;
  }
  in_.clear();
  carrier_ = false;
  m_.sendCommand("AT+FRH=3", 0);
  m_.armReply(left);
  asking_ = true;
}

bool Channel::skipStopAnswer(AtReply reply) {
  if (reply == AtReply::Connect) {
    stopped_ = false;  // the modem said nothing to the stop; this answers the next command
    return false;
  }
  if (reply != AtReply::Ok && reply != AtReply::Error && reply != AtReply::NoCarrier) return false;
  stopped_ = false;
  held_ = false;
  return true;
}

bool Channel::listenLine(const std::string& line, AtReply reply,
                         const std::function<void(const Frame&)>& onFrame) {
  switch (reply) {
    case AtReply::Connect:
      // The far end's flags are here: its frame follows even if the window ends first.
      carrier_ = true;
      m_.armReply(std::max(remaining(), timing::kT4));
      return true;
    case AtReply::Ok:
      asking_ = false;
      if (!held_) return true;  // no frame to act on: the window runs out
      held_ = false;
      frameArrived(in_.frame());
      onFrame(in_.frame());
      if (!m_.protocol().finalFrameSeen) {
        askForFrame();
        return true;
      }
      listening_ = false;
      return false;
    case AtReply::Error:
    case AtReply::NoCarrier: break;
    default:
      if (!contains(line, "+FCERROR")) return true;  // noise
      break;
  }
  // A damaged frame (ERROR), frames where the modem expected other data (+FCERROR), or a
  // carrier that ended without a frame: nothing counts; listen for the repeat. An ERROR
  // with no carrier before it refuses the command itself: asking again at once would only
  // repeat that, so the window runs out.
  asking_ = false;
  if (reply == AtReply::Error && !carrier_) return true;
  if (held_) m_.note("frame damaged: " + fcfName(in_.frame().fcfByte()) + " dropped");
  if (held_ && afterDamage_ > 0) window_ = newTimer(m_.link().now(), afterDamage_);
  held_ = false;
  askForFrame();
  return true;
}

void Channel::frame(const std::vector<std::uint8_t>& bytes) {
  m_.note("-> " + fcfName(bytes.size() > 2 ? bytes[2] : 0));
  std::vector<std::uint8_t> out;
  appendDleDoubled(bytes, out);
  out.push_back(kDle);
  out.push_back(kEtx);
  m_.writeAfter(timing::kFramePauseMs, std::move(out), "frame");
}

std::size_t Channel::read(std::span<const std::uint8_t> data,
                          const std::function<void(const std::string&, AtReply)>& onLine,
                          const std::function<void(const Frame&)>& onFrame) {
  for (std::size_t i = 0; i < data.size(); ++i) {
    switch (in_.feed(data[i])) {
      case FrameCollector::Event::None: continue;
      case FrameCollector::Event::Line: {
        m_.note("<- " + in_.line());
        AtReply reply = parseReply(in_.line());
        if (stopped_ && skipStopAnswer(reply)) return i + 1;
        if (listening_ && listenLine(in_.line(), reply, onFrame)) return i + 1;
        if (held_ && reply == AtReply::Ok) {
          // A frame outside a listening window (after a data command's +FCERROR).
          held_ = false;
          frameArrived(in_.frame());
          onFrame(in_.frame());
        }
        held_ = false;
        onLine(in_.line(), reply);
        return i + 1;
      }
      case FrameCollector::Event::Frame:
        // Held until the modem's verdict on it.
        held_ = true;
        return i + 1;
    }
  }
  return data.size();
}

void Channel::frameArrived(const Frame& f) {
  ProtocolRecord& p = m_.protocol();
  p.finalFrameSeen = f.final();
  p.lastFcf = f.fcfByte();
  m_.note("<- " + fcfName(f.fcfByte()));
  if (Fcf(f.code()) == Fcf::CSI || Fcf(f.code()) == Fcf::TSI) {
    m_.session().remoteStationId.set(stationIdOf(f));
    m_.setProgress(progress::kGotRemoteId);
  }
}

}  // namespace faxengine::class1
