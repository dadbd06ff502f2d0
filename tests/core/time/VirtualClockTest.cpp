#include "core/time/VirtualClock.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/time/Task.h"

// Every tick as "<name>@<time>", so a test sees both the order and the moment of each tick.
struct VirtualClockTickLog {
  pvx::VirtualClock& clock;
  std::vector<std::string> ticks;

  std::function<void()> recorder(const std::string& name) {
    return [this, name] { ticks.push_back(name + "@" + std::to_string(clock.nowMs())); };
  }
};

class VirtualClockTest : public ::testing::Test {
 protected:
  pvx::VirtualClock clock;
  VirtualClockTickLog log{clock, {}};
};

using VirtualClockOrder = VirtualClockTest;

TEST_F(VirtualClockOrder, TicksFireInTimeOrderAtTheirOwnMoments) {
  auto slow = clock.makeTimer(log.recorder("slow"));
  auto fast = clock.makeTimer(log.recorder("fast"));
  slow->start(250);
  fast->start(100);
  clock.runFor(450);
  EXPECT_EQ(log.ticks,
            (std::vector<std::string>{"fast@100", "fast@200", "slow@250", "fast@300", "fast@400"}));
  EXPECT_EQ(clock.nowMs(), 450);
}

TEST_F(VirtualClockOrder, TicksDueTogetherFireInArmingOrder) {
  auto a = clock.makeTimer(log.recorder("a"));
  auto b = clock.makeTimer(log.recorder("b"));
  auto c = clock.makeTimer(log.recorder("c"));
  // Made a, b, c but armed c, a, b: the arming decides, not the making.
  c->start(100, true);
  a->start(100, true);
  clock.sleepMs(40);
  b->start(60, true);
  clock.runFor(100);
  EXPECT_EQ(log.ticks, (std::vector<std::string>{"c@100", "a@100", "b@100"}));
}

TEST_F(VirtualClockOrder, ReArmingPutsATimerBehindTheOthersDueWithIt) {
  auto a = clock.makeTimer(log.recorder("a"));
  auto b = clock.makeTimer(log.recorder("b"));
  a->start(100, true);
  b->start(100, true);
  a->start(100, true);
  clock.runFor(100);
  EXPECT_EQ(log.ticks, (std::vector<std::string>{"b@100", "a@100"}));
}

TEST_F(VirtualClockOrder, ARepeatingTimerRejoinsTheQueueAtEachTick) {
  auto repeating = clock.makeTimer(log.recorder("repeating"));
  auto once = clock.makeTimer(log.recorder("once"));
  repeating->start(100);
  clock.sleepMs(50);
  once->start(150, true);
  // Both are due at 200; the repeating timer was last armed by its tick at 100, after the other.
  clock.runFor(150);
  EXPECT_EQ(log.ticks, (std::vector<std::string>{"repeating@100", "once@200", "repeating@200"}));
}

using VirtualClockSingleShot = VirtualClockTest;

TEST_F(VirtualClockSingleShot, FiresOnceAndStops) {
  auto t = clock.makeTimer(log.recorder("once"));
  EXPECT_FALSE(t->isActive());
  t->start(100, true);
  EXPECT_TRUE(t->isActive());
  clock.runFor(1000);
  EXPECT_EQ(log.ticks, (std::vector<std::string>{"once@100"}));
  EXPECT_FALSE(t->isActive());
  EXPECT_EQ(clock.nextDueMs(), -1);
}

TEST_F(VirtualClockSingleShot, ReArmingRestartsTheCount) {
  auto t = clock.makeTimer(log.recorder("once"));
  t->start(100, true);
  clock.runFor(80);
  t->start(100, true);
  clock.runFor(500);
  EXPECT_EQ(log.ticks, (std::vector<std::string>{"once@180"}));
}

using VirtualClockReArmInTick = VirtualClockTest;

TEST_F(VirtualClockReArmInTick, RunDueFiresTheReArmedTimerOnlyOnceItsNewTimeIsDue) {
  std::unique_ptr<pvx::Timer> t;
  int ticks = 0;
  t = clock.makeTimer([&] {
    ++ticks;
    t->start(0, true);  // as soon as possible, which is still a later moment
  });
  t->start(10, true);
  clock.sleepMs(10);
  EXPECT_EQ(clock.runDue(), 1);
  EXPECT_EQ(ticks, 1);
  EXPECT_EQ(clock.runDue(), 0);
  EXPECT_EQ(ticks, 1);
  EXPECT_EQ(clock.nowMs(), 10);
  clock.runFor(1);
  EXPECT_EQ(ticks, 2);
}

TEST_F(VirtualClockReArmInTick, ARepeatingTimerReArmedInItsTickCountsFromTheReArming) {
  std::unique_ptr<pvx::Timer> t;
  t = clock.makeTimer([&] {
    log.ticks.push_back("t@" + std::to_string(clock.nowMs()));
    if (log.ticks.size() == 1)
      t->start(300);
  });
  t->start(100);
  clock.runFor(1000);
  EXPECT_EQ(log.ticks, (std::vector<std::string>{"t@100", "t@400", "t@700", "t@1000"}));
}

TEST_F(VirtualClockReArmInTick, ATickThatSleepsPastItsNewTimeFiresOncePerRunDue) {
  std::unique_ptr<pvx::Timer> t;
  int ticks = 0;
  t = clock.makeTimer([&] {
    ++ticks;
    if (ticks == 5)
      return;  // bounds the loop should runDue fail to end it
    t->start(1, true);
    clock.sleepMs(10);
  });
  t->start(10, true);
  clock.sleepMs(10);
  EXPECT_EQ(clock.runDue(), 1);
  EXPECT_EQ(ticks, 1);
}

TEST_F(VirtualClockReArmInTick, AHandlerThatYieldsDoesNotReenterItsOwnTick) {
  std::unique_ptr<pvx::Timer> t;
  int depth = 0;
  int maxDepth = 0;
  int ticks = 0;
  t = clock.makeTimer([&] {
    ++ticks;
    ++depth;
    maxDepth = std::max(maxDepth, depth);
    t->start(0);
    clock.sleepMs(5);
    clock.runDue();  // yields to pending events while its own next tick is already due
    --depth;
  });
  t->start(10);
  clock.runFor(10);
  EXPECT_EQ(maxDepth, 1);
  EXPECT_GE(ticks, 1);
}

TEST_F(VirtualClockReArmInTick, RunDueLeavesTicksThatAreNotYetDue) {
  auto t = clock.makeTimer(log.recorder("t"));
  t->start(50);
  EXPECT_EQ(clock.runDue(), 0);
  EXPECT_EQ(clock.nowMs(), 0);
  EXPECT_TRUE(log.ticks.empty());
}

using VirtualClockSleep = VirtualClockTest;

TEST_F(VirtualClockSleep, SleepingMovesTheTimeAndFiresNothing) {
  auto t = clock.makeTimer(log.recorder("t"));
  t->start(100);
  clock.sleepMs(350);
  EXPECT_EQ(clock.nowMs(), 350);
  EXPECT_TRUE(log.ticks.empty());
  clock.sleepMs(0);
  clock.sleepMs(-20);
  EXPECT_EQ(clock.nowMs(), 350);
}

TEST_F(VirtualClockSleep, AnOverdueRepeatingTimerTicksOnceWithoutABurst) {
  auto t = clock.makeTimer(log.recorder("t"));
  t->start(100);
  clock.sleepMs(350);
  clock.runFor(0);
  EXPECT_EQ(log.ticks, (std::vector<std::string>{"t@350"}));
  EXPECT_EQ(clock.nextDueMs(), 450);
  clock.runFor(200);
  EXPECT_EQ(log.ticks, (std::vector<std::string>{"t@350", "t@450", "t@550"}));
}

TEST_F(VirtualClockSleep, AnOverdueTimerTicksOnceOnTheNextYield) {
  auto t = clock.makeTimer(log.recorder("t"));
  t->start(100);
  clock.sleepMs(1000);
  EXPECT_EQ(clock.runDue(), 1);
  EXPECT_EQ(clock.runDue(), 0);
  EXPECT_EQ(log.ticks, (std::vector<std::string>{"t@1000"}));
}

// A routine's wait is a timer like the others: the loop runs on meanwhile, the routine resumes
// when it falls due, what it awaits hands its result or its exception back, and a routine ended
// while it waits never resumes.
TEST_F(VirtualClockSleep, ARoutineWaitsWhileTheLoopRunsOnAndIsNeverResumedOnceEnded) {
  auto t = clock.makeTimer(log.recorder("t"));
  t->start(100);
  auto inner = [this](std::int64_t ms) -> pvx::Task<std::int64_t> {
    co_await clock.sleep(ms);
    if (ms == 0)
      throw std::runtime_error("none");
    co_return clock.nowMs();
  };
  auto outer = [&]() -> pvx::Task<void> {
    log.ticks.push_back("woke@" + std::to_string(co_await inner(250)));
    try {
      co_await inner(0);  // no wait at all
    } catch (const std::runtime_error& e) {
      log.ticks.push_back(std::string(e.what()) + "@" + std::to_string(clock.nowMs()));
    }
    co_await clock.sleep(1000);
    log.ticks.push_back("never");
  };
  pvx::Task<void> routine = outer();
  routine.start();
  clock.runUntil(300);
  routine.reset();  // ends it in its second wait
  t->stop();
  clock.runUntil(2000);
  EXPECT_EQ(log.ticks,
            (std::vector<std::string>{"t@100", "t@200", "woke@250", "none@250", "t@300"}));
  EXPECT_EQ(clock.nextDueMs(), -1);  // the routine's wait went with it
}

using VirtualClockRunUntil = VirtualClockTest;

TEST_F(VirtualClockRunUntil, LeavesTheTimeAtTheTarget) {
  clock.runUntil(700);
  EXPECT_EQ(clock.nowMs(), 700);
  auto t = clock.makeTimer(log.recorder("t"));
  t->start(100, true);
  clock.runUntil(1234);
  EXPECT_EQ(log.ticks, (std::vector<std::string>{"t@800"}));
  EXPECT_EQ(clock.nowMs(), 1234);
}

TEST_F(VirtualClockRunUntil, FiresATickDueExactlyAtTheTargetButNotOneAfterIt) {
  auto t = clock.makeTimer(log.recorder("t"));
  t->start(100);
  clock.runUntil(200);
  EXPECT_EQ(log.ticks, (std::vector<std::string>{"t@100", "t@200"}));
  clock.runUntil(299);
  EXPECT_EQ(log.ticks.size(), 2u);
}

TEST_F(VirtualClockRunUntil, NeverMovesTheTimeBack) {
  clock.sleepMs(500);
  clock.runUntil(100);
  EXPECT_EQ(clock.nowMs(), 500);
}

TEST_F(VirtualClockRunUntil, ATickThatSleepsPastTheTargetLeavesTheTimeLater) {
  auto sleeper = clock.makeTimer([&] { clock.sleepMs(500); });
  auto later = clock.makeTimer(log.recorder("later"));
  sleeper->start(100, true);
  later->start(200, true);
  clock.runUntil(300);
  // The other tick came due while the thread slept; it fires late, when the thread is free.
  EXPECT_EQ(log.ticks, (std::vector<std::string>{"later@600"}));
  EXPECT_EQ(clock.nowMs(), 600);
}

using VirtualClockStop = VirtualClockTest;

TEST_F(VirtualClockStop, AStoppedTimerDoesNotTick) {
  auto t = clock.makeTimer(log.recorder("t"));
  t->start(100);
  clock.runFor(50);
  t->stop();
  EXPECT_FALSE(t->isActive());
  clock.runFor(1000);
  EXPECT_TRUE(log.ticks.empty());
  EXPECT_EQ(clock.nextDueMs(), -1);
}

TEST_F(VirtualClockStop, StoppingInsideItsOwnTickEndsARepeatingTimer) {
  std::unique_ptr<pvx::Timer> t;
  t = clock.makeTimer([&] {
    log.ticks.push_back("t@" + std::to_string(clock.nowMs()));
    t->stop();
  });
  t->start(100);
  clock.runFor(1000);
  EXPECT_EQ(log.ticks, (std::vector<std::string>{"t@100"}));
}

TEST_F(VirtualClockStop, StoppingATimerDueAtTheSameMomentInAnotherTickPreventsIt) {
  std::unique_ptr<pvx::Timer> second = clock.makeTimer(log.recorder("second"));
  auto first = clock.makeTimer([&] {
    log.ticks.push_back("first");
    second->stop();
  });
  first->start(100, true);
  second->start(100, true);
  clock.runFor(100);
  EXPECT_EQ(log.ticks, (std::vector<std::string>{"first"}));
}

// Run these under the address sanitizer: a fault shows as a use after free, not as a wrong value.
using VirtualClockTimerLifetime = VirtualClockTest;

TEST_F(VirtualClockTimerLifetime, ATimerDestroyedInItsOwnTickNeverTicksAgain) {
  std::unique_ptr<pvx::Timer> t;
  int ticks = 0;
  t = clock.makeTimer([&] {
    ++ticks;
    t.reset();
  });
  t->start(100);
  clock.runFor(1000);
  EXPECT_EQ(ticks, 1);
  EXPECT_EQ(t, nullptr);
  EXPECT_EQ(clock.nextDueMs(), -1);
}

TEST_F(VirtualClockTimerLifetime, ATimerDestroyedInItsOwnTickDuringRunDueOrRunNext) {
  std::unique_ptr<pvx::Timer> a;
  std::unique_ptr<pvx::Timer> b;
  a = clock.makeTimer([&] { a.reset(); });
  b = clock.makeTimer([&] { b.reset(); });
  a->start(10);
  b->start(20);
  clock.sleepMs(10);
  EXPECT_EQ(clock.runDue(), 1);
  EXPECT_EQ(a, nullptr);
  EXPECT_TRUE(clock.runNext());
  EXPECT_EQ(b, nullptr);
  EXPECT_EQ(clock.nowMs(), 20);
  EXPECT_FALSE(clock.runNext());
}

TEST_F(VirtualClockTimerLifetime, ATimerDestroyedInAnotherTimersTickDoesNotTick) {
  std::unique_ptr<pvx::Timer> victim = clock.makeTimer(log.recorder("victim"));
  auto killer = clock.makeTimer([&] {
    log.ticks.push_back("killer");
    victim.reset();
  });
  killer->start(100, true);
  victim->start(100);
  clock.runFor(500);
  EXPECT_EQ(log.ticks, (std::vector<std::string>{"killer"}));
}

TEST_F(VirtualClockTimerLifetime, ATickMayReplaceItsOwnTimerWithANewOne) {
  std::unique_ptr<pvx::Timer> t;
  std::function<void()> onTick = [&] {
    log.ticks.push_back("t@" + std::to_string(clock.nowMs()));
    if (log.ticks.size() < 3) {
      t = clock.makeTimer(onTick);  // the old timer dies here, inside its own tick
      t->start(100, true);
    }
  };
  t = clock.makeTimer(onTick);
  t->start(100, true);
  clock.runFor(1000);
  EXPECT_EQ(log.ticks, (std::vector<std::string>{"t@100", "t@200", "t@300"}));
}

using VirtualClockNextDue = VirtualClockTest;

TEST_F(VirtualClockNextDue, IsTheEarliestArmedTickOrMinusOne) {
  EXPECT_EQ(clock.nextDueMs(), -1);
  auto a = clock.makeTimer([] {});
  auto b = clock.makeTimer([] {});
  EXPECT_EQ(clock.nextDueMs(), -1);
  clock.sleepMs(40);
  a->start(300);
  b->start(100, true);
  EXPECT_EQ(clock.nextDueMs(), 140);
  b->stop();
  EXPECT_EQ(clock.nextDueMs(), 340);
  a.reset();
  EXPECT_EQ(clock.nextDueMs(), -1);
}

TEST_F(VirtualClockNextDue, RunNextMovesToTheNextTick) {
  auto t = clock.makeTimer(log.recorder("t"));
  EXPECT_FALSE(clock.runNext());
  t->start(250, true);
  EXPECT_TRUE(clock.runNext());
  EXPECT_EQ(clock.nowMs(), 250);
  EXPECT_EQ(log.ticks, (std::vector<std::string>{"t@250"}));
  EXPECT_FALSE(clock.runNext());
  EXPECT_EQ(clock.nowMs(), 250);
}
