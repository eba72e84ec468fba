// Types the serial port shares with its users: line and flow settings, trace and log
// states, trigger messages and kinds, modem-status and line-error bits, handler types.
#pragma once

#include <cstdint>
#include <functional>

namespace faxengine {

enum class TDeviceLayer { dlNone, dlComm, dlFossil, dlWin32, dlWinsock, dlOther };
enum class TParity { pNone, pOdd, pEven, pMark, pSpace };
enum class TDispatcherMode { dNone, dTimer, dCommEvents, dAuto, dWin32 };
enum class TSWFlowOptions { swfNone, swfReceive, swfTransmit, swfBoth };
enum class TTraceLogState { tlOff, tlOn, tlDump, tlAppend, tlClear, tlPause };
enum class TTapiMode { tmNone, tmAuto, tmOn, tmOff };

// Bits of the set THWFlowOptions.
enum THWFlowOption : unsigned {
  hwfUseDTR = 1,      // drop DTR to stop the sender (not available on Linux: ignored)
  hwfUseRTS = 2,      // drop RTS to stop the sender
  hwfRequireDSR = 4,  // send only while DSR is up (not available on Linux: ignored)
  hwfRequireCTS = 8,  // send only while CTS is up
};
using THWFlowOptions = unsigned;

// Trigger messages. Handlers get (message, trigger handle, data); data carries the port
// handle in its high 16 bits and the value in its low 16 bits (see triggerValue()).
inline constexpr unsigned kTriggerAvail = 0x7E01;        // value: bytes waiting; handle 0
inline constexpr unsigned kTriggerData = 0x7E02;         // value: length of the match
inline constexpr unsigned kTriggerTimer = 0x7E03;        // value: 0
inline constexpr unsigned kTriggerModemStatus = 0x7E04;  // value: modem status byte
inline constexpr unsigned kTriggerLineError = 0x7E05;    // value: line-error bits
inline constexpr unsigned kTriggerOutbuffFree = 0x7E06;  // value: free output space (capped)
inline constexpr unsigned kTriggerOutbuffUsed = 0x7E07;  // value: bytes still queued
inline constexpr unsigned kTriggerOutSent = 0x7E08;      // value: 0

constexpr unsigned triggerValue(std::uint32_t data) { return data & 0xFFFF; }
constexpr unsigned triggerPort(std::uint32_t data) { return data >> 16; }

// Kinds of status trigger (NewStatusTrigger) and what ArmStatusTrigger's value means.
inline constexpr int stModem = 1;        // value: mask of modem-status bits; fires on a change
inline constexpr int stLine = 2;         // value: mask of line-error bits; fires on an error
inline constexpr int stOutBuffFree = 3;  // value: fires when at least this much space is free
inline constexpr int stOutBuffUsed = 4;  // value: fires when at most this many bytes are queued
inline constexpr int stOutSent = 5;      // fires when the queue and the device have sent all

// Modem status bits (the high nibble holds the lines, the low nibble what changed).
inline constexpr unsigned msDeltaCTS = 0x01;
inline constexpr unsigned msDeltaDSR = 0x02;
inline constexpr unsigned msTrailingRI = 0x04;
inline constexpr unsigned msDeltaDCD = 0x08;
inline constexpr unsigned msCTS = 0x10;
inline constexpr unsigned msDSR = 0x20;
inline constexpr unsigned msRI = 0x40;
inline constexpr unsigned msDCD = 0x80;  // carrier detect

// Line-error bits.
inline constexpr unsigned leOverrun = 0x02;
inline constexpr unsigned leParity = 0x04;
inline constexpr unsigned leFraming = 0x08;
inline constexpr unsigned leBreak = 0x10;
inline constexpr unsigned leBufferOverflow = 0x20;  // the driver dropped input
// The device has gone (a USB modem unplugged, the line hung up for good). It stays set:
// a line-error trigger armed for it afterwards fires at once.
inline constexpr unsigned leDeviceLost = 0x400;

// A trigger handler: message, trigger handle, data (port << 16 | value).
using TTriggerHandler = std::function<void(unsigned msg, int triggerHandle, std::uint32_t data)>;

}  // namespace faxengine
