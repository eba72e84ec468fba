// What the print queue tests share: small shell and file helpers, and a private printing
// scheduler with its own configuration, spool, logs and a copy of the backend, on a free
// localhost port, stopped and removed with the object.
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <string>
#include <vector>

namespace printtest {

namespace fs = std::filesystem;

std::string Quote(const std::string& s);
int Shell(const std::string& command);  // the command's exit status, -1 when it did not end
std::string ReadFile(const fs::path& path);
void WriteFile(const fs::path& path, const std::string& text);
// A fresh folder that the scheduler's helpers (running as lp) can enter; empty on failure.
fs::path TempFolder();
// Finished jobs in a spool folder (not the files still being written, which start with a dot).
std::vector<fs::path> Jobs(const fs::path& folder);

class PrivateScheduler {
 public:
  // Why no scheduler can run here (programs missing, not root); empty when one can.
  static std::string Missing();

  PrivateScheduler();
  ~PrivateScheduler();
  PrivateScheduler(const PrivateScheduler&) = delete;
  PrivateScheduler& operator=(const PrivateScheduler&) = delete;

  // Starts the scheduler and waits until it answers; false when it ended instead.
  bool Start();
  // Polls until `ready` holds or the scheduler ends; a slow machine only makes it wait longer.
  template <class Ready>
  bool WaitFor(Ready ready) {
    for (int i = 0; i < 6000; ++i) {
      if (ready()) return true;
      if (!Running()) return false;
      Pause();
    }
    return false;
  }
  // Makes the "Brindle" queue with "brindlefax setup-printer"; true when that succeeded.
  bool MakeQueue();
  // Hands a file to lp for the queue "Brindle" as `user`; true when lp took it.
  bool Submit(const fs::path& file, const std::string& title, const std::string& user);
  // Whether jobs are still waiting in or being sent by the queue.
  bool Busy() const;
  std::string ErrorLog() const { return ReadFile(dir_ / "log/error_log"); }

  const fs::path& dir() const { return dir_; }
  const fs::path& spool() const { return spool_; }  // the backend's spool root
  const std::string& server() const { return server_; }

 private:
  void Configure();
  bool Running();
  static void Pause();

  fs::path dir_, spool_;
  std::string server_;
  pid_t pid_ = -1;
};

}  // namespace printtest
