// The Preferences wizard's modem helpers against a simulated modem that the settings
// file's [Ports] section puts behind Com2. Real-time: run serially.
#include "app/preferences/devicesform.h"
#include "app/preferences/preferences.h"
#include "mainwindow_fixture.h"
#include "modem_sim.h"
#include "ui/radiogroup.h"
#include "windows/checkfaxclass.h"
#include "windows/findmodem.h"

#include <QAction>
#include <QPushButton>
#include <QTreeWidget>

namespace {

using testutil::whenModal;

class PreferencesModem : public testutil::MainWindowTest {
 protected:
  // Presses a button that opens a modem window and presses Ok there once its work is done.
  template <class Form>
  void runHelper(app::TPreferences& p, const char* button) {
    whenModal<Form>([](Form& f) { return f.OkButton->isVisible(); },
                    [](Form& f) { f.OkButton->click(); });
    p.findChild<QPushButton*>(button)->click();
  }
};

TEST_F(PreferencesModem, FindsThePortAndClassesAndListsTheModemsDevice) {
  faxengine::test::ModemSim sim({"--speed", "10", "--modem1", "class2-v29"});
  ASSERT_TRUE(sim.ready());
  std::string ports = "[Modem]\r\nComPort=0\r\n[Ports]\r\n";
  for (int n = 1; n <= 6; ++n)
    ports += "Com" + std::to_string(n) + "=" +
             (n == 2 ? sim.modem1() : dir.path("no-device-" + std::to_string(n))) + "\r\n";
  dir.write("BDL.INI", ports);
  open();
  QStringList listed;
  testutil::whenModal<app::TPreferences>(
      [](app::TPreferences& p) { return p.isVisible(); },
      [&](app::TPreferences& p) {
        runHelper<windows::TFindModemForm>(p, "FindModemButton");
        runHelper<windows::TCheckFaxClassForm>(p, "CheckFaxClassButton");
        runHelper<windows::TCheckFaxClassForm>(p, "CheckRecFaxClassbutton");
        whenModal<app::TDevicesForm>([](app::TDevicesForm& d) { return d.isVisible(); },
                                     [&](app::TDevicesForm& d) {
                                       for (int i = 0; i < d.DeviceList->topLevelItemCount(); ++i) {
                                         const QTreeWidgetItem* row = d.DeviceList->topLevelItem(i);
                                         listed << row->text(0) + " " + row->text(2);
                                       }
                                       d.CloseButton->click();
                                     });
        p.DevicesButton->click();
        p.Finishbutton->click();
      });
  window->mnuPreferences->trigger();
  // Asked first about the port, then twice about the class; every answer was yes.
  ASSERT_EQ(messages.size(), 4u);
  EXPECT_EQ(messages[0].second, "Com Port");
  EXPECT_EQ(messages[1].second, "Fax Class");
  EXPECT_EQ(messages[2].second, "Fax Class");
  const settings::AppSettingsRecord s = settings::LoadSettingsFrom(settings::SettingsFilePath());
  EXPECT_EQ(s.ComPort, 1);
  EXPECT_EQ(s.FaxClass, 2);  // class 2, the first this modem offers
  EXPECT_EQ(s.FaxClassReceive, 2);
  EXPECT_TRUE(listed.contains(QString::fromStdString(sim.modem1()) + " Com2"))
      << listed.join("; ").toStdString();
}

}  // namespace
