// Opening and closing a port on pseudo-terminals: the error codes a user sees when the
// device is missing, taken or refuses a setting, the limit on open ports, and a device
// without modem lines.
#include <gtest/gtest.h>

#include <cerrno>
#include <memory>
#include <vector>

#include "faxengine/comport.h"
#include "faxengine/device_paths.h"
#include "faxengine/errors.h"
#include "faxengine/serial_device.h"
#include "pty.h"

using namespace faxengine;
using faxengine::test::Pty;

namespace {

std::unique_ptr<TFxComPort> portOn(const std::string& path) {
  auto p = std::make_unique<TFxComPort>();
  p->DevicePath = path;
  p->AutoOpen = false;
  return p;
}

}  // namespace

TEST(PortOpen, MissingTakenAndRefusedDevices) {
  auto missing = portOn("/dev/no-such-serial-device");
  EXPECT_EQ(missing->TryOpen(), ecNoSuchPort);
  EXPECT_FALSE(missing->Open());

  Pty pty;
  auto first = portOn(pty.path());
  auto second = portOn(pty.path());
  ASSERT_EQ(first->TryOpen(), 0);
  EXPECT_EQ(second->TryOpen(), ecPortInUse);
  try {
    second->SetOpen(true);
    FAIL();
  } catch (const EFxException& e) {
    EXPECT_EQ(e.code(), ecPortInUse);
  }
  first->Close();
  EXPECT_EQ(second->TryOpen(), 0);  // free again once closed

  // A rate the driver does not know: refused at opening and on an open port, where the
  // old rate stays in force.
  auto odd = portOn(pty.path());
  odd->SetBaud(12345);
  second->Close();
  EXPECT_EQ(odd->TryOpen(), ecBadLineSettings);
  ASSERT_EQ(second->TryOpen(), 0);
  EXPECT_THROW(second->SetBaud(12345), EFxException);
  EXPECT_EQ(second->Baud(), 19200);
  EXPECT_NO_THROW(second->SetBaud(2400));  // a speed change of an open port
}

TEST(PortOpen, OpenErrorsMapToTheirCodes) {
  EXPECT_EQ(openErrorCode(ENOENT), ecNoSuchPort);
  EXPECT_EQ(openErrorCode(ENODEV), ecNoSuchPort);
  EXPECT_EQ(openErrorCode(EBUSY), ecPortInUse);
  EXPECT_EQ(openErrorCode(EWOULDBLOCK), ecPortInUse);
  EXPECT_EQ(openErrorCode(EACCES), ecPortAccessDenied);
  EXPECT_EQ(openErrorCode(EIO), -EIO);
}

TEST(PortOpen, FiftyFirstPortFails) {
  std::vector<std::unique_ptr<Pty>> ptys;
  std::vector<std::unique_ptr<TFxComPort>> ports;
  for (int i = 0; i < kMaxOpenPorts; ++i) {
    ptys.push_back(std::make_unique<Pty>());
    ports.push_back(portOn(ptys.back()->path()));
    ASSERT_EQ(ports.back()->TryOpen(), 0) << i;
  }
  Pty extra;
  auto last = portOn(extra.path());
  EXPECT_EQ(last->TryOpen(), ecNoMoreHandles);
  ports.front()->Close();
  EXPECT_EQ(last->TryOpen(), 0);
}

TEST(PortOpen, ComNumberUsesTheConfiguredDevice) {
  Pty pty;
  EXPECT_EQ(comDevicePath(3), "/dev/ttyACM0");
  setComDevicePath(3, pty.path());
  TFxComPort port;
  port.ComNumber = 3;
  port.AutoOpen = false;
  EXPECT_EQ(port.TryOpen(), 0);
  EXPECT_EQ(port.DeviceName(), pty.path());
  setComDevicePath(3, "");
  EXPECT_EQ(comDevicePath(3), "/dev/ttyACM0");
  TFxComPort unset;
  EXPECT_EQ(unset.TryOpen(), ecNoSuchPort);  // Com 0: never configured
}

TEST(PortOpen, UseBeforeOpeningFollowsAutoOpen) {
  Pty pty;
  auto manual = portOn(pty.path());
  EXPECT_EQ(manual->WriteText("AT\r"), ecBadHandle);
  EXPECT_EQ(manual->NewTimerTrigger(), ecBadHandle);
  manual->AutoOpen = true;
  EXPECT_EQ(manual->WriteText("AT\r"), 0);
  EXPECT_TRUE(manual->Open());
  EXPECT_EQ(pty.read(3), "AT\r");
}

TEST(PortOpen, DeviceWithoutModemLines) {
  Pty pty;
  auto port = portOn(pty.path());
  port->SetLogging(TTraceLogState::tlOn);
  ASSERT_EQ(port->TryOpen(), 0);
  EXPECT_FALSE(port->HasModemLines());
  EXPECT_EQ(port->ModemStatus(), 0);  // carrier unknown
  port->SetDTR(false);                // accepted, does nothing
  port->SetRTS(false);
  EXPECT_FALSE(port->DTR());
  ASSERT_EQ(port->WriteText("x"), 0);  // data still flows
  EXPECT_EQ(pty.read(1), "x");
}
