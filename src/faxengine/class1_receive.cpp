// The Class 1 receiving dialogue.
#include "faxengine/class1_receive.h"

#include "faxengine/ecm_frames.h"
#include "faxengine/errors.h"
#include "faxengine/modem_bytes.h"

namespace faxengine::class1 {

namespace {
constexpr int kDisTries = 3;

// The steps' names in the order of Class1ReceiveStep.
constexpr const char* kClass1ReceiveStepNames[] = {
    "idle",      "class set", "answered", "DIS sent", "command",      "DIS repeat", "TCF connect",
    "TCF",       "FTT ready", "TCF end",  "confirm",  "page connect", "page end",   "post page",
    "page done", "response",  "release",  "hang up",  "ECM"};
}  // namespace

Class1Receive::Class1Receive(ReceiveMachine& m)
    : SteppedDialogue(m, "class 1", Step::Idle, stepNames<Step::Ecm>(kClass1ReceiveStepNames)),
      io_(m),
      ecm_(m, io_, [this] { release(); }) {}

void Class1Receive::waitForCall() {
  io_.command("AT+FCLASS=1");
  setStep(Step::ClassSet);
}

void Class1Receive::answered() {
  disSent_ = false;
  setStep(Step::Answered);
}

Input Class1Receive::input() const {
  switch (step_) {
    case Step::DisRepeat:
    case Step::PageDone: return Input::None;
    case Step::Idle: return Input::Triggers;
    default: return Input::Raw;
  }
}

void Class1Receive::onStep(Trigger t) {
  if (step_ == Step::Ecm) return ecm_.onStep(t);
  if (step_ == Step::DisRepeat) return repeatDis();
  if (step_ == Step::PageDone) return pageDone();
  if (t != Trigger::ReplyTimer) return;
  ProtocolRecord& p = m_.protocol();
  switch (step_) {
    case Step::Answered:
      if (p.retryCount == 0) break;
      return setStep(Step::DisRepeat);
    case Step::Command: return setStep(Step::DisRepeat);
    case Step::Release:
      // No DCN came: the line is released all the same.
      io_.command("ATH");
      return setStep(Step::HangUp);
    default: break;
  }
  m_.fail(ecTimeout);
}

std::size_t Class1Receive::onRaw(std::span<const std::uint8_t> data) {
  if (step_ == Step::Tcf) return onTcf(data);
  if (step_ == Step::Ecm && ecm_.takesData()) return ecm_.onData(data);
  return io_.read(
      data, [this](const std::string& line, AtReply reply) { onLine(line, reply); },
      [this](const Frame& f) { onFrame(f); });
}

void Class1Receive::onLine(const std::string& line, AtReply reply) {
  if (step_ == Step::Ecm) return ecm_.onLine(line, reply);
  // ERROR to the class command is a modem without Class 1; anywhere else it ends the call.
  if (reply == AtReply::Error && step_ != Step::ClassSet) return m_.fail(ecFaxBadModemResult);
  switch (step_) {
    case Step::ClassSet:
      if (reply == AtReply::Ok) {
        m_.switchToNormalBaud();
        setStep(Step::Idle);
        return m_.waitRings();
      }
      if (isResultCode(reply)) return m_.fail(ecFaxInitError);
      break;
    case Step::Answered:
      if (reply != AtReply::Connect) break;
      io_.frame(idFrame(Fcf::CSI, false, m_.session().stationId));
      return setStep(Step::DisSent);
    case Step::DisSent:
      if (reply == AtReply::Connect && !disSent_) {
        disSent_ = true;
        const bool ecmOffered = m_.protocol().ecmChar != '0';
        io_.frame(withEcm(disFrame(m_.protocol().modulationIndex,
                                   offeredCodings(m_.protocol().codingChoice, ecmOffered)),
                          ecmOffered));
        return;
      }
      if (reply != AtReply::Ok) break;
      m_.pause(timing::kTurnPauseMs);
      io_.awaitResponse();
      return setStep(Step::Command);
    case Step::Command: return onCommand(reply);
    case Step::TcfConnect:
      if (framesInstead(line)) return;
      if (reply != AtReply::Connect) break;
      tcfBytes_ = tcfNonZero_ = 0;
      dle_ = false;
      m_.armReply(timing::kReply);
      return setStep(Step::Tcf);
    case Step::FttReady:
      if (reply == AtReply::Connect) {
        io_.frame(plainFrame(Fcf::FTT, false));
        if (m_.protocol().modulation == indexModulation(kMinIndex)) return m_.fail(ecFaxTrainError);
        return;
      }
      if (reply != AtReply::Ok) break;
      io_.receiveFrames();
      return setStep(Step::Command);
    case Step::TcfEnd:
      if (reply != AtReply::NoCarrier) break;
      m_.softwareFlow(false);
      m_.pause(timing::kTcfEndPauseMs);
      io_.command("AT+FTH=3");
      return setStep(Step::Confirm);
    case Step::Confirm: return onConfirm(reply);
    case Step::PageConnect:
      if (framesInstead(line)) return;
      if (reply != AtReply::Connect) break;
      m_.setProgress(progress::kConnectionParams);
      return m_.pageStart();
    case Step::PageEnd:
      if (reply != AtReply::NoCarrier) break;
      io_.receiveFrames();
      return setStep(Step::PostPage);
    case Step::PostPage:
      if (reply != AtReply::Ok) break;
      if (!m_.protocol().finalFrameSeen) return io_.receiveFrames();
      morePages_ = (m_.protocol().lastFcf & ~kXBit) == std::uint8_t(Fcf::MPS);
      m_.setProgress(progress::kGettingEop);
      return setStep(Step::PageDone);
    case Step::Response: return onResponse(reply);
    case Step::Release:
      if (reply != AtReply::Ok) break;
      if (!m_.protocol().finalFrameSeen) return io_.receiveFrames();
      io_.command("ATH");
      return setStep(Step::HangUp);
    case Step::HangUp:
      if (reply != AtReply::Ok) break;
      m_.setProgress(progress::kGotHangup);
      setStep(Step::Idle);
      return m_.endOfCall();
    default: break;
  }
  m_.rearmReply();
}

void Class1Receive::onFrame(const Frame& f) {
  if (step_ == Step::Ecm) ecm_.onFrame(f);
  switch (Fcf(f.code())) {
    case Fcf::DCS: onDcs(f); break;
    case Fcf::DCN:
      // Only the caller's farewell after the last page is expected.
      if (step_ != Step::Release) return m_.fail(ecCancelRequested);
      break;
    default: break;
  }
  m_.rearmReply();
}

void Class1Receive::onDcs(const Frame& f) {
  ProtocolRecord& p = m_.protocol();
  DcsChoice c = decodeDcs(f);
  p.modulationIndex = c.index;
  p.modulation = c.modulation;
  p.sessionBps = indexBps(c.index);
  p.sessionFine = c.fine;
  p.sessionWide = c.wide;
  p.sessionEcm = p.ecmChar != '0' && ecmBit(f);
  p.lineCoding = c.coding;
  p.scanTimeIndex = c.scanIndex;
  m_.note("coding " + lineFacts(c.coding, p.sessionEcm));
  m_.setProgress(progress::kConnectionParams);
}

void Class1Receive::onCommand(AtReply reply) {
  ProtocolRecord& p = m_.protocol();
  if (reply != AtReply::Ok) return m_.rearmReply();
  if (!p.finalFrameSeen || (p.lastFcf & ~kXBit) != std::uint8_t(Fcf::DCS))
    return io_.receiveFrames();
  m_.softwareFlow(true);
  io_.command("AT+FRM=" + p.modulation);
  m_.armReply(timing::kReply);
  setStep(Step::TcfConnect);
}

void Class1Receive::repeatDis() {
  if (++m_.protocol().retryCount > kDisTries) return m_.fail(ecTimeout);
  // Any character ends the modem's wait for a frame.
  m_.writeRaw("AT\r\r");
  io_.command("AT+FTH=3");
  answered();
}

std::size_t Class1Receive::onTcf(std::span<const std::uint8_t> data) {
  for (std::size_t i = 0; i < data.size(); ++i) {
    std::uint8_t b = data[i];
    if (dle_) {
      dle_ = false;
      if (b == kEtx) {
        bool good = tcfGood(tcfNonZero_, tcfBytes_);
        m_.note("TCF " + std::to_string(tcfNonZero_) + " of " + std::to_string(tcfBytes_) +
                " bytes not zero");
        if (good) {
          setStep(Step::TcfEnd);
        } else {
          m_.softwareFlow(false);
          io_.command("AT+FTH=3");
          setStep(Step::FttReady);
        }
        return i + 1;
      }
    } else if (b == kDle) {
      dle_ = true;
      continue;
    }
    ++tcfBytes_;
    if (b != 0) ++tcfNonZero_;
  }
  return data.size();
}

void Class1Receive::onConfirm(AtReply reply) {
  if (reply == AtReply::Connect) {
    m_.softwareFlow(true);
    return io_.frame(plainFrame(Fcf::CFR, false));
  }
  if (reply != AtReply::Ok) return m_.rearmReply();
  if (m_.protocol().sessionEcm) {
    if (!m_.accepted() && !m_.accept()) return;
    setStep(Step::Ecm);
    return ecm_.begin();
  }
  io_.command("AT+FRM=" + pageModulation(m_.protocol().modulation));
  if (!m_.accepted() && !m_.accept()) return;
  setStep(Step::PageConnect);
}

void Class1Receive::pageEnded() {
  m_.softwareFlow(false);
  setStep(Step::PageEnd);
}

void Class1Receive::pageDone() {
  m_.endOfPage(true);
  if (m_.step() != ReceiveMachine::Step::Dialogue) return;
  io_.command("AT+FTH=3");
  m_.setProgress(progress::kGettingEod);
  setStep(Step::Response);
}

void Class1Receive::onResponse(AtReply reply) {
  if (reply == AtReply::Connect) return io_.frame(plainFrame(Fcf::MCF, false));
  if (reply != AtReply::Ok) return m_.rearmReply();
  if (morePages_) {
    m_.softwareFlow(true);
    io_.command("AT+FRM=" + pageModulation(m_.protocol().modulation));
    return setStep(Step::PageConnect);
  }
  release();
}

void Class1Receive::release() {
  m_.pause(timing::kTurnPauseMs);
  io_.receiveFrames();
  m_.endOfDocument();
  if (m_.step() == ReceiveMachine::Step::Dialogue) setStep(Step::Release);
}

bool Class1Receive::framesInstead(const std::string& line) {
  if (!contains(line, "+FCERROR")) return false;
  io_.receiveFrames();
  setStep(Step::Command);
  return true;
}

}  // namespace faxengine::class1
