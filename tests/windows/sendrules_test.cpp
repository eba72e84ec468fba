// Rules of the send dialog that need no modem: the header line, the init string, the
// numbers typed by the user, call results and the messages of a port that will not open.
#include "windows/sendrules.h"
#include "windows/modemchecks.h"

#include "faxcodes/error_codes.h"
#include "faxcodes/texts.h"
#include "support/programdir.h"

#include <gtest/gtest.h>

#include <grp.h>
#include <unistd.h>

namespace {

using namespace windows;

TEST(SendRules, HeaderLineWithAndWithoutNameAndStationId) {
  const QDateTime afternoon(QDate(2026, 12, 6), QTime(15, 5));
  EXPECT_EQ(BuildHeader("Ann", "555 0199", afternoon),
            "Page $P of $N, Sent by Ann, $I  on 6 Dec 2026 at 03:05pm");
  EXPECT_EQ(BuildHeader("Ann", "", afternoon),
            "Page $P of $N, Sent by Ann, on 6 Dec 2026 at 03:05pm");
  EXPECT_EQ(BuildHeader("", "555 0199", afternoon),
            "Page $P of $N, Sent by  $I  on 6 Dec 2026 at 03:05pm");
  EXPECT_EQ(BuildHeader("", "", QDateTime(QDate(2027, 1, 15), QTime(0, 30))),
            "Page $P of $N, Sent  on 15 Jan 2027 at 12:30am");
  // Blanks alone count as nothing for "by", but are kept as typed.
  EXPECT_EQ(BuildHeader(" ", "", afternoon), "Page $P of $N, Sent  , on 6 Dec 2026 at 03:05pm");
}

TEST(SendRules, InitStringGetsATOnlyWhenItHasNone) {
  EXPECT_EQ(SenderModemInit("E0"), "ATE0");
  EXPECT_EQ(SenderModemInit("ate0"), "ate0");
  EXPECT_EQ(SenderModemInit("S7=60 &AT"), "S7=60 &AT");
  EXPECT_EQ(SenderModemInit(""), std::nullopt);
}

TEST(SendRules, NumbersTypedAndCallResults) {
  EXPECT_EQ(WholeNumber(" 45 "), 45);
  EXPECT_EQ(WholeNumber("x"), std::nullopt);
  EXPECT_EQ(WholeNumber("1.5"), std::nullopt);
  EXPECT_EQ(CallResultText(0), "Sent");
  EXPECT_EQ(FinishText(0), "OK");
  EXPECT_EQ(CallResultText(faxcodes::ecFaxBusy), faxcodes::errorText(faxcodes::ecFaxBusy));
  EXPECT_TRUE(IsSentResult("ok"));
  EXPECT_FALSE(IsSentResult("Cancelled"));
}

TEST(OpenFailure, MessagesNameThePortAsComN) {
  EXPECT_EQ(OpenFailureMessage(faxcodes::ecPortInUse, 2, "/dev/ttyS1"),
            "The communications port is in use ( Com 2 )\n\nPlease make sure that all "
            "communication programs (internet, AOL, etc) are closed, and then try again.");
  EXPECT_EQ(OpenFailureMessage(faxcodes::ecPortAlreadyOpen, 2, ""),
            OpenFailureMessage(faxcodes::ecPortInUse, 2, ""));
  EXPECT_EQ(OpenFailureMessage(faxcodes::ecNoSuchPort, 5, "/dev/ttyUSB0"),
            "Unable to open the specified communications port ( Com5 )");
  EXPECT_EQ(OpenFailureMessage(faxcodes::ecBadLineSettings, 1, "/dev/ttyS0"),
            QString("Unable to open the specified communications port ( Com1 )\nError message: ") +
                faxcodes::errorText(faxcodes::ecBadLineSettings));
}

// Permission denied says which device, which group owns it and what to do.
TEST(OpenFailure, PermissionDeniedNamesTheDeviceGroupAndRemedy) {
  testutil::TempDir dir;
  const std::string device = dir.path() + "/ttyFAX";
  FILE* f = std::fopen(device.c_str(), "w");
  ASSERT_TRUE(f);
  std::fclose(f);
  const group* g = ::getgrgid(::getegid());
  ASSERT_TRUE(g);
  const QString message = OpenFailureMessage(faxcodes::ecPortAccessDenied, 3, device);
  EXPECT_TRUE(message.startsWith(
      "Unable to open the specified communications port ( Com3 )\nError message: "));
  EXPECT_TRUE(message.contains(QString::fromStdString(device)));
  EXPECT_TRUE(message.contains(QString("group \"%1\"").arg(g->gr_name)));
  EXPECT_TRUE(message.contains("log in again"));
}

}  // namespace
