// The frame timer: paces the frame loop on an absolute schedule. Frame n
// after the baseline is due at baseline + trunc(n * intervalMs), so rounding
// of single frames never adds up to drift; a frame that comes too late
// re-bases the schedule at that moment instead of bursting to catch up.
#pragma once

#include <cstdint>

#include "graphics/result_codes.h"

namespace abacine {

class FrameTimer {
 public:
  // Restarts the schedule. rate 0 (or a display that paces itself) leaves the
  // timer unpaced: wait() then only counts.
  void start(uint32_t rate);

  // Once per frame. Sleeps until the frame is due and returns kOk, or returns
  // kLateFrame (positive, not a failure) when the frame is already late and
  // the schedule was re-based. kErrDisplayNotOpen before start().
  ResultCode wait();

  bool started() const { return started_; }
  bool pacing() const { return limit_; }
  float intervalMs() const { return intervalMs_; }
  uint32_t frames() const { return frames_; }
  uint32_t baseline() const { return baseline_; }

  // After this many frames on schedule the baseline moves up to the last due
  // time: n * intervalMs stays small enough for a float to carry whole
  // milliseconds exactly (about 36 minutes at 30 frames per second).
  static constexpr uint32_t kRebaseFrames = 65536;

 private:
  float intervalMs_ = 0.0f;
  bool limit_ = false;
  uint32_t startTick_ = 0;
  uint32_t baseline_ = 0;  // ms after startTick_ at which counting restarted
  uint32_t frames_ = 0;    // frames since the baseline
  bool started_ = false;
};

}  // namespace abacine
