// Which Class 1 modulations the modem has, asked before a session ("AT+FTM=?" for
// sending, "AT+FRM=?" for receiving).
#pragma once

#include <string_view>

#include "faxengine/class1_frames.h"
#include "faxengine/fax_types.h"
#include "faxengine/modem_probe.h"

namespace faxengine::class1 {

// The rates a modulation list ("24,48,72,73,74,96,97,98,121,122,145,146") names; the two
// V.27 ter rates always.
RateSet parseModulations(std::string_view list);

// Selects Class 1 and reads the modulation list into p.localRates, making the highest one
// the current rate. False when the modem refuses Class 1 (the rates stay as they were).
bool detectModulations(CommandChannel& ch, bool sending, ProtocolRecord& p);

// The receiver's rate: the highest one of the modem's that is not above `desiredBps`.
void limitReceiveRate(ProtocolRecord& p);

}  // namespace faxengine::class1
