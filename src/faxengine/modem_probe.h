// Talking to the modem outside a call, on the thread that owns the components: a
// command and its answer (SendAndWait), and asking which fax classes the modem has.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "faxengine/fax_types.h"
#include "faxengine/ticks.h"
#include "faxengine/timings.h"

namespace faxengine {

// A modem to send commands to and read lines from, waiting as the owner thread may.
class CommandChannel {
 public:
  virtual ~CommandChannel() = default;
  virtual bool write(std::string_view bytes) = 0;
  // The next non-empty response line within `ticks`; nothing when the time runs out or
  // the program is quitting.
  virtual std::optional<std::string> readLine(Ticks ticks) = 0;
  virtual void flushInput() = 0;
  virtual void setDtrRts(bool on) = 0;
  virtual void pause(int ms) = 0;
};

// Sends the command (after the usual pause, control characters left out) and waits for
// its answer: "OK" is true, "ERROR" false; any other line is true when one more line
// follows in time (an answer and its OK). The echo of the command is skipped. Input is
// flushed afterwards.
bool sendAndWait(CommandChannel& ch, std::string_view command, Ticks replyTicks = timing::kReply);

// The first answer line of a query (not its echo, not OK or ERROR); empty when none.
std::string queryLine(CommandChannel& ch, std::string_view command, Ticks replyTicks = timing::kReply);

// The classes in an "AT+FCLASS=?" answer.
TFaxClassSet parseFaxClasses(std::string_view answer);
// Resets the modem lines, sends the init string (two tries) and asks for the classes.
TFaxClassSet detectFaxClasses(CommandChannel& ch, std::string_view initString);
// The best class of a set: 2.0, then 2, then 1; fcUnknown for none.
TFaxClass bestClass(const TFaxClassSet& set);

// The built-in init string for the dialing options.
std::string builtInInitString(bool blindDial, bool detectBusy);
// A user's init command as the engine keeps it: upper case, "AT" in front unless it
// begins with "A".
std::string normalizeModemInit(std::string_view text);

}  // namespace faxengine
