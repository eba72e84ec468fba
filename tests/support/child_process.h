// A helper program run by a test as a child process: started with its arguments, its
// standard output read line by line with a deadline, stopped by its process id.
#pragma once

#include <sys/types.h>

#include <functional>
#include <string>
#include <vector>

namespace faxengine::test {

class ChildProcess {
 public:
  // Starts args[0] with the arguments; its standard output comes to this object, its
  // error output goes to errorFile when one is named.
  explicit ChildProcess(const std::vector<std::string>& args, const std::string& errorFile = "");
  ~ChildProcess();  // SIGTERM, then SIGKILL when it does not go
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  bool started() const { return pid_ > 0; }
  // Reads lines until `done` accepts one, the output ends or `seconds` pass; returns them.
  std::vector<std::string> readLines(const std::function<bool(const std::string&)>& done,
                                     int seconds);
  // Waits for the program to end by itself; false when it is still running.
  bool waitExit(int seconds);

 private:
  pid_t pid_ = -1;
  int out_ = -1;
  std::string pending_;
};

}  // namespace faxengine::test
