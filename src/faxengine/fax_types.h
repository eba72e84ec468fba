// Shared types of the fax sessions: fax classes, log codes, progress codes and the
// session and protocol records that the sender and receiver state machines work on.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>

#include "faxengine/line_coding.h"
#include "faxengine/timings.h"

namespace faxengine {

enum class TFaxClass : std::uint8_t { fcUnknown, fcDetect, fcClass1, fcClass2, fcClass2_0 };

// A set of the three real classes, as the modem reports them.
struct TFaxClassSet {
  bool class1 = false, class2 = false, class2_0 = false;
  bool empty() const { return !class1 && !class2 && !class2_0; }
  bool has(TFaxClass c) const {
    return (c == TFaxClass::fcClass1 && class1) || (c == TFaxClass::fcClass2 && class2) ||
           (c == TFaxClass::fcClass2_0 && class2_0);
  }
  bool operator==(const TFaxClassSet&) const = default;
};

// Log points of a fax (TFaxLogCode).
enum TFaxLogCode : int {
  lfaxTransmitStart = 1,
  lfaxTransmitOk = 2,
  lfaxTransmitFail = 3,
  lfaxReceiveStart = 4,
  lfaxReceiveOk = 5,
  lfaxReceiveSkip = 6,
  lfaxReceiveFail = 7,
};

// Progress codes (ProgressCode); the texts of 1..42 are in the engine's text table.
namespace progress {
inline constexpr int kInitializing = 1;
inline constexpr int kDialing = 2;
inline constexpr int kBusyWait = 3;
inline constexpr int kSendingPage = 4;
inline constexpr int kSendingEop = 5;
inline constexpr int kPageError = 6;
inline constexpr int kPageAccepted = 7;
inline constexpr int kSendingMps = 8;  // the end of a page that more pages follow
inline constexpr int kWaitingForCall = 20;
inline constexpr int kNoConnect = 21;
inline constexpr int kAnswering = 22;
inline constexpr int kIncomingFax = 23;
inline constexpr int kGettingPage = 24;
inline constexpr int kGettingEop = 25;
inline constexpr int kGettingEod = 26;
inline constexpr int kGettingHangup = 27;
inline constexpr int kGotHangup = 28;
inline constexpr int kConnectionParams = 40;
inline constexpr int kGotRemoteId = 41;
inline constexpr int kUserAbort = 42;
inline constexpr int kFinished = 43;
}  // namespace progress

// A text that the engine thread writes and the user-interface thread reads.
class SharedText {
 public:
  std::string get() const {
    std::lock_guard lock(m_);
    return text_;
  }
  void set(std::string text) {
    std::lock_guard lock(m_);
    text_ = std::move(text);
  }
  void clear() { set({}); }

 private:
  mutable std::mutex m_;
  std::string text_;
};

// Option bits of the session record.
inline constexpr unsigned kOptAbortNoConnect = 1;
inline constexpr unsigned kOptExitOnError = 2;
inline constexpr unsigned kOptSoftwareFlow = 8;

// One per component: what the session knows independently of the fax class. Values the
// progress display reads while a call runs are atomics or shared texts.
struct SessionRecord {
  int statusInterval = 1;  // seconds
  std::atomic<bool> active{false};
  bool sendingCover = false;
  int dialAttempts = 3;
  std::atomic<int> dialAttempt{0};
  int dialWait = 0;    // ticks
  int redialWait = 0;  // ticks
  unsigned options = 0;
  std::atomic<int> progressCode{0};
  std::atomic<int> lastErrorCode{0};
  std::atomic<int> currentPage{0};
  std::atomic<int> totalPages{0};
  std::atomic<int> coverPages{0};
  std::atomic<long> pageBytes{0};
  std::atomic<long> pageLength{0};
  TFaxClass faxClass = TFaxClass::fcDetect;
  std::string stationId;
  SharedText remoteStationId;
  std::string destinationDir;
  std::string faxFileExt = "BRX";
  SharedText faxFile;
  std::string coverFile;
  std::string phoneNumber;
  std::string headerLine;
  std::string headerSender, headerRecipient, headerTitle;
  int maxSendCount = 50;     // 4096-byte blocks queued per output-buffer trigger
  int bufferMinimum = 1000;  // output bytes below which the page pump refills
  bool oneFax = false;
  bool constantStatus = false;

  bool option(unsigned bit) const { return (options & bit) != 0; }
};

// One per component: the class-specific part of a session, in three parts: what the user
// (and the modem found at preparation) set, what the call negotiated, and the dialogue's
// scratch. The last two start afresh with every call (resetCall).
struct CallSettings {
  bool toneDial = true;
  bool blindDial = false;
  bool detectBusy = true;
  char ecmChar = '0';
  CodingChoice codingChoice = CodingChoice::Auto;  // Class 1: the richest line coding allowed
  char faxAndData = '0';
  int replyTimeout = timing::kReply;  // ticks
  int pageTimeout = timing::kPage;    // ticks
  int desiredBps = 9600;
  int answerOnRing = 1;
  int normalBaud = 0;
  int initBaud = 0;
  std::string initString;  // the built-in init string
  std::string modemInit;
  std::string dialPrefix;
  // Class 1: the rates (by modulation index, 1..6) the modem has.
  std::array<bool, 7> localRates{false, true, true};
};

struct Negotiated {
  std::atomic<bool> sessionFine{false};
  std::atomic<bool> sessionWide{false};
  std::atomic<bool> sessionEcm{false};
  // Class 1: the coding of page data on the line (pages are stored MH all the same).
  std::atomic<Coding> lineCoding{Coding::Mh};
  std::atomic<int> sessionBps{0};
  bool remoteAcceptsFine = false;
  bool remoteAcceptsWide = false;
  char resolution = ' ';      // '0' normal, '1' fine, ' ' not yet known
  char prevResolution = ' ';  // of the page before
  int modulationIndex = 0;    // Class 1: the current rate, 1 (2400) to 6 (14400)
  int scanTimeIndex = 0;
  int minBytesPerLine = 0;
  std::atomic<int> lastHangupCode{0};
  // Class 1: the rates and codings the far end offers, and what follows "AT+FTM=" /
  // "AT+FRM=" for the current rate.
  std::array<bool, 7> remoteRates{};
  LineCodings remoteCodings;
  std::string modulation;

  // Forgets what only the call before decided. The session's rate, resolution and width
  // stay for the display until the next call sets them; the Class 1 rate is where the
  // next call's offer starts.
  void clearNegotiated();
};

struct DialogueScratch {
  bool statusChanged = false;
  bool atInitBaud = false;
  bool coverIsBrx = false;
  bool finalFrameSeen = false;        // Class 1: the last frame had the final bit
  bool confirmationReceived = false;  // Class 1: CFR came
  std::uint8_t lastFcf = 0;           // Class 1: the last frame's control byte
  int retryCount = 0;
  int ringCount = 0;

  void clearScratch();
};

struct ProtocolRecord : CallSettings, Negotiated, DialogueScratch {
  // What one call found out and counted is forgotten before the next.
  void resetCall() {
    clearNegotiated();
    clearScratch();
  }
};

inline void Negotiated::clearNegotiated() {
  resolution = prevResolution = ' ';
  lastHangupCode = 0;
  remoteRates = {};
  remoteCodings = {};
  lineCoding = Coding::Mh;
}

inline void DialogueScratch::clearScratch() {
  coverIsBrx = finalFrameSeen = confirmationReceived = false;
  lastFcf = 0;
  retryCount = ringCount = 0;
}

}  // namespace faxengine
