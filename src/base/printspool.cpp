#include "base/printspool.h"

#include <cstdlib>

#include "base/filenames.h"

namespace base {

namespace {
constexpr std::size_t kTitleBytes = 80;
}

std::string PrintSpoolRoot() {
  const char* dir = std::getenv("BRINDLE_SPOOL_DIR");
  return dir && *dir ? dir : "/var/spool/brindle";
}

std::string PrintSpoolFolder(std::string_view user) {
  return PrintSpoolRoot() + "/" + std::string(user);
}

std::string PrintJobFileName(std::string_view jobId, std::string_view title, std::string_view ext) {
  std::string safe;
  for (char c : title.substr(0, kTitleBytes)) {
    const auto u = static_cast<unsigned char>(c);
    safe += (c == '/' || u < 0x20 || u == 0x7f) ? '_' : c;
  }
  std::string name = std::string(jobId);
  if (!safe.empty()) name += " " + safe;
  return name + "." + std::string(ext);
}

std::string PrintJobTitle(std::string_view fileName) {
  const std::string stem = WithoutExtension(fileName);
  const auto space = stem.find(' ');
  return space == std::string::npos ? std::string() : stem.substr(space + 1);
}

}  // namespace base
