// The sending state machine with the Class 2 and 2.0 dialogues, step by step against a
// scripted modem on a fake clock: commands, page data, retries and every way a call ends.
#include <gtest/gtest.h>

#include "fax_pages.h"
#include "faxengine/class2_dialogue.h"
#include "faxengine/errors.h"
#include "session_rig.h"

using namespace faxengine;
using namespace faxengine::test;

namespace {

// The modem's side of a send: set-up, dial, and one exchange per page.
struct SendScript {
  bool v20 = false;
  std::string caps = "1,5,0,2,0,0,0,0";     // the remote's capabilities report
  std::string session = "0,3,0,2,0,0,0,0";  // the session report before CONNECT
  std::vector<Exchange> steps;

  std::string report(const char* c2, const char* c20) const {
    return std::string("+F") + (v20 ? c20 : c2);
  }
  SendScript& setup(const std::string& params) {
    steps.push_back({v20 ? "AT+FCLASS=2.0" : "AT+FCLASS=2", {"OK"}});
    steps.push_back({std::string(v20 ? "AT+FLI" : "AT+FLID") + "=\"STATION 1\"", {"OK"}});
    if (v20) {
      steps.push_back({"AT+FLO=2", {"OK"}});
      steps.push_back({"AT+FNR=1,1,1,0", {"OK"}});
    }
    steps.push_back({std::string(v20 ? "AT+FIS=" : "AT+FDIS=") + params, {"OK"}});
    return *this;
  }
  SendScript& dial(std::vector<std::string> result = {}) {
    if (result.empty())
      result = {report("CON", "CO"), report("CSI", "CI") + ":\"REMOTE FAX\"",
                report("DIS", "IS") + ":" + caps, "OK"};
    steps.push_back({"ATDT5551234", result});
    return *this;
  }
  SendScript& page(bool last, std::vector<std::string> status = {}) {
    std::vector<std::string> ready = {report("DCS", "CS") + ":" + session, "CONNECT"};
    if (!v20) ready.push_back(raw("\x11"));
    steps.push_back({"AT+FDT", ready, true});
    if (v20) {
      if (status.empty())
        status = last ? std::vector<std::string>{"+FHS:00", "OK"} : std::vector<std::string>{"OK"};
      steps.push_back({"<page>", status});
    } else {
      steps.push_back({"<page>", {"OK"}});
      if (status.empty())
        status = last ? std::vector<std::string>{"+FPTS:1", "+FHNG:0", "OK"}
                      : std::vector<std::string>{"+FPTS:1", "OK"};
      steps.push_back({last ? "AT+FET=2" : "AT+FET=0", status});
    }
    return *this;
  }
};

class SendSteps : public ::testing::TestWithParam<bool> {
 protected:
  bool v20() const { return GetParam(); }
  SessionRig& rig(TFaxClass cls = TFaxClass::fcDetect) {
    if (cls == TFaxClass::fcDetect) cls = v20() ? TFaxClass::fcClass2_0 : TFaxClass::fcClass2;
    rig_ = std::make_unique<SessionRig>(true, cls);
    rig_->session.stationId = "station 1";
    rig_->session.headerLine = "FROM $I PAGE $P/$N";
    return *rig_;
  }
  SendScript script() {
    SendScript s;
    s.v20 = v20();
    return s;
  }
  std::string fax(const std::vector<TestPage>& pages) {
    std::string path = dir_.path("fax" + std::to_string(n_++) + ".brx");
    writeBrx(path, pages);
    return path;
  }
  // Runs the session to its end with one fax to 5551234.
  void sendOne(SessionRig& r, const std::string& file, const SendScript& s,
               bool fireTimers = true) {
    r.host.faxes.push_back({"5551234", file, ""});
    r.modem.load(s.steps);
    r.start();
    r.run(fireTimers);
  }

  TempDir dir_;
  int n_ = 0;
  std::unique_ptr<SessionRig> rig_;
};

TEST_P(SendSteps, PagesGoOutBelowTheHeaderLineAndTheFaxIsLoggedAsSent) {
  Picture p1 = patternPicture(30, 1), p2 = patternPicture(25, 2);
  SessionRig& r = rig();
  sendOne(r, fax({{p1}, {p2}}), script().setup("0,3,0,2,0,0,0,0").dial().page(false).page(true));

  EXPECT_TRUE(r.modem.mismatches.empty()) << r.modem.mismatches.front();
  EXPECT_TRUE(r.modem.scriptDone());
  ASSERT_EQ(r.modem.pages.size(), 2u);
  for (int i = 0; i < 2; ++i) {
    Picture rows = decodeRows(r.modem.pages[std::size_t(i)]);
    const Picture& want = i == 0 ? p1 : p2;
    // 8 white lines, the header line's 8 rows, then the page itself.
    ASSERT_EQ(rows.size(), 16 + want.size());
    for (int y = 0; y < 8; ++y) EXPECT_EQ(rows[std::size_t(y)], "");
    EXPECT_NE(std::count(rows.begin() + 8, rows.begin() + 16, ""), 8);
    EXPECT_EQ(Picture(rows.begin() + 16, rows.end()), want);
  }
  if (v20()) {
    EXPECT_EQ(r.modem.pageEnds, (std::vector<char>{',', '.'}));
  }
  EXPECT_EQ(r.host.finish, 0);
  EXPECT_EQ(r.host.logs, (std::vector<int>{lfaxTransmitStart, lfaxTransmitOk}));
  EXPECT_TRUE(r.host.errors.empty());
  EXPECT_EQ(r.session.remoteStationId.get(), "REMOTE FAX");
  EXPECT_EQ(r.session.progressCode, progress::kFinished);
  EXPECT_EQ(r.proto.lastHangupCode, 0);
}

TEST_P(SendSteps, HeaderRowsAreDoubledOnAFinePageAndTheFineRequestGoesToTheModem) {
  SessionRig& r = rig();
  SendScript s = script();
  s.session = "1,3,0,2,0,0,0,0";
  Picture p = patternPicture(10, 3);
  sendOne(r, fax({{p, true}}), s.setup("1,3,0,2,0,0,0,0").dial().page(true));
  ASSERT_EQ(r.modem.pages.size(), 1u);
  EXPECT_EQ(decodeRows(r.modem.pages[0]).size(), 8 + 16 + p.size());
  EXPECT_EQ(r.host.finish, 0);
}

TEST_P(SendSteps, ARemoteWithoutFineEndsAFineSendBeforeAnyPageData) {
  SessionRig& r = rig();
  SendScript s = script();
  s.caps = "0,5,0,2,0,0,0,0";
  sendOne(r, fax({{patternPicture(5, 1), true}}), s.setup("1,3,0,2,0,0,0,0").dial());
  EXPECT_TRUE(r.modem.pages.empty());
  EXPECT_EQ(r.host.finish, ecFaxIncompatible);
  EXPECT_EQ(r.host.logs, (std::vector<int>{lfaxTransmitStart, lfaxTransmitFail}));
}

TEST_P(SendSteps, APageOfAnotherResolutionIsReportedAndStillSent) {
  SessionRig& r = rig();
  sendOne(r, fax({{patternPicture(5, 1)}, {patternPicture(5, 2), true}}),
          script().setup("0,3,0,2,0,0,0,0").dial().page(false).page(true));
  EXPECT_EQ(r.host.errors, std::vector<int>{ecFaxMixedResolution});
  EXPECT_EQ(r.modem.pages.size(), 2u);
  EXPECT_EQ(r.host.finish, 0);
}

TEST_P(SendSteps, AHangupReportEndsTheFaxDuringNegotiation) {
  SessionRig& r = rig();
  std::string hangup = v20() ? "+FHS:A0" : "+FHNG:160";
  sendOne(r, fax({{patternPicture(5, 1)}}),
          script().setup("0,3,0,2,0,0,0,0").dial({v20() ? "+FCO" : "+FCON", hangup}));
  EXPECT_EQ(r.host.finish, ecFaxBadModemResult);
  EXPECT_EQ(r.proto.lastHangupCode, 160);
  EXPECT_TRUE(r.modem.pages.empty());
}

TEST_P(SendSteps, AHangupWithAnErrorCodeAfterThePageFailsTheFax) {
  // The far end never confirmed the page: the modem reports the hang-up, then OK, or in
  // Class 2.0 ERROR (the call is over, so nothing more is asked).
  std::vector<std::string> finals = {"OK"};
  if (v20()) finals.push_back("ERROR");
  for (const std::string& final : finals) {
    SCOPED_TRACE(final);
    SessionRig& r = rig();
    sendOne(r, fax({{patternPicture(5, 1)}}),
            script()
                .setup("0,3,0,2,0,0,0,0")
                .dial()
                .page(true, {v20() ? "+FHS:34" : "+FHNG:52", final}));
    EXPECT_EQ(r.host.finish, ecFaxSessionError);
    EXPECT_EQ(r.proto.lastHangupCode, 52);
    EXPECT_EQ(r.host.logs.back(), lfaxTransmitFail);
    EXPECT_EQ(std::count(r.modem.commands.begin(), r.modem.commands.end(), "AT+FPS?"), 0);
  }
}

TEST_P(SendSteps, DialResultsEndTheFaxWithTheirCodes) {
  struct Case {
    const char* result;
    int code;
  } cases[] = {{"VOICE", ecFaxVoiceCall},
               {"NO DIALTONE", ecFaxNoDialTone},
               {"ERROR", ecFaxBadModemResult},
               {"NO CARRIER", ecFaxNoFax}};  // at once, not after the reply time-out
  for (const Case& c : cases) {
    SessionRig& r = rig();
    sendOne(r, fax({{patternPicture(5, 1)}}), script().setup("0,3,0,2,0,0,0,0").dial({c.result}));
    EXPECT_EQ(r.host.finish, c.code) << c.result;
    EXPECT_EQ(r.host.logs.back(), lfaxTransmitFail);
  }
}

TEST_P(SendSteps, ASilentModemTimesOutOnTheReplyTimer) {
  SessionRig& r = rig();
  std::uint64_t start = r.link.clock().nowMs();
  sendOne(r, fax({{patternPicture(5, 1)}}), {});
  EXPECT_EQ(r.host.finish, ecTimeout);
  EXPECT_GE(r.link.clock().nowMs() - start, 10000u);
  EXPECT_LT(r.link.clock().nowMs() - start, 20000u);
}

TEST_P(SendSteps, BusyRedialsUntilTheAttemptsAreUsedUp) {
  SessionRig& r = rig();
  r.session.dialAttempts = 2;
  r.session.redialWait = secondsToTicks(30);
  SendScript s = script().setup("0,3,0,2,0,0,0,0");
  s.dial({"BUSY"}).dial({"BUSY"});
  std::uint64_t start = r.link.clock().nowMs();
  sendOne(r, fax({{patternPicture(5, 1)}}), s);
  EXPECT_TRUE(r.modem.scriptDone());
  EXPECT_EQ(r.host.finish, ecFaxBusy);
  EXPECT_EQ(r.host.logs, (std::vector<int>{lfaxTransmitStart, lfaxTransmitFail}));
  EXPECT_GE(r.link.clock().nowMs() - start, 30000u);  // one redial wait
  EXPECT_EQ(r.session.dialAttempt, 2);
}

TEST_P(SendSteps, BusyWithAbortNoConnectEndsTheSession) {
  SessionRig& r = rig();
  r.session.dialAttempts = 1;
  r.session.options = kOptAbortNoConnect;
  r.host.faxes.push_back({"5551234", fax({{patternPicture(5, 1)}}), ""});
  SendScript s = script().setup("0,3,0,2,0,0,0,0");
  s.dial({"BUSY"});
  sendOne(r, fax({{patternPicture(5, 1)}}), s);  // the second fax is never dialed
  EXPECT_EQ(r.host.finish, ecFaxBusy);
  EXPECT_EQ(r.host.logs, (std::vector<int>{lfaxTransmitStart, lfaxTransmitFail}));
  EXPECT_EQ(std::count(r.modem.commands.begin(), r.modem.commands.end(), "ATDT5551234"), 1);
}

TEST_P(SendSteps, ControlCharactersNeverReachTheModem) {
  // A CR inside the number would end the dial command early.
  SessionRig& r = rig();
  r.proto.dialPrefix = "9,\r";
  r.host.faxes.push_back({"555\r1234\n", fax({{patternPicture(5, 1)}}), ""});
  SendScript s = script().setup("0,3,0,2,0,0,0,0");
  s.steps.push_back({"ATDT9,5551234", {"NO DIALTONE"}});
  r.modem.load(s.steps);
  r.start();
  r.run();
  EXPECT_EQ(r.host.finish, ecFaxNoDialTone);  // the script's dial command was matched
}

TEST_P(SendSteps, UnlimitedAttemptsRedialUntilTheLineIsFree) {
  SessionRig& r = rig();
  r.session.dialAttempts = 0;
  r.session.redialWait = 1;
  SendScript s = script().setup("0,3,0,2,0,0,0,0");
  for (int i = 0; i < 6; ++i) s.dial({"BUSY"});
  s.dial().page(true);
  sendOne(r, fax({{patternPicture(5, 1)}}), s);
  EXPECT_EQ(r.host.finish, 0);
  EXPECT_EQ(r.session.dialAttempt, 7);  // the attempt that went through
}

TEST_P(SendSteps, AbortDuringDialingEndsWithUserAbort) {
  SessionRig& r = rig();
  SendScript s = script().setup("0,3,0,2,0,0,0,0");
  s.steps.push_back({"ATDT5551234", {}});  // the dial result never comes
  sendOne(r, fax({{patternPicture(5, 1)}}), s, false);
  ASSERT_FALSE(r.ended());
  r.send->abort();
  r.run();  // the hang-up's pauses
  EXPECT_TRUE(r.ended());
  EXPECT_EQ(r.host.finish, ecCancelRequested);
  EXPECT_EQ(r.session.progressCode, progress::kUserAbort);
  EXPECT_EQ(r.host.lastStatus, 1);
  EXPECT_EQ(r.modem.commands.back(), "+++ATH0");
}

// A cancel while the page's data flows: the modem would take a hang-up command as data,
// so the data is ended and the session aborted first; a modem that does not answer the
// end of the data is hung up by DTR.
TEST_P(SendSteps, ACancelInThePageDataEndsTheDataBeforeTheHangUp) {
  const std::string kill = v20() ? "AT+FKS" : "AT+FK";
  struct Case {
    bool answers;
    std::vector<std::string> tail;  // the commands after "AT+FDT"
  } cases[] = {
      {true, {kill, "+++ATH0", kDtrLow}},
      {false, {kDtrLow, "+++ATH0", kDtrLow}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.answers ? "the modem answers" : "the modem is silent");
    SessionRig& r = rig();
    r.link.carrierState = Carrier::Present;  // it stays: DTR is dropped after ATH0 as well
    r.session.maxSendCount = 1;
    SendScript s = script().setup("0,3,0,2,0,0,0,0").dial();
    s.page(true);
    s.steps.resize(s.steps.size() - (v20() ? 1 : 2));  // up to the page's data
    if (c.answers) {
      s.steps.push_back({"<page>", {"+FPTS:1", "OK"}});
      s.steps.push_back({kill, {"OK"}});
    }
    ASSERT_TRUE(r.cancelInPageData(fax({{patternPicture(400, 1)}}), s.steps));
    EXPECT_TRUE(r.ended());
    EXPECT_EQ(r.host.finish, ecCancelRequested);
    ASSERT_EQ(r.modem.pageEnds.size(), 1u);
    EXPECT_EQ(r.modem.pageEnds[0], '\x03');
    auto fdt = std::find(r.modem.commands.begin(), r.modem.commands.end(), "AT+FDT");
    ASSERT_NE(fdt, r.modem.commands.end());
    EXPECT_EQ(std::vector<std::string>(fdt + 1, r.modem.commands.end()), c.tail);
  }
}

TEST_P(SendSteps, ACancelDuringAPauseDropsTheWaitingCommandAndHangsUp) {
  SessionRig& r = rig();
  r.host.faxes.push_back({"5551234", fax({{patternPicture(5, 1)}}), ""});
  r.modem.load(script().setup("0,3,0,2,0,0,0,0").steps);
  r.start();
  ASSERT_TRUE(r.link.pause);  // in the pause before the first command
  r.send->abort();
  r.run();
  EXPECT_EQ(r.host.finish, ecCancelRequested);
  EXPECT_EQ(r.modem.commands, (std::vector<std::string>{"+++ATH0"}));
}

TEST_P(SendSteps, AStepThatThrowsIsLoggedAndEndsTheFaxWithTheSessionError) {
  SessionRig& r = rig();
  r.host.failOnLog = lfaxTransmitStart;
  sendOne(r, fax({{patternPicture(5, 1)}}), script().setup("0,3,0,2,0,0,0,0").dial().page(true));
  EXPECT_TRUE(r.ended());
  EXPECT_EQ(r.host.finish, ecFaxSessionError);
  EXPECT_EQ(r.host.errors, std::vector<int>{ecFaxSessionError});
  EXPECT_TRUE(std::any_of(r.link.notes.begin(), r.link.notes.end(), [](const std::string& n) {
    return n.find("log not written") != std::string::npos;
  }));
}

TEST_P(SendSteps, TheHeaderDateComesFromTheSessionClock) {
  auto headerRows = [&](std::time_t at) {
    SessionRig& r = rig();
    r.session.headerLine = "$D";
    r.link.fakeClock().setCalendar(at);
    sendOne(r, fax({{patternPicture(5, 1)}}), script().setup("0,3,0,2,0,0,0,0").dial().page(true));
    EXPECT_EQ(r.modem.pages.size(), 1u);
    Picture rows = decodeRows(r.modem.pages.at(0));
    return Picture(rows.begin() + 8, rows.begin() + 16);
  };
  const std::time_t noon = 1592222400;  // a summer day at noon (UTC)
  EXPECT_EQ(headerRows(noon), headerRows(noon + 60));
  EXPECT_NE(headerRows(noon), headerRows(noon + 3 * 86400));
}

TEST_P(SendSteps, NoiseLinesAreSkipped) {
  SessionRig& r = rig();
  SendScript s = script().setup("0,3,0,2,0,0,0,0").dial().page(true);
  for (Exchange& e : s.steps) e.replies.insert(e.replies.begin(), {"#%&*", "+FXYZ: 7"});
  sendOne(r, fax({{patternPicture(5, 1)}}), s);
  EXPECT_EQ(r.host.finish, 0);
}

TEST_P(SendSteps, AnEmptyListFinishesAtOnceWithoutTouchingTheModem) {
  SessionRig& r = rig();
  r.host.faxes.push_back({"", "x.brx", ""});
  r.start();
  EXPECT_TRUE(r.ended());
  EXPECT_EQ(r.host.finish, 0);
  EXPECT_TRUE(r.modem.commands.empty());
}

TEST_P(SendSteps, AFileThatIsNotAFaxFailsAndTheNextFaxStillGoesOut) {
  SessionRig& r = rig();
  std::string bad = dir_.path("bad.brx");
  FILE* f = std::fopen(bad.c_str(), "w");
  std::fputs("not a fax file at all, but long enough for a header ............................", f);
  std::fclose(f);
  r.host.faxes.push_back({"5551234", bad, ""});
  sendOne(r, fax({{patternPicture(5, 1)}}), script().setup("0,3,0,2,0,0,0,0").dial().page(true));
  EXPECT_EQ(r.host.errors, std::vector<int>{ecFaxBadFormat});
  EXPECT_EQ(r.host.logs, (std::vector<int>{lfaxTransmitStart, lfaxTransmitFail, lfaxTransmitStart,
                                           lfaxTransmitOk}));
  EXPECT_EQ(r.host.finish, 0);  // the last fax succeeded
}

INSTANTIATE_TEST_SUITE_P(Class, SendSteps, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Class20" : "Class2"; });

// A page the far end refuses goes again; the third refusal gives up. Class 2 reports the
// refusal as a page status before OK; a Class 2.0 modem either does the same or answers
// ERROR and tells the page status when asked.
TEST(Class2SendSteps, ARefusedPageIsSentAgainAndTheThirdRefusalGivesUp) {
  TempDir dir;
  std::string file = dir.path("f.brx");
  writeBrx(file, {{patternPicture(6, 4)}});
  struct Refusal {
    bool v20;
    std::vector<std::string> status;
    bool asked;  // the modem is asked for the page status
  } refusals[] = {
      {false, {"+FPTS:2", "OK"}, false},
      {true, {"+FPS:2", "OK"}, false},
      {true, {"ERROR"}, true},
  };
  for (const Refusal& f : refusals) {
    for (int refused : {1, 3}) {
      SCOPED_TRACE(f.status.front() + " x" + std::to_string(refused));
      SessionRig r(true, f.v20 ? TFaxClass::fcClass2_0 : TFaxClass::fcClass2);
      r.session.stationId = "STATION 1";
      SendScript s;
      s.v20 = f.v20;
      s.setup("0,3,0,2,0,0,0,0").dial();
      for (int i = 0; i < refused; ++i) {
        s.page(true, f.status);
        if (f.asked) s.steps.push_back({"AT+FPS?", {"2", "OK"}});
      }
      if (refused < 3) s.page(true);
      r.host.faxes.push_back({"5551234", file, ""});
      r.modem.load(s.steps);
      r.start();
      r.run();
      if (refused < 3) {
        EXPECT_TRUE(r.modem.mismatches.empty()) << r.modem.mismatches.front();
        EXPECT_EQ(r.host.finish, 0);
        ASSERT_EQ(r.modem.pages.size(), 2u);
        EXPECT_EQ(r.modem.pages[0], r.modem.pages[1]);
      } else {
        EXPECT_EQ(r.host.finish, ecFaxSessionError);
        EXPECT_EQ(r.modem.pages.size(), 3u);
        EXPECT_EQ(std::count(r.modem.commands.begin(), r.modem.commands.end(), "AT+FDT"), 3);
        EXPECT_NE(std::find(r.modem.commands.begin(), r.modem.commands.end(), "AT+FKS"),
                  r.modem.commands.end());
        EXPECT_EQ(r.host.logs.back(), lfaxTransmitFail);
      }
    }
  }
}

TEST(Class2SendSteps, AHangupCodeZeroAfterTheLastPageIsStoredAndTheFaxSucceeds) {
  TempDir dir;
  std::string file = dir.path("f.brx");
  writeBrx(file, {{patternPicture(6, 4)}});
  SessionRig r(true, TFaxClass::fcClass2);
  r.session.stationId = "STATION 1";
  SendScript s;
  s.setup("0,3,0,2,0,0,0,0").dial().page(true, {"+FPTS:1", "+FHNG:0", "OK"});
  r.proto.lastHangupCode = 99;
  r.host.faxes.push_back({"5551234", file, ""});
  r.modem.load(s.steps);
  r.start();
  r.run();
  EXPECT_EQ(r.host.finish, 0);
  EXPECT_EQ(r.proto.lastHangupCode, 0);
}

// The modem's device goes away (a USB modem pulled out): before the far end has confirmed
// the last page the fax fails with the lost-device code; after that it counts as sent.
// Either way nothing more goes to the modem, not even a hang-up.
TEST(Class2SendSteps, ALostModemFailsTheFaxUnlessItsLastPageWasConfirmed) {
  TempDir dir;
  std::string file = dir.path("f.brx");
  writeBrx(file, {{patternPicture(6, 4)}});
  for (bool confirmed : {false, true}) {
    SessionRig r(true, TFaxClass::fcClass2);
    r.session.stationId = "STATION 1";
    SendScript s;
    s.setup("0,3,0,2,0,0,0,0").dial().page(true, {"+FPTS:1", "+FHNG:0"});  // no OK yet
    if (!confirmed) s.steps.resize(s.steps.size() - 2);  // no answer to the page's end
    r.host.faxes.push_back({"5551234", file, ""});
    r.modem.load(s.steps);
    r.start();
    r.run(false);
    ASSERT_FALSE(r.ended());
    const std::size_t commands = r.modem.commands.size();
    r.machine().handle(Trigger::DeviceLost);
    EXPECT_TRUE(r.ended());
    EXPECT_EQ(r.host.finish, confirmed ? 0 : ecDeviceLost) << confirmed;
    EXPECT_EQ(r.host.logs.back(), confirmed ? lfaxTransmitOk : lfaxTransmitFail);
    EXPECT_EQ(r.modem.commands.size(), commands);
  }
}

}  // namespace

namespace {

// Runs one Class 2 fax with a cover to its end; the modem's pages are returned.
std::vector<Picture> sendWithCover(const std::string& fax, const std::string& cover, int pages) {
  SessionRig r(true, TFaxClass::fcClass2);
  r.session.stationId = "STATION 1";
  r.session.headerLine = "PAGE $P OF $N";
  SendScript s;
  s.setup("0,3,0,2,0,0,0,0").dial();
  for (int i = 1; i <= pages; ++i) s.page(i == pages);
  r.host.faxes.push_back({"5551234", fax, cover});
  r.modem.load(s.steps);
  r.start();
  r.run();
  EXPECT_EQ(r.host.finish, 0);
  EXPECT_TRUE(r.modem.mismatches.empty());
  std::vector<Picture> out;
  for (const auto& p : r.modem.pages) out.push_back(decodeRows(p));
  return out;
}

TEST(SendCover, ATextCoverIsDrawnWithTheFaxFontAheadOfThePages) {
  TempDir dir;
  std::string fax = dir.path("f.brx"), cover = dir.path("cover.txt");
  Picture p = patternPicture(12, 3);
  writeBrx(fax, {{p}});
  FILE* f = std::fopen(cover.c_str(), "w");
  std::fputs("TO $R\r\nHELLO\n", f);
  std::fclose(f);
  std::vector<Picture> pages = sendWithCover(fax, cover, 2);
  ASSERT_EQ(pages.size(), 2u);
  // The cover: 8 white lines, the header, two text lines of 16 rows each.
  ASSERT_EQ(pages[0].size(), 8u + 8u + 32u);
  EXPECT_NE(std::count(pages[0].begin() + 16, pages[0].end(), ""), 32);
  EXPECT_EQ(Picture(pages[1].begin() + 16, pages[1].end()), p);
  // "PAGE 1 OF 2" and "PAGE 2 OF 2" differ.
  EXPECT_NE(Picture(pages[0].begin() + 8, pages[0].begin() + 16),
            Picture(pages[1].begin() + 8, pages[1].begin() + 16));
}

TEST(SendCover, ABrxCoverIsSentAsAPageAndItsExtensionIsMatchedWithoutCase) {
  TempDir dir;
  std::string cover = dir.path("Cover.Brx");
  Picture c = patternPicture(9, 8);
  writeBrx(cover, {{c}});
  std::vector<Picture> pages = sendWithCover("", cover, 1);
  ASSERT_EQ(pages.size(), 1u);
  EXPECT_EQ(Picture(pages[0].begin() + 16, pages[0].end()), c);
}

}  // namespace
