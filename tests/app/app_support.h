// The framework tests' set-up: a clean process-wide platform with a manual
// clock, a backend that plays timed steps, and an application that logs what
// the framework asks of it.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "app/app_framework.h"
#include "graphics/game_api.h"
#include "platform/controls.h"
#include "platform/platform.h"
#include "support/game_api.h"

namespace abacine::testing {

// Runs each step once the (manual) clock reaches its tick; waiting sleeps
// on that clock, so nothing blocks.
class ScriptedBackend final : public platform::Backend {
 public:
  void At(uint32_t tick, std::function<void()> act) { steps_.push_back({tick, std::move(act)}); }
  void PumpEvents() override {
    // By index, and each step taken out before it runs: a step may add steps.
    for (size_t i = 0; i < steps_.size(); ++i) {
      if (steps_[i].second && platform::TickCount() >= steps_[i].first) {
        std::exchange(steps_[i].second, nullptr)();
      }
    }
  }
  void WaitForEvents(uint32_t ms) override { platform::Sleep(ms); }
  void ShowMessageBox(std::u16string_view, std::u16string_view) override {}

 private:
  std::vector<std::pair<uint32_t, std::function<void()>>> steps_;
};

class PlatformTest : public ::testing::Test {
 protected:
  PlatformTest() : scoped_(&clock_) {}
  void SetUp() override { Reset(); }
  void TearDown() override {
    platform::ResetForTesting();
    ForgetGameApi();
  }
  // Everything process-wide the framework touches, as a fresh start finds it.
  void Reset(const platform::DeviceConfig& device = {}) {
    clock_ = platform::ManualClock{0};
    ASSERT_TRUE(platform::ResetForTesting(device));
    UseBuiltGameApi();
  }
  ScriptedBackend* Script() {
    auto backend = std::make_unique<ScriptedBackend>();
    ScriptedBackend* raw = backend.get();
    platform::SetBackend(std::move(backend));
    return raw;
  }

  platform::ManualClock clock_{0};
  platform::ScopedClock scoped_;
};

// Ends the run after `frames` frame periods, as --frames does.
inline void QuitAfter(AppFramework& app, uint64_t frames) {
  app.setFrameHook([frames](AppFramework& running) {
    if (running.framePeriods() >= frames) running.requestQuit();
  });
}

inline AppConfig ProbeConfig(bool shell) {
  return AppConfig{.instance = 1, .appName = u"Probe", .frameRate = 30, .displayFlags = 0x8020,
                   .displayMode = 1, .width = 480, .height = 640, .iconId = 101,
                   .shellMode = shell ? 1u : 0u};
}

// Logs the life-cycle calls to `calls` and the input to `log` ("key 41;"
// with the code in hexadecimal, "down 10,20;" for the stylus). drawFrame
// fills the back buffer with `colour`, runs `act` while drawing frame
// `actAt` (counted from 1) and returns `drawResult`.
class ProbeApp : public AppFramework {
 public:
  explicit ProbeApp(const AppConfig& config) : AppFramework(config) {}

  ResultCode onStart() override { return Note("start", startResult); }
  ResultCode createSurfaces(Display*, uint32_t) override { return Note("create", createResult); }
  ResultCode initSurfaces(Display*, uint32_t) override { return Note("init", initResult); }
  ResultCode drawFrame(Surface* back, uint32_t flags) override {
    drawTicks.push_back(platform::TickCount());
    drawFlags.push_back(flags);
    EXPECT_EQ(back == nullptr ? kErrInvalidArg : back->FillArea(nullptr, colour, 0, nullptr),
              kOk);
    if (act && drawTicks.size() == actAt) act(*this);
    return drawResult;
  }
  void onStop() override { Note("stop"); }
  void onSuspend() override { Note("suspend"); }
  void onResume() override { Note("resume"); }
  void onExit() override { Note("exit"); }
  void onKeyDown(int32_t key, const GameKeyList& list) override { Key("key", key, list); }
  void onKeyUp(int32_t key, const GameKeyList& list) override { Key("keyup", key, list); }
  void onStylusDown(int32_t x, int32_t y) override { Point("down", x, y); }
  void onStylusUp(int32_t x, int32_t y) override { Point("up", x, y); }
  void onStylusDoubleClick(int32_t x, int32_t y) override { Point("dbl", x, y); }
  void onStylusMove(int32_t x, int32_t y) override { Point("move", x, y); }

  Display* TheDisplay() const { return display(); }
  using AppFramework::dropCompanionsForTesting;

  ResultCode startResult = kOk, createResult = kOk, initResult = kOk, drawResult = kOk;
  uint32_t colour = 0x00E7E7E7;
  size_t actAt = 1;
  std::function<void(ProbeApp&)> act;
  std::string calls, log;
  GameKeyList keys{};  // with the last key message
  std::vector<uint32_t> drawTicks, drawFlags;

 private:
  ResultCode Note(const char* call, ResultCode result = kOk) {
    calls += calls.empty() ? call : std::string(" ") + call;
    return result;
  }
  void Key(const char* what, int32_t key, const GameKeyList& list) {
    char text[32];
    std::snprintf(text, sizeof text, "%s %x;", what, static_cast<unsigned>(key));
    log += text;
    keys = list;
  }
  void Point(const char* what, int32_t x, int32_t y) {
    log += std::string(what) + " " + std::to_string(x) + "," + std::to_string(y) + ";";
  }
};

}  // namespace abacine::testing
