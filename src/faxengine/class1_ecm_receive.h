// Receiving pages with error correction, the part of the Class 1 receiving dialogue from
// CFR to the last page's confirmation. The block's frames arrive as high-speed data,
// HDLC-framed; they are taken apart here and kept by number until the caller's PPS asks
// for the verdict:
//
//   DataConnect -> Data -> DataEnd -> Frames      "AT+FRM=", frames until DLE ETX, PPS
//   Frames: PPS, all frames there    MCF; at the end of a page it is stored whole
//           PPS, frames missing      PPR with their map, then the frames again
//           CTC                      CTR, then the data at the new rate
//           EOR                      ERR: the block is kept as far as it came
//           RR                       the last answer again (this side is never busy)
//   AnswerReady -> AnswerSent -> DataConnect, or the document is done
#pragma once

#include <functional>
#include <span>
#include <vector>

#include "faxengine/class1_channel.h"
#include "faxengine/ecm_blocks.h"
#include "faxengine/hdlc_bits.h"
#include "faxengine/receive_machine.h"

namespace faxengine::class1 {

class EcmReceive {
 public:
  // `documentDone` runs once the last page (EOP) is confirmed.
  EcmReceive(ReceiveMachine& m, Channel& io, std::function<void()> documentDone);

  // CFR is out: the first block follows.
  void begin();
  // Raw bytes are page data (not lines or frames) in this step.
  bool takesData() const { return step_ == Step::Data; }
  std::size_t onData(std::span<const std::uint8_t> data);
  void onStep(Trigger t);
  void onLine(const std::string& line, AtReply reply);
  void onFrame(const Frame& f);
  const char* stepName() const { return nameOf(step_); }

 private:
  enum class Step { Idle, DataConnect, Data, DataEnd, Frames, AnswerReady, AnswerSent };
  enum class Then { Listen, Done };

  void listen();
  void readFrames();
  void onCommand();
  void onPps(const Frame& f);
  void endBlock(std::uint8_t command, int count);
  void answer(std::vector<std::uint8_t> frame, Then then);
  void onHdlcFrame(std::span<const std::uint8_t> f);
  void setStep(Step s);
  static const char* nameOf(Step s);

  ReceiveMachine& m_;
  Channel& io_;
  std::function<void()> documentDone_;
  Step step_ = Step::Idle;
  hdlc::Reader reader_;
  bool dle_ = false;
  ecm::BlockReceived block_;
  int blockFrames_ = 0;             // the block's frame count, from its first PPS
  std::vector<std::uint8_t> page_;  // the page's confirmed blocks
  Frame command_;                   // the caller's last final frame
  std::vector<std::uint8_t> lastAnswer_;
  Then lastThen_ = Then::Listen;
  int confirmedPage_ = -1, confirmedBlock_ = -1;  // the last block answered MCF
  bool longTrain_ = false;
  int listens_ = 0;  // waits of T2 without a command in a row (three are the most)
};

}  // namespace faxengine::class1
