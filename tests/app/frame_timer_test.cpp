#include "app/frame_timer.h"

#include <gtest/gtest.h>

#include "platform/platform.h"

namespace abacine {
namespace {

class FrameTimerTest : public ::testing::Test {
 protected:
  FrameTimerTest() : scoped_(&clock_) {}
  platform::ManualClock clock_{0};
  platform::ScopedClock scoped_;
  FrameTimer timer_;
};

TEST_F(FrameTimerTest, WaitBeforeStartFails) {
  EXPECT_EQ(timer_.wait(), kErrDisplayNotOpen);
  EXPECT_EQ(clock_.SleptMs(), 0u);
}

// Frame n is due at trunc(n * (1000 / 30 in single precision)): the float
// product rounds 3 x 33.333332 up to 100 but 30 x 33.333332 down to 999.
TEST_F(FrameTimerTest, ThirtyPerSecondKeepsAbsoluteSchedule) {
  timer_.start(30);
  ASSERT_TRUE(timer_.pacing());
  EXPECT_FLOAT_EQ(timer_.intervalMs(), 1000.0f / 30.0f);
  struct Row {
    uint32_t frame;
    uint32_t due;
  };
  const Row rows[] = {{1, 33},   {2, 66},     {3, 100},    {4, 133},     {5, 166},
                      {29, 966}, {30, 999},   {31, 1033},  {60, 1999},   {90, 3000},
                      {300, 10000}, {3000, 100000}};
  uint32_t frame = 0;
  for (const Row& row : rows) {
    SCOPED_TRACE(row.frame);
    while (frame < row.frame) {
      ASSERT_EQ(timer_.wait(), kOk);
      ++frame;
    }
    EXPECT_EQ(clock_.TickCount(), row.due);
  }
}

TEST_F(FrameTimerTest, LateFrameRebasesWithoutCatchUpBurst) {
  timer_.start(30);
  for (int i = 0; i < 4; ++i) ASSERT_EQ(timer_.wait(), kOk);
  ASSERT_EQ(clock_.TickCount(), 133u);
  clock_.Advance(100);  // the fifth frame took 100 ms more than its slot
  const uint32_t sleepsBefore = clock_.SleepCalls();
  EXPECT_EQ(timer_.wait(), kLateFrame);
  EXPECT_EQ(clock_.SleepCalls(), sleepsBefore) << "a late frame does not sleep";
  EXPECT_EQ(timer_.baseline(), 233u);
  EXPECT_EQ(timer_.frames(), 0u);
  // The schedule restarts at 233: one frame every 33.3 ms from there, none at
  // once to make up for the lost slots.
  const uint32_t expected[] = {266, 299, 333, 366};
  for (uint32_t due : expected) {
    EXPECT_EQ(timer_.wait(), kOk);
    EXPECT_EQ(clock_.TickCount(), due);
  }
}

TEST_F(FrameTimerTest, UnpacedOnlyCounts) {
  timer_.start(0);
  EXPECT_FALSE(timer_.pacing());
  for (int i = 0; i < 10; ++i) EXPECT_EQ(timer_.wait(), kOk);
  EXPECT_EQ(timer_.frames(), 10u);
  EXPECT_EQ(clock_.SleptMs(), 0u);
}

TEST_F(FrameTimerTest, RestartBeginsScheduleAtRestart) {
  timer_.start(30);
  timer_.wait();
  clock_.Advance(5000);
  timer_.start(30);
  EXPECT_EQ(timer_.wait(), kOk);
  EXPECT_EQ(clock_.TickCount(), 5033u + 33u);
}

TEST_F(FrameTimerTest, RunsAcrossTheTickCountWrap) {
  platform::ManualClock late{0xFFFFFF00u};
  platform::ScopedClock use(&late);
  timer_.start(30);
  for (int i = 0; i < 30; ++i) ASSERT_EQ(timer_.wait(), kOk);
  EXPECT_EQ(late.TickCount(), 0xFFFFFF00u + 999u);  // wrapped, schedule intact
  EXPECT_EQ(late.SleptMs(), 999u);
}

// A clock that jumps back (or an elapsed count that wraps after 49.7 days)
// must not turn into a sleep of weeks.
TEST_F(FrameTimerTest, ClockJumpingBackNeverSleepsLongerThanAFrame) {
  timer_.start(30);
  for (int i = 0; i < 3; ++i) timer_.wait();
  clock_.Advance(0xFFFFFF00u);  // far ahead: late, baseline moves there
  EXPECT_EQ(timer_.wait(), kLateFrame);
  clock_.Advance(0x200u);  // the elapsed count wraps past zero: "before" the baseline
  for (int i = 0; i < 10; ++i) {
    const uint64_t before = clock_.SleptMs();
    EXPECT_GE(timer_.wait(), 0);
    EXPECT_LE(clock_.SleptMs() - before, 35u);
  }
}

TEST_F(FrameTimerTest, LongRunsRebaseWithoutDrift) {
  timer_.start(30);
  const uint32_t frames = FrameTimer::kRebaseFrames + 30;
  for (uint32_t i = 0; i < frames; ++i) ASSERT_EQ(timer_.wait(), kOk);
  // 65566 frames at 30 per second: 2185533.33 ms; truncation at the rebase
  // may lose at most one millisecond.
  EXPECT_GE(clock_.TickCount(), 2185532u);
  EXPECT_LE(clock_.TickCount(), 2185534u);
  EXPECT_LT(timer_.frames(), 31u);
}

}  // namespace
}  // namespace abacine
