// One open serial device on Linux: opening without waiting for carrier, exclusive use,
// termios line and flow settings, modem lines where the driver has them, and the
// driver's error counters. Every failure is returned as the engine's error code.
#pragma once

#include <cstdint>
#include <string>

#include "base/fileowner.h"
#include "faxengine/port_types.h"

namespace faxengine {

struct LineSettings {
  int baud = 19200;
  TParity parity = TParity::pNone;
  int dataBits = 8;
  int stopBits = 1;
  THWFlowOptions hwFlow = 0;
  TSWFlowOptions swFlow = TSWFlowOptions::swfNone;
  std::uint8_t xon = 17;
  std::uint8_t xoff = 19;
};

// Counters of line errors kept by the driver (they only grow).
struct LineErrorCounts {
  std::uint32_t overrun = 0, parity = 0, framing = 0, brk = 0, bufferOverrun = 0;
  bool operator==(const LineErrorCounts&) const = default;
};

// The error code for an errno from opening a device.
int openErrorCode(int err);

class SerialDevice {
 public:
  SerialDevice() = default;
  ~SerialDevice() { close(); }
  SerialDevice(const SerialDevice&) = delete;
  SerialDevice& operator=(const SerialDevice&) = delete;

  // Opens the device for exclusive use in raw mode with the given settings: 0, -2001 (no
  // such device, or not a terminal), -2005 (in use), -2010 (permission), -3002 (settings
  // refused) or the negated errno.
  int open(const std::string& path, const LineSettings& line);
  void close();
  bool isOpen() const { return bool(fd_); }
  int fd() const { return fd_.get(); }

  // 0, or -3002 when the driver refuses (the previous settings stay).
  int applyLine(const LineSettings& line);

  bool hasLines() const { return hasLines_; }
  // Without lines both do nothing.
  void setDTR(bool on);
  void setRTS(bool on);
  // CTS, DSR, RI and DCD as modem-status bits; 0 without lines.
  std::uint8_t modemLines() const;
  // False when the driver keeps no counters.
  bool errorCounts(LineErrorCounts& out) const;
  // Bytes the driver still holds for sending.
  int driverOutputQueued() const;

  void flushInput();
  void flushOutput();
  // Sends the stop or the start character now (receive flow control).
  void sendStop();
  void sendStart();
  // Restarts output that a received stop character halted.
  void restartOutput();

 private:
  void setLine(int bit, bool on);

  base::UniqueFd fd_;
  bool hasLines_ = false;
};

}  // namespace faxengine
