// What the Class 1 dialogues read from and write to the modem. Response lines and control
// frames arrive mixed: a frame runs from its 0xFF address to DLE ETX (DLE DLE standing
// for one DLE), so CR LF inside a frame is data, not the end of a line. Commands and
// frames go out with the pauses the modem needs between them. Frames count only once the
// modem has said they are good.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "faxengine/class1_frames.h"
#include "faxengine/fax_machine.h"
#include "faxengine/response_line.h"

namespace faxengine::class1 {

class FrameCollector {
 public:
  enum class Event { None, Line, Frame };
  // Longer frames keep only their first bytes (T.30 frames are far shorter).
  static constexpr std::size_t kMaxFrame = 512;

  Event feed(std::uint8_t b);
  const std::string& line() const { return lines_.line(); }
  const Frame& frame() const { return frame_; }
  void clear();

 private:
  ResponseCollector lines_;
  bool inFrame_ = false;
  bool dle_ = false;
  Frame frame_;
};

class Channel {
 public:
  explicit Channel(FaxMachine& m) : m_(m) {}

  // Sends a command after its pause (40 ms before the Class 1 data and frame commands,
  // 100 ms before any other) and forgets what was collected so far.
  void command(std::string_view text);

  // Reads the far end's frames until a good one with the final bit ends its group; the
  // dialogue sees each good frame (onFrame) and then the final frame's OK (onLine). A frame
  // counts only when the modem ends its reception with OK: one it reports damaged (ERROR,
  // "+FCERROR") is dropped. After a frame that is not the last, a damaged one and a carrier
  // lost without a frame, "AT+FRH=3" goes out again, as long as the window lasts; the reply
  // timer runs out when it is over (the dialogue then repeats its command or gives up).
  // "AT+FRH=3" goes out at once: the far end's flags may already be on the line.
  // `window` runs from now; a damaged frame starts a window of `afterDamage` when that is
  // not zero (the far end is there and repeats its command once its T4 is over).
  void listen(Ticks window, Ticks afterDamage = 0);
  // The same for frames the modem reports unasked (after the dial's CONNECT).
  void expectFrames(Ticks window);
  // Listens again in the window that runs (the final frame was not the one awaited).
  void listenAgain();
  // Listens for T4: the response to the command just sent.
  void awaitResponse() { listen(timing::kT4); }
  // Listens with the reply time-out as the window.
  void receiveFrames() { listen(m_.protocol().replyTimeout); }
  // The window is over or the step moves on: a modem still listening is stopped (any
  // character ends its wait for a frame) and lines are the dialogue's again.
  void stopListening();
  bool listening() const { return listening_; }

  // After 20 ms, the frame with DLE doubled and DLE ETX; the reply timer is re-armed.
  void frame(const std::vector<std::uint8_t>& bytes);
  // Feeds bytes until a line or a frame is complete and hands it on (see listen); returns
  // the count used.
  std::size_t read(std::span<const std::uint8_t> data,
                   const std::function<void(const std::string&, AtReply)>& onLine,
                   const std::function<void(const Frame&)>& onFrame);

 private:
  // What every frame tells: whether it is the last of its group, its code, and the
  // far end's identifier.
  void frameArrived(const Frame& f);
  // A listening line: true when it was taken here (the dialogue does not see it).
  bool listenLine(const std::string& line, AtReply reply,
                  const std::function<void(const Frame&)>& onFrame);
  void askForFrame();
  // The modem's answer to a stopped wait: true when the line is that and is skipped.
  bool skipStopAnswer(AtReply reply);
  Ticks remaining() const;

  FaxMachine& m_;
  FrameCollector in_;
  bool held_ = false;       // a frame has come and waits for the modem's verdict
  bool listening_ = false;  // frames are read until the final one
  bool asking_ = false;     // "AT+FRH=3" went out and its result has not come
  bool stopped_ = false;    // a wait was stopped: the modem's answer to that is skipped
  bool carrier_ = false;    // the modem has said CONNECT since "AT+FRH=3" went out
  TickTimer window_;
  Ticks afterDamage_ = 0;
};

}  // namespace faxengine::class1
