// The sending state machine: the steps that do not depend on the modem's fax class (the
// fax list, the file checks, dialing and redialing, the page prelude with the header
// line, cover pages, the page-data pump, the end of a fax and the abort), with a class
// dialogue (Class 1, 2 or 2.0) running between them.
//
//   NextFax -> FirstPage -> Dialogue (class set-up, dial, negotiation)
//   Dialogue -> RedialWait -> Dialogue            busy: wait, then dial again
//   Dialogue -> [WaitXon ->] WaitBuffer           CONNECT for page data: the modem's XON,
//                                                 then room in the output buffer
//   WaitBuffer -> CoverText | PageData -> Dialogue  the page is queued
//   Dialogue -> FaxDone -> NextFax ...            the last page was confirmed
//   any failure -> Abort -> NextFax | Ended
//   a failure or abort while page data flows -> EndData -> Abort   the data is ended first
//   NextFax -> Ended                              the list is done
#pragma once

#include <memory>
#include <span>
#include <string>
#include <vector>

#include "faxengine/fax_machine.h"
#include "faxengine/header_line.h"
#include "faxengine/line_recoder.h"
#include "faxengine/page_output.h"
#include "faxengine/send_file.h"

namespace faxengine {

class SendMachine;

// The part of sending that differs by fax class. It owns the steps between the first
// page and the end of the fax and calls back into the machine for the shared ones.
class SendDialogue : public Dialogue {
 public:
  explicit SendDialogue(SendMachine& m) : m_(m) {}

  // The first page is ready: set up the modem and dial.
  virtual void start() = 0;
  // The redial wait is over.
  virtual void redial() = 0;
  // Every byte of the page (or cover) is queued; the reply timer runs for the page's end
  // and the output-empty trigger is armed.
  virtual void pageQueued() = 0;
  // Bytes that end the page data (Class 1: DLE ETX).
  virtual std::span<const std::uint8_t> pageTrailer() const { return {}; }
  // The dialogue waits while the modem still takes the page's data.
  virtual bool pageDataOpen() const { return false; }
  // After the data has been ended for an abort: sends the class's session abort command
  // and says whether it did (the machine then waits for the modem's answer to it).
  virtual bool abortSession() { return false; }

 protected:
  SendMachine& m_;
};

class SendMachine : public FaxMachine {
 public:
  enum class Step {
    Idle,
    NextFax,
    FirstPage,
    Dialogue,
    RedialWait,
    WaitXon,
    WaitBuffer,
    CoverText,
    PageData,
    FaxDone,
    EndData,
    Abort,
    Ended
  };
  static const char* stepName(Step s);

  SendMachine(ModemLink& link, SessionHost& host, SessionRecord& session, ProtocolRecord& proto);
  ~SendMachine() override;

  void setDialogue(std::unique_ptr<SendDialogue> d) { dialogue_ = std::move(d); }
  SendDialogue* dialogue() { return dialogue_.get(); }
  Step step() const { return step_; }

  // Shared steps the dialogues call.
  void dial();
  // "BUSY" or "NO ANSWER": redial after the wait, or give this fax up.
  void busy();
  // The results of dialling that end or repeat the call (busy, no answer, voice, no dial
  // tone, no carrier); false for any other line.
  bool dialFailed(AtReply reply);
  // CONNECT for page data: waits for the modem's XON (when it sends one), then for room
  // in the output buffer, and sends the page.
  void startPage(bool xonFirst);
  // XON/XOFF for the page data, when the session uses it.
  void softwareFlow(bool on);
  // More pages follow the current one.
  bool morePages() const;
  // The page's data is out: reports MPS when more pages follow, else EOP.
  void reportPageEnd();
  // Moves to the next page; a negative code when it cannot be read.
  int advancePage();
  // Positions at the start of the current page again (to send it once more).
  int rewindPage();
  void faxDone();
  // How long to wait for the modem's answer once the page's last byte is queued: the
  // page time-out plus the line time the page's bytes may still need. Buffers between us
  // and the line (the driver's, the modem's) can hold much of a page, and at 2400 bit/s
  // a dense page takes minutes; a modem that has died still ends the call.
  Ticks pageEndTimeout() const;
  // Error correction: the current page's coded data whole (the prelude and header line
  // included, no fill, no DLE doubling), for the dialogue to send in frames.
  int renderPage(std::vector<std::uint8_t>& bytes);
  // Hangs up the line (after a call whose modem did not confirm its own hang-up).
  void hangUp() { hangUpSender(); }
  // The page about to be negotiated: its resolution and width.
  bool firstPageFine() const { return firstFine_; }
  bool firstPageWide() const { return firstWide_; }

 protected:
  Input input() const override;
  void onStep(Trigger t) override;
  void onLine(const std::string& line, AtReply reply) override;
  std::size_t onRaw(std::span<const std::uint8_t> data) override;
  void toAbort() override;
  void onDeviceLost() override;

 private:
  void setStep(Step s);
  void stepNextFax();
  void stepFirstPage();
  void stepRedialWait(Trigger t);
  void stepWaitBuffer(Trigger t);
  void waitBuffer();
  void beginPageData();
  void stepCoverText(Trigger t);
  void stepPageData(Trigger t);
  void stepFaxDone();
  void stepAbort();
  // The modem takes page data: it would read a hang-up command as data.
  bool dataOpen() const;
  // Ends the page data (DLE ETX unless the page's own end is out) and waits for the modem.
  void endData();
  void onEndDataLine(AtReply reply);

  int readPageHeader();  // of the open file's current page, with the resolution check
  int openCover();
  void closeFiles();
  void sendPrelude();
  void sendTextRows(std::string_view text);
  // One MH line of the page, in the line's coding and filled to the minimum bytes per line.
  void sendLine(std::span<const std::uint8_t> mh);
  void pageFinished();
  void checkForcedStatus();
  HeaderValues headerValues() const;

  Step step_ = Step::Idle;
  std::unique_ptr<SendDialogue> dialogue_;
  SendFile file_;  // the fax file, or a BRX cover while it is sent
  bool coverOpen_ = false;
  bool trailerQueued_ = false;
  bool collecting_ = false;  // renderPage runs: the page is kept, not written
  bool abortCommandSent_ = false;  // in EndData: the session abort command is out
  std::vector<std::string> coverLines_;  // a text cover
  std::size_t coverLine_ = 0;
  bool firstFine_ = false, firstWide_ = false;
  PageOutput out_;
  LineRecoder lineCoder_;  // the page's MH lines in the line's coding
  TextRenderer renderer_;
  TickTimer forcedStatus_;
  TickTimer pageClock_;               // runs from the start of the page's data
  std::uint64_t pageStartBytes_ = 0;  // out_.written() when the page's data began
};

}  // namespace faxengine
