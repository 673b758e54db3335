// The frame loop, the message dispatch and the error reports, run in-process
// through the headless backend with a manual clock: every timing is exact.
#include "app/app_framework.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "app_support.h"
#include "platform/single_instance.h"
#include "support/scratch_dir.h"
#include "text/utf.h"

namespace abacine::testing {
namespace {

using platform::TheDevice;

class FrameworkTest : public PlatformTest {};

const std::string kWholeRun = "start create init resume stop exit";
const std::u16string kGameApiMissing =
    u"Missing or incorrect file: \"gx.dll\". Please copy this file to the \\windows folder on "
    u"this device.";
const std::u16string kNot16Bit = u"This application requires a 16-bit Pocket PC or Smartphone.";

// One run of the probe: `act` runs while frame `at` is drawn (at 0: before
// the run), `setUp` changes the configuration or the device before the app
// is made, `check` looks at the app after the run.
struct RunRow {
  const char* what;
  std::function<void(ProbeApp&)> act = nullptr;
  size_t at = 1;
  uint64_t limit = 3;
  bool shell = true;
  std::function<void(AppConfig&)> setUp = nullptr;
  uint32_t result = 0;
  size_t draws = 3;
  std::string log = "";
  std::string calls = kWholeRun;
  std::u16string text = u"";  // the error text; shown in the "Error" box when `box`
  bool box = false;
  std::function<void(ProbeApp&)> check = nullptr;
};

std::function<void(ProbeApp&)> Post(uint32_t id, uintptr_t wParam, intptr_t lParam = 0) {
  return [=](ProbeApp& a) { platform::PostMessage(a.window(), id, wParam, lParam); };
}
// A stylus message, with the display turned by `orientation` first (0: not).
std::function<void(ProbeApp&)> Stylus(uint32_t id, int32_t x, int32_t y, int32_t orientation = 0) {
  return [=](ProbeApp& a) {
    if (orientation != 0) {
      ASSERT_EQ(a.TheDisplay()->SetScreenOrientation(orientation), kOk);
    }
    platform::InjectStylus(a.window(), id, x, y);
  };
}
std::function<void(AppConfig&)> OnDevice(void (*change)(platform::DeviceConfig&)) {
  return [=](AppConfig&) {
    platform::DeviceConfig device;
    change(device);
    ASSERT_TRUE(TheDevice().Reset(device));
  };
}
void NoGameApi(AppConfig&) { GameApiLibrary::Instance().SetSearchList({}); }

TEST_F(FrameworkTest, RunsDispatchAndEndAsTheUserMeetsThem) {
  using namespace platform;
  static constexpr ResultCode kFailure = detail::Code(0x80000123u);
  const std::u16string longName(300, u'n');
  const intptr_t press = KeyLParam(true, false);
  const RunRow rows[] = {
      {.what = "key press, upright key list", .act = Post(kMsgKeyDown, 'A', press),
       .log = "key 41;", .check = [](ProbeApp& a) {
         EXPECT_EQ(a.keys.up, 0x26); EXPECT_EQ(a.keys.down, 0x28);
         EXPECT_EQ(a.keys.start, 0x7B); EXPECT_EQ(a.keys.a, 0x78); }},
      {.what = "auto-repeat", .act = Post(kMsgKeyDown, 'A', KeyLParam(true, true))},
      {.what = "key 0x84", .act = Post(kMsgKeyDown, 0x84, press)},
      {.what = "start button", .act = Post(kMsgKeyDown, 0x7B, press), .log = "key 7b;"},
      {.what = "key up", .act = [](ProbeApp& a) { InjectKey(a.window(), 0x79, false); },
       .log = "keyup 79;", .check = [](ProbeApp& a) { EXPECT_EQ(a.keys.b, 0x79); }},
      {.what = "stylus down", .act = Stylus(kMsgStylusDown, 10, 20), .log = "down 10,20;"},
      {.what = "signed halves", .act = Stylus(kMsgStylusDown, -5, -7), .log = "down -5,-7;"},
      {.what = "stylus up", .act = Stylus(kMsgStylusUp, 479, 639), .log = "up 479,639;"},
      {.what = "double click", .act = Stylus(kMsgStylusDoubleClick, 1, 2), .log = "dbl 1,2;"},
      {.what = "stylus move", .act = Stylus(kMsgStylusMove, 30, 40), .log = "move 30,40;"},
      {.what = "half turn inside", .act = Stylus(kMsgStylusUp, 10, 20, 8), .log = "up 469,619;"},
      {.what = "inactive: no moves, no drawing", .act = [](ProbeApp& a) {
         PostMessage(a.window(), kMsgActivate, 0, 0);
         InjectStylus(a.window(), kMsgStylusMove, 5, 6);
         InjectStylus(a.window(), kMsgStylusDown, 7, 8);
       }, .draws = 1, .log = "down 7,8;"},
      // Only the command counts; the low four bits belong to the system.
      {.what = "close", .act = Post(kMsgSysCommand, 0xF060), .at = 2, .limit = 20, .draws = 2},
      {.what = "close, low bits", .act = Post(kMsgSysCommand, 0xF063), .at = 2, .limit = 20,
       .draws = 2},
      {.what = "minimise", .act = Post(kMsgSysCommand, 0xF020), .at = 2, .limit = 20, .draws = 20},
      {.what = "quit message", .act = [](ProbeApp&) { PostQuitMessage(0); }, .at = 3, .limit = 20},
      {.what = "requestQuit", .act = [](ProbeApp& a) { a.requestQuit(); }, .at = 4, .limit = 20,
       .draws = 4},
      {.what = "frame hook quits", .act = [](ProbeApp& a) {
         a.setFrameHook([](AppFramework& f) { f.requestQuit(); });
       }, .at = 2, .limit = 20, .draws = 2},
      {.what = "frame hook hands over", .act = [](ProbeApp& a) {
         a.setFrameHook([](AppFramework& f) {
           f.setFrameHook([](AppFramework& g) { if (g.framePeriods() >= 4) g.requestQuit(); });
         });
       }, .at = 2, .limit = 20, .draws = 4},
      {.what = "failing drawFrame", .act = [](ProbeApp& a) { a.drawResult = kErrOutOfMemory; },
       .at = 3, .limit = 10, .result = 0x8007000E},
      {.what = "failing onStart", .act = [](ProbeApp& a) { a.startResult = kFailure; },
       .at = 0, .result = 0x80000123, .draws = 0, .calls = "start stop exit"},
      {.what = "failing createSurfaces",
       .act = [](ProbeApp& a) { a.createResult = kFailure; }, .at = 0,
       .result = 0x80000123, .draws = 0, .calls = "start create stop exit"},
      {.what = "failing initSurfaces",
       .act = [](ProbeApp& a) { a.initResult = kFailure; }, .at = 0,
       .result = 0x80000123, .draws = 0, .calls = "start create init stop exit"},
      {.what = "second start in the process", .act = [](ProbeApp& first) {
         ProbeApp second(ProbeConfig(true));
         EXPECT_EQ(second.run(), 0);
         EXPECT_EQ(second.calls, "") << "it runs nothing";
         EXPECT_EQ(WindowCount(), 1u);
         EXPECT_EQ(ForegroundWindow(), first.window()) << "it brings the first forward";
       }, .at = 2, .limit = 5, .draws = 5},
      {.what = "full screen presents through the Game API", .act = [](ProbeApp& a) {
         a.colour = 0x0000FF00;
         platform::Rect rect;
         GetWindowRect(a.window(), &rect);
         EXPECT_EQ(rect, (platform::Rect{0, 0, 480, 640})) << "the window covers the task bar";
       }, .limit = 5, .shell = false, .draws = 5, .check = [](ProbeApp& a) {
         EXPECT_EQ(TheDevice().ScreenPixel(0, 0), 0x07E0);
         EXPECT_EQ(TheDevice().ScreenPixel(479, 639), 0x07E0);
         EXPECT_GE(TheDevice().CountGameApiCalls(kGxCallEndDraw), 1);
         const std::vector<ShellRequest>& shell = a.shellRequests();
         ASSERT_GE(shell.size(), 5u);
         EXPECT_EQ(shell[1], (ShellRequest{ShellRequest::kFullScreen, kShellHideTaskbarAll}));
         EXPECT_EQ(shell.back(), (ShellRequest{ShellRequest::kFullScreen, kShellShowTaskbarAll}));
       }},
      // A turn sends a deactivation and an activation back to back; the
      // minimise the first asks for must not outlive the second.
      {.what = "full screen quarter turn", .act = [](ProbeApp&) { TheDevice().RotateQuarter(); },
       .at = 2, .limit = 10, .shell = false, .draws = 10},
      {.what = "full screen skipFrames", .act = [](ProbeApp& a) {
         EXPECT_EQ(a.skipFrames(0), kErrInvalidArg);
         EXPECT_EQ(a.skipFrames(3), kOk);
       }, .limit = 10, .shell = false, .draws = 7},
      // Runs that never reach the loop.
      {.what = "companions missing", .act = [](ProbeApp& a) { a.dropCompanionsForTesting(); },
       .at = 0, .result = 0x8007000E, .draws = 0, .calls = "", .text = u"Out of memory."},
      {.what = "no instance", .setUp = [](AppConfig& c) { c.instance = 0; },
       .result = 0x80070057, .draws = 0, .calls = "", .text = u"Invalid configuration."},
      {.what = "no name", .setUp = [](AppConfig& c) { c.appName = nullptr; },
       .result = 0x80070057, .draws = 0, .calls = "", .text = u"Invalid configuration."},
      {.what = "class name too long", .setUp = [&](AppConfig& c) { c.appName = longName.c_str(); },
       .result = 0x80004005, .draws = 0, .calls = "",
       .text = u"Could not register main window class."},
      {.what = "no desktop window",
       .act = [](ProbeApp& a) { a.setHostStarter([] { return false; }); }, .at = 0,
       .result = 0x80004005, .draws = 0, .calls = "", .text = u"Could not create main window."},
      {.what = "top bar as high as the screen",
       .setUp = OnDevice([](DeviceConfig& d) { d.work_area_top = 640; }), .result = 0x80070057,
       .draws = 0, .calls = "", .text = u"Could not open display.\nError code=0x80070057."},
      {.what = "full screen without the Game API", .shell = false, .setUp = NoGameApi,
       .result = 0xC8660120, .draws = 0, .calls = "", .text = kGameApiMissing, .box = true},
      {.what = "full screen on an 8-bit device", .shell = false,
       .setUp = OnDevice([](DeviceConfig& d) { d.bits_per_pixel = 8; }), .result = 0xC8660110,
       .draws = 0, .calls = "", .text = kNot16Bit, .box = true},
      {.what = "full screen with display mode 0x10", .shell = false,
       .setUp = [](AppConfig& c) { c.displayMode = 0x10; }, .result = 0xC8660100, .draws = 0,
       .calls = "", .text = u"Could not change display mode.\nError code=0xc8660100.",
       .box = true},
      {.what = "shell mode without the Game API keys", .setUp = NoGameApi, .result = 0xC8660120,
       .draws = 0, .calls = ""},
  };
  for (const RunRow& row : rows) {
    SCOPED_TRACE(row.what);
    Reset();
    AppConfig config = ProbeConfig(row.shell);
    if (row.setUp) row.setUp(config);
    ProbeApp app(config);
    QuitAfter(app, row.limit);
    if (row.at == 0 && row.act) row.act(app);
    app.act = row.at == 0 ? nullptr : row.act;
    app.actAt = row.at;
    EXPECT_EQ(static_cast<uint32_t>(app.run()), row.result);
    EXPECT_EQ(app.drawTicks.size(), row.draws);
    EXPECT_EQ(app.log, row.log);
    EXPECT_EQ(app.calls, row.calls);
    EXPECT_EQ(app.errorText(), row.text);
    EXPECT_EQ(app.errorShown(), row.box);
    const auto& boxes = platform::ShownMessageBoxes();
    ASSERT_EQ(boxes.size(), row.box ? 1u : 0u);
    if (row.box) {
      EXPECT_EQ(boxes[0].text, row.text);
      EXPECT_EQ(boxes[0].caption, u"Error");
      EXPECT_EQ(boxes[0].style, 0x00010010u);
    }
    EXPECT_EQ(app.window(), nullptr);
    EXPECT_EQ(platform::WindowCount(), 0u) << "no window outlives the run";
    if (row.check) row.check(app);
  }
}

// The framework's own messages are checked in the runs above.
// The hook runs once per period; one that removes itself is not called
// again, and only the close command (posted by the host at 340 ms, about ten
// periods in) ends this run.
TEST_F(FrameworkTest, AFrameHookThatRemovesItselfIsNotCalledAgain) {
  ProbeApp app(ProbeConfig(true));
  int calls = 0;
  app.setFrameHook([&calls](AppFramework& f) {
    ++calls;
    f.setFrameHook(nullptr);
  });
  Script()->At(340, [&app] {
    platform::PostMessage(app.window(), platform::kMsgSysCommand, platform::kSysCommandClose, 0);
  });
  EXPECT_EQ(app.run(), 0);
  EXPECT_EQ(calls, 1);
  EXPECT_GE(app.framePeriods(), 9u);
}

// Later starts that ask within one frame are one raise, but each is
// counted and each reaches the host (a headless run logs one line a start).
TEST_F(FrameworkTest, EveryLaterStartIsCountedEvenWithinOneFrame) {
  const testing::ScratchDir scratch;
  const std::string& dir = scratch.Path();
  ASSERT_FALSE(dir.empty());
  ProbeApp app(ProbeConfig(true));
  int told = 0;
  InstanceOptions instance;
  instance.directory = dir;
  instance.onRaise = [&told] { ++told; };
  app.setInstanceOptions(instance);
  QuitAfter(app, 5);
  app.actAt = 2;
  app.act = [&dir](ProbeApp&) {
    for (int start = 0; start < 3; ++start) {
      platform::SingleInstance later;
      EXPECT_EQ(later.Acquire(dir, "abacine"), platform::InstanceRole::kSecond);
    }
  };
  EXPECT_EQ(app.run(), 0);
  EXPECT_EQ(app.raiseRequests(), 3u);
  EXPECT_EQ(told, 3);
}

// The error box waits for a click; by then the run no longer listens, so
// later starts do not queue up behind it. It still holds the lock: they
// exit as second starts.
TEST_F(FrameworkTest, TheErrorBoxComesAfterTheSocketIsClosed) {
  const testing::ScratchDir scratch;
  const std::string dir = scratch.Path();
  ASSERT_FALSE(dir.empty());
  struct BoxBackend final : platform::Backend {
    void PumpEvents() override {}
    void WaitForEvents(uint32_t ms) override { platform::Sleep(ms); }
    void ShowMessageBox(std::u16string_view, std::u16string_view) override { onBox(); }
    std::function<void()> onBox;
  };
  auto backend = std::make_unique<BoxBackend>();
  int boxes = 0;
  backend->onBox = [&] {
    ++boxes;
    EXPECT_FALSE(std::filesystem::exists(dir + "/abacine.sock"));
    platform::SingleInstance later;
    EXPECT_EQ(later.Acquire(dir, "abacine"), platform::InstanceRole::kSecond);
  };
  platform::SetBackend(std::move(backend));
  ProbeApp app(ProbeConfig(true));
  InstanceOptions instance;
  instance.directory = dir;
  app.setInstanceOptions(instance);
  static constexpr ResultCode kFailure = detail::Code(0x80000123u);
  app.initResult = kFailure;
  ASSERT_EQ(app.setErrorMessage(u"Could not open display.", 0), kOk);
  EXPECT_EQ(app.run(), kFailure);
  EXPECT_EQ(boxes, 1);
  EXPECT_TRUE(app.errorShown());
  platform::SingleInstance after;  // and the lock went with the run
  EXPECT_EQ(after.Acquire(dir, "abacine"), platform::InstanceRole::kFirst);
}

TEST_F(FrameworkTest, ErrorTextsAreExactAndStayWithinTheirBuffer) {
  const std::u16string tooLong(400, u'x'), nearly(250, u'y');
  const struct {
    const char16_t* text;
    uint32_t code;
    std::u16string shown;
  } rows[] = {
      {u"Could not open display.", 0xC86600ABu, u"Could not open display.\nError code=0xc86600ab."},
      {u"Small.", 0x1u, u"Small.\nError code=0x1."},
      {u"Could not open display.", 0xC8660110u, kNot16Bit},
      {u"Could not open display.", 0xC8660120u, kGameApiMissing},
      {u"", 0, u""},
      {tooLong.c_str(), 0x80070057u, std::u16string(259, u'x')},
      {nearly.c_str(), 0x80070057u, nearly + u"\nError co"},
      {nullptr, 0x80070057u, u"Invalid error code description."},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.text == nullptr ? "null" : ToUtf8(row.text).substr(0, 40));
    ProbeApp app(ProbeConfig(true));
    EXPECT_EQ(app.setErrorMessage(row.text, static_cast<ResultCode>(row.code)),
              row.text == nullptr ? kErrInvalidArg : kOk);
    EXPECT_EQ(app.errorText(), row.shown);
  }
}

// Frame k is drawn when frame k-1 is due, trunc((k-1) * 33.333332f) after
// the baseline. Frame 5 overruns by 100 ms: the timer re-bases at 233, the
// loop sleeps 1 ms and flags frame 6, and the schedule goes on from 233.
TEST_F(FrameworkTest, LateFrameFlagsTheNextFrameAndRebasesWithoutBurst) {
  ProbeApp app(ProbeConfig(true));
  QuitAfter(app, 36);
  app.actAt = 5;
  app.act = [&](ProbeApp&) { clock_.Advance(100); };
  ASSERT_EQ(app.run(), 0);
  ASSERT_EQ(app.drawTicks.size(), 36u);
  const struct {
    size_t frame;
    uint32_t tick;
    bool late;
  } rows[] = {{1, 0, false},   {2, 33, false},  {3, 66, false},   {4, 100, false},
              {5, 133, false}, {6, 234, true},  {7, 266, false},  {8, 299, false},
              {9, 333, false}, {35, 1199, false}, {36, 1232, false}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.frame);
    EXPECT_EQ(app.drawTicks[row.frame - 1], row.tick);
    EXPECT_EQ((app.drawFlags[row.frame - 1] & kFrameLate) != 0, row.late);
  }
  size_t late = 0;
  for (uint32_t flags : app.drawFlags) late += (flags & kFrameLate) != 0 ? 1 : 0;
  EXPECT_EQ(late, 1u);
}

// Shell mode stops drawing at once while inactive but stays paced; full
// screen suspends at its next frame, waits for messages and flags the frame
// after the pause.
TEST_F(FrameworkTest, DeactivationStopsDrawingUntilReactivation) {
  const struct {
    bool shell;
    size_t drawnBefore;  // 0, 33, 66, 100 (and 133 in full screen)
    std::string calls;
  } rows[] = {{true, 4, "start create init resume resume stop exit"},
              {false, 5, "start create init resume suspend resume stop exit"}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.shell ? "shell" : "full screen");
    Reset();
    const uint32_t off = 110, on = 1200;
    ScriptedBackend* script = Script();
    ProbeApp app(ProbeConfig(row.shell));
    QuitAfter(app, 60);
    script->At(off, [&] { platform::PostMessage(app.window(), platform::kMsgActivate, 0, 0); });
    script->At(on, [&] { platform::PostMessage(app.window(), platform::kMsgActivate, 1, 0); });
    ASSERT_EQ(app.run(), 0);
    EXPECT_EQ(app.calls, row.calls);
    size_t before = 0;
    std::vector<size_t> paused;
    for (size_t i = 0; i < app.drawTicks.size(); ++i) {
      before += app.drawTicks[i] < on ? 1 : 0;
      if ((app.drawFlags[i] & kFrameAfterPause) != 0) paused.push_back(i);
    }
    EXPECT_EQ(before, row.drawnBefore);
    EXPECT_GT(app.drawTicks.size(), before + 5);
    EXPECT_EQ(app.framePeriods(), 60u);
    if (row.shell) {
      // 60 periods of 33.3 ms, neither spinning nor stalled while inactive.
      EXPECT_GE(clock_.TickCount(), 1950u);
      EXPECT_LE(clock_.TickCount(), 2050u);
      EXPECT_TRUE(paused.empty());
    } else {
      // Set at the end of the first pass that draws again: the second sees it.
      EXPECT_EQ(paused, std::vector<size_t>{before + 1});
    }
  }
}

TEST_F(FrameworkTest, UnchangedFramesAreNotCopiedAgainButChangesShowAtOnce) {
  ProbeApp app(ProbeConfig(true));
  QuitAfter(app, 61);
  std::vector<uint16_t> seen;  // the screen while frame k+1 is drawn shows frame k
  app.act = [&](ProbeApp&) {
    seen.push_back(TheDevice().ScreenPixel(100, 100));
    const size_t frame = seen.size();
    if (frame >= 40 && frame < 45) app.colour = frame % 2 == 0 ? 0x000000FF : 0x00FF0000;
    app.actAt = frame + 1;
  };
  ASSERT_EQ(app.run(), 0);
  // Frame 1 is shown, 2-30 equal it, 31 is shown by the once-a-second rule,
  // 41-45 each differ from the frame before and 46-61 repeat 45.
  EXPECT_EQ(app.framesShown(), 2u + 5u);
  auto shown = [](size_t k) { return ColourToPixel(k % 2 == 1 ? 0x000000FFu : 0x00FF0000u); };
  for (size_t frame = 41; frame <= 45; ++frame) EXPECT_EQ(seen[frame], shown(frame)) << frame;
  EXPECT_EQ(seen[60], shown(45));
}

}  // namespace
}  // namespace abacine::testing
