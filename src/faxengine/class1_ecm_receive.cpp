// Receiving pages with error correction.
#include "faxengine/class1_ecm_receive.h"

#include <algorithm>

#include "faxengine/ecm_frames.h"
#include "faxengine/errors.h"
#include "faxengine/modem_bytes.h"

namespace faxengine::class1 {

namespace {
constexpr int kListens = 3;
}  // namespace

EcmReceive::EcmReceive(ReceiveMachine& m, Channel& io, std::function<void()> documentDone)
    : m_(m), io_(io), documentDone_(std::move(documentDone)) {}

const char* EcmReceive::nameOf(Step s) {
  switch (s) {
    case Step::Idle: return "idle";
    case Step::DataConnect: return "ECM data connect";
    case Step::Data: return "ECM data";
    case Step::DataEnd: return "ECM data end";
    case Step::Frames: return "ECM frames";
    case Step::AnswerReady: return "ECM answer ready";
    case Step::AnswerSent: return "ECM answer sent";
  }
  return "?";
}

void EcmReceive::setStep(Step s) { changeStep(m_, "ecm", step_, s, &EcmReceive::nameOf); }

void EcmReceive::begin() {
  block_.clear();
  blockFrames_ = 0;
  page_.clear();
  confirmedPage_ = confirmedBlock_ = -1;
  lastAnswer_.clear();
  longTrain_ = false;
  listens_ = 0;
  listen();
}

void EcmReceive::listen() {
  const ProtocolRecord& p = m_.protocol();
  m_.softwareFlow(true);
  io_.command("AT+FRM=" + (longTrain_ ? p.modulation : pageModulation(p.modulation)));
  m_.armReply(timing::kT2);
  setStep(Step::DataConnect);
}

void EcmReceive::readFrames() {
  m_.softwareFlow(false);
  command_ = Frame{};
  io_.listen(timing::kT2, timing::kT2);
  setStep(Step::Frames);
}

std::size_t EcmReceive::onData(std::span<const std::uint8_t> data) {
  auto take = [this](std::span<const std::uint8_t> f) { onHdlcFrame(f); };
  std::vector<std::uint8_t> run;
  run.reserve(data.size());
  for (std::size_t i = 0; i < data.size(); ++i) {
    std::uint8_t b = data[i];
    if (dle_) {
      dle_ = false;
      if (b == kEtx) {
        reader_.feed(run, take);
        m_.note("<- block data, " + std::to_string(reader_.badFrames()) + " damaged frames");
        setStep(Step::DataEnd);
        return i + 1;
      }
      if (b != kDle) continue;  // a DLE before anything else is dropped with it
    } else if (b == kDle) {
      dle_ = true;
      continue;
    }
    run.push_back(b);
  }
  reader_.feed(run, take);
  m_.armReply(m_.protocol().pageTimeout);
  return data.size();
}

void EcmReceive::onHdlcFrame(std::span<const std::uint8_t> f) {
  if (f.size() < 4 || f[0] != kAddress || (f[2] & ~kXBit) != std::uint8_t(Fcf::FCD)) return;
  block_.store(f[3], f.subspan(4));
}

void EcmReceive::onStep(Trigger t) {
  if (t != Trigger::ReplyTimer) return;
  switch (step_) {
    case Step::DataConnect:
    case Step::Frames:
      // Nothing came: the caller may be repeating a command we missed; listen for frames.
      if (++listens_ > kListens) return m_.fail(ecTimeout);
      if (step_ == Step::Frames)
        io_.stopListening();
      else
        m_.writeRaw(" ");  // any character ends the modem's wait for the carrier
      m_.pause(timing::kTurnPauseMs);
      return readFrames();
    default: m_.fail(ecTimeout);
  }
}

void EcmReceive::onLine(const std::string& line, AtReply reply) {
  switch (step_) {
    case Step::DataConnect:
      if (reply == AtReply::Connect) {
        reader_.reset();
        dle_ = false;
        m_.setProgress(progress::kGettingPage);
        m_.armReply(m_.protocol().pageTimeout);
        longTrain_ = false;
        return setStep(Step::Data);
      }
      // Frames instead of data (the caller repeats a command), or no carrier at all.
      if (contains(line, "+FCERROR") || reply == AtReply::NoCarrier || reply == AtReply::Error)
        return readFrames();
      break;
    case Step::DataEnd:
      if (reply == AtReply::NoCarrier || reply == AtReply::Ok) return readFrames();
      break;
    case Step::Frames:
      if (reply == AtReply::Error) return readFrames();  // a damaged frame: it comes again
      if (reply != AtReply::Ok) break;
      if (!m_.protocol().finalFrameSeen) return io_.receiveFrames();
      return onCommand();
    case Step::AnswerReady:
      if (reply != AtReply::Connect) break;
      io_.frame(lastAnswer_);
      return setStep(Step::AnswerSent);
    case Step::AnswerSent:
      if (reply != AtReply::Ok) break;
      if (lastThen_ == Then::Done) {
        setStep(Step::Idle);
        return documentDone_();
      }
      return listen();
    default: break;
  }
  m_.rearmReply();
}

void EcmReceive::onFrame(const Frame& f) {
  if (f.final()) command_ = f;
}

void EcmReceive::onCommand() {
  const Frame f = command_;
  ProtocolRecord& p = m_.protocol();
  switch (Fcf(f.code())) {
    case Fcf::PPS: return onPps(f);
    case Fcf::RR:
      if (!lastAnswer_.empty()) return answer(lastAnswer_, lastThen_);
      break;
    case Fcf::CTC: {
      // The rate byte of a DCS: the next data comes at that rate, with the long training.
      DcsChoice c = decodeDcs(f);
      p.modulationIndex = c.index;
      p.modulation = c.modulation;
      p.sessionBps = indexBps(c.index);
      m_.note("rate changed to " + c.modulation);
      longTrain_ = true;
      return answer(plainFrame(Fcf::CTR, false), Then::Listen);
    }
    case Fcf::EOR: {
      PartialPage pp = decodePps(f);
      m_.note("block given up by the caller");
      endBlock(pp.command, ecm::kBlockFrames);
      if (m_.step() != ReceiveMachine::Step::Dialogue) return;
      return answer(plainFrame(Fcf::ERR, false),
                    pp.command == std::uint8_t(Fcf::EOP) ? Then::Done : Then::Listen);
    }
    default: break;
  }
  readFrames();  // anything else: wait for the caller's next command
}

void EcmReceive::onPps(const Frame& f) {
  PartialPage pp = decodePps(f);
  // After frames sent again some callers count only those: the block keeps its first count.
  blockFrames_ = pp.frames = std::max(blockFrames_, pp.frames);
  const Then then = pp.command == std::uint8_t(Fcf::EOP) ? Then::Done : Then::Listen;
  if (pp.page == confirmedPage_ && pp.block == confirmedBlock_)  // our MCF was lost
    return answer(plainFrame(Fcf::MCF, false), then);
  if (!block_.complete(pp.frames)) {
    m_.note("frames missing: PPR");
    return answer(pprFrame(block_.missing(pp.frames)), Then::Listen);
  }
  confirmedPage_ = pp.page;
  confirmedBlock_ = pp.block;
  endBlock(pp.command, pp.frames);
  if (m_.step() != ReceiveMachine::Step::Dialogue) return;
  answer(plainFrame(Fcf::MCF, false), then);
}

// The block is over: its frames join the page, and a page that ends is stored.
void EcmReceive::endBlock(std::uint8_t command, int count) {
  block_.appendTo(page_, count);
  block_.clear();
  blockFrames_ = 0;
  if (command == kPpsNull) return;
  m_.setProgress(progress::kGettingEop);
  if (!m_.storePage(page_)) return;
  page_.clear();
  m_.endOfPage(true);
}

void EcmReceive::answer(std::vector<std::uint8_t> frame, Then then) {
  lastAnswer_ = std::move(frame);
  lastThen_ = then;
  listens_ = 0;
  io_.command("AT+FTH=3");
  setStep(Step::AnswerReady);
}

}  // namespace faxengine::class1
