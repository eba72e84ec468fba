// Lines and frames from a Class 1 modem, commands and frames to it.
#include "faxengine/class1_channel.h"

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

void Channel::receiveFrames() {
  ProtocolRecord& p = m_.protocol();
  p.finalFrameSeen = false;
  p.lastFcf = 0;
  command("AT+FRH=3");
}

void Channel::awaitResponse() {
  m_.pause(timing::kTurnPauseMs);
  receiveFrames();
  m_.armReply(timing::kResponse);
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
      case FrameCollector::Event::Line:
        m_.note("<- " + in_.line());
        onLine(in_.line(), parseReply(in_.line()));
        return i + 1;
      case FrameCollector::Event::Frame:
        frameArrived(in_.frame());
        onFrame(in_.frame());
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
