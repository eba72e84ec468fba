// The process-wide Com n to device table.
#include "faxengine/device_paths.h"

#include <array>
#include <mutex>

namespace faxengine {

namespace {

constexpr std::array<const char*, kComDeviceCount> kDefaults = {
    "/dev/ttyS0", "/dev/ttyS1", "/dev/ttyACM0", "/dev/ttyACM1", "/dev/ttyUSB0", "/dev/ttyUSB1"};

std::mutex tableMutex;
std::array<std::string, kComDeviceCount> table;  // "" = default

bool valid(int n) { return n >= 1 && n <= kComDeviceCount; }

}  // namespace

std::string defaultComDevicePath(int comNumber) {
  return valid(comNumber) ? kDefaults[comNumber - 1] : "";
}

std::string comDevicePath(int comNumber) {
  if (!valid(comNumber)) return "";
  std::lock_guard lock(tableMutex);
  const std::string& set = table[comNumber - 1];
  return set.empty() ? kDefaults[comNumber - 1] : set;
}

void setComDevicePath(int comNumber, const std::string& path) {
  if (!valid(comNumber)) return;
  std::lock_guard lock(tableMutex);
  table[comNumber - 1] = path;
}

void setComDevicePaths(const std::array<std::string, kComDeviceCount>& paths) {
  for (int n = 1; n <= kComDeviceCount; ++n) setComDevicePath(n, paths[std::size_t(n - 1)]);
}

}  // namespace faxengine
