// Sending pages with error correction.
#include "faxengine/class1_ecm_send.h"

#include "faxengine/ecm_frames.h"
#include "faxengine/errors.h"
#include "faxengine/hdlc_bits.h"
#include "faxengine/modem_bytes.h"

namespace faxengine::class1 {

namespace {
constexpr int kPprsBeforeChoice = 4;
constexpr int kRcpFrames = 3;
constexpr std::uint8_t kDataEnd[] = {kDle, kEtx};
}  // namespace

EcmSend::EcmSend(SendMachine& m, Channel& io, std::function<void()> documentDone)
    : m_(m), io_(io), documentDone_(std::move(documentDone)), out_(m.link()) {}

const char* EcmSend::nameOf(Step s) {
  switch (s) {
    case Step::Idle: return "idle";
    case Step::DataConnect: return "ECM data connect";
    case Step::Data: return "ECM data";
    case Step::DataSent: return "ECM data sent";
    case Step::CommandReady: return "ECM command ready";
    case Step::CommandSent: return "ECM command sent";
    case Step::Response: return "ECM response";
  }
  return "?";
}

void EcmSend::setStep(Step s) { changeStep(m_, "ecm", step_, s, &EcmSend::nameOf); }

void EcmSend::begin() {
  pageCount_ = 0;
  startPage();
}

void EcmSend::startPage() {
  std::vector<std::uint8_t> bytes;
  if (int rc = m_.renderPage(bytes); rc != ecOK) return m_.fail(rc);
  m_.note("ECM page of " + std::to_string(bytes.size()) + " bytes");
  page_ = ecm::PageFrames(std::move(bytes), frameSize_);
  blockIndex_ = 0;
  m_.setProgress(progress::kSendingPage);
  startBlock();
}

void EcmSend::startBlock() {
  block_.start(page_.framesIn(blockIndex_));
  pprs_ = 0;
  sendData();
}

void EcmSend::sendData() {
  ProtocolRecord& p = m_.protocol();
  io_.command("AT+FTM=" + (longTrain_ ? p.modulation : pageModulation(p.modulation)));
  longTrain_ = false;
  setStep(Step::DataConnect);
}

// The block's pending frames as the line carries them: flags, the frames, three RCP.
void EcmSend::queueBlock() {
  const ProtocolRecord& p = m_.protocol();
  hdlc::Writer w;
  w.flags(std::max(1, p.sessionBps / 8 * timing::kEcmPreambleMs / 1000));
  for (int n : block_.pending()) w.frame(fcdFrame(n, page_.frame(blockIndex_, n)));
  for (int i = 0; i < kRcpFrames; ++i) w.frame(rcpFrame());
  w.flags(2);
  std::vector<std::uint8_t> bits = w.take();
  m_.note("-> " + std::to_string(block_.pending().size()) + " FCD frames of block " +
          std::to_string(blockIndex_));
  m_.softwareFlow(true);
  out_.clear();
  out_.data(bits);
  out_.control(kDataEnd);
  // The modem's OK comes once the data is on the line.
  const std::int64_t lineMs =
      std::int64_t(bits.size()) * 8 * 1000 / std::max(p.sessionBps.load(), 2400);
  m_.armReply(Ticks(p.pageTimeout + lineMs / kMsPerTick));
  dataOut();
}

void EcmSend::dataOut() {
  if (out_.flush()) return setStep(Step::DataSent);
  m_.link().armOutputLow(std::size_t(std::max(m_.session().bufferMinimum, 0)));
  setStep(Step::Data);
}

void EcmSend::onStep(Trigger t) {
  if (step_ == Step::Data && (t == Trigger::OutputLow || t == Trigger::OutputFree))
    return dataOut();
  if (t != Trigger::ReplyTimer) return;
  if (step_ == Step::Response) {
    // No good answer within T4: the command goes again.
    io_.stopListening();
    return repeatCommand();
  }
  m_.fail(ecTimeout);
}

std::uint8_t EcmSend::blockCommand() const {
  if (blockIndex_ + 1 < page_.blocks()) return kPpsNull;
  return std::uint8_t(m_.morePages() ? Fcf::MPS : Fcf::EOP);
}

void EcmSend::command(std::vector<std::uint8_t> frame) {
  asked_ = Fcf(frame[2] & ~kXBit);
  command_ = std::move(frame);
  tries_ = 0;
  m_.pause(timing::kTurnPauseMs);
  io_.command("AT+FTH=3");
  setStep(Step::CommandReady);
}

void EcmSend::repeatCommand() {
  if (++tries_ >= timing::kCommandTries) return m_.fail(ecTimeout);
  m_.pause(timing::kTurnPauseMs);
  io_.command("AT+FTH=3");
  setStep(Step::CommandReady);
}

void EcmSend::onLine(AtReply reply) {
  switch (step_) {
    case Step::DataConnect:
      if (reply == AtReply::Connect) return queueBlock();
      if (reply == AtReply::Error) return m_.fail(ecFaxBadModemResult);
      break;
    case Step::Data:
    case Step::DataSent:
      if (reply != AtReply::Ok) break;
      m_.softwareFlow(false);
      if (blockCommand() != kPpsNull) m_.reportPageEnd();
      return command(ppsFrame(blockCommand(), pageCount_, blockIndex_, block_.frames()));
    case Step::CommandReady:
      if (reply == AtReply::Connect) {
        io_.frame(command_);
        return setStep(Step::CommandSent);
      }
      if (reply == AtReply::Error) return m_.fail(ecFaxBadModemResult);
      break;
    case Step::CommandSent:
      if (reply != AtReply::Ok) break;
      answer_ = Frame{};
      io_.awaitResponse();
      return setStep(Step::Response);
    case Step::Response:
      if (reply == AtReply::Error) return repeatCommand();  // a damaged answer
      if (reply != AtReply::Ok) break;
      if (!m_.protocol().finalFrameSeen) return io_.receiveFrames();
      return onAnswer();
    default: break;
  }
  m_.rearmReply();
}

void EcmSend::onFrame(const Frame& f) {
  if (f.final()) answer_ = f;
  if (f.is(Fcf::DCN)) m_.fail(ecCancelRequested);
}

void EcmSend::onAnswer() {
  const Fcf sent = asked_;  // RR asks again what this asked
  const Fcf got = Fcf(answer_.code());
  if (got == Fcf::RNR) {
    if (!waitingReady_) notReady_ = newTimer(m_.link().now(), timing::kReceiverReady);
    waitingReady_ = true;
    if (timerExpired(notReady_, m_.link().now())) return m_.fail(ecTimeout);
    m_.pause(timing::kReadyAskPauseMs);
    command_ = plainFrame(Fcf::RR, true);
    tries_ = 0;
    io_.command("AT+FTH=3");
    return setStep(Step::CommandReady);
  }
  waitingReady_ = false;
  switch (got) {
    case Fcf::MCF:
      if (sent == Fcf::PPS) return blockDone();
      break;
    case Fcf::PPR:
      if (sent == Fcf::PPS) return onPpr();
      break;
    case Fcf::CTR:
      if (sent == Fcf::CTC) {
        pprs_ = 0;
        longTrain_ = true;
        return sendData();
      }
      break;
    case Fcf::ERR:
      if (sent == Fcf::EOR) return blockDone();
      break;
    default: break;
  }
  repeatCommand();  // not an answer to what we sent
}

void EcmSend::onPpr() {
  if (!block_.resend(decodePpr(answer_))) return blockDone();  // nothing asked for
  if (++pprs_ < kPprsBeforeChoice) return sendData();
  // The fourth time: a lower rate if there is one, else the block is given up.
  ProtocolRecord& p = m_.protocol();
  int lower = lowerIndex(p.localRates, p.remoteRates, p.modulationIndex);
  if (lower == 0) {
    m_.note("block given up");
    return command(eorFrame(blockCommand()));
  }
  m_.note(std::string("falling back to ") + indexModulation(lower));
  p.modulationIndex = lower;
  p.modulation = indexModulation(lower);
  p.sessionBps = indexBps(lower);
  command(ctcFrame(lower));
}

void EcmSend::blockDone() {
  if (++blockIndex_ < page_.blocks()) return startBlock();
  m_.setProgress(progress::kPageAccepted);
  ++pageCount_;
  if (!m_.morePages()) {
    setStep(Step::Idle);
    return documentDone_();
  }
  if (int rc = m_.advancePage(); rc != ecOK) return m_.fail(rc);
  startPage();
}

}  // namespace faxengine::class1
