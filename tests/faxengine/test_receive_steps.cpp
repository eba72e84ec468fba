// The receiving state machine with the Class 2 and 2.0 dialogues against a scripted modem:
// the stored file, the bit order, bad pages, refused and data calls, and calls cut off.
#include <gtest/gtest.h>

#include <filesystem>

#include "fax_pages.h"
#include "faxengine/errors.h"
#include "faxengine/modem_bytes.h"
#include "faxengine/received_file.h"
#include "faximage/brx_file.h"
#include "session_rig.h"

using namespace faxengine;
using namespace faxengine::test;

namespace {

// The modem's side of a receive: set-up, rings, the answer and one exchange per page.
struct ReceiveScript {
  bool v20 = false;
  std::vector<Exchange> steps;

  std::string report(const char* c2, const char* c20) const {
    return std::string("+F") + (v20 ? c20 : c2);
  }
  ReceiveScript& setup(int rings) {
    steps.push_back({v20 ? "AT+FCLASS=2.0" : "AT+FCLASS=2", {"OK"}});
    steps.push_back({std::string(v20 ? "AT+FCC" : "AT+FDCC") + "=1,3,0,2,0,0,0,0", {"OK"}});
    if (v20) {
      steps.push_back({"AT+FLO=2", {"OK"}});
      steps.push_back({"AT+FNR=1,1,1,0", {"OK"}});
    }
    for (int i = 0; i < rings; ++i) steps.push_back({"", {"RING"}});
    return *this;
  }
  ReceiveScript& answer(std::vector<std::string> replies = {}) {
    if (replies.empty())
      replies = {report("CON", "CO"), report("TSI", "TI") + ":\"555 1234\"",
                 report("DCS", "CS") + ":0,3,0,2,0,0,0,0", "OK"};
    steps.push_back({"ATA", replies});
    return *this;
  }
  // One page: CONNECT, the data as a Class 2 or 2.0 modem passes it, then the reports.
  ReceiveScript& page(const Picture& rows, const char* status, const char* fet,
                      bool cutOff = false) {
    std::string data;
    for (std::uint8_t b : codedPage(rows)) {
      std::uint8_t c = v20 ? b : reverseBits(b);
      data.push_back(char(c));
      if (c == kDle) data.push_back(char(kDle));
    }
    if (cutOff) {
      data.resize(data.size() / 2);
      steps.push_back({"AT+FDR", {"CONNECT", raw(data)}});
      return *this;
    }
    data += "\x10\x03";
    steps.push_back(
        {"AT+FDR", {"CONNECT", raw(data), report("PTS", "PS") + ":" + status, fet, "OK"}});
    return *this;
  }
  ReceiveScript& hangup() {
    steps.push_back({"AT+FDR", {v20 ? "+FHS:00" : "+FHNG:0", "OK"}});
    return *this;
  }
};

class ReceiveSteps : public ::testing::TestWithParam<bool> {
 protected:
  bool v20() const { return GetParam(); }
  SessionRig& rig() {
    rig_ = std::make_unique<SessionRig>(false, v20() ? TFaxClass::fcClass2_0 : TFaxClass::fcClass2);
    rig_->session.oneFax = true;
    rig_->proto.answerOnRing = 2;
    rig_->host.names = {dir_.path("FAX0001.BRX"), dir_.path("FAX0002.BRX")};
    return *rig_;
  }
  ReceiveScript script() {
    ReceiveScript s;
    s.v20 = v20();
    return s;
  }
  void receive(SessionRig& r, const ReceiveScript& s) {
    r.modem.load(s.steps);
    r.start();
    r.run();
  }
  int pageCount(const std::string& path) {
    faximage::BrxReader reader;
    return reader.openFile(path) == 0 ? reader.pageCount() : -1;
  }

  TempDir dir_;
  std::unique_ptr<SessionRig> rig_;
};

TEST_P(ReceiveSteps, PagesAreStoredInANewFileThatDecodesToWhatWasSent) {
  Picture p1 = patternPicture(20, 5), p2 = patternPicture(30, 6);
  SessionRig& r = rig();
  receive(r, script()
                 .setup(2)
                 .answer()
                 .page(p1, "1,20,0,0", "+FET:0")
                 .page(p2, "1,30,0,0", "+FET:2")
                 .hangup());
  EXPECT_TRUE(r.modem.mismatches.empty()) << r.modem.mismatches.front();
  std::string file = dir_.path("FAX0001.BRX");
  ASSERT_EQ(pageCount(file), 2);
  EXPECT_EQ(brxPageRows(file, 1), p1);
  EXPECT_EQ(brxPageRows(file, 2), p2);
  faximage::BrxReader reader;
  reader.openFile(file);
  EXPECT_EQ(reader.header().senderIdText(), "555 1234");
  EXPECT_NE(reader.header().fileDate, 0u);
  EXPECT_EQ(r.modem.dc2, 2);
  EXPECT_EQ(r.host.logs, (std::vector<int>{lfaxReceiveStart, lfaxReceiveOk}));
  EXPECT_EQ(r.host.finish, 0);
  EXPECT_EQ(r.host.firstStatus, 1);
  EXPECT_EQ(r.session.remoteStationId.get(), "555 1234");
}

TEST_P(ReceiveSteps, AnswerOnRingBelowOneAnswersTheFirstRing) {
  SessionRig& r = rig();
  r.proto.answerOnRing = 0;
  receive(r, script().setup(1).answer().page(patternPicture(5, 1), "1", "+FET:2").hangup());
  EXPECT_EQ(r.host.finish, 0);
}

TEST_P(ReceiveSteps, APageReportedBadIsCutAndTheResentPageTakesItsPlace) {
  Picture p1 = patternPicture(20, 7);
  SessionRig& r = rig();
  receive(r, script()
                 .setup(2)
                 .answer()
                 .page(patternPicture(20, 8), "2,20,5,0", "+FET:2")
                 .page(p1, "1,20,0,0", "+FET:2")
                 .hangup());
  std::string file = dir_.path("FAX0001.BRX");
  ASSERT_EQ(pageCount(file), 1);
  EXPECT_EQ(brxPageRows(file, 1), p1);
  EXPECT_EQ(std::filesystem::file_size(file),
            64 + 16 + codedPage(p1).size());  // nothing of the bad page is left
}

TEST_P(ReceiveSteps, ARefusedCallerIsHungUpWithoutAFile) {
  SessionRig& r = rig();
  r.session.options = kOptExitOnError;
  r.host.acceptAnswer = false;
  receive(r, script().setup(2).answer());
  EXPECT_EQ(r.host.errors, std::vector<int>{ecFileRejected});
  EXPECT_EQ(r.host.logs, std::vector<int>{lfaxReceiveSkip});
  EXPECT_TRUE(std::filesystem::is_empty(dir_.dir()));
  EXPECT_EQ(r.modem.commands[r.modem.commands.size() - 2], "AT+FKS");
  EXPECT_EQ(r.modem.commands.back(), "+++ATH");
}

// The pages that arrived whole are filed as the fax, and its notes say the call was cut.
TEST_P(ReceiveSteps, ACallCutOffMidPageKeepsTheCompletePagesOnly) {
  Picture p1 = patternPicture(20, 9);
  SessionRig& r = rig();
  r.session.options = kOptExitOnError;
  receive(r, script()
                 .setup(2)
                 .answer()
                 .page(p1, "1,20,0,0", "+FET:0")
                 .page(patternPicture(40, 10), "", "", true));
  EXPECT_EQ(r.host.finish, ecTimeout);
  EXPECT_EQ(r.host.logs, (std::vector<int>{lfaxReceiveStart, lfaxReceiveOk}));
  EXPECT_NE(r.session.faxNotes.get().find("cut off after page 1"), std::string::npos);
  std::string file = dir_.path("FAX0001.BRX");
  ASSERT_EQ(pageCount(file), 1);
  EXPECT_EQ(std::filesystem::file_size(file), 64 + 16 + codedPage(p1).size());
}

TEST_P(ReceiveSteps, ADataCallerIsTurnedAway) {
  SessionRig& r = rig();
  r.session.options = kOptExitOnError;
  receive(r, script().setup(2).answer({"CONNECT 2400"}));
  EXPECT_EQ(r.host.finish, ecFaxDataCall);
  EXPECT_TRUE(std::filesystem::is_empty(dir_.dir()));
}

// An answered call that fails before its fax file is made is still logged as a fax that
// could not be received: the call leaves a trace.
TEST_P(ReceiveSteps, AHangupReportInTheMiddleEndsTheCallAndIsLoggedAsFailed) {
  SessionRig& r = rig();
  r.session.options = kOptExitOnError;
  receive(r, script().setup(2).answer({v20() ? "+FCO" : "+FCON", v20() ? "+FHS:46" : "+FHNG:70"}));
  EXPECT_EQ(r.host.finish, ecFaxSessionError);
  EXPECT_EQ(r.proto.lastHangupCode, 70);  // 46 is hexadecimal in Class 2.0
  EXPECT_EQ(r.host.logs, std::vector<int>{lfaxReceiveFail});
}

TEST_P(ReceiveSteps, ANewDocumentInTheCallGoesToAFileOfItsOwn) {
  Picture p1 = patternPicture(10, 1), p2 = patternPicture(10, 2);
  SessionRig& r = rig();
  receive(r, script().setup(2).answer().page(p1, "1", "+FET:1").page(p2, "1", "+FET:2").hangup());
  EXPECT_EQ(brxPageRows(dir_.path("FAX0001.BRX"), 1), p1);
  EXPECT_EQ(brxPageRows(dir_.path("FAX0002.BRX"), 1), p2);
  EXPECT_EQ(r.host.logs,
            (std::vector<int>{lfaxReceiveStart, lfaxReceiveOk, lfaxReceiveStart, lfaxReceiveOk}));
}

TEST_P(ReceiveSteps, WithoutOneFaxTheReceiverWaitsForTheNextCall) {
  SessionRig& r = rig();
  r.session.oneFax = false;
  ReceiveScript s = script().setup(2).answer().page(patternPicture(5, 1), "1", "+FET:2").hangup();
  s.setup(0);
  receive(r, s);
  EXPECT_FALSE(r.ended());
  EXPECT_EQ(r.session.progressCode, progress::kWaitingForCall);
  EXPECT_EQ(r.host.lastStatus, 1);
  r.receive->abort();
  r.run();  // the hang-up's pauses
  EXPECT_EQ(r.host.finish, ecCancelRequested);
}

INSTANTIATE_TEST_SUITE_P(Class, ReceiveSteps, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Class20" : "Class2"; });

TEST(ReceivedFile, DleRulesAndBitOrder) {
  TempDir dir;
  ReceivedFile f;
  ASSERT_EQ(f.create(dir.path("a.brx"), "ID"), 0);
  ASSERT_EQ(f.beginPage(false, false), 0);
  const std::uint8_t in[] = {0x01, 0x10, 0x10, 0x10, 0x41, 0x80, 0x10};
  std::size_t used = 0;
  bool ended = false;
  ASSERT_EQ(f.feed(in, true, used, ended), 0);
  EXPECT_FALSE(ended);
  const std::uint8_t rest[] = {0x03, 0x55};
  ASSERT_EQ(f.feed(rest, true, used, ended), 0);  // DLE ETX split over two deliveries
  EXPECT_TRUE(ended);
  EXPECT_EQ(used, 1u);
  ASSERT_EQ(f.endPage("ID"), 0);
  f.close();
  faximage::BrxReader reader;
  ASSERT_EQ(reader.openFile(dir.path("a.brx")), 0);
  faximage::BrxPage page;
  ASSERT_EQ(reader.page(1, page), 0);
  EXPECT_EQ(std::vector<std::uint8_t>(page.data.begin(), page.data.end()),
            (std::vector<std::uint8_t>{0x80, 0x08, 0x82, 0x01}));
  // An existing file is never overwritten.
  ReceivedFile again;
  EXPECT_EQ(again.create(dir.path("a.brx"), "ID"), ecAccessDenied);
}

}  // namespace
