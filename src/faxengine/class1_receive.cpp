// The Class 1 receiving dialogue.
#include "faxengine/class1_receive.h"

#include "faxengine/ecm_frames.h"
#include "faxengine/errors.h"
#include "faxengine/modem_bytes.h"

namespace faxengine::class1 {

namespace {
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
  t1_ = newTimer(m_.link().now(), timing::kT1);
  documentEnded_ = false;
  sendDis();
}

void Class1Receive::sendDis() {
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
  switch (step_) {
    case Step::Command:
      // No good command within the window: DIS again (until T1 is over).
      io_.stopListening();
      return setStep(Step::DisRepeat);
    case Step::Release:
      // No DCN came: the line is released all the same.
      io_.stopListening();
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
      // The caller's response is awaited for T4 (then DIS again); once a damaged frame
      // shows it is there, for T2 (it repeats its command).
      io_.listen(timing::kT4, timing::kT2);
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
      io_.listen(timing::kT2, timing::kT2);  // the new DCS
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
      io_.listen(timing::kT2, timing::kT2);  // MPS or EOP
      return setStep(Step::PostPage);
    case Step::PostPage:
      if (reply != AtReply::Ok) break;
      morePages_ = (m_.protocol().lastFcf & ~kXBit) == std::uint8_t(Fcf::MPS);
      m_.setProgress(progress::kGettingEop);
      return setStep(Step::PageDone);
    case Step::Response: return onResponse(reply);
    case Step::Release:
      if (reply != AtReply::Ok) break;
      if (repeatedPostPage()) return;
      if ((m_.protocol().lastFcf & ~kXBit) != std::uint8_t(Fcf::DCN)) return io_.listenAgain();
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
      // After RTN the caller may give up the page: the call ends with the copy we have.
      if (step_ == Step::Command && m_.holdsPoorCopy()) {
        documentEnded_ = true;
        m_.endOfDocument();
        if (m_.step() == ReceiveMachine::Step::Dialogue) setStep(Step::Release);
        break;
      }
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
  if (repeatedPostPage()) return;
  if ((p.lastFcf & ~kXBit) != std::uint8_t(Fcf::DCS)) return io_.listenAgain();
  m_.softwareFlow(true);
  io_.command("AT+FRM=" + p.modulation);
  m_.armReply(timing::kReply);
  setStep(Step::TcfConnect);
}

// DIS again while T1 lasts: a caller that hears nothing it can read keeps listening.
void Class1Receive::repeatDis() {
  if (timerExpired(t1_, m_.link().now())) return m_.fail(ecTimeout);
  io_.command("AT+FTH=3");
  sendDis();
}

// MPS or EOP once more (with error correction: the last PPS): our MCF (or RTN) was lost and
// the caller asks again. It gets the same answer again; the page is not taken twice.
bool Class1Receive::repeatedPostPage() {
  Fcf f = Fcf(m_.protocol().lastFcf & ~kXBit);
  if (f != Fcf::MPS && f != Fcf::EOP && f != Fcf::PPS) return false;
  m_.note(rtn_ ? "post-page command repeated: RTN again" : "post-page command repeated: MCF again");
  morePages_ = f == Fcf::MPS;
  io_.command("AT+FTH=3");
  setStep(Step::Response);
  return true;
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
  rtn_ = m_.pagePoor();
  m_.endOfPage(true);
  if (m_.step() != ReceiveMachine::Step::Dialogue) return;
  io_.command("AT+FTH=3");
  m_.setProgress(progress::kGettingEod);
  setStep(Step::Response);
}

void Class1Receive::onResponse(AtReply reply) {
  if (reply == AtReply::Connect) return io_.frame(plainFrame(rtn_ ? Fcf::RTN : Fcf::MCF, false));
  if (reply != AtReply::Ok) return m_.rearmReply();
  if (rtn_) {
    // The caller trains again (DCS) before it sends the page again, or ends (DCN).
    io_.listen(timing::kT2, timing::kT2);
    return setStep(Step::Command);
  }
  if (morePages_) {
    m_.softwareFlow(true);
    io_.command("AT+FRM=" + pageModulation(m_.protocol().modulation));
    return setStep(Step::PageConnect);
  }
  release();
}

void Class1Receive::release() {
  io_.listen(timing::kT2, timing::kT2);  // DCN, or EOP again when our MCF was lost
  if (!documentEnded_) {
    documentEnded_ = true;
    m_.endOfDocument();
  }
  if (m_.step() == ReceiveMachine::Step::Dialogue) setStep(Step::Release);
}

bool Class1Receive::framesInstead(const std::string& line) {
  if (!contains(line, "+FCERROR")) return false;
  io_.listen(timing::kT2, timing::kT2);
  setStep(Step::Command);
  return true;
}

}  // namespace faxengine::class1
