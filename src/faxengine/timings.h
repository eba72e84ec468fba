// Every time-out and pause of the fax dialogues, in one table. Time-outs are in ticks of
// 55 ms (the reply timer's unit), pauses in milliseconds (the pause timer's unit). Each
// entry says where its figure comes from; the dialogues use these names only.
#pragma once

#include "faxengine/ticks.h"

namespace faxengine::timing {

// ---- Class 2 and 2.0 limits ------------------------------------------------------------
// Pages the far end refuses are sent again at most twice in one fax (each page at most
// three times); the third refusal ends the fax.
inline constexpr int kClass2Resends = 2;

// ---- Reply time-outs (ticks) ------------------------------------------------------------
// Any command's reply, and the default ReplyTimeout: 10 s, long enough for the slowest
// modem to answer a set-up command.
inline constexpr Ticks kReply = 182;
// "AT+FDT" until a Class 2 modem is ready for page data: 30 s, the time the modem may take
// to negotiate and train with the far end before it says CONNECT.
inline constexpr Ticks kAfterFdt = 546;
// Page data and the exchange after a page, and the default PageTimeout: 60 s, a page at
// the slowest rate with room for the far end's printing.
inline constexpr Ticks kPage = 1092;
// The XON a Class 2 modem sends after CONNECT before it takes page data: 1 s; without it
// the page goes out all the same.
inline constexpr Ticks kXonWait = 18;
// From "ATA" to the connection report: 60 s, the far end's whole call set-up (its own
// answer tone detection and its repeated capability frames).
inline constexpr Ticks kAnswer = 1092;
// The "OK" to "ATH" that ends a Class 1 call: about 1.4 s; a modem that stays silent is
// hung up by DTR instead.
inline constexpr Ticks kHangUpReply = 26;
// An abort while page data flows: the modem's answer to the end of the data, and then to
// the session abort command. 20 s: the modem first sends what its own buffer holds (a few
// kilobytes take over 10 s at 2400 bit/s); a modem that stays silent is hung up by DTR.
inline constexpr Ticks kAbortDataEnd = 364;
// The rest of the wait after a modem's modulation list (its "OK" follows at once): 2 s.
inline constexpr Ticks kModulationList = 36;

// ---- The line's error rules in Class 1 (ticks) -----------------------------------------
// T.30's timers, run by the engine itself in Class 1. A station that sent a command and
// hears no good response within T4 sends the command again; a station that waits for a
// command listens for T2, since the other side repeats its command after its own T4.
// T1: the whole set-up of the call. The answering side repeats its DIS this long; the
// calling side waits this long for a DIS it can read. 35 s.
inline constexpr Ticks kT1 = 636;
// T2: a command after our response (the page after CFR, the post-page command after the
// page, the next command after MCF), and after a damaged frame, which the far end repeats
// once its T4 has run out. 6 s.
inline constexpr Ticks kT2 = 109;
// T4: the response to a command we sent (DIS, DCS with its training check, MPS, EOP). 3 s.
inline constexpr Ticks kT4 = 54;
// The answer to a Class 1 command frame: T4.
inline constexpr Ticks kResponse = kT4;
// How often DCS with its training check goes out at one rate with no response before the
// call is given up, and the same for MPS and EOP.
inline constexpr int kCommandTries = 3;

// ---- Copy quality ------------------------------------------------------------------------
// A Class 1 page is poor, and answered RTN, when more than 5 % of its rows are bad (the
// share common receivers use), or when a run of bad rows is longer than about 4 mm of paper
// (a line of text that cannot be read): 16 rows at standard resolution, 32 at fine.
inline constexpr int kPoorBadRowPercent = 5;
inline constexpr int kPoorBadRunStandard = 16;
inline constexpr int kPoorBadRunFine = 32;
// Poor copies of one page answered RTN; the next one is confirmed and kept repaired (the
// sender itself gives up after three tries as a rule).
inline constexpr int kPoorCopyRetries = 3;

// ---- Pauses (milliseconds) --------------------------------------------------------------
// Before every command: the modem needs a moment after its last reply before it reads the
// next command line.
inline constexpr int kCommandPauseMs = 100;
// Before the Class 1 data and frame commands ("AT+FTM=", "AT+FRM=", "AT+FTH=", "AT+FRH="):
// shorter, so the far end's carrier is not missed.
inline constexpr int kShortCommandPauseMs = 40;
// Before a Class 1 frame's bytes: the modem starts its flag preamble on CONNECT.
inline constexpr int kFramePauseMs = 20;
// Between receiving and sending a signal in Class 1: T.30's turn-around silence (75 ms
// and more), rounded up for slow modems.
inline constexpr int kTurnPauseMs = 200;
// After the page's carrier before MPS or EOP: the far end needs time to end its page.
inline constexpr int kPostPagePauseMs = 500;
// After the training check's carrier before CFR or FTT goes out: the carrier has dropped.
inline constexpr int kTcfEndPauseMs = 20;
// Before and after "+++" and after "ATH": the modem's escape guard time is 1 s.
inline constexpr int kEscapeGuardMs = 1000;
// DTR and RTS low, then high again: 500 ms is more than any modem needs to see the drop.
inline constexpr int kLineDropMs = 500;
// Before a change of the port's speed: 9 ticks (about 0.5 s) for the modem's last reply
// to leave the line.
inline constexpr int kBaudSettleMs = int(ticksToMs(9));

// ---- Error correction (Class 1) ---------------------------------------------------------
// Flags before the first frame of a block of page data: 200 ms, for the far end to find
// the frames' octets after the training.
inline constexpr int kEcmPreambleMs = 200;
// A receiver that is not ready (RNR) is asked again (RR) after 1 s, for at most 60 s in
// all (T.30's T5); then the fax fails.
inline constexpr int kReadyAskPauseMs = 1000;
inline constexpr Ticks kReceiverReady = 1092;

}  // namespace faxengine::timing
