// The fax components TFxSendFax and TFxReceiveFax: their published properties and
// events, the read-only values a progress display shows, and how a session is prepared,
// started on the serial port's triggers, reported and finished.
//
// Class tree: TFxCustomAbstractFax <- TFxAbstractFax <- TFxCustomSendFax <- TFxSendFax,
// and TFxAbstractFax <- TFxCustomReceiveFax <- TFxReceiveFax. The state machines run on
// the port's dispatcher thread; every event reaches the component's owner thread through
// the port's event bridge (status, log, error and the questions synchronously with a
// 1000 ms limit, the finish posted).
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "faxengine/comport.h"
#include "faxengine/fax_log.h"
#include "faxengine/fax_types.h"
#include "faxengine/modem_link.h"
#include "faxengine/text_file.h"

namespace faxengine {

class PortChannel;

class TFxCustomAbstractFax;
class TFxCustomSendFax;
class TFxCustomReceiveFax;
class SessionRun;

// The base of progress displays: the fax calls UpdateDisplay with every status report.
class TFxAbstractFaxStatus {
 public:
  virtual ~TFxAbstractFaxStatus();  // unlinks itself from its fax
  int Position = 0;
  bool Ctl3D = true;
  bool Visible = false;
  TFxCustomAbstractFax* Fax = nullptr;
  virtual void UpdateDisplay(bool first, bool last) = 0;
};

using TFaxStatusEvent = std::function<void(TFxCustomAbstractFax& sender, bool first, bool last)>;
using TFaxLogEvent = std::function<void(TFxCustomAbstractFax& sender, int logCode)>;
using TFaxErrorEvent = std::function<void(TFxCustomAbstractFax& sender, int errorCode)>;
using TFaxFinishEvent = std::function<void(TFxCustomAbstractFax& sender, int errorCode)>;
using TFaxNextEvent = std::function<void(TFxCustomSendFax& sender, std::string& phoneNumber,
                                         std::string& faxFile, std::string& coverFile)>;
using TFaxAcceptEvent = std::function<void(TFxCustomReceiveFax& sender, bool& accept)>;
using TFaxNameEvent = std::function<void(TFxCustomReceiveFax& sender, std::string& name)>;

class TFxCustomAbstractFax : protected SessionHost {
 public:
  TFxCustomAbstractFax();
  ~TFxCustomAbstractFax() override;
  TFxCustomAbstractFax(const TFxCustomAbstractFax&) = delete;
  TFxCustomAbstractFax& operator=(const TFxCustomAbstractFax&) = delete;

  // ---- Published properties ------------------------------------------------------------
  int InitBaud = 0;    // port speed while initialising the modem; 0: no speed switching
  int NormalBaud = 0;  // port speed during the session when InitBaud is set
  TFaxClass FaxClass = TFaxClass::fcDetect;
  std::string StationID;
  TFxComPort* ComPort = nullptr;
  TFxAbstractFaxStatus* StatusDisplay = nullptr;
  bool AbortNoConnect = false;
  bool ExitOnError = false;
  bool SoftwareFlow = false;
  int StatusInterval = 1;  // seconds
  int DesiredBPS = 9600;
  bool DesiredECM = false;
  // Class 1: the richest coding of page data on the line (Auto: the best both ends have).
  CodingChoice DesiredCoding = CodingChoice::Auto;
  std::string FaxFileExt = "BRX";
  TFaxStatusEvent OnFaxStatus;
  TFaxLogEvent OnFaxLog;
  TFaxErrorEvent OnFaxError;
  TFaxFinishEvent OnFaxFinish;

  // Stored upper-cased, with "AT" in front unless it begins with "A".
  const std::string& ModemInit() const { return modemInit_; }
  void SetModemInit(const std::string& text);
  TFxFaxLog* FaxLog() const { return faxLog_; }
  void SetFaxLog(TFxFaxLog* log);  // links the log to this fax
  // Sender: the fax file to send; receiver: the file being received.
  std::string FaxFile() const;
  void SetFaxFile(const std::string& name) { faxFile_ = name; }

  // ---- Read-only values -----------------------------------------------------------------
  std::string RemoteStationId() const { return session_.remoteStationId.get(); }
  // The classes the modem reports; asked ("AT+FCLASS=?" only) when no session runs,
  // else the set found when the session began.
  TFaxClassSet SupportedClasses();
  int ProgressCode() const { return session_.progressCode; }
  int LastErrorCode() const { return session_.lastErrorCode; }
  int SessionBps() const { return proto_.sessionBps; }
  bool SessionFine() const { return proto_.sessionFine; }
  bool SessionWide() const { return proto_.sessionWide; }
  bool SessionEcm() const { return proto_.sessionEcm; }
  Coding SessionCoding() const { return proto_.lineCoding; }
  int LastHangupCode() const { return proto_.lastHangupCode; }
  int TotalPages() const { return session_.active ? session_.totalPages.load() : 0; }
  int CurrentPage() const { return session_.currentPage; }
  long PageBytesSent() const;
  long CurrentPageLength() const { return session_.active ? session_.pageLength.load() : 0; }
  bool InProgress() const { return session_.active; }
  // What the fax history writes about the fax now.
  virtual FaxLogFacts LogFacts() const;

  // ---- Operations -----------------------------------------------------------------------
  // Ends the running call as a user abort (progress 42, code -6005).
  void AbortFax();

  // ---- Virtual operations; each raises the event of the same meaning -------------------
  virtual void FaxStatus(bool first, bool last);
  virtual void FaxLog(int logCode);
  virtual void FaxError(int errorCode);
  virtual void FaxFinish(int errorCode);

 protected:
  // Starts a session on ComPort (refusals throw EFxException with their codes).
  void startSession();
  // Copies the properties into the records at the start of a session.
  virtual void loadRecords();
  // Owner-thread steps before the machine runs; returns 0 or the error (reported).
  virtual int prepare(SessionRun& run) = 0;
  virtual std::unique_ptr<class FaxMachine> makeMachine(SessionRun& run) = 0;
  void checkPort();
  // Class detection and the init strings, shared by both directions.
  int prepareModem(SessionRun& run);
  // From the speed for initialising to the speed of the session (when InitBaud is set).
  void switchToNormalBaud(PortChannel& channel, ModemLink& link);

  // SessionHost: called on the dispatcher thread, passed on to the owner thread.
  void faxStatus(bool first, bool last) override;
  void faxLog(int logCode) override;
  void faxError(int code) override;
  void faxFinish(int code) override;
  bool faxNext(std::string&, std::string&, std::string&) override { return false; }
  bool faxAccept() override { return false; }
  std::string faxName() override { return {}; }
  // Runs fn on the owner thread and waits for it (at most 1000 ms); false when dropped.
  bool onOwner(const std::function<void()>& fn);

  SessionRecord session_;
  ProtocolRecord proto_;
  std::string initString_;  // the built-in init string
  std::string faxFile_;
  TFaxClassSet supported_;
  std::unique_ptr<SessionRun> run_;
  std::shared_ptr<bool> alive_;
  std::atomic<int> inEvent_{0};  // the owner thread runs an event for the machine

 private:
  void endRun();
  void endPreparation(int rc);
  std::string modemInit_;
  TFxFaxLog* faxLog_ = nullptr;
};

class TFxAbstractFax : public TFxCustomAbstractFax {};

class TFxCustomSendFax : public TFxAbstractFax {
 public:
  TFxCustomSendFax();

  bool BlindDial() const { return proto_.blindDial; }
  void SetBlindDial(bool on);
  bool DetectBusy() const { return proto_.detectBusy; }
  void SetDetectBusy(bool on);
  bool ToneDial = true;
  std::string DialPrefix;
  int DialWait = 60;  // seconds
  int DialAttempts = 3;
  int DialRetryWait = 60;  // seconds
  int MaxSendCount = 50;
  int BufferMinimum = 1000;
  std::string HeaderLine;
  std::string CoverFile;
  std::string PhoneNumber;
  bool SafeMode = true;  // stored only
  std::string HeaderSender, HeaderRecipient, HeaderTitle;
  TFaxNextEvent OnFaxNext;

  int DialAttempt() const { return session_.dialAttempt; }
  const std::string& InitString() const { return initString_; }

  // Checks the port and starts sending; results arrive as events.
  void BeginTransmit();

  // Fills the next fax of the list; true when there is one.
  virtual bool FaxNext(std::string& phone, std::string& faxFile, std::string& coverFile);
  FaxLogFacts LogFacts() const override;

 protected:
  void loadRecords() override;
  int prepare(SessionRun& run) override;
  std::unique_ptr<FaxMachine> makeMachine(SessionRun& run) override;
  bool faxNext(std::string& phone, std::string& fax, std::string& cover) override;

 private:
  bool nextServed_ = false;
};

class TFxSendFax : public TFxCustomSendFax {};

class TFxCustomReceiveFax : public TFxAbstractFax {
 public:
  int AnswerOnRing = 1;  // below 1 counts as 1
  bool FaxAndData = false;
  bool OneFax = false;
  bool ConstantStatus = false;
  TFaxAcceptEvent OnFaxAccept;
  TFaxNameEvent OnFaxName;
  // 0 "noname.brx", 1 counter names "FAX0001.BRX" ..., 2 month-day names.
  int FileNaming = 1;

  const std::string& DestinationDir() const { return destinationDir_; }
  void SetDestinationDir(const std::string& dir);  // a '/' is added when missing

  // Checks the port and starts waiting for calls; results arrive as events.
  void BeginReceive();

  virtual bool FaxAccept();
  virtual std::string FaxName();
  FaxLogFacts LogFacts() const override;

 protected:
  void loadRecords() override;
  int prepare(SessionRun& run) override;
  std::unique_ptr<FaxMachine> makeMachine(SessionRun& run) override;
  bool faxAccept() override;
  std::string faxName() override;

 private:
  std::string destinationDir_;
};

class TFxReceiveFax : public TFxCustomReceiveFax {};

}  // namespace faxengine
