// The receiving state machine: the steps that do not depend on the modem's fax class
// (waiting for rings, answering, accepting the caller, creating and naming the file,
// storing pages, the end of a document and of a call, the abort), with a class dialogue
// (Class 1, 2 or 2.0) running between them.
//
//   WaitCall -> Dialogue (class set-up) -> Rings -> Dialogue (answer, negotiation)
//   Dialogue -> PageData -> Dialogue            a page, stored until DLE ETX
//   Dialogue -> WaitCall | Ended                the call is over (OneFax ends the session)
//   any failure -> Abort -> WaitCall | Ended
#pragma once

#include <memory>
#include <span>
#include <string>
#include <vector>

#include "faxengine/fax_machine.h"
#include "faxengine/received_file.h"
#include "faximage/copy_quality.h"

namespace faxengine {

class ReceiveMachine;

class ReceiveDialogue : public Dialogue {
 public:
  explicit ReceiveDialogue(ReceiveMachine& m) : m_(m) {}

  // Sends the class command and prepares the modem; then the machine waits for rings.
  virtual void waitForCall() = 0;
  // "ATA" has been sent.
  virtual void answered() = 0;
  // The DLE ETX that ends a page arrived.
  virtual void pageEnded() = 0;
  // Page bytes arrive with their bit order reversed (Class 2).
  virtual bool reversedBits() const { return false; }
  // Written before the page data flows (Class 2 and 2.0: DC2).
  virtual void releasePageData() {}
  // The caller is refused: what the class says before hanging up.
  virtual void refuse() {}
  // Pages are checked for copy quality as they arrive (Class 1: the modem passes the line's
  // data as it came).
  virtual bool checksCopyQuality() const { return false; }

 protected:
  ReceiveMachine& m_;
};

class ReceiveMachine : public FaxMachine {
 public:
  enum class Step { Idle, WaitCall, Dialogue, Rings, PageData, Abort, Ended };
  static const char* stepName(Step s);

  ReceiveMachine(ModemLink& link, SessionHost& host, SessionRecord& session, ProtocolRecord& proto);
  ~ReceiveMachine() override;

  void setDialogue(std::unique_ptr<ReceiveDialogue> d) { dialogue_ = std::move(d); }
  ReceiveDialogue* dialogue() { return dialogue_.get(); }
  Step step() const { return step_; }

  // Shared steps the dialogues call.
  void waitRings();
  // Asks whether to take the call and, when accepted, creates the file. False when the
  // call was refused or the file could not be made (the machine is then aborting).
  bool accept();
  bool accepted() const { return accepted_; }
  // CONNECT for a page: the page header, the data released, the page stored until DLE ETX.
  void pageStart();
  // Error correction: a page received whole in frames is stored at once (the page status
  // follows with endOfPage).
  bool storePage(std::span<const std::uint8_t> data);
  // The page status after a page: a good page is counted, a bad one cut from the file.
  // A page checked for copy quality is already stored when its data ends.
  void endOfPage(bool good);
  // After a checked page's data: the page is poor and to be answered RTN. It is stored
  // repaired all the same, and a copy sent again takes its place.
  bool pagePoor() const { return pagePoor_; }
  // A poor page answered RTN has not been sent again yet.
  bool holdsPoorCopy() const { return heldPoor_; }
  // "+FET:1": the next page starts a new file.
  void newDocumentNext() { newDocument_ = true; }
  void endOfDocument();
  // The modem confirmed the end of the call.
  void endOfCall();
  // XON/XOFF while page data arrives, when the session uses it.
  void softwareFlow(bool on);
  // The coding of the page data on the line (MH unless the dialogue negotiated another).
  Coding lineCoding() const { return protocol().lineCoding; }
  // What is left of the time allowed from "ATA" to the connection report.
  Ticks answerTicksLeft() const;

 protected:
  Input input() const override;
  void onStep(Trigger t) override;
  void onLine(const std::string& line, AtReply reply) override;
  std::size_t onRaw(std::span<const std::uint8_t> data) override;
  void toAbort() override { setStep(Step::Abort); }

 private:
  void setStep(Step s);
  void stepWaitCall();
  void stepRings(const std::string& line, AtReply reply);
  std::size_t stepPageData(std::span<const std::uint8_t> data);
  void stepAbort();
  int createFile();
  // The file and the page header for the next page; false when that failed.
  bool openPage();
  void answer();
  // The end of a checked page's data: its quality, and the page stored repaired.
  void checkPage();
  void storeCheckedPage(bool replaceHeld);
  // The poor copy held is final: the fax's notes say that the page arrived damaged.
  void keepHeldCopy();
  void noteDamaged(int page, const faximage::PageQuality& q);
  void addFaxNote(const std::string& text);

  Step step_ = Step::Idle;
  std::unique_ptr<ReceiveDialogue> dialogue_;
  ReceivedFile file_;
  bool accepted_ = false;
  bool newDocument_ = false;
  bool firstReported_ = false;
  bool refused_ = false;
  // An answered call that has no fax file yet: should it fail, it is still logged as a
  // fax that could not be received, so that the call leaves a trace.
  bool answeredWithoutFile_ = false;
  TickTimer answerTimer_;
  std::unique_ptr<faximage::CopyQualityCheck> check_;
  bool pagePoor_ = false;
  bool heldPoor_ = false;
  int heldPage_ = 0;
  int poorCopies_ = 0;  // poor copies of the page in a row
  faximage::PageQuality heldQuality_;
  std::vector<std::uint64_t> heldPrints_;
};

}  // namespace faxengine
