// A process-wide hook through which tests make file writes fail or stop short, the way a
// full disk or a killed process would. The table engine's block file and every atomic
// file replacement consult it before each change they make on disk.
#pragma once

#include <string>

namespace base {

class FaultInjector {
 public:
  enum class Action {
    Proceed,     // do the operation
    ShortWrite,  // write half of the bytes, then fail with "no space"
    DiskFull,    // write nothing and fail with "no space"
    Fail,        // fail a rename or removal
    Crash,       // the process dies here: nothing more reaches the disk
  };
  virtual ~FaultInjector() = default;
  // op is "write", "truncate", "rename" or "remove".
  virtual Action before(const char* op, const std::string& path) = 0;
};

// Installs the injector for the whole process (nullptr removes it).
void setFaultInjector(FaultInjector* injector);

// Thrown when an injector simulates the death of the process; nothing written after
// that point reaches the disk until the injector is removed.
struct SimulatedCrash {};

// Asks the injector about an operation: Proceed, or the failure to simulate. The first
// Crash throws SimulatedCrash; every later change reports Crash without throwing again.
FaultInjector::Action consultFaultInjector(const char* op, const std::string& path);
// True after a simulated crash, until the injector is replaced.
bool simulatedCrashHappened();

}  // namespace base
