// TFxComPort: a serial port as a component. Output is queued in a ring that an output
// thread writes; input lands in an 8192-byte dispatch ring that a dispatcher thread scans
// for data triggers, and it also runs timer and status triggers on a 50 ms tick. Handlers
// are procedures (called on the dispatcher thread) or "window" handlers, which run on the
// owner thread of an EventBridge. Operations return 0 (or a value) or a negative code.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "faxengine/clock.h"
#include "faxengine/event_bridge.h"
#include "faxengine/port_types.h"
#include "faxengine/ticks.h"

namespace faxengine {

class PortRecord;
class PortTrace;
class TFxCustomComPort;

using TTriggerEvent = std::function<void(TFxCustomComPort& sender, unsigned msg, int triggerHandle,
                                         std::uint32_t data)>;
using TTriggerAvailEvent = std::function<void(TFxCustomComPort& sender, int count)>;
using TTriggerHandleEvent = std::function<void(TFxCustomComPort& sender, int triggerHandle)>;
using TTriggerLineErrorEvent =
    std::function<void(TFxCustomComPort& sender, unsigned error, bool lineBreak)>;
using TNotifyEvent = std::function<void(TFxCustomComPort& sender)>;
using TWaitCharEvent = std::function<void(TFxCustomComPort& sender, char c)>;

inline constexpr int kMaxOpenPorts = 50;
inline constexpr int kDispatchBufferSize = 8192;
inline constexpr int kMaxDataTriggers = 20;
inline constexpr int kMaxTimerTriggers = 10;
inline constexpr int kMaxStatusTriggers = 10;

class TFxCustomComPort {
 public:
  TFxCustomComPort();
  virtual ~TFxCustomComPort();
  TFxCustomComPort(const TFxCustomComPort&) = delete;
  TFxCustomComPort& operator=(const TFxCustomComPort&) = delete;

  // ---- Settings (published properties with their defaults) -------------------------
  TDeviceLayer DeviceLayer = TDeviceLayer::dlWin32;
  int ComNumber = 0;       // Com n: the device comes from comDevicePath(n)
  std::string DevicePath;  // when set, opened instead of Com n (tools and tests)
  int InSize = 4096;       // kept for callers; Linux drivers size their own queues
  int OutSize = 4096;      // output ring size, taken at opening
  bool AutoOpen = true;    // open on first use
  TDispatcherMode DispatcherMode = TDispatcherMode::dWin32;
  bool UseEventWord = true;
  int CommNotificationLevel = 10;
  TTapiMode TapiMode = TTapiMode::tmAuto;
  int TraceSize = 10000;  // entries kept; taken when tracing starts
  int LogSize = 10000;
  std::string TraceName;
  std::string LogName;
  bool TraceHex = true;
  bool LogHex = true;

  // Settings that reach an open device at once. The line setters throw EFxException
  // with -3002 when the driver refuses the setting (the old setting stays).
  int Baud() const { return baud_; }
  void SetBaud(int baud);
  TParity Parity() const { return parity_; }
  void SetParity(TParity p);
  int DataBits() const { return dataBits_; }
  void SetDataBits(int bits);
  int StopBits() const { return stopBits_; }
  void SetStopBits(int bits);
  bool DTR() const { return dtr_; }
  void SetDTR(bool on);
  bool RTS() const { return rts_; }
  void SetRTS(bool on);
  THWFlowOptions HWFlowOptions() const { return hwFlow_; }
  void SetHWFlowOptions(THWFlowOptions o);
  TSWFlowOptions SWFlowOptions() const { return swFlow_; }
  void SetSWFlowOptions(TSWFlowOptions o);
  std::uint8_t XOnChar() const { return xon_; }
  void SetXOnChar(std::uint8_t c);
  std::uint8_t XOffChar() const { return xoff_; }
  void SetXOffChar(std::uint8_t c);
  // Input levels at which receive flow control stops and resumes the sender (0: 90 % and
  // 10 % of the dispatch ring).
  int BufferFull() const { return bufferFull_; }
  void SetBufferFull(int n);
  int BufferResume() const { return bufferResume_; }
  void SetBufferResume(int n);
  int TriggerLength() const { return triggerLength_; }
  int SetTriggerLength(int n);  // data available fires when at least n bytes wait; n >= 1

  // Trace and log: tlOn records (tlPause keeps what was recorded), tlDump writes the
  // file and stops, tlAppend appends to it and stops, tlClear empties and goes on.
  TTraceLogState Tracing() const;
  void SetTracing(TTraceLogState s);
  TTraceLogState Logging() const;
  void SetLogging(TTraceLogState s);
  // A "Special-" line in the trace and a free text entry in the log, for the users of
  // the port to mark what they are doing.
  void AddTraceEntry(std::string_view text);
  void AddLogEntry(std::string_view text);

  // The thread whose messages window handlers and the component's events run on, and
  // through which AwaitText lets messages run. Without one, events run on the dispatcher.
  EventBridge* Bridge = nullptr;
  // The clock for timers and time stamps (tests pass a FakeClock).
  const Clock* TimeSource = &steadyClock();

  // ---- Events (run through Bridge when it is set, else on the dispatcher thread) -----
  // Assign them before the port opens: the component listens only when one is set.
  TTriggerEvent OnTrigger;
  TTriggerAvailEvent OnTriggerAvail;
  TTriggerHandleEvent OnTriggerData;
  TTriggerHandleEvent OnTriggerStatus;
  TTriggerHandleEvent OnTriggerTimer;
  TTriggerLineErrorEvent OnTriggerLineError;
  TNotifyEvent OnTriggerModemStatus;
  TNotifyEvent OnTriggerOutbuffFree;
  TNotifyEvent OnTriggerOutbuffUsed;
  TNotifyEvent OnTriggerOutSent;
  TWaitCharEvent OnWaitChar;  // on the thread that calls AwaitText

  // ---- Opening and closing ------------------------------------------------------------
  bool Open() const;
  // Opens or closes; a failure to open throws EFxException with the code.
  void SetOpen(bool open);
  // The same, returning 0 or the negative code.
  int TryOpen();
  // Closing while a trigger is being delivered takes effect when the delivery returns.
  void Close();
  // The port's slot (0..49) while open, -1 otherwise.
  int Handle() const;
  // The device path the port opens (DevicePath, else the path of Com n).
  std::string DeviceName() const;
  // True once the open port's device has gone (a USB modem unplugged): nothing is read or
  // written any more, and line-error triggers armed for leDeviceLost fire. Close the port.
  bool DeviceLost() const;

  // ---- Output ------------------------------------------------------------------------
  // 0, or -3006 when the block is larger than the output ring, -3004 when the ring cannot
  // take it all now (nothing is queued then).
  int WriteChar(std::uint8_t c);
  int WriteText(std::string_view s);
  int WriteBlock(const void* data, int length);
  int OutputCount() const;
  int OutputSpace() const;
  int ClearOutput();

  // ---- Input -------------------------------------------------------------------------
  // A byte 0..255, or -3007 when none waits.
  int ReadChar();
  // Up to `length` waiting bytes; the count read (0 when none).
  int ReadBlock(void* data, int length);
  // The n-th waiting byte (n from 1) without removing it, or -3007.
  int PeekInput(int n) const;
  bool HasInput() const { return InputCount() > 0; }
  int InputCount() const;
  int ClearInput();
  // Reads characters as they arrive, raising OnWaitChar for each, until `text` has been
  // seen (true), the ticks have run out, or the program is quitting (false). With `yield`
  // the owner thread's messages run meanwhile. Trace and log are held during the wait.
  bool AwaitText(std::string_view text, Ticks ticks, bool yield, bool ignoreCase);

  // ---- Modem lines -------------------------------------------------------------------
  // False for a device without modem lines (a pseudo-terminal, some USB adapters): the
  // status then reads 0 (carrier unknown) and DTR/RTS changes do nothing.
  bool HasModemLines() const;
  std::uint8_t ModemStatus() const;
  bool CTS() const { return ModemStatus() & msCTS; }
  bool DSR() const { return ModemStatus() & msDSR; }
  bool RI() const { return ModemStatus() & msRI; }
  bool DCD() const { return ModemStatus() & msDCD; }

  // ---- Triggers ----------------------------------------------------------------------
  // New triggers give a handle (> 0), -5001 when no slot is free; other failures -1001
  // (port not open). Data triggers fire when `text` arrives; timers once per arming.
  int NewDataTrigger(std::string_view text, bool ignoreCase = false);
  int NewTimerTrigger();
  int NewStatusTrigger(int kind);  // stModem .. stOutSent, else -1002
  int DropTrigger(int handle);     // 0 or -5003
  int ArmTimerTrigger(int handle, Ticks ticks, bool active = true);
  // Arms a timer to the millisecond; it fires once, `ms` after now.
  int ArmTimerTriggerMs(int handle, std::uint64_t ms);
  int ArmStatusTrigger(int handle, unsigned value, bool active = true);

  // ---- Handlers ----------------------------------------------------------------------
  // Procedure handlers run on the dispatcher thread; window handlers on the bridge's
  // owner thread (waited for while that thread is busy; dropped when the program quits).
  // The newest handler is called first. A handler may read the bytes a delivery announces;
  // after the delivery the input advances by the most that any handler read. Returns an
  // id > 0.
  int AttachHandler(TTriggerHandler proc);
  int AttachWindowHandler(EventBridge& bridge, TTriggerHandler handler);
  int DetachHandler(int id);  // 0 or -1001
  // Runs fn between two deliveries on the dispatcher thread and waits for it (letting
  // the owner thread's messages run), so it never overlaps a handler of this port. Runs
  // at once when called from inside a delivery or when the port is closed.
  void RunSerialized(const std::function<void()>& fn);

  // ---- Flow control while a session runs ----------------------------------------------
  int SWFlowEnable(TSWFlowOptions options, int bufferFull = 0, int bufferResume = 0);
  int SWFlowDisable();
  int HWFlowEnable(THWFlowOptions options, int bufferFull = 0, int bufferResume = 0);
  int HWFlowDisable();

 protected:
  // Raises the component's events for one delivery.
  virtual void TriggerEvent(unsigned msg, int triggerHandle, std::uint32_t data);

 private:
  int ensureOpen();
  void applyLineSetting(const std::function<void()>& change);
  void finishDeferredClose();
  bool anyEventAssigned() const;

  int baud_ = 19200;
  TParity parity_ = TParity::pNone;
  int dataBits_ = 8;
  int stopBits_ = 1;
  bool dtr_ = true;
  bool rts_ = true;
  THWFlowOptions hwFlow_ = 0;
  TSWFlowOptions swFlow_ = TSWFlowOptions::swfNone;
  std::uint8_t xon_ = 17;
  std::uint8_t xoff_ = 19;
  int bufferFull_ = 0;
  int bufferResume_ = 0;
  int triggerLength_ = 1;
  std::shared_ptr<PortTrace> trace_;

  std::shared_ptr<PortRecord> port_;     // the open port
  std::shared_ptr<PortRecord> closing_;  // a port whose close waits for a delivery
};

class TFxComPort : public TFxCustomComPort {};

}  // namespace faxengine
