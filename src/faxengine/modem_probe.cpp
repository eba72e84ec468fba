// Commands outside a call and the fax-class probe.
#include "faxengine/modem_probe.h"

#include "base/asciitext.h"
#include "faxengine/modem_bytes.h"
#include "faxengine/response_line.h"

namespace faxengine {

namespace {

std::string commandText(std::string_view command) {
  std::string cmd;
  for (char c : command)
    if (static_cast<unsigned char>(c) >= 0x20) cmd.push_back(c);
  return cmd;
}

bool send(CommandChannel& ch, const std::string& cmd) {
  ch.pause(timing::kCommandPauseMs);
  return ch.write(cmd + "\r");
}

}  // namespace

bool sendAndWait(CommandChannel& ch, std::string_view command, Ticks replyTicks) {
  std::string cmd = commandText(command);
  bool ok = false;
  if (send(ch, cmd)) {
    for (;;) {
      std::optional<std::string> line = ch.readLine(replyTicks);
      if (!line) break;
      if (*line == cmd) continue;  // the echo
      if (contains(*line, "ERROR")) break;
      if (contains(*line, "OK")) {
        ok = true;
        break;
      }
      ok = ch.readLine(replyTicks).has_value();
      break;
    }
  }
  ch.flushInput();
  return ok;
}

std::string queryLine(CommandChannel& ch, std::string_view command, Ticks replyTicks) {
  std::string cmd = commandText(command);
  std::string answer;
  if (send(ch, cmd)) {
    while (std::optional<std::string> line = ch.readLine(replyTicks)) {
      if (*line == cmd) continue;
      if (contains(*line, "ERROR") || *line == "OK") break;
      answer = *line;
      ch.readLine(replyTicks);  // its OK
      break;
    }
  }
  ch.flushInput();
  return answer;
}

TFaxClassSet parseFaxClasses(std::string_view answer) {
  std::size_t colon = answer.find(':');
  if (colon != std::string_view::npos) answer.remove_prefix(colon + 1);
  TFaxClassSet set;
  set.class1 = contains(answer, "1");
  if (contains(answer, "2.0")) {
    set.class2_0 = true;
    set.class2 = contains(answer, "2,");
  } else {
    set.class2 = contains(answer, "2");
  }
  return set;
}

TFaxClassSet detectFaxClasses(CommandChannel& ch, std::string_view initString) {
  for (int round = 0; round < 2; ++round) {
    ch.setDtrRts(false);
    ch.pause(timing::kLineDropMs);
    ch.setDtrRts(true);
    ch.pause(timing::kLineDropMs);
    if (sendAndWait(ch, initString)) break;
  }
  return parseFaxClasses(queryLine(ch, "AT+FCLASS=?"));
}

TFaxClass bestClass(const TFaxClassSet& set) {
  if (set.class2_0) return TFaxClass::fcClass2_0;
  if (set.class2) return TFaxClass::fcClass2;
  if (set.class1) return TFaxClass::fcClass1;
  return TFaxClass::fcUnknown;
}

std::string builtInInitString(bool blindDial, bool detectBusy) {
  const char* x = detectBusy ? (blindDial ? "X3" : "X4") : (blindDial ? "X1" : "X2");
  return std::string("ATE0Q0V1") + x + "S0=0S2=43";
}

std::string normalizeModemInit(std::string_view text) {
  std::string s = base::UpperAscii(text);
  if (!s.empty() && s[0] != 'A') s = "AT" + s;
  return s;
}

}  // namespace faxengine
