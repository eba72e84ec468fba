// Whole Class 1 calls through the components on a serial port: against an independent fax
// terminal (faxpeer: a Class 1 modem with a complete T.30 terminal behind a simulated line
// carrying real modem audio) and against the modem simulator's fault scenarios.
// Real-time: run serially. The engine's pauses and T.30 timers are real time, so the peer's
// line runs at most twice as fast as a telephone line (the far end's own timers shrink with
// it: at four times the speed its 6 s wait for a command is over before our 3 s wait for
// its response has ended).
#include <gtest/gtest.h>

#include <filesystem>

#include "call_loop.h"
#include "fax_pages.h"
#include "fax_peer.h"
#include "faxengine/errors.h"
#include "faximage/brx_file.h"
#include "modem_sim.h"

using namespace faxengine;
using namespace faxengine::test;

namespace {

struct PeerSend {
  int pages;
  bool fine;
  const char* maxRate;
};

void PrintTo(const PeerSend& c, std::ostream* os) {
  *os << c.pages << (c.fine ? " fine" : " standard") << " at " << c.maxRate;
}

class PeerSendCalls : public ::testing::TestWithParam<PeerSend> {
 protected:
  TempDir dir_;
};

// Our pages arrive row for row below the header line, at the fastest rate both have.
TEST_P(PeerSendCalls, PagesArriveAsSentAtTheFarEndsRate) {
  if (!havePeer()) GTEST_SKIP() << "faxpeer is not built";
  const PeerSend& c = GetParam();
  std::string file = dir_.path("out.brx"), tif = dir_.path("in.tif");
  std::vector<TestPage> sent = pages(c.pages, c.fine, 40);
  writeBrx(file, sent);
  FaxPeer peer({"--rx", tif, "--speed", "2", "--max-rate", c.maxRate});
  ASSERT_TRUE(peer.ready());
  TFxSendFax fax;
  class1Sender(fax, file);
  fax.HeaderLine = "FROM $I PAGE $P OF $N";
  SendResult r;
  ASSERT_TRUE(runSession(fax, peer.pty(), r));  // the port closes with it: the peer reports
  ASSERT_TRUE(peer.finish(30)) << "no RESULT line";
  EXPECT_EQ(r.finish, 0) << errorText(r.finish);
  EXPECT_EQ(r.remote, "+1 555 0100");
  EXPECT_TRUE(peer.result().starts_with("RESULT OK")) << peer.result() << "\n" << peer.log();
  EXPECT_EQ(peer.note(), "");
  EXPECT_EQ(peer.field("rate"), c.maxRate);
  EXPECT_EQ(peer.field("pages"), std::to_string(c.pages));
  EXPECT_EQ(peer.field("bad_rows"), "0");
  std::size_t top = c.fine ? 24 : 16;  // 8 white lines and the header line
  for (int p = 1; p <= c.pages; ++p)
    EXPECT_TRUE(rowsMatch(tiffPage(tif, p, dir_), top, sent[std::size_t(p - 1)].rows)) << p;
}

INSTANTIATE_TEST_SUITE_P(Class1, PeerSendCalls,
                         ::testing::Values(PeerSend{1, false, "14400"}, PeerSend{3, true, "9600"},
                                           PeerSend{1, true, "4800"}),
                         [](const auto& info) {
                           return std::to_string(info.param.pages) + "Pages" +
                                  (info.param.fine ? "Fine" : "Standard") + "At" +
                                  info.param.maxRate;
                         });

// The peer calls and sends two pages; the stored file holds them as they were coded.
TEST(PeerReceiveCalls, TwoPagesAreStoredAsTheFarEndSentThem) {
  if (!havePeer()) GTEST_SKIP() << "faxpeer is not built";
  TempDir dir;
  Picture a = patternPicture(60, 5), b = patternPicture(30, 6);
  std::string tif = dir.path("out.tif");
  writeTiff(tif, {a, b}, dir);
  FaxPeer peer({"--call", "--tx", tif, "--speed", "2", "--ring-period-ms", "3000"});
  ASSERT_TRUE(peer.ready());
  std::string rx = dir.path("rx");
  std::filesystem::create_directory(rx);
  TFxReceiveFax fax;
  class1Receiver(fax, rx);
  SendResult r;
  ASSERT_TRUE(runSession(fax, peer.pty(), r));
  ASSERT_TRUE(peer.finish(30)) << "no RESULT line";
  EXPECT_EQ(r.finish, 0) << errorText(r.finish);
  EXPECT_EQ(r.remote, "+1 555 0100");
  EXPECT_TRUE(peer.result().starts_with("RESULT OK")) << peer.result() << "\n" << peer.log();
  EXPECT_EQ(peer.note(), "");
  EXPECT_EQ(peer.field("rate"), "14400");
  std::string got = rx + "/FAX0001.BRX";
  for (int p = 1; p <= 2; ++p)
    EXPECT_TRUE(rowsMatch(brxPageRows(got, p), 0, tiffPage(tif, p, dir)));
}

// ---- the modem simulator's fault scenarios ---------------------------------------------

// One Class 1 fax to the simulator's remote machine.
SendResult simSend(ModemSim& sim, const std::vector<TestPage>& sent, const TempDir& dir,
                   int bps = 14400) {
  std::string file = dir.path("out.brx");
  writeBrx(file, sent);
  TFxSendFax fax;
  class1Sender(fax, file, bps);
  SendResult r;
  EXPECT_TRUE(runSession(fax, sim.modem1(), r));
  return r;
}

// One Class 1 reception of what the remote machine sends; the file goes to dir.
SendResult simReceive(ModemSim& sim, const TempDir& dir) {
  TFxReceiveFax fax;
  class1Receiver(fax, dir.dir());
  fax.ExitOnError = true;
  SendResult r;
  EXPECT_TRUE(runSession(fax, sim.modem1(), r));
  return r;
}

std::vector<std::string> simOptions(std::vector<std::string> more) {
  std::vector<std::string> o = {"--speed", "20", "--modem1", "class1", "--exit-after-calls", "1"};
  o.insert(o.end(), more.begin(), more.end());
  return o;
}

TEST(Class1SimCalls, AV29ModemSendsAFinePageAt9600) {
  TempDir dir;
  ModemSim sim({"--speed", "20", "--modem1", "class1-v29"});
  ASSERT_TRUE(sim.ready());
  std::vector<TestPage> sent = pages(1, true, 50);
  SendResult r = simSend(sim, sent, dir);
  EXPECT_EQ(r.finish, 0) << errorText(r.finish);
  EXPECT_EQ(sim.summary("s['calls'][0]['rate']"), "9600");
  EXPECT_EQ(sim.summary("s['calls'][0]['resolution']"), "fine");
  EXPECT_TRUE(rowsMatch(sim.savedPage(1, 1), 8, sent[0].rows));  // below the 8 white lines
}

// Training that fails at the faster rates (FTT) and a rejected page (RTN) both bring the
// rate down, and the page arrives whole at the lower rate. (FTT at 2400, where no rate is
// left, is a step test.)
TEST(Class1SimCalls, FttAndRtnBringTheRateDown) {
  struct Case {
    const char* scenario;
    const char* pages;  // rate and acceptance of each page the remote machine took
  } cases[] = {{"badrate:above=9600", "[(9600, True)]"},
               {"rtn", "[(14400, False), (12000, True)]"}};
  for (const Case& c : cases) {
    TempDir dir;
    ModemSim sim(simOptions({"--scenario", c.scenario}));
    ASSERT_TRUE(sim.ready());
    std::vector<TestPage> sent = pages(1, false, 30);
    SendResult r = simSend(sim, sent, dir);
    EXPECT_EQ(r.finish, 0) << c.scenario << ": " << errorText(r.finish);
    EXPECT_EQ(sim.summary("[(p['rate'], p['accepted']) for p in s['calls'][0]['pages']]"), c.pages);
    EXPECT_TRUE(rowsMatch(sim.savedPage(1, 1), 8, sent[0].rows)) << c.scenario;
  }
}

// The far end's DCN at any point of the call ends the fax as cancelled: after our DCS,
// instead of CFR and instead of the answer to EOP (instead of DIS is a step test). (A DCN
// that comes while we send the training check is not heard; the modem, which stays on,
// then reports the lost carrier when we listen for CFR.)
TEST(Class1SimCalls, DcnFromTheFarEndCancelsTheFax) {
  for (const char* at : {"dcs", "cfr", "page"}) {
    TempDir dir;
    ModemSim sim(
        {"--speed", "20", "--modem1", "class1", "--scenario", std::string("dcn:at=") + at});
    ASSERT_TRUE(sim.ready());
    SendResult r = simSend(sim, pages(1, false, 20), dir);
    EXPECT_EQ(r.finish, ecCancelRequested) << at << ": " << errorText(r.finish);
    EXPECT_EQ(r.logs.back(), lfaxTransmitFail) << at;
  }
}

// The line drops in the middle of the page: the modem sends the rest into silence, no
// answer comes to EOP however often it is asked (a blank each time), and the fax ends
// with a fatal time-out.
TEST(Class1SimCalls, ALineLostDuringThePageTimesOut) {
  TempDir dir;
  // The simulator stays after the remote machine has hung up: the modem goes on answering.
  ModemSim sim(
      {"--speed", "20", "--modem1", "class1", "--scenario", "carrierloss:page=1,after=400"});
  ASSERT_TRUE(sim.ready());
  SendResult r = simSend(sim, pages(1, false, 40), dir);
  EXPECT_EQ(r.finish, ecTimeout) << errorText(r.finish);
  EXPECT_EQ(sim.query("sum(1 for e in ev if e['kind'] == 'cmd' and e['text'] == 'AT+FRH=3')"),
            "5");  // for DIS, for CFR, then three tries after the page
}

// A modem that stops answering in the middle of the call (no echo, no result) ends the fax
// on the reply timer instead of hanging the session. The simulator stays after the remote
// machine gives up: its leaving would close the modem's device, a loss the port reports.
TEST(Class1SimCalls, AModemThatFallsSilentTimesOut) {
  TempDir dir;
  ModemSim sim({"--speed", "20", "--modem1", "class1", "--scenario", "silent:after=8"});
  ASSERT_TRUE(sim.ready());
  SendResult r = simSend(sim, pages(1, false, 20), dir);
  EXPECT_EQ(r.finish, ecTimeout) << errorText(r.finish);
  EXPECT_EQ(r.logs.back(), lfaxTransmitFail);
}

// Receiving: a training check the line corrupts is refused with FTT and the caller comes
// down to a rate the line carries.
TEST(Class1SimCalls, ReceivingRefusesABadTrainingCheck) {
  TempDir dir;
  Picture a = patternPicture(50, 7);
  writePbm(dir.path("a.pbm"), a);
  ModemSim sim(
      simOptions({"--remote-call", "--pages", dir.path("a.pbm"), "--scenario", "badrate"}));
  ASSERT_TRUE(sim.ready());
  SendResult r = simReceive(sim, dir);
  EXPECT_EQ(r.finish, 0) << errorText(r.finish);
  EXPECT_EQ(sim.summary("s['calls'][0]['rate']"), "9600");
  EXPECT_TRUE(rowsMatch(brxPageRows(dir.path("FAX0001.BRX"), 1), 0, a));
}

// A call that ends early keeps the pages confirmed before.
TEST(Class1SimCalls, ReceivingKeepsTheConfirmedPagesOfACutCall) {
  struct Case {
    const char* scenario;
    int finish, pages;
  } cases[] = {{"dcn:at=dis", ecCancelRequested, -1}, {"dcn:at=page,page=2", ecCancelRequested, 1}};
  for (const Case& c : cases) {
    TempDir dir;
    Picture a = patternPicture(50, 8), b = patternPicture(50, 9);
    writePbm(dir.path("a.pbm"), a);
    writePbm(dir.path("b.pbm"), b);
    ModemSim sim(
        simOptions({"--remote-call", "--pages", dir.path("a.pbm") + "," + dir.path("b.pbm"),
                    "--scenario", c.scenario}));
    ASSERT_TRUE(sim.ready());
    SendResult r = simReceive(sim, dir);
    EXPECT_EQ(r.finish, c.finish) << c.scenario << ": " << errorText(r.finish);
    faximage::BrxReader reader;
    if (c.pages < 0) {
      EXPECT_NE(reader.openFile(dir.path("FAX0001.BRX")), 0) << c.scenario;  // no file at all
      continue;
    }
    ASSERT_EQ(reader.openFile(dir.path("FAX0001.BRX")), 0) << c.scenario;
    EXPECT_EQ(reader.pageCount(), c.pages) << c.scenario;
    EXPECT_TRUE(rowsMatch(brxPageRows(dir.path("FAX0001.BRX"), 1), 0, a)) << c.scenario;
  }
}

}  // namespace

// A noisy line, bytes and frames hit at random: training that fails brings the rate down
// step by step, a damaged frame is waited for again and a command without a good response
// is repeated. The fax is delivered whole at a rate that held, or ends as failed training,
// or (every try of a command went unanswered) as a time-out; nothing else may happen.
TEST(Class1SimCalls, ANoisyLineEndsOnlyAsTheProtocolAllows) {
  TempDir dir;
  ModemSim sim(simOptions({"--scenario", "noise:rate=0.001,frames=yes"}));
  ASSERT_TRUE(sim.ready());
  SendResult r = simSend(sim, pages(2, false, 30), dir);
  if (r.finish == ecFaxTrainError || r.finish == ecTimeout) return;
  EXPECT_EQ(r.finish, 0) << errorText(r.finish);
  EXPECT_EQ(sim.summary("s['calls'][0]['pages_ok']"), "2");
}
