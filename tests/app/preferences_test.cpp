// The Preferences wizard through its controls: the first run from the main window, Finish
// and Cancel, the helpers on its pages, and stored values its lists cannot show.
#include "app/preferences/preferences.h"
#include "app/preferences/devicesform.h"
#include "app/preferences/prefsettings.h"
#include "faxengine/device_paths.h"
#include "mainwindow_fixture.h"
#include "settings/appsettings.h"
#include "ui/helpwindow.h"
#include "ui/radiogroup.h"
#include "ui/sound.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeWidget>

#include <cerrno>
#include <filesystem>
#include <set>

using app::TPreferences;
using testutil::MainWindowTest;

namespace {

template <class T = QPushButton>
T* child(QWidget& w, const char* name) {
  T* c = w.findChild<T*>(QString::fromLatin1(name));
  if (!c) ADD_FAILURE() << "no control " << name;
  return c;
}

void click(QWidget& w, const char* name) { child(w, name)->click(); }

// What the wizard's buttons allowed on each page, walking forward with Next.
struct Walk {
  std::vector<bool> back, next, finish;
};

Walk walkForward(TPreferences& p) {
  Walk seen;
  for (int page = 0;; ++page) {
    EXPECT_EQ(p.Page(), page);
    EXPECT_EQ(child<QLabel>(p, "PageLabel")->text(),
              child<QComboBox>(p, "PageCombo")->currentText());
    seen.back.push_back(child(p, "BackButton")->isEnabled());
    seen.next.push_back(child(p, "Nextbutton")->isEnabled());
    seen.finish.push_back(child(p, "Finishbutton")->isEnabled());
    if (!seen.next.back()) return seen;
    click(p, "Nextbutton");
  }
}

class PreferencesTest : public MainWindowTest {
 protected:
  // Opens the wizard from the main window's menu and runs `act` on it.
  template <class Act>
  void viaMenu(Act act) {
    testutil::whenModal<TPreferences>([](TPreferences& p) { return p.isVisible(); }, act);
    window->mnuPreferences->trigger();
  }
  settings::AppSettingsRecord stored() {
    return settings::LoadSettingsFrom(settings::SettingsFilePath());
  }
};

TEST_F(PreferencesTest, FirstRunOpensTheWizardWhichOffersFinishOnlyOnTheLastPage) {
  firstRun = true;
  Walk walk;
  bool firstTimeText = false;
  int jumpedFinish = -1;
  testutil::whenModal<TPreferences>([](TPreferences& p) { return p.isVisible(); },
                                    [&](TPreferences& p) {
                                      firstTimeText =
                                          child<QLabel>(p, "FirstTimeLabel")->isVisible();
                                      walk = walkForward(p);
                                      child<QComboBox>(p, "PageCombo")->activated(2);
                                      jumpedFinish = child(p, "Finishbutton")->isEnabled();
                                      click(p, "Cancelbutton");
                                    });
  app::TMainScreen& w = open();
  EXPECT_TRUE(firstTimeText);
  ASSERT_EQ(walk.finish.size(), 8u);
  EXPECT_EQ(walk.finish, (std::vector<bool>{0, 0, 0, 0, 0, 0, 0, 1}));
  EXPECT_EQ(walk.back, (std::vector<bool>{0, 1, 1, 1, 1, 1, 1, 1}));
  EXPECT_EQ(jumpedFinish, 0);
  // Cancelled: the port is Com1 from now on, so the wizard does not open again.
  w.close();
  EXPECT_EQ(stored().ComPort, 0);
  settings::IniFile ini(settings::SettingsFilePath());
  ini.load();
  EXPECT_TRUE(ini.hasKey("TMainScreen_Placement", "Bottom"));
}

TEST_F(PreferencesTest, FinishStoresEverySettingAsEntered) {
  firstRun = true;
  dir.write("ring.wav", "RIFF");
  testutil::whenModal<TPreferences>([](TPreferences& p) { return p.isVisible(); },
                                    [&](TPreferences& p) {
                                      child<ui::TRadioGroup>(p, "ComPort")->SetItemIndex(3);
                                      child<ui::TRadioGroup>(p, "ToneOrPulse")->SetItemIndex(1);
                                      child<QLineEdit>(p, "ResetString")->setText("AT&F9");
                                      child<QLineEdit>(p, "ResetAfterString")->setText("ATZ9");
                                      child<ui::TRadioGroup>(p, "FaxClass")->SetItemIndex(2);
                                      auto* rate = child<QComboBox>(p, "TransferRate");
                                      rate->setCurrentIndex(rate->findText("4800"));
                                      child<QLineEdit>(p, "ModemInit")->setText("S7=30");
                                      child<QLineEdit>(p, "FaxNumber")->setText("+1 555 0100");
                                      child<QLineEdit>(p, "Name")->setText("Ann Smith");
                                      child<QCheckBox>(p, "UseECM")->setChecked(true);
                                      child<QLineEdit>(p, "DialPrefix")->setText("9,");
                                      child<QLineEdit>(p, "TimeOut")->setText("45");
                                      child<QLineEdit>(p, "DialAttempts")->setText("5");
                                      child<QLineEdit>(p, "RetryWait")->setText("120");
                                      child<QCheckBox>(p, "CheckBlindDial")->setChecked(true);
                                      child<QCheckBox>(p, "CheckIgnoreBusy")->setChecked(true);
                                      child<ui::TRadioGroup>(p, "FaxClassReceive")->SetItemIndex(3);
                                      auto* rateReceive =
                                          child<QComboBox>(p, "TransferRateReceive");
                                      rateReceive->setCurrentIndex(rateReceive->findText("12000"));
                                      child<QLineEdit>(p, "ModemInitReceive")->setText("S0=0");
                                      child<ui::TRadioGroup>(p, "AnswerOnRing")->SetItemIndex(2);
                                      child<QCheckBox>(p, "ReceiveAtStartup")->setChecked(true);
                                      child<QCheckBox>(p, "UseECMReceive")->setChecked(true);
                                      child<QLineEdit>(p, "WaveFileEdit")->setText("ring.wav");
                                      child<QCheckBox>(p, "PrintFaxOnReceipt")->setChecked(true);
                                      child<QCheckBox>(p, "SavePdfOnReceipt")->setChecked(true);
                                      child<QLineEdit>(p, "SavePdfFolder")->setText("/srv/pdf");
                                      child<QComboBox>(p, "PageCombo")->activated(7);
                                      click(p, "Finishbutton");
                                    });
  open();
  // Then receive mode starts as asked, and says that Com4 leads to no modem here.
  ASSERT_FALSE(messages.empty());
  EXPECT_EQ(messages[0], std::make_pair(QString("Save changes?"), QString("Save Preferences")));
  const settings::AppSettingsRecord s = stored();
  EXPECT_EQ(s.ComPort, 3);
  EXPECT_EQ(s.ToneOrPulse, 1);
  EXPECT_EQ(s.ResetString, "AT&F9");
  EXPECT_EQ(s.ResetAfterString, "ATZ9");
  EXPECT_EQ(s.FaxClass, 2);
  EXPECT_EQ(s.MaximumBPS, 4800);
  EXPECT_EQ(s.InitString, "S7=30");
  EXPECT_EQ(s.UserFax, "+1 555 0100");
  EXPECT_EQ(s.UserName, "Ann Smith");
  EXPECT_TRUE(s.ECM);
  EXPECT_EQ(s.DialPrefix, "9,");
  EXPECT_EQ(s.Timeout, 45);
  EXPECT_EQ(s.DialAttempts, 5);
  EXPECT_EQ(s.RetryWait, 120);
  EXPECT_TRUE(s.BlindDial && s.IgnoreBusy);
  EXPECT_EQ(s.FaxClassReceive, 3);
  EXPECT_EQ(s.MaximumBPSReceive, 12000);
  EXPECT_EQ(s.InitStringReceive, "S0=0");
  EXPECT_EQ(s.AnswerOnRing, 3);
  EXPECT_TRUE(s.ReceiveAtStartup && s.ECMReceive && s.PrintOnReceipt);
  EXPECT_EQ(s.ReceiveWav, "ring.wav");
  EXPECT_EQ(s.PrintOnReceiptPrinter, "Default Windows Printer");
  EXPECT_TRUE(s.SavePdfOnReceipt);
  EXPECT_EQ(s.SavePdfFolder, "/srv/pdf");
  EXPECT_FALSE(window->PortNeverConfigured);
}

TEST_F(PreferencesTest, LaterRunsFinishOnAnyPageAndNoToSavingKeepsTheEdits) {
  dir.write("BDL.INI", "[Modem]\r\nComPort=2\r\n[User]\r\nName=Old\r\n");
  open();
  bool finishOnFirstPage = false, stillOpen = false;
  QString kept;
  answer = ui::mb::IdNo;
  viaMenu([&](TPreferences& p) {
    finishOnFirstPage = child(p, "Finishbutton")->isEnabled();
    EXPECT_FALSE(child<QLabel>(p, "FirstTimeLabel")->isVisible());
    child<QLineEdit>(p, "Name")->setText("New");
    click(p, "Finishbutton");
    stillOpen = p.isVisible();
    kept = child<QLineEdit>(p, "Name")->text();
    click(p, "Cancelbutton");
  });
  EXPECT_TRUE(finishOnFirstPage);
  EXPECT_TRUE(stillOpen);
  EXPECT_EQ(kept, "New");
  EXPECT_EQ(settings::AppSettings.UserName, "Old");
  EXPECT_EQ(stored().UserName, "Old");
}

TEST_F(PreferencesTest, ValuesTheListsCannotShowAreKeptUnlessTheUserChoosesAnother) {
  dir.write("BDL.INI",
            "[Modem]\r\nComPort=9\r\nMaximumBPS=19200\r\nMaximumBPSReceive=19200\r\n"
            "[Receive]\r\nAnswerOnRing=0\r\nPrintOnReceiptPrinter=Gone Printer\r\n"
            "[Dialing]\r\nTimeout=70\r\nRetryWait=80\r\nDialAttempts=4\r\n");
  open();
  viaMenu([&](TPreferences& p) {
    // Each list shows some item of its own.
    EXPECT_GE(child<ui::TRadioGroup>(p, "ComPort")->ItemIndex(), 0);
    EXPECT_GE(child<ui::TRadioGroup>(p, "AnswerOnRing")->ItemIndex(), 0);
    EXPECT_EQ(child<QComboBox>(p, "TransferRate")->currentText(), "9600");
    EXPECT_EQ(child<QComboBox>(p, "PrintFaxOnReceiptPrinter")->currentText(),
              "Default Windows Printer");
    auto* rateReceive = child<QComboBox>(p, "TransferRateReceive");
    rateReceive->setCurrentIndex(rateReceive->findText("7200"));
    // Seconds fields take 0 to one day; other texts keep the old value.
    child<QLineEdit>(p, "TimeOut")->setText("86401");
    child<QLineEdit>(p, "RetryWait")->setText("-5");
    child<QLineEdit>(p, "DialAttempts")->setText("abc");
    click(p, "Finishbutton");
  });
  settings::AppSettingsRecord s = stored();
  EXPECT_EQ(s.ComPort, 9);
  EXPECT_EQ(s.AnswerOnRing, 0);
  EXPECT_EQ(s.MaximumBPS, 19200);
  EXPECT_EQ(s.MaximumBPSReceive, 7200);
  EXPECT_EQ(s.PrintOnReceiptPrinter, "Default Windows Printer");
  EXPECT_EQ(s.Timeout, 70);
  EXPECT_EQ(s.RetryWait, 80);
  EXPECT_EQ(s.DialAttempts, 4);

  viaMenu([&](TPreferences& p) {
    child<ui::TRadioGroup>(p, "AnswerOnRing")->Button(2)->click();
    child<QLineEdit>(p, "TimeOut")->setText("86400");
    click(p, "Finishbutton");
  });
  s = stored();
  EXPECT_EQ(s.AnswerOnRing, 3);
  EXPECT_EQ(s.Timeout, 86400);
  EXPECT_EQ(s.ComPort, 9);
}

TEST_F(PreferencesTest, SameAsSendCopiesEachSendingSetting) {
  TPreferences p;
  child<ui::TRadioGroup>(p, "FaxClass")->SetItemIndex(3);
  child<QComboBox>(p, "TransferRate")->setCurrentIndex(0);
  child<QComboBox>(p, "TransferRateReceive")->setCurrentIndex(3);
  child<QLineEdit>(p, "ModemInit")->setText("X4");
  click(p, "RecClassSameAsSendButton");
  EXPECT_EQ(child<ui::TRadioGroup>(p, "FaxClassReceive")->ItemIndex(), 3);
  click(p, "RecBPSSameAsSendButton");
  EXPECT_EQ(child<QComboBox>(p, "TransferRateReceive")->currentIndex(), 0);
  EXPECT_TRUE(child<QLineEdit>(p, "ModemInitReceive")->text().isEmpty());
  click(p, "RecInitSameAsSendButton");
  EXPECT_EQ(child<QLineEdit>(p, "ModemInitReceive")->text(), "X4");
}

TEST_F(PreferencesTest, CannedInitStringsGoIntoTheirPagesFieldOnlyOnYes) {
  TPreferences p;
  const std::pair<const char*, const char*> buttons[] = {
      {"GenericInitbutton", "ModemInit"},
      {"GenericUSRInitButton", "ModemInit"},
      {"GenericInitRecButton", "ModemInitReceive"},
      {"GenericUSRInitRECbutton", "ModemInitReceive"}};
  QStringList offered;
  for (const auto& [button, field] : buttons) {
    auto* edit = child<QLineEdit>(p, field);
    edit->setText("mine");
    answer = ui::mb::IdNo;
    click(p, button);
    EXPECT_EQ(edit->text(), "mine") << button;
    answer = ui::mb::IdYes;
    click(p, button);
    // The string put in is the one the question showed on its own line.
    const QString question = messages.back().first;
    ASSERT_GE(question.split('\n').size(), 2) << button;
    EXPECT_EQ(edit->text(), question.split('\n')[1].trimmed()) << button;
    offered << edit->text();
  }
  EXPECT_NE(offered[0], offered[1]);  // generic and US Robotics differ
  EXPECT_EQ(offered[0], offered[2]);
  EXPECT_EQ(offered[1], offered[3]);
}

TEST_F(PreferencesTest, HelpOpensATopicWithAPageOfItsOwnForEachPartOfTheWizard) {
  TPreferences p;
  std::vector<int> topics;
  ui::HelpRequests().Install([&](int context) { topics.push_back(context); });
  for (int page = 0; page < app::kPrefsPageCount; ++page) {
    p.PageComboClick(page);
    click(p, "Helpbutton");
  }
  click(p, "HelpWithInitbutton");
  ui::HelpRequests().Install({});
  ASSERT_EQ(topics.size(), 9u);
  // Introduction, port, three sending pages, three receiving pages.
  EXPECT_EQ(std::set<int>(topics.begin() + 2, topics.begin() + 5).size(), 1u);
  EXPECT_EQ(std::set<int>(topics.begin() + 5, topics.begin() + 8).size(), 1u);
  EXPECT_EQ(std::set<int>(topics.begin(), topics.end() - 1).size(), 4u);
  for (int t : topics) EXPECT_NE(ui::HelpPageFor(t), ui::HelpPageFor(ui::helpctx::Contents)) << t;
}

TEST_F(PreferencesTest, WaveFileChosenPlayedAndRemoved) {
  dir.write("ring.wav", "RIFF");
  dir.write("notes.txt", "x");
  TPreferences p;
  QStringList played;
  ui::SoundRequests().Install([&](const QString& f) { played << f; });
  auto choose = [&](const char* name) {
    testutil::whenModal<QFileDialog>(
        [](QFileDialog& d) { return d.isVisible(); },
        [&](QFileDialog& d) {
          // Typed, as a user would: the name field has the focus.
          d.findChild<QLineEdit*>("fileNameEdit")->setText(QString::fromStdString(dir.path(name)));
          static_cast<QDialog&>(d).accept();
        });
    click(p, "SelectWavButton");
  };
  choose("ring.wav");
  EXPECT_EQ(child<QLineEdit>(p, "WaveFileEdit")->text(),
            QString::fromStdString(dir.path("ring.wav")));
  choose("notes.txt");  // not a wave file: ignored
  EXPECT_EQ(child<QLineEdit>(p, "WaveFileEdit")->text(),
            QString::fromStdString(dir.path("ring.wav")));
  click(p, "PlayWAVbutton");
  click(p, "NoWAVButton");
  EXPECT_TRUE(child<QLineEdit>(p, "WaveFileEdit")->text().isEmpty());
  click(p, "PlayWAVbutton");  // nothing to play
  ui::SoundRequests().Install({});
  EXPECT_EQ(played, QStringList{QString::fromStdString(dir.path("ring.wav"))});
}

// A device tree of the test's own: one USB modem with a by-id name, one adapter this user
// may not open.
class DevicesTest : public PreferencesTest {
 protected:
  std::filesystem::path root = std::filesystem::path(dir.dir.path()) / "tree";
  faxengine::SerialScanRoots roots{
      (root / "dev").string(), (root / "sys").string(),
      [this](const std::string& p) { return p == (root / "dev/ttyUSB0").string() ? EACCES : 0; }};
  std::string modem = (root / "dev/serial/by-id/usb-Acme_Modem-if00").string();

  void SetUp() override {
    PreferencesTest::SetUp();
    std::filesystem::create_directories(root / "dev/serial/by-id");
    std::filesystem::create_symlink("/dev/null", root / "dev/ttyACM0");
    std::filesystem::create_symlink("/dev/zero", root / "dev/ttyUSB0");
    std::filesystem::create_symlink("../../ttyACM0", modem);
    // No Com n leads to a device of this computer.
    std::string ports = "[Ports]\r\n";
    for (int n = 1; n <= 6; ++n)
      ports += "Com" + std::to_string(n) + "=" + (root / "gone").string() + "\r\n";
    dir.write("BDL.INI", ports);
  }
  void TearDown() override {
    for (int n = 1; n <= 6; ++n) faxengine::setComDevicePath(n, "");
    PreferencesTest::TearDown();
  }
  // Opens Devices... on the wizard and runs `act` on the list.
  template <class Act>
  void devices(TPreferences& p, Act act) {
    p.DeviceScanRoots = roots;
    testutil::whenModal<app::TDevicesForm>([](app::TDevicesForm& d) { return d.isVisible(); }, act);
    click(p, "DevicesButton");
  }
};

TEST_F(DevicesTest, MappingADeviceShowsItBesideItsComPortAndFinishStoresIt) {
  open();
  viaMenu([&](TPreferences& p) {
    devices(p, [&](app::TDevicesForm& d) {
      auto* list = child<QTreeWidget>(d, "DeviceList");
      EXPECT_EQ(list->topLevelItemCount(), 2);
      if (list->topLevelItemCount() != 2) return d.reject();
      EXPECT_EQ(list->topLevelItem(0)->text(app::TDevicesForm::NameColumn), "Acme Modem");
      // The adapter is marked, and selecting it shows how to get access.
      list->setCurrentItem(list->topLevelItem(1));
      EXPECT_TRUE(child<QLabel>(d, "AdviceLabel")->text().contains("ttyUSB0"));
      EXPECT_TRUE(child<QLabel>(d, "AdviceLabel")->text().contains("ermission"));
      list->setCurrentItem(list->topLevelItem(0));
      EXPECT_TRUE(child<QLabel>(d, "AdviceLabel")->text().isEmpty());
      child<QComboBox>(d, "ComNumberCombo")->setCurrentIndex(2);
      click(d, "MapButton");
    });
    EXPECT_EQ(child<ui::TRadioGroup>(p, "ComPort")->ItemIndex(), 2);
    EXPECT_EQ(child<QLabel>(p, "ComDevice3")->toolTip(), QString::fromStdString(modem));
    EXPECT_EQ(faxengine::comDevicePath(3), modem);  // a search now looks there
    click(p, "Finishbutton");
  });
  EXPECT_EQ(stored().ComDevices[2], modem);
  EXPECT_EQ(stored().ComPort, 2);
}

TEST_F(DevicesTest, CancelPutsThePortsBack) {
  open();
  const std::string before = (root / "gone").string();
  viaMenu([&](TPreferences& p) {
    devices(p, [&](app::TDevicesForm& d) {
      child<QComboBox>(d, "ComNumberCombo")->setCurrentIndex(0);
      click(d, "MapButton");
    });
    EXPECT_EQ(faxengine::comDevicePath(1), modem);
    click(p, "Cancelbutton");
  });
  EXPECT_EQ(faxengine::comDevicePath(1), before);
  EXPECT_EQ(stored().ComDevices[0], before);
}

}  // namespace
