// The modem simulator as a child process of a test.
#include "modem_sim.h"

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <thread>

#ifndef BRINDLE_MODEMSIM
#error "BRINDLE_MODEMSIM must name the simulator program"
#endif

namespace faxengine::test {

namespace {

// Reads lines from fd until READY or the deadline.
std::vector<std::string> readAnnouncements(int fd, int seconds) {
  std::vector<std::string> lines;
  std::string buf;
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  while (std::chrono::steady_clock::now() < deadline) {
    pollfd p{fd, POLLIN, 0};
    if (::poll(&p, 1, 100) <= 0) continue;
    char c[256];
    ssize_t n = ::read(fd, c, sizeof c);
    if (n <= 0) break;
    buf.append(c, std::size_t(n));
    std::size_t nl;
    while ((nl = buf.find('\n')) != std::string::npos) {
      lines.push_back(buf.substr(0, nl));
      buf.erase(0, nl + 1);
      if (lines.back() == "READY") return lines;
    }
  }
  return lines;
}

}  // namespace

ModemSim::ModemSim(const std::vector<std::string>& options) {
  std::vector<std::string> args = {BRINDLE_MODEMSIM, "--timeout", "240", "--outdir", out_.dir()};
  args.insert(args.end(), options.begin(), options.end());
  int out[2];
  if (::pipe(out) != 0) return;
  pid_ = ::fork();
  if (pid_ == 0) {
    ::dup2(out[1], 1);
    ::close(out[0]);
    ::close(out[1]);
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    ::execv(argv[0], argv.data());
    ::_exit(127);
  }
  ::close(out[1]);
  for (const std::string& l : readAnnouncements(out[0], 30)) {
    if (l.rfind("MODEM1 ", 0) == 0) modem1_ = l.substr(7);
    if (l.rfind("MODEM2 ", 0) == 0) modem2_ = l.substr(7);
  }
  out_fd_ = out[0];  // kept open: the simulator prints its exit line into it
}

ModemSim::~ModemSim() {
  if (pid_ <= 0) {
    if (out_fd_ >= 0) ::close(out_fd_);
    return;
  }
  ::kill(pid_, SIGTERM);
  int status = 0;
  for (int i = 0; i < 100 && ::waitpid(pid_, &status, WNOHANG) == 0; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  if (::waitpid(pid_, &status, WNOHANG) == 0) {
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, &status, 0);
  }
  if (out_fd_ >= 0) ::close(out_fd_);
}

bool ModemSim::waitExit(int seconds) {
  if (pid_ <= 0) return true;
  for (int i = 0; i < seconds * 20; ++i) {
    int status = 0;
    if (::waitpid(pid_, &status, WNOHANG) == pid_) {
      pid_ = -1;
      return true;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return false;
}

std::string ModemSim::summary(const std::string& expr) const { return query(expr); }

std::string ModemSim::query(const std::string& expr) const {
  std::string cmd = "python3 -c \"import json; s = json.load(open('" + out_.path("summary.json") +
                    "')); ev = [json.loads(l) for l in open('" + out_.path("events.jsonl") +
                    "')]; print(" + expr + ")\" 2>&1";
  std::string result;
  if (std::FILE* p = ::popen(cmd.c_str(), "r")) {
    char buf[512];
    while (std::fgets(buf, sizeof buf, p)) result += buf;
    ::pclose(p);
  }
  while (!result.empty() && (result.back() == '\n' || result.back() == '\r')) result.pop_back();
  return result;
}

Picture ModemSim::savedPage(int call, int page) const {
  std::ifstream f(
      out_.path("call" + std::to_string(call) + "-page" + std::to_string(page) + ".pbm"),
      std::ios::binary);
  std::string magic;
  int w = 0, h = 0;
  f >> magic >> w >> h;
  f.get();
  Picture rows;
  if (magic != "P4" || w <= 0) return rows;
  std::vector<unsigned char> row(std::size_t((w + 7) / 8));
  for (int y = 0; y < h && f.read(reinterpret_cast<char*>(row.data()), std::streamsize(row.size()));
       ++y) {
    std::string r;
    for (int x = 0; x < w; ++x) r += (row[std::size_t(x >> 3)] >> (7 - (x & 7))) & 1 ? 'X' : ' ';
    while (!r.empty() && r.back() == ' ') r.pop_back();
    rows.push_back(r);
  }
  return rows;
}

void writePbm(const std::string& path, const Picture& rows) {
  std::ofstream f(path, std::ios::binary);
  f << "P4\n1728 " << rows.size() << "\n";
  for (const std::string& r : rows) {
    std::vector<char> bytes(216, 0);
    for (std::size_t x = 0; x < r.size() && x < 1728; ++x)
      if (r[x] == 'X') bytes[x >> 3] = char(bytes[x >> 3] | (0x80 >> (x & 7)));
    f.write(bytes.data(), std::streamsize(bytes.size()));
  }
}

}  // namespace faxengine::test
