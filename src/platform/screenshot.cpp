// PNG screenshots of the simulated screen.
#include <png.h>

#include <cstdio>
#include <vector>

#include "platform/platform.h"

namespace abacine::platform {
namespace {

constexpr int32_t kMaxPngSide = 16384;

// Kept free of C++ objects: libpng reports errors by longjmp.
bool WriteRgbRows(FILE* file, png_bytep* rows, png_uint_32 width, png_uint_32 height) {
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  if (png == nullptr) return false;
  png_infop info = png_create_info_struct(png);
  if (info == nullptr) {
    png_destroy_write_struct(&png, nullptr);
    return false;
  }
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return false;
  }
  png_init_io(png, file);
  png_set_IHDR(png, info, width, height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  png_write_image(png, rows);
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return true;
}

}  // namespace

bool WritePng565(const std::string& path, const uint16_t* pixels, int32_t width, int32_t height) {
  if (path.empty() || pixels == nullptr || width < 1 || height < 1 || width > kMaxPngSide ||
      height > kMaxPngSide) {
    return false;
  }
  const size_t w = static_cast<size_t>(width);
  const size_t h = static_cast<size_t>(height);
  std::vector<png_byte> rgb(w * h * 3);
  for (size_t i = 0; i < w * h; ++i) {
    const unsigned p = pixels[i];
    const unsigned r = (p >> 11) & 0x1F, g = (p >> 5) & 0x3F, b = p & 0x1F;
    // Widen by repeating the top bits, so that full intensity stays 255.
    rgb[i * 3 + 0] = static_cast<png_byte>((r << 3) | (r >> 2));
    rgb[i * 3 + 1] = static_cast<png_byte>((g << 2) | (g >> 4));
    rgb[i * 3 + 2] = static_cast<png_byte>((b << 3) | (b >> 2));
  }
  std::vector<png_bytep> rows(h);
  for (size_t y = 0; y < h; ++y) rows[y] = rgb.data() + y * w * 3;

  const std::string temp = path + ".part";
  FILE* file = std::fopen(temp.c_str(), "wb");
  if (file == nullptr) return false;
  bool ok = WriteRgbRows(file, rows.data(), static_cast<png_uint_32>(width),
                         static_cast<png_uint_32>(height));
  ok = (std::fflush(file) == 0) && ok;
  ok = (std::fclose(file) == 0) && ok;
  if (!ok || std::rename(temp.c_str(), path.c_str()) != 0) {
    std::remove(temp.c_str());
    return false;
  }
  return true;
}

bool WriteScreenPng(const std::string& path) {
  const Device& device = TheDevice();
  const std::vector<uint16_t> pixels = device.ScreenPixels();
  return WritePng565(path, pixels.data(), device.ScreenWidth(), device.ScreenHeight());
}

}  // namespace abacine::platform
