// Controls for tests and scripted runs: they replace the clock, inject
// input as a user would give it, read back what the program asked of the
// platform and put the process-wide state back as a fresh start finds it.
// The program itself never needs them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace abacine::platform {

// ---------------------------------------------------------------------------
// Clocks

// The clock behind TickCount and Sleep.
class Clock {
 public:
  virtual ~Clock() = default;
  // Milliseconds since an arbitrary start; wraps after about 49.7 days.
  virtual uint32_t TickCount() = 0;
  virtual void Sleep(uint32_t ms) = 0;
};

// Replaces the clock (not owned; must outlive its use). nullptr restores the
// steady clock. Returns the clock that was installed before.
Clock* SetClock(Clock* clock);

// A clock that moves only when told to or when slept on: paced loops run
// instantly and deterministically.
class ManualClock : public Clock {
 public:
  explicit ManualClock(uint32_t start = 0) : now_(start) {}
  uint32_t TickCount() override { return now_; }
  void Sleep(uint32_t ms) override {
    now_ += ms;
    slept_ += ms;
    ++sleeps_;
  }
  void Advance(uint32_t ms) { now_ += ms; }
  uint64_t SleptMs() const { return slept_; }
  uint32_t SleepCalls() const { return sleeps_; }

 private:
  uint32_t now_;
  uint64_t slept_ = 0;
  uint32_t sleeps_ = 0;
};

// Installs a clock for the life of a scope.
class ScopedClock {
 public:
  explicit ScopedClock(Clock* clock) : previous_(SetClock(clock)) {}
  ~ScopedClock() { SetClock(previous_); }
  ScopedClock(const ScopedClock&) = delete;
  ScopedClock& operator=(const ScopedClock&) = delete;

 private:
  Clock* previous_;
};

// ---------------------------------------------------------------------------
// Input

// Sets a key's state as the backends see it; a press of a lock key flips its
// toggle.
void SetKeyDown(int vk, bool down);
void SetKeyToggled(int vk, bool toggled);
void ResetKeyState();

// Injection helpers for the headless backend and tests: update the key state
// and post the key message (l_param as the backends build it).
bool InjectKey(WindowHandle window, int vk, bool down, bool repeat = false);
bool InjectStylus(WindowHandle window, uint32_t id, int32_t x, int32_t y);

// ---------------------------------------------------------------------------
// What the program asked for

struct ShownMessageBox {
  std::u16string text;
  std::u16string caption;
  uint32_t style = 0;
};
const std::vector<ShownMessageBox>& ShownMessageBoxes();
void ClearShownMessageBoxes();

// The last show command given to a window; -1 for an unknown window.
int LastShowCommand(WindowHandle window);
size_t WindowCount();
size_t PendingMessageCount();
// Drops every queued message.
void ClearMessages();

// ---------------------------------------------------------------------------
// A fresh start

// Puts the process-wide platform state back as a new process finds it: no
// queued messages, no key down or toggled, no recorded message boxes, the
// headless backend (with an empty clipboard), and the device rebuilt from
// `device` with an empty Game API log. Windows stay: their procedures may
// belong to objects the caller still owns. False (state otherwise reset)
// when the device refuses the configuration.
bool ResetForTesting(const DeviceConfig& device = {});

}  // namespace abacine::platform
