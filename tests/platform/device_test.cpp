// The simulated handheld: panel memory for every pitch layout, the screen as
// the user sees it in each system orientation, the driver escape, the
// fixed-address lookup, the OEM string and the display-mode call.
#include <gtest/gtest.h>

#include <cstring>
#include <tuple>

#include "platform/controls.h"
#include "platform/platform.h"

namespace abacine::platform {
namespace {

class DeviceTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(ResetForTesting()); }
  void TearDown() override { ResetForTesting(); }
};

// Writing each hardware pixel through the pitches and reading all back finds
// overlaps and out-of-range addresses (the sanitizer build too).
TEST_F(DeviceTest, PitchSignsChooseRowOrColumnMemoryAndEveryPixelIsDistinct) {
  struct Row { int xSign, ySign; int32_t width, height; int32_t x_pitch, y_pitch; uint32_t format; };
  const Row rows[] = {
      {+1, +1, 240, 320, 2, 480, 0xA0},  {-1, -1, 240, 320, -2, -480, 0xA0}, {+1, -1, 240, 320, 640, -2, 0xA0},
      {-1, +1, 240, 320, -640, 2, 0xA0}, {+1, +1, 640, 480, 2, 1280, 0xA8},  {-1, +1, 640, 480, -960, 2, 0xA8},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(testing::Message() << r.xSign << "," << r.ySign << " " << r.width << "x" << r.height);
    const DeviceConfig c = DeviceConfig::WithPitchSigns(r.width, r.height, r.xSign, r.ySign);
    EXPECT_EQ(std::tie(c.x_pitch, c.y_pitch, c.format_flags), std::tie(r.x_pitch, r.y_pitch, r.format));
    ASSERT_TRUE(TheDevice().Reset(c));
    Device& d = TheDevice();
    for (int32_t y = 0; y < r.height; ++y) {
      for (int32_t x = 0; x < r.width; ++x) {
        const auto v = static_cast<uint16_t>(y * r.width + x + 1);
        std::memcpy(d.FrameBuffer() + x * c.x_pitch + y * c.y_pitch, &v, 2);
      }
    }
    int wrong = 0;
    for (int32_t y = 0; y < r.height; ++y) {
      for (int32_t x = 0; x < r.width; ++x) wrong += d.HardwarePixel(x, y) != static_cast<uint16_t>(y * r.width + x + 1);
    }
    EXPECT_EQ(wrong, 0);
  }
}

TEST_F(DeviceTest, ResetRefusesUnusableConfigurationsAndKeepsTheOldDevice) {
  struct Row { const char* name; void (*change)(DeviceConfig&); };
  const Row rows[] = {
      {"zero width", [](DeviceConfig& c) { c.width = 0; }},
      {"negative height", [](DeviceConfig& c) { c.height = -4; }},
      {"too wide", [](DeviceConfig& c) { c.width = 4096; }}, {"zero x pitch", [](DeviceConfig& c) { c.x_pitch = 0; }},
      {"odd y pitch", [](DeviceConfig& c) { c.y_pitch = 961; }},
      {"huge pitch", [](DeviceConfig& c) { c.y_pitch = 1 << 22; }},
      {"above 64 MiB", [](DeviceConfig& c) { c.width = 2048, c.height = 2048, c.x_pitch = 2, c.y_pitch = 1 << 16; }},
  };
  ASSERT_TRUE(TheDevice().Reset(DeviceConfig::WithPitchSigns(240, 320, 1, 1)));
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    DeviceConfig c;
    r.change(c);
    EXPECT_FALSE(TheDevice().Reset(c));
    EXPECT_EQ(TheDevice().Config().width, 240);
    EXPECT_EQ(TheDevice().Config().y_pitch, 480);
  }
}

TEST_F(DeviceTest, ScreenFollowsTheSystemOrientation) {
  // Hardware 4 x 6; mark hardware pixel (1, 2) and find it on the screen.
  // sy: where the user sees it
  struct Row { int32_t value; int32_t screenW, screenH; int32_t sx, sy; };
  const Row rows[] = {
      {0, 4, 6, 1, 2},
      {1, 6, 4, 3, 1},  // code 2: (X, Y) = (y, H0-1-x) -> x = H0-1-Y, y = X
      {2, 4, 6, 2, 3},  // code 8: (W0-1-x, H0-1-y)
      {4, 6, 4, 2, 2},  // code 4: (X, Y) = (W0-1-y, x) -> x = Y, y = W0-1-X
      {3, 4, 6, 1, 2},  // unknown values show the hardware orientation
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.value);
    DeviceConfig c = DeviceConfig::WithPitchSigns(4, 6, 1, 1);
    c.system_orientation = r.value;
    ASSERT_TRUE(TheDevice().Reset(c));
    Device& d = TheDevice();
    EXPECT_EQ(d.ScreenWidth(), r.screenW);
    EXPECT_EQ(d.ScreenHeight(), r.screenH);
    const uint16_t mark = 0xBEEF;
    std::memcpy(d.FrameBuffer() + 1 * c.x_pitch + 2 * c.y_pitch, &mark, 2);
    EXPECT_EQ(d.ScreenPixel(r.sx, r.sy), mark);
    const std::vector<uint16_t> screen = d.ScreenPixels();
    ASSERT_EQ(screen.size(), size_t(r.screenW * r.screenH));
    EXPECT_EQ(std::count(screen.begin(), screen.end(), mark), 1);
    // Screen writes land on the same hardware pixel.
    d.SetScreenPixel(r.sx, r.sy, 0x1234);
    EXPECT_EQ(d.HardwarePixel(1, 2), 0x1234);
  }
  // Pixels outside the panel read zero and ignore writes.
  ASSERT_TRUE(TheDevice().Reset(DeviceConfig{}));
  for (const auto& [x, y] : std::initializer_list<std::pair<int32_t, int32_t>>{
           {-1, 0}, {0, -1}, {480, 0}, {0, 640}, {INT32_MIN, INT32_MAX}}) {
    SCOPED_TRACE(testing::Message() << x << "," << y);
    EXPECT_EQ(TheDevice().HardwarePixel(x, y), 0);
    TheDevice().SetScreenPixel(x, y, 0xFFFF);
    EXPECT_EQ(TheDevice().ScreenPixel(x, y), 0);
  }
}

TEST_F(DeviceTest, QuarterTurnCyclesAndTellsEveryWindow) {
  WindowHandle w = CreateAppWindow(WindowDesc{u"C", u"T", false, {}}, [](auto...) { return intptr_t{0}; }, nullptr);
  ASSERT_TRUE(IsWindow(w));
  ClearMessages();
  for (int32_t value : {1, 2, 4, 0}) {
    TheDevice().RotateQuarter();
    EXPECT_EQ(TheDevice().Config().system_orientation, value);
  }
  EXPECT_EQ(TheDevice().ScreenWidth(), 480);
  // Each turn: deactivate, then activate.
  ASSERT_EQ(PendingMessageCount(), 8u);
  Message m;
  for (int i = 0; i < 8; ++i) {
    ASSERT_TRUE(PeekMessage(&m, true));
    EXPECT_EQ(m.id, kMsgActivate);
    EXPECT_EQ(m.w_param, i % 2 == 0 ? 0u : 1u);
  }
  DestroyAppWindow(w);
}

TEST_F(DeviceTest, RawFrameBufferEscape) {
  DeviceConfig c = DeviceConfig::WithPitchSigns(240, 320, -1, 1);
  c.raw_frame_buffer = true;
  c.raw_format = 2;
  ASSERT_TRUE(TheDevice().Reset(c));
  RawFrameBufferInfo info{};
  EXPECT_EQ(TheDevice().DriverEscape(kEscapeGetRawFrameBuffer, &info, sizeof info), 1);
  EXPECT_EQ(std::tie(info.format, info.bits_per_pixel, info.x_stride, info.y_stride, info.width, info.height),
            std::make_tuple(uint16_t{2}, uint16_t{16}, -640, 2, 240, 320));
  EXPECT_EQ(info.frame_pointer, TheDevice().FrameBuffer());
  EXPECT_EQ(TheDevice().DriverEscape(kEscapeGetRawFrameBuffer, &info, sizeof info - 1), -1);
  EXPECT_EQ(TheDevice().DriverEscape(kEscapeGetRawFrameBuffer, nullptr, sizeof info), -1);
  EXPECT_EQ(TheDevice().DriverEscape(0x20002, &info, sizeof info), 0);
  c.raw_frame_buffer = false;
  ASSERT_TRUE(TheDevice().Reset(c));
  EXPECT_EQ(TheDevice().DriverEscape(kEscapeGetRawFrameBuffer, &info, sizeof info), 0);
}

TEST_F(DeviceTest, FixedAddressIsReachedOnlyOnTheFixedAddressDevice) {
  ASSERT_TRUE(TheDevice().Reset(DeviceConfig::FixedAddressDevice()));
  EXPECT_EQ(TheDevice().FixedAddressMemory(kFixedFrameBufferAddress), TheDevice().FrameBuffer());
  EXPECT_EQ(TheDevice().FixedAddressMemory(kFixedFrameBufferAddress + 2), nullptr);
  EXPECT_EQ(TheDevice().FixedAddressMemory(0), nullptr);
  // Same OEM string, another panel: the memory is not where the address says.
  DeviceConfig other = DeviceConfig::FixedAddressDevice();
  other.x_pitch = 2;
  other.y_pitch = 480;
  ASSERT_TRUE(TheDevice().Reset(other));
  EXPECT_EQ(TheDevice().FixedAddressMemory(kFixedFrameBufferAddress), nullptr);
  ASSERT_TRUE(TheDevice().Reset(DeviceConfig{}));
  EXPECT_EQ(TheDevice().FixedAddressMemory(kFixedFrameBufferAddress), nullptr);
}

TEST_F(DeviceTest, OemStringIsCutToTheBuffer) {
  struct Row { size_t chars; std::u16string expected; };
  const Row rows[] = {{1, u""}, {5, u"Comp"}, {16, u"Compaq iPAQ H38"}, {200, u"Compaq iPAQ H3800"}};
  ASSERT_TRUE(TheDevice().Reset(DeviceConfig::FixedAddressDevice()));
  for (const Row& r : rows) {
    SCOPED_TRACE(r.chars);
    std::u16string buffer(r.chars + 2, u'#');
    ASSERT_TRUE(TheDevice().GetOemInfo(buffer.data(), r.chars));
    EXPECT_EQ(std::u16string(buffer.c_str()), r.expected);
    EXPECT_EQ(buffer[r.chars], u'#');  // nothing written past the given size
  }
  char16_t one = u'x';
  EXPECT_FALSE(TheDevice().GetOemInfo(&one, 0));
  EXPECT_FALSE(TheDevice().GetOemInfo(nullptr, 10));
}

TEST_F(DeviceTest, DisplayModeCall) {
  DeviceConfig c;
  c.system_orientation = kSystemOrientation270;
  ASSERT_TRUE(TheDevice().Reset(c));
  Device& d = TheDevice();
  DisplayModeRecord query{192, kModeFieldQueryOrientation, 0};
  EXPECT_EQ(d.ChangeDisplaySettings(&query, kModeChangeTest), kModeChangeSuccessful);
  DisplayModeRecord read{192, kModeFieldOrientation, -1};
  EXPECT_EQ(d.ChangeDisplaySettings(&read, kModeChangeTest), kModeChangeSuccessful);
  EXPECT_EQ(read.orientation, kSystemOrientation270);
  EXPECT_EQ(d.ChangeDisplaySettings(nullptr, kModeChangeTest), kModeChangeBadParam);
  DisplayModeRecord set{192, kModeFieldOrientation, kSystemOrientation90};
  EXPECT_EQ(d.ChangeDisplaySettings(&set, 0), kModeChangeSuccessful);
  EXPECT_EQ(d.Config().system_orientation, kSystemOrientation90);
  DisplayModeRecord bad{192, kModeFieldOrientation, 3};
  EXPECT_EQ(d.ChangeDisplaySettings(&bad, 0), kModeChangeBadMode);
  EXPECT_EQ(d.Config().system_orientation, kSystemOrientation90);
  c.orientation_query = OrientationQuery::kFails;
  ASSERT_TRUE(d.Reset(c));
  EXPECT_NE(d.ChangeDisplaySettings(&query, kModeChangeTest), kModeChangeSuccessful);
}

}  // namespace
}  // namespace abacine::platform
