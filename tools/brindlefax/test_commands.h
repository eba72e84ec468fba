// Shared pieces of the brindlefax tests: running a subcommand with captured output, and
// reading the portable bitmaps export writes.
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

// Reads a P4 portable bitmap (rows of whole bytes).
inline faximage::MonoBitmap readPbm(const std::string& file) {
  auto bytes = faximage::test::readFile(file);
  std::istringstream in(std::string(bytes.begin(), bytes.end()));
  std::string magic;
  int w = 0, h = 0;
  in >> magic >> w >> h;
  in.get();
  faximage::MonoBitmap b(w, h);
  for (int y = 0; y < h; ++y) in.read(reinterpret_cast<char*>(b.row(y)), (w + 7) / 8);
  return b;
}

}  // namespace brindlefax::test
