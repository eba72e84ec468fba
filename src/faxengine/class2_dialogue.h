// The Class 2 and Class 2.0 dialogues: the modem runs the T.30 session itself and the
// engine drives it with "+F" commands and follows its "+F" reports. Class 2.0 differs in
// its command words, in setting flow control and report display before a call, in the
// XON a Class 2 modem sends before page data, in how a sent page ends, in the page result
// and in the bit order of received data; the Class20 classes override only those.
//
// Sending (after the first page is ready):
//   SelectClass -> ClassSet -> LocalIdSet [-> Class20Setup] -> ParamsSet
//   -> DialResult -> Negotiation -> (the machine's page start, page data) -> PageSent
//   -> [PageEnded ->] PageStatus [-> PageQuery] -> NextPage -> Negotiation ...
//                                               | (page refused) -> Negotiation
// Receiving (when waiting for a call):
//   ClassSet -> CapsSet [-> Class20Setup] -> (rings, "ATA") -> Answered
//   -> SessionStart -> PageWait -> (page data) -> PostPage -> PageWait ... -> Closing
#pragma once

#include <string>
#include <string_view>

#include "faxengine/class2_params.h"
#include "faxengine/receive_machine.h"
#include "faxengine/send_machine.h"
#include "faxengine/stepped_dialogue.h"

namespace faxengine {

// The command table: a command is "AT+F" + word, a report "+F" + word; the hang-up
// keyword is searched as it is, its code read in hangupBase. The identification queries
// are kept; no step sends them.
struct Class2Words {
  const char* label;  // for the session log
  std::string_view selectClass;
  std::string_view modelQuery, makerQuery, revisionQuery;
  std::string_view sessionParams;  // command, sending
  std::string_view localId;        // command
  std::string_view capabilities;   // command, receiving
  std::string_view connection;     // reports from here on
  std::string_view remoteCaps;
  std::string_view session;
  std::string_view transmitId;
  std::string_view calledId;
  std::string_view pageStatus;
  std::string_view hangup;
  std::string_view abortSession;  // command
  int hangupBase;
};

inline constexpr Class2Words kClass2Words{"class 2", "CLASS=2", "MDL?", "MFR?", "REV?", "DIS",
                                          "LID",     "DCC",     "CON",  "DIS",  "DCS",  "TSI",
                                          "CSI",     "PTS",     "FHNG", "K",    10};
inline constexpr Class2Words kClass20Words{"class 2.0", "CLASS=2.0", "MI?", "MM?", "MR?", "IS",
                                           "LI",        "CC",        "CO",  "IS",  "CS",  "TI",
                                           "CI",        "PS",        "FHS", "KS",  16};

// True when the line is the report "+F" + word.
bool isReport(std::string_view line, std::string_view word);
// Stores what a capabilities or session report says in the protocol record.
void applySessionReport(ProtocolRecord& p, std::string_view line);

// What both Class 2 dialogues send and how they wait for "OK".
class Class2Commands {
 public:
  Class2Commands(FaxMachine& m, const Class2Words& words) : m_(m), w_(words) {}
  // "AT+F" + word + value.
  void command(std::string_view word, std::string_view value = {});
  // True on "OK"; another result code fails with `code`; noise re-arms the reply timer.
  bool expectOk(AtReply reply, int code);
  // The hang-up report: stores its code and says whether the line was one.
  bool hangupReport(const std::string& line);
  // Class 2.0 before a call: XON/XOFF flow control, then the reports the engine reads.
  // begin sends the first command, each OK the next; true once both are set.
  void beginClass20Setup();
  bool class20SetupDone(AtReply reply);

 private:
  FaxMachine& m_;
  const Class2Words& w_;
  bool reportsAsked_ = false;
};

enum class Class2SendStep {
  SelectClass,
  ClassSet,
  LocalIdSet,
  Class20Setup,
  ParamsSet,
  DialResult,
  Negotiation,
  PageSent,
  PageEnded,
  PageStatus,
  PageQuery,
  NextPage
};

// What both Class 2 dialogues keep besides their steps: the command table they run with
// (its label starts their step lines in the log) and the commands it makes.
template <class Base, class Step>
class Class2Dialogue : public SteppedDialogue<Base, Step> {
 protected:
  template <class Machine>
  Class2Dialogue(Machine& m, const Class2Words& words, Step first,
                 std::span<const char* const> names)
      : SteppedDialogue<Base, Step>(m, words.label, first, names), c_(m, words), w_(words) {}

  Class2Commands c_;
  const Class2Words& w_;
};

class Class2Send : public Class2Dialogue<SendDialogue, Class2SendStep> {
 public:
  explicit Class2Send(SendMachine& m, const Class2Words& words = kClass2Words);
  void start() override;
  Input input() const override;
  void onStep(Trigger t) override;
  void onLine(const std::string& line, AtReply reply) override;
  void redial() override;
  void pageQueued() override;
  bool pageDataOpen() const override { return step_ == Step::PageSent; }
  bool abortSession() override;

 protected:
  // What follows the local identifier: Class 2 sets the session parameters at once.
  virtual void afterLocalId();
  virtual bool waitsForXon() const { return true; }
  // The output buffer ran empty after the page: mark its end to the modem.
  virtual void endPage();
  // True when ERROR is the modem's answer in this step rather than a failed command.
  virtual bool errorAnswers() const { return false; }

  // After OK to the page: fails the fax when a hang-up report said it ended badly.
  bool endedAbnormally();
  void sendParams();

 private:
  void onDialResult(const std::string& line, AtReply reply);
  void onNegotiation(const std::string& line, AtReply reply);
  void onPageStatus(const std::string& line, AtReply reply);
  void onPageQuery(const std::string& line, AtReply reply);
  // The far end's verdict on the page, once the modem's final result has come.
  void afterVerdict();
  void noteVerdict(char c);
  void resendPage();
  void nextPage();

  // The first character of the page status the modem reported for the page; blank when
  // none came.
  char verdict_ = ' ';
};

class Class20Send : public Class2Send {
 public:
  explicit Class20Send(SendMachine& m) : Class2Send(m, kClass20Words) {}

 protected:
  void afterLocalId() override;
  bool waitsForXon() const override { return false; }
  void endPage() override;
  // A page the far end did not confirm ends with ERROR; the page status says why.
  bool errorAnswers() const override {
    return step_ == Step::PageStatus || step_ == Step::PageQuery;
  }
};

enum class Class2ReceiveStep {
  Idle,
  ClassSet,
  CapsSet,
  Class20Setup,
  Answered,
  SessionStart,
  PageWait,
  PostPage,
  Closing
};

class Class2Receive : public Class2Dialogue<ReceiveDialogue, Class2ReceiveStep> {
 public:
  explicit Class2Receive(ReceiveMachine& m, const Class2Words& words = kClass2Words);
  void waitForCall() override;
  void answered() override;
  Input input() const override;
  void onStep(Trigger t) override;
  void onLine(const std::string& line, AtReply reply) override;
  void pageEnded() override;
  bool reversedBits() const override { return true; }
  void releasePageData() override;
  void refuse() override;

 protected:
  // What follows the capabilities: Class 2 is ready for calls at once.
  virtual void afterCaps();
  void readyForCalls();

 private:
  void onAnswered(const std::string& line, AtReply reply);
  void onSessionStart(const std::string& line, AtReply reply);
  void onPageWait(const std::string& line, AtReply reply);
  void onPostPage(const std::string& line, AtReply reply);
  void onClosing(const std::string& line, AtReply reply);

  bool endOfDocument_ = false;
  bool pageGood_ = true;
};

class Class20Receive : public Class2Receive {
 public:
  explicit Class20Receive(ReceiveMachine& m) : Class2Receive(m, kClass20Words) {}
  bool reversedBits() const override { return false; }

 protected:
  void afterCaps() override;
};

}  // namespace faxengine
