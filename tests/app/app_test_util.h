// Shared pieces of the framework tests: a clean platform for every test, a
// controllable clock, a backend that plays timed steps, and an application
// that records what the framework asks of it.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "app/app_framework.h"
#include "graphics/game_api.h"
#include "platform/platform.h"

namespace abacine::testing {

inline std::string GameApiPath() { return std::string(ABACINE_BINARY_DIR) + "/bin/gx.so"; }

// A backend that runs each step once the clock reaches its time; waiting
// sleeps on the (manual) clock, so nothing blocks.
class ScriptedBackend final : public platform::Backend {
 public:
  struct Step {
    uint32_t at;
    std::function<void()> act;
    bool done = false;
  };
  void At(uint32_t tick, std::function<void()> act) { steps_.push_back(Step{tick, std::move(act)}); }
  void PumpEvents() override {
    const uint32_t now = platform::TickCount();
    for (Step& step : steps_) {
      if (!step.done && now >= step.at) {
        step.done = true;
        step.act();
      }
    }
  }
  void WaitForEvents(uint32_t ms) override { platform::Sleep(ms); }
  void ShowMessageBox(std::u16string_view, std::u16string_view) override {}

 private:
  std::vector<Step> steps_;
};

// Resets everything process-wide the framework touches and installs a
// manual clock starting at 0.
class PlatformTest : public ::testing::Test {
 protected:
  PlatformTest() : scoped_(&clock_) {}

  void SetUp() override {
    platform::ClearMessages();
    platform::ClearShownMessageBoxes();
    platform::ResetKeyState();
    ASSERT_TRUE(platform::TheDevice().Reset(platform::DeviceConfig{}));
    GameApiLibrary::Instance().Unload();
    GameApiLibrary::Instance().SetSearchList({GameApiPath()});
  }

  void TearDown() override {
    platform::SetBackend(nullptr);
    platform::ClearMessages();
    GameApiLibrary::Instance().Unload();
    GameApiLibrary::Instance().UseDefaultSearchList();
  }

  // Installs a scripted backend and returns it (owned by the platform).
  ScriptedBackend* Script() {
    auto backend = std::make_unique<ScriptedBackend>();
    ScriptedBackend* raw = backend.get();
    platform::SetBackend(std::move(backend));
    return raw;
  }

  platform::ManualClock clock_{0};
  platform::ScopedClock scoped_;
};

inline AppConfig ProbeConfig(bool shell) {
  AppConfig config{};
  config.instance = 1;
  config.appName = u"Probe";
  config.frameRate = 30;
  config.displayFlags = 0x8020;
  config.displayMode = 1;
  config.width = 480;
  config.height = 640;
  config.iconId = 101;
  config.shellMode = shell ? 1 : 0;
  config.useKeys = 1;
  return config;
}

struct KeyCall {
  int32_t key;
  GameKeyList keys;
};

struct PointCall {
  uint32_t message;
  int32_t x, y;
};

// Records every callback. drawFrame fills the back buffer with `colour` and
// then runs onDraw (frame number from 1, flags) when set.
class ProbeApp : public AppFramework {
 public:
  explicit ProbeApp(const AppConfig& config) : AppFramework(config) {}

  ResultCode onStart() override {
    calls.push_back("onStart");
    return startResult;
  }
  ResultCode createSurfaces(Display* d, uint32_t) override {
    calls.push_back("createSurfaces");
    createdWith = d;
    return createResult;
  }
  ResultCode initSurfaces(Display* d, uint32_t) override {
    calls.push_back("initSurfaces");
    if (onInit) onInit(d);
    return initResult;
  }
  ResultCode drawFrame(Surface* back, uint32_t flags) override {
    drawTicks.push_back(platform::TickCount());
    drawFlags.push_back(flags);
    ResultCode code = back == nullptr ? kErrInvalidArg : back->FillArea(nullptr, colour, 0, nullptr);
    if (onDraw) {
      const ResultCode hooked = onDraw(drawTicks.size(), flags);
      if (hooked != kOk) code = hooked;
    }
    return code;
  }
  void onStop() override { calls.push_back("onStop"); }
  void onSuspend() override { calls.push_back("onSuspend"); }
  void onResume() override { calls.push_back("onResume"); }
  void onExit() override { calls.push_back("onExit"); }
  void onKeyDown(int32_t key, const GameKeyList& keys) override { keyDowns.push_back({key, keys}); }
  void onKeyUp(int32_t key, const GameKeyList& keys) override { keyUps.push_back({key, keys}); }
  void onStylusDown(int32_t x, int32_t y) override { points.push_back({0x201, x, y}); }
  void onStylusUp(int32_t x, int32_t y) override { points.push_back({0x202, x, y}); }
  void onStylusDoubleClick(int32_t x, int32_t y) override { points.push_back({0x203, x, y}); }
  void onStylusMove(int32_t x, int32_t y) override { points.push_back({0x200, x, y}); }

  int Count(const std::string& call) const {
    int n = 0;
    for (const std::string& c : calls) n += c == call ? 1 : 0;
    return n;
  }
  Display* TheDisplay() const { return display(); }
  using AppFramework::dropCompanionsForTesting;

  ResultCode startResult = kOk;
  ResultCode createResult = kOk;
  ResultCode initResult = kOk;
  uint32_t colour = 0x00E7E7E7;
  std::function<void(Display*)> onInit;
  std::function<ResultCode(size_t frame, uint32_t flags)> onDraw;
  Display* createdWith = nullptr;
  std::vector<std::string> calls;
  std::vector<uint32_t> drawTicks;
  std::vector<uint32_t> drawFlags;
  std::vector<KeyCall> keyDowns;
  std::vector<KeyCall> keyUps;
  std::vector<PointCall> points;
};

}  // namespace abacine::testing
