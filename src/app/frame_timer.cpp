#include "app/frame_timer.h"

#include <cmath>

#include "platform/platform.h"

namespace abacine {

void FrameTimer::start(uint32_t rate) {
  *this = FrameTimer{};
  limit_ = rate > 0;
  if (limit_) intervalMs_ = 1000.0f / static_cast<float>(rate);
  startTick_ = platform::TickCount();
  baseline_ = 0;
  started_ = true;
}

ResultCode FrameTimer::wait() {
  if (!started_) return kErrDisplayNotOpen;
  // Unsigned difference: right across the 32-bit tick wrap.
  const uint32_t now = platform::TickCount() - startTick_;
  ++frames_;
  if (!limit_) return kOk;
  // The product is taken in single precision, as the schedule is defined;
  // frames_ <= kRebaseFrames and intervalMs_ <= 1000 keep it far inside
  // int64 range.
  const float offset = static_cast<float>(frames_) * intervalMs_;
  const int64_t due = int64_t{baseline_} + static_cast<int64_t>(offset);
  if (int64_t{now} <= due) {
    const int64_t ahead = due - int64_t{now};
    // Never more than one frame ahead on a sane clock. More means the clock
    // went back or the elapsed count wrapped (49.7 days): start the schedule
    // over from here rather than sleep for weeks.
    const auto longest = static_cast<int64_t>(std::ceil(intervalMs_)) + 1;
    if (ahead > longest) {
      startTick_ = platform::TickCount();
      baseline_ = 0;
      frames_ = 0;
      return kOk;
    }
    platform::Sleep(static_cast<uint32_t>(ahead));
    if (frames_ >= kRebaseFrames) {
      baseline_ = static_cast<uint32_t>(due);
      frames_ = 0;
    }
    return kOk;
  }
  frames_ = 0;
  baseline_ = now;
  return kLateFrame;
}

}  // namespace abacine
