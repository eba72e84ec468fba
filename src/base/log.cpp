// The failure log goes to the error output, one line at a time.
#include "base/log.h"

#include <cstdio>
#include <string>

namespace base {

void LogFailure(std::string_view where, std::string_view what) {
  const std::string line = "brindle: " + std::string(where) + ": " + std::string(what) + "\n";
  std::fputs(line.c_str(), stderr);
}

}  // namespace base
