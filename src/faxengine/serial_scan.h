// Finding the serial devices of this computer, so that the user can choose which one
// "Com n" stands for: built-in ports with a UART behind them (ttyS), USB modems (ttyACM)
// and USB serial adapters (ttyUSB), with the readable names the system gives USB devices
// under serial/by-id. The folders searched are parameters, so that a test can lay out a
// device tree of its own.
#pragma once

#include "faxengine/device_paths.h"

#include <array>
#include <functional>
#include <string>
#include <vector>

namespace faxengine {

struct SerialScanRoots {
  std::string dev = "/dev";
  std::string sys = "/sys";
  // The errno that keeps this user from opening a device for reading and writing, 0 when
  // nothing does. Empty: access(2).
  std::function<int(const std::string& path)> accessError;
};

struct SerialDeviceEntry {
  std::string path;             // as found, e.g. /dev/ttyACM0
  std::string byIdPath;         // its stable name under serial/by-id, "" when none
  std::string name;             // that name made readable, "" when none
  int accessError = 0;          // 0, or why this user may not open it (EACCES)
  std::vector<int> comNumbers;  // the Com n that lead to it
};

// The devices present: ttyS ports whose UART the system knows, then ttyACM and ttyUSB
// devices, each kind in the order of its number.
std::vector<SerialDeviceEntry> ScanSerialDevices(const SerialScanRoots& roots = {});

// Notes on each device which of Com1..Com6 lead to it (by the file each resolves to), and
// appends, in Com order, the existing devices a Com n leads to that the scan did not list
// (a pseudo-terminal, a device under another name).
void MarkComDevices(std::vector<SerialDeviceEntry>& devices,
                    const std::array<std::string, kComDeviceCount>& comPaths,
                    const SerialScanRoots& roots = {});

// What Com n should store for a device: its by-id name when it has one, since the number
// of a USB device changes with the order in which devices are plugged in.
std::string PathToMap(const SerialDeviceEntry& device);

// "usb-Acme_Fax_Modem_42-if00" -> "Acme Fax Modem 42".
std::string ReadableByIdName(const std::string& fileName);

}  // namespace faxengine
