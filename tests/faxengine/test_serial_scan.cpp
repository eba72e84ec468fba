// The serial device scan on a device tree of the test's own: which ports are listed, in
// what order, under which readable names, which Com n lead to them, and who may open them.
#include "faxengine/serial_scan.h"
#include "pty.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <fstream>

namespace {

namespace fs = std::filesystem;
using faxengine::SerialDeviceEntry;
using faxengine::SerialScanRoots;

class SerialScan : public ::testing::Test {
 protected:
  fs::path root = fs::temp_directory_path() / ("brindle-scan-" + std::to_string(::getpid()));
  SerialScanRoots roots{(root / "dev").string(), (root / "sys").string(), {}};

  void SetUp() override {
    fs::remove_all(root);
    fs::create_directories(root / "dev/serial/by-id");
    // Distinct character devices stand in for the ports.
    link("ttyS0", "/dev/zero");
    link("ttyS1", "/dev/full");  // no UART behind it
    link("ttyACM0", "/dev/null");
    link("ttyUSB10", "/dev/random");
    link("ttyUSB2", "/dev/urandom");
    std::ofstream(root / "dev/ttyUSB3") << "a plain file";
    fs::create_symlink("../../ttyACM0", root / "dev/serial/by-id/usb-Acme_Fax_Modem_42-if00");
    uartType("ttyS0", 4);
    uartType("ttyS1", 0);
  }
  void TearDown() override { fs::remove_all(root); }

  void link(const char* name, const char* target) {
    fs::create_symlink(target, root / "dev" / name);
  }
  void uartType(const char* name, int type) {
    fs::create_directories(root / "sys/class/tty" / name);
    std::ofstream(root / "sys/class/tty" / name / "type") << type << "\n";
  }
  std::string dev(const char* name) const { return (root / "dev" / name).string(); }
  static std::vector<std::string> paths(const std::vector<SerialDeviceEntry>& ds) {
    std::vector<std::string> out;
    for (const SerialDeviceEntry& d : ds) out.push_back(d.path);
    return out;
  }
};

TEST_F(SerialScan, ListsPortsWithAUartAndUsbDevicesInNumberOrderWithTheirNames) {
  const std::vector<SerialDeviceEntry> ds = faxengine::ScanSerialDevices(roots);
  EXPECT_EQ(paths(ds), (std::vector<std::string>{dev("ttyS0"), dev("ttyACM0"), dev("ttyUSB2"),
                                                 dev("ttyUSB10")}));
  EXPECT_EQ(ds[1].name, "Acme Fax Modem 42");
  EXPECT_EQ(faxengine::PathToMap(ds[1]), dev("serial/by-id/usb-Acme_Fax_Modem_42-if00"));
  EXPECT_EQ(faxengine::PathToMap(ds[0]), dev("ttyS0"));
}

TEST_F(SerialScan, DevicesThisUserMayNotOpenAreMarked) {
  roots.accessError = [this](const std::string& p) { return p == dev("ttyUSB2") ? EACCES : 0; };
  const std::vector<SerialDeviceEntry> ds = faxengine::ScanSerialDevices(roots);
  ASSERT_EQ(ds.size(), 4u);
  EXPECT_EQ(ds[2].accessError, EACCES);
  EXPECT_EQ(ds[3].accessError, 0);
}

TEST_F(SerialScan, ComNumbersFindTheirDevicesByAnyNameAndUnlistedOnesAreAdded) {
  faxengine::test::Pty pty;
  std::vector<SerialDeviceEntry> ds = faxengine::ScanSerialDevices(roots);
  const std::size_t scanned = ds.size();
  faxengine::MarkComDevices(ds,
                            {dev("serial/by-id/usb-Acme_Fax_Modem_42-if00"), pty.path(),
                             dev("ttyACM0"), "", "/nowhere/ttyS9", pty.path()},
                            roots);
  ASSERT_EQ(ds.size(), scanned + 1);
  EXPECT_EQ(ds[1].comNumbers, (std::vector<int>{1, 3}));
  EXPECT_EQ(ds.back().path, pty.path());
  EXPECT_EQ(ds.back().comNumbers, (std::vector<int>{2, 6}));
  EXPECT_TRUE(ds[0].comNumbers.empty());
}

TEST(SerialScanNames, ReadableByIdNames) {
  EXPECT_EQ(faxengine::ReadableByIdName("usb-Acme_Data_USB_Fax_Modem_0001-if00"),
            "Acme Data USB Fax Modem 0001");
  EXPECT_EQ(faxengine::ReadableByIdName("usb-FTDI_FT232R_A1B2-if00-port0"), "FTDI FT232R A1B2");
  EXPECT_EQ(faxengine::ReadableByIdName("pci-Modem"), "Modem");
}

}  // namespace
