// A pseudo-terminal pair for port tests: the port opens the slave path; the test plays
// the far end on the master descriptor.
#pragma once

#include <chrono>
#include <functional>
#include <string>

namespace faxengine::test {

class Pty {
 public:
  Pty();
  ~Pty();
  Pty(const Pty&) = delete;
  Pty& operator=(const Pty&) = delete;

  const std::string& path() const { return path_; }
  int master() const { return master_; }

  void write(const std::string& bytes);
  // Reads what arrives until `count` bytes came or `quiet` passes without a byte.
  std::string read(std::size_t count,
                   std::chrono::milliseconds quiet = std::chrono::milliseconds(500));

 private:
  int master_ = -1;
  std::string path_;
};

// Closes a port when the test's scope ends, before the locals its handlers use.
template <class Port>
struct ClosesAtEnd {
  Port& port;
  ~ClosesAtEnd() { port.Close(); }
};

// Polls pred every millisecond until it holds or `limit` passes; returns pred().
bool waitFor(const std::function<bool()>& pred,
             std::chrono::milliseconds limit = std::chrono::milliseconds(3000));

}  // namespace faxengine::test
