// brindlefax setup-printer: makes the "Brindle" print queue, whose jobs the brindle backend
// hands to Brindle as new faxes. The package's install script runs the same command.
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <ostream>

#include "commands.h"

extern char** environ;

namespace brindlefax {

namespace {

// Runs a program found on the PATH with the terminal's streams; its exit status, or -1
// when it cannot be started.
int RunProgram(const std::vector<std::string>& argv) {
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  pid_t pid = 0;
  if (posix_spawnp(&pid, args[0], nullptr, nullptr, args.data(), environ) != 0) return -1;
  int status = 0;
  while (waitpid(pid, &status, 0) < 0)
    if (errno != EINTR) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

int runSetupPrinter(const Args& args, std::ostream& out, std::ostream& err) {
  const Parsed p = parse(args, {"--server", "--ppd"}, {});
  if (!p.error.empty()) return usageError(err, p.error);
  if (!p.positional.empty()) return usageError(err, "setup-printer takes no file");
  const auto server = p.value("--server");
  // Another scheduler (a test's, a print server's) has its own rights; the machine's needs root.
  if (!server && geteuid() != 0) {
    err << "brindlefax: setting up the printer needs root; run it with sudo\n";
    return 1;
  }
  const std::string ppd = p.value("--ppd").value_or(BRINDLE_PRINTER_PPD);
  if (!std::ifstream(ppd)) {
    err << "brindlefax: the printer description " << ppd << " cannot be read\n";
    return 1;
  }
  std::vector<std::string> lpadmin{"lpadmin"};
  if (server) lpadmin.insert(lpadmin.end(), {"-h", *server});
  lpadmin.insert(lpadmin.end(), {"-p", "Brindle", "-E", "-v", "brindle:/", "-P", ppd, "-D",
                                 "Brindle fax", "-o", "printer-error-policy=abort-job", "-o",
                                 "printer-is-shared=false"});
  const int rc = RunProgram(lpadmin);
  if (rc < 0) {
    err << "brindlefax: lpadmin is not installed (Debian package cups-client)\n";
    return 1;
  }
  if (rc != 0) {
    err << "brindlefax: lpadmin could not make the printer (is the printing system running?)\n";
    return 1;
  }
  out << "The printer \"Brindle\" is ready: what is printed to it opens in Brindle as a new fax.\n";
  return 0;
}

}  // namespace brindlefax
