// The progress window as a call moves on: values, timers and the page meter.
#include "windows/faxstatus.h"

#include "faxcodes/texts.h"
#include "faxengine/fax_types.h"
#include "windows/fxmeter.h"

#include <gtest/gtest.h>
#include <QLabel>

namespace {

namespace pc = faxengine::progress;
using windows::FaxStatusValues;
using windows::FormatCallTime;
using windows::TStandardFaxDisplay;

TEST(FaxStatusRules, TimeFormatAndFileNames) {
  EXPECT_EQ(FormatCallTime(65), "  1:05");
  EXPECT_EQ(FormatCallTime(0), "  0:00");
  EXPECT_EQ(FormatCallTime(6000), "100:00");
  EXPECT_EQ(windows::ShortFileName("/home/ann/BDL_1.BRX"), "BDL_1.BRX");
  EXPECT_EQ(windows::ShortFileName("/x/abcdefghijklmnopqrstuvwxyz.BRX"), "abcdefghijklmnopqrst...");
  EXPECT_EQ(windows::PagePercent(0, 0), 0);
  EXPECT_EQ(windows::PagePercent(1, 200), 1);  // 0.5 % rounds up
  EXPECT_EQ(windows::PagePercent(9000, 9000), 100);
}

class FaxDisplayTest : public ::testing::Test {
 protected:
  faxengine::FakeClock clock{1'000'000};
  TStandardFaxDisplay display;
  FaxStatusValues v;

  void SetUp() override {
    display.TimeSource = &clock;
    v.phoneNumber = "555 0100";
    v.faxFile = "/tmp/BDL_1.BRX";
    v.dialRetryWait = 60;
    v.dialAttempt = 1;
  }
  QString text(QLabel* l) const { return l->text(); }
  static QString callTime(long seconds) { return QString::fromStdString(FormatCallTime(seconds)); }
  void report(int code) {
    v.progressCode = code;
    display.UpdateValues(v);
  }
};

TEST_F(FaxDisplayTest, BusyWaitCountsDownTheRedial) {
  report(pc::kBusyWait);
  const QString busy = QString::fromUtf8(faxcodes::statusText(pc::kBusyWait));
  EXPECT_EQ(text(display.fsStatusMsg), busy + "  1:00");
  clock.advance(30'000);
  report(pc::kBusyWait);
  EXPECT_EQ(text(display.fsStatusMsg), busy + "  0:30");
  clock.advance(40'000);
  report(pc::kBusyWait);
  EXPECT_EQ(text(display.fsStatusMsg), busy + "  0:00");
  v.dialAttempt = 2;
  report(pc::kDialing);
  EXPECT_EQ(text(display.fsStatusMsg), QString::fromUtf8(faxcodes::statusText(pc::kDialing)));
  EXPECT_EQ(text(display.fsDialAttempt), "2");
  // A second busy starts a fresh countdown.
  report(pc::kBusyWait);
  EXPECT_EQ(text(display.fsStatusMsg), busy + "  1:00");
}

// The call is timed from its first report, in one format throughout, and the time moves
// on between reports (a port being opened or a modem prepared sends none); the first
// attempt shows as 1 before it is dialled. The end keeps the time the call took.
TEST_F(FaxDisplayTest, ElapsedTimeRunsFromTheStartInOneFormatBetweenReports) {
  v.dialAttempt = 0;
  report(pc::kInitializing);
  EXPECT_EQ(text(display.fsElapsedTime), callTime(0));
  EXPECT_EQ(text(display.fsDialAttempt), "1");
  clock.advance(3'000);
  display.RefreshClock();
  EXPECT_EQ(text(display.fsElapsedTime), callTime(3));
  report(pc::kConnectionParams);
  clock.advance(62'000);
  report(pc::kSendingPage);
  EXPECT_EQ(text(display.fsElapsedTime), callTime(65));
  report(pc::kFinished);
  clock.advance(10'000);
  display.RefreshClock();
  EXPECT_EQ(text(display.fsElapsedTime), callTime(65));
  EXPECT_EQ(text(display.fsStatusMsg), "");  // "Finished" has no status text
}

TEST_F(FaxDisplayTest, SessionValuesCoverPageAndMeter) {
  v.sessionBps = 14400;
  v.sessionFine = 1;
  v.sessionWide = 0x81;  // the top bit is not part of the value
  v.sessionEcm = 1;
  v.currentPage = 0;
  v.totalPages = 3;
  v.currentPageLength = 4000;
  v.pageBytesSent = 4000;
  v.remoteStationId = "REMOTE FAX";
  report(pc::kSendingPage);
  EXPECT_EQ(text(display.fsConnectBPS), "14400");
  EXPECT_EQ(text(display.fsResolution), "high");
  EXPECT_EQ(text(display.fsWidth), "2048");
  EXPECT_EQ(text(display.fsErrorControl), "on");
  EXPECT_EQ(text(display.fsCurrentPage), "<cover page>");
  EXPECT_EQ(text(display.fsTotalPages), "3");
  EXPECT_EQ(text(display.fsRemoteID), "REMOTE FAX");
  EXPECT_EQ(text(display.fsPhoneNumber), "555 0100");
  EXPECT_EQ(text(display.fsFaxFileName), "BDL_1.BRX");
  EXPECT_EQ(display.Meter->Position(), 100);
  EXPECT_EQ(display.Meter->Layout().blocks, 37);  // 380 pixels wide, step 10

  v.sessionFine = v.sessionWide = v.sessionEcm = 0;
  v.currentPage = 2;
  v.pageBytesSent = 1000;
  report(pc::kSendingPage);
  EXPECT_EQ(text(display.fsResolution), "standard");
  EXPECT_EQ(text(display.fsWidth), "1728");
  EXPECT_EQ(text(display.fsErrorControl), "off");
  EXPECT_EQ(text(display.fsCurrentPage), "2");
  EXPECT_EQ(display.Meter->Position(), 25);
}

TEST_F(FaxDisplayTest, ReceiverHasNoMeterNumberOrAttempts) {
  v.sender = false;
  v.dialAttempt = 0;
  report(pc::kGettingPage);
  EXPECT_TRUE(display.Meter->isHidden());
  EXPECT_EQ(text(display.fsLabel19), "Page progress: N/A");
  EXPECT_EQ(text(display.fsPhoneNumber), "");
  EXPECT_EQ(text(display.fsDialAttempt), "1");
}

}  // namespace
