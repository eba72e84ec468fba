// brindlefax send, receive and classes against the modem simulator: what a user sees
// (exit code, messages, history, trace) for good calls and for each way a call fails.
// Real-time: run serially.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "fax_pages.h"
#include "faximage/brx_file.h"
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
    std::vector<PageSpec> pages;
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
  std::vector<PageSpec> sent_;
  int n_ = 0;
};

TEST_F(BrindlefaxCalls, SendsFinePagesAndKeepsTheHistory) {
  ModemSim sim({"--speed", "10", "--exit-after-calls", "1"});
  std::string history = dir_.path("history.txt");
  Result r = brindlefax(dir_, {"send", "--device", sim.modem1(), "--class", "2", "--station-id",
                               "BRINDLE", "--header", "PAGE $P OF $N", "--rate", "14400",
                               "--history", history, "5551234", fax(3, true)});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_TRUE(has(r.out, "Sending page data, page 3 of 3")) << r.out;
  EXPECT_TRUE(has(r.out, "remote REMOTE FAX"));
  EXPECT_EQ(sim.summary("s['calls'][0]['rate']"), "14400");
  for (int p = 1; p <= 3; ++p)
    EXPECT_TRUE(rowsMatch(sim.savedPage(1, p), 24, sent_[std::size_t(p - 1)].rows)) << p;
  std::string h = readText(history);
  EXPECT_TRUE(has(h, "to 5551234 started at ")) << h;
  EXPECT_TRUE(has(h, "Transmit to REMOTE FAX finished OK at ")) << h;
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
// refuses it; auto on a modem that has only Class 1 sends in Class 1.
TEST_F(BrindlefaxCalls, ClassesAndClassOne) {
  {
    ModemSim sim({"--speed", "10", "--modem1", "class2-v29"});
    Result r = brindlefax(dir_, {"classes", "--device", sim.modem1()});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, "Class 2\nClass 2.0\n");
    r = brindlefax(dir_,
                   {"send", "--device", sim.modem1(), "--class", "1", "5551234", fax(1, false)});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(has(r.err, "Error while initializing modem")) << r.err;
  }
  ModemSim sim({"--speed", "20", "--modem1", "class1", "--exit-after-calls", "1"});
  Result r = brindlefax(
      dir_, {"send", "--device", sim.modem1(), "--class", "auto", "5551234", fax(1, false)});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_TRUE(rowsMatch(sim.savedPage(1, 1), 8, sent_[0].rows));
}

// Each fault ends the call with its message and exit code 1 (or succeeds where the
// call can recover), and the trace of the call is written also after a failure.
struct Fault {
  const char* name;
  std::vector<std::string> sim;
  std::vector<std::string> options;
  int code;
  const char* text;  // in stderr when failing
};

void PrintTo(const Fault& f, std::ostream* os) { *os << f.name; }

class SendFaults : public BrindlefaxCalls, public ::testing::WithParamInterface<Fault> {};

TEST_P(SendFaults, EndWithTheirMessages) {
  const Fault& f = GetParam();
  std::string trace = dir_.path("trace.txt");
  std::vector<std::string> options = f.options;
  options.insert(options.end(), {"--trace", trace});
  Result r = send(f.sim, options, 2);
  EXPECT_EQ(r.code, f.code) << r.out << r.err;
  if (f.code != 0) {
    EXPECT_TRUE(has(r.err, f.text)) << r.err;
  }
  EXPECT_TRUE(has(readText(trace), "AT+FCLASS=2"));
}

INSTANTIATE_TEST_SUITE_P(
    Scenario, SendFaults,
    ::testing::Values(
        Fault{"Busy",
              {"--scenario", "busy"},
              {"--attempts", "2", "--retry-wait", "1"},
              1,
              "Called fax number was busy"},
        Fault{"NoDialTone", {"--scenario", "nodialtone"}, {}, 1, "No dial tone"},
        Fault{"Voice", {"--scenario", "voice"}, {}, 1, "Called fax number answered with voice"},
        // NO CARRIER after dialling ends the call at once, not after the reply time-out.
        Fault{"NoAnswer",
              {"--scenario", "noanswer"},
              {"--init", "S7=3"},
              1,
              "Failed to connect to remote fax"},
        Fault{"Silent", {"--scenario", "silent:after=1"}, {}, 1, "Fatal time out"},
        Fault{"DisconnectAtAnswer",
              {"--scenario", "dcn:at=answer"},
              {},
              1,
              "Bad response from modem"},
        Fault{"DisconnectAfterPage",
              {"--scenario", "dcn:page=1"},
              {},
              1,
              "Fax failed in mid-session"},
        Fault{"PageRejectedThrice",
              {"--scenario", "rtn:times=3"},
              {},
              1,
              "Fax failed in mid-session"},
        Fault{"Garbage", {"--scenario", "garbage"}, {}, 0, ""},
        Fault{"SlowReplies", {"--scenario", "slow:ms=800"}, {}, 0, ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(BrindlefaxCalls, ARejectedPageIsSentAgainAndTheFaxSucceeds) {
  Result r = send({"--scenario", "rtn:times=1", "--exit-after-calls", "1"}, {}, 1);
  EXPECT_EQ(r.code, 0) << r.err;
  sim_->waitExit(10);
  EXPECT_EQ(sim_->summary("len(s['calls'][0]['pages'])"), "2");
  EXPECT_EQ(sim_->summary("s['calls'][0]['pages_ok']"), "1");
}

TEST_F(BrindlefaxCalls, ACallLostMidPageFails) {
  Result r = send({"--scenario", "carrierloss:after=1500"}, {}, 1);
  EXPECT_EQ(r.code, 1);
  EXPECT_TRUE(has(r.err, "Fax failed in mid-session") || has(r.err, "Fatal time out")) << r.err;
}

TEST_F(BrindlefaxCalls, ReceivingADataCallOrALostCallKeepsNoBrokenFile) {
  for (const char* scenario : {"datacall", "carrierloss:page=2,after=1500"}) {
    SCOPED_TRACE(scenario);
    std::string rx = dir_.path(std::string("rx-") + scenario[0]);
    std::filesystem::create_directory(rx);
    ModemSim sim({"--speed", "10", "--remote-call", "--scenario", scenario});
    Result r = brindlefax(dir_, {"receive", "--device", sim.modem1(), "--dir", rx, "--one",
                                 "--class", "2.0", "--fax-and-data"});
    EXPECT_EQ(r.code, 1) << r.out << r.err;
    if (scenario[0] == 'd') {
      EXPECT_TRUE(has(r.err, "Incoming data call")) << r.err;
      EXPECT_TRUE(std::filesystem::is_empty(rx));
    } else {
      // The first page is complete and stays; nothing of the second.
      faximage::BrxReader reader;
      ASSERT_EQ(reader.openFile(rx + "/FAX0001.BRX"), 0);
      EXPECT_EQ(reader.pageCount(), 1);
    }
  }
}

}  // namespace
