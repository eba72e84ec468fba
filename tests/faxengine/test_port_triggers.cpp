// Triggers and handlers on a pseudo-terminal: the order and counts of deliveries, the
// consumed-bytes rule, timers that fire once per arming, status triggers, the slot
// limits, and handlers that run on the owner thread or are serialized with deliveries.
#include <gtest/gtest.h>
#include <unistd.h>


#include <atomic>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "faxengine/comport.h"
#include "faxengine/errors.h"
#include "faxengine/plain_event_bridge.h"
#include "faxengine/triggers.h"
#include "pty.h"

using namespace faxengine;
using faxengine::test::ClosesAtEnd;
using faxengine::test::Pty;
using faxengine::test::waitFor;

namespace {

struct Delivery {
  unsigned msg;
  int handle;
  unsigned value;
  bool operator==(const Delivery&) const = default;
};

// Records deliveries; reads `take` bytes from each data-available delivery (the
// announced count when -1).
class Recorder {
 public:
  Recorder(TFxComPort& port, int take) : port_(port), take_(take) {}
  TTriggerHandler handler() {
    return [this](unsigned msg, int handle, std::uint32_t data) {
      std::lock_guard lock(mutex_);
      seen_.push_back({msg, handle, triggerValue(data)});
      if (msg == kTriggerAvail && take_ != 0) {
        char buf[8192];
        int n = port_.ReadBlock(buf, take_ < 0 ? int(triggerValue(data)) : take_);
        read_.append(buf, std::size_t(std::max(n, 0)));
      }
    };
  }
  std::vector<Delivery> seen() {
    std::lock_guard lock(mutex_);
    return seen_;
  }
  std::string read() {
    std::lock_guard lock(mutex_);
    return read_;
  }
  std::size_t count(unsigned msg) {
    std::lock_guard lock(mutex_);
    return std::size_t(
        std::count_if(seen_.begin(), seen_.end(), [&](auto& d) { return d.msg == msg; }));
  }

 private:
  TFxComPort& port_;
  int take_;
  std::mutex mutex_;
  std::vector<Delivery> seen_;
  std::string read_;
};

class PortTriggers : public ::testing::Test {
 protected:
  void SetUp() override {
    port.DevicePath = pty.path();
    port.AutoOpen = false;
    port.OutSize = 8192;
    port.TimeSource = &clock;
    ASSERT_EQ(port.TryOpen(), 0);
  }
  Pty pty;
  FakeClock clock{55 * 1000};
  PlainEventBridge bridge;  // outlives the port
  TFxComPort port;
};

}  // namespace

TEST_F(PortTriggers, MatchInTheMiddleDeliversThePrecedingBytesFirst) {
  const ClosesAtEnd closer{port};  // before the handlers' locals go
  Recorder rec(port, -1);
  const int ok = port.NewDataTrigger("OK");
  port.AttachHandler(rec.handler());
  pty.write("abcOKdef");
  ASSERT_TRUE(waitFor([&] { return rec.read().size() == 8; }));
  const std::vector<Delivery> expected = {
      {kTriggerAvail, 0, 3}, {kTriggerData, ok, 2}, {kTriggerAvail, 0, 5}};
  EXPECT_EQ(rec.seen(), expected);
  EXPECT_EQ(rec.read(), "abcOKdef");
  EXPECT_EQ(port.InputCount(), 0);
}

TEST_F(PortTriggers, DataTriggersFireInOrderWithTheirCounts) {
  const ClosesAtEnd closer{port};  // before the handlers' locals go
  Recorder rec(port, 0);
  const int ok = port.NewDataTrigger("OK");
  const int err = port.NewDataTrigger("error", true);
  port.AttachHandler(rec.handler());
  pty.write("OK\r\n");
  pty.write("ERROR\r\nOK\r\n");
  ASSERT_TRUE(waitFor([&] { return rec.count(kTriggerData) == 3; }));
  std::vector<int> order;
  for (auto& d : rec.seen())
    if (d.msg == kTriggerData) order.push_back(d.handle);
  EXPECT_EQ(order, (std::vector<int>{ok, err, ok}));
  // Nobody consumed: the bytes stay for the reader.
  EXPECT_EQ(port.InputCount(), 15);
}

TEST_F(PortTriggers, HandlersRunNewestFirstAndInputAdvancesByTheMostConsumed) {
  std::mutex m;
  std::vector<std::string> calls;
  auto reader = [&](const char* name, int take) {
    return [&, name, take](unsigned msg, int, std::uint32_t) {
      if (msg != kTriggerAvail) return;
      char buf[16];
      int n = port.ReadBlock(buf, take);
      std::lock_guard lock(m);
      calls.push_back(std::string(name) + ":" + std::string(buf, std::size_t(n)));
    };
  };
  const ClosesAtEnd closer{port};  // before the handlers' locals go
  port.AttachHandler(reader("old", 2));
  port.AttachHandler(reader("new", 5));
  pty.write("0123456789");
  ASSERT_TRUE(waitFor([&] {
    std::lock_guard lock(m);
    return calls.size() >= 4;
  }));
  // Both handlers saw the same bytes; the input then advanced by 5, and the rest was
  // announced again because something was consumed.
  std::lock_guard lock(m);
  ASSERT_GE(calls.size(), 4u);
  EXPECT_EQ(calls[0], "new:01234");
  EXPECT_EQ(calls[1], "old:01");
  EXPECT_EQ(calls[2], "new:56789");
  EXPECT_EQ(calls[3], "old:56");
}

TEST_F(PortTriggers, TimerFiresOnceUntilArmedAgain) {
  const ClosesAtEnd closer{port};  // before the handlers' locals go
  Recorder rec(port, 0);
  port.AttachHandler(rec.handler());
  const int t = port.NewTimerTrigger();
  ASSERT_EQ(port.ArmTimerTrigger(t, 4), 0);
  std::this_thread::sleep_for(std::chrono::milliseconds(120));  // several dispatcher ticks
  EXPECT_EQ(rec.count(kTriggerTimer), 0u);                      // the fake clock has not moved
  clock.advance(55 * 4);
  ASSERT_TRUE(waitFor([&] { return rec.count(kTriggerTimer) == 1; }));
  clock.advance(55 * 100);
  std::this_thread::sleep_for(std::chrono::milliseconds(120));
  EXPECT_EQ(rec.count(kTriggerTimer), 1u);
  ASSERT_EQ(port.ArmTimerTrigger(t, 1), 0);
  clock.advance(55);
  ASSERT_TRUE(waitFor([&] { return rec.count(kTriggerTimer) == 2; }));
  EXPECT_EQ(rec.seen().back(), (Delivery{kTriggerTimer, t, 0}));
  // An inactive arming never fires.
  ASSERT_EQ(port.ArmTimerTrigger(t, 0, false), 0);
  std::this_thread::sleep_for(std::chrono::milliseconds(120));
  EXPECT_EQ(rec.count(kTriggerTimer), 2u);
  // A pause's arming counts milliseconds, not ticks: 20 ms is not over at 19.
  ASSERT_EQ(port.ArmTimerTriggerMs(t, 20), 0);
  clock.advance(19);
  std::this_thread::sleep_for(std::chrono::milliseconds(120));
  EXPECT_EQ(rec.count(kTriggerTimer), 2u);
  clock.advance(1);
  ASSERT_TRUE(waitFor([&] { return rec.count(kTriggerTimer) == 3; }));
}

TEST_F(PortTriggers, AHandlerThatThrowsIsTracedWithItsReasonAndDeliveriesGoOn) {
  const ClosesAtEnd closer{port};
  const auto dir =
      std::filesystem::temp_directory_path() / ("brindle-throw-" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  port.TraceName = (dir / "T.TRC").string();
  port.SetTracing(TTraceLogState::tlOn);
  std::atomic<int> calls{0};
  port.AttachHandler([&](unsigned, int, std::uint32_t) {
    ++calls;
    throw std::runtime_error("handler broke");
  });
  const int t = port.NewTimerTrigger();
  for (int i = 1; i <= 2; ++i) {
    ASSERT_EQ(port.ArmTimerTrigger(t, 1), 0);
    clock.advance(55);
    ASSERT_TRUE(waitFor([&] { return calls == i; }));
  }
  port.SetTracing(TTraceLogState::tlDump);
  std::ifstream in(port.TraceName);
  const std::string trace((std::istreambuf_iterator<char>(in)), {});
  EXPECT_NE(trace.find("handler broke"), std::string::npos) << trace;
  std::filesystem::remove_all(dir);
}

TEST_F(PortTriggers, SlotLimitsAndBadHandles) {
  std::vector<int> handles;
  for (int i = 0; i < kMaxDataTriggers; ++i) handles.push_back(port.NewDataTrigger("x"));
  for (int i = 0; i < kMaxTimerTriggers; ++i) handles.push_back(port.NewTimerTrigger());
  for (int i = 0; i < kMaxStatusTriggers; ++i) handles.push_back(port.NewStatusTrigger(stOutSent));
  for (int h : handles) EXPECT_GT(h, 0);
  std::sort(handles.begin(), handles.end());
  EXPECT_EQ(std::adjacent_find(handles.begin(), handles.end()), handles.end());
  EXPECT_EQ(port.NewDataTrigger("y"), ecNoMoreTriggers);
  EXPECT_EQ(port.NewTimerTrigger(), ecNoMoreTriggers);
  EXPECT_EQ(port.NewStatusTrigger(stModem), ecNoMoreTriggers);
  EXPECT_EQ(port.NewStatusTrigger(6), ecBadArgument);
  EXPECT_EQ(port.NewStatusTrigger(0), ecBadArgument);
  EXPECT_EQ(port.DropTrigger(handles.front()), 0);
  EXPECT_EQ(port.DropTrigger(handles.front()), ecBadTriggerHandle);
  EXPECT_EQ(port.ArmTimerTrigger(12345, 1), ecBadTriggerHandle);
  EXPECT_GT(port.NewDataTrigger("y"), 0);  // the dropped slot is free again
  EXPECT_EQ(port.SetTriggerLength(0), ecBadArgument);
}

TEST_F(PortTriggers, OutputLevelTriggersFireAsTheFarEndReads) {
  const ClosesAtEnd closer{port};  // before the handlers' locals go
  Recorder rec(port, 0);
  port.AttachHandler(rec.handler());
  const int used = port.NewStatusTrigger(stOutBuffUsed);
  const int sent = port.NewStatusTrigger(stOutSent);
  const int free = port.NewStatusTrigger(stOutBuffFree);
  ASSERT_EQ(port.WriteBlock(std::string(6000, 'x').data(), 6000), 0);
  ASSERT_EQ(port.ArmStatusTrigger(used, 0), 0);
  ASSERT_EQ(port.ArmStatusTrigger(sent, 0), 0);
  ASSERT_EQ(port.ArmStatusTrigger(free, 8192), 0);
  EXPECT_EQ(pty.read(6000).size(), 6000u);
  // All three may come out of one look at the buffer; their handlers then run one after
  // another, so wait for each rather than for the first.
  ASSERT_TRUE(waitFor([&] {
    return rec.count(kTriggerOutSent) == 1 && rec.count(kTriggerOutbuffUsed) == 1 &&
           rec.count(kTriggerOutbuffFree) == 1;
  }));
  EXPECT_EQ(port.OutputSpace(), 8192);
}

TEST_F(PortTriggers, WindowHandlersRunOnTheOwnerThread) {
  std::thread::id ranOn;
  std::string got;
  const ClosesAtEnd closer{port};  // before the handlers' locals go
  port.AttachWindowHandler(bridge, [&](unsigned msg, int, std::uint32_t) {
    ranOn = std::this_thread::get_id();
    char buf[16];
    if (msg == kTriggerAvail) got.append(buf, std::size_t(port.ReadBlock(buf, sizeof buf)));
    if (got == "ping") bridge.requestQuit();
  });
  pty.write("ping");
  bridge.run();
  EXPECT_EQ(ranOn, std::this_thread::get_id());
  EXPECT_TRUE(waitFor([&] { return port.InputCount() == 0; }));  // the handler's reads count
}

TEST_F(PortTriggers, SerializedCallsNeverOverlapADelivery) {
  std::atomic<bool> inHandler{false};
  std::atomic<bool> overlapped{false};
  std::atomic<int> deliveries{0};
  const ClosesAtEnd closer{port};  // before the handlers' locals go
  port.AttachHandler([&](unsigned, int, std::uint32_t) {
    inHandler = true;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
    inHandler = false;
    ++deliveries;
  });
  // Bytes keep coming until several deliveries have run, while the test thread keeps
  // asking for serialized calls.
  std::atomic<bool> enough{false};
  std::thread feeder([&] {
    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (deliveries < 5 && std::chrono::steady_clock::now() < limit) {
      pty.write("z");
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    enough = true;
  });
  int calls = 0;
  while (!enough) {
    port.RunSerialized([&] {
      if (inHandler) overlapped = true;
      ++calls;
    });
  }
  feeder.join();
  EXPECT_GE(deliveries, 5);
  EXPECT_GT(calls, 0);
  EXPECT_FALSE(overlapped);
}

// The modem-line and line-error rules, which a pseudo-terminal cannot exercise (it has no
// lines and no error counters): each status trigger fires once per arming, on a change of
// a line it watches or an error it asks for.
TEST(StatusTriggerRules, LinesAndErrorsFireOncePerArming) {
  TriggerTable t;
  const int lines = t.newStatus(stModem);
  const int errors = t.newStatus(stLine);
  ASSERT_EQ(t.armStatus(lines, msDCD, true, msCTS), 0);
  ASSERT_EQ(t.armStatus(errors, leFraming | leBreak, true, msCTS), 0);
  std::vector<FiredTrigger> fired;
  StatusSnapshot s;
  s.modem = 0;  // CTS dropped: not watched
  s.newLineErrors = leOverrun;
  t.dueStatus(s, fired);
  EXPECT_TRUE(fired.empty());
  s.modem = msDCD;  // carrier came up
  s.newLineErrors = leBreak;
  t.dueStatus(s, fired);
  ASSERT_EQ(fired.size(), 2u);
  EXPECT_EQ(fired[0].msg, kTriggerModemStatus);
  EXPECT_EQ(fired[0].value, msDCD | msDeltaDCD);  // the line and what changed of those watched
  EXPECT_EQ(fired[1].msg, kTriggerLineError);
  EXPECT_EQ(fired[1].value, unsigned(leBreak));
  fired.clear();
  s.modem = 0;
  t.dueStatus(s, fired);
  EXPECT_TRUE(fired.empty());  // not armed again
}
