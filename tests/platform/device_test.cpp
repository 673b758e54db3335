// The simulated handheld: panel memory for every pitch layout, the screen as
// the user sees it in each system orientation, the driver escape, the
// fixed-address lookup, the OEM string and the display-mode call.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <utility>
#include <vector>
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

// Hardware pixel of screen pixel (x, y) on a W0 x H0 panel turned by a
// system orientation value, written out here independently of the device.
std::pair<int32_t, int32_t> HardwareOf(int32_t value, int32_t w0, int32_t h0, int32_t x, int32_t y) {
  switch (value) {
    case kSystemOrientation90: return {y, h0 - 1 - x};
    case kSystemOrientation180: return {w0 - 1 - x, h0 - 1 - y};
    case kSystemOrientation270: return {w0 - 1 - y, x};
    default: return {x, y};
  }
}

// The block copies of the present path against that per-pixel reference:
// every pitch layout, every turn, whole and partial blocks, padded rows and
// a source that is not 2-byte aligned; nothing outside the block changes.
TEST_F(DeviceTest, ScreenBlocksMatchThePixelByPixelReference) {
  const int signs[][2] = {{1, 1}, {-1, -1}, {1, -1}, {-1, 1}};
  const int32_t turns[] = {kSystemOrientation0, kSystemOrientation90, kSystemOrientation180,
                           kSystemOrientation270};
  std::mt19937 rng(9);
  for (const auto& sign : signs) {
    for (const int32_t turn : turns) {
      SCOPED_TRACE(testing::Message() << "signs " << sign[0] << "," << sign[1] << " turn " << turn);
      DeviceConfig c = DeviceConfig::WithPitchSigns(37, 23, sign[0], sign[1]);
      c.system_orientation = turn;
      ASSERT_TRUE(TheDevice().Reset(c));
      Device& d = TheDevice();
      const int32_t w = d.ScreenWidth(), h = d.ScreenHeight();
      std::vector<uint16_t> before(size_t(w * h));
      for (int32_t y = 0; y < c.height; ++y) {
        for (int32_t x = 0; x < c.width; ++x) {
          const auto v = static_cast<uint16_t>(rng());
          std::memcpy(d.FrameBuffer() + x * c.x_pitch + y * c.y_pitch, &v, 2);
        }
      }
      auto reference = [&](int32_t x, int32_t y) {
        const auto [hx, hy] = HardwareOf(turn, c.width, c.height, x, y);
        return d.HardwarePixel(hx, hy);
      };
      // The whole screen, into rows padded by three guard pixels.
      const size_t row = size_t(w) + 3;
      std::vector<uint16_t> out(row * size_t(h), 0xABCD);
      d.CopyScreen(out.data(), row);
      int wrong = 0, guards = 0;
      for (int32_t y = 0; y < h; ++y) {
        for (int32_t x = 0; x < w; ++x) {
          before[size_t(y * w + x)] = reference(x, y);
          wrong += out[size_t(y) * row + size_t(x)] != reference(x, y);
        }
        for (size_t g = size_t(w); g < row; ++g) guards += out[size_t(y) * row + g] != 0xABCD;
      }
      EXPECT_EQ(wrong, 0);
      EXPECT_EQ(guards, 0);
      std::vector<uint16_t> packed(size_t(w * h));
      d.CopyScreen(packed.data(), size_t(w));
      EXPECT_EQ(packed, before) << "unpadded rows";

      // Blocks: the whole screen from unpadded rows, and a partial one from
      // odd-length rows starting at an odd address.
      struct Block { int32_t x, y, bw, bh; int64_t row_bytes; size_t offset; };
      const Block blocks[] = {{0, 0, w, h, 2 * int64_t{w}, 0}, {3, 2, w - 5, h - 4, 2 * int64_t{w} + 7, 1}};
      for (const Block& b : blocks) {
        SCOPED_TRACE(testing::Message() << "block at " << b.x << "," << b.y);
        std::vector<uint8_t> source(size_t(b.row_bytes) * size_t(b.bh) + b.offset);
        for (uint8_t& byte : source) byte = static_cast<uint8_t>(rng());
        d.WriteScreen(b.x, b.y, b.bw, b.bh, source.data() + b.offset, b.row_bytes);
        int misplaced = 0;
        for (int32_t y = 0; y < h; ++y) {
          for (int32_t x = 0; x < w; ++x) {
            uint16_t want = before[size_t(y * w + x)];
            if (x >= b.x && x < b.x + b.bw && y >= b.y && y < b.y + b.bh) {
              std::memcpy(&want, source.data() + b.offset + size_t(y - b.y) * size_t(b.row_bytes) + 2 * size_t(x - b.x), 2);
            }
            misplaced += reference(x, y) != want;
            before[size_t(y * w + x)] = want;
          }
        }
        EXPECT_EQ(misplaced, 0);
      }
    }
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
