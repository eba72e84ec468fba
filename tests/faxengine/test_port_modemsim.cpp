// The port against the modem simulator in its plain AT mode: a command goes out through
// the output thread and the reply is matched by AwaitText.
#include <gtest/gtest.h>

#include "faxengine/comport.h"
#include "modem_sim.h"

using namespace faxengine;

TEST(PortModemSim, AtCommandGetsOk) {
  test::ModemSim sim({"--speed", "20"});
  ASSERT_TRUE(sim.ready()) << "the simulator did not start";
  TFxComPort port;
  port.DevicePath = sim.modem1();
  port.AutoOpen = false;
  port.SetHWFlowOptions(hwfUseRTS | hwfRequireCTS);
  ASSERT_EQ(port.TryOpen(), 0);
  ASSERT_EQ(port.WriteText("AT\r"), 0);
  EXPECT_TRUE(port.AwaitText("OK", secondsToTicks(5), false, false));
  port.ClearInput();
  ASSERT_EQ(port.WriteText("ATI3\r"), 0);  // any reply at all, then OK again
  EXPECT_TRUE(port.AwaitText("\r\n", secondsToTicks(5), false, false));
  EXPECT_TRUE(port.AwaitText("OK", secondsToTicks(5), false, false));
}
