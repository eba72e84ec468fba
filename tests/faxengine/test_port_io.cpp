// Moving bytes through a port on a pseudo-terminal: output under XON/XOFF, a far end that
// writes faster than handlers consume, AwaitText, closing from inside a delivery, and the
// trace and log dumps a user sends in after a failed call.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "faxengine/comport.h"
#include "faxengine/errors.h"
#include "faxengine/plain_event_bridge.h"
#include "pty.h"

using namespace faxengine;
using faxengine::test::ClosesAtEnd;
using faxengine::test::Pty;
using faxengine::test::waitFor;
using namespace std::chrono_literals;

namespace {

std::string pattern(std::size_t n) {
  std::string s(n, 0);
  for (std::size_t i = 0; i < n; ++i) s[i] = char('A' + (i * 7 + i / 251) % 26);
  return s;
}

std::string slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

class PortIo : public ::testing::Test {
 protected:
  void SetUp() override {
    port.DevicePath = pty.path();
    port.AutoOpen = false;
    port.OutSize = 8192;
  }
  Pty pty;
  PlainEventBridge bridge;  // outlives the port
  TFxComPort port;
};

}  // namespace

TEST_F(PortIo, OutputPausesOnXoffAndResumesOnXon) {
  ASSERT_EQ(port.TryOpen(), 0);
  ASSERT_EQ(port.SWFlowEnable(TSWFlowOptions::swfTransmit), 0);  // on an open port
  const std::string data = pattern(200000);
  std::atomic<bool> queued{false};
  std::thread writer([&] {
    for (std::size_t done = 0; done < data.size();) {
      int n = int(std::min<std::size_t>(1000, data.size() - done));
      if (port.WriteBlock(data.data() + done, n) == 0)
        done += std::size_t(n);
      else
        std::this_thread::sleep_for(1ms);
    }
    queued = true;
  });
  std::string got = pty.read(20000);
  pty.write("\x13");                    // XOFF
  got += pty.read(data.size(), 300ms);  // what was already on its way
  const std::size_t atStop = got.size();
  EXPECT_EQ(pty.read(1, 300ms), "");  // nothing more while stopped
  EXPECT_GT(port.OutputCount(), 0);
  EXPECT_LT(atStop, data.size());
  pty.write("\x11");  // XON
  got += pty.read(data.size() - got.size(), 2000ms);
  writer.join();
  EXPECT_TRUE(queued);
  EXPECT_EQ(got.size(), data.size());
  EXPECT_TRUE(got == data) << "bytes lost, duplicated or reordered";
  EXPECT_EQ(port.InputCount(), 0);  // the flow characters are not input
  // With flow control off again, the same character is data.
  ASSERT_EQ(port.SWFlowDisable(), 0);
  pty.write("\x13");
  EXPECT_TRUE(waitFor([&] { return port.InputCount() == 1; }));
}

TEST_F(PortIo, NothingIsLostWhenTheFarEndOutrunsTheHandlers) {
  ASSERT_EQ(port.TryOpen(), 0);
  ASSERT_EQ(port.SWFlowEnable(TSWFlowOptions::swfReceive, 6000, 1000), 0);
  std::string got;
  std::mutex m;
  const ClosesAtEnd closer{port};  // before the handlers' locals go
  port.AttachHandler([&](unsigned msg, int, std::uint32_t data) {
    if (msg != kTriggerAvail) return;
    std::this_thread::sleep_for(1ms);  // a slow consumer that takes a little at a time
    char buf[300];
    int n = port.ReadBlock(buf, std::min<int>(int(triggerValue(data)), 300));
    std::lock_guard lock(m);
    got.append(buf, std::size_t(n));
  });
  const std::string data = pattern(300000);
  std::thread far([&] { pty.write(data); });  // blocks while the port holds back
  ASSERT_TRUE(waitFor(
      [&] {
        std::lock_guard lock(m);
        return got.size() >= data.size();
      },
      20s));
  far.join();
  {
    std::lock_guard lock(m);
    EXPECT_TRUE(got == data) << "received bytes lost or reordered";
  }
  // The port told the far end to stop when its buffer filled, and to go on afterwards.
  const std::string flow = pty.read(1000, 200ms);
  EXPECT_NE(flow.find('\x13'), std::string::npos);
  EXPECT_EQ(flow.back(), '\x11');
}

TEST_F(PortIo, WaitingInputCanBeLookedAtReadAndThrownAway) {
  ASSERT_EQ(port.TryOpen(), 0);
  EXPECT_EQ(port.ReadChar(), ecBufferIsEmpty);
  pty.write("abc");
  ASSERT_TRUE(waitFor([&] { return port.InputCount() == 3; }));
  EXPECT_EQ(port.PeekInput(2), 'b');
  EXPECT_EQ(port.PeekInput(4), ecBufferIsEmpty);
  EXPECT_EQ(port.ReadChar(), 'a');
  EXPECT_TRUE(port.HasInput());
  EXPECT_EQ(port.ClearInput(), 0);
  EXPECT_FALSE(port.HasInput());
  EXPECT_EQ(port.ReadChar(), ecBufferIsEmpty);
  // A block larger than the whole output ring is refused, nothing of it queued.
  std::string big(9000, 'x');
  EXPECT_EQ(port.WriteBlock(big.data(), int(big.size())), ecOutputTooSmall);
  EXPECT_EQ(port.OutputCount(), 0);
}

TEST_F(PortIo, AwaitTextMatchesAsBytesArrive) {
  ASSERT_EQ(port.TryOpen(), 0);
  std::string seen;
  const ClosesAtEnd closer{port};  // before the handlers' locals go
  port.OnWaitChar = [&](TFxCustomComPort&, char c) { seen += c; };
  pty.write("\r\nok\r\n");
  EXPECT_TRUE(port.AwaitText("OK", secondsToTicks(2), false, true));
  EXPECT_EQ(seen, "\r\nok");
  // A match that restarts inside the text itself.
  pty.write("xaaab");
  EXPECT_TRUE(port.AwaitText("aab", secondsToTicks(2), false, false));
  // Case counts unless ignored; the wait then runs out.
  pty.write("ok");
  EXPECT_FALSE(port.AwaitText("OK", 3, false, false));
  // Bytes that arrive during the wait.
  std::thread late([&] {
    std::this_thread::sleep_for(50ms);
    pty.write("CONNECT 9600\r\n");
  });
  EXPECT_TRUE(port.AwaitText("CONNECT", secondsToTicks(3), false, false));
  late.join();
}

TEST_F(PortIo, AwaitTextYieldsAndStopsWhenQuitting) {
  port.Bridge = &bridge;
  ASSERT_EQ(port.TryOpen(), 0);
  int ran = 0;
  bridge.post([&] { ++ran; });
  bridge.post([&] { bridge.requestQuit(); });
  EXPECT_FALSE(port.AwaitText("OK", secondsToTicks(10), true, true));
  EXPECT_EQ(ran, 1);  // pending messages ran while waiting
  pty.write("OK");
  ASSERT_TRUE(waitFor([&] { return port.InputCount() == 2; }));
  EXPECT_FALSE(port.AwaitText("OK", secondsToTicks(10), true, true));  // still quitting
}

TEST_F(PortIo, CloseFromInsideADeliveryTakesEffectWhenItReturns) {
  ASSERT_EQ(port.TryOpen(), 0);
  std::atomic<bool> returned{false};
  std::atomic<int> calls{0};
  const ClosesAtEnd closer{port};  // before the handlers' locals go
  port.AttachHandler([&](unsigned, int, std::uint32_t) {
    ++calls;
    port.Close();
    EXPECT_FALSE(port.Open());
    std::this_thread::sleep_for(20ms);  // the port must still be usable here
    EXPECT_EQ(port.HasInput(), false);  // closed as far as the component is concerned
    returned = true;
  });
  pty.write("a");
  ASSERT_TRUE(waitFor([&] { return returned.load(); }));
  // Opening again waits for the old port to finish closing, then takes the device.
  ASSERT_EQ(port.TryOpen(), 0);
  EXPECT_EQ(calls, 1);
}

TEST_F(PortIo, CloseFromAQueuedHandlerAndDestructionInsideADirectOne) {
  port.Bridge = &bridge;
  ASSERT_EQ(port.TryOpen(), 0);
  const ClosesAtEnd closer{port};  // before the handlers' locals go
  port.AttachWindowHandler(bridge, [&](unsigned, int, std::uint32_t) {
    port.Close();
    bridge.requestQuit();
  });
  pty.write("a");
  bridge.run();
  EXPECT_FALSE(port.Open());
  EXPECT_EQ(port.TryOpen(), 0);

  // A handler that destroys the component of its own port.
  Pty other;
  auto owned = std::make_unique<TFxComPort>();
  owned->DevicePath = other.path();
  ASSERT_EQ(owned->TryOpen(), 0);
  std::atomic<bool> done{false};
  owned->AttachHandler([&](unsigned, int, std::uint32_t) {
    owned.reset();
    done = true;
  });
  other.write("b");
  ASSERT_TRUE(waitFor([&] { return done.load(); }));
  TFxComPort again;
  again.DevicePath = other.path();
  EXPECT_TRUE(waitFor([&] { return again.TryOpen() == 0; }));  // the device is free again
}

TEST_F(PortIo, TraceAndLogDumps) {
  const auto dir =
      std::filesystem::temp_directory_path() / ("brindle-trace-" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  port.TraceName = (dir / "MERL.TRC").string();
  port.LogName = (dir / "MERL.LOG").string();
  port.SetTracing(TTraceLogState::tlOn);
  port.SetLogging(TTraceLogState::tlOn);
  ASSERT_EQ(port.TryOpen(), 0);
  port.AddTraceEntry("dialing");
  port.AddLogEntry("state Init -> Dial");
  ASSERT_EQ(port.WriteText("AT Z\r"), 0);
  EXPECT_EQ(pty.read(5), "AT Z\r");
  pty.write("\r\nOK\r\n");
  ASSERT_TRUE(waitFor([&] { return port.InputCount() == 6; }));
  port.SetTracing(TTraceLogState::tlDump);
  port.SetLogging(TTraceLogState::tlDump);
  EXPECT_EQ(port.Tracing(), TTraceLogState::tlOff);

  const std::string trace = slurp(port.TraceName);
  EXPECT_NE(trace.find("Special-dialing"), std::string::npos) << trace;
  EXPECT_NE(trace.find("Transmit: AT[20]Z[0D]"), std::string::npos) << trace;
  EXPECT_NE(trace.find("Receive: [0D][0A]"), std::string::npos) << trace;
  EXPECT_NE(trace.find("Receive: OK[0D][0A]"), std::string::npos) << trace;
  const std::string log = slurp(port.LogName);
  EXPECT_EQ(log.rfind("Time      Type      SubType       Data  OtherData\n", 0), 0u) << log;
  EXPECT_NE(log.find("state Init -> Dial"), std::string::npos);
  EXPECT_EQ(log.find("NoLines"), log.rfind("NoLines"));  // said once
  EXPECT_NE(log.find("NoLines"), std::string::npos);

  // Decimal brackets without TraceHex, and a blank written as itself; append adds on.
  port.TraceHex = false;
  port.SetTracing(TTraceLogState::tlOn);
  ASSERT_EQ(port.WriteText("A T\r"), 0);
  EXPECT_EQ(pty.read(4), "A T\r");
  ASSERT_TRUE(waitFor([&] { return port.OutputCount() == 0; }));
  port.SetTracing(TTraceLogState::tlAppend);
  const std::string appended = slurp(port.TraceName);
  EXPECT_EQ(appended.rfind(trace, 0), 0u);
  EXPECT_NE(appended.find("Transmit: A T[13]"), std::string::npos) << appended;

  // A dump that cannot be written raises the file error.
  port.TraceName = (dir / "missing" / "x.trc").string();
  port.SetTracing(TTraceLogState::tlOn);
  EXPECT_THROW(port.SetTracing(TTraceLogState::tlDump), EInOutError);
  std::filesystem::remove_all(dir);
}
