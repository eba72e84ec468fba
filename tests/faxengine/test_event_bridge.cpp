// The plain event bridge: callables run on the owner thread, a send waits for a busy owner
// and is dropped for good only when the program quits, and waits end early then.
#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "faxengine/plain_event_bridge.h"

using namespace faxengine;
using namespace std::chrono_literals;

TEST(EventBridge, PostedCallsRunInOrderOnTheOwner) {
  PlainEventBridge bridge;
  std::vector<int> seen;
  std::thread other([&] {
    for (int i = 0; i < 3; ++i) bridge.post([&, i] { seen.push_back(i); });
  });
  other.join();
  EXPECT_TRUE(seen.empty());
  EXPECT_TRUE(bridge.processPending());
  EXPECT_EQ(seen, (std::vector<int>{0, 1, 2}));
}

TEST(EventBridge, SendWaitsForTheOwnerAndRunsThere) {
  PlainEventBridge bridge;
  std::thread::id ranOn;
  bool sent = false;
  std::thread other([&] {
    sent = bridge.send([&] { ranOn = std::this_thread::get_id(); });
    bridge.requestQuit();
  });
  bridge.run();
  other.join();
  EXPECT_TRUE(sent);
  EXPECT_EQ(ranOn, std::this_thread::get_id());
}

// The owner is busy for longer than the second the bridge once allowed.
TEST(EventBridge, SendWaitsForABusyOwnerAndIsDroppedOnlyWhenTheProgramQuits) {
  for (bool quit : {false, true}) {
    SCOPED_TRACE(quit ? "quit" : "busy");
    PlainEventBridge bridge;
    std::atomic<bool> ran{false};
    std::atomic<bool> returned{false};
    bool sent = !quit;
    std::thread other([&] {
      sent = bridge.send([&] { ran = true; });
      returned = true;
    });
    if (quit) {
      bridge.requestQuit();
    } else {
      std::this_thread::sleep_for(1100ms);
      EXPECT_FALSE(returned);
      while (!returned) bridge.processPending(10ms);
    }
    other.join();
    EXPECT_EQ(sent, !quit);
    bridge.processPending();
    EXPECT_EQ(ran, !quit);
  }
}

TEST(EventBridge, ASentCallThatThrowsStillEndsAndTheSenderGetsTheException) {
  PlainEventBridge bridge;
  std::string caught;
  std::thread other([&] {
    try {
      bridge.send([] { throw std::runtime_error("handler failed"); });
    } catch (const std::runtime_error& e) {
      caught = e.what();
    }
    bridge.requestQuit();
  });
  bridge.run();  // the owner's loop goes on
  other.join();
  EXPECT_EQ(caught, "handler failed");
}

TEST(EventBridge, SendOnTheOwnerRunsAtOnce) {
  PlainEventBridge bridge;
  bool ran = false;
  EXPECT_TRUE(bridge.send([&] { ran = true; }));
  EXPECT_TRUE(ran);
}

TEST(EventBridge, DelayEndsEarlyOnQuitAndFollowsTheClock) {
  PlainEventBridge bridge;
  FakeClock clock;
  bridge.post([&] { bridge.requestQuit(); });
  EXPECT_FALSE(delayTicks(1000, true, &bridge, clock));

  PlainEventBridge quiet;
  std::thread mover([&] {
    std::this_thread::sleep_for(20ms);
    clock.advance(55 * 20);
  });
  EXPECT_TRUE(delayTicks(20, true, &quiet, clock));
  mover.join();
}
