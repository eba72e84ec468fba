// Pseudo-terminal pairs and bounded waits for the port tests.
#include "pty.h"

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <unistd.h>

#include <stdexcept>
#include <thread>

namespace faxengine::test {

Pty::Pty() {
  master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0)
    throw std::runtime_error("no pseudo-terminal");
  path_ = ::ptsname(master_);
}

Pty::~Pty() {
  if (master_ >= 0) ::close(master_);
}

void Pty::write(const std::string& bytes) {
  for (std::size_t done = 0; done < bytes.size();) {
    ssize_t n = ::write(master_, bytes.data() + done, bytes.size() - done);
    if (n <= 0) throw std::runtime_error("pty write failed");
    done += std::size_t(n);
  }
}

std::string Pty::read(std::size_t count, std::chrono::milliseconds quiet) {
  std::string got;
  char buf[4096];
  while (got.size() < count) {
    pollfd p{master_, POLLIN, 0};
    if (::poll(&p, 1, int(quiet.count())) <= 0) break;
    ssize_t n = ::read(master_, buf, std::min(sizeof buf, count - got.size()));
    if (n <= 0) break;
    got.append(buf, std::size_t(n));
  }
  return got;
}

bool waitFor(const std::function<bool()>& pred, std::chrono::milliseconds limit) {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (!pred()) {
    if (std::chrono::steady_clock::now() >= end) return pred();
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

}  // namespace faxengine::test
