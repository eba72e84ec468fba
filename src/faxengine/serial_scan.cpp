// The serial device scan over /dev, /dev/serial/by-id and /sys/class/tty.
#include "faxengine/serial_scan.h"

#include <fcntl.h>
#include <linux/serial.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <fstream>

namespace faxengine {

namespace fs = std::filesystem;

namespace {

constexpr const char* kKinds[] = {"ttyS", "ttyACM", "ttyUSB"};

int accessErrorOf(const SerialScanRoots& roots, const std::string& path) {
  if (roots.accessError) return roots.accessError(path);
  return ::access(path.c_str(), R_OK | W_OK) == 0 ? 0 : errno;
}

bool isCharDevice(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISCHR(st.st_mode);
}

// The number after a kind's prefix, or -1 when the rest is not all digits.
int numberAfter(const std::string& name, const std::string& prefix) {
  if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0) return -1;
  const std::string digits = name.substr(prefix.size());
  if (digits.size() > 6 || !std::all_of(digits.begin(), digits.end(), ::isdigit)) return -1;
  return std::stoi(digits);
}

// The system lists an 8250-style port for every ttyS node, whether a UART answers there
// or not; its type, 0 for none, tells. Without that file a trial open asks the driver.
bool uartAnswers(const SerialScanRoots& roots, const std::string& name, const std::string& path,
                 int accessError) {
  std::ifstream type(roots.sys + "/class/tty/" + name + "/type");
  int t = 0;
  if (type >> t) return t != 0;
  if (accessError != 0) return accessError == EACCES || accessError == EPERM;
  const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return errno == EACCES || errno == EPERM;
  serial_struct info{};
  const bool known = ::ioctl(fd, TIOCGSERIAL, &info) != 0 || info.type != PORT_UNKNOWN;
  ::close(fd);
  return known;
}

std::string resolved(const std::string& path) {
  std::error_code ec;
  const fs::path p = fs::canonical(path, ec);
  return ec ? std::string() : p.string();
}

}  // namespace

std::string ReadableByIdName(const std::string& fileName) {
  std::string s = fileName;
  for (const char* bus : {"usb-", "pci-", "platform-"})
    if (s.rfind(bus, 0) == 0) s.erase(0, std::char_traits<char>::length(bus));
  const std::size_t iface = s.rfind("-if");
  if (iface != std::string::npos && iface > 0) s.erase(iface);
  std::replace(s.begin(), s.end(), '_', ' ');
  return s;
}

std::vector<SerialDeviceEntry> ScanSerialDevices(const SerialScanRoots& roots) {
  std::vector<std::pair<std::pair<int, int>, SerialDeviceEntry>> found;  // (kind, number), device
  std::error_code ec;
  for (const fs::directory_entry& e : fs::directory_iterator(roots.dev, ec)) {
    const std::string name = e.path().filename().string();
    for (int kind = 0; kind < 3; ++kind) {
      const int number = numberAfter(name, kKinds[kind]);
      const std::string path = e.path().string();
      if (number < 0 || !isCharDevice(path)) continue;
      SerialDeviceEntry d;
      d.path = path;
      d.accessError = accessErrorOf(roots, path);
      if (kind == 0 && !uartAnswers(roots, name, path, d.accessError)) continue;
      found.push_back({{kind, number}, d});
    }
  }
  std::sort(found.begin(), found.end(),
            [](const auto& a, const auto& b) { return a.first < b.first; });
  std::vector<SerialDeviceEntry> devices;
  for (auto& f : found) devices.push_back(std::move(f.second));

  for (const fs::directory_entry& e : fs::directory_iterator(roots.dev + "/serial/by-id", ec)) {
    const std::string target = resolved(e.path().string());
    for (SerialDeviceEntry& d : devices) {
      if (target.empty() || !d.byIdPath.empty() || resolved(d.path) != target) continue;
      d.byIdPath = e.path().string();
      d.name = ReadableByIdName(e.path().filename().string());
    }
  }
  return devices;
}

void MarkComDevices(std::vector<SerialDeviceEntry>& devices,
                    const std::array<std::string, kComDeviceCount>& comPaths,
                    const SerialScanRoots& roots) {
  for (int n = 1; n <= kComDeviceCount; ++n) {
    const std::string& path = comPaths[std::size_t(n - 1)];
    const std::string target = path.empty() ? std::string() : resolved(path);
    if (target.empty() || !isCharDevice(target)) continue;
    auto same = std::find_if(devices.begin(), devices.end(), [&](const SerialDeviceEntry& d) {
      return resolved(d.path) == target;
    });
    if (same == devices.end()) {
      SerialDeviceEntry d;
      d.path = path;
      d.accessError = accessErrorOf(roots, path);
      devices.push_back(d);
      same = devices.end() - 1;
    }
    same->comNumbers.push_back(n);
  }
}

std::string PathToMap(const SerialDeviceEntry& device) {
  return device.byIdPath.empty() ? device.path : device.byIdPath;
}

}  // namespace faxengine
