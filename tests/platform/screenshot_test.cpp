// Screenshots: the PNG holds the screen as shown, channels widened exactly.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "support/png_reader.h"

namespace abacine::platform {
namespace {

using testing::ReadPng;
using testing::TempPath;

bool Exists(const std::string& path) {
  FILE* f = std::fopen(path.c_str(), "rb");
  const bool found = f != nullptr;
  if (found) std::fclose(f);
  return found;
}

TEST(ScreenshotTest, ChannelsWidenToTheFullByteRange) {
  struct Row { uint16_t pixel; uint8_t r, g, b; };
  const Row rows[] = {{0x0000, 0, 0, 0}, {0xFFFF, 255, 255, 255}, {0xF800, 255, 0, 0}, {0x07E0, 0, 255, 0},
                      {0x001F, 0, 0, 255}, {0x0841, 8, 8, 8},     {0x7BEF, 123, 125, 123}};
  std::vector<uint16_t> pixels;
  for (const Row& r : rows) pixels.push_back(r.pixel);
  const std::string path = TempPath("channels.png");
  ASSERT_TRUE(WritePng565(path, pixels.data(), static_cast<int32_t>(pixels.size()), 1));
  const testing::Image d = ReadPng(path);
  std::remove(path.c_str());
  ASSERT_TRUE(d.ok);
  ASSERT_EQ(d.width, pixels.size());
  ASSERT_EQ(d.height, 1u);
  for (size_t i = 0; i < std::size(rows); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(d.rgb[i * 3 + 0], rows[i].r);
    EXPECT_EQ(d.rgb[i * 3 + 1], rows[i].g);
    EXPECT_EQ(d.rgb[i * 3 + 2], rows[i].b);
  }
}

TEST(ScreenshotTest, ScreenIsWrittenAsShownInTheSystemOrientation) {
  DeviceConfig c = DeviceConfig::WithPitchSigns(4, 6, 1, -1);
  c.system_orientation = kSystemOrientation90;
  ASSERT_TRUE(TheDevice().Reset(c));
  TheDevice().SetScreenPixel(5, 0, 0xF800);  // top right corner as shown
  const std::string path = TempPath("screen.png");
  ASSERT_TRUE(WriteScreenPng(path));
  const testing::Image d = ReadPng(path);
  std::remove(path.c_str());
  TheDevice().Reset(DeviceConfig{});
  ASSERT_TRUE(d.ok);
  EXPECT_EQ(d.width, 6u);
  EXPECT_EQ(d.height, 4u);
  EXPECT_EQ(d.rgb[5 * 3], 255);
  EXPECT_EQ(d.rgb[0], 0);
}

TEST(ScreenshotTest, BadArgumentsAndUnwritablePathsFailWithoutLeavingFiles) {
  const uint16_t one = 0;
  EXPECT_FALSE(WritePng565(TempPath("x.png"), nullptr, 1, 1));
  EXPECT_FALSE(WritePng565(TempPath("x.png"), &one, 0, 1));
  EXPECT_FALSE(WritePng565(TempPath("x.png"), &one, 1, -1));
  EXPECT_FALSE(WritePng565("", &one, 1, 1));
  EXPECT_FALSE(Exists(TempPath("x.png")));
  const std::string bad = "/nonexistent-folder/shot.png";
  EXPECT_FALSE(WritePng565(bad, &one, 1, 1));
  EXPECT_FALSE(Exists(bad + ".part"));
}

}  // namespace
}  // namespace abacine::platform
