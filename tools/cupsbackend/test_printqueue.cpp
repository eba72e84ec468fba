// The Brindle print queue through a private printing scheduler on a localhost port: the
// queue made by "brindlefax setup-printer", a PDF and a plain-text job printed with lp, each
// arriving in the printing user's spool folder as PDF that only that user can read. The
// backend's refusals are checked by running it the way the scheduler does.
#include "scheduler_rig.h"

#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>

namespace {

using namespace printtest;

const std::string kBackend = BRINDLE_BACKEND;
const std::string kPrintingUser = "nobody";

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

fs::path MakePdf(const fs::path& folder, const std::string& text) {
  const fs::path pdf = folder / "printed.pdf";
  Shell("gs -q -dSAFER -sDEVICE=pdfwrite -o " + Quote(pdf.string()) +
        " -c '/Helvetica findfont 24 scalefont setfont 72 700 moveto (" + text +
        ") show showpage'");
  return pdf;
}

struct BackendRun {
  int status;
  std::string messages;
};

// Runs the backend as the scheduler would, with the job on standard input.
BackendRun RunBackend(const fs::path& spool, const std::string& args, const fs::path& input) {
  const fs::path log = spool.parent_path() / "backend.log";
  const int status =
      Shell("BRINDLE_SPOOL_DIR=" + Quote(spool.string()) + " " + Quote(kBackend) + " " + args +
            " < " + Quote(input.string()) + " 2> " + Quote(log.string()));
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

class PrivateSchedulerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (const std::string why = PrivateScheduler::Missing(); !why.empty()) GTEST_SKIP() << why;
    if (!getpwnam(kPrintingUser.c_str())) GTEST_SKIP() << "no user " << kPrintingUser;
    ASSERT_TRUE(scheduler_.Start()) << "the scheduler did not start\n" << scheduler_.ErrorLog();
  }
  void TearDown() override {
    if (HasFailure()) std::cerr << scheduler_.ErrorLog();
  }

  // Prints a file as the printing user and returns the job as it arrived in their folder.
  fs::path Print(const fs::path& file, const std::string& title) {
    const fs::path folder = scheduler_.spool() / kPrintingUser;
    const std::size_t before = Jobs(folder).size();
    EXPECT_TRUE(scheduler_.Submit(file, title, kPrintingUser));
    // Until the job arrived, or the scheduler has finished with it (it failed).
    if (!scheduler_.WaitFor([&] { return Jobs(folder).size() > before || !scheduler_.Busy(); }))
      return {};
    for (const fs::path& job : Jobs(folder))
      if (job.filename().string().find(title) != std::string::npos) return job;
    return {};
  }

  PrivateScheduler scheduler_;
  const fs::path& dir_ = scheduler_.dir();
};

TEST_F(PrivateSchedulerTest, PrintedJobsWaitAsPdfForTheUserAlone) {
  ASSERT_TRUE(scheduler_.MakeQueue());
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
    struct stat file {
    }, folder{};
    ASSERT_EQ(stat(job.c_str(), &file), 0);
    ASSERT_EQ(stat(job.parent_path().c_str(), &folder), 0);
    EXPECT_EQ(file.st_uid, pw->pw_uid);
    EXPECT_EQ(file.st_mode & 0777, 0600u);
    EXPECT_EQ(folder.st_uid, pw->pw_uid);
    EXPECT_EQ(folder.st_mode & 0777, 0700u);
    EXPECT_EQ(ReadFile(job).rfind("%PDF-", 0), 0u);
    if (!c.words.empty()) {
      EXPECT_NE(TextOf(job).find(c.words), std::string::npos);
    }
    EXPECT_TRUE(HasInk(job));
  }
}

}  // namespace
