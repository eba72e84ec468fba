// The fax components: properties, events, session start and preparation.
#include "faxengine/fax_component.h"

#include <algorithm>
#include <cstdio>
#include <ctime>

#include "faxengine/class1_probe.h"
#include "faxengine/dialogues.h"
#include "faxengine/errors.h"
#include "faxengine/modem_bytes.h"
#include "faxengine/port_link.h"

namespace faxengine {

// What one session holds on to: the port link, the command channel and the machine.
class SessionRun {
 public:
  explicit SessionRun(TFxComPort& port) : link(port), channel(port) {}
  PortLink link;
  PortChannel channel;
  std::unique_ptr<FaxMachine> machine;
};

TFxAbstractFaxStatus::~TFxAbstractFaxStatus() {
  if (Fax && Fax->StatusDisplay == this) Fax->StatusDisplay = nullptr;
}

// ---- TFxCustomAbstractFax ---------------------------------------------------------------

TFxCustomAbstractFax::TFxCustomAbstractFax() : alive_(std::make_shared<bool>(true)) {
  initString_ = builtInInitString(proto_.blindDial, proto_.detectBusy);
}

TFxCustomAbstractFax::~TFxCustomAbstractFax() {
  *alive_ = false;
  if (run_ && ComPort) ComPort->RunSerialized([this] { run_->link.detach(); });
  run_.reset();
  if (faxLog_ && faxLog_->Fax == this) faxLog_->Fax = nullptr;
  if (StatusDisplay && StatusDisplay->Fax == this) StatusDisplay->Fax = nullptr;
}

void TFxCustomAbstractFax::SetModemInit(const std::string& text) {
  modemInit_ = normalizeModemInit(text);
}

void TFxCustomAbstractFax::SetFaxLog(TFxFaxLog* log) {
  faxLog_ = log;
  if (log) log->Fax = this;
}

std::string TFxCustomAbstractFax::FaxFile() const {
  return session_.active ? session_.faxFile.get() : faxFile_;
}

long TFxCustomAbstractFax::PageBytesSent() const {
  long queued = ComPort ? std::max(ComPort->OutputCount(), 0) : 0;
  if (queued <= 1) queued = 0;  // a lone byte counts as empty
  return std::max(0L, session_.pageBytes - queued);
}

FaxLogFacts TFxCustomAbstractFax::LogFacts() const {
  FaxLogFacts f;
  f.faxFile = session_.faxFile.get();
  f.remoteId = session_.remoteStationId.get();
  f.hangupCode = proto_.lastHangupCode;
  f.errorCode = session_.lastErrorCode;
  f.lineFacts = lineFacts(proto_.lineCoding, proto_.sessionEcm);
  return f;
}

void TFxCustomAbstractFax::checkPort() {
  if (!ComPort) throw EFxException(ecNoComPort);
  if (ComPort->DeviceLayer == TDeviceLayer::dlWinsock) throw EFxException(ecNotNetworkCompatible);
  if (ComPort->OutSize < 8192) throw EFxException(ecOutputTooSmall);
}

TFaxClassSet TFxCustomAbstractFax::SupportedClasses() {
  if (session_.active) return supported_;
  checkPort();
  if (!ComPort->Open()) ComPort->SetOpen(true);
  PortChannel channel(*ComPort);
  supported_ = parseFaxClasses(queryLine(channel, "AT+FCLASS=?"));
  return supported_;
}

void TFxCustomAbstractFax::AbortFax() {
  if (!run_ || !ComPort) return;
  // While the modem is being prepared (on this thread, waiting for an answer) the
  // exchange stops and the session ends as soon as the wait returns.
  if (!run_->machine) return run_->channel.cancel();
  // From an event handler the machine is in the middle of a step, waiting for the
  // handler: it takes the abort when the step returns.
  if (inEvent_ > 0) return run_->machine->requestAbort();
  ComPort->RunSerialized([this] {
    if (run_ && run_->machine) run_->machine->abort();
  });
}

void TFxCustomAbstractFax::loadRecords() {
  SessionRecord& s = session_;
  ProtocolRecord& p = proto_;
  s.statusInterval = StatusInterval;
  s.options = (AbortNoConnect ? kOptAbortNoConnect : 0) | (ExitOnError ? kOptExitOnError : 0) |
              (SoftwareFlow ? kOptSoftwareFlow : 0);
  s.stationId = StationID;
  s.faxFileExt = FaxFileExt;
  s.progressCode = 0;
  s.lastErrorCode = ecOK;
  s.currentPage = 0;
  s.totalPages = 0;
  s.coverPages = 0;
  s.pageBytes = 0;
  s.pageLength = 0;
  s.remoteStationId.clear();
  s.faxFile.clear();
  p.desiredBps = DesiredBPS;
  p.ecmChar = DesiredECM ? '1' : '0';
  p.codingChoice = DesiredCoding;
  p.initBaud = InitBaud;
  p.normalBaud = NormalBaud;
  p.modemInit = modemInit_;
  p.initString = initString_;
  p.resolution = p.prevResolution = ' ';
  p.lastHangupCode = 0;
  p.sessionBps = 0;
  p.sessionFine = p.sessionWide = p.sessionEcm = false;
  p.lineCoding = Coding::Mh;
  p.minBytesPerLine = 0;
}

void TFxCustomAbstractFax::startSession() {
  checkPort();
  if (session_.active) return;
  if (!ComPort->Open()) ComPort->SetOpen(true);
  endRun();
  loadRecords();
  auto run = std::make_unique<SessionRun>(*ComPort);
  if (int rc = run->link.registerTriggers(); rc != ecOK) {
    session_.lastErrorCode = rc;
    faxError(rc);
    faxFinish(rc);
    return;
  }
  run_ = std::move(run);
  int rc = prepare(*run_);
  if (run_->channel.cancelled())
    rc = ecCancelRequested;
  else if (ComPort->DeviceLost())
    rc = ecDeviceLost;
  if (rc != ecOK) return endPreparation(rc);
  session_.active = true;
  run_->machine = makeMachine(*run_);
  // Attached before the first step, which runs between two deliveries: a reply that
  // comes at once is then delivered to the machine and never overlaps a step.
  run_->link.attach(*run_->machine);
  run_->link.armStatusTimer(std::max<Ticks>(secondsToTicks(StatusInterval), 1));
  FaxMachine* machine = run_->machine.get();
  ComPort->RunSerialized([machine] { machine->handle(Trigger::Start); });
}

// A session that ends before its machine runs: a failed preparation, or the user's abort
// (shown as such before the last report closes a display).
void TFxCustomAbstractFax::endPreparation(int rc) {
  session_.lastErrorCode = rc;
  if (rc == ecCancelRequested) {
    session_.progressCode = progress::kUserAbort;
    faxStatus(false, false);
  } else {
    faxError(rc);
  }
  faxStatus(false, true);
  faxFinish(rc);
}

void TFxCustomAbstractFax::endRun() {
  if (!run_) return;
  if (ComPort) ComPort->RunSerialized([this] { run_->link.detach(); });
  run_.reset();
}

void TFxCustomAbstractFax::switchToNormalBaud(PortChannel& channel, ModemLink& link) {
  if (!proto_.atInitBaud || NormalBaud == 0) return;
  channel.pause(timing::kBaudSettleMs);  // on the owner thread, before the machine runs
  link.setBaud(NormalBaud);
  proto_.atInitBaud = false;
}

int TFxCustomAbstractFax::prepareModem(SessionRun& run) {
  PortChannel& ch = run.channel;
  ProtocolRecord& p = proto_;
  if (session_.faxClass == TFaxClass::fcUnknown) session_.faxClass = TFaxClass::fcDetect;
  if (session_.faxClass == TFaxClass::fcDetect) {
    supported_ = detectFaxClasses(ch, p.initString);
    session_.faxClass = bestClass(supported_);
    if (session_.faxClass == TFaxClass::fcUnknown) return ecFaxBadModemResult;
  }
  // The modem is initialised for every session: it may have been reset in between.
  if (!p.modemInit.empty() && !sendAndWait(ch, p.modemInit)) return ecFaxBadModemResult;
  if (!sendAndWait(ch, p.initString)) return ecFaxBadModemResult;
  return ecOK;
}

void TFxCustomAbstractFax::faxStatus(bool first, bool last) {
  onOwner([this, first, last] { FaxStatus(first, last); });
}

void TFxCustomAbstractFax::faxLog(int logCode) {
  onOwner([this, logCode] { FaxLog(logCode); });
}

void TFxCustomAbstractFax::faxError(int code) {
  onOwner([this, code] { FaxError(code); });
}

void TFxCustomAbstractFax::faxFinish(int code) {
  session_.active = false;
  std::weak_ptr<bool> alive = alive_;
  auto finish = [this, alive, code] {
    if (auto a = alive.lock(); !a || !*a) return;
    endRun();
    FaxFinish(code);
  };
  EventBridge* bridge = ComPort ? ComPort->Bridge : nullptr;
  if (bridge)
    bridge->post(finish);
  else
    FaxFinish(code);  // no owner thread: the run is released at the next start
}

bool TFxCustomAbstractFax::onOwner(const std::function<void()>& fn) {
  auto guarded = [this, &fn] {
    ++inEvent_;
    struct Leave {
      std::atomic<int>& n;
      ~Leave() { --n; }
    } leave{inEvent_};  // also when the handler throws
    fn();
  };
  EventBridge* bridge = ComPort ? ComPort->Bridge : nullptr;
  if (!bridge) {
    guarded();
    return true;
  }
  return bridge->send(guarded);
}

void TFxCustomAbstractFax::FaxStatus(bool first, bool last) {
  if (StatusDisplay) StatusDisplay->UpdateDisplay(first, last);
  if (OnFaxStatus) OnFaxStatus(*this, first, last);
}

void TFxCustomAbstractFax::FaxLog(int logCode) {
  if (faxLog_) faxLog_->UpdateLog(logCode);
  if (OnFaxLog) OnFaxLog(*this, logCode);
  if (logCode >= lfaxReceiveOk) {
    faxFile_.clear();
    session_.faxFile.clear();
  }
}

void TFxCustomAbstractFax::FaxError(int errorCode) {
  if (OnFaxError) OnFaxError(*this, errorCode);
}

void TFxCustomAbstractFax::FaxFinish(int errorCode) {
  if (OnFaxFinish) OnFaxFinish(*this, errorCode);
}

// ---- TFxCustomSendFax -------------------------------------------------------------------

TFxCustomSendFax::TFxCustomSendFax() = default;

void TFxCustomSendFax::SetBlindDial(bool on) {
  proto_.blindDial = on;
  initString_ = builtInInitString(proto_.blindDial, proto_.detectBusy);
}

void TFxCustomSendFax::SetDetectBusy(bool on) {
  proto_.detectBusy = on;
  initString_ = builtInInitString(proto_.blindDial, proto_.detectBusy);
}

void TFxCustomSendFax::BeginTransmit() {
  nextServed_ = false;
  startSession();
}

void TFxCustomSendFax::loadRecords() {
  TFxCustomAbstractFax::loadRecords();
  SessionRecord& s = session_;
  ProtocolRecord& p = proto_;
  s.dialAttempts = std::max(DialAttempts, 0);
  s.dialAttempt = 0;
  s.dialWait = secondsToTicks(DialWait);
  s.redialWait = secondsToTicks(DialRetryWait);
  s.maxSendCount = std::max(MaxSendCount, 1);
  s.bufferMinimum = BufferMinimum;
  s.headerLine = HeaderLine;
  s.headerSender = HeaderSender;
  s.headerRecipient = HeaderRecipient;
  s.headerTitle = HeaderTitle;
  s.faxClass = FaxClass;
  p.toneDial = ToneDial;
  p.dialPrefix = DialPrefix;
}

int TFxCustomSendFax::prepare(SessionRun& run) {
  proto_.resolution = ' ';
  session_.progressCode = progress::kInitializing;
  faxStatus(true, false);
  PortLink& link = run.link;
  proto_.atInitBaud = InitBaud != 0;
  link.setBaud(InitBaud != 0 ? InitBaud : 19200);
  link.setDtrRts(true);
  if (int rc = prepareModem(run); rc != ecOK) return rc;
  switchToNormalBaud(run.channel, link);
  // A modem that refuses Class 1 here refuses it again when the call starts, which ends
  // the fax with its own code.
  if (session_.faxClass == TFaxClass::fcClass1)
    class1::detectModulations(run.channel, true, proto_);
  return ecOK;
}

std::unique_ptr<FaxMachine> TFxCustomSendFax::makeMachine(SessionRun& run) {
  auto m =
      std::make_unique<SendMachine>(run.link, static_cast<SessionHost&>(*this), session_, proto_);
  m->setDialogue(makeSendDialogue(session_.faxClass, *m));
  return m;
}

bool TFxCustomSendFax::FaxNext(std::string& phone, std::string& faxFile, std::string& coverFile) {
  if (OnFaxNext) {
    OnFaxNext(*this, phone, faxFile, coverFile);
    PhoneNumber = phone;
    faxFile_ = faxFile;
    CoverFile = coverFile;
  } else if (!nextServed_) {
    phone = PhoneNumber;
    faxFile = faxFile_;
    coverFile = CoverFile;
  } else {
    phone.clear();
    faxFile.clear();
    coverFile.clear();
  }
  nextServed_ = true;
  return !phone.empty();
}

bool TFxCustomSendFax::faxNext(std::string& phone, std::string& fax, std::string& cover) {
  bool more = false;
  if (!onOwner([&] { more = FaxNext(phone, fax, cover); })) return false;
  return more;
}

FaxLogFacts TFxCustomSendFax::LogFacts() const {
  FaxLogFacts f = TFxCustomAbstractFax::LogFacts();
  f.sender = true;
  f.phoneNumber = session_.phoneNumber;
  return f;
}

// ---- TFxCustomReceiveFax ----------------------------------------------------------------

void TFxCustomReceiveFax::SetDestinationDir(const std::string& dir) {
  destinationDir_ = dir;
  if (!destinationDir_.empty() && destinationDir_.back() != '/') destinationDir_ += '/';
}

void TFxCustomReceiveFax::BeginReceive() { startSession(); }

void TFxCustomReceiveFax::loadRecords() {
  TFxCustomAbstractFax::loadRecords();
  session_.destinationDir = destinationDir_;
  session_.oneFax = OneFax;
  session_.constantStatus = ConstantStatus;
  session_.faxClass = FaxClass;
  proto_.answerOnRing = std::max(AnswerOnRing, 1);
  proto_.faxAndData = FaxAndData ? '1' : '0';
}

int TFxCustomReceiveFax::prepare(SessionRun& run) {
  PortLink& link = run.link;
  proto_.atInitBaud = InitBaud != 0;
  link.setBaud(InitBaud != 0 ? InitBaud : 19200);
  link.setDtrRts(true);
  if (int rc = prepareModem(run); rc != ecOK) return rc;
  TFaxClass c = session_.faxClass;
  PortChannel& ch = run.channel;
  if (c == TFaxClass::fcClass1) {
    if (!class1::detectModulations(ch, false, proto_)) return ecFaxBadModemResult;
    switchToNormalBaud(run.channel, link);
    class1::limitReceiveRate(proto_);
    return ecOK;
  }
  if (c != TFaxClass::fcClass2 && c != TFaxClass::fcClass2_0) return ecFaxBadModemResult;
  bool v20 = c == TFaxClass::fcClass2_0;
  if (!sendAndWait(ch, v20 ? "AT+FCLASS=2.0" : "AT+FCLASS=2")) return ecFaxBadModemResult;
  switchToNormalBaud(run.channel, link);
  std::string lid = std::string(v20 ? "AT+FLI" : "AT+FLID") + "=\"" + StationID + "\"";
  for (const std::string& cmd :
       {std::string("AT+FCR=1"), lid, std::string("AT+FAA=") + proto_.faxAndData})
    if (!sendAndWait(ch, cmd)) return ecFaxBadModemResult;
  return ecOK;
}

std::unique_ptr<FaxMachine> TFxCustomReceiveFax::makeMachine(SessionRun& run) {
  auto m = std::make_unique<ReceiveMachine>(run.link, static_cast<SessionHost&>(*this), session_,
                                            proto_);
  m->setDialogue(makeReceiveDialogue(session_.faxClass, *m));
  return m;
}

bool TFxCustomReceiveFax::FaxAccept() {
  bool accept = true;
  if (OnFaxAccept) OnFaxAccept(*this, accept);
  return accept;
}

std::string TFxCustomReceiveFax::FaxName() {
  std::string name;
  if (OnFaxName)
    OnFaxName(*this, name);
  else
    name = receivedFileName(destinationDir_, FileNaming, FaxFileExt);
  return name;
}

FaxLogFacts TFxCustomReceiveFax::LogFacts() const {
  FaxLogFacts f = TFxCustomAbstractFax::LogFacts();
  f.sender = false;
  return f;
}

bool TFxCustomReceiveFax::faxAccept() {
  bool accept = false;
  if (!onOwner([&] { accept = FaxAccept(); })) return false;
  return accept;
}

std::string TFxCustomReceiveFax::faxName() {
  std::string name;
  onOwner([&] { name = FaxName(); });
  return name;
}

}  // namespace faxengine
