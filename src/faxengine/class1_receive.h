// The Class 1 receiving dialogue: the engine answers as the called fax machine, sends
// CSI and DIS, reads the caller's DCS, checks its training, confirms every page with MCF
// and waits for the caller's DCN.
//
//   ClassSet -> (rings, "ATA") -> Answered -> DisSent      CSI and DIS go out
//   DisSent -> Command                                     TSI and DCS are read
//   Command -> DisRepeat -> Answered                       nothing good came within T4
//                                                          (T2 after a damaged frame): CSI
//                                                          and DIS again, until T1 is over
//   Command -> TcfConnect -> Tcf                           the training check
//   Tcf -> FttReady -> Command                             bad: FTT, a new DCS follows
//   Tcf -> TcfEnd -> Confirm -> PageConnect                good: CFR, the page follows
//   TcfConnect | PageConnect -> Command                    frames came instead (a DCS
//                                                          repeated, or DCN)
//   PageConnect -> (page data) -> PageEnd -> PostPage -> PageDone -> Response
//   Response -> PageConnect                                MPS: MCF, the next page
//   Response -> Release -> HangUp -> (end of the call)     EOP: MCF, then DCN and "ATH"
//   Response -> Command                                    a poor page: RTN, the caller
//                                                          trains again (DCS) and sends
//                                                          the page again, or ends (DCN)
//   Command | Release -> Response                          MPS/EOP again (our MCF was
//                                                          lost): MCF again
// Frames count once the modem has said they are good; a damaged one is dropped and the
// channel listens for the repeat while the step's window lasts.
//   Confirm -> Ecm -> Release                              with error correction: the
//                                                          pages come in blocks of frames
#pragma once

#include "faxengine/class1_channel.h"
#include "faxengine/class1_ecm_receive.h"
#include "faxengine/receive_machine.h"
#include "faxengine/stepped_dialogue.h"

namespace faxengine::class1 {

enum class Class1ReceiveStep {
  Idle,
  ClassSet,
  Answered,
  DisSent,
  Command,
  DisRepeat,
  TcfConnect,
  Tcf,
  FttReady,
  TcfEnd,
  Confirm,
  PageConnect,
  PageEnd,
  PostPage,
  PageDone,
  Response,
  Release,
  HangUp,
  Ecm  // the pages come with error correction (EcmReceive takes them)
};

class Class1Receive : public SteppedDialogue<ReceiveDialogue, Class1ReceiveStep> {
 public:
  explicit Class1Receive(ReceiveMachine& m);
  void waitForCall() override;
  void answered() override;
  void pageEnded() override;
  // Pages without error correction (with it, the blocks are checked and asked for again).
  bool checksCopyQuality() const override { return !m_.protocol().sessionEcm; }
  Input input() const override;
  void onStep(Trigger t) override;
  void onLine(const std::string& line, AtReply reply) override;
  std::size_t onRaw(std::span<const std::uint8_t> data) override;

 private:
  void onFrame(const Frame& f);
  void onDcs(const Frame& f);
  void onCommand(AtReply reply);
  std::size_t onTcf(std::span<const std::uint8_t> data);
  void onConfirm(AtReply reply);
  void onResponse(AtReply reply);
  void sendDis();
  void repeatDis();
  bool repeatedPostPage();
  void pageDone();
  // The document's last page is confirmed: the caller's DCN is awaited.
  void release();
  // "+FCERROR": V.21 frames came where high-speed data was expected; read them.
  bool framesInstead(const std::string& line);

  Channel io_;
  EcmReceive ecm_;
  bool disSent_ = false;
  bool documentEnded_ = false;
  TickTimer t1_;  // from the answer: DIS is repeated until it runs out
  bool morePages_ = false;
  bool rtn_ = false;  // the page just received was poor
  bool dle_ = false;
  long tcfBytes_ = 0, tcfNonZero_ = 0;
};

}  // namespace faxengine::class1
