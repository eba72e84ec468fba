// Helper programs of the tests as child processes.
#include "child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

namespace faxengine::test {

ChildProcess::ChildProcess(const std::vector<std::string>& args, const std::string& errorFile) {
  int out[2];
  if (args.empty() || ::pipe(out) != 0) return;
  pid_ = ::fork();
  if (pid_ == 0) {
    ::dup2(out[1], 1);
    ::close(out[0]);
    ::close(out[1]);
    if (!errorFile.empty()) {
      int err = ::open(errorFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      if (err >= 0) ::dup2(err, 2);
    }
    std::vector<std::string> copy = args;
    std::vector<char*> argv;
    for (auto& a : copy) argv.push_back(a.data());
    argv.push_back(nullptr);
    ::execv(argv[0], argv.data());
    ::_exit(127);
  }
  ::close(out[1]);
  out_ = out[0];
}

ChildProcess::~ChildProcess() {
  if (pid_ > 0) {
    ::kill(pid_, SIGTERM);
    if (!waitExit(5)) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
    }
  }
  if (out_ >= 0) ::close(out_);
}

std::vector<std::string> ChildProcess::readLines(
    const std::function<bool(const std::string&)>& done, int seconds) {
  std::vector<std::string> lines;
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  while (out_ >= 0 && std::chrono::steady_clock::now() < deadline) {
    std::size_t nl;
    while ((nl = pending_.find('\n')) != std::string::npos) {
      lines.push_back(pending_.substr(0, nl));
      pending_.erase(0, nl + 1);
      if (done(lines.back())) return lines;
    }
    pollfd p{out_, POLLIN, 0};
    if (::poll(&p, 1, 100) <= 0) continue;
    char buf[512];
    ssize_t n = ::read(out_, buf, sizeof buf);
    if (n <= 0) break;
    pending_.append(buf, std::size_t(n));
  }
  return lines;
}

bool ChildProcess::waitExit(int seconds) {
  if (pid_ <= 0) return true;
  for (int i = 0; i < seconds * 20; ++i) {
    if (::waitpid(pid_, nullptr, WNOHANG) == pid_) {
      pid_ = -1;
      return true;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return false;
}

}  // namespace faxengine::test
