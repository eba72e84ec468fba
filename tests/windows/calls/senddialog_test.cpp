// The send dialog and its progress window through whole calls on simulated modems.
#include "calls_fixture.h"
#include "fax_pages.h"
#include "faxcodes/error_codes.h"
#include "faxcodes/texts.h"
#include "faxengine/fax_types.h"
#include "settings/appsettings.h"
#include "ui/beep.h"
#include "ui/radiogroup.h"
#include "windows/faxstatus.h"
#include "windows/sendfax.h"
#include "windows/sendfaxsettings.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>

#include <set>

namespace {

namespace pc = faxengine::progress;
using faxengine::test::ModemSim;
using faxengine::test::TestPage;
using windows::TSendFaxForm;

class SendDialogCalls : public testutil::CallsTest {
 protected:
  std::string faxFile = dir.path("BDL_1.BRX");
  std::vector<TestPage> pages = {{faxengine::test::patternPicture(100, 3)},
                                 {faxengine::test::patternPicture(60, 7)}};
  TSendFaxForm dialog;
  QStringList statusSeen;  // the status texts the progress window showed, in order
  std::set<QString> attemptsSeen;  // the dial attempts it showed

  void SetUp() override {
    CallsTest::SetUp();
    faxengine::test::writeBrx(faxFile, pages);
    dialog.FaxFileName = QString::fromStdString(faxFile);
    dialog.PhoneNumber = "555 0100";
    dialog.sfStationID->setText("555 0199");
    dialog.sfusername->setText("Ann");
    dialog.sfRetryWait->setText("2");
    dialog.show();
    // Each report has refreshed the window when the sender's own status event runs.
    windows::TStandardFaxDisplay* display = dialog.FxFaxStatus1.Display();
    dialog.FxSendFax1.OnFaxStatus = [this, display](faxengine::TFxCustomAbstractFax&, bool, bool) {
      const QString s = display->fsStatusMsg->text();
      if (statusSeen.isEmpty() || statusSeen.back() != s) statusSeen << s;
      attemptsSeen.insert(display->fsDialAttempt->text());
    };
  }
  // Presses Send Fax and waits for the call to end.
  bool sendAndWait(int seconds = 120) {
    dialog.SendFaxButton->click();
    return testutil::waitFor([this] { return !dialog.Busy(); }, seconds * 1000);
  }
  bool saw(const QString& prefix) const {
    for (const QString& s : statusSeen)
      if (s.startsWith(prefix)) return true;
    return false;
  }
};

class SendEachClass : public SendDialogCalls, public ::testing::WithParamInterface<int> {};

TEST_P(SendEachClass, TheRemoteGetsThePagesAndTheDialogHandsBackSent) {
  ModemSim sim({"--speed", "10", "--exit-after-calls", "1"});
  ASSERT_TRUE(sim.ready());
  mapCom(3, sim.modem1());
  dialog.ComPort->SetItemIndex(2);
  dialog.sfFaxClass->SetItemIndex(GetParam());
  EXPECT_EQ(dialog.sfPhoneNumber->text(), "555 0100");

  // While the call runs, Send Fax, Close and Escape only beep.
  const int beeps = ui::BeepCount();
  testutil::when([&] { return saw(faxcodes::statusText(pc::kDialing)); },
                 [&] {
                   dialog.SendFaxButton->click();
                   dialog.CloseButton->click();
                   dialog.reject();
                   dialog.FindModemButton->click();
                 });
  ASSERT_TRUE(sendAndWait());
  EXPECT_EQ(ui::BeepCount() - beeps, 4);
  EXPECT_TRUE(dialog.isVisible());

  EXPECT_EQ(dialog.ResultText, "Sent");
  EXPECT_EQ(lastMessage(), "Finished: OK");
  EXPECT_FALSE(dialog.FxComPort1.Open());
  EXPECT_FALSE(dialog.FxFaxStatus1.Display()->isVisible());
  EXPECT_TRUE(saw(faxcodes::statusText(pc::kSendingPage)));
  // Page 1 of 2 ends with MPS, page 2 with EOP; the one attempt is attempt 1 throughout.
  const QStringList pageEnds = statusSeen.filter(QRegularExpression("^Sending (MPS|EOP)$"));
  EXPECT_EQ(pageEnds, QStringList({faxcodes::statusText(pc::kSendingMps),
                                   faxcodes::statusText(pc::kSendingEop)}))
      << statusSeen.join(" | ").toStdString();
  EXPECT_EQ(attemptsSeen, std::set<QString>{"1"});
  EXPECT_EQ(sim.summary("s['calls'][0]['result']"), "ok");
  EXPECT_EQ(sim.summary("s['calls'][0]['remote_id']"), "555 0199");
  EXPECT_EQ(sim.summary("s['modems']['modem1']['dialled']"), "5550100");  // separators stripped
  for (int p = 1; p <= 2; ++p)
    EXPECT_TRUE(faxengine::test::rowsMatch(sim.savedPage(1, p), 16, pages[p - 1].rows)) << p;
}

// One call, in Class 1: how each class and "auto detect" call is the engine's, tested there;
// the class each choice programs is checked by the calls below.
std::string className(const ::testing::TestParamInfo<int>& info) {
  const char* const names[] = {"AutoDetect", "Class1", "Class2", "Class20"};
  return names[info.param];
}
INSTANTIATE_TEST_SUITE_P(Class, SendEachClass, ::testing::Values(1), className);

TEST_F(SendDialogCalls, ABusyNumberCountsDownToTheRedialThenASecondSendSucceeds) {
  ModemSim busy({"--speed", "10", "--scenario", "busy"});
  ModemSim good({"--speed", "10"});
  ASSERT_TRUE(busy.ready() && good.ready());
  mapCom(1, busy.modem1());
  mapCom(2, good.modem1());
  dialog.ComPort->SetItemIndex(0);
  dialog.sfFaxClass->SetItemIndex(3);
  dialog.sfDialAttempts->setText("2");
  ASSERT_TRUE(sendAndWait());
  EXPECT_EQ(dialog.FxSendFax1.FaxClass, faxengine::TFaxClass::fcClass2_0);
  EXPECT_EQ(dialog.ResultText, faxcodes::errorText(faxcodes::ecFaxBusy));
  EXPECT_EQ(lastMessage(), QString("Finished: ") + faxcodes::errorText(faxcodes::ecFaxBusy));
  const QString waiting = faxcodes::statusText(pc::kBusyWait);
  EXPECT_TRUE(saw(waiting + "  0:02") || saw(waiting + "  0:01"))
      << statusSeen.join(" | ").toStdString();
  EXPECT_EQ(busy.summary("s['modems']['modem1']['calls']"), "2");
  EXPECT_EQ(attemptsSeen, (std::set<QString>{"1", "2"}));

  dialog.ComPort->SetItemIndex(1);
  ASSERT_TRUE(sendAndWait());
  EXPECT_EQ(dialog.ResultText, "Sent");
}

// Cancel while the modem is still being prepared (the class probe, with a modem slow to
// answer) ends the call as a user abort, shown before the window goes.
TEST_F(SendDialogCalls, CancelWhileTheModemIsPreparedEndsAsAUserAbort) {
  ModemSim sim({"--speed", "10", "--scenario", "slow:ms=1500"});
  ASSERT_TRUE(sim.ready());
  mapCom(2, sim.modem1());
  dialog.ComPort->SetItemIndex(1);
  dialog.sfFaxClass->SetItemIndex(0);
  testutil::when([&] { return dialog.FxFaxStatus1.Display()->isVisible(); },
                 [&] { dialog.FxFaxStatus1.Display()->fsCancel->click(); });
  ASSERT_TRUE(sendAndWait(30));
  EXPECT_EQ(dialog.FxSendFax1.FaxClass, faxengine::TFaxClass::fcDetect);
  EXPECT_EQ(dialog.ResultText, faxcodes::errorText(faxcodes::ecCancelRequested));
  EXPECT_TRUE(saw(faxcodes::statusText(pc::kUserAbort))) << statusSeen.join(" | ").toStdString();
  EXPECT_FALSE(dialog.FxComPort1.Open());
  EXPECT_EQ(sim.summary("s['modems']['modem1']['calls']"), "0");
}

// Cancel while the number rings: a user abort, the port closed, the dialog ready again.
// The same call checks how the dialog programs the sender.
TEST_F(SendDialogCalls, CancelWhileDialingEndsAsAUserAbort) {
  ModemSim sim({"--speed", "10", "--scenario", "noanswer"});
  ASSERT_TRUE(sim.ready());
  mapCom(6, sim.modem1());
  dialog.ComPort->SetItemIndex(5);
  dialog.sfFaxClass->SetItemIndex(2);
  dialog.sfDialAttempts->setText("x");  // the three numbers are left as they were
  dialog.sfRetryWait->setText("7");
  dialog.sfModemInit->setText("E0");
  dialog.sfDialPrefix->setText("9,");
  dialog.DisablePrefix->setChecked(true);
  dialog.sfToneOrPulse->SetItemIndex(1);
  dialog.CheckIgnoreBusy->setChecked(true);
  // Reset strings get "AT" in front where they lack it, and the settings keep that form.
  settings::AppSettings.ResetString = "Z";
  settings::AppSettings.ResetAfterString = "at&f";
  testutil::when([&] { return saw(faxcodes::statusText(pc::kDialing)); },
                 [&] { dialog.FxFaxStatus1.Display()->fsCancel->click(); });
  ASSERT_TRUE(sendAndWait(60));
  EXPECT_EQ(dialog.ResultText, faxcodes::errorText(faxcodes::ecCancelRequested));
  EXPECT_EQ(dialog.FxSendFax1.ProgressCode(), pc::kUserAbort);
  EXPECT_TRUE(saw(faxcodes::statusText(pc::kUserAbort))) << statusSeen.join(" | ").toStdString();
  EXPECT_FALSE(dialog.FxFaxStatus1.Display()->isVisible());
  EXPECT_FALSE(dialog.FxComPort1.Open());
  EXPECT_EQ(dialog.FxSendFax1.FaxClass, faxengine::TFaxClass::fcClass2);
  EXPECT_EQ(dialog.FxSendFax1.DialAttempts, 3);
  EXPECT_EQ(dialog.FxSendFax1.DialRetryWait, 60);
  EXPECT_EQ(dialog.FxSendFax1.ModemInit(), "ATE0");
  EXPECT_EQ(dialog.FxSendFax1.DialPrefix, "");
  EXPECT_EQ(dialog.sfDialPrefix->text(), "9,");
  EXPECT_EQ(sim.summary("s['modems']['modem1']['dialled']"), "5550100");  // separators stripped
  EXPECT_EQ(sim.summary("s['modems']['modem1']['dial_mode']"), "pulse");
  EXPECT_EQ(dialog.FxSendFax1.InitString(), "ATE0Q0V1X2S0=0S2=43");
  EXPECT_EQ(settings::AppSettings.ResetString, "ATZ");
  EXPECT_EQ(settings::AppSettings.ResetAfterString, "at&f");
  const std::string commands = sim.query("' '.join(e['text'] for e in ev if e['kind'] == 'cmd')");
  EXPECT_EQ(commands.rfind("ATZ ", 0), 0u) << commands;  // before anything else
  EXPECT_TRUE(commands.ends_with(" at&f")) << commands;  // after the call

  // Idle again: Close now closes.
  dialog.CloseButton->click();
  EXPECT_FALSE(dialog.isVisible());
}

// Without a station ID the dialog asks for it before it opens the port; the settings keep
// a stored port the dialog cannot show.
TEST_F(SendDialogCalls, NoStationIdIsAskedForFirstAndAnUnshownPortIsKept) {
  dialog.ComPort->SetItemIndex(3);
  dialog.sfStationID->clear();
  dialog.SendFaxButton->click();
  EXPECT_EQ(messages.size(), 1u);
  EXPECT_FALSE(dialog.Busy());
  EXPECT_EQ(dialog.focusWidget(), dialog.sfStationID);

  settings::AppSettingsRecord s;
  s.ComPort = 9;
  windows::CopySettingsToSendForm(s, dialog);
  windows::CopySendFormToSettings(dialog, s);
  EXPECT_EQ(s.ComPort, 9);
}

TEST_F(SendDialogCalls, APortThatDoesNotOpenIsReportedAndNothingIsSent) {
  dialog.ComPort->SetItemIndex(3);
  dialog.SendFaxButton->click();
  EXPECT_FALSE(dialog.Busy());
  EXPECT_TRUE(lastMessage().startsWith("Unable to open the specified communications port ( Com4 )\n"))
      << lastMessage().toStdString();
  EXPECT_EQ(messages.back().second, "Information");
  EXPECT_EQ(dialog.ResultText, "Cancelled");
  EXPECT_EQ(dialog.status->text(), "");
}

}  // namespace

// A port that will not open: the message says which device Com n stands for and why, and
// the dialog does not hand that port back as the new default.
TEST_F(SendDialogCalls, APortThatFailsToOpenIsNamedAndNotKeptAsTheDefault) {
  settings::AppSettingsRecord kept;
  kept.ComPort = 0;
  windows::CopySettingsToSendForm(kept, dialog);
  dialog.sfStationID->setText("555 0199");
  dialog.ComPort->SetItemIndex(1);
  ASSERT_TRUE(sendAndWait());
  EXPECT_TRUE(lastMessage().contains("Com2 stands for " + QString::fromStdString(dir.path("no-such-device-2"))))
      << lastMessage().toStdString();
  EXPECT_TRUE(lastMessage().contains("not there")) << lastMessage().toStdString();
  windows::CopySendFormToSettings(dialog, kept);
  EXPECT_EQ(kept.ComPort, 0);
}
