// The Send command from composing to the stored outcome, through simulated modems found
// through the settings file's [Ports] section. Real-time: run serially.
#include "fax_pages.h"
#include "faxcodes/error_codes.h"
#include "faxcodes/texts.h"
#include "mainwindow_fixture.h"
#include "modem_sim.h"
#include "richtext/richtext.h"
#include "settings/inifile.h"
#include "ui/radiogroup.h"
#include "windows/sendfax.h"

#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>

#include <algorithm>
#include <filesystem>

namespace {

using faxengine::test::ModemSim;
using testutil::MainWindowTest;
using testutil::when;
using testutil::whenModal;
using windows::TSendFaxForm;

class SendCommand : public MainWindowTest {
 protected:
  // Settings that lead Com2 to the simulated modem.
  void settingsFor(const ModemSim& sim, int faxClass, int dialAttempts = 3, int retryWait = 60) {
    dir.write("BDL.INI", "[Modem]\r\nComPort=1\r\nFaxClass=" + std::to_string(faxClass) +
                             "\r\n[Dialing]\r\nDialAttempts=" + std::to_string(dialAttempts) +
                             "\r\nRetryWait=" + std::to_string(retryWait) +
                             "\r\n[Ports]\r\nCom2=" + sim.modem1() + "\r\n");
  }
  // New: a fax composed in the editor through its controls' names.
  void composeFax() {
    whenModal<QDialog>([](QDialog& d) { return d.objectName() == "FaxEditor"; },
                       [](QDialog& e) {
                         e.findChild<QLineEdit*>("Recipient")->setText("Ann Example");
                         e.findChild<QLineEdit*>("Subject")->setText("Figures");
                         e.findChild<QLineEdit*>("FaxNumber")->setText("555 0100");
                         e.findChild<richtext::TRichText*>("RichDoc")->LoadRtf(
                             "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0\\fs48 Quarterly "
                             "figures\\par\\fs24 All well.\\par\\page Page two\\par}");
                         e.findChild<QPushButton*>("OKButton")->click();
                       });
    find<QToolButton>("Newbutton")->click();
  }
  // Send: Send Fax in the dialog, then Close once the call is over. `inDialog` runs first.
  template <class Act>
  void sendFromList(Act inDialog) {
    whenModal<TSendFaxForm>([](TSendFaxForm&) { return true; },
                            [this, inDialog](TSendFaxForm& d) {
                              caption = d.windowTitle();
                              faxFile = d.FaxFileName;
                              d.sfStationID->setText("555 0199");
                              inDialog(d);
                              d.SendFaxButton->click();
                              when([&d] { return !d.Busy(); }, [&d] { d.CloseButton->click(); });
                            });
    find<QToolButton>("SendButton")->click();
  }
  std::string field(const char* name) { return window->Store.FaxTable.table().getString(name); }

  QString caption, faxFile;
};

class SendThroughClass : public SendCommand, public ::testing::WithParamInterface<int> {};

TEST_P(SendThroughClass, AComposedFaxIsSentAndItsOutcomeStored) {
  const char* kinds[] = {"", "class1", "class2", "class20"};
  ModemSim sim({"--speed", "20", "--modem1", kinds[GetParam()], "--exit-after-calls", "1"});
  ASSERT_TRUE(sim.ready());
  settingsFor(sim, GetParam());
  app::TMainScreen& w = open();
  composeFax();
  sendFromList([](TSendFaxForm& d) {
    d.sfusername->setText("Ann Sender");
    d.TransferRate->setCurrentIndex(4);
  });

  EXPECT_EQ(caption, "Send Fax: [Ann Example - Figures]");
  ASSERT_FALSE(messages.empty());
  EXPECT_EQ(messages.back().first, "Finished: OK");
  EXPECT_EQ(field("LASTRESULT"), "Sent");
  EXPECT_EQ(w.Store.FaxTable.table().getLogical("SENT"), true);
  EXPECT_EQ(w.Store.FaxTable.table().getNumber("PAGES"), 2);
  EXPECT_EQ(field("DATESENT"), QDate::currentDate().toString("yyyyMMdd").toStdString());
  EXPECT_EQ(row("FaxGrid", 0)[0], "Yes");
  EXPECT_FALSE(QFile::exists(faxFile));
  const settings::IniFile ini = [this] {
    settings::IniFile f(dir.path("BDL.INI"));
    f.load();
    return f;
  }();
  EXPECT_EQ(ini.readString("User", "Name", ""), "Ann Sender");
  EXPECT_EQ(ini.readInteger("Modem", "MaximumBPS", 0), 12000);

  // The far end got the fax as the list renders it, under the header line.
  ASSERT_EQ(sim.summary("s['calls'][0]['pages_ok']"), "2");
  const std::string again = w.CreateFaxFile().toStdString();
  for (int p = 1; p <= 2; ++p) {
    const faxengine::test::Picture rendered = faxengine::test::brxPageRows(again, p);
    EXPECT_GT(std::count_if(rendered.begin(), rendered.end(), [](auto& r) { return !r.empty(); }),
              20);
    EXPECT_TRUE(faxengine::test::rowsMatch(sim.savedPage(1, p), 24, rendered)) << "page " << p;
  }
  std::filesystem::remove(again);
}

std::string className(const ::testing::TestParamInfo<int>& info) {
  const char* const names[] = {"", "Class1", "Class2", "Class20"};
  return names[info.param];
}
// One call, in Class 2: how each class sends is the engine's, tested there.
INSTANTIATE_TEST_SUITE_P(Class, SendThroughClass, ::testing::Values(2), className);

TEST_F(SendCommand, ABusyNumberStoresTheEngineTextAndIsNotMarkedSent) {
  ModemSim sim({"--speed", "20", "--scenario", "busy"});
  ASSERT_TRUE(sim.ready());
  settingsFor(sim, 3, 2, 1);
  app::TMainScreen& w = open();
  composeFax();
  sendFromList([](TSendFaxForm&) {});
  EXPECT_EQ(field("LASTRESULT"), faxcodes::errorText(faxcodes::ecFaxBusy));
  EXPECT_EQ(w.Store.FaxTable.table().getLogical("SENT"), false);
  EXPECT_EQ(field("DATESENT"), "");
  EXPECT_EQ(w.Store.FaxTable.table().getNumber("PAGES"), 2);
  EXPECT_EQ(sim.summary("s['modems']['modem1']['calls']"), "2");
}

// A fax sent, then sent again from the same dialog to a busy line, stays sent with the
// date of the call that went through and notes the later failure; a fax of more pages
// than the list's column holds stores the most it can show and the rest of the outcome.
TEST_F(SendCommand, ALaterFailedAttemptKeepsTheFaxSentAndALongFaxStoresItsOutcome) {
  ModemSim good({"--speed", "20"}), busy({"--speed", "20", "--scenario", "busy"});
  ASSERT_TRUE(good.ready() && busy.ready());
  dir.write("BDL.INI", "[Modem]\r\nComPort=1\r\nFaxClass=3\r\n"
                       "[Dialing]\r\nDialAttempts=1\r\nRetryWait=1\r\n"
                       "[Ports]\r\nCom2=" + good.modem1() + "\r\nCom3=" + busy.modem1() + "\r\n");
  app::TMainScreen& w = open();
  composeFax();
  sendFromList([&w](TSendFaxForm& d) {
    w.PagesBuilt = 120;  // as many as a long document builds; the call sends the file's two
    d.SendFaxButton->click();
    ASSERT_TRUE(testutil::waitFor([&d] { return !d.Busy(); }, 120000));
    d.ComPort->SetItemIndex(2);
  });
  EXPECT_EQ(busy.summary("s['modems']['modem1']['calls']"), "1");
  EXPECT_EQ(w.Store.FaxTable.table().getLogical("SENT"), true);
  EXPECT_EQ(field("DATESENT"), QDate::currentDate().toString("yyyyMMdd").toStdString());
  EXPECT_EQ(field("LASTRESULT"), faxcodes::errorText(faxcodes::ecFaxBusy));
  EXPECT_EQ(w.Store.FaxTable.table().getNumber("PAGES"), app::kMaxListedPages);
}

}  // namespace
