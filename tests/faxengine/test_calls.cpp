// Whole fax calls through the components on a serial port, against the modem simulator
// (remote fax machine, or two modems on one line): the pages the far end saves, the files
// we store, the history, and calls that end early. Real-time: run serially.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "call_loop.h"
#include "fax_pages.h"
#include "faxengine/errors.h"
#include "faximage/brx_file.h"
#include "modem_sim.h"

using namespace faxengine;
using namespace faxengine::test;

namespace faxengine {
void PrintTo(TFaxClass c, std::ostream* os) {
  *os << (c == TFaxClass::fcClass1 ? "1" : c == TFaxClass::fcClass2 ? "2" : "2.0");
}
}  // namespace faxengine

namespace {

std::string readText(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

class Calls : public ::testing::TestWithParam<TFaxClass> {
 protected:
  // A modem that has only the class under test (the default one has them all).
  std::string modemKind() const {
    return GetParam() == TFaxClass::fcClass1   ? "class1"
           : GetParam() == TFaxClass::fcClass2 ? "class2"
                                               : "class20";
  }
  TempDir dir_;
};

// Sends to the simulator's remote machine, one page at standard resolution in Class 2 and
// three at fine in Class 2.0; the saved pages hold our pages below the 8 white lines and the
// header line (8 rows, 16 at fine resolution).
TEST_P(Calls, SendToTheRemoteMachine) {
  const bool fine = GetParam() == TFaxClass::fcClass2_0;
  int count = fine ? 3 : 1;
  std::string file = dir_.path(fine ? "fine.brx" : "standard.brx");
  std::vector<TestPage> sent = pages(count, fine, 120);
  writeBrx(file, sent);
  ModemSim sim({"--speed", "10", "--exit-after-calls", "1"});
  ASSERT_TRUE(sim.ready());

  TFxSendFax fax;
  TFxFaxLog log;
  log.FaxHistoryName = dir_.path("history.txt");
  fax.SetFaxLog(&log);
  fax.FaxClass = GetParam();
  fax.StationID = "Brindle Test";
  fax.HeaderLine = "FROM $I PAGE $P OF $N";
  fax.PhoneNumber = "555 1234";
  fax.SetFaxFile(file);
  SendResult r;
  ASSERT_TRUE(runSession(fax, sim.modem1(), r));

  EXPECT_EQ(r.finish, 0) << errorText(r.finish);
  EXPECT_EQ(r.remote, "REMOTE FAX");
  EXPECT_EQ(sim.summary("s['calls'][0]['result']"), "ok");
  EXPECT_EQ(sim.summary("s['calls'][0]['remote_id']"), "BRINDLE TEST");
  EXPECT_EQ(sim.summary("s['calls'][0]['resolution']"), fine ? "fine" : "normal");
  std::size_t top = fine ? 24 : 16;
  for (int p = 1; p <= count; ++p)
    EXPECT_TRUE(rowsMatch(sim.savedPage(1, p), top, sent[std::size_t(p - 1)].rows)) << "page " << p;
  std::string history = readText(log.FaxHistoryName);
  EXPECT_NE(history.find("Transmit " + file + " to 555 1234 started at "), std::string::npos);
  EXPECT_NE(history.find("Transmit to REMOTE FAX finished OK at "), std::string::npos);
  EXPECT_EQ(history.find("failed"), std::string::npos);
}

// The remote machine calls twice; each fax is stored in the next numbered file.
TEST_P(Calls, ReceiveTwoCallsIntoNumberedFiles) {
  Picture a = patternPicture(150, 3), b = patternPicture(90, 4);
  writePbm(dir_.path("a.pbm"), a);
  writePbm(dir_.path("b.pbm"), b);
  ModemSim sim({"--speed", "10", "--remote-call", "--calls", "2", "--remote-id", "SENDER 1",
                "--pages", dir_.path("a.pbm") + "," + dir_.path("b.pbm")});
  ASSERT_TRUE(sim.ready());
  std::string rx = dir_.path("rx");
  std::filesystem::create_directory(rx);

  CallLoop loop;
  TFxReceiveFax fax;
  fax.ComPort = &loop.port(sim.modem1());
  fax.FaxClass = GetParam();
  fax.SetDestinationDir(rx);
  int received = 0;
  SendResult r;
  record(fax, r);
  fax.OnFaxLog = [&](TFxCustomAbstractFax& f, int code) {
    r.logs.push_back(code);
    if (code == lfaxReceiveOk && ++received == 2) f.AbortFax();
  };
  loop.watch(fax);
  fax.BeginReceive();
  ASSERT_TRUE(loop.run(150));

  EXPECT_EQ(r.finish, ecCancelRequested);  // ended by the abort after the second fax
  EXPECT_EQ(r.logs,
            (std::vector<int>{lfaxReceiveStart, lfaxReceiveOk, lfaxReceiveStart, lfaxReceiveOk}));
  for (const char* name : {"FAX0001.BRX", "FAX0002.BRX"}) {
    std::string path = rx + "/" + name;
    faximage::BrxReader reader;
    ASSERT_EQ(reader.openFile(path), 0) << name;
    EXPECT_EQ(reader.header().senderIdText(), "SENDER 1");
    ASSERT_EQ(reader.pageCount(), 2) << name;
    EXPECT_TRUE(rowsMatch(brxPageRows(path, 1), 0, a)) << name;
    EXPECT_TRUE(rowsMatch(brxPageRows(path, 2), 0, b)) << name;
  }
}

INSTANTIATE_TEST_SUITE_P(Class, Calls,
                         ::testing::Values(TFaxClass::fcClass2, TFaxClass::fcClass2_0),
                         [](const auto& info) {
                           return info.param == TFaxClass::fcClass2 ? "Class2" : "Class20";
                         });

// Our sender and our receiver on two modems of one line, of different classes; each takes
// the class its modem offers.
TEST(PairCalls, SenderAndReceiverOfDifferentClasses) {
  const std::pair<const char*, const char*> kinds[] = {{"class2", "class20"},
                                                       {"class20", "class1"}};
  for (auto [senderKind, receiverKind] : kinds) {
    SCOPED_TRACE(std::string(senderKind) + " to " + receiverKind);
    TempDir dir;
    std::string file = dir.path("out.brx");
    std::vector<TestPage> sent = pages(2, false, 80);
    writeBrx(file, sent);
    ModemSim sim(
        {"--speed", "10", "--mode", "pair", "--modem1", senderKind, "--modem2", receiverKind});
    ASSERT_TRUE(sim.ready());
    CallLoop loop;
    TFxReceiveFax receiver;
    receiver.ComPort = &loop.port(sim.modem2());
    receiver.SetDestinationDir(dir.dir());
    receiver.OneFax = true;
    receiver.StationID = "RECEIVER";
    SendResult rx;
    record(receiver, rx);
    loop.watch(receiver);
    receiver.BeginReceive();

    TFxSendFax sender;
    sender.ComPort = &loop.port(sim.modem1());
    sender.StationID = "SENDER";
    sender.PhoneNumber = "2";
    sender.SetFaxFile(file);
    SendResult tx;
    record(sender, tx);
    loop.watch(sender);
    sender.BeginTransmit();
    ASSERT_TRUE(loop.run(120));

    EXPECT_EQ(tx.finish, 0) << errorText(tx.finish);
    EXPECT_EQ(tx.remote, "RECEIVER");
    EXPECT_EQ(rx.finish, 0) << errorText(rx.finish);
    EXPECT_EQ(rx.remote, "SENDER");
    std::string got = dir.path("FAX0001.BRX");
    for (int p = 1; p <= 2; ++p)  // below the 8 white lines (no header line here)
      EXPECT_TRUE(rowsMatch(brxPageRows(got, p), 8, sent[std::size_t(p - 1)].rows)) << p;
  }
}

// The far end refuses the page three times. A Class 2.0 modem answers a refused page with
// ERROR and tells why when asked: the page goes again, whole each time, and the third
// refusal ends the fax.
TEST(RefusedPageCalls, Class20SendsARefusedPageAgainUntilTheThirdRefusal) {
  TempDir dir;
  std::string file = dir.path("out.brx");
  writeBrx(file, pages(1, false, 20));
  ModemSim sim({"--speed", "20", "--modem1", "class20", "--exit-after-calls", "1", "--scenario",
                "rtn:page=1,times=3"});
  ASSERT_TRUE(sim.ready());
  TFxSendFax fax;
  fax.FaxClass = TFaxClass::fcClass2_0;
  fax.PhoneNumber = "5551234";
  fax.SetFaxFile(file);
  SendResult r;
  ASSERT_TRUE(runSession(fax, sim.modem1(), r));
  EXPECT_EQ(r.finish, ecFaxSessionError) << errorText(r.finish);
  EXPECT_EQ(r.logs.back(), lfaxTransmitFail);
  const std::string copies = "s['calls'][0]['pages']";
  EXPECT_EQ(sim.summary("len(" + copies + ")"), "3");
  EXPECT_EQ(sim.summary("len({(p['lines'], p['bad_lines']) for p in " + copies + "})"), "1");
  EXPECT_EQ(sim.summary(copies + "[0]['bad_lines']"), "0");
}

// A one-page Class 2 fax to a number the simulated line never answers.
struct UnansweredCall : ::testing::Test {
  void SetUp() override {
    writeBrx(file, pages(1, false, 10));
    ASSERT_TRUE(sim.ready());
    fax.FaxClass = TFaxClass::fcClass2;
    fax.PhoneNumber = "5551234";
    fax.SetFaxFile(file);
  }
  TempDir dir;
  std::string file = dir.path("out.brx");
  ModemSim sim{{"--speed", "10", "--scenario", "noanswer"}};
  TFxSendFax fax;
  SendResult r;
};

TEST_F(UnansweredCall, AbortWhileDialingEndsTheSessionAsAUserAbort) {
  CallLoop loop;
  fax.ComPort = &loop.port(sim.modem1());
  record(fax, r);
  int progressAtEnd = 0;
  fax.OnFaxStatus = [&](TFxCustomAbstractFax& f, bool, bool last) {
    if (f.ProgressCode() == progress::kDialing) f.AbortFax();
    if (last) progressAtEnd = f.ProgressCode();
  };
  loop.watch(fax);
  fax.BeginTransmit();
  ASSERT_TRUE(loop.run(60));
  EXPECT_EQ(r.finish, ecCancelRequested);
  EXPECT_EQ(progressAtEnd, progress::kUserAbort);
  EXPECT_EQ(r.logs, (std::vector<int>{lfaxTransmitStart, lfaxTransmitFail}));
  // A second session of the same component initialises the modem again: it may have been
  // reset in between.
  fax.ComPort->Close();
  CallLoop again;
  fax.ComPort = &again.port(sim.modem1());
  again.watch(fax);
  fax.BeginTransmit();
  ASSERT_TRUE(again.run(60));
  EXPECT_EQ(sim.query("sum(1 for e in ev if e['kind'] == 'cmd' and e['text'] == '" +
                      fax.InitString() + "')"),
            "2");
}

// A number that does not answer: the modem gives up after its S7 wait (3 s here) with NO
// CARRIER, and the fax fails at once with the code for it.
TEST_F(UnansweredCall, ANumberThatDoesNotAnswerFails) {
  fax.SetModemInit("S7=3");
  ASSERT_TRUE(runSession(fax, sim.modem1(), r));
  EXPECT_EQ(r.finish, ecFaxNoFax) << errorText(r.finish);
  EXPECT_EQ(r.logs.back(), lfaxTransmitFail);
}

TEST(FaultCalls, ARefusedCallerLeavesNoFile) {
  TempDir dir;
  ModemSim sim({"--speed", "10", "--remote-call", "--exit-after-calls", "1"});
  ASSERT_TRUE(sim.ready());
  CallLoop loop;
  TFxReceiveFax fax;
  fax.ComPort = &loop.port(sim.modem1());
  fax.FaxClass = TFaxClass::fcClass2_0;
  fax.SetDestinationDir(dir.dir());
  fax.ExitOnError = true;
  fax.OnFaxAccept = [](TFxCustomReceiveFax&, bool& accept) { accept = false; };
  SendResult r;
  record(fax, r);
  loop.watch(fax);
  fax.BeginReceive();
  ASSERT_TRUE(loop.run(60));
  EXPECT_EQ(r.logs, std::vector<int>{lfaxReceiveSkip});
  EXPECT_EQ(r.finish, ecFileRejected);
  EXPECT_TRUE(std::filesystem::is_empty(dir.dir()));
}

// Cancel while the modem is being prepared (here: the class probe waits for the answer to
// the init string): no more commands go out and the session ends as a user abort, shown
// as such before the last report.
TEST(FaultCalls, AbortWhileTheModemIsPreparedEndsTheSession) {
  TempDir dir;
  std::string file = dir.path("out.brx");
  writeBrx(file, pages(1, false, 10));
  ModemSim sim({"--speed", "10", "--scenario", "slow:ms=1500"});
  ASSERT_TRUE(sim.ready());
  CallLoop loop;
  TFxSendFax fax;
  fax.ComPort = &loop.port(sim.modem1());
  fax.PhoneNumber = "5551234";
  fax.SetFaxFile(file);
  SendResult r;
  record(fax, r);
  std::vector<std::pair<int, bool>> reports;  // progress, last
  fax.OnFaxStatus = [&](TFxCustomAbstractFax& f, bool, bool last) {
    reports.emplace_back(f.ProgressCode(), last);
  };
  loop.bridge().post([&] { fax.AbortFax(); });  // runs while the first answer is awaited
  loop.watch(fax);
  fax.BeginTransmit();
  ASSERT_TRUE(loop.run(30));
  EXPECT_EQ(r.finish, ecCancelRequested);
  EXPECT_TRUE(r.logs.empty());
  ASSERT_GE(reports.size(), 2u);
  EXPECT_EQ(reports[reports.size() - 2], std::make_pair(progress::kUserAbort, false));
  EXPECT_EQ(reports.back(), std::make_pair(progress::kUserAbort, true));
  EXPECT_EQ(sim.query("[e['text'] for e in ev if e['kind'] == 'cmd']"),
            "['" + fax.InitString() + "']");
}

// A modem that goes away in the middle of a page (a USB modem pulled out): the port tells
// the session at once, which ends with the lost-device code instead of waiting for the
// page timer, for the sender and for the receiver; the port then closes.
TEST(FaultCalls, AModemThatGoesAwayMidPageEndsTheCall) {
  TempDir dir;
  std::string file = dir.path("out.brx");
  writeBrx(file, pages(1, false, 300));
  Picture dense = patternPicture(300, 5);
  writePbm(dir.path("in.pbm"), dense);
  // The session's machine ends the call, whatever the class: one class each way suffices.
  const std::pair<TFaxClass, bool> calls[] = {{TFaxClass::fcClass1, true},
                                              {TFaxClass::fcClass2, false}};
  for (const auto& [cls, sending] : calls) {
    SCOPED_TRACE(std::string(sending ? "sender" : "receiver") + " class " +
                 std::to_string(int(cls)));
    // At 2400 bit/s the page takes some seconds on the line.
    std::vector<std::string> options = {"--speed", "10", "--remote-max-rate", "2400"};
    if (!sending) options.insert(options.end(), {"--remote-call", "--pages", dir.path("in.pbm")});
    auto sim = std::make_unique<ModemSim>(options);
    ASSERT_TRUE(sim->ready());
    CallLoop loop;
    TFxSendFax sender;
    TFxReceiveFax receiver;
    TFxCustomAbstractFax& fax = sending ? static_cast<TFxCustomAbstractFax&>(sender) : receiver;
    TFxComPort& port = loop.port(sim->modem1());
    fax.ComPort = &port;
    fax.FaxClass = cls;
    sender.PhoneNumber = "5551234";
    sender.SetFaxFile(file);
    receiver.SetDestinationDir(dir.dir());
    SendResult r;
    record(fax, r);
    fax.OnFaxStatus = [&](TFxCustomAbstractFax& f, bool, bool) {
      int pageData = sending ? progress::kSendingPage : progress::kGettingPage;
      if (sim && f.ProgressCode() == pageData) loop.bridge().post([&] { sim.reset(); });
    };
    loop.watch(fax);
    if (sending)
      sender.BeginTransmit();
    else
      receiver.BeginReceive();
    ASSERT_TRUE(loop.run(40));  // the page timer alone would take a minute
    EXPECT_EQ(sim, nullptr) << "the call ended before its page";
    EXPECT_EQ(r.finish, ecDeviceLost) << errorText(r.finish);
    EXPECT_EQ(r.errors, std::vector<int>{ecDeviceLost});
    EXPECT_EQ(r.logs.back(), sending ? lfaxTransmitFail : lfaxReceiveFail);
    EXPECT_TRUE(port.DeviceLost());
    port.Close();
    EXPECT_FALSE(port.Open());
  }
}

// A sender whose page time-out is short, so that a slow line outlasts it in a short test.
class ShortPageTimeout : public TFxSendFax {
 public:
  explicit ShortPageTimeout(int seconds) { proto_.pageTimeout = secondsToTicks(seconds); }
};

// A dense page at 2400 bit/s takes longer on the line than the page time-out, while the
// buffers on the way take it all at once: the wait for the page's end allows for that, in
// Class 1 and in Class 2 (Class 2.0 sends its pages as Class 2 does).
TEST(SlowLineCalls, ADensePageOutlastingThePageTimeoutIsSent) {
  TempDir dir;
  std::string file = dir.path("dense.brx");
  writeBrx(file, pages(1, false, 300));
  for (TFaxClass cls : {TFaxClass::fcClass1, TFaxClass::fcClass2}) {
    SCOPED_TRACE(int(cls));
    ModemSim sim({"--speed", "10", "--remote-max-rate", "2400", "--exit-after-calls", "1"});
    ASSERT_TRUE(sim.ready());
    CallLoop loop;
    ShortPageTimeout fax(2);
    fax.ComPort = &loop.port(sim.modem1());
    fax.FaxClass = cls;
    fax.PhoneNumber = "5551234";
    fax.SetFaxFile(file);
    SendResult r;
    record(fax, r);
    loop.watch(fax);
    fax.BeginTransmit();
    ASSERT_TRUE(loop.run(60));
    EXPECT_EQ(r.finish, 0) << errorText(r.finish);
    EXPECT_EQ(sim.summary("s['calls'][0]['rate']"), "2400");
    EXPECT_EQ(sim.summary("s['calls'][0]['result']"), "ok");
  }
}

}  // namespace
