// Sending pages with error correction, the part of the Class 1 sending dialogue from the
// training's CFR to the last page's confirmation. Each page goes in blocks of up to 256
// numbered frames, HDLC-framed here and sent as high-speed data; the block's PPS asks
// whether it arrived whole:
//
//   DataConnect -> Data -> DataSent      "AT+FTM=", the block's frames, RCP, DLE ETX
//   DataSent -> CommandReady -> CommandSent -> Response     PPS (or RR, CTC, EOR)
//   Response: MCF   the next block, the next page, or the document is done
//             PPR   exactly the frames it marks go again; at the fourth PPR of a block
//                   CTC brings the rate down (CTR, then the frames), or at the lowest
//                   rate EOR gives the block up (ERR)
//             RNR   RR after a pause, until the receiver is ready (T5)
//             none  the command again, three times
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "faxengine/class1_channel.h"
#include "faxengine/ecm_blocks.h"
#include "faxengine/page_output.h"
#include "faxengine/send_machine.h"

namespace faxengine::class1 {

class EcmSend {
 public:
  // `documentDone` runs once the last page is confirmed (the caller then says DCN).
  EcmSend(SendMachine& m, Channel& io, std::function<void()> documentDone);

  // The far end's DIS: frames of 64 octets when it asks for them, else of 256.
  void setSmallFrames(bool small) { frameSize_ = small ? ecm::kSmallFrameSize : ecm::kFrameSize; }
  bool smallFrames() const { return frameSize_ == ecm::kSmallFrameSize; }
  // CFR came: the document's pages go out from the current one.
  void begin();
  Input input() const { return Input::Raw; }
  void onStep(Trigger t);
  void onLine(AtReply reply);
  void onFrame(const Frame& f);
  // Page data is being handed to the modem (an abort must end it first).
  bool dataOpen() const { return step_ == Step::Data || step_ == Step::DataSent; }
  const char* stepName() const { return nameOf(step_); }

 private:
  enum class Step { Idle, DataConnect, Data, DataSent, CommandReady, CommandSent, Response };

  void startPage();
  void startBlock();
  void sendData();
  void queueBlock();
  void dataOut();
  void command(std::vector<std::uint8_t> frame);
  void repeatCommand();
  void onAnswer();
  void onPpr();
  void blockDone();
  std::uint8_t blockCommand() const;
  void setStep(Step s);
  static const char* nameOf(Step s);

  SendMachine& m_;
  Channel& io_;
  std::function<void()> documentDone_;
  Step step_ = Step::Idle;
  PageOutput out_;
  std::size_t frameSize_ = ecm::kFrameSize;
  ecm::PageFrames page_;
  ecm::BlockToSend block_;
  int pageCount_ = 0;  // pages sent in this call
  int blockIndex_ = 0;
  int pprs_ = 0;                       // PPRs for this block since the last rate change
  bool longTrain_ = false;             // the next data follows a rate change: the long training
  std::vector<std::uint8_t> command_;  // the frame awaiting its answer
  Fcf asked_ = Fcf::PPS;               // what it asks (RR repeats the question)
  int tries_ = 0;
  Frame answer_;
  TickTimer notReady_{};  // from the first RNR
  bool waitingReady_ = false;
};

}  // namespace faxengine::class1
