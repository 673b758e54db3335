// Screenshots: the PNG holds the screen as shown, channels widened exactly.
#include <gtest/gtest.h>
#include <png.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace abacine::platform {
namespace {

struct Decoded {
  bool ok = false;
  uint32_t width = 0, height = 0;
  std::vector<uint8_t> rgb;
};

Decoded ReadPng(const std::string& path) {
  Decoded out;
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, path.c_str())) return out;
  image.format = PNG_FORMAT_RGB;
  out.rgb.resize(PNG_IMAGE_SIZE(image));
  if (!png_image_finish_read(&image, nullptr, out.rgb.data(), 0, nullptr)) return out;
  out.ok = true;
  out.width = image.width;
  out.height = image.height;
  return out;
}

std::string TempPath(const char* name) {
  return ::testing::TempDir() + "abacine_" + std::to_string(getpid()) + "_" + name;
}

bool Exists(const std::string& path) {
  FILE* f = std::fopen(path.c_str(), "rb");
  if (f == nullptr) return false;
  std::fclose(f);
  return true;
}

TEST(ScreenshotTest, ChannelsWidenToTheFullByteRange) {
  struct Row {
    uint16_t pixel;
    uint8_t r, g, b;
  };
  const Row rows[] = {{0x0000, 0, 0, 0},       {0xFFFF, 255, 255, 255}, {0xF800, 255, 0, 0},
                      {0x07E0, 0, 255, 0},     {0x001F, 0, 0, 255},     {0x0841, 8, 8, 8},
                      {0x7BEF, 123, 125, 123}};
  std::vector<uint16_t> pixels;
  for (const Row& r : rows) pixels.push_back(r.pixel);
  const std::string path = TempPath("channels.png");
  ASSERT_TRUE(WritePng565(path, pixels.data(), static_cast<int32_t>(pixels.size()), 1));
  const Decoded d = ReadPng(path);
  ASSERT_TRUE(d.ok);
  ASSERT_EQ(d.width, pixels.size());
  ASSERT_EQ(d.height, 1u);
  for (size_t i = 0; i < std::size(rows); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(d.rgb[i * 3 + 0], rows[i].r);
    EXPECT_EQ(d.rgb[i * 3 + 1], rows[i].g);
    EXPECT_EQ(d.rgb[i * 3 + 2], rows[i].b);
  }
  std::remove(path.c_str());
}

TEST(ScreenshotTest, ScreenIsWrittenAsShownInTheSystemOrientation) {
  DeviceConfig c = DeviceConfig::WithPitchSigns(4, 6, 1, -1);
  c.systemOrientation = kSystemOrientation90;
  ASSERT_TRUE(TheDevice().Reset(c));
  TheDevice().SetScreenPixel(5, 0, 0xF800);  // top right corner as shown
  const std::string path = TempPath("screen.png");
  ASSERT_TRUE(WriteScreenPng(path));
  const Decoded d = ReadPng(path);
  ASSERT_TRUE(d.ok);
  EXPECT_EQ(d.width, 6u);
  EXPECT_EQ(d.height, 4u);
  EXPECT_EQ(d.rgb[5 * 3], 255);
  EXPECT_EQ(d.rgb[0], 0);
  std::remove(path.c_str());
  TheDevice().Reset(DeviceConfig{});
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
