// Shared pieces of the brindlefax tests: running a subcommand with captured output, and
// reading the portable bitmaps export writes (the image helpers' reader).
#pragma once

#include <sstream>
#include <string>

#include "commands.h"
#include "image_util.h"

namespace brindlefax::test {

struct Run {
  int code;
  std::string out, err;
};

inline Run run(int (*cmd)(const Args&, std::ostream&, std::ostream&), Args args) {
  std::ostringstream out, err;
  int code = cmd(args, out, err);
  return {code, out.str(), err.str()};
}

using faximage::test::readPbm;

}  // namespace brindlefax::test
