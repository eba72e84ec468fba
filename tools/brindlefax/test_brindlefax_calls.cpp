// brindlefax send, receive and classes against the modem simulator (and one call against
// the fax peer): what a user sees (exit code, messages, history, trace) for a good call each
// way and for a failed one. How each fault ends a call is the engine's, tested there.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "fax_pages.h"
#include "fax_peer.h"
#include "modem_sim.h"

#ifndef BRINDLEFAX_PROGRAM
#error "BRINDLEFAX_PROGRAM must name the brindlefax program"
#endif

using namespace faxengine::test;

namespace {

struct Result {
  int code = -1;
  std::string out, err;
};

std::string readText(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

// Runs brindlefax with the arguments; its output goes to files in dir.
Result brindlefax(const TempDir& dir, std::vector<std::string> args) {
  args.insert(args.begin(), BRINDLEFAX_PROGRAM);
  std::string out = dir.path("stdout.txt"), err = dir.path("stderr.txt");
  pid_t pid = ::fork();
  if (pid == 0) {
    ::dup2(::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), 1);
    ::dup2(::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), 2);
    ::alarm(200);  // never outlives a broken test
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    ::execv(argv[0], argv.data());
    ::_exit(127);
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  return {WIFEXITED(status) ? WEXITSTATUS(status) : 128, readText(out), readText(err)};
}

bool has(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

class BrindlefaxCalls : public ::testing::Test {
 protected:
  // A fax of `count` pages.
  std::string fax(int count, bool fine) {
    std::vector<TestPage> pages;
    for (int i = 0; i < count; ++i) pages.push_back({patternPicture(100, i + 5), fine});
    std::string path = dir_.path("fax" + std::to_string(n_++) + ".brx");
    writeBrx(path, pages);
    sent_ = pages;
    return path;
  }
  // Sends one fax through a simulator run with the scenario options.
  Result send(const std::vector<std::string>& simOptions, std::vector<std::string> extra,
              int pages = 1) {
    std::vector<std::string> options = {"--speed", "10"};
    options.insert(options.end(), simOptions.begin(), simOptions.end());
    sim_ = std::make_unique<ModemSim>(options);
    std::vector<std::string> args = {"send", "--device", sim_->modem1(), "--class", "2"};
    args.insert(args.end(), extra.begin(), extra.end());
    args.insert(args.end(), {"5551234", fax(pages, false)});
    return brindlefax(dir_, args);
  }

  TempDir dir_;
  std::unique_ptr<ModemSim> sim_;
  std::vector<TestPage> sent_;
  int n_ = 0;
};

TEST_F(BrindlefaxCalls, SendsFinePagesAndKeepsTheHistory) {
  ModemSim sim({"--speed", "10", "--exit-after-calls", "1"});
  std::string history = dir_.path("history.txt");
  Result r = brindlefax(dir_, {"send", "--device", sim.modem1(), "--class", "2", "--station-id",
                               "BRINDLE", "--header", "PAGE $P OF $N", "--rate", "14400",
                               "--history", history, "5551234", fax(3, true)});
  EXPECT_EQ(r.code, 0) << r.err;
  // Status lines between the first and the last are coalesced, so a short state may not
  // show; the progress must reach the last page.
  EXPECT_TRUE(has(r.out, "page 3 of 3")) << r.out;
  EXPECT_TRUE(has(r.out, "remote REMOTE FAX"));
  EXPECT_EQ(sim.summary("s['calls'][0]['rate']"), "14400");
  for (int p = 1; p <= 3; ++p)
    EXPECT_TRUE(rowsMatch(sim.savedPage(1, p), 24, sent_[std::size_t(p - 1)].rows)) << p;
  std::string h = readText(history);
  EXPECT_TRUE(has(h, "to 5551234 started at ")) << h;
  EXPECT_TRUE(has(h, "Transmit to REMOTE FAX finished OK at ")) << h;
}

// A Class 1 call to the independent fax peer, whose far end has 2-D coding: the progress
// line, the trace and the history say that the pages went in MR, without error correction.
// A coding brindlefax does not know is refused before the modem is touched.
TEST_F(BrindlefaxCalls, TheCodingOnTheLineIsShownTracedAndLogged) {
  if (!havePeer()) GTEST_SKIP() << "faxpeer is not built";
  FaxPeer peer({"--rx", dir_.path("in.tif"), "--speed", "2"});
  ASSERT_TRUE(peer.ready());
  std::string trace = dir_.path("trace.txt"), history = dir_.path("history.txt");
  std::string file = fax(1, false);
  Result r = brindlefax(dir_, {"send", "--device", peer.pty(), "--coding", "g4", "5551234", file});
  EXPECT_EQ(r.code, 2);
  EXPECT_TRUE(has(r.err, "--coding")) << r.err;
  r = brindlefax(
      dir_, {"send", "--device", peer.pty(), "--class", "1", "--rate", "14400", "--coding", "auto",
             "--trace", trace, "--history", history, "5551234", file});
  EXPECT_EQ(r.code, 0) << r.out << r.err;
  EXPECT_TRUE(has(r.out, "Sending page data, page 1 of 1, 14400 bps, MR, ECM off")) << r.out;
  EXPECT_TRUE(has(readText(trace), "coding MR, ECM off"));
  EXPECT_TRUE(has(readText(history), "MR, ECM off")) << readText(history);
}

// A number is dialled without the separators that group its digits; a letter (a dial
// modifier to a modem) is refused before the modem is touched, naming the character.
TEST_F(BrindlefaxCalls, FaxNumbersAreDialledWithoutSeparatorsAndLettersAreRefused) {
  ModemSim sim({"--speed", "20", "--exit-after-calls", "1"});
  std::string trace = dir_.path("trace.txt");
  Result r = brindlefax(dir_, {"send", "--device", sim.modem1(), "--class", "2", "--trace", trace,
                               "555-CALL-NOW", fax(1, false)});
  EXPECT_EQ(r.code, 2);
  EXPECT_TRUE(has(r.err, "\"C\"")) << r.err;
  r = brindlefax(dir_, {"send", "--device", sim.modem1(), "--class", "2", "--trace", trace,
                        "+1 (555) 123-4.567", fax(1, false)});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_TRUE(has(readText(trace), "ATDT+15551234567")) << readText(trace);
}

TEST_F(BrindlefaxCalls, ReceivesIntoTheFolderAndNamesTheFile) {
  Picture a = patternPicture(120, 1);
  writePbm(dir_.path("a.pbm"), a);
  ModemSim sim(
      {"--speed", "10", "--remote-call", "--remote-id", "SENDER 1", "--pages", dir_.path("a.pbm")});
  std::string rx = dir_.path("rx");
  std::filesystem::create_directory(rx);
  Result r = brindlefax(dir_, {"receive", "--device", sim.modem1(), "--dir", rx, "--one", "--class",
                               "2", "--rings", "2"});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_TRUE(has(r.out, "FAX0001.BRX: 1 pages from SENDER 1")) << r.out;
  EXPECT_TRUE(rowsMatch(brxPageRows(rx + "/FAX0001.BRX", 1), 0, a));
}

// The classes a modem reports. Class 1 asked of a modem without it fails as the modem
// refuses it.
TEST_F(BrindlefaxCalls, ClassesAndClassOne) {
  ModemSim sim({"--speed", "10", "--modem1", "class2-v29"});
  Result r = brindlefax(dir_, {"classes", "--device", sim.modem1()});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out, "Class 2\nClass 2.0\n");
  r = brindlefax(dir_,
                 {"send", "--device", sim.modem1(), "--class", "1", "5551234", fax(1, false)});
  EXPECT_EQ(r.code, 1);
  EXPECT_TRUE(has(r.err, "Error while initializing modem")) << r.err;
}

// A failed call ends with the engine's message for it and exit code 1, and the trace of the
// call (with the init string given) is written also after a failure.
TEST_F(BrindlefaxCalls, AFailedSendEndsWithItsMessage) {
  std::string trace = dir_.path("trace.txt");
  Result r = send({"--scenario", "busy"},
                  {"--attempts", "2", "--retry-wait", "1", "--init", "S7=3", "--trace", trace}, 2);
  EXPECT_EQ(r.code, 1) << r.out << r.err;
  EXPECT_TRUE(has(r.err, "1 faxes failed: Called fax number was busy")) << r.err;
  EXPECT_EQ(sim_->summary("s['modems']['modem1']['calls']"), "2");
  std::string t = readText(trace);
  EXPECT_TRUE(has(t, "AT+FCLASS=2"));
  EXPECT_TRUE(has(t, "ATS7=3")) << t;
}

// A modem that puts noise between its answers, or answers slowly (within the reply time),
// still delivers the fax.
TEST_F(BrindlefaxCalls, ANoisyOrSlowModemStillDeliversTheFax) {
  for (const char* scenario : {"garbage", "slow:ms=800"}) {
    Result r = send({"--scenario", scenario}, {}, 2);
    EXPECT_EQ(r.code, 0) << scenario << "\n" << r.out << r.err;
  }
}

// A failed reception ends with its message and exit code 1 and leaves no file.
TEST_F(BrindlefaxCalls, ReceivingADataCallFailsAndKeepsNoFile) {
  std::string rx = dir_.path("rx");
  std::filesystem::create_directory(rx);
  ModemSim sim({"--speed", "10", "--remote-call", "--scenario", "datacall"});
  Result r = brindlefax(dir_, {"receive", "--device", sim.modem1(), "--dir", rx, "--one", "--class",
                               "2.0", "--fax-and-data"});
  EXPECT_EQ(r.code, 1) << r.out << r.err;
  EXPECT_TRUE(has(r.err, "Incoming data call")) << r.err;
  EXPECT_TRUE(std::filesystem::is_empty(rx));
}

}  // namespace
