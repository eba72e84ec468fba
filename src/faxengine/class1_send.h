// The Class 1 sending dialogue: the engine runs the T.30 session itself, reading and
// sending control frames through "AT+FRH=3" / "AT+FTH=3" and sending the training check
// and page data through "AT+FTM=".
//
//   SelectClass -> ClassSet -> (dial) DialResult            CSI and DIS are read here
//   DialResult -> TsiReady -> DcsReady -> DcsSent           TSI and DCS go out
//   DcsSent -> TcfReady -> TcfSent -> Confirmation         the training check
//   Confirmation -> DcsReady                                FTT: a lower rate, DCS again
//   Confirmation -> TsiReady                                DIS, or no good response within
//                                                           T4: TSI, DCS and training again
//   Confirmation -> PageReady -> (the machine's page start)  CFR: the page goes out
//   (page data) -> PageSent -> PostPage -> PostPageReady -> PostPageSent -> Response
//   Response -> PageReady                                   MCF, more pages
//   Response -> DcsReady                                    RTP with more pages; RTN: the
//                                                           page again at a lower rate
//   Response -> PostPage                                    no good response within T4:
//                                                           MPS/EOP again
//   Response -> DcnReady -> DcnSent -> HangUp -> (fax done) the last page is confirmed
// Frames count once the modem has said they are good; a damaged one is dropped and the
// channel listens for the repeat while the step's window lasts (T1 for the DIS, T4 for
// the responses).
//   Confirmation -> Ecm -> DcnReady                        CFR with error correction: the
//                                                          pages go in blocks of frames
#pragma once

#include "faxengine/class1_channel.h"
#include "faxengine/class1_ecm_send.h"
#include "faxengine/send_machine.h"
#include "faxengine/stepped_dialogue.h"

namespace faxengine::class1 {

enum class Class1SendStep {
  SelectClass,
  ClassSet,
  DialResult,
  TsiReady,
  DcsReady,
  DcsSent,
  TcfReady,
  TcfSent,
  Confirmation,
  PageReady,
  PageSent,
  PostPage,
  PostPageReady,
  PostPageSent,
  Response,
  DcnReady,
  DcnSent,
  HangUp,
  Ecm  // the pages go with error correction (EcmSend runs them)
};

class Class1Send : public SteppedDialogue<SendDialogue, Class1SendStep> {
 public:
  explicit Class1Send(SendMachine& m);
  void start() override;
  void redial() override;
  void pageQueued() override;
  std::span<const std::uint8_t> pageTrailer() const override;
  bool pageDataOpen() const override {
    return step_ == Step::PageSent || (step_ == Step::Ecm && ecm_.dataOpen());
  }
  Input input() const override;
  std::size_t onRaw(std::span<const std::uint8_t> data) override;
  void onStep(Trigger t) override;
  void onLine(const std::string& line, AtReply reply) override;

 private:
  void onFrame(const Frame& f);
  void onDis(const Frame& f);
  void setRate(int index);
  void fallBack();
  void onDialResult(AtReply reply);
  void onConfirmation(AtReply reply);
  void onResponse(AtReply reply);
  void sendTcf();
  void postPage();
  void nextPage();
  void trainAgain(int rc);
  void repeatDcs();

  Channel io_;
  EcmSend ecm_;
  int dcsSent_ = 0;  // DCS frames sent at this rate with no response yet
};

}  // namespace faxengine::class1
