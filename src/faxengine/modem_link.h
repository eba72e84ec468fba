// What a fax state machine may do to the port and tell its component. The machines call
// these and never touch a device, a thread or the clock's passing themselves, so a whole
// call runs in a unit test against a fake link on a fake clock.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "faxengine/clock.h"
#include "faxengine/ticks.h"

namespace faxengine {

enum class Carrier { Absent, Present, Unknown };  // Unknown: the device has no modem lines
enum class SoftwareFlow { Off, Transmit, Receive };

class ModemLink {
 public:
  virtual ~ModemLink() = default;

  // Queues bytes for output; false when the output buffer cannot take all of them.
  virtual bool write(std::span<const std::uint8_t> bytes) = 0;
  virtual std::size_t outputCount() const = 0;
  virtual std::size_t outputSpace() const = 0;
  // Throws away what has been received and not yet handled.
  virtual void flushInput() = 0;
  // Throws away what is queued for output and not yet sent.
  virtual void flushOutput() = 0;

  virtual void setDtrRts(bool on) = 0;
  virtual Carrier carrier() const = 0;
  virtual void setBaud(int bps) = 0;
  // XON/XOFF while page data flows; for receiving with the stop and resume levels.
  virtual void setSoftwareFlow(SoftwareFlow mode, int bufferFull = 0, int bufferResume = 0) = 0;

  virtual const Clock& clock() const = 0;

  // One-shot triggers: each fires once, at most once per arming; arming again replaces.
  // The pause timer ends a pause the protocol asks for (before a command, around "+++"):
  // the machine waits for it as for any other trigger, it never sleeps.
  virtual void armPauseTimer(int ms) = 0;
  virtual void armReplyTimer(Ticks ticks) = 0;
  virtual void stopReplyTimer() = 0;
  virtual void armStatusTimer(Ticks ticks) = 0;
  virtual void armOutputFree(std::size_t bytes) = 0;  // fires when that much is free
  virtual void armOutputLow(std::size_t bytes) = 0;   // fires when at most that much is queued
  virtual void armOutputEmpty() = 0;

  // A line for the session's log (state changes, lines in and out).
  virtual void note(std::string_view text) = 0;

  Ticks now() const { return tickCount(clock()); }
};

// The component's side: the events a session raises and the questions it asks.
class SessionHost {
 public:
  virtual ~SessionHost() = default;
  // first / last mark the first and the last report of a call.
  virtual void faxStatus(bool first, bool last) = 0;
  virtual void faxLog(int logCode) = 0;
  virtual void faxError(int code) = 0;
  virtual void faxFinish(int code) = 0;
  // Sender: the next fax of the list; false (or an empty number) ends the list.
  virtual bool faxNext(std::string& phone, std::string& faxFile, std::string& coverFile) = 0;
  // Receiver: accept the caller (its identifier is in the session record)?
  virtual bool faxAccept() = 0;
  // Receiver: the name for the file about to be created.
  virtual std::string faxName() = 0;
};

}  // namespace faxengine
