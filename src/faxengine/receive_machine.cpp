// The receiving state machine's class-independent steps.
#include "faxengine/receive_machine.h"

#include <algorithm>

#include "faxengine/errors.h"
#include "faxengine/modem_bytes.h"
#include "faxengine/timings.h"

namespace faxengine {

const char* ReceiveMachine::stepName(Step s) {
  switch (s) {
    case Step::Idle: return "idle";
    case Step::WaitCall: return "wait for a call";
    case Step::Dialogue: return "dialogue";
    case Step::Rings: return "rings";
    case Step::PageData: return "page data";
    case Step::Abort: return "abort";
    case Step::Ended: return "ended";
  }
  return "?";
}

ReceiveMachine::ReceiveMachine(ModemLink& link, SessionHost& host, SessionRecord& session,
                               ProtocolRecord& proto)
    : FaxMachine(link, host, session, proto) {}

ReceiveMachine::~ReceiveMachine() = default;

void ReceiveMachine::setStep(Step s) {
  changeStep(*this, "receive", step_, s, &ReceiveMachine::stepName);
}

Input ReceiveMachine::input() const {
  switch (step_) {
    case Step::WaitCall:
    case Step::Abort: return Input::None;
    case Step::Dialogue: return dialogue_->input();
    case Step::Rings: return Input::Lines;
    case Step::PageData: return Input::Raw;
    default: return Input::Triggers;
  }
}

void ReceiveMachine::onStep(Trigger t) {
  switch (step_) {
    case Step::Idle:
      if (t == Trigger::Start) setStep(Step::WaitCall);
      break;
    case Step::WaitCall: stepWaitCall(); break;
    case Step::Dialogue: dialogue_->onStep(t); break;
    case Step::PageData:
      if (t == Trigger::ReplyTimer) fail(ecTimeout);
      break;
    case Step::Abort: stepAbort(); break;
    default: break;
  }
}

void ReceiveMachine::onLine(const std::string& line, AtReply reply) {
  if (step_ == Step::Dialogue)
    dialogue_->onLine(line, reply);
  else if (step_ == Step::Rings)
    stepRings(line, reply);
}

std::size_t ReceiveMachine::onRaw(std::span<const std::uint8_t> data) {
  if (step_ == Step::PageData) return stepPageData(data);
  if (step_ == Step::Dialogue) return dialogue_->onRaw(data);
  return data.size();
}

void ReceiveMachine::stepWaitCall() {
  // The modem went while the last call was hung up.
  if (deviceLost()) return fail(ecDeviceLost);
  SessionRecord& s = session();
  resetCall();  // each call reports its own result
  s.faxFile.clear();
  s.currentPage = 0;
  accepted_ = false;
  refused_ = false;
  answeredWithoutFile_ = false;
  newDocument_ = false;
  heldPoor_ = false;
  poorCopies_ = 0;
  if (s.constantStatus && !firstReported_) {
    reportStatus(true, false);
    firstReported_ = true;
  }
  softwareFlow(false);
  link().setDtrRts(true);
  setStep(Step::Dialogue);
  dialogue_->waitForCall();
}

void ReceiveMachine::waitRings() {
  link().stopReplyTimer();
  setProgress(progress::kWaitingForCall);
  setStep(Step::Rings);
}

void ReceiveMachine::stepRings(const std::string& line, AtReply reply) {
  ProtocolRecord& p = protocol();
  switch (reply) {
    case AtReply::Ring:
      if (++p.ringCount >= std::max(p.answerOnRing, 1)) {
        if (!firstReported_) {
          reportStatus(true, false);
          firstReported_ = true;
        }
        answer();
      }
      break;
    case AtReply::Connect: fail(ecFaxDataCall); break;
    case AtReply::Voice: fail(ecFaxVoiceCall); break;
    default:
      if (contains(line, "NO C")) setProgress(progress::kNoConnect);
      break;
  }
}

void ReceiveMachine::answer() {
  answeredWithoutFile_ = true;
  sendCommand("ATA");
  armReply(timing::kAnswer);
  answerTimer_ = newTimer(link().now(), timing::kAnswer);
  act([this] { setProgress(progress::kAnswering); });  // once "ATA" has gone out
  setStep(Step::Dialogue);
  dialogue_->answered();
}

void ReceiveMachine::softwareFlow(bool on) {
  // Stop the modem with 6 KiB waiting, resume at 2 KiB: room for the bytes under way.
  constexpr int kFlowStop = 6144, kFlowResume = 2048;
  if (session().option(kOptSoftwareFlow))
    link().setSoftwareFlow(on ? SoftwareFlow::Receive : SoftwareFlow::Off, kFlowStop, kFlowResume);
}

Ticks ReceiveMachine::answerTicksLeft() const { return remainingTicks(answerTimer_, link().now()); }

bool ReceiveMachine::accept() {
  if (!host().faxAccept()) {
    dialogue_->refuse();
    refused_ = true;
    fail(ecFileRejected);
    return false;
  }
  int rc = createFile();
  if (rc != ecOK) {
    fail(rc);
    return false;
  }
  accepted_ = true;
  answeredWithoutFile_ = false;
  host().faxLog(lfaxReceiveStart);
  session().currentPage = 0;
  return true;
}

int ReceiveMachine::createFile() {
  SessionRecord& s = session();
  s.currentPage = 1;
  std::string name = host().faxName();
  if (name.empty()) return ecNoFilename;
  int rc = file_.create(name, s.remoteStationId.get());
  if (rc != ecOK) return rc;
  s.faxFile.set(name);
  s.faxNotes.clear();
  return ecOK;
}

bool ReceiveMachine::openPage() {
  SessionRecord& s = session();
  ProtocolRecord& p = protocol();
  if (!accepted_ && !accept()) return false;
  if (newDocument_) {
    // The document before is complete: it is filed on its own before the next begins.
    newDocument_ = false;
    file_.close();
    host().faxLog(lfaxReceiveOk);
    int rc = createFile();
    if (rc != ecOK) {
      fail(rc);
      return false;
    }
    host().faxLog(lfaxReceiveStart);
  } else if (!heldPoor_) {  // a copy sent again after RTN keeps its page's number
    s.currentPage = s.currentPage + 1;
  }
  int rc = file_.beginPage(p.sessionFine, p.sessionWide, lineCoding());
  if (rc != ecOK) {
    fail(rc);
    return false;
  }
  check_.reset();
  file_.setPageTap(nullptr);
  if (dialogue_->checksCopyQuality()) {
    check_ = std::make_unique<faximage::CopyQualityCheck>(
        lineCoding(), p.sessionWide ? faximage::kWideWidth : faximage::kNormalWidth);
    file_.setPageTap([c = check_.get()](std::span<const std::uint8_t> b) { c->add(b); });
  }
  return true;
}

bool ReceiveMachine::storePage(std::span<const std::uint8_t> data) {
  if (!openPage()) return false;
  int rc = file_.storeCodedPage(data);
  session().pageBytes = file_.pageBytes();
  if (rc != ecOK) fail(rc);
  return rc == ecOK;
}

void ReceiveMachine::pageStart() {
  SessionRecord& s = session();
  ProtocolRecord& p = protocol();
  if (!openPage()) return;
  armReply(p.pageTimeout);
  s.pageBytes = 0;
  dialogue_->releasePageData();
  setProgress(progress::kGettingPage);
  setStep(Step::PageData);
}

std::size_t ReceiveMachine::stepPageData(std::span<const std::uint8_t> data) {
  std::size_t used = 0;
  bool ended = false;
  int rc = file_.feed(data, dialogue_->reversedBits(), used, ended);
  session().pageBytes = file_.pageBytes();
  if (rc != ecOK) {
    fail(rc);
    return used;
  }
  armReply(protocol().pageTimeout);
  if (ended) {
    if (check_) {
      checkPage();
      if (step_ != Step::PageData) return used;  // storing it failed
    }
    setStep(Step::Dialogue);
    dialogue_->pageEnded();
  }
  return used;
}

void ReceiveMachine::endOfPage(bool good) {
  SessionRecord& s = session();
  if (!good) {
    note("page reported bad: cut from the file");
    int rc = file_.cutPage();
    s.currentPage = std::max(0, s.currentPage - 1);
    if (rc != ecOK) fail(rc);
    return;
  }
  int rc = file_.endPage(s.remoteStationId.get());
  if (rc != ecOK) return fail(rc);
  s.totalPages = file_.pageCount();
}


void ReceiveMachine::checkPage() {
  SessionRecord& s = session();
  const ProtocolRecord& p = protocol();
  file_.setPageTap(nullptr);
  const faximage::PageQuality q = check_->finish();
  const int maxRun = p.sessionFine ? timing::kPoorBadRunFine : timing::kPoorBadRunStandard;
  const bool poor = q.poor(timing::kPoorBadRowPercent, maxRun);
  note("page " + std::to_string(s.currentPage) + ": " + std::to_string(q.badRows) + " of " +
       std::to_string(q.rows) + " rows bad, longest run " + std::to_string(q.longestBadRun) +
       (q.endSeen ? "" : ", no end of page") + (poor ? ": poor" : ""));
  const bool again = heldPoor_ && faximage::samePage(heldPrints_, check_->prints());
  if (heldPoor_ && !again) {
    // The sender moved on to the next page: the poor copy stays as it came.
    keepHeldCopy();
    s.currentPage = s.currentPage + 1;
  }
  heldPoor_ = false;
  storeCheckedPage(again);
  if (step_ != Step::PageData) return;
  pagePoor_ = poor && ++poorCopies_ <= timing::kPoorCopyRetries;
  if (pagePoor_) {
    heldPoor_ = true;
    heldPage_ = s.currentPage;
    heldQuality_ = q;
    heldPrints_ = check_->prints();
    return;
  }
  if (poor) noteDamaged(s.currentPage, q);
  poorCopies_ = 0;
}

void ReceiveMachine::storeCheckedPage(bool replaceHeld) {
  const ProtocolRecord& p = protocol();
  SessionRecord& s = session();
  int rc = ecOK;
  if (replaceHeld) {
    // The copy sent again goes where the poor one was.
    rc = file_.cutPage();
    if (rc == ecOK) rc = file_.dropLastPage();
    if (rc == ecOK) rc = file_.beginPage(p.sessionFine, p.sessionWide);
  }
  if (rc == ecOK) rc = file_.storePage(check_->repairedMh());
  if (rc == ecOK) rc = file_.endPage(s.remoteStationId.get());
  if (rc != ecOK) return fail(rc);
  s.totalPages = file_.pageCount();
}

void ReceiveMachine::keepHeldCopy() {
  if (!heldPoor_) return;
  noteDamaged(heldPage_, heldQuality_);
  heldPoor_ = false;
  poorCopies_ = 0;
}

void ReceiveMachine::noteDamaged(int page, const faximage::PageQuality& q) {
  // Short enough for the list's notes (the damaged lines print as the line above).
  addFaxNote("Page " + std::to_string(page) + " arrived damaged: " + std::to_string(q.badRows) +
             " of " + std::to_string(q.rows) + " lines repaired.");
}

void ReceiveMachine::addFaxNote(const std::string& text) {
  note(text);
  SessionRecord& s = session();
  std::string notes = s.faxNotes.get();
  s.faxNotes.set(notes.empty() ? text : notes + "\n" + text);
}

void ReceiveMachine::endOfDocument() {
  keepHeldCopy();
  int rc = file_.close();
  if (rc != ecOK) return fail(rc);
  host().faxLog(lfaxReceiveOk);
  session().faxFile.clear();
  setProgress(progress::kGettingHangup);
}

void ReceiveMachine::endOfCall() {
  const SessionRecord& s = session();
  switchToInitBaud();
  if (s.oneFax) {
    setStep(Step::Ended);
    endSession();
    return;
  }
  if (!s.constantStatus) {
    reportStatus(false, true);
    firstReported_ = false;
  }
  setStep(Step::WaitCall);
}

void ReceiveMachine::stepAbort() {
  const SessionRecord& s = session();
  if (file_.isOpen()) {
    // Only complete pages stay: a page cut off by the failure would not decode. The pages
    // that arrived whole are the user's: the fax is filed with them, and its notes say
    // that the call was cut off.
    file_.cutPage();
    keepHeldCopy();
    const int pages = file_.pageCount();
    file_.close();
    if (pages > 0) {
      addFaxNote("The call was cut off after page " + std::to_string(pages) + " (" +
                 errorText(session().lastErrorCode) + ").");
      host().faxLog(lfaxReceiveOk);
    } else {
      host().faxLog(lfaxReceiveFail);
    }
  } else if (answeredWithoutFile_ && !refused_) {
    host().faxLog(lfaxReceiveFail);
  }
  answeredWithoutFile_ = false;
  hangUpReceiver();
  if (refused_) host().faxLog(lfaxReceiveSkip);
  refused_ = false;
  accepted_ = false;
  if (firstReported_ || userAborted()) {
    reportStatus(false, true);
    firstReported_ = false;
  }
  switchToInitBaud();
  if (s.option(kOptExitOnError) || userAborted() || deviceLost()) {
    setStep(Step::Ended);
    endSession();
    return;
  }
  setStep(Step::WaitCall);
}

}  // namespace faxengine
