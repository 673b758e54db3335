// The calculator on the framework: its screen, the size classes and the
// screen turning under it.
#include "app/calc_app.h"

#include <gtest/gtest.h>

#include "app/abacine_app.h"
#include "app_test_util.h"

namespace abacine::testing {
namespace {

using platform::TheDevice;

// Records the layout hooks and ends itself after a number of frames.
class ProbeCalc : public CalcApp {
 public:
  explicit ProbeCalc(const AppConfig& config) : CalcApp(config) {}
  void onScreenResized(int32_t width, int32_t height) override {
    resized.push_back({width, height});
  }
  void beforeDraw() override {
    ++draws;
    if (onDraw) onDraw(draws);
  }
  bool onStylusDownHook(int32_t x, int32_t y) override {
    hookTaps.push_back({x, y});
    return false;
  }
  Display* TheDisplay() const { return display(); }

  struct Size {
    int32_t width, height;
    friend bool operator==(const Size&, const Size&) = default;
  };
  std::vector<Size> resized;
  std::vector<Size> hookTaps;
  int draws = 0;
  std::function<void(int)> onDraw;
};

class CalcAppTest : public PlatformTest {};

TEST_F(CalcAppTest, EmptyCalculatorShowsItsBackgroundOnEverySize) {
  struct Row {
    int32_t width, height, top;
    int32_t sizeClass;
  };
  const Row rows[] = {
      {240, 320, 0, 240}, {320, 240, 26, 240}, {480, 640, 0, 480}, {640, 480, 52, 480}};
  for (const Row& row : rows) {
    SCOPED_TRACE(std::to_string(row.width) + "x" + std::to_string(row.height));
    platform::ClearMessages();
    platform::DeviceConfig device =
        platform::DeviceConfig::WithPitchSigns(row.width, row.height, 1, 1);
    device.workAreaTop = row.top;
    ASSERT_TRUE(TheDevice().Reset(device));
    ProbeCalc app(ProbeConfig(true));
    app.setFrameLimit(3);
    ASSERT_EQ(app.run(), 0);
    EXPECT_EQ(app.sizeClass(), row.sizeClass);
    EXPECT_EQ(app.screenWidth(), row.width);
    EXPECT_EQ(app.screenHeight(), row.height - row.top);
    // 0x00E7E7E7 truncated to 5-6-5.
    EXPECT_EQ(TheDevice().ScreenPixel(0, row.top), 0xE73C);
    EXPECT_EQ(TheDevice().ScreenPixel(row.width - 1, row.height - 1), 0xE73C);
    EXPECT_EQ(app.draws, 3);
  }
}

TEST_F(CalcAppTest, ReactivationLaysOutAgainOnlyWhenTheScreenSizeChanged) {
  platform::DeviceConfig device;
  device.workAreaTop = 26;
  ASSERT_TRUE(TheDevice().Reset(device));
  ScriptedBackend* script = Script();
  ProbeCalc app(ProbeConfig(true));
  app.setFrameLimit(40);
  platform::Rect afterTurn;
  int32_t displayWidth = 0, displayHeight = 0;
  uint64_t layoutsBeforeTurn = 0;
  script->At(200, [&] {
    platform::PostMessage(app.window(), platform::kMsgActivate, 0, 0);
    platform::PostMessage(app.window(), platform::kMsgActivate, 1, 0);
  });
  script->At(500, [&] {
    layoutsBeforeTurn = app.layouts();
    TheDevice().RotateQuarter();
  });
  app.onDraw = [&](int) {
    platform::GetWindowRect(app.window(), &afterTurn);
    displayWidth = app.TheDisplay()->Width();
    displayHeight = app.TheDisplay()->Height();
  };
  ASSERT_EQ(app.run(), 0);
  EXPECT_EQ(layoutsBeforeTurn, 1u) << "same size: no new layout";
  EXPECT_EQ(app.layouts(), 2u);
  ASSERT_EQ(app.resized.size(), 1u);
  EXPECT_EQ(app.resized[0], (ProbeCalc::Size{640, 454}));
  EXPECT_EQ(displayWidth, 640);
  EXPECT_EQ(displayHeight, 454);
  EXPECT_EQ(afterTurn, (platform::Rect{0, 26, 640, 480}));
  EXPECT_EQ(app.sizeClass(), kSizeClass480) << "640 x 480 less the top bar is the large class";
  // The turned screen is filled to its new corners.
  EXPECT_EQ(TheDevice().ScreenWidth(), 640);
  EXPECT_EQ(TheDevice().ScreenPixel(639, 479), 0xE73C);
  EXPECT_EQ(TheDevice().ScreenPixel(0, 26), 0xE73C);
}

TEST_F(CalcAppTest, TwoQuarterTurnsComeBackToTheUprightLayout) {
  ProbeCalc app(ProbeConfig(true));
  app.setFrameLimit(12);
  app.onDraw = [&](int frame) {
    if (frame == 2 || frame == 6) TheDevice().RotateQuarter();
  };
  ASSERT_EQ(app.run(), 0);
  ASSERT_EQ(app.resized.size(), 2u);
  EXPECT_EQ(app.resized[0], (ProbeCalc::Size{640, 480}));
  EXPECT_EQ(app.resized[1], (ProbeCalc::Size{480, 640}));
  EXPECT_EQ(app.sizeClass(), kSizeClass480);
}

TEST_F(CalcAppTest, StylusReachesTheHookAndTracksTheStylus) {
  ProbeCalc app(ProbeConfig(true));
  app.setFrameLimit(4);
  bool downSeen = false;
  app.onDraw = [&](int frame) {
    if (frame == 1) {
      platform::InjectStylus(app.window(), platform::kMsgStylusDown, 12, 34);
      platform::InjectStylus(app.window(), platform::kMsgStylusMove, 15, 36);
    }
    if (frame == 2) {
      downSeen = app.stylusIsDown();
      platform::InjectStylus(app.window(), platform::kMsgStylusUp, 16, 37);
    }
  };
  ASSERT_EQ(app.run(), 0);
  ASSERT_EQ(app.hookTaps.size(), 1u);
  EXPECT_EQ(app.hookTaps[0], (ProbeCalc::Size{12, 34}));
  EXPECT_TRUE(downSeen);
  EXPECT_FALSE(app.stylusIsDown());
  EXPECT_EQ(app.stylusX(), 16);
  EXPECT_EQ(app.stylusY(), 37);
}

TEST(CalcAppSizeClass, LargeOnlyForVgaScreensLessTheTopBar) {
  struct Row {
    int32_t width, height, top;
    bool large;
  };
  const Row rows[] = {
      {480, 640, 0, true},  {480, 614, 26, true}, {640, 480, 0, true},   {640, 454, 26, true},
      {240, 320, 0, false}, {320, 240, 0, false}, {480, 600, 0, false},  {480, 640, 26, false},
      {640, 640, 0, false}, {0, 0, 0, false},     {480, INT32_MAX, INT32_MAX, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::to_string(row.width) + "x" + std::to_string(row.height) + "+" +
                 std::to_string(row.top));
    EXPECT_EQ(IsLargeScreen(row.width, row.height, row.top), row.large);
  }
}

// A top bar taller than the turned screen leaves no room for a display:
// the run ends with the code and says so, instead of drawing into nothing.
TEST_F(CalcAppTest, TurnThatLeavesNoRoomEndsTheRunWithAMessage) {
  platform::DeviceConfig device;
  device.workAreaTop = 500;
  ASSERT_TRUE(TheDevice().Reset(device));
  ProbeCalc app(ProbeConfig(true));
  app.setFrameLimit(20);
  app.onDraw = [&](int frame) {
    if (frame == 2) TheDevice().RotateQuarter();
  };
  EXPECT_EQ(app.run(), kErrInvalidArg);
  EXPECT_EQ(app.draws, 2);
  ASSERT_EQ(platform::ShownMessageBoxes().size(), 1u);
  EXPECT_EQ(platform::ShownMessageBoxes()[0].text,
            u"Could not open display.\nError code=0x80070057.");
  EXPECT_TRUE(app.resized.empty());
  EXPECT_EQ(platform::WindowCount(), 0u);
}

TEST_F(CalcAppTest, AbacineCarriesTheProductIdentityAndConfiguration) {
  ProgramOptions options;
  const AppConfig shell = AbacineConfig(77, options);
  options.fullScreen = true;
  const AppConfig full = AbacineConfig(77, options);
  struct Row {
    const char* field;
    uint32_t shell, full, want;
  };
  const Row rows[] = {
      {"instance", shell.instance, full.instance, 77},
      {"frameRate", shell.frameRate, full.frameRate, 30},
      {"displayFlags", shell.displayFlags, full.displayFlags, 0x8020},
      {"displayMode", shell.displayMode, full.displayMode, 1},
      {"width", static_cast<uint32_t>(shell.width), static_cast<uint32_t>(full.width), 480},
      {"height", static_cast<uint32_t>(shell.height), static_cast<uint32_t>(full.height), 640},
      {"iconId", shell.iconId, full.iconId, 101},
      {"reserved0", shell.reserved[0], full.reserved[0], 0x400000},
      {"useKeys", shell.useKeys, full.useKeys, 1},
      {"doubleClicks", shell.doubleClicks, full.doubleClicks, 0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.field);
    EXPECT_EQ(row.shell, row.want);
    EXPECT_EQ(row.full, row.want);
  }
  EXPECT_EQ(shell.shellMode, 1u);
  EXPECT_EQ(full.shellMode, 0u);

  AbacineApp app(shell);
  EXPECT_EQ(app.registryKeyPath(), u"Software\\Velmora\\Abacine");
  EXPECT_EQ(app.productName(), u"Abacine");
  EXPECT_EQ(app.webAddress(), u"https://abacine.example/");
  EXPECT_EQ(app.appName(), u"Abacine");
  EXPECT_EQ(app.className(), u"Abacine WndCls");
}

}  // namespace
}  // namespace abacine::testing
