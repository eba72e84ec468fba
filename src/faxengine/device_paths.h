// Which device stands behind "Com n". The application fills the table from the settings
// file's [Ports] section (Com1..Com6) at start-up; until then the defaults hold.
#pragma once

#include <array>
#include <string>

namespace faxengine {

inline constexpr int kComDeviceCount = 6;

// The device path of Com n (1..6); "" for any other n.
std::string comDevicePath(int comNumber);
// Sets the path of Com n (1..6); an empty path restores the default. Thread-safe.
void setComDevicePath(int comNumber, const std::string& path);
// Sets Com1..Com6 at once, as read from the settings' [Ports] section.
void setComDevicePaths(const std::array<std::string, kComDeviceCount>& paths);
// The default path of Com n: /dev/ttyS0, /dev/ttyS1, /dev/ttyACM0, /dev/ttyACM1,
// /dev/ttyUSB0, /dev/ttyUSB1.
std::string defaultComDevicePath(int comNumber);

}  // namespace faxengine
