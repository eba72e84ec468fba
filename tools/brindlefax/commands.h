// The brindlefax subcommands. Each takes its arguments (after the subcommand name) and the
// streams to write to, and returns the process exit code: 0 on success, 1 when the operation
// failed (the message uses the engine's error texts), 2 for a usage error.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace brindlefax {

using Args = std::vector<std::string>;

struct Command {
  const char* name;
  const char* usage;
  int (*run)(const Args& args, std::ostream& out, std::ostream& err);
};

int runInfo(const Args& args, std::ostream& out, std::ostream& err);
int runConvert(const Args& args, std::ostream& out, std::ostream& err);
int runExport(const Args& args, std::ostream& out, std::ostream& err);

}  // namespace brindlefax
