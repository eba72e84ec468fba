// What the Class 1 dialogues read from and write to the modem. Response lines and control
// frames arrive mixed: a frame runs from its 0xFF address to DLE ETX (DLE DLE standing
// for one DLE), so CR LF inside a frame is data, not the end of a line. Commands and
// frames go out with the pauses the modem needs between them.
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
  // Sends "AT+FRH=3" to read the next frame; the last frame's flags are forgotten.
  void receiveFrames();
  // Our frames are out: after the turn-around pause, reads the far end's answer with the
  // response time-out running.
  void awaitResponse();
  // After 20 ms, the frame with DLE doubled and DLE ETX; the reply timer is re-armed.
  void frame(const std::vector<std::uint8_t>& bytes);
  // Feeds bytes until a line or a frame is complete and hands it on (the line logged, the
  // frame recorded by frameArrived); returns the count used.
  std::size_t read(std::span<const std::uint8_t> data,
                   const std::function<void(const std::string&, AtReply)>& onLine,
                   const std::function<void(const Frame&)>& onFrame);

 private:
  // What every frame tells: whether it is the last of its group, its code, and the
  // far end's identifier.
  void frameArrived(const Frame& f);

  FaxMachine& m_;
  FrameCollector in_;
};

}  // namespace faxengine::class1
