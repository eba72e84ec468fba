// The Class 2 and Class 2.0 sending and receiving dialogues.
#include "faxengine/class2_dialogue.h"

#include "faxengine/errors.h"
#include "faxengine/modem_bytes.h"
#include "faxengine/scan_time.h"

namespace faxengine {

namespace {
// The steps' names in the order of Class2SendStep.
constexpr const char* kClass2SendStepNames[] = {
    "select class",   "class set",   "local id set", "class 2.0 set-up",
    "parameters set", "dial result", "negotiation",  "page sent",
    "page ended",     "page status", "page query",   "next page"};
// The steps' names in the order of Class2ReceiveStep.
constexpr const char* kClass2ReceiveStepNames[] = {
    "idle",          "class set", "capabilities set", "class 2.0 set-up", "answered",
    "session start", "page wait", "post page",        "closing"};
}  // namespace

bool isReport(std::string_view line, std::string_view word) {
  std::string report = "+F";
  report += word;
  return contains(line, report);
}

void applySessionReport(ProtocolRecord& p, std::string_view line) {
  class2::SessionParams v = class2::parseParams(class2::reportValue(line));
  p.sessionFine = v.fine;
  p.remoteAcceptsFine = v.fine;
  p.sessionBps = v.bps;
  p.sessionWide = v.wide;
  p.remoteAcceptsWide = v.wide;
  p.sessionEcm = v.ecm;
  p.scanTimeIndex = v.scanIndex;
  p.minBytesPerLine = minBytesPerLine(v.scanIndex, v.fine, v.bps);
}

void Class2Commands::command(std::string_view word, std::string_view value) {
  std::string cmd = "AT+F";
  cmd += word;
  cmd += value;
  m_.sendCommand(cmd);
}

bool Class2Commands::expectOk(AtReply reply, int code) {
  if (reply == AtReply::Ok) return true;
  if (isResultCode(reply))
    m_.fail(code);
  else
    m_.rearmReply();
  return false;
}

bool Class2Commands::hangupReport(const std::string& line) {
  if (!contains(line, w_.hangup)) return false;
  m_.protocol().lastHangupCode = class2::hangupCode(line, w_.hangupBase);
  return true;
}

void Class2Commands::beginClass20Setup() {
  reportsAsked_ = false;
  m_.sendCommand("AT+FLO=2");
}

bool Class2Commands::class20SetupDone(AtReply reply) {
  if (!expectOk(reply, ecFaxInitError)) return false;
  if (reportsAsked_) return true;
  m_.sendCommand("AT+FNR=1,1,1,0");
  reportsAsked_ = true;
  return false;
}

// ---- sending ---------------------------------------------------------------------------

Class2Send::Class2Send(SendMachine& m, const Class2Words& words)
    : Class2Dialogue(m, words, Step::SelectClass, stepNames<Step::NextPage>(kClass2SendStepNames)) {
}

void Class2Send::start() { step_ = Step::SelectClass; }

Input Class2Send::input() const {
  switch (step_) {
    case Step::SelectClass:
    case Step::NextPage: return Input::None;
    case Step::PageSent: return Input::Triggers;
    default: return Input::Lines;
  }
}

void Class2Send::onStep(Trigger t) {
  switch (step_) {
    case Step::SelectClass:
      c_.command(w_.selectClass);
      setStep(Step::ClassSet);
      return;
    case Step::NextPage: return nextPage();
    case Step::PageSent:
      if (t == Trigger::OutputEmpty) {
        m_.softwareFlow(false);
        endPage();
        return;
      }
      break;
    default: break;
  }
  if (t == Trigger::ReplyTimer) m_.fail(ecTimeout);
}

void Class2Send::onLine(const std::string& line, AtReply reply) {
  if (reply == AtReply::Error && !errorAnswers()) return m_.fail(ecFaxBadModemResult);
  // After a page the modem may end the call; the final result that follows says more.
  const bool afterPage = step_ == Step::PageStatus || step_ == Step::PageQuery;
  if (c_.hangupReport(line) && !afterPage) return m_.fail(ecFaxBadModemResult);
  switch (step_) {
    case Step::ClassSet:
      if (!c_.expectOk(reply, ecFaxInitError)) return;
      c_.command(w_.localId, "=\"" + m_.session().stationId + "\"");
      return setStep(Step::LocalIdSet);
    case Step::LocalIdSet:
      if (c_.expectOk(reply, ecFaxInitError)) afterLocalId();
      return;
    case Step::Class20Setup:
      if (c_.class20SetupDone(reply)) sendParams();
      return;
    case Step::ParamsSet:
      if (!c_.expectOk(reply, ecFaxInitError)) return;
      m_.dial();
      return setStep(Step::DialResult);
    case Step::DialResult: return onDialResult(line, reply);
    case Step::Negotiation: return onNegotiation(line, reply);
    case Step::PageEnded:
      if (!c_.expectOk(reply, ecFaxSessionError)) return;
      m_.sendCommand(m_.morePages() ? "AT+FET=0" : "AT+FET=2");
      m_.armReply(timing::kPage);
      return setStep(Step::PageStatus);
    case Step::PageStatus: return onPageStatus(line, reply);
    case Step::PageQuery: return onPageQuery(line, reply);
    default: m_.rearmReply(); return;
  }
}

void Class2Send::afterLocalId() { sendParams(); }

void Class2Send::sendParams() {
  const ProtocolRecord& p = m_.protocol();
  c_.command(w_.sessionParams, "=" + class2::senderParams(m_.firstPageFine(), m_.firstPageWide(),
                                                          p.desiredBps, p.ecmChar));
  setStep(Step::ParamsSet);
}

void Class2Send::redial() {
  m_.dial();
  setStep(Step::DialResult);
}

void Class2Send::onDialResult(const std::string& line, AtReply reply) {
  if (isReport(line, w_.connection)) {
    m_.armReply(timing::kReply);
    return setStep(Step::Negotiation);
  }
  if (!m_.dialFailed(reply)) m_.armReply(timing::kReply);
}

void Class2Send::onNegotiation(const std::string& line, AtReply reply) {
  ProtocolRecord& p = m_.protocol();
  if (isReport(line, w_.remoteCaps)) {
    applySessionReport(p, line);
    if ((m_.firstPageWide() && !p.remoteAcceptsWide) ||
        (m_.firstPageFine() && !p.remoteAcceptsFine))
      return m_.fail(ecFaxIncompatible);
    return m_.setProgress(progress::kConnectionParams);
  }
  if (isReport(line, w_.calledId)) {
    m_.session().remoteStationId.set(class2::stationId(line));
    return m_.setProgress(progress::kGotRemoteId);
  }
  if (isReport(line, w_.session)) {
    applySessionReport(p, line);
    return m_.setProgress(progress::kConnectionParams);
  }
  if (reply == AtReply::Ok) {
    m_.sendCommand("AT+FDT");
    m_.armReply(timing::kAfterFdt);
    return;
  }
  if (reply == AtReply::Connect) return m_.startPage(waitsForXon());
  m_.rearmReply();
}

void Class2Send::pageQueued() {
  verdict_ = ' ';
  setStep(Step::PageSent);
}

bool Class2Send::abortSession() {
  c_.command(w_.abortSession);
  return true;
}

void Class2Send::endPage() {
  m_.protocol().lastHangupCode = 0;
  m_.writeRaw(std::string{char(kDle), char(kEtx)});
  m_.reportPageEnd();
  m_.armReply(m_.pageEndTimeout());
  setStep(Step::PageEnded);
}

bool Class2Send::endedAbnormally() {
  // The modem ended the call after the page: a hang-up code other than 0 means the far
  // end never confirmed it (no answer to the end of page, a lost line, a disconnect).
  if (m_.protocol().lastHangupCode == 0) return false;
  m_.fail(ecFaxSessionError);
  return true;
}

void Class2Send::onPageStatus(const std::string& line, AtReply reply) {
  if (contains(line, w_.hangup)) return;  // stored; the final result follows
  if (isReport(line, w_.pageStatus)) {
    std::string value = class2::reportValue(line);
    return noteVerdict(value.empty() ? '?' : value[0]);
  }
  if (reply == AtReply::Error && verdict_ == ' ') {
    if (endedAbnormally()) return;  // the call is over: nothing to ask
    // The page was not confirmed and the modem did not say why: ask it.
    m_.sendCommand(std::string("AT+F") + std::string(w_.pageStatus) + "?");
    return setStep(Step::PageQuery);
  }
  if (reply == AtReply::Ok || reply == AtReply::Error) return afterVerdict();
  if (isResultCode(reply)) return m_.fail(ecFaxPageError);
  m_.rearmReply();
}

void Class2Send::onPageQuery(const std::string& line, AtReply reply) {
  if (contains(line, w_.hangup)) return;  // stored; the final result follows
  if (reply == AtReply::Ok && verdict_ != ' ') return afterVerdict();
  if (isResultCode(reply)) return m_.fail(ecFaxPageError);
  // The answer is the page status, with or without the report's name in front.
  std::string value = class2::reportValue(line);
  if (value.size() == 1 && value[0] >= '1' && value[0] <= '5')
    noteVerdict(value[0]);
  else
    m_.rearmReply();
}

// Shown at once: a page the far end has confirmed counts as sent even if the modem goes
// away before its final result.
void Class2Send::noteVerdict(char c) {
  verdict_ = c;
  if (c == '1' || c == '3') m_.setProgress(progress::kPageAccepted);
  if (c == '2') m_.setProgress(progress::kPageError);
}

void Class2Send::afterVerdict() {
  switch (verdict_) {
    case ' ':  // no page status: the final result OK confirms the page
      if (endedAbnormally()) return;
      m_.setProgress(progress::kPageAccepted);
      return setStep(Step::NextPage);
    case '1':
    case '3':
      if (endedAbnormally()) return;
      return setStep(Step::NextPage);
    case '2':
      if (endedAbnormally()) return;
      return resendPage();
    case '4':
    case '5': return m_.fail(ecCancelRequested);
    default: return m_.fail(ecFaxPageError);
  }
}

// The far end refused the page: it goes again, up to kClass2Resends times in one fax.
void Class2Send::resendPage() {
  ProtocolRecord& p = m_.protocol();
  if (++p.retryCount > timing::kClass2Resends) {
    m_.writeRaw("AT+FKS\r");
    return m_.fail(ecFaxSessionError);
  }
  m_.sendCommand("AT+FDT");
  m_.armReply(timing::kAfterFdt);
  int rc = m_.rewindPage();
  if (rc != ecOK) return m_.fail(rc);
  setStep(Step::Negotiation);
}

void Class2Send::nextPage() {
  if (!m_.morePages()) return m_.faxDone();
  int rc = m_.advancePage();
  if (rc != ecOK) return m_.fail(rc);
  m_.sendCommand("AT+FDT");
  m_.armReply(timing::kAfterFdt);
  setStep(Step::Negotiation);
}

void Class20Send::afterLocalId() {
  c_.beginClass20Setup();
  setStep(Step::Class20Setup);
}

void Class20Send::endPage() {
  m_.protocol().lastHangupCode = 0;
  m_.writeRaw(std::string{char(kDle), m_.morePages() ? ',' : '.'});
  m_.reportPageEnd();
  m_.armReply(m_.pageEndTimeout());
  setStep(Step::PageStatus);
}

// ---- receiving -------------------------------------------------------------------------

Class2Receive::Class2Receive(ReceiveMachine& m, const Class2Words& words)
    : Class2Dialogue(m, words, Step::Idle, stepNames<Step::Closing>(kClass2ReceiveStepNames)) {}

void Class2Receive::waitForCall() {
  endOfDocument_ = false;
  pageGood_ = true;
  c_.command(w_.selectClass);
  setStep(Step::ClassSet);
}

void Class2Receive::answered() { setStep(Step::Answered); }

Input Class2Receive::input() const { return step_ == Step::Idle ? Input::Triggers : Input::Lines; }

void Class2Receive::onStep(Trigger t) {
  if (t == Trigger::ReplyTimer) m_.fail(ecTimeout);
}

void Class2Receive::onLine(const std::string& line, AtReply reply) {
  const ProtocolRecord& p = m_.protocol();
  if (reply == AtReply::Error) return m_.fail(ecFaxBadModemResult);
  if (step_ != Step::Closing && c_.hangupReport(line)) return m_.fail(ecFaxSessionError);
  switch (step_) {
    case Step::ClassSet:
      if (!c_.expectOk(reply, ecFaxInitError)) return;
      m_.switchToNormalBaud();
      c_.command(w_.capabilities, "=" + class2::receiverParams(p.desiredBps, p.ecmChar));
      return setStep(Step::CapsSet);
    case Step::CapsSet:
      if (c_.expectOk(reply, ecFaxInitError)) afterCaps();
      return;
    case Step::Class20Setup:
      if (c_.class20SetupDone(reply)) readyForCalls();
      return;
    case Step::Answered: return onAnswered(line, reply);
    case Step::SessionStart: return onSessionStart(line, reply);
    case Step::PageWait: return onPageWait(line, reply);
    case Step::PostPage: return onPostPage(line, reply);
    case Step::Closing: return onClosing(line, reply);
    case Step::Idle: return;
  }
}

void Class2Receive::afterCaps() { readyForCalls(); }

void Class2Receive::readyForCalls() {
  setStep(Step::Idle);
  m_.waitRings();
}

void Class2Receive::onAnswered(const std::string& line, AtReply reply) {
  if (isReport(line, w_.connection)) {
    m_.armReply(timing::kReply);
    m_.setProgress(progress::kIncomingFax);
    return setStep(Step::SessionStart);
  }
  // A fax call shows its connection report first; CONNECT alone is a data modem.
  if (reply == AtReply::Connect) return m_.fail(ecFaxDataCall);
  Ticks left = m_.answerTicksLeft();
  if (left <= 0) return m_.fail(ecTimeout);
  m_.armReply(left);
}

void Class2Receive::onSessionStart(const std::string& line, AtReply reply) {
  if (isReport(line, w_.transmitId)) {
    m_.session().remoteStationId.set(class2::stationId(line));
    if (m_.accept()) m_.setProgress(progress::kGotRemoteId);
    return;
  }
  if (isReport(line, w_.session)) {
    applySessionReport(m_.protocol(), line);
    return m_.setProgress(progress::kConnectionParams);
  }
  if (reply == AtReply::Ok) {
    // A caller without an identifier is asked about here, before its first page.
    if (!m_.accepted() && !m_.accept()) return;
    m_.sendCommand("AT+FDR");
    return setStep(Step::PageWait);
  }
  m_.rearmReply();
}

void Class2Receive::onPageWait(const std::string& line, AtReply reply) {
  if (isReport(line, w_.session)) {
    applySessionReport(m_.protocol(), line);
    return m_.setProgress(progress::kConnectionParams);
  }
  if (reply == AtReply::Connect) {
    m_.softwareFlow(true);
    return m_.pageStart();
  }
  m_.rearmReply();
}

void Class2Receive::releasePageData() { m_.writeRaw(std::string(1, char(kDc2))); }

void Class2Receive::pageEnded() {
  m_.setProgress(progress::kGettingPage);
  m_.softwareFlow(false);
  setStep(Step::PostPage);
}

void Class2Receive::onPostPage(const std::string& line, AtReply reply) {
  if (isReport(line, w_.pageStatus)) {
    m_.setProgress(progress::kGettingEop);
    endOfDocument_ = false;
    std::string value = class2::reportValue(line);
    char c = value.empty() ? ' ' : value[0];
    pageGood_ = c == '1' || c == '3' || c == '5';
    return m_.endOfPage(pageGood_);
  }
  if (contains(line, "+FET")) {
    m_.setProgress(progress::kGettingEod);
    std::string value = class2::reportValue(line);
    char c = value.empty() ? ' ' : value[0];
    if (c == '1') m_.newDocumentNext();
    if (c == '2') endOfDocument_ = true;
    return;
  }
  if (reply == AtReply::Ok) {
    m_.sendCommand("AT+FDR");
    // A bad page is sent again even when it was the last one: the document goes on.
    if (!endOfDocument_ || !pageGood_) return setStep(Step::PageWait);
    m_.endOfDocument();
    return setStep(Step::Closing);
  }
  m_.rearmReply();
}

void Class2Receive::onClosing(const std::string& line, AtReply reply) {
  if (c_.hangupReport(line)) return m_.setProgress(progress::kGotHangup);
  if (contains(line, "+FET")) return m_.setProgress(progress::kGettingHangup);
  if (reply == AtReply::Ok) {
    setStep(Step::Idle);
    return m_.endOfCall();
  }
  m_.rearmReply();
}

void Class2Receive::refuse() { m_.writeRaw("AT+FKS\r"); }

void Class20Receive::afterCaps() {
  c_.beginClass20Setup();
  setStep(Step::Class20Setup);
}

}  // namespace faxengine
