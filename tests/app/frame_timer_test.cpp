// The frame loop's schedule as the framework sees it (late frames and the
// re-base) is in app_framework_test; here are the timer's own edges.
#include "app/frame_timer.h"

#include <gtest/gtest.h>

#include "platform/controls.h"
#include "platform/platform.h"

namespace abacine {
namespace {

class FrameTimerTest : public ::testing::Test {
 protected:
  FrameTimerTest() : scoped_(&clock_) {}
  // Waits `n` frames, all of them on time.
  void Wait(uint32_t n) {
    for (uint32_t i = 0; i < n; ++i) ASSERT_EQ(timer_.wait(), kOk) << i;
  }
  platform::ManualClock clock_{0};
  platform::ScopedClock scoped_;
  FrameTimer timer_;
};

// Frame n is due at trunc(n * 33.333332f): the float product rounds 3 x
// 33.333332 up to 100 but 30 x 33.333332 down to 999.
TEST_F(FrameTimerTest, ThirtyPerSecondKeepsAnAbsoluteSchedule) {
  EXPECT_EQ(timer_.wait(), kErrDisplayNotOpen) << "not started";
  EXPECT_EQ(clock_.SleptMs(), 0u);
  timer_.start(30);
  const struct {
    uint32_t frame, due;
  } rows[] = {{1, 33},    {2, 66},     {3, 100},    {4, 133},      {5, 166},       {29, 966},
              {30, 999},  {31, 1033},  {60, 1999},  {90, 3000},    {300, 10000},   {3000, 100000}};
  uint32_t frame = 0;
  for (const auto& row : rows) {
    SCOPED_TRACE(row.frame);
    Wait(row.frame - frame);
    frame = row.frame;
    EXPECT_EQ(clock_.TickCount(), row.due);
  }
  clock_.Advance(5000);
  timer_.start(30);  // a restart counts from now
  Wait(1);
  EXPECT_EQ(clock_.TickCount(), 105033u);
  timer_.start(0);  // unpaced: only counts
  Wait(10);
  EXPECT_EQ(timer_.frames(), 10u);
  EXPECT_EQ(clock_.TickCount(), 105033u);
}

TEST_F(FrameTimerTest, RunsAcrossTheTickCountWrap) {
  platform::ManualClock late{0xFFFFFF00u};
  platform::ScopedClock use(&late);
  timer_.start(30);
  Wait(30);
  EXPECT_EQ(late.TickCount(), 0xFFFFFF00u + 999u);
  EXPECT_EQ(late.SleptMs(), 999u);
}

// A clock that jumps back (or an elapsed count that wraps after 49.7 days)
// must not turn into a sleep of weeks.
TEST_F(FrameTimerTest, ClockJumpingBackNeverSleepsLongerThanAFrame) {
  timer_.start(30);
  Wait(3);
  clock_.Advance(0xFFFFFF00u);  // far ahead: late, the baseline moves there
  EXPECT_EQ(timer_.wait(), kLateFrame);
  clock_.Advance(0x200u);  // the elapsed count wraps: "before" the baseline
  for (int i = 0; i < 10; ++i) {
    const uint64_t before = clock_.SleptMs();
    EXPECT_GE(timer_.wait(), 0);
    EXPECT_LE(clock_.SleptMs() - before, 35u);
  }
}

TEST_F(FrameTimerTest, LongRunsRebaseWithoutDrift) {
  timer_.start(30);
  Wait(FrameTimer::kRebaseFrames + 30);
  // 65566 frames: 2185533.33 ms; the truncation at the re-base may lose 1 ms.
  EXPECT_GE(clock_.TickCount(), 2185532u);
  EXPECT_LE(clock_.TickCount(), 2185534u);
  EXPECT_LT(timer_.frames(), 31u);
}

}  // namespace
}  // namespace abacine
