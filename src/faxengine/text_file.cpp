// File helpers of the fax sessions.
#include "faxengine/text_file.h"

#include <sys/stat.h>

#include <cstdint>
#include <cstdio>
#include <ctime>

#include "base/asciitext.h"
#include "base/filenames.h"
#include "faximage/file_io.h"

namespace faxengine {

bool hasExtension(std::string_view name, std::string_view ext) {
  return base::HasExtension(name) && base::EqualsIgnoreCase(base::ExtensionOf(name), ext);
}

int readTextLines(const std::string& name, std::size_t maxLength, std::vector<std::string>& lines) {
  std::vector<std::uint8_t> bytes;
  int rc = faximage::readWholeFile(name, bytes);
  if (rc != 0) return rc;
  lines.clear();
  std::string line;
  bool pending = false;
  for (std::uint8_t b : bytes) {
    if (b == '\n') {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      if (line.size() > maxLength) line.resize(maxLength);
      lines.push_back(std::move(line));
      line.clear();
      pending = false;
      continue;
    }
    line.push_back(char(b));
    pending = true;
  }
  if (pending) {
    if (line.size() > maxLength) line.resize(maxLength);
    lines.push_back(std::move(line));
  }
  return 0;
}

namespace {

bool fileExists(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0;
}

// The first free name of the pattern (a counter 1..9999 in place of %04d), else NONAME.BRX.
std::string firstFreeName(const std::string& dir, const std::string& prefix,
                          const std::string& ext) {
  char buf[16];
  for (int n = 1; n <= 9999; ++n) {
    std::snprintf(buf, sizeof buf, "%04d", n);
    std::string name = dir + prefix + buf + "." + ext;
    if (!fileExists(name)) return name;
  }
  return dir + "NONAME.BRX";
}

}  // namespace

std::string receivedFileName(const std::string& dir, int fileNaming, const std::string& ext) {
  if (fileNaming == 1) return firstFreeName(dir, "FAX", ext);
  if (fileNaming == 2) {
    std::time_t now = std::time(nullptr);
    std::tm tm{};
    localtime_r(&now, &tm);
    char prefix[32];
    std::snprintf(prefix, sizeof prefix, "%02d%02d", tm.tm_mon + 1, tm.tm_mday);
    return firstFreeName(dir, prefix, ext);
  }
  return dir + "noname.brx";
}

}  // namespace faxengine
