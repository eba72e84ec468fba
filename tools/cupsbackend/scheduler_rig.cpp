#include "scheduler_rig.h"

#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <thread>

namespace printtest {

std::string Quote(const std::string& s) { return "'" + s + "'"; }

int Shell(const std::string& command) {
  const int status = std::system(command.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

void WriteFile(const fs::path& path, const std::string& text) { std::ofstream(path) << text; }

fs::path TempFolder() {
  std::string pattern = (fs::temp_directory_path() / "brindle-print-XXXXXX").string();
  if (!mkdtemp(pattern.data())) return {};
  fs::permissions(pattern, fs::perms(0755));  // the scheduler's helpers run as lp
  return pattern;
}

std::vector<fs::path> Jobs(const fs::path& folder) {
  std::vector<fs::path> jobs;
  std::error_code ec;
  for (const auto& e : fs::directory_iterator(folder, ec))
    if (e.path().filename().string()[0] != '.') jobs.push_back(e.path());
  return jobs;
}

namespace {

int FreePort() {
  const int s = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof a;
  bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
  getsockname(s, reinterpret_cast<sockaddr*>(&a), &len);
  close(s);
  return ntohs(a.sin_port);
}

}  // namespace

std::string PrivateScheduler::Missing() {
  for (const char* program : {"/usr/sbin/cupsd", "/usr/bin/lp", "/usr/sbin/lpadmin"})
    if (access(program, X_OK) != 0)
      return std::string(program) + " is not installed (cups packages)";
  if (geteuid() != 0) return "the scheduler runs the backend as root only when it is root";
  return {};
}

PrivateScheduler::PrivateScheduler() {
  dir_ = TempFolder();
  spool_ = dir_ / "brindle";
}

PrivateScheduler::~PrivateScheduler() {
  if (pid_ > 0) {
    kill(pid_, SIGTERM);
    int status = 0;
    waitpid(pid_, &status, 0);
  }
  std::error_code ec;
  if (!dir_.empty()) fs::remove_all(dir_, ec);
}

void PrivateScheduler::Configure() {
  for (const char* sub : {"conf", "bin/backend", "spool/temp", "cache", "state", "log"})
    fs::create_directories(dir_ / sub);
  fs::create_directory_symlink("/usr/lib/cups/filter", dir_ / "bin/filter");
  fs::create_directory_symlink("/usr/lib/cups/daemon", dir_ / "bin/daemon");
  // Mode 0700: the scheduler runs such a backend as root.
  fs::copy_file(BRINDLE_BACKEND, dir_ / "bin/backend/brindle");
  fs::permissions(dir_ / "bin/backend/brindle", fs::perms(0700));
  server_ = "127.0.0.1:" + std::to_string(FreePort());
  const std::string d = dir_.string();
  WriteFile(dir_ / "conf/cups-files.conf",
            "ServerRoot " + d + "/conf\nServerBin " + d + "/bin\nRequestRoot " + d +
                "/spool\nTempDir " + d + "/spool/temp\nCacheDir " + d + "/cache\nStateDir " + d +
                "/state\nAccessLog " + d + "/log/access_log\nErrorLog " + d +
                "/log/error_log\nPageLog " + d +
                "/log/page_log\nUser lp\nGroup lp\n"
                "SystemGroup root\nFileDevice No\nSetEnv BRINDLE_SPOOL_DIR " +
                spool_.string() + "\n");
  WriteFile(dir_ / "conf/cupsd.conf",
            "Listen " + server_ +
                "\nLogLevel debug\nBrowsing No\nWebInterface No\n"
                "DefaultAuthType None\n"
                "<Location />\nOrder Allow,Deny\nAllow all\n</Location>\n"
                "<Policy default>\n<Limit All>\nOrder Deny,Allow\n</Limit>\n</Policy>\n");
}

bool PrivateScheduler::Start() {
  if (dir_.empty()) return false;
  Configure();
  pid_ = fork();
  if (pid_ == 0) {
    const std::string conf = (dir_ / "conf/cupsd.conf").string();
    const std::string files = (dir_ / "conf/cups-files.conf").string();
    execl("/usr/sbin/cupsd", "cupsd", "-f", "-c", conf.c_str(), "-s", files.c_str(), nullptr);
    _exit(127);
  }
  if (pid_ < 0) return false;
  return WaitFor([&] {
    return Shell("lpstat -h " + server_ + " -r 2> /dev/null | grep -q \"is running\"") == 0;
  });
}

bool PrivateScheduler::Running() {
  int status = 0;
  if (pid_ <= 0) return false;
  if (waitpid(pid_, &status, WNOHANG) != pid_) return true;
  pid_ = -1;
  return false;
}

void PrivateScheduler::Pause() { std::this_thread::sleep_for(std::chrono::milliseconds(50)); }

bool PrivateScheduler::MakeQueue() {
  return Shell(Quote(BRINDLEFAX_PROGRAM) + " setup-printer --server " + server_ + " --ppd " +
               Quote(BRINDLE_PPD) + " > /dev/null") == 0;
}

bool PrivateScheduler::Submit(const fs::path& file, const std::string& title,
                              const std::string& user) {
  return Shell("lp -h " + server_ + " -d Brindle -U " + user + " -t " + Quote(title) + " " +
               Quote(file.string()) + " > /dev/null") == 0;
}

bool PrivateScheduler::Busy() const {
  return Shell("lpstat -h " + server_ + " -o Brindle | grep -q .") == 0;
}

}  // namespace printtest
