// The Class 1 modulation probe.
#include "faxengine/class1_probe.h"

#include <optional>
#include <string>

#include "faxengine/class1_channel.h"
#include "faxengine/modem_bytes.h"
#include "faxengine/response_line.h"

namespace faxengine::class1 {

namespace {

void setRate(ProtocolRecord& p, int index) {
  p.modulationIndex = index;
  p.modulation = indexModulation(index);
}

}  // namespace

RateSet parseModulations(std::string_view list) {
  RateSet r = baseRates();
  static constexpr int kListed[] = {3, 4, 5, 6};
  for (int i : kListed) r[std::size_t(i)] = contains(list, indexModulation(i));
  return r;
}

bool detectModulations(CommandChannel& ch, bool sending, ProtocolRecord& p) {
  if (!sendAndWait(ch, "AT+FCLASS=1", p.replyTimeout)) return false;
  p.localRates = baseRates();
  std::string query = sending ? "AT+FTM=?" : "AT+FRM=?";
  ch.pause(timing::kCommandPauseMs);
  if (ch.write(query + "\r")) {
    Ticks wait = p.replyTimeout;
    bool listed = false;
    while (std::optional<std::string> line = ch.readLine(wait)) {
      if (contains(*line, "OK") || contains(*line, "ERROR")) break;
      if (!listed && contains(*line, ",")) {
        p.localRates = parseModulations(*line);
        listed = true;
        wait = timing::kModulationList;
      }
    }
  }
  ch.flushInput();
  int top = kMaxIndex;
  while (top > kMinIndex && !p.localRates[std::size_t(top)]) --top;
  setRate(p, top);
  return true;
}

void limitReceiveRate(ProtocolRecord& p) {
  int index = p.modulationIndex;
  while (index > kMinIndex && indexBps(index) > p.desiredBps) --index;
  setRate(p, index);
}

}  // namespace faxengine::class1
