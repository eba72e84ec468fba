// The Brindle print queue through a private printing scheduler on a localhost port: the
// queue made by "brindlefax setup-printer", a PDF and a plain-text job printed with lp, each
// arriving in the printing user's spool folder as PDF that only that user can read. The
// backend's refusals are checked by running it the way the scheduler does.
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <pwd.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

namespace {

namespace fs = std::filesystem;

const std::string kBackend = BRINDLE_BACKEND;
const std::string kBrindlefax = BRINDLEFAX_PROGRAM;
const std::string kPpd = BRINDLE_PPD;
const std::string kPrintingUser = "nobody";

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

// The text pdftotext finds in a PDF.
std::string TextOf(const fs::path& pdf) {
  const fs::path text = pdf.parent_path() / "text.out";
  Shell("pdftotext " + Quote(pdf.string()) + " " + Quote(text.string()));
  return ReadFile(text);
}

// Whether the first page of a PDF, rendered in grey, has any dark pixels.
bool HasInk(const fs::path& pdf) {
  const fs::path page = pdf.parent_path() / "page";
  Shell("pdftoppm -gray -r 30 -singlefile " + Quote(pdf.string()) + " " + Quote(page.string()));
  std::ifstream in(page.string() + ".pgm", std::ios::binary);
  std::string magic;
  int width = 0, height = 0, depth = 0;
  in >> magic >> width >> height >> depth;
  in.get();
  for (char c; in.get(c);)
    if (static_cast<unsigned char>(c) < 128) return true;
  return false;
}

// Finished jobs in a spool folder (not the files still being written, which start with a dot).
std::vector<fs::path> Jobs(const fs::path& folder) {
  std::vector<fs::path> jobs;
  std::error_code ec;
  for (const auto& e : fs::directory_iterator(folder, ec))
    if (e.path().filename().string()[0] != '.') jobs.push_back(e.path());
  return jobs;
}

fs::path MakePdf(const fs::path& folder, const std::string& text) {
  const fs::path pdf = folder / "printed.pdf";
  Shell("gs -q -dSAFER -sDEVICE=pdfwrite -o " + Quote(pdf.string()) +
        " -c '/Helvetica findfont 24 scalefont setfont 72 700 moveto (" + text + ") show showpage'");
  return pdf;
}

struct BackendRun {
  int status;
  std::string messages;
};

// Runs the backend as the scheduler would, with the job on standard input.
BackendRun RunBackend(const fs::path& spool, const std::string& args, const fs::path& input) {
  const fs::path log = spool.parent_path() / "backend.log";
  const int status = Shell("BRINDLE_SPOOL_DIR=" + Quote(spool.string()) + " " + Quote(kBackend) +
                           " " + args + " < " + Quote(input.string()) + " 2> " + Quote(log.string()));
  return {status, ReadFile(log)};
}

class SpoolFolder : public ::testing::Test {
 protected:
  void SetUp() override {
    if (geteuid() != 0) GTEST_SKIP() << "the backend writes for other users only as root";
    if (!getpwnam(kPrintingUser.c_str())) GTEST_SKIP() << "no user " << kPrintingUser;
    dir_ = TempFolder();
    spool_ = dir_ / "spool";
  }
  void TearDown() override {
    if (!dir_.empty()) fs::remove_all(dir_);
  }
  fs::path dir_, spool_;
};

TEST_F(SpoolFolder, WithoutArgumentsTheBackendOffersItsDevice) {
  const BackendRun run{Shell(Quote(kBackend) + " > " + Quote((dir_ / "devices").string())), ""};
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(ReadFile(dir_ / "devices").rfind("direct brindle:/ ", 0), 0u);
}

// Jobs the backend must cancel, leaving nothing in the user's folder.
TEST_F(SpoolFolder, RefusedJobsLeaveNothingBehind) {
  const fs::path pdf = MakePdf(dir_, "Refused");
  const fs::path text = dir_ / "plain.txt";
  WriteFile(text, "plain text that no filter turned into PDF\n");
  struct Case {
    const char* what;
    std::string args;
    fs::path input;
  } cases[] = {
      {"neither PDF nor PostScript", "5 " + kPrintingUser + " t 1 ''", text},
      {"unknown user", "6 no-such-user-here t 1 ''", pdf},
      {"job id that is no number", "../7 " + kPrintingUser + " t 1 ''", pdf},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const BackendRun run = RunBackend(spool_, c.args, c.input);
    EXPECT_NE(run.status, 0);
    EXPECT_NE(run.messages.find("ERROR: "), std::string::npos) << run.messages;
    EXPECT_TRUE(Jobs(spool_ / kPrintingUser).empty());
  }
}

// A folder the user does not own (or that others can open) is not used for their jobs.
TEST_F(SpoolFolder, FolderOthersCanReachIsNotUsed) {
  const fs::path pdf = MakePdf(dir_, "Exposed");
  fs::create_directories(spool_ / kPrintingUser);
  fs::permissions(spool_, fs::perms(0755));
  for (const fs::perms mode : {fs::perms(0700), fs::perms(0755)}) {
    const passwd* pw = getpwnam(kPrintingUser.c_str());
    const bool users = mode == fs::perms(0755);
    ASSERT_EQ(chown((spool_ / kPrintingUser).c_str(), users ? pw->pw_uid : 0, 0), 0);
    fs::permissions(spool_ / kPrintingUser, mode);
    const BackendRun run = RunBackend(spool_, "8 " + kPrintingUser + " t 1 ''", pdf);
    EXPECT_NE(run.status, 0) << run.messages;
    EXPECT_TRUE(Jobs(spool_ / kPrintingUser).empty());
  }
}

// A private scheduler: its own configuration, spool, logs and a copy of the backend, on a
// free localhost port; stopped and removed when the test ends.
class PrivateScheduler : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* program : {"/usr/sbin/cupsd", "/usr/bin/lp", "/usr/sbin/lpadmin"})
      if (access(program, X_OK) != 0) GTEST_SKIP() << program << " is not installed (cups packages)";
    if (geteuid() != 0) GTEST_SKIP() << "the scheduler runs the backend as root only when it is root";
    if (!getpwnam(kPrintingUser.c_str())) GTEST_SKIP() << "no user " << kPrintingUser;
    dir_ = TempFolder();
    ASSERT_FALSE(dir_.empty());
    spool_ = dir_ / "brindle";
    Configure();
    Start();
  }

  void TearDown() override {
    if (pid_ > 0) {
      kill(pid_, SIGTERM);
      int status = 0;
      waitpid(pid_, &status, 0);
    }
    if (HasFailure() && !dir_.empty()) std::cerr << ReadFile(dir_ / "log/error_log");
    if (!dir_.empty()) fs::remove_all(dir_);
  }

  static int FreePort() {
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

  void Configure() {
    for (const char* sub : {"conf", "bin/backend", "spool/temp", "cache", "state", "log"})
      fs::create_directories(dir_ / sub);
    fs::create_directory_symlink("/usr/lib/cups/filter", dir_ / "bin/filter");
    fs::create_directory_symlink("/usr/lib/cups/daemon", dir_ / "bin/daemon");
    // Mode 0700: the scheduler runs such a backend as root.
    fs::copy_file(kBackend, dir_ / "bin/backend/brindle");
    fs::permissions(dir_ / "bin/backend/brindle", fs::perms(0700));
    server_ = "127.0.0.1:" + std::to_string(FreePort());
    const std::string d = dir_.string();
    WriteFile(dir_ / "conf/cups-files.conf",
              "ServerRoot " + d + "/conf\nServerBin " + d + "/bin\nRequestRoot " + d +
                  "/spool\nTempDir " + d + "/spool/temp\nCacheDir " + d + "/cache\nStateDir " +
                  d + "/state\nAccessLog " + d + "/log/access_log\nErrorLog " + d +
                  "/log/error_log\nPageLog " + d + "/log/page_log\nUser lp\nGroup lp\n"
                  "SystemGroup root\nFileDevice No\nSetEnv BRINDLE_SPOOL_DIR " + spool_.string() +
                  "\n");
    WriteFile(dir_ / "conf/cupsd.conf",
              "Listen " + server_ + "\nLogLevel debug\nBrowsing No\nWebInterface No\n"
              "DefaultAuthType None\n"
              "<Location />\nOrder Allow,Deny\nAllow all\n</Location>\n"
              "<Policy default>\n<Limit All>\nOrder Deny,Allow\n</Limit>\n</Policy>\n");
  }

  void Start() {
    pid_ = fork();
    if (pid_ == 0) {
      const std::string conf = (dir_ / "conf/cupsd.conf").string();
      const std::string files = (dir_ / "conf/cups-files.conf").string();
      execl("/usr/sbin/cupsd", "cupsd", "-f", "-c", conf.c_str(), "-s", files.c_str(), nullptr);
      _exit(127);
    }
    ASSERT_GT(pid_, 0);
    ASSERT_TRUE(WaitFor([&] { return Shell("lpstat -h " + server_ + " -r 2> /dev/null | grep -q \"is running\"") == 0; }))
        << "the scheduler did not start";
  }

  // Polls until `ready` holds or the scheduler ends; a slow machine only makes it wait longer.
  template <class Ready>
  bool WaitFor(Ready ready) {
    for (int i = 0; i < 6000; ++i) {
      if (ready()) return true;
      int status = 0;
      if (waitpid(pid_, &status, WNOHANG) == pid_) {
        pid_ = -1;
        return false;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
  }

  // Prints a file as the printing user and returns the job as it arrived in their folder.
  fs::path Print(const fs::path& file, const std::string& title) {
    const fs::path folder = spool_ / kPrintingUser;
    const std::size_t before = Jobs(folder).size();
    EXPECT_EQ(Shell("lp -h " + server_ + " -d Brindle -U " + kPrintingUser + " -t " + Quote(title) +
                    " " + Quote(file.string()) + " > /dev/null"),
              0);
    // Until the job arrived, or the scheduler has finished with it (it failed).
    const std::string queued = "lpstat -h " + server_ + " -o Brindle | grep -q .";
    if (!WaitFor([&] { return Jobs(folder).size() > before || Shell(queued) != 0; })) return {};
    for (const fs::path& job : Jobs(folder))
      if (job.filename().string().find(title) != std::string::npos) return job;
    return {};
  }

  fs::path dir_, spool_;
  std::string server_;
  pid_t pid_ = -1;
};

TEST_F(PrivateScheduler, PrintedJobsWaitAsPdfForTheUserAlone) {
  ASSERT_EQ(Shell(Quote(kBrindlefax) + " setup-printer --server " + server_ + " --ppd " + Quote(kPpd) +
                  " > /dev/null"),
            0);
  const fs::path text = dir_ / "notes.txt";
  WriteFile(text, "Delivery notes for Tuesday\n");
  struct Case {
    fs::path file;
    std::string title, words;  // words the job's text can be searched for; the text filter's
                               // fonts carry no character map, so its page is only seen inked
  } cases[] = {
      {MakePdf(dir_, "Invoice 2041 due"), "Invoice 2041", "Invoice 2041 due"},
      {text, "Notes", ""},
  };
  const passwd* pw = getpwnam(kPrintingUser.c_str());
  for (const Case& c : cases) {
    SCOPED_TRACE(c.title);
    const fs::path job = Print(c.file, c.title);
    ASSERT_FALSE(job.empty()) << "the job did not arrive";
    struct stat file {}, folder {};
    ASSERT_EQ(stat(job.c_str(), &file), 0);
    ASSERT_EQ(stat(job.parent_path().c_str(), &folder), 0);
    EXPECT_EQ(file.st_uid, pw->pw_uid);
    EXPECT_EQ(file.st_mode & 0777, 0600u);
    EXPECT_EQ(folder.st_uid, pw->pw_uid);
    EXPECT_EQ(folder.st_mode & 0777, 0700u);
    EXPECT_EQ(ReadFile(job).rfind("%PDF-", 0), 0u);
    if (!c.words.empty()) EXPECT_NE(TextOf(job).find(c.words), std::string::npos);
    EXPECT_TRUE(HasInk(job));
  }
}

}  // namespace
