#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEvent>
#include <QEventLoop>
#include <QObject>
#include <QTimer>
#include <cstdint>
#include <string>
#include <vector>

#include "gui/EventLoopYield.h"
#include "gui/QtClock.h"

using namespace pvx;

namespace {

constexpr std::int64_t kUs = 1'000;

// What a yield does, given what happened before it: 'h' the loop hands over to a timer, 'y' a
// yield, a number the microseconds that pass. Each yield that runs a pass of the loop writes 'P',
// each one that is skipped '-'.
struct YieldCase {
  const char* name;
  std::vector<std::string> steps;
  std::string passes;
};

class YieldAfterHandover : public ::testing::TestWithParam<YieldCase> {};

TEST_P(YieldAfterHandover, RunsAPassUnlessTheLoopHandedOverAMomentAgo) {
  std::int64_t now = 5'000'000;
  std::string passes;
  EventLoopYield yield([&now] { return now; }, [&passes] { passes += 'P'; });
  for (const std::string& step : GetParam().steps) {
    if (step == "h") {
      yield.handedOver();
    } else if (step == "y") {
      const std::size_t before = passes.size();
      yield.yield();
      if (passes.size() == before)
        passes += '-';
    } else {
      now += std::stoll(step) * kUs;
    }
  }
  EXPECT_EQ(passes, GetParam().passes);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, YieldAfterHandover,
    ::testing::Values(
        YieldCase{"NoHandoverEver", {"y", "y"}, "PP"},
        YieldCase{"AtOnceAfterTheHandover", {"h", "y"}, "-"},
        YieldCase{"JustInsideTheMoment", {"h", "99", "y"}, "-"},
        YieldCase{"OnceTheMomentHasPassed", {"h", "100", "y"}, "P"},
        // A handler that yields again has done work since the loop's pass.
        YieldCase{"TheSecondYieldOfAHandler", {"h", "y", "y", "y"}, "-PP"},
        // A handler that never yielded leaves nothing behind for a later yield.
        YieldCase{"AHandlerThatDidNotYield", {"h", "1000", "y"}, "P"},
        YieldCase{
            "EveryTickOfTheWatchTimer", {"h", "y", "1000", "h", "y", "1000", "h", "y"}, "---"},
        // A handover from a pass the handler's own yield ran counts as well.
        YieldCase{"NestedHandover", {"h", "y", "50", "y", "h", "y", "200", "y"}, "-P-P"}),
    [](const ::testing::TestParamInfo<YieldCase>& info) { return std::string(info.param.name); });

// An event posted by a timer's handler, with Qt's real loop.
struct Posted : QObject {
  int delivered = 0;
  bool event(QEvent* e) override {
    if (e->type() != QEvent::User)
      return QObject::event(e);
    ++delivered;
    return true;
  }
};

TEST(EventLoopYieldWithQt, TheClockHandsOverBeforeEveryTickAndALaterYieldDeliversWhatWaits) {
  std::int64_t now = 0;
  EventLoopYield yield([&now] { return now; }, [] { QCoreApplication::processEvents(); });
  std::string order;
  QtClock clock([&] {
    order += 'h';
    yield.handedOver();
  });
  Posted target;
  QEventLoop loop;
  int ticks = 0;
  int deliveredAfterFirstYield = -1;
  int deliveredAfterSecondYield = -1;
  std::unique_ptr<Timer> timer;
  timer = clock.makeTimer([&] {
    order += 't';
    if (++ticks < 3) {
      timer->start(1, true);
      return;
    }
    QCoreApplication::postEvent(&target, new QEvent(QEvent::User));
    yield.yield();
    deliveredAfterFirstYield = target.delivered;
    yield.yield();
    deliveredAfterSecondYield = target.delivered;
    loop.quit();
  });
  timer->start(1, true);
  // Only tells a hang from an answer: three 1 ms ticks.
  QTimer::singleShot(30'000, &loop, &QEventLoop::quit);
  loop.exec();

  EXPECT_EQ(order, "hththt");
  EXPECT_EQ(deliveredAfterFirstYield, 0);
  EXPECT_EQ(deliveredAfterSecondYield, 1);
}

}  // namespace
