// The Qt event bridge between an engine thread and the user-interface thread.
#include "windows/qteventbridge.h"

#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

#include <atomic>
#include <stdexcept>
#include <string>
#include <thread>

namespace {

using namespace std::chrono_literals;
using windows::QtEventBridge;

// Lets the owner thread's events run until the flag is set (at most 5 s).
void pumpUntil(QtEventBridge& bridge, const std::atomic<bool>& flag) {
  QElapsedTimer t;
  t.start();
  while (!flag && t.elapsed() < 5000) bridge.processPending(10ms);
}

TEST(QtEventBridge, SentCallsRunOnTheOwnerThreadAndPostedOnesKeepTheirOrder) {
  QtEventBridge bridge;
  std::atomic<bool> done{false};
  bool ranOnOwner = false, sentResult = false, engineIsOwner = true;
  std::vector<int> order;
  std::thread engine([&] {
    engineIsOwner = bridge.isOwnerThread();
    bridge.post([&] { order.push_back(1); });
    bridge.post([&] { order.push_back(2); });
    sentResult = bridge.send([&] {
      ranOnOwner = bridge.isOwnerThread();
      order.push_back(3);
    });
    done = true;
  });
  pumpUntil(bridge, done);
  engine.join();
  EXPECT_TRUE(sentResult);
  EXPECT_TRUE(ranOnOwner);
  EXPECT_FALSE(engineIsOwner);
  EXPECT_EQ(order, (std::vector<int>{1, 2, 3}));
}

// The window is busy for longer than the second the bridge once allowed: the engine
// waits, and its question is answered.
TEST(QtEventBridge, ASendWaitsForABusyOwnerThread) {
  QtEventBridge bridge;
  std::atomic<bool> done{false};
  bool result = false;
  std::thread engine([&] {
    result = bridge.send([] {});
    done = true;
  });
  std::this_thread::sleep_for(1100ms);
  EXPECT_FALSE(done);
  pumpUntil(bridge, done);
  engine.join();
  EXPECT_TRUE(result);
}

// A queued call that is thrown away unrun (as the bridge's queue is when the bridge goes)
// releases its sender, and never runs.
TEST(QtEventBridge, ASendWhoseEventIsDeletedUnrunIsDropped) {
  QtEventBridge bridge;
  std::atomic<int> runs{0};
  std::atomic<bool> done{false};
  bool result = true;
  std::thread engine([&] {
    result = bridge.send([&] { ++runs; });
    done = true;
  });
  QElapsedTimer t;
  t.start();
  while (!done && t.elapsed() < 5000) {
    QCoreApplication::removePostedEvents(&bridge);
    std::this_thread::sleep_for(1ms);
  }
  engine.join();
  EXPECT_FALSE(result);
  for (int i = 0; i < 5; ++i) bridge.processPending(5ms);
  EXPECT_EQ(runs, 0);
}

TEST(QtEventBridge, ASentCallThatThrowsStillEndsAndTheSenderGetsTheException) {
  QtEventBridge bridge;
  std::atomic<bool> done{false};
  std::string caught;
  std::thread engine([&] {
    try {
      bridge.send([] { throw std::runtime_error("handler failed"); });
    } catch (const std::runtime_error& e) {
      caught = e.what();
    }
    done = true;
  });
  pumpUntil(bridge, done);
  engine.join();
  EXPECT_EQ(caught, "handler failed");
}

TEST(QtEventBridge, WaitingForMessagesEndsWhenOneArrives) {
  QtEventBridge bridge;
  std::atomic<bool> ran{false};
  std::thread engine([&] {
    std::this_thread::sleep_for(20ms);
    bridge.post([&] { ran = true; });
  });
  QElapsedTimer t;
  t.start();
  while (!ran && t.elapsed() < 3000) bridge.processPending(1000ms);
  engine.join();
  EXPECT_TRUE(ran);
  EXPECT_LT(t.elapsed(), 900);
}

}  // namespace
