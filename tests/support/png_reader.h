// Reading back the PNG files the programs write, and temporary file names
// for them.
#pragma once

#include <gtest/gtest.h>
#include <png.h>
#include <unistd.h>

#include <cstdint>
#include <string>
#include <vector>

namespace abacine::testing {

struct Image {
  bool ok = false;
  uint32_t width = 0, height = 0;
  std::vector<uint8_t> rgb;  // 8 bits a channel, row by row

  // Green channel of (x, y); the 5-6-5 screens keep the most of it.
  uint8_t Green(uint32_t x, uint32_t y) const { return rgb[(size_t{y} * width + x) * 3 + 1]; }
};

inline Image ReadPng(const std::string& path) {
  Image out;
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, path.c_str())) return out;
  image.format = PNG_FORMAT_RGB;
  out.rgb.resize(PNG_IMAGE_SIZE(image));
  out.ok = png_image_finish_read(&image, nullptr, out.rgb.data(), 0, nullptr) != 0;
  out.width = image.width;
  out.height = image.height;
  return out;
}

inline std::string TempPath(const std::string& name) {
  return ::testing::TempDir() + "abacine_" + std::to_string(getpid()) + "_" + name;
}

}  // namespace abacine::testing
