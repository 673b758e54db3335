// The calculator on the framework: the size classes, the screen turning
// under it, the stylus and the product identity. What it draws on every
// screen size is checked through the program in program_test.
#include "app/calc_app.h"

#include <gtest/gtest.h>

#include "app/abacine_app.h"
#include "calc_support.h"

namespace abacine::testing {
namespace {

using platform::TheDevice;

// Records the layout hooks and runs `act` at the start of every frame.
class ProbeCalc : public CalcApp {
 public:
  explicit ProbeCalc(const AppConfig& config) : CalcApp(config) {
    setSkinArchive(kSkinPath);
    setProductIdentity(kAbacineRegistryKey, kAbacineProductName, kAbacineWebAddress);
    // Never the user's settings, and past the first run's tutorial.
    const std::string settings = scratch_.Path() + "/settings.reg";
    WriteSettingsPastFirstRun(settings);
    setRegistryFile(settings);
  }
  void onScreenResized(int32_t width, int32_t height) override {
    resized.push_back({width, height});
  }
  void beforeDraw() override {
    ++draws;
    platform::GetWindowRect(window(), &rect);
    if (act) act(draws);
  }
  bool onStylusDownHook(int32_t x, int32_t y) override {
    hookTaps.push_back({x, y});
    return false;
  }
  std::vector<std::pair<int32_t, int32_t>> resized, hookTaps;
  platform::Rect rect;  // the window's, at the last frame
  int draws = 0;
  std::function<void(int)> act;

 private:
  ScratchDir scratch_;
};

class CalcAppTest : public PlatformTest {};

TEST(CalcAppSizeClass, LargeOnlyForVgaScreensLessTheTopBar) {
  const struct {
    int32_t width, height, top;
    bool large;
  } rows[] = {
      {480, 640, 0, true},  {480, 614, 26, true}, {640, 480, 0, true},  {640, 454, 26, true},
      {240, 320, 0, false}, {320, 240, 0, false}, {480, 600, 0, false}, {480, 640, 26, false},
      {640, 640, 0, false}, {0, 0, 0, false},     {480, INT32_MAX, INT32_MAX, false},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(std::to_string(row.width) + "x" + std::to_string(row.height) + "+" +
                 std::to_string(row.top));
    EXPECT_EQ(IsLargeScreen(row.width, row.height, row.top), row.large);
  }
}

// A re-activation with the same screen only moves the window; each quarter
// turn re-creates the display and lays the screen out again.
TEST_F(CalcAppTest, ReactivationLaysOutAgainOnlyWhenTheScreenSizeChanged) {
  platform::DeviceConfig device;
  device.work_area_top = 26;
  Reset(device);
  ScriptedBackend* script = Script();
  ProbeCalc app(ProbeConfig(true));
  QuitAfter(app, 40);
  uint64_t layoutsBeforeTurn = 0;
  script->At(200, [&] {
    platform::PostMessage(app.window(), platform::kMsgActivate, 0, 0);
    platform::PostMessage(app.window(), platform::kMsgActivate, 1, 0);
  });
  script->At(500, [&] {
    layoutsBeforeTurn = app.layouts();
    TheDevice().RotateQuarter();
  });
  script->At(900, [&] {
    // Right of the wide keypad: the calculator's background reaches the
    // turned screen's right edge.
    EXPECT_EQ(TheDevice().ScreenPixel(639, 26 + 300), 0xE73C) << "filled to the new edge";
    TheDevice().RotateQuarter();
  });
  std::vector<platform::Rect> rects;
  std::vector<int32_t> classes;
  app.act = [&](int) {
    if (rects.empty() || rects.back() != app.rect) {
      rects.push_back(app.rect);
      classes.push_back(app.sizeClass());
    }
  };
  ASSERT_EQ(app.run(), 0);
  EXPECT_EQ(layoutsBeforeTurn, 1u) << "same size: no new layout";
  EXPECT_EQ(app.layouts(), 3u);
  using Size = std::pair<int32_t, int32_t>;
  EXPECT_EQ(app.resized, (std::vector<Size>{{640, 454}, {480, 614}}));
  EXPECT_EQ(Size(app.screenWidth(), app.screenHeight()), Size(480, 614));
  EXPECT_EQ(rects, (std::vector<platform::Rect>{
                       {0, 26, 480, 640}, {0, 26, 640, 480}, {0, 26, 480, 640}}));
  // 640 x 480 less the top bar is still the large class, as is the way back.
  EXPECT_EQ(classes, (std::vector<int32_t>{480, 480, 480}));
}

// A top bar taller than the turned screen leaves no room for a display: the
// run ends with the code and says so, instead of drawing into nothing.
TEST_F(CalcAppTest, TurnThatLeavesNoRoomEndsTheRunWithAMessage) {
  platform::DeviceConfig device;
  device.work_area_top = 500;
  Reset(device);
  ProbeCalc app(ProbeConfig(true));
  QuitAfter(app, 20);
  app.act = [&](int frame) {
    if (frame == 2) TheDevice().RotateQuarter();
  };
  EXPECT_EQ(static_cast<uint32_t>(app.run()), 0x80070057u);
  EXPECT_EQ(app.draws, 2);
  ASSERT_EQ(platform::ShownMessageBoxes().size(), 1u);
  EXPECT_EQ(platform::ShownMessageBoxes()[0].text,
            u"Could not open display.\nError code=0x80070057.");
  EXPECT_TRUE(app.resized.empty());
  EXPECT_EQ(platform::WindowCount(), 0u);
}

TEST_F(CalcAppTest, StylusReachesTheHookAndTracksTheStylus) {
  ProbeCalc app(ProbeConfig(true));
  QuitAfter(app, 4);
  bool downSeen = false;
  app.act = [&](int frame) {
    if (frame == 2) {
      platform::InjectStylus(app.window(), platform::kMsgStylusDown, 12, 34);
      platform::InjectStylus(app.window(), platform::kMsgStylusMove, 15, 36);
    }
    if (frame == 3) {
      downSeen = app.stylusIsDown();
      platform::InjectStylus(app.window(), platform::kMsgStylusUp, 16, 37);
    }
  };
  ASSERT_EQ(app.run(), 0);
  EXPECT_EQ(app.hookTaps, (std::vector<std::pair<int32_t, int32_t>>{{12, 34}}));
  EXPECT_TRUE(downSeen);
  EXPECT_FALSE(app.stylusIsDown());
  EXPECT_EQ(app.stylusX(), 16);
  EXPECT_EQ(app.stylusY(), 37);
}

TEST(AboutVersionText, LeavesOutABuildOfZero) {
  const struct {
    int32_t major, minor, build;
    const char16_t* text;
  } rows[] = {{1, 0, 0, u"v1.0"}, {1, 0, 7, u"v1.0.7"}, {2, 13, 0, u"v2.13"}, {0, 0, 0, u"v0.0"},
              {10, 2, 300, u"v10.2.300"}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.build);
    EXPECT_TRUE(AboutVersionText(row.major, row.minor, row.build).Equals(row.text));
  }
}

TEST(AbacineApp, CarriesTheProductIdentityAndConfiguration) {
  ProgramOptions options;
  const AppConfig c = AbacineConfig(77, options);
  EXPECT_EQ(std::u16string(c.appName), u"Abacine");
  const std::vector<uint32_t> got = {c.instance, c.frameRate, c.displayFlags, c.displayMode,
                                     static_cast<uint32_t>(c.width),
                                     static_cast<uint32_t>(c.height), c.iconId, c.useKeys,
                                     c.doubleClicks, c.shellMode};
  EXPECT_EQ(got, (std::vector<uint32_t>{77, 30, 0x8020, 1, 480, 640, 101, 1, 0, 1}));
  options.fullScreen = true;
  EXPECT_EQ(AbacineConfig(77, options).shellMode, 0u);
  AbacineApp app(c);
  EXPECT_EQ(app.registryKeyPath(), u"Software\\Velmora\\Abacine");
  EXPECT_EQ(app.productName(), u"Abacine");
  EXPECT_EQ(app.webAddress(), u"www.velmora.example");
  EXPECT_EQ(app.className(), u"Abacine WndCls");
}

}  // namespace
}  // namespace abacine::testing
