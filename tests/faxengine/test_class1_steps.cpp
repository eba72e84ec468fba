// The Class 1 dialogues step by step against a scripted modem on a fake clock: the T.30
// frames both ways, the training check, falling back, the post-page exchange with its
// retries, and the codes each failure ends with.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "fax_pages.h"
#include "faxengine/class1_frames.h"
#include "faxengine/ecm_frames.h"
#include "faxengine/errors.h"
#include "faxengine/hdlc_bits.h"
#include "faxengine/modem_bytes.h"
#include "faximage/brx_file.h"
#include "faximage/brx_format.h"
#include "faximage/t4_2d.h"
#include "session_rig.h"

using namespace faxengine;
using namespace faxengine::class1;
using namespace faxengine::test;

namespace {

// Runs the rig to the end of the call; the fake clock's reading (ms) when each command
// of the modem's list went out.
std::vector<std::uint64_t> runTimed(SessionRig& r) {
  std::vector<std::uint64_t> at;
  r.run(true, [&] {
    while (at.size() < r.modem.commands.size()) at.push_back(r.link.fakeClock().nowMs());
    return false;
  });
  while (at.size() < r.modem.commands.size()) at.push_back(r.link.fakeClock().nowMs());
  return at;
}

// Seconds from the last "AT+FRH=3" to the first command after a stopped wait (the blank
// the stop wrote leads it).
double repeatGap(const SessionRig& r, const std::vector<std::uint64_t>& at) {
  const auto& c = r.modem.commands;
  for (std::size_t i = 1; i < c.size(); ++i)
    if (c[i].starts_with(' ') && c[i - 1] == "AT+FRH=3") return double(at[i] - at[i - 1]) / 1000.0;
  return -1;
}

// A frame as the modem passes it: check bytes, DLE doubled, DLE ETX.
std::string frameIn(std::uint8_t control, std::uint8_t fcf, std::vector<std::uint8_t> info = {}) {
  std::vector<std::uint8_t> b = {0xFF, control, fcf};
  b.insert(b.end(), info.begin(), info.end());
  b.insert(b.end(), {0x10, 0x3C});  // check bytes, one of them a DLE
  std::string s;
  for (std::uint8_t c : b) {
    s.push_back(char(c));
    if (c == kDle) s.push_back(char(kDle));
  }
  return raw(s + "\x10\x03");
}
std::string finalIn(Fcf f, std::vector<std::uint8_t> info = {}) {
  return frameIn(0x13, std::uint8_t(f), std::move(info));
}
std::string disIn(std::uint8_t rate, std::uint8_t scan = 0xF9) {
  return finalIn(Fcf::DIS, {0x00, rate, scan, 0x00});
}
std::string idIn(Fcf f, const std::string& reversed) {
  std::vector<std::uint8_t> info(reversed.begin(), reversed.end());
  info.resize(20, ' ');
  return frameIn(0x03, std::uint8_t(f), info);
}
std::string escaped(const std::vector<std::uint8_t>& data) {
  std::string s;
  for (std::uint8_t c : data) {
    s.push_back(char(c));
    if (c == kDle) s.push_back(char(kDle));
  }
  return s + "\x10\x03";
}

// The far end of a send, as the modem reports it.
struct SendScript {
  std::vector<Exchange> steps;
  std::string modulation = "145";

  SendScript& dial(std::uint8_t disRate = 0x6E, std::uint8_t scan = 0xF9) {
    steps.push_back({"AT+FCLASS=1", {"OK"}});
    steps.push_back({"ATDT5551234", {"CONNECT", idIn(Fcf::CSI, "4321 555"), "OK"}});
    steps.push_back({"AT+FRH=3", {"CONNECT", disIn(disRate, scan), "OK"}});
    steps.push_back({"AT+FTH=3", {"CONNECT"}, true});
    steps.push_back({"<page>", {"CONNECT"}, true});  // TSI
    return training();
  }
  // DCS once more (after FTT, RTN or RTP), the training check and the answer to it.
  SendScript& dcs() {
    steps.push_back({"AT+FTH=3", {"CONNECT"}, true});
    return training();
  }
  SendScript& training() {
    steps.push_back({"<page>", {"OK"}});  // DCS
    steps.push_back({"AT+FTM=" + modulation, {"CONNECT"}, true});
    steps.push_back({"<page>", {"OK"}});
    steps.push_back({"AT+FRH=3", {"CONNECT", finalIn(Fcf::CFR), "OK"}});
    return *this;
  }
  // A page after CFR or MCF, then MPS or EOP and the answer.
  SendScript& page(std::vector<std::string> answer = {}) {
    steps.push_back({"AT+FTM=" + pageModulation(modulation), {"CONNECT", raw("\x11")}, true});
    steps.push_back({"<page>", {"OK"}});
    return postPage(std::move(answer));
  }
  SendScript& postPage(std::vector<std::string> answer = {}, const char* cmd = "AT+FTH=3") {
    if (answer.empty()) answer = {"CONNECT", finalIn(Fcf::MCF), "OK"};
    steps.push_back({cmd, {"CONNECT"}, true});  // MPS / EOP
    steps.push_back({"<page>", {"OK"}});
    steps.push_back({"AT+FRH=3", answer});
    return *this;
  }
  SendScript& release() {
    steps.push_back({"AT+FTH=3", {"CONNECT"}, true});  // DCN
    steps.push_back({"<page>", {"OK"}});
    steps.push_back({"ATH", {"OK"}});
    return *this;
  }
};

class Class1SendSteps : public ::testing::Test {
 protected:
  SessionRig& rig() {
    rig_ = std::make_unique<SessionRig>(true, TFaxClass::fcClass1);
    rig_->session.stationId = "abc";
    rig_->session.headerLine = "FROM $I PAGE $P";
    rig_->proto.localRates = {false, true, true, true, true, true, true};
    rig_->proto.desiredBps = 14400;
    return *rig_;
  }
  std::string fax(const std::vector<TestPage>& pages) {
    std::string path = dir_.path("fax" + std::to_string(n_++) + ".brx");
    writeBrx(path, pages);
    return path;
  }
  void send(SessionRig& r, const std::string& file, const SendScript& s) {
    r.host.faxes.push_back({"5551234", file, ""});
    r.modem.load(s.steps);
    r.start();
    r.run();
  }
  // The session log tells where a failing call went.
  void TearDown() override {
    if (HasFailure() && rig_)
      for (const std::string& n : rig_->link.notes) std::printf("%s\n", n.c_str());
  }
  // What the engine wrote after each CONNECT: frames start with 0xFF, the rest is
  // training or page data.
  static std::vector<std::vector<std::uint8_t>> frames(const SessionRig& r) {
    std::vector<std::vector<std::uint8_t>> out;
    for (const auto& p : r.modem.pages)
      if (!p.empty() && p[0] == 0xFF) out.push_back(p);
    return out;
  }
  static std::vector<std::vector<std::uint8_t>> data(const SessionRig& r) {
    std::vector<std::vector<std::uint8_t>> out;
    for (const auto& p : r.modem.pages)
      if (p.empty() || p[0] != 0xFF) out.push_back(p);
    return out;
  }
  static std::string frameNames(const SessionRig& r) {
    std::string names;
    for (const auto& f : frames(r)) names += (names.empty() ? "" : " ") + fcfName(f[2]);
    return names;
  }

  TempDir dir_;
  int n_ = 0;
  std::unique_ptr<SessionRig> rig_;
};

TEST_F(Class1SendSteps, TwoPagesGoOutAt14400AfterTheTrainingCheck) {
  Picture p1 = patternPicture(20, 1), p2 = patternPicture(15, 2);
  SessionRig& r = rig();
  send(r, fax({{p1}, {p2}}), SendScript().dial().page().page().release());

  EXPECT_TRUE(r.modem.mismatches.empty()) << r.modem.mismatches.front();
  EXPECT_TRUE(r.modem.scriptDone());
  EXPECT_EQ(r.host.finish, 0);
  EXPECT_EQ(r.host.logs, (std::vector<int>{lfaxTransmitStart, lfaxTransmitOk}));
  EXPECT_EQ(r.session.remoteStationId.get(), "555 1234");
  EXPECT_EQ(frameNames(r), "TSI DCS MPS EOP DCN");
  auto f = frames(r);
  EXPECT_EQ(std::string(f[0].begin() + 3, f[0].end()), "CBA" + std::string(17, ' '));
  EXPECT_EQ(f[1], (std::vector<std::uint8_t>{0xFF, 0x13, 0x83, 0x00, 0x22, 0xF8, 0x00}));
  auto d = data(r);
  ASSERT_EQ(d.size(), 3u);
  EXPECT_EQ(d[0], std::vector<std::uint8_t>(tcfLength(14400), 0));
  for (int i = 0; i < 2; ++i) {
    Picture rows = decodeRows(d[std::size_t(i) + 1]);
    const Picture& want = i == 0 ? p1 : p2;
    ASSERT_EQ(rows.size(), 16 + want.size());
    EXPECT_EQ(Picture(rows.begin() + 16, rows.end()), want);
  }
  EXPECT_EQ(r.proto.sessionBps, 14400);
}

// A far end with 2-D coding gets the page in MR, named in the DCS: a one-dimensional row
// every second row at standard resolution, and every row filled to the scan-line time the
// DIS asked for (20 ms: 36 bytes at 14400 bit/s), down to the white lines and header rows.
TEST_F(Class1SendSteps, AFarEndWith2dGetsMrRowsEachFilledToItsScanTime) {
  Picture p1 = patternPicture(20, 1);
  SessionRig& r = rig();
  send(r, fax({{p1}}), SendScript().dial(0xEE, 0x80).page().release());

  EXPECT_TRUE(r.modem.mismatches.empty()) << r.modem.mismatches.front();
  EXPECT_EQ(r.host.finish, 0);
  EXPECT_EQ(frames(r)[1][4], 0x02 | 0x20 | 0x80);  // 14400 V.17, 2-D coding
  auto d = data(r);
  ASSERT_EQ(d.size(), 2u);
  Picture rows;
  faximage::t4::PageDecoder decoder(faximage::t4::Coding::Mr, faximage::kNormalWidth);
  EXPECT_EQ(decoder.decodePage(d[1],
                               [&](const std::uint8_t* line, int bytes) {
                                 rows.push_back(pictureRow(line, bytes * 8));
                                 return true;
                               }),
            faximage::t4::PageDecoder::Result::EndOfPage);
  EXPECT_EQ(decoder.badLines(), 0u);
  EXPECT_TRUE(rowsMatch(rows, 16, p1));
  // Where each EOL ends, and the tag bit after it (1: a one-dimensional row).
  std::vector<std::size_t> ends;
  int oneD = 0, zeros = 0;
  for (std::size_t bit = 0; bit < d[1].size() * 8; ++bit) {
    bool one = (d[1][bit / 8] >> (bit % 8)) & 1;
    if (one && zeros >= 11) {
      ends.push_back(bit + 1);
      oneD += (d[1][(bit + 1) / 8] >> ((bit + 1) % 8)) & 1;
    }
    zeros = one ? 0 : zeros + 1;
  }
  ASSERT_EQ(ends.size(), rows.size() + 6);  // the rows, then RTC
  EXPECT_EQ(oneD, int(rows.size() + 1) / 2 + 6);
  for (std::size_t i = 1; i < rows.size(); ++i)
    EXPECT_GE(ends[i] - ends[i - 1], 36u * 8) << "row " << i - 1;
}

TEST_F(Class1SendSteps, A9600DisLimitsAFastModemTo96) {
  SessionRig& r = rig();
  SendScript s;
  s.modulation = "96";
  send(r, fax({{patternPicture(5, 1)}}), s.dial(0x4E).page().release());
  EXPECT_TRUE(r.modem.mismatches.empty()) << r.modem.mismatches.front();
  EXPECT_EQ(r.host.finish, 0);
  EXPECT_EQ(frames(r)[1][4], 0x02 | 0x04);  // V.29 9600
}

TEST_F(Class1SendSteps, FttFallsBackOneRateAndTrainsAgain) {
  SessionRig& r = rig();
  SendScript s;
  s.dial(0x6E);
  s.steps.back().replies = {"CONNECT", finalIn(Fcf::FTT), "OK"};
  s.modulation = "121";
  s.dcs().page().release();
  send(r, fax({{patternPicture(5, 1)}}), s);
  EXPECT_TRUE(r.modem.mismatches.empty()) << r.modem.mismatches.front();
  EXPECT_EQ(r.host.finish, 0);
  EXPECT_EQ(frameNames(r), "TSI DCS DCS EOP DCN");
  EXPECT_EQ(frames(r)[2][4], 0x02 | 0x28);  // V.17 12000
  EXPECT_EQ(data(r)[1].size(), tcfLength(12000));
}

TEST_F(Class1SendSteps, FttAt2400EndsTheFax) {
  SessionRig& r = rig();
  r.proto.desiredBps = 2400;
  SendScript s;
  s.modulation = "24";
  s.dial(0x6E, 0xF9);
  s.steps.back().replies = {"CONNECT", finalIn(Fcf::FTT), "OK"};
  send(r, fax({{patternPicture(5, 1)}}), s);
  EXPECT_EQ(r.host.finish, ecFaxTrainError);
  EXPECT_EQ(r.host.logs.back(), lfaxTransmitFail);
  EXPECT_TRUE(data(r).size() == 1u);  // the training check, no page
}

TEST_F(Class1SendSteps, RtnSendsTheRejectedPageAgainAtALowerRate) {
  Picture p = patternPicture(12, 5);
  SessionRig& r = rig();
  SendScript s;
  s.dial().page({"CONNECT", finalIn(Fcf::RTN), "OK"});
  s.modulation = "121";
  s.dcs().page().release();
  send(r, fax({{p}}), s);
  EXPECT_TRUE(r.modem.mismatches.empty()) << r.modem.mismatches.front();
  EXPECT_EQ(r.host.finish, 0);
  auto d = data(r);
  ASSERT_EQ(d.size(), 4u);  // TCF, page, TCF, the page again
  Picture again = decodeRows(d[3]);
  EXPECT_EQ(Picture(again.begin() + 16, again.end()), p);
}

TEST_F(Class1SendSteps, RtpAfterTheLastPageEndsWithDcnAndAfterAnotherTrainsAgain) {
  SessionRig& r = rig();
  SendScript s;
  s.dial().page({"CONNECT", finalIn(Fcf::RTP), "OK"});
  s.dcs().page({"CONNECT", finalIn(Fcf::RTP), "OK"}).release();
  send(r, fax({{patternPicture(5, 1)}, {patternPicture(5, 2)}}), s);
  EXPECT_TRUE(r.modem.mismatches.empty()) << r.modem.mismatches.front();
  EXPECT_EQ(r.host.finish, 0);
  EXPECT_EQ(frameNames(r), "TSI DCS MPS DCS EOP DCN");
}

// The line's error rules: a response that does not come within T4 (or comes damaged, as
// ERROR ends its frame) makes us send the command again, three times in all; a damaged
// frame is never acted on. `gap`: seconds from the listen to the repeat (the blank that
// stops the modem's wait starts the repeated command), 0 where nothing is repeated.
TEST_F(Class1SendSteps, CommandsGoAgainWhenNoGoodResponseComesWithinT4) {
  const std::string damagedRtn = finalIn(Fcf::RTN);  // as the modem passes it, before ERROR
  struct Case {
    const char* name;
    std::function<void(SendScript&)> script;
    int finish;
    const char* frames;
    double gap;
  } cases[] = {
      {"EOP unanswered once",
       [](SendScript& s) { s.dial().page({""}).postPage({}, " AT+FTH=3").release(); }, 0,
       "TSI DCS EOP EOP DCN", 3},
      {"EOP never answered",
       [](SendScript& s) {
         s.dial().page({""}).postPage({""}, " AT+FTH=3").postPage({""}, " AT+FTH=3");
         s.steps.push_back({" +++ATH0", {"OK"}});
       },
       ecTimeout, "TSI DCS EOP EOP EOP", 3},
      {"AT+FRH=3 refused: not asked again until T4 is over",
       [](SendScript& s) { s.dial().page({"ERROR"}).postPage().release(); }, 0,
       "TSI DCS EOP EOP DCN", 0},
      {"a damaged RTN is dropped",
       [&](SendScript& s) {
         s.dial().page({"CONNECT", damagedRtn, "ERROR"});
         s.steps.push_back({"AT+FRH=3", {"CONNECT", finalIn(Fcf::MCF), "OK"}});
         s.release();
       },
       0, "TSI DCS EOP DCN", 0},
      {"a damaged DIS is dropped, its repeat read",
       [](SendScript& s) {
         s.dial();
         s.steps[2].replies = {"CONNECT", disIn(0x0E), "ERROR"};  // would limit us to 9600
         s.steps.insert(s.steps.begin() + 3, {"AT+FRH=3", {"CONNECT", disIn(0x6E), "OK"}});
         s.page().release();
       },
       0, "TSI DCS EOP DCN", 0},
      {"DCS never answered",
       [](SendScript& s) {
         s.dial();
         for (int i = 0; i < 2; ++i) {
           s.steps.back().replies = {};
           s.steps.push_back({" AT+FTH=3", {"CONNECT"}, true});
           s.steps.push_back({"<page>", {"CONNECT"}, true});  // TSI
           s.training();
         }
         s.steps.back().replies = {};
         s.steps.push_back({" +++ATH0", {"OK"}});
       },
       ecTimeout, "TSI DCS TSI DCS TSI DCS", 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SessionRig& r = rig();
    SendScript s;
    c.script(s);
    r.host.faxes.push_back({"5551234", fax({{patternPicture(5, 1)}}), ""});
    r.modem.load(s.steps);
    r.start();
    std::vector<std::uint64_t> at = runTimed(r);
    EXPECT_TRUE(r.modem.mismatches.empty()) << r.modem.mismatches.front();
    EXPECT_EQ(r.host.finish, c.finish);
    EXPECT_EQ(frameNames(r), c.frames);
    EXPECT_EQ(r.proto.sessionBps, 14400);
    if (c.gap > 0) {
      EXPECT_GE(repeatGap(r, at), c.gap);
      EXPECT_LT(repeatGap(r, at), c.gap + 1);  // with the pauses before the repeat
    }
  }
}

// The modem's and the far end's answers before any page end the fax with their codes.
TEST_F(Class1SendSteps, AnswersBeforeThePageEndTheFaxWithTheirCodes) {
  struct Case {
    std::vector<std::string> classReply, dialReply;
    bool fine;
    int code;
  } cases[] = {
      {{"OK"}, {"CONNECT", finalIn(Fcf::DCN), "OK"}, false, ecCancelRequested},
      {{"OK"}, {"CONNECT", disIn(0x0E), "OK"}, true, ecFaxIncompatible},  // no fine resolution
      {{"OK"}, {"NO CARRIER"}, false, ecFaxNoFax},
      {{"OK"}, {"CONNECT", "ERROR"}, false, ecTimeout},  // no readable DIS within T1
      {{"ERROR"}, {}, false, ecFaxInitError},            // a modem without Class 1
      {{}, {}, false, ecTimeout},                        // a modem that says nothing
  };
  for (const Case& c : cases) {
    SessionRig& r = rig();
    SendScript s;
    s.steps = {{"AT+FCLASS=1", c.classReply}, {"ATDT5551234", c.dialReply}};
    send(r, fax({{patternPicture(5, 1), c.fine}}), s);
    EXPECT_EQ(r.host.finish, c.code);
    EXPECT_TRUE(r.modem.pages.empty());
  }
}

// A cancel while the page's data flows ends the data with DLE ETX before the hang-up; a
// modem that does not answer it is hung up by DTR.
TEST_F(Class1SendSteps, ACancelInThePageDataEndsTheDataBeforeTheHangUp) {
  struct Case {
    bool answers;
    Carrier carrier;
    std::vector<std::string> tail;  // the commands after the page's "AT+FTM="
  } cases[] = {
      {true, Carrier::Unknown, {"+++ATH0"}},
      {false, Carrier::Present, {kDtrLow, "+++ATH0", kDtrLow}},  // carrier stays after ATH0
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.answers ? "the modem answers" : "the modem is silent");
    SessionRig& r = rig();
    r.link.carrierState = c.carrier;
    r.session.maxSendCount = 1;
    SendScript s;
    s.dial();
    const std::string ftm = "AT+FTM=" + pageModulation(s.modulation);
    s.steps.push_back({ftm, {"CONNECT", raw("\x11")}, true});
    if (c.answers) s.steps.push_back({"<page>", {"OK"}});
    ASSERT_TRUE(r.cancelInPageData(fax({{patternPicture(400, 1)}}), s.steps));
    EXPECT_TRUE(r.ended());
    EXPECT_EQ(r.host.finish, ecCancelRequested);
    auto at = std::find(r.modem.commands.rbegin(), r.modem.commands.rend(), ftm);
    ASSERT_NE(at, r.modem.commands.rend());
    EXPECT_EQ(std::vector<std::string>(at.base(), r.modem.commands.end()), c.tail);
  }
}

// ---- receiving -------------------------------------------------------------------------

// The caller's side of a receive, as the modem reports it.
struct ReceiveScript {
  std::vector<Exchange> steps;
  std::string modulation = "96";

  ReceiveScript& answer(std::uint8_t dcsRate = 0x46) {
    steps.push_back({"AT+FCLASS=1", {"OK"}});
    steps.push_back({"", {"RING"}});
    steps.push_back({"ATA", {"CONNECT"}, true});     // CSI
    steps.push_back({"<page>", {"CONNECT"}, true});  // DIS
    steps.push_back({"<page>", {"OK"}});
    steps.push_back({"AT+FRH=3", {"CONNECT", idIn(Fcf::TSI, "4321 555"), "OK"}});
    return dcs(dcsRate);
  }
  ReceiveScript& dcs(std::uint8_t rate) {
    steps.push_back({"AT+FRH=3", {"CONNECT", frameIn(0x13, 0x83, {0x00, rate, 0x88, 0x00}), "OK"}});
    return *this;
  }
  // The training check with `bad` of every 100 bytes not zero, and the answer we send.
  ReceiveScript& tcf(int bad) {
    std::vector<std::uint8_t> t(1000, 0);
    std::fill_n(t.begin(), bad * 10, 0x5A);
    steps.push_back({"AT+FRM=" + modulation, {"CONNECT", raw(escaped(t)), "NO CARRIER"}});
    steps.push_back({"AT+FTH=3", {"CONNECT"}, true});  // CFR or FTT
    steps.push_back({"<page>", {"OK"}});
    return *this;
  }
  ReceiveScript& page(const Picture& rows, Fcf post) { return page(codedPage(rows), post); }
  // A page's data, the post-page command, and our answer (MCF or RTN).
  ReceiveScript& page(const std::vector<std::uint8_t>& data, Fcf post) {
    steps.push_back(
        {"AT+FRM=" + pageModulation(modulation), {"CONNECT", raw(escaped(data)), "NO CARRIER"}});
    steps.push_back({"AT+FRH=3", {"CONNECT", finalIn(post), "OK"}});
    steps.push_back({"AT+FTH=3", {"CONNECT"}, true});  // MCF
    steps.push_back({"<page>", {"OK"}});
    return *this;
  }
  ReceiveScript& release() {
    steps.push_back({"AT+FRH=3", {"CONNECT", finalIn(Fcf::DCN), "OK"}});
    steps.push_back({"ATH", {"OK"}});
    return *this;
  }
};

class Class1ReceiveSteps : public ::testing::Test {
 protected:
  SessionRig& rig() {
    rig_ = std::make_unique<SessionRig>(false, TFaxClass::fcClass1);
    rig_->session.oneFax = true;
    rig_->session.options = kOptExitOnError;
    rig_->session.stationId = "RX";
    rig_->proto.localRates = {false, true, true, true, true, true, true};
    rig_->proto.modulationIndex = 6;
    rig_->host.names = {dir_.path("FAX0001.BRX")};
    std::filesystem::remove(rig_->host.names[0]);  // a table's cases share the folder
    return *rig_;
  }
  void receive(SessionRig& r, const ReceiveScript& s) {
    r.modem.load(s.steps);
    r.start();
    r.run();
  }
  // The session log tells where a failing call went.
  void TearDown() override {
    if (HasFailure() && rig_)
      for (const std::string& n : rig_->link.notes) std::printf("%s\n", n.c_str());
  }
  std::string frameNames(const SessionRig& r) {
    std::string names;
    for (const auto& p : r.modem.pages)
      if (!p.empty() && p[0] == 0xFF) names += (names.empty() ? "" : " ") + fcfName(p[2]);
    return names;
  }

  TempDir dir_;
  std::unique_ptr<SessionRig> rig_;
};

TEST_F(Class1ReceiveSteps, TwoPagesAreStoredAsTheyCameAndEachIsConfirmed) {
  Picture p1 = patternPicture(20, 3), p2 = patternPicture(8, 4);
  SessionRig& r = rig();
  receive(r, ReceiveScript().answer().tcf(0).page(p1, Fcf::MPS).page(p2, Fcf::EOP).release());

  EXPECT_TRUE(r.modem.mismatches.empty()) << r.modem.mismatches.front();
  EXPECT_EQ(r.host.finish, 0);
  EXPECT_EQ(frameNames(r), "CSI DIS CFR MCF MCF");
  EXPECT_EQ(r.modem.pages[1], disFrame(6, {.mr = true}));
  EXPECT_EQ(r.session.remoteStationId.get(), "555 1234");
  EXPECT_EQ(r.host.logs, (std::vector<int>{lfaxReceiveStart, lfaxReceiveOk}));
  EXPECT_EQ(brxPageRows(r.host.names[0], 1), p1);
  EXPECT_EQ(brxPageRows(r.host.names[0], 2), p2);
  EXPECT_TRUE(r.proto.sessionFine);
  EXPECT_EQ(r.proto.sessionBps, 9600);
}

TEST_F(Class1ReceiveSteps, ATrainingCheckWithTenPercentErrorsGetsFttAndANewDcs) {
  SessionRig& r = rig();
  ReceiveScript s;
  s.answer().tcf(10);  // refused with FTT
  s.steps.push_back({"AT+FRH=3", {"CONNECT", frameIn(0x13, 0x83, {0x00, 0x0A, 0x88, 0x00}), "OK"}});
  s.modulation = "48";
  s.tcf(9).page(patternPicture(5, 1), Fcf::EOP).release();
  receive(r, s);
  EXPECT_TRUE(r.modem.mismatches.empty()) << r.modem.mismatches.front();
  EXPECT_EQ(r.host.finish, 0);
  EXPECT_EQ(frameNames(r), "CSI DIS FTT CFR MCF");
}

TEST_F(Class1ReceiveSteps, FttAt2400EndsTheCall) {
  SessionRig& r = rig();
  ReceiveScript s;
  s.modulation = "24";
  s.answer(0x02).tcf(50);
  receive(r, s);
  EXPECT_EQ(r.host.finish, ecFaxTrainError);
  EXPECT_EQ(frameNames(r), "CSI DIS FTT");
}

TEST_F(Class1ReceiveSteps, AV17DcsAt9600OpensItsOwnModulation) {
  SessionRig& r = rig();
  ReceiveScript s;
  s.modulation = "97";
  receive(r, s.answer(0x26).tcf(0).page(patternPicture(5, 1), Fcf::EOP).release());
  EXPECT_TRUE(r.modem.mismatches.empty()) << r.modem.mismatches.front();
  EXPECT_EQ(r.host.finish, 0);
}

// A page that arrived whole (its end-of-page code seen) is the user's even when the
// exchange after it is cut: the fax is filed with it, and its notes say the call was cut.
TEST_F(Class1ReceiveSteps, AWholePageIsKeptWhenTheExchangeAfterItIsCut) {
  struct Case {
    const char* name;
    std::vector<std::string> postPage;  // what the modem reports for the post-page command
    int finish;
  } cases[] = {{"DCN instead", {"CONNECT", finalIn(Fcf::DCN), "OK"}, ecCancelRequested},
               {"silence", {}, ecTimeout}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SessionRig& r = rig();
    ReceiveScript s;
    Picture p1 = patternPicture(6, 1), p2 = patternPicture(6, 2);
    s.answer().tcf(0).page(p1, Fcf::MPS);
    s.steps.push_back({"AT+FRM=96", {"CONNECT", raw(escaped(codedPage(p2))), "NO CARRIER"}});
    s.steps.push_back({"AT+FRH=3", c.postPage});
    receive(r, s);
    EXPECT_EQ(r.host.finish, c.finish);
    EXPECT_EQ(r.host.logs, (std::vector<int>{lfaxReceiveStart, lfaxReceiveOk}));
    EXPECT_EQ(brxPageRows(r.host.names[0], 1), p1);
    EXPECT_EQ(brxPageRows(r.host.names[0], 2), p2);
    EXPECT_NE(r.session.faxNotes.get().find("cut off after page 2"), std::string::npos);
  }
}

// A page wrecked by a noise burst: a fifth of its bytes, in its middle, garbled.
std::vector<std::uint8_t> noisyPage(const Picture& rows) {
  std::vector<std::uint8_t> b = codedPage(rows);
  std::uint32_t x = 99;
  for (std::size_t i = b.size() * 2 / 5; i < b.size() * 3 / 5; ++i)
    b[i] = std::uint8_t((x = x * 1103515245 + 12345) >> 16);
  return b;
}

// A poor page gets RTN, and the caller trains again. A copy sent again takes the poor
// one's place; a poor page the caller does not send again (it ends the call, or sends the
// next page, or its copies stay poor) is kept repaired to its length and noted.
TEST_F(Class1ReceiveSteps, APoorPageGetsRtnAndWhatTheCallerDoesNextDecidesWhatIsKept) {
  const Picture p1 = patternPicture(60, 7), p2 = patternPicture(40, 8);
  struct Case {
    const char* name;
    std::function<void(ReceiveScript&)> after;  // what follows the poor page's RTN
    const char* frames;
    std::vector<std::size_t> rows;  // rows of each stored page
    bool damaged;                   // the notes say page 1 arrived damaged
  } cases[] = {
      {"sent again",
       [&](ReceiveScript& s) { s.dcs(0x46).tcf(0).page(p1, Fcf::EOP).release(); },
       "CSI DIS CFR RTN CFR MCF",
       {p1.size()},
       false},
      {"caller gives up",
       [&](ReceiveScript& s) { s.release(); },
       "CSI DIS CFR RTN",
       {p1.size()},
       true},
      {"next page instead",
       [&](ReceiveScript& s) { s.dcs(0x46).tcf(0).page(p2, Fcf::EOP).release(); },
       "CSI DIS CFR RTN CFR MCF",
       {p1.size(), p2.size()},
       true},
      {"poor every time",
       [&](ReceiveScript& s) {
         for (int i = 0; i < 3; ++i) s.dcs(0x46).tcf(0).page(noisyPage(p1), Fcf::EOP);
         s.release();
       },
       "CSI DIS CFR RTN CFR RTN CFR RTN CFR MCF",
       {p1.size()},
       true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SessionRig& r = rig();
    ReceiveScript s;
    s.answer().tcf(0).page(noisyPage(p1), Fcf::EOP);
    c.after(s);
    receive(r, s);
    EXPECT_TRUE(r.modem.mismatches.empty()) << r.modem.mismatches.front();
    EXPECT_EQ(r.host.finish, 0);
    EXPECT_EQ(frameNames(r), c.frames);
    EXPECT_EQ(r.host.logs, (std::vector<int>{lfaxReceiveStart, lfaxReceiveOk}));
    faximage::BrxReader reader;
    ASSERT_EQ(reader.openFile(r.host.names[0]), 0);
    ASSERT_EQ(std::size_t(reader.pageCount()), c.rows.size());
    // A repaired page is as long as the one sent, give or take what the lost stretch's
    // bytes do not tell exactly.
    for (std::size_t p = 0; p < c.rows.size(); ++p)
      EXPECT_NEAR(double(brxPageRows(r.host.names[0], int(p + 1)).size()), double(c.rows[p]),
                  double(c.rows[p]) / 10)
          << p + 1;
    if (!c.damaged) {
      EXPECT_EQ(brxPageRows(r.host.names[0], 1), p1);
    }
    if (c.rows.size() == 2) {
      EXPECT_EQ(brxPageRows(r.host.names[0], 2), p2);
    }
    EXPECT_EQ(r.session.faxNotes.get().find("Page 1 arrived damaged") != std::string::npos,
              c.damaged)
        << r.session.faxNotes.get();
  }
}

// The answering side's timers: DIS goes again when no good response comes within T4
// (after a damaged frame the caller is there and repeats its command: T2), for T1 in all;
// a damaged command is never acted on, and a post-page command repeated because our MCF
// was lost gets MCF again without the page being taken twice. `gap` as for sending.
TEST_F(Class1ReceiveSteps, CommandsAreAwaitedForTheirTimersAndDamagedOnesDropped) {
  Picture p = patternPicture(6, 1);
  auto damaged = [](ReceiveScript& s) {  // the last frame read comes with ERROR
    std::vector<std::string>& replies = s.steps.back().replies;
    replies.back() = "ERROR";
  };
  struct Case {
    const char* name;
    std::function<void(ReceiveScript&)> script;
    int finish;
    const char* frames;
    double gap;
  } cases[] = {
      {"a caller that says nothing",
       [](ReceiveScript& s) {
         s.answer();
         s.steps.resize(s.steps.size() - 2);  // no TSI, no DCS
         for (int i = 0; i < 20; ++i) {
           s.steps.push_back({"AT+FRH=3", {}});
           s.steps.push_back({" AT+FTH=3", {"CONNECT"}, true});
           s.steps.push_back({"<page>", {"CONNECT"}, true});
           s.steps.push_back({"<page>", {"OK"}});
         }
       },
       ecTimeout, "", 3},
      {"a damaged DCS",
       [&](ReceiveScript& s) {
         s.answer();
         damaged(s);
         s.steps.push_back({"AT+FRH=3", {}});
         s.steps.push_back({" AT+FTH=3", {"CONNECT"}, true});
         s.steps.push_back({"<page>", {"CONNECT"}, true});
         s.steps.push_back({"<page>", {"OK"}});
         s.dcs(0x46).tcf(0).page(p, Fcf::EOP).release();
       },
       0, "CSI DIS CSI DIS CFR MCF", 6},
      {"a damaged EOP",
       [&](ReceiveScript& s) {
         s.answer().tcf(0).page(p, Fcf::EOP);
         s.steps.resize(s.steps.size() - 2);
         damaged(s);
         s.steps.push_back({"AT+FRH=3", {"CONNECT", finalIn(Fcf::EOP), "OK"}});
         s.steps.push_back({"AT+FTH=3", {"CONNECT"}, true});
         s.steps.push_back({"<page>", {"OK"}});
         s.release();
       },
       0, "CSI DIS CFR MCF", 0},
      {"EOP again after our MCF",
       [&](ReceiveScript& s) {
         s.answer().tcf(0).page(p, Fcf::EOP);
         s.steps.push_back({"AT+FRH=3", {"CONNECT", finalIn(Fcf::EOP), "OK"}});
         s.steps.push_back({"AT+FTH=3", {"CONNECT"}, true});
         s.steps.push_back({"<page>", {"OK"}});
         s.release();
       },
       0, "CSI DIS CFR MCF MCF", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SessionRig& r = rig();
    r.host.names = {dir_.path(std::string(c.name) + ".brx")};
    ReceiveScript s;
    c.script(s);
    r.modem.load(s.steps);
    r.start();
    std::vector<std::uint64_t> at = runTimed(r);
    EXPECT_EQ(r.host.finish, c.finish);
    if (c.gap > 0) {
      EXPECT_GE(repeatGap(r, at), c.gap);
      EXPECT_LT(repeatGap(r, at), c.gap + 1);  // with the pauses before the repeat
    }
    if (c.finish != 0) {
      // DIS went again until T1 was over, counted from the answer.
      const auto& cmds = r.modem.commands;
      auto ata = std::find(cmds.begin(), cmds.end(), "ATA");
      auto last = std::find(cmds.rbegin(), cmds.rend(), " AT+FTH=3");
      ASSERT_TRUE(ata != cmds.end() && last != cmds.rend());
      double lastDis =
          double(at[std::size_t(cmds.rend() - last - 1)] - at[std::size_t(ata - cmds.begin())]) /
          1000;
      EXPECT_GT(lastDis, 35 - 4);
      EXPECT_LT(lastDis, 35);
      continue;
    }
    EXPECT_TRUE(r.modem.mismatches.empty()) << r.modem.mismatches.front();
    EXPECT_EQ(frameNames(r), c.frames);
    EXPECT_EQ(brxPageRows(r.host.names[0], 1), p);
    faximage::BrxReader reader;
    ASSERT_EQ(reader.openFile(r.host.names[0]), 0);
    EXPECT_EQ(reader.pageCount(), 1);
  }
}

}  // namespace

// ---- error correction ------------------------------------------------------------------

namespace {

// The frame numbers of the FCD frames in one block of ECM data (HDLC in software).
std::vector<int> fcdNumbers(const std::vector<std::uint8_t>& data) {
  std::vector<int> numbers;
  hdlc::Reader reader;
  reader.feed(data, [&](std::span<const std::uint8_t> f) {
    if (f.size() > 3 && f[2] == std::uint8_t(Fcf::FCD)) numbers.push_back(f[3]);
  });
  return numbers;
}

// A PPR sends exactly the frames it marks again, with the block's whole count in the next
// PPS; the fourth PPR for a block brings the rate down with CTC, and after CTR the frames
// go at the lower rate with its long training.
TEST_F(Class1SendSteps, PprResendsTheMarkedFramesAndTheFourthLowersTheRate) {
  SessionRig& r = rig();
  r.proto.ecmChar = '1';
  r.proto.codingChoice = CodingChoice::Mh;
  SendScript s;
  s.steps.push_back({"AT+FCLASS=1", {"OK"}});
  s.steps.push_back({"ATDT5551234", {"CONNECT", idIn(Fcf::CSI, "4321 555"), "OK"}});
  s.steps.push_back({"AT+FRH=3", {"CONNECT", finalIn(Fcf::DIS, {0x00, 0x6E, 0xF9, 0x04}), "OK"}});
  s.steps.push_back({"AT+FTH=3", {"CONNECT"}, true});
  s.steps.push_back({"<page>", {"CONNECT"}, true});  // TSI
  s.training();
  ecm::FrameMap missing{};
  ecm::mark(missing, 1);
  ecm::mark(missing, 3);
  const std::vector<std::uint8_t> ppr(missing.begin(), missing.end());
  auto block = [&](const char* modulation, std::vector<std::string> answer) {
    s.steps.push_back({std::string("AT+FTM=") + modulation, {"CONNECT"}, true});
    s.steps.push_back({"<page>", {"OK"}});
    s.postPage(std::move(answer));  // PPS and its answer
  };
  block("146", {"CONNECT", finalIn(Fcf::PPR, ppr), "OK"});
  for (int i = 0; i < 3; ++i) block("146", {"CONNECT", finalIn(Fcf::PPR, ppr), "OK"});
  s.postPage({"CONNECT", finalIn(Fcf::CTR), "OK"});  // CTC
  block("121", {"CONNECT", finalIn(Fcf::MCF), "OK"});
  s.release();
  send(r, fax({{patternPicture(300, 3)}}), s);

  EXPECT_TRUE(r.modem.mismatches.empty()) << r.modem.mismatches.front();
  EXPECT_EQ(r.host.finish, 0);
  EXPECT_EQ(frameNames(r), "TSI DCS PPS PPS PPS PPS CTC PPS DCN");
  auto d = data(r);
  ASSERT_EQ(d.size(), 6u);  // the training check, the block and four times its frames 1, 3
  std::vector<int> first = fcdNumbers(d[1]);
  ASSERT_GE(first.size(), 4u);
  for (std::size_t i = 0; i < first.size(); ++i) EXPECT_EQ(first[i], int(i));
  for (std::size_t b = 2; b < d.size(); ++b)
    EXPECT_EQ(fcdNumbers(d[b]), (std::vector<int>{1, 3})) << b;
  auto f = frames(r);
  EXPECT_EQ(f[2][6], std::uint8_t(first.size() - 1)) << "the PPS counts the block's frames";
  EXPECT_EQ(f[5][6], std::uint8_t(first.size() - 1)) << "also after frames sent again";
  EXPECT_EQ(f[6][4] & 0x3C, 0x28) << "CTC names 12000 bit/s";
  EXPECT_EQ(r.proto.sessionBps, 12000);
}

}  // namespace
