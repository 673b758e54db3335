// The frame loop and message dispatch, run in-process through the headless
// backend with a manual clock: every timing below is exact.
#include "app/app_framework.h"

#include <gtest/gtest.h>

#include <csignal>
#include <string>

#include "app_test_util.h"

namespace abacine::testing {
namespace {

using platform::TheDevice;

class FrameworkTest : public PlatformTest {};

TEST_F(FrameworkTest, ShellLoopDrawsOnTheThirtyPerSecondSchedule) {
  ProbeApp app(ProbeConfig(true));
  app.setFrameLimit(31);
  ASSERT_EQ(app.run(), 0);
  ASSERT_EQ(app.drawTicks.size(), 31u);
  // Frame k is drawn when frame k-1 is due: trunc((k-1) * 33.333332f).
  const uint32_t expected[] = {0, 33, 66, 100, 133, 166};
  for (size_t i = 0; i < std::size(expected); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(app.drawTicks[i], expected[i]);
  }
  EXPECT_EQ(app.drawTicks[30] - app.drawTicks[0], 999u) << "30 frames take a second";
  for (uint32_t flags : app.drawFlags) EXPECT_EQ(flags & kFrameLate, 0u);
  EXPECT_EQ(app.calls, (std::vector<std::string>{"onStart", "createSurfaces", "initSurfaces",
                                                 "onResume", "onStop", "onExit"}));
}

TEST_F(FrameworkTest, LateFrameFlagsTheNextFrameAndRebasesSchedule) {
  ProbeApp app(ProbeConfig(true));
  app.setFrameLimit(9);
  app.onDraw = [&](size_t frame, uint32_t) {
    if (frame == 5) clock_.Advance(100);
    return kOk;
  };
  ASSERT_EQ(app.run(), 0);
  ASSERT_EQ(app.drawTicks.size(), 9u);
  struct Row {
    uint32_t tick;
    bool late;
  };
  // Frame 5 starts at 133 and ends at 233; the timer re-bases at 233, the
  // loop sleeps 1 ms, and the following frames come 33.3 ms apart again.
  const Row rows[] = {{0, false},   {33, false},  {66, false},  {100, false}, {133, false},
                      {234, true},  {266, false}, {299, false}, {333, false}};
  for (size_t i = 0; i < std::size(rows); ++i) {
    SCOPED_TRACE(i + 1);
    EXPECT_EQ(app.drawTicks[i], rows[i].tick);
    EXPECT_EQ((app.drawFlags[i] & kFrameLate) != 0, rows[i].late);
  }
}

TEST_F(FrameworkTest, AutoRepeatAndKey0x84NeverReachOnKeyDown) {
  struct Row {
    const char* what;
    uint32_t message;
    uintptr_t key;
    intptr_t lParam;
    bool delivered;
  };
  const Row rows[] = {
      {"press", platform::kMsgKeyDown, 'A', platform::KeyLParam(true, false), true},
      {"auto-repeat", platform::kMsgKeyDown, 'A', platform::KeyLParam(true, true), false},
      {"key 0x84", platform::kMsgKeyDown, 0x84, platform::KeyLParam(true, false), false},
      {"start button", platform::kMsgKeyDown, 0x7B, platform::KeyLParam(true, false), true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    platform::ClearMessages();
    ProbeApp app(ProbeConfig(true));
    app.setFrameLimit(3);
    app.onDraw = [&](size_t frame, uint32_t) {
      if (frame == 1) platform::PostMessage(app.window(), row.message, row.key, row.lParam);
      return kOk;
    };
    ASSERT_EQ(app.run(), 0);
    ASSERT_EQ(app.keyDowns.size(), row.delivered ? 1u : 0u);
    if (row.delivered) {
      EXPECT_EQ(app.keyDowns[0].key, static_cast<int32_t>(row.key));
      // The device's game keys, upright: no remapping.
      EXPECT_EQ(app.keyDowns[0].keys.up, 0x26);
      EXPECT_EQ(app.keyDowns[0].keys.down, 0x28);
      EXPECT_EQ(app.keyDowns[0].keys.start, 0x7B);
      EXPECT_EQ(app.keyDowns[0].keys.a, 0x78);
    }
  }
}

TEST_F(FrameworkTest, KeyUpIsDeliveredWithTheKeyList) {
  ProbeApp app(ProbeConfig(true));
  app.setFrameLimit(3);
  app.onDraw = [&](size_t frame, uint32_t) {
    if (frame == 1) platform::InjectKey(app.window(), 0x79, false);
    return kOk;
  };
  ASSERT_EQ(app.run(), 0);
  ASSERT_EQ(app.keyUps.size(), 1u);
  EXPECT_EQ(app.keyUps[0].key, 0x79);
  EXPECT_EQ(app.keyUps[0].keys.b, 0x79);
}

TEST_F(FrameworkTest, CloseCommandEndsTheLoopAndOnExitStillRuns) {
  struct Row {
    uintptr_t command;
    bool closes;
  };
  // The low four bits of a system command belong to the system; only the
  // command itself counts.
  const Row rows[] = {{0xF060, true}, {0xF063, true}, {0xF020, false}, {0xF120, false}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.command);
    platform::ClearMessages();
    ProbeApp app(ProbeConfig(true));
    app.setFrameLimit(20);
    app.onDraw = [&](size_t frame, uint32_t) {
      if (frame == 2) platform::PostMessage(app.window(), platform::kMsgSysCommand, row.command, 0);
      return kOk;
    };
    EXPECT_EQ(app.run(), 0);
    EXPECT_EQ(app.drawTicks.size(), row.closes ? 2u : 20u);
    EXPECT_EQ(app.Count("onStop"), 1);
    EXPECT_EQ(app.Count("onExit"), 1);
    EXPECT_EQ(app.window(), nullptr);
    EXPECT_EQ(platform::WindowCount(), 0u);
    EXPECT_TRUE(platform::ShownMessageBoxes().empty());
  }
}

TEST_F(FrameworkTest, QuitMessageAndRequestQuitEndTheLoop) {
  ProbeApp byMessage(ProbeConfig(true));
  byMessage.setFrameLimit(20);
  byMessage.onDraw = [&](size_t frame, uint32_t) {
    if (frame == 3) platform::PostQuitMessage(0);
    return kOk;
  };
  EXPECT_EQ(byMessage.run(), 0);
  EXPECT_EQ(byMessage.drawTicks.size(), 3u);
  EXPECT_EQ(byMessage.Count("onExit"), 1);

  platform::ClearMessages();
  ProbeApp byRequest(ProbeConfig(true));
  byRequest.setFrameLimit(20);
  byRequest.onDraw = [&](size_t frame, uint32_t) {
    if (frame == 4) byRequest.requestQuit();
    return kOk;
  };
  EXPECT_EQ(byRequest.run(), 0);
  EXPECT_EQ(byRequest.drawTicks.size(), 4u);
  EXPECT_EQ(byRequest.Count("onExit"), 1);
}

TEST_F(FrameworkTest, QuitSignalEndsTheLoopLikeTheCloseCommand) {
  volatile std::sig_atomic_t flag = 0;
  ProbeApp app(ProbeConfig(true));
  app.setFrameLimit(20);
  app.setQuitSignal(&flag);
  app.onDraw = [&](size_t frame, uint32_t) {
    if (frame == 2) flag = 1;
    return kOk;
  };
  EXPECT_EQ(app.run(), 0);
  EXPECT_EQ(app.drawTicks.size(), 2u);
  EXPECT_EQ(app.Count("onExit"), 1);
}

TEST_F(FrameworkTest, FailingCallbackEndsTheRunWithItsCodeAndOnExitStillRuns) {
  struct Row {
    const char* failing;
    std::vector<std::string> calls;
  };
  const Row rows[] = {
      {"onStart", {"onStart", "onStop", "onExit"}},
      {"createSurfaces", {"onStart", "createSurfaces", "onStop", "onExit"}},
      {"initSurfaces", {"onStart", "createSurfaces", "initSurfaces", "onStop", "onExit"}},
  };
  const ResultCode failure = detail::Code(0x80000123u);
  for (const Row& row : rows) {
    SCOPED_TRACE(row.failing);
    platform::ClearMessages();
    ProbeApp app(ProbeConfig(true));
    app.setFrameLimit(10);
    const std::string failing = row.failing;
    if (failing == "onStart") app.startResult = failure;
    if (failing == "createSurfaces") app.createResult = failure;
    if (failing == "initSurfaces") app.initResult = failure;
    EXPECT_EQ(app.run(), failure);
    EXPECT_TRUE(app.drawTicks.empty()) << "no frame is drawn";
    EXPECT_EQ(app.calls, row.calls);
    EXPECT_EQ(platform::WindowCount(), 0u);
  }
}

TEST_F(FrameworkTest, FailingDrawFrameEndsTheRunWithItsCode) {
  ProbeApp app(ProbeConfig(true));
  app.setFrameLimit(10);
  app.onDraw = [](size_t frame, uint32_t) { return frame == 3 ? kErrOutOfMemory : kOk; };
  EXPECT_EQ(app.run(), kErrOutOfMemory);
  EXPECT_EQ(app.drawTicks.size(), 3u);
  EXPECT_EQ(app.Count("onExit"), 1);
}

TEST_F(FrameworkTest, DeactivationInShellModeStopsDrawingButKeepsThePace) {
  ScriptedBackend* script = Script();
  ProbeApp app(ProbeConfig(true));
  app.setFrameLimit(60);
  script->At(110, [&] { platform::PostMessage(app.window(), platform::kMsgActivate, 0, 0); });
  script->At(1000, [&] { platform::PostMessage(app.window(), platform::kMsgActivate, 1, 0); });
  ASSERT_EQ(app.run(), 0);
  size_t before = 0, during = 0, after = 0;
  for (uint32_t tick : app.drawTicks) {
    if (tick < 110) ++before;
    else if (tick < 1000) ++during;
    else ++after;
  }
  EXPECT_EQ(before, 4u);  // 0, 33, 66, 100
  EXPECT_EQ(during, 0u);
  EXPECT_GT(after, 20u);
  EXPECT_EQ(app.framePeriods(), 60u);
  // Paced while inactive: 60 periods of 33.3 ms, neither spinning nor stalled.
  EXPECT_GE(clock_.TickCount(), 1950u);
  EXPECT_LE(clock_.TickCount(), 2050u);
  EXPECT_EQ(app.Count("onResume"), 2);
}

TEST_F(FrameworkTest, StylusPointsAreMappedToDisplayCoordinates) {
  struct Row {
    const char* what;
    int32_t requested;  // display orientation asked for in initSurfaces; 0 = none
    uint32_t message;
    int32_t x, y;
    int32_t wantX, wantY;
  };
  const Row rows[] = {
      {"upright down", 0, platform::kMsgStylusDown, 10, 20, 10, 20},
      {"negative halves stay signed", 0, platform::kMsgStylusDown, -5, -7, -5, -7},
      {"upright up", 0, platform::kMsgStylusUp, 479, 639, 479, 639},
      {"double click", 0, platform::kMsgStylusDoubleClick, 1, 2, 1, 2},
      {"move", 0, platform::kMsgStylusMove, 30, 40, 30, 40},
      {"half turn corner", 8, platform::kMsgStylusDown, 0, 0, 479, 639},
      {"half turn inside", 8, platform::kMsgStylusUp, 10, 20, 469, 619},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    platform::ClearMessages();
    ProbeApp app(ProbeConfig(true));
    app.setFrameLimit(3);
    if (row.requested != 0) {
      app.onInit = [&](Display* d) { ASSERT_EQ(d->SetScreenOrientation(row.requested), kOk); };
    }
    app.onDraw = [&](size_t frame, uint32_t) {
      if (frame == 1) platform::InjectStylus(app.window(), row.message, row.x, row.y);
      return kOk;
    };
    ASSERT_EQ(app.run(), 0);
    ASSERT_EQ(app.points.size(), 1u);
    EXPECT_EQ(app.points[0].message, row.message);
    EXPECT_EQ(app.points[0].x, row.wantX);
    EXPECT_EQ(app.points[0].y, row.wantY);
  }
}

TEST_F(FrameworkTest, StylusMoveWhileInactiveIsNotDelivered) {
  ProbeApp app(ProbeConfig(true));
  app.setFrameLimit(4);
  app.onDraw = [&](size_t frame, uint32_t) {
    if (frame == 1) {
      platform::PostMessage(app.window(), platform::kMsgActivate, 0, 0);
      platform::InjectStylus(app.window(), platform::kMsgStylusMove, 5, 6);
      platform::InjectStylus(app.window(), platform::kMsgStylusDown, 7, 8);
    }
    return kOk;
  };
  ASSERT_EQ(app.run(), 0);
  ASSERT_EQ(app.points.size(), 1u);
  EXPECT_EQ(app.points[0].message, platform::kMsgStylusDown);
}

TEST_F(FrameworkTest, ShellModeShowsTheFrameBelowTheTopBar) {
  platform::DeviceConfig device;
  device.workAreaTop = 26;
  ASSERT_TRUE(TheDevice().Reset(device));
  ProbeApp app(ProbeConfig(true));
  app.setFrameLimit(2);
  platform::Rect rect;
  app.onDraw = [&](size_t, uint32_t) {
    platform::GetWindowRect(app.window(), &rect);
    return kOk;
  };
  ASSERT_EQ(app.run(), 0);
  EXPECT_EQ(rect, (platform::Rect{0, 26, 480, 640}));
  EXPECT_EQ(TheDevice().ScreenPixel(0, 26), 0xE73C);
  EXPECT_EQ(TheDevice().ScreenPixel(479, 639), 0xE73C);
  EXPECT_NE(TheDevice().ScreenPixel(0, 25), 0xE73C) << "the top bar stays the shell's";
}

TEST_F(FrameworkTest, UnchangedFramesAreNotCopiedAgainButChangesShowAtOnce) {
  ProbeApp app(ProbeConfig(true));
  app.setFrameLimit(61);
  std::vector<uint16_t> seen;
  app.onDraw = [&](size_t frame, uint32_t) {
    // The screen shows the previous frame when this one is drawn.
    seen.push_back(TheDevice().ScreenPixel(100, 100));
    if (frame >= 40 && frame < 45) app.colour = (frame % 2 == 0) ? 0x000000FF : 0x00FF0000;
    return kOk;
  };
  ASSERT_EQ(app.run(), 0);
  // Frame 1 is shown, frames 2-30 are equal to it, 31 is shown by the
  // once-a-second rule, and frames 41-45 (colours set by frames 40-44) each
  // differ from the frame before. Frames 46-61 repeat frame 45.
  EXPECT_EQ(app.framesShown(), 2u + 5u);
  // Whatever was skipped, the screen always showed the frame before.
  auto colourOf = [](size_t frame) { return frame % 2 == 1 ? 0x000000FFu : 0x00FF0000u; };
  for (size_t frame = 41; frame <= 45; ++frame) {
    SCOPED_TRACE(frame);
    EXPECT_EQ(seen[frame], ColourToPixel(colourOf(frame)));  // seen at frame + 1
  }
  EXPECT_EQ(seen[60], ColourToPixel(colourOf(45)));
}

TEST_F(FrameworkTest, SecondStartInTheSameProcessBringsTheFirstForward) {
  ProbeApp first(ProbeConfig(true));
  first.setFrameLimit(5);
  int secondResult = -1;
  std::vector<std::string> secondCalls;
  first.onDraw = [&](size_t frame, uint32_t) {
    if (frame == 2) {
      ProbeApp second(ProbeConfig(true));
      secondResult = second.run();
      secondCalls = second.calls;
      EXPECT_EQ(platform::WindowCount(), 1u);
      EXPECT_EQ(platform::ForegroundWindow(), first.window());
    }
    return kOk;
  };
  ASSERT_EQ(first.run(), 0);
  EXPECT_EQ(secondResult, 0);
  EXPECT_TRUE(secondCalls.empty()) << "the second start runs nothing";
  EXPECT_EQ(first.drawTicks.size(), 5u);
  EXPECT_TRUE(platform::ShownMessageBoxes().empty());
}

TEST_F(FrameworkTest, FullScreenLoopPresentsThroughTheGameApi) {
  ProbeApp app(ProbeConfig(false));
  app.setFrameLimit(5);
  app.colour = 0x0000FF00;
  platform::Rect rect;
  app.onDraw = [&](size_t, uint32_t) {
    platform::GetWindowRect(app.window(), &rect);
    return kOk;
  };
  ASSERT_EQ(app.run(), 0);
  EXPECT_EQ(app.drawTicks.size(), 5u);
  EXPECT_EQ(TheDevice().ScreenPixel(0, 0), 0x07E0);
  EXPECT_EQ(TheDevice().ScreenPixel(479, 639), 0x07E0);
  EXPECT_EQ(rect, (platform::Rect{0, 0, 480, 640})) << "the window covers the task bar";
  EXPECT_GE(TheDevice().CountGameApiCalls(kGxCallEndDraw), 1);
  // The task bar is hidden at start and shown again at the end.
  const std::vector<ShellRequest>& shell = app.shellRequests();
  ASSERT_GE(shell.size(), 5u);
  EXPECT_EQ(shell[1], (ShellRequest{ShellRequest::kFullScreen, kShellHideTaskbarAll}));
  EXPECT_EQ(shell[shell.size() - 1],
            (ShellRequest{ShellRequest::kFullScreen, kShellShowTaskbarAll}));
}

TEST_F(FrameworkTest, FullScreenSuspendWaitsForMessagesAndResumesWithPauseFlag) {
  ScriptedBackend* script = Script();
  ProbeApp app(ProbeConfig(false));
  app.setFrameLimit(20);
  script->At(100, [&] { platform::PostMessage(app.window(), platform::kMsgActivate, 0, 0); });
  script->At(1200, [&] { platform::PostMessage(app.window(), platform::kMsgActivate, 1, 0); });
  bool suspendedSeen = false;
  app.onDraw = [&](size_t, uint32_t) {
    suspendedSeen = suspendedSeen || app.TheDisplay()->IsSuspended();
    return kOk;
  };
  ASSERT_EQ(app.run(), 0);
  EXPECT_EQ(app.Count("onSuspend"), 1);
  EXPECT_EQ(app.Count("onResume"), 2);
  EXPECT_FALSE(suspendedSeen) << "nothing is drawn while suspended";
  // Nothing drawn between the suspend and the resume. The pause bit is set
  // at the end of the first pass that draws again, so the frame after that
  // one sees it, and only that one.
  size_t firstAfter = 0;
  for (size_t i = 0; i < app.drawTicks.size(); ++i) {
    EXPECT_FALSE(app.drawTicks[i] > 140 && app.drawTicks[i] < 1200) << app.drawTicks[i];
    if (app.drawTicks[i] >= 1200 && firstAfter == 0) firstAfter = i;
  }
  ASSERT_GT(firstAfter, 0u);
  ASSERT_LT(firstAfter + 2, app.drawFlags.size());
  EXPECT_EQ(app.drawFlags[firstAfter] & kFrameAfterPause, 0u);
  EXPECT_NE(app.drawFlags[firstAfter + 1] & kFrameAfterPause, 0u);
  EXPECT_EQ(app.drawFlags[firstAfter + 2] & kFrameAfterPause, 0u);
  for (size_t i = 0; i < firstAfter; ++i) EXPECT_EQ(app.drawFlags[i] & kFrameAfterPause, 0u);
}

// The device sends a deactivation and an activation back to back when it
// turns; the minimise that the first asks for must not outlive the second.
TEST_F(FrameworkTest, FullScreenQuarterTurnLeavesTheWindowActive) {
  ProbeApp app(ProbeConfig(false));
  app.setFrameLimit(10);
  app.onDraw = [&](size_t frame, uint32_t) {
    if (frame == 2) TheDevice().RotateQuarter();
    return kOk;
  };
  ASSERT_EQ(app.run(), 0);
  EXPECT_EQ(app.Count("onSuspend"), 0);
  EXPECT_EQ(app.drawTicks.size(), 10u);
}

TEST_F(FrameworkTest, SkipFramesLeavesOutFullScreenFrames) {
  ProbeApp app(ProbeConfig(false));
  EXPECT_EQ(app.skipFrames(0), kErrInvalidArg);
  app.setFrameLimit(10);
  app.onDraw = [&](size_t frame, uint32_t) {
    if (frame == 1) {
      EXPECT_EQ(app.skipFrames(3), kOk);
    }
    return kOk;
  };
  ASSERT_EQ(app.run(), 0);
  EXPECT_EQ(app.drawTicks.size(), 7u);
}

}  // namespace
}  // namespace abacine::testing
