// The Class 1 sending dialogue.
#include "faxengine/class1_send.h"

#include "faxengine/ecm_frames.h"
#include "faxengine/errors.h"
#include "faxengine/modem_bytes.h"
#include "faxengine/scan_time.h"

namespace faxengine::class1 {

namespace {
// The steps' names in the order of Class1SendStep.
constexpr const char* kClass1SendStepNames[] = {
    "select class",    "class set",      "dial result", "TSI ready",
    "DCS ready",       "DCS sent",       "TCF ready",   "TCF sent",
    "confirmation",    "page ready",     "page sent",   "post page",
    "post page ready", "post page sent", "response",    "DCN ready",
    "DCN sent",        "hang up",        "ECM"};

constexpr std::uint8_t kPageEnd[] = {kDle, kEtx};

}  // namespace

Class1Send::Class1Send(SendMachine& m)
    : SteppedDialogue(m, "class 1", Step::SelectClass, stepNames<Step::Ecm>(kClass1SendStepNames)),
      io_(m),
      ecm_(m, io_, [this] {
        io_.command("AT+FTH=3");
        setStep(Step::DcnReady);
      }) {}

void Class1Send::start() { setStep(Step::SelectClass); }

Input Class1Send::input() const {
  switch (step_) {
    case Step::SelectClass:
    case Step::PostPage: return Input::None;
    case Step::Ecm: return ecm_.input();
    default: return Input::Raw;
  }
}

void Class1Send::onStep(Trigger t) {
  if (step_ == Step::Ecm) return ecm_.onStep(t);
  switch (step_) {
    case Step::SelectClass: io_.command("AT+FCLASS=1"); return setStep(Step::ClassSet);
    case Step::PostPage: return postPage();
    case Step::Confirmation:
      if (t != Trigger::ReplyTimer) return;
      // No good response to DCS and the training check within T4: both go again.
      io_.stopListening();
      return repeatDcs();
    case Step::Response:
      if (t != Trigger::ReplyTimer) return;
      // No good response to MPS/EOP within T4: the command goes again.
      io_.stopListening();
      return setStep(Step::PostPage);
    case Step::HangUp:
      if (t != Trigger::ReplyTimer) return;
      m_.hangUp();
      return m_.faxDone();
    default: break;
  }
  if (t == Trigger::ReplyTimer) m_.fail(ecTimeout);
}

std::size_t Class1Send::onRaw(std::span<const std::uint8_t> data) {
  return io_.read(
      data, [this](const std::string& line, AtReply reply) { onLine(line, reply); },
      [this](const Frame& f) { onFrame(f); });
}

void Class1Send::onLine(const std::string&, AtReply reply) {
  if (step_ == Step::Ecm) return ecm_.onLine(reply);
  // ERROR to the class command is a modem without Class 1; after the post-page command it
  // is the step's to handle; anywhere else it ends the fax (a damaged frame never comes
  // here: the channel drops it and listens for the repeat).
  if (reply == AtReply::Error && step_ != Step::ClassSet && step_ != Step::PostPageReady)
    return m_.fail(ecFaxBadModemResult);
  ProtocolRecord& p = m_.protocol();
  switch (step_) {
    case Step::ClassSet:
      if (reply == AtReply::Ok) {
        dcsSent_ = 0;
        m_.dial();
        return setStep(Step::DialResult);
      }
      if (isResultCode(reply)) return m_.fail(ecFaxInitError);
      break;
    case Step::DialResult: return onDialResult(reply);
    case Step::TsiReady:
      if (reply != AtReply::Connect) break;
      io_.frame(idFrame(Fcf::TSI, true, m_.session().stationId));
      return setStep(Step::DcsReady);
    case Step::DcsReady:
      if (reply != AtReply::Connect) break;
      io_.frame(withEcm(
          dcsFrame(p.modulationIndex, p.sessionFine, p.sessionWide, p.scanTimeIndex, p.lineCoding),
          p.sessionEcm, ecm_.smallFrames()));
      m_.note("coding " + lineFacts(p.lineCoding, p.sessionEcm));
      ++dcsSent_;
      return setStep(Step::DcsSent);
    case Step::DcsSent:
      if (reply != AtReply::Ok) break;
      io_.command("AT+FTM=" + p.modulation);
      return setStep(Step::TcfReady);
    case Step::TcfReady:
      if (reply != AtReply::Connect) break;
      sendTcf();
      return setStep(Step::TcfSent);
    case Step::TcfSent:
      if (reply != AtReply::Ok) return;  // keep waiting, the time-out stays
      m_.softwareFlow(false);
      io_.awaitResponse();
      p.confirmationReceived = false;
      return setStep(Step::Confirmation);
    case Step::Confirmation: return onConfirmation(reply);
    case Step::PageReady:
      if (reply != AtReply::Connect) break;
      return m_.startPage(true);
    case Step::PageSent:
      if (reply != AtReply::Ok) break;
      m_.softwareFlow(false);
      p.retryCount = 0;
      m_.reportPageEnd();
      return setStep(Step::PostPage);
    case Step::PostPageReady:
      if (reply != AtReply::Connect) break;
      io_.frame(plainFrame(m_.morePages() ? Fcf::MPS : Fcf::EOP, true));
      return setStep(Step::PostPageSent);
    case Step::PostPageSent:
      if (reply != AtReply::Ok) break;
      io_.awaitResponse();
      return setStep(Step::Response);
    case Step::Response: return onResponse(reply);
    case Step::DcnReady:
      if (reply != AtReply::Connect) break;
      io_.frame(plainFrame(Fcf::DCN, true));
      return setStep(Step::DcnSent);
    case Step::DcnSent:
      if (reply != AtReply::Ok) break;
      io_.command("ATH");
      m_.armReply(timing::kHangUpReply);
      return setStep(Step::HangUp);
    case Step::HangUp:
      if (reply == AtReply::Ok) return m_.faxDone();
      break;
    default: break;
  }
  m_.rearmReply();
}

void Class1Send::redial() {
  dcsSent_ = 0;
  m_.dial();
  setStep(Step::DialResult);
}

void Class1Send::onDialResult(AtReply reply) {
  ProtocolRecord& p = m_.protocol();
  if (reply == AtReply::Ok) {
    // The DIS ends the called station's frames; any other final frame asks for more.
    if ((p.lastFcf & ~kXBit) == std::uint8_t(Fcf::DIS)) {
      m_.pause(timing::kTurnPauseMs);
      io_.command("AT+FTH=3");
      p.finalFrameSeen = false;
      return setStep(Step::TsiReady);
    }
    return io_.listenAgain();
  }
  // CONNECT: the called station's frames follow; a DIS we can read may take until T1 (it
  // repeats the DIS when we do not answer).
  if (!m_.dialFailed(reply)) io_.expectFrames(timing::kT1);
}

void Class1Send::onFrame(const Frame& f) {
  if (step_ == Step::Ecm) {
    ecm_.onFrame(f);
    if (m_.step() == SendMachine::Step::Dialogue) m_.rearmReply();
    return;
  }
  switch (Fcf(f.code())) {
    case Fcf::FTT:
    case Fcf::RTN: fallBack(); break;
    case Fcf::DIS: onDis(f); break;
    case Fcf::CFR: m_.protocol().confirmationReceived = true; break;
    case Fcf::DCN: return m_.fail(ecCancelRequested);
    default: break;
  }
  if (m_.step() == SendMachine::Step::Dialogue) m_.rearmReply();
}

void Class1Send::onDis(const Frame& f) {
  ProtocolRecord& p = m_.protocol();
  DisCaps caps = decodeDis(f);
  p.remoteRates = caps.rates;
  p.remoteAcceptsFine = caps.fine;
  p.remoteAcceptsWide = caps.wide;
  p.scanTimeIndex = caps.scanIndex;
  if ((m_.firstPageFine() && !caps.fine) || (m_.firstPageWide() && !caps.wide))
    return m_.fail(ecFaxIncompatible);
  p.sessionFine = m_.firstPageFine();
  p.sessionWide = m_.firstPageWide();
  p.sessionEcm = p.ecmChar != '0' && ecmBit(f);
  ecm_.setSmallFrames(prefersSmallFrames(f));
  p.remoteCodings = caps.codings;
  p.lineCoding = chooseLineCoding(p.codingChoice, caps.codings, p.sessionEcm);
  setRate(chooseIndex(p.localRates, p.remoteRates, p.desiredBps));
  m_.setProgress(progress::kConnectionParams);
}

void Class1Send::setRate(int index) {
  ProtocolRecord& p = m_.protocol();
  p.modulationIndex = index;
  p.modulation = indexModulation(index);
  p.sessionBps = indexBps(index);
  p.minBytesPerLine = minBytesPerLine(p.scanTimeIndex, p.sessionFine, p.sessionBps, p.lineCoding);
}

// FTT or RTN: the next lower rate both sides have. The command that trains again goes
// out once the modem has ended the frame with its OK.
void Class1Send::fallBack() {
  ProtocolRecord& p = m_.protocol();
  int lower = lowerIndex(p.localRates, p.remoteRates, p.modulationIndex);
  if (lower == 0) return m_.fail(ecFaxTrainError);
  m_.note(std::string("falling back to ") + indexModulation(lower));
  setRate(lower);
  dcsSent_ = 0;  // the tries count at each rate
}

void Class1Send::sendTcf() {
  m_.softwareFlow(true);
  std::vector<std::uint8_t> tcf(tcfLength(m_.protocol().sessionBps), 0);
  tcf.push_back(kDle);
  tcf.push_back(kEtx);
  m_.note("-> TCF");
  if (!m_.link().write(tcf)) m_.note("TCF not written: output buffer full");
}

void Class1Send::onConfirmation(AtReply reply) {
  ProtocolRecord& p = m_.protocol();
  if (reply != AtReply::Ok) return m_.rearmReply();
  switch (Fcf(p.lastFcf & ~kXBit)) {
    case Fcf::CFR:
      m_.pause(timing::kTurnPauseMs);
      if (p.sessionEcm) {
        setStep(Step::Ecm);
        return ecm_.begin();
      }
      io_.command("AT+FTM=" + pageModulation(p.modulation));
      return setStep(Step::PageReady);
    case Fcf::FTT:  // the rate is already lowered
      m_.pause(timing::kTurnPauseMs);
      io_.command("AT+FTH=3");
      return setStep(Step::DcsReady);
    case Fcf::DIS: return repeatDcs();  // the far end did not hear our DCS
    default: return io_.listenAgain();  // not a response to DCS
  }
}

// TSI, DCS and the training check again, while tries are left at this rate.
void Class1Send::repeatDcs() {
  if (dcsSent_ >= timing::kCommandTries) return m_.fail(ecTimeout);
  m_.pause(timing::kTurnPauseMs);
  io_.command("AT+FTH=3");
  setStep(Step::TsiReady);
}

void Class1Send::pageQueued() { setStep(Step::PageSent); }

std::span<const std::uint8_t> Class1Send::pageTrailer() const { return kPageEnd; }

void Class1Send::postPage() {
  ProtocolRecord& p = m_.protocol();
  if (++p.retryCount > timing::kCommandTries) return m_.fail(ecTimeout);
  m_.pause(timing::kPostPagePauseMs);
  io_.command("AT+FTH=3");
  setStep(Step::PostPageReady);
}

void Class1Send::onResponse(AtReply reply) {
  ProtocolRecord& p = m_.protocol();
  if (reply != AtReply::Ok) return m_.rearmReply();
  switch (Fcf(p.lastFcf & ~kXBit)) {
    case Fcf::MCF: m_.setProgress(progress::kPageAccepted); return nextPage();
    case Fcf::RTP:
      m_.setProgress(progress::kPageAccepted);
      if (!m_.morePages()) return nextPage();  // the last page: the call ends as after MCF
      return trainAgain(m_.advancePage());
    case Fcf::RTN:
      // The rate is already lowered: the rejected page goes again from its header.
      m_.setProgress(progress::kPageError);
      return trainAgain(m_.rewindPage());
    default:
      // Not an answer to MPS/EOP: ask again.
      return setStep(Step::PostPage);
  }
}

void Class1Send::nextPage() {
  if (!m_.morePages()) {
    io_.command("AT+FTH=3");
    return setStep(Step::DcnReady);
  }
  if (int rc = m_.advancePage(); rc != ecOK) return m_.fail(rc);
  io_.command("AT+FTM=" + pageModulation(m_.protocol().modulation));
  setStep(Step::PageReady);
}

// After RTP or RTN: DCS and the training check again before the page.
void Class1Send::trainAgain(int rc) {
  if (rc != ecOK) return m_.fail(rc);
  dcsSent_ = 0;
  io_.command("AT+FTH=3");
  setStep(Step::DcsReady);
}

}  // namespace faxengine::class1
