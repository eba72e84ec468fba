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

// The head names Com n as the user chose it; the rest says which device that is and why
// it did not open.
TEST(OpenFailure, MessagesNameThePortItsDeviceAndWhy) {
  struct Case {
    int code;
    const char* head;
    const char* why;
  } cases[] = {
      {faxcodes::ecPortInUse, "The communications port is in use ( Com 2 )\n\n", "another program"},
      {faxcodes::ecPortAlreadyOpen, "The communications port is in use ( Com 2 )\n\n",
       "another program"},
      {faxcodes::ecNoSuchPort, "Unable to open the specified communications port ( Com2 )\n",
       "not there"},
      {faxcodes::ecBadLineSettings, "Unable to open the specified communications port ( Com2 )\n",
       faxcodes::errorText(faxcodes::ecBadLineSettings)},
  };
  for (const Case& c : cases) {
    const QString message = OpenFailureMessage(c.code, 2, "/dev/ttyACM7");
    EXPECT_TRUE(message.startsWith(c.head)) << message.toStdString();
    EXPECT_TRUE(message.contains("Com2 stands for /dev/ttyACM7")) << message.toStdString();
    EXPECT_TRUE(message.contains(c.why)) << message.toStdString();
    EXPECT_FALSE(message.contains("ModemManager")) << "not said unless it runs";
  }
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
  EXPECT_TRUE(message.startsWith("Unable to open the specified communications port ( Com3 )\n"));
  EXPECT_TRUE(message.contains(QString::fromStdString(device)));
  EXPECT_TRUE(message.contains(QString("group \"%1\"").arg(g->gr_name)));
  EXPECT_TRUE(message.contains("log in again"));
}

}  // namespace
