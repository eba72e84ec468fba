// The sending state machine's class-independent steps.
#include "faxengine/send_machine.h"

#include <algorithm>
#include <ctime>

#include "base/asciitext.h"
#include "base/faxnumber.h"
#include "faxengine/errors.h"
#include "faxengine/modem_bytes.h"
#include "faxengine/text_file.h"

namespace faxengine {

namespace {
constexpr std::int64_t kSlowestBps = 2400;  // when the session's rate is not known
}  // namespace

const char* SendMachine::stepName(Step s) {
  switch (s) {
    case Step::Idle: return "idle";
    case Step::NextFax: return "next fax";
    case Step::FirstPage: return "first page";
    case Step::Dialogue: return "dialogue";
    case Step::RedialWait: return "redial wait";
    case Step::WaitXon: return "wait for XON";
    case Step::WaitBuffer: return "wait for buffer";
    case Step::CoverText: return "text cover";
    case Step::PageData: return "page data";
    case Step::FaxDone: return "fax done";
    case Step::EndData: return "end data";
    case Step::Abort: return "abort";
    case Step::Ended: return "ended";
  }
  return "?";
}

SendMachine::SendMachine(ModemLink& link, SessionHost& host, SessionRecord& session,
                         ProtocolRecord& proto)
    : FaxMachine(link, host, session, proto), out_(link) {}

SendMachine::~SendMachine() = default;

void SendMachine::setStep(Step s) { changeStep(*this, "send", step_, s, &SendMachine::stepName); }

Input SendMachine::input() const {
  switch (step_) {
    case Step::NextFax:
    case Step::FirstPage:
    case Step::FaxDone:
    case Step::Abort: return Input::None;
    case Step::Dialogue: return dialogue_->input();
    case Step::WaitXon: return Input::Raw;
    case Step::EndData: return Input::Lines;
    default: return Input::Triggers;
  }
}

void SendMachine::onStep(Trigger t) {
  switch (step_) {
    case Step::Idle:
      if (t == Trigger::Start) setStep(Step::NextFax);
      break;
    case Step::NextFax: stepNextFax(); break;
    case Step::FirstPage: stepFirstPage(); break;
    case Step::Dialogue: dialogue_->onStep(t); break;
    case Step::RedialWait: stepRedialWait(t); break;
    case Step::WaitXon:
      if (t == Trigger::ReplyTimer) waitBuffer();  // no XON in time: go on without it
      break;
    case Step::WaitBuffer: stepWaitBuffer(t); break;
    case Step::CoverText: stepCoverText(t); break;
    case Step::PageData: stepPageData(t); break;
    case Step::FaxDone: stepFaxDone(); break;
    case Step::EndData:
      if (t == Trigger::OutputEmpty && !abortCommandSent_) armReply(timing::kAbortDataEnd);
      if (t != Trigger::ReplyTimer) break;
      note("no answer to the end of the data");
      dropLine();
      setStep(Step::Abort);
      break;
    case Step::Abort: stepAbort(); break;
    case Step::Ended: break;
  }
}

void SendMachine::onLine(const std::string& line, AtReply reply) {
  if (step_ == Step::Dialogue) dialogue_->onLine(line, reply);
  if (step_ == Step::EndData) onEndDataLine(reply);
}

std::size_t SendMachine::onRaw(std::span<const std::uint8_t> data) {
  if (step_ == Step::Dialogue) return dialogue_->onRaw(data);
  if (step_ != Step::WaitXon) return data.size();
  for (std::size_t i = 0; i < data.size(); ++i) {
    if (data[i] == kXon) {
      waitBuffer();
      return i + 1;
    }
  }
  return data.size();
}

void SendMachine::stepNextFax() {
  SessionRecord& s = session();
  std::string phone, fax, cover;
  if (deviceLost() || !host().faxNext(phone, fax, cover) || phone.empty()) {
    reportStatus(false, true);
    setStep(Step::Ended);
    endSession();
    return;
  }
  if (phone.size() > 40) phone.resize(40);
  s.phoneNumber = phone;
  s.faxFile.set(fax);
  s.coverFile = cover;
  resetCall();  // each fax is a call of its own and reports its own result
  host().faxLog(lfaxTransmitStart);
  s.dialAttempt = 0;
  s.sendingCover = false;
  s.currentPage = 1;
  s.coverPages = 0;
  s.pageLength = 0;
  clearUserAbort();
  if (!fax.empty()) {
    int rc = file_.open(fax);
    if (rc != ecOK) return fail(rc);
    s.totalPages = file_.pageCount();
  } else if (cover.empty()) {
    return fail(ecNoFilename);
  }
  softwareFlow(false);
  setStep(Step::FirstPage);
}

void SendMachine::stepFirstPage() {
  SessionRecord& s = session();
  ProtocolRecord& p = protocol();
  s.stationId = base::UpperAscii(s.stationId);
  if (!s.coverFile.empty()) {
    s.coverPages = 1;
    s.sendingCover = true;
    p.coverIsBrx = hasExtension(s.coverFile, s.faxFileExt);
  }
  if (file_.isOpen()) {
    int rc = file_.seekPage(1);
    if (rc == ecOK) rc = readPageHeader();
    if (rc != ecOK) return fail(rc);
  } else {
    p.resolution = '0';
    firstWide_ = false;
    if (p.coverIsBrx) {
      int rc = openCover();
      if (rc != ecOK) return fail(rc);
    }
  }
  firstFine_ = p.resolution == '1';
  if (file_.isOpen()) firstWide_ = file_.pageHeader().wide();
  setProgress(progress::kInitializing);
  setStep(Step::Dialogue);
  dialogue_->start();
}

int SendMachine::readPageHeader() {
  ProtocolRecord& p = protocol();
  const faximage::FaxPageHeader& h = file_.pageHeader();
  char res = h.fine() ? '1' : '0';
  if (p.prevResolution != ' ' && p.prevResolution != res) {
    // Reported, not a failure: the page goes out at the session's resolution.
    note("page of another resolution");
    host().faxError(ecFaxMixedResolution);
  }
  p.resolution = p.prevResolution = res;
  session().pageLength = long(h.imageLength);
  return ecOK;
}

int SendMachine::openCover() {
  if (coverOpen_) return ecOK;
  int rc = file_.open(session().coverFile);
  if (rc == ecOK) rc = file_.seekPage(1);
  if (rc == ecOK) rc = readPageHeader();
  coverOpen_ = rc == ecOK;
  return rc;
}

void SendMachine::closeFiles() {
  file_.close();
  coverOpen_ = false;
  coverLines_.clear();
  coverLine_ = 0;
  out_.clear();
}

void SendMachine::dial() {
  ProtocolRecord& p = protocol();
  ++session().dialAttempt;  // the attempt under way, from 1
  // The number as typed may group its digits with spaces, dashes, brackets and dots.
  sendCommand(std::string(p.toneDial ? "ATDT" : "ATDP") + p.dialPrefix +
              base::DialledFaxNumber(session().phoneNumber));
  armReply(session().dialWait);
  act([this] { setProgress(progress::kDialing); });  // once the number has gone out
}

void SendMachine::busy() {
  SessionRecord& s = session();
  const int attempt = s.dialAttempt;
  if (s.dialAttempts == 0 || s.dialAttempts > attempt) {
    setProgress(progress::kBusyWait);
    armReply(s.redialWait);
    setStep(Step::RedialWait);
    return;
  }
  reportStatus(false, false);
  if (s.option(kOptAbortNoConnect)) return fail(ecFaxBusy);
  closeFiles();
  s.lastErrorCode = ecFaxBusy;
  host().faxError(ecFaxBusy);
  host().faxLog(lfaxTransmitFail);
  setProgress(progress::kInitializing);
  setStep(Step::NextFax);
}

bool SendMachine::dialFailed(AtReply reply) {
  switch (reply) {
    case AtReply::Busy:
    case AtReply::NoAnswer: busy(); return true;
    case AtReply::Voice: fail(ecFaxVoiceCall); return true;
    case AtReply::NoDialTone: fail(ecFaxNoDialTone); return true;
    // No fax machine answered: nothing more will come, so the call ends now.
    case AtReply::NoCarrier: fail(ecFaxNoFax); return true;
    default: return false;
  }
}

void SendMachine::stepRedialWait(Trigger t) {
  if (t != Trigger::ReplyTimer) return;
  setStep(Step::Dialogue);
  dialogue_->redial();
}

HeaderValues SendMachine::headerValues() const {
  const SessionRecord& s = session();
  HeaderValues v;
  const std::time_t now = link().clock().calendarTime();
  v.date = shortDateText(now);
  v.time = shortTimeText(now);
  v.stationId = s.stationId;
  v.sender = s.headerSender;
  v.recipient = s.headerRecipient;
  v.title = s.headerTitle;
  v.pages = s.totalPages + s.coverPages;
  if (s.coverPages == 0)
    v.page = s.currentPage;
  else
    v.page = s.sendingCover ? 1 : s.currentPage + 1;
  return v;
}

void SendMachine::startPage(bool xonFirst) {
  if (!xonFirst) return waitBuffer();
  armReply(timing::kXonWait);
  setStep(Step::WaitXon);
}

void SendMachine::waitBuffer() {
  link().armOutputFree(SendFile::kBlock);
  armReply(protocol().pageTimeout);
  setStep(Step::WaitBuffer);
}

void SendMachine::stepWaitBuffer(Trigger t) {
  if (t == Trigger::ReplyTimer) return fail(ecTimeout);
  if (t != Trigger::OutputFree) return;
  setProgress(progress::kSendingPage);
  softwareFlow(true);
  beginPageData();
}

void SendMachine::softwareFlow(bool on) {
  if (session().option(kOptSoftwareFlow))
    link().setSoftwareFlow(on ? SoftwareFlow::Transmit : SoftwareFlow::Off);
}

void SendMachine::beginPageData() {
  SessionRecord& s = session();
  pageClock_ = newTimer(link().now(), 0);
  pageStartBytes_ = out_.written();
  sendPrelude();
  if (step_ == Step::Abort) return;
  trailerQueued_ = false;
  if (s.sendingCover && !protocol().coverIsBrx) {
    std::vector<std::string> lines;
    int rc = readTextLines(s.coverFile, 255, lines);
    if (rc == ecOK)
      rc = renderer_.prepare(protocol().sessionWide ? faximage::kWideWidth : faximage::kNormalWidth,
                             protocol().sessionFine, false);
    if (rc != ecOK) return fail(rc);
    coverLines_ = std::move(lines);
    coverLine_ = 0;
    setStep(Step::CoverText);
    stepCoverText(Trigger::OutputFree);
    return;
  }
  if (s.sendingCover) {
    int rc = openCover();
    if (rc != ecOK) return fail(rc);
  }
  if (lineCoder_.recodes()) {
    if (int rc = file_.recode(lineCoder_); rc != ecOK) return fail(rc);
  }
  s.pageBytes = 0;
  s.pageLength = file_.imageLength();
  forcedStatus_ = newTimer(link().now(), 3 * std::int64_t(statusTicks()));
  setStep(Step::PageData);
  stepPageData(Trigger::OutputLow);
}

void SendMachine::sendPrelude() {
  const SessionRecord& s = session();
  const ProtocolRecord& p = protocol();
  int width = p.sessionWide ? faximage::kWideWidth : faximage::kNormalWidth;
  int rc = renderer_.prepare(width, p.sessionFine, true);
  if (rc != ecOK) return fail(rc);
  out_.clear();
  out_.setMinBytesPerLine(collecting_ ? 0 : p.minBytesPerLine);
  // The header rows, a text cover and the file's page go out in one coding, the line's
  // (Class 2 and 2.0 modems take MH).
  lineCoder_.begin(p.lineCoding, width, p.sessionFine);
  auto white = renderer_.whiteLine();
  std::vector<std::uint8_t> whiteLine(white.begin(), white.end());
  for (int i = 0; i < 8; ++i) sendLine(whiteLine);
  std::size_t level = link().outputCount() + out_.queued();
  std::size_t wanted = std::size_t(std::max(s.bufferMinimum, 0)) + 1;
  // Zero fill may stand before an EOL only: MMR rows have none. A page kept whole for
  // error correction needs none.
  if (!collecting_ && level < wanted && p.lineCoding != Coding::Mmr) out_.zeros(wanted - level);
  if (!s.headerLine.empty()) sendTextRows(expandHeader(s.headerLine, headerValues()));
}

int SendMachine::renderPage(std::vector<std::uint8_t>& bytes) {
  SessionRecord& s = session();
  collecting_ = true;
  out_.setCollect(true);
  int rc = ecOK;
  auto collect = [&] {
    sendPrelude();
    if (step_ == Step::Abort) return session().lastErrorCode.load();
    if (s.sendingCover && !protocol().coverIsBrx) {
      std::vector<std::string> lines;
      if ((rc = readTextLines(s.coverFile, 255, lines)) != ecOK) return rc;
      int width = protocol().sessionWide ? faximage::kWideWidth : faximage::kNormalWidth;
      if ((rc = renderer_.prepare(width, protocol().sessionFine, false)) != ecOK) return rc;
      for (const std::string& line : lines) sendTextRows(expandHeader(line, headerValues()));
      out_.line(lineCoder_.finish());
      return ecOK;
    }
    if (s.sendingCover && (rc = openCover()) != ecOK) return rc;
    if (lineCoder_.recodes() && (rc = file_.recode(lineCoder_)) != ecOK) return rc;
    s.pageLength = file_.imageLength();
    while (!file_.done()) {
      std::span<const std::uint8_t> block;
      bool record = false;
      if ((rc = file_.next(block, record)) != ecOK) return rc;
      if (record)
        out_.line(block);
      else
        out_.data(block);
    }
    return ecOK;
  };
  rc = collect();
  bytes = out_.take();
  out_.setCollect(false);
  collecting_ = false;
  s.pageBytes = long(bytes.size());
  return rc;
}

void SendMachine::sendTextRows(std::string_view text) {
  renderer_.renderRows(text, [this](std::span<const std::uint8_t> coded) { sendLine(coded); });
}

void SendMachine::sendLine(std::span<const std::uint8_t> mh) { out_.line(lineCoder_.line(mh)); }

void SendMachine::stepCoverText(Trigger t) {
  if (t == Trigger::ReplyTimer) return fail(ecTimeout);
  if (t != Trigger::OutputFree) return;
  while (out_.flush() && link().outputSpace() > SendFile::kBlock) {
    if (coverLine_ >= coverLines_.size()) {
      if (!trailerQueued_) {
        out_.line(lineCoder_.finish());
        out_.control(dialogue_->pageTrailer());
        trailerQueued_ = true;
        continue;
      }
      return pageFinished();
    }
    sendTextRows(expandHeader(coverLines_[coverLine_++], headerValues()));
  }
  link().armOutputFree(SendFile::kBlock + 1);  // exactly when the loop above can go on
  armReply(protocol().pageTimeout);
}

void SendMachine::stepPageData(Trigger t) {
  SessionRecord& s = session();
  if (t == Trigger::ReplyTimer) return fail(ecTimeout);
  if (t != Trigger::OutputLow) return;
  int blocks = 0;
  while (out_.flush() && !file_.done() && blocks < s.maxSendCount &&
         link().outputCount() <= std::size_t(std::max(s.bufferMinimum, 0)) &&
         link().outputSpace() >= SendFile::kBlock) {
    std::span<const std::uint8_t> block;
    bool record = false;
    int rc = file_.next(block, record);
    if (rc != ecOK) return fail(rc);
    if (record)
      out_.line(block);
    else
      out_.data(block);
    s.pageBytes += long(record ? block.size() + 2 : block.size());
    ++blocks;
  }
  checkForcedStatus();
  if (file_.done() && out_.idle()) {
    if (!trailerQueued_) {
      out_.control(dialogue_->pageTrailer());
      trailerQueued_ = true;
    }
    if (out_.idle()) return pageFinished();
  }
  // Woken when the buffer has run down to BufferMinimum: waking on free space alone
  // would call the pump again and again while the buffer drains.
  link().armOutputLow(std::size_t(std::max(s.bufferMinimum, 0)));
  armReply(protocol().pageTimeout);
}

void SendMachine::checkForcedStatus() {
  Ticks now = link().now();
  if (!timerExpired(forcedStatus_, now)) return;
  reportStatus(false, false);
  forcedStatus_ = newTimer(now, 2 * std::int64_t(statusTicks()));
}

void SendMachine::pageFinished() {
  link().armOutputEmpty();
  armReply(pageEndTimeout());
  setStep(Step::Dialogue);
  dialogue_->pageQueued();
}

bool SendMachine::morePages() const {
  const SessionRecord& s = session();
  if (s.faxFile.get().empty()) return false;
  return s.sendingCover || s.currentPage < s.totalPages;
}

void SendMachine::reportPageEnd() {
  setProgress(morePages() ? progress::kSendingMps : progress::kSendingEop);
}

int SendMachine::advancePage() {
  SessionRecord& s = session();
  int rc = ecOK;
  if (s.sendingCover) {
    s.sendingCover = false;
    coverLines_.clear();
    if (coverOpen_) {
      coverOpen_ = false;
      rc = file_.open(s.faxFile.get());
    }
    s.currentPage = 1;
  } else {
    s.currentPage = s.currentPage + 1;
  }
  if (rc == ecOK) rc = file_.seekPage(s.currentPage);
  if (rc == ecOK) rc = readPageHeader();
  return rc;
}

int SendMachine::rewindPage() {
  SessionRecord& s = session();
  if (s.sendingCover && !protocol().coverIsBrx) {
    coverLines_.clear();
    coverLine_ = 0;
    return ecOK;
  }
  int rc = file_.seekPage(s.sendingCover ? 1 : s.currentPage.load());
  if (rc == ecOK) rc = readPageHeader();
  return rc;
}

void SendMachine::faxDone() { setStep(Step::FaxDone); }

Ticks SendMachine::pageEndTimeout() const {
  const ProtocolRecord& p = protocol();
  const std::int64_t bps = p.sessionBps > 0 ? std::int64_t(p.sessionBps) : kSlowestBps;
  const auto bytes = std::int64_t(out_.written() - pageStartBytes_);
  const std::int64_t lineTicks = (bytes * 8 * 1000 / bps + kMsPerTick - 1) / kMsPerTick;
  const std::int64_t left = lineTicks - elapsedTicks(pageClock_, link().now());
  return Ticks(
      std::min<std::int64_t>(p.pageTimeout + std::max<std::int64_t>(left, 0), kMaxTimerTicks));
}

void SendMachine::stepFaxDone() {
  closeFiles();
  session().sendingCover = false;
  setProgress(progress::kFinished);
  host().faxLog(lfaxTransmitOk);
  switchToInitBaud();
  setStep(Step::NextFax);
}

void SendMachine::onDeviceLost() {
  // The far end has confirmed the last page and only the hang-up is left: the fax went
  // through, and the modem going now does not undo that.
  if (step_ == Step::Dialogue && session().progressCode == progress::kPageAccepted && !morePages())
    return faxDone();
  FaxMachine::onDeviceLost();
}

void SendMachine::toAbort() {
  if (dataOpen()) return endData();
  setStep(Step::Abort);
}

bool SendMachine::dataOpen() const {
  if (deviceLost()) return false;
  switch (step_) {
    case Step::WaitXon:
    case Step::WaitBuffer:
    case Step::CoverText:
    case Step::PageData: return true;
    case Step::Dialogue: return dialogue_->pageDataOpen();
    default: return false;
  }
}

void SendMachine::endData() {
  // The rest of the page is not sent, nor what waits in the port's output buffer (the
  // page's own end among it), so the end reaches the modem at once. What did go out may
  // end with the first DLE of a pair: the fill byte before DLE ETX closes that pair (a
  // DLE before a byte without meaning is dropped) and is white space otherwise.
  out_.clear();
  act([this] { link().flushOutput(); });
  writeRaw(std::string{char(0), char(kDle), char(kEtx)});
  abortCommandSent_ = false;
  // The modem's answer is awaited once the end is out of the port; bytes the operating
  // system or the modem still hold may take the page's line time to leave before that.
  act([this] { link().armOutputEmpty(); });
  armReply(pageEndTimeout());
  setStep(Step::EndData);
}

void SendMachine::onEndDataLine(AtReply reply) {
  if (!isResultCode(reply)) return;  // page and hang-up reports: the result follows
  if (!abortCommandSent_ && reply != AtReply::Connect && dialogue_->abortSession()) {
    abortCommandSent_ = true;
    armReply(timing::kAbortDataEnd);
    return;
  }
  setStep(Step::Abort);
}

void SendMachine::stepAbort() {
  SessionRecord& s = session();
  closeFiles();
  host().faxLog(lfaxTransmitFail);
  hangUpSender();
  switchToInitBaud();
  // Without its modem the list cannot go on: the next-fax step ends it.
  const bool stop = s.option(kOptExitOnError) || s.option(kOptAbortNoConnect) || userAborted();
  if (deviceLost() || !stop) return setStep(Step::NextFax);
  setProgress(progress::kUserAbort);
  reportStatus(false, true);
  setStep(Step::Ended);
  endSession();
}

}  // namespace faxengine
