#include <chrono>
#include <thread>

#include "platform/controls.h"

namespace abacine::platform {
namespace {

class SteadyClock final : public Clock {
 public:
  uint32_t TickCount() override {
    auto since = std::chrono::steady_clock::now() - start_;
    // Wraps like the handheld's 32-bit tick count.
    return static_cast<uint32_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(since).count());
  }
  void Sleep(uint32_t ms) override {
    if (ms == 0) {
      std::this_thread::yield();
      return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
  }

 private:
  std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

SteadyClock& Steady() {
  static SteadyClock clock;
  return clock;
}

Clock* g_clock = nullptr;

Clock& Current() { return g_clock != nullptr ? *g_clock : Steady(); }

}  // namespace

uint32_t TickCount() { return Current().TickCount(); }

void Sleep(uint32_t ms) { Current().Sleep(ms); }

Clock* SetClock(Clock* clock) {
  Clock* previous = g_clock;
  g_clock = clock;
  return previous;
}

}  // namespace abacine::platform
