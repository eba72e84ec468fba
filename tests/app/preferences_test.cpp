// The Preferences wizard through its controls: the first run from the main window, Finish
// and Cancel, the helpers on its pages, and stored values its lists cannot show.
#include "app/preferences/preferences.h"
#include "app/preferences/devicesform.h"
#include "app/preferences/prefsettings.h"
#include "faxengine/device_paths.h"
#include "mainwindow_fixture.h"
#include "settings/appsettings.h"
#include "support/privatebus.h"
#include "ui/helpwindow.h"
#include "ui/radiogroup.h"
#include "ui/refusedtyping.h"
#include "ui/sound.h"
#include "windows/modembusy.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDBusMetaType>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardPaths>
#include <QThread>
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
  // Cancelled: the port is Com1 from now on, stored at once, so the wizard does not open
  // again and nothing that reads the file finds it unset.
  EXPECT_EQ(stored().ComPort, 0);
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

// Typing refused with a tip: what the page header cannot carry in the name, and anything
// but digits in range in the seconds and attempts fields (nothing is dropped silently later).
TEST_F(PreferencesTest, FieldsRefuseWhatTheyCannotStoreAsTheUserTypes) {
  TPreferences p;
  const struct {
    const char* field;
    const char* before;
    QString typed;
    const char* after;
  } cases[] = {
      {"Name", "", QStringLiteral("QA Tester Łódź"), "QA Tester ód"},
      {"FaxNumber", "", QStringLiteral("+1 555 Ω"), "+1 555 "},
      {"TimeOut", "60", QStringLiteral("x0000"), "60000"},
      {"RetryWait", "", QStringLiteral("5-"), "5"},
      {"DialAttempts", "1", QStringLiteral("00"), "10"},
  };
  for (const auto& c : cases) {
    auto* edit = child<QLineEdit>(p, c.field);
    edit->setText(QString::fromUtf8(c.before));
    edit->end(false);
    for (QChar ch : c.typed) {
      QKeyEvent key(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(ch));
      QApplication::sendEvent(edit, &key);
    }
    EXPECT_EQ(edit->text(), QString::fromUtf8(c.after)) << c.field;
    EXPECT_NE(ui::RefusalTip(), nullptr) << c.field;
  }
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

// A device the scan does not list (a link with a name of the user's choosing, a
// pseudo-terminal) is typed in and mapped; a path that is not there is refused with a
// message and the list stays open for the correction.
TEST_F(DevicesTest, ATypedDeviceIsMappedAndAMissingOneRefused) {
  open();
  const std::string own = (root / "dev/faxmodem").string();
  std::filesystem::create_symlink("/dev/zero", own);
  viaMenu([&](TPreferences& p) {
    devices(p, [&](app::TDevicesForm& d) {
      auto* path = child<QLineEdit>(d, "DevicePathEdit");
      path->setText(QString::fromStdString((root / "dev/nothing").string()));
      click(d, "MapButton");
      EXPECT_TRUE(d.isVisible());
      EXPECT_TRUE(!messages.empty() && messages.back().first.contains("dev/nothing"));
      path->setText(QString::fromStdString(own));
      child<QComboBox>(d, "ComNumberCombo")->setCurrentIndex(4);
      click(d, "MapButton");
    });
    EXPECT_EQ(faxengine::comDevicePath(5), own);
    click(p, "Finishbutton");
  });
  EXPECT_EQ(stored().ComDevices[4], own);
}

// ModemManager as its object manager reports its modems and their ports.
struct MMPort {
  QString name;
  uint type = 0;
};
QDBusArgument& operator<<(QDBusArgument& a, const MMPort& p) {
  a.beginStructure();
  a << p.name << p.type;
  a.endStructure();
  return a;
}
const QDBusArgument& operator>>(const QDBusArgument& a, MMPort& p) {
  a.beginStructure();
  a >> p.name >> p.type;
  a.endStructure();
  return a;
}
using MMInterfaces = QMap<QString, QVariantMap>;
using MMObjects = QMap<QDBusObjectPath, MMInterfaces>;

}  // namespace
Q_DECLARE_METATYPE(MMPort)
Q_DECLARE_METATYPE(MMObjects)
namespace {

class StubModemManager : public QObject {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.freedesktop.DBus.ObjectManager")
 public Q_SLOTS:
  MMObjects GetManagedObjects() {
    QVariantMap modem;
    modem.insert("Ports", QVariant::fromValue(QList<MMPort>{{"ttyACM0", 4}, {"wwan0", 2}}));
    return {{QDBusObjectPath("/org/freedesktop/ModemManager1/Modem/0"),
             {{"org.freedesktop.ModemManager1.Modem", modem}}}};
  }
};

TEST_F(DevicesTest, APortModemManagerHoldsIsMarkedWithTheFix) {
  if (QStandardPaths::findExecutable("dbus-daemon").isEmpty()) GTEST_SKIP() << "needs dbus-daemon";
  qDBusRegisterMetaType<MMPort>();
  qDBusRegisterMetaType<QList<MMPort>>();
  qDBusRegisterMetaType<MMInterfaces>();
  qDBusRegisterMetaType<MMObjects>();
  testutil::PrivateBus bus;
  QDBusConnection service = bus.Connect("modem-manager");
  // The stub answers from a thread of its own, as the real service would from its
  // process: the list asks it and waits for the answer.
  QThread serviceThread;
  StubModemManager manager;
  manager.moveToThread(&serviceThread);
  serviceThread.start();
  ASSERT_TRUE(service.registerObject("/org/freedesktop/ModemManager1", &manager,
                                     QDBusConnection::ExportAllSlots));
  ASSERT_TRUE(service.registerService("org.freedesktop.ModemManager1"));
  QDBusConnection system = windows::ModemManagerBus();
  windows::ModemManagerBus() = bus.Connect("brindle");
  std::vector<QString> access;
  QString advice;
  open();
  viaMenu([&](TPreferences& p) {
    devices(p, [&](app::TDevicesForm& d) {
      auto* list = child<QTreeWidget>(d, "DeviceList");
      for (int i = 0; i < list->topLevelItemCount(); ++i)
        access.push_back(list->topLevelItem(i)->text(app::TDevicesForm::AccessColumn));
      list->setCurrentItem(list->topLevelItem(0));
      advice = child<QLabel>(d, "AdviceLabel")->text();
      d.reject();
    });
    click(p, "Cancelbutton");
  });
  windows::ModemManagerBus() = system;
  service.unregisterObject("/org/freedesktop/ModemManager1");
  serviceThread.quit();
  serviceThread.wait();
  ASSERT_EQ(access.size(), 2u);
  EXPECT_TRUE(access[0].contains("ModemManager")) << access[0].toStdString();
  EXPECT_FALSE(access[1].contains("ModemManager"));
  EXPECT_TRUE(advice.contains("ID_MM_DEVICE_IGNORE")) << advice.toStdString();
}

}  // namespace

#include "preferences_test.moc"
