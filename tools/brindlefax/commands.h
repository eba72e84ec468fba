// The brindlefax subcommands. Each takes its arguments (after the subcommand name) and the
// streams to write to, and returns the process exit code: 0 on success, 1 when the operation
// failed (the message uses the engine's error texts), 2 for a usage error.
#pragma once

#include <iosfwd>
#include <map>
#include <optional>
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
// Fax calls through a modem (built with the fax engine).
int runSend(const Args& args, std::ostream& out, std::ostream& err);
int runReceive(const Args& args, std::ostream& out, std::ostream& err);
int runClasses(const Args& args, std::ostream& out, std::ostream& err);
// Makes the "Brindle" print queue (lpadmin; root, unless --server names another scheduler).
int runSetupPrinter(const Args& args, std::ostream& out, std::ostream& err);
// Built only together with the main window (see CMakeLists.txt).
int runRender(const Args& args, std::ostream& out, std::ostream& err);

// Options of the form "-x VALUE" / "--name VALUE" or flags; the rest are positional.
struct Parsed {
  std::vector<std::string> positional;
  std::map<std::string, std::string> values;
  std::vector<std::string> flags;
  std::string error;
  bool has(const std::string& f) const;
  std::optional<std::string> value(const std::string& k) const;
};
Parsed parse(const Args& args, const std::vector<std::string>& withValue,
             const std::vector<std::string>& flags);
bool toUnsigned(const std::string& s, unsigned& out);
int fail(std::ostream& err, int code, const std::string& what);  // with the engine's error text
int usageError(std::ostream& err, const std::string& msg);

}  // namespace brindlefax
