// A port that another process holds: the message says so, and when ModemManager's name is
// on the system bus (faked on a private bus) it explains and gives the udev rule.
#include "faxcodes/error_codes.h"
#include "faxengine/comport.h"
#include "faxengine/device_paths.h"
#include "support/privatebus.h"
#include "support/programdir.h"
#include "ui/messages.h"
#include "windows/modembusy.h"
#include "windows/modemchecks.h"

#include <gtest/gtest.h>
#include <QDBusConnectionInterface>
#include <QProcess>
#include <QStandardPaths>

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

namespace {

// A pseudo-terminal whose slave another process has open and locked, as a modem manager
// or a second fax program would.
class HeldPort {
 public:
  HeldPort() {
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0) return;
    path_ = ::ptsname(master_);
    holder_.start("flock", {"-n", QString::fromStdString(path_), "-c", "echo held; exec sleep 600"});
    if (!holder_.waitForReadyRead(20000)) path_.clear();
  }
  ~HeldPort() {
    holder_.kill();
    holder_.waitForFinished(20000);
    if (master_ >= 0) ::close(master_);
  }
  const std::string& path() const { return path_; }

 private:
  int master_ = -1;
  std::string path_;
  QProcess holder_;
};

QString openMessage(const std::string& device) {
  faxengine::setComDevicePath(4, device);
  faxengine::TFxCustomComPort port;
  port.ComNumber = 4;
  QString message;
  EXPECT_FALSE(windows::OpenComPort(port, message));
  faxengine::setComDevicePath(4, "");
  return message;
}

}  // namespace

TEST(ModemBusy, APortHeldElsewhereIsExplainedWithModemManagersFixWhenItRuns) {
  if (QStandardPaths::findExecutable("dbus-daemon").isEmpty() ||
      QStandardPaths::findExecutable("flock").isEmpty())
    GTEST_SKIP() << "needs dbus-daemon and flock";
  testutil::PrivateBus bus;
  ASSERT_FALSE(bus.address().isEmpty());
  // The program asks the system bus; here that is the private one.
  windows::ModemManagerBus() = bus.Connect("brindle");
  HeldPort held;
  ASSERT_FALSE(held.path().empty());

  const QString plain = openMessage(held.path());
  EXPECT_TRUE(plain.contains(QString::fromStdString(held.path()))) << plain.toStdString();
  EXPECT_TRUE(plain.contains("another program")) << plain.toStdString();
  EXPECT_FALSE(plain.contains("ModemManager")) << plain.toStdString();

  QDBusConnection manager = bus.Connect("modem-manager");
  ASSERT_TRUE(manager.registerService("org.freedesktop.ModemManager1"));
  const QString explained = openMessage(held.path());
  EXPECT_TRUE(explained.contains("ModemManager")) << explained.toStdString();
  EXPECT_TRUE(explained.contains("ENV{ID_MM_DEVICE_IGNORE}=\"1\"")) << explained.toStdString();
  EXPECT_TRUE(explained.contains("sudo tee /etc/udev/rules.d/")) << explained.toStdString();
  EXPECT_TRUE(explained.contains("udevadm control --reload")) << explained.toStdString();

  // Shown whole: a box that cut it would lose the commands.
  QString shown;
  ui::MessageBoxAnswers().Install([&](const QString& text, const QString&, int) {
    shown = text;
    return ui::mb::IdOk;
  });
  windows::ShowOpenFailure(explained);
  ui::MessageBoxAnswers().Install({});
  EXPECT_EQ(shown, explained);
}

// The rule picks the USB modem out by its vendor and product numbers (the tty's number
// changes with plugging order), and a tty without a USB device above it by its name.
TEST(ModemBusy, TheRuleMatchesTheUsbDeviceOrTheTtyName) {
  testutil::TempDir sys;
  namespace fs = std::filesystem;
  const fs::path usb = fs::path(sys.path()) / "devices/pci0000:00/usb1/1-2";
  fs::create_directories(usb / "1-2:1.0/tty/ttyACM0");
  std::ofstream(usb / "idVendor") << "0572\n";
  std::ofstream(usb / "idProduct") << "1340\n";
  fs::create_directories(fs::path(sys.path()) / "class/tty/ttyACM0");
  fs::create_directory_symlink(usb / "1-2:1.0", fs::path(sys.path()) / "class/tty/ttyACM0/device");

  const QString rule = windows::ModemManagerIgnoreRule("/dev/ttyACM0", sys.path());
  EXPECT_TRUE(rule.contains("SUBSYSTEM==\"tty\"")) << rule.toStdString();
  EXPECT_TRUE(rule.contains("ATTRS{idVendor}==\"0572\", ATTRS{idProduct}==\"1340\"")) << rule.toStdString();
  EXPECT_TRUE(rule.endsWith("ENV{ID_MM_DEVICE_IGNORE}=\"1\""));
  EXPECT_TRUE(windows::ModemManagerIgnoreRule("/dev/ttyS3", sys.path()).contains("KERNEL==\"ttyS3\""));
}
