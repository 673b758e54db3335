// PNG screenshots of the simulated screen.
#include <png.h>

#include <new>
#include <string_view>
#include <vector>

#include "platform/atomic_file.h"
#include "platform/platform.h"

namespace abacine::platform {
namespace {

constexpr int32_t kMaxPngSide = 16384;

// No exception may cross libpng's C frames: running out of memory becomes
// libpng's own error, raised once the handler is left.
void AppendBytes(png_structp png, png_bytep data, size_t length) {
  auto* out = static_cast<std::vector<char>*>(png_get_io_ptr(png));
  bool grown = true;
  try {
    out->insert(out->end(), data, data + length);
  } catch (const std::bad_alloc&) {
    grown = false;
  }
  if (!grown) png_error(png, "out of memory");
}

void NoFlush(png_structp) {}

// Kept free of C++ objects: libpng reports errors by longjmp.
bool EncodeRgbRows(std::vector<char>* out, png_bytep* rows, png_uint_32 width, png_uint_32 height) {
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
  png_set_write_fn(png, out, AppendBytes, NoFlush);
  png_set_IHDR(png, info, width, height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  png_write_image(png, rows);
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return true;
}

}  // namespace

bool WritePng565(const std::string& path, const uint16_t* pixels, int32_t width, int32_t height,
                 std::string* error) {
  if (path.empty() || pixels == nullptr || width < 1 || height < 1 || width > kMaxPngSide ||
      height > kMaxPngSide) {
    if (error != nullptr) *error = (path.empty() ? "(empty path)" : path) + ": no image to write";
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

  std::vector<char> png;
  if (!EncodeRgbRows(&png, rows.data(), static_cast<png_uint_32>(width), static_cast<png_uint_32>(height))) {
    if (error != nullptr) *error = path + ": the image could not be encoded";
    return false;
  }
  return WriteFileAtomically(path, std::string_view(png.data(), png.size()), error);
}

bool WriteScreenPng(const std::string& path, std::string* error) {
  const Device& device = TheDevice();
  const std::vector<uint16_t> pixels = device.ScreenPixels();
  return WritePng565(path, pixels.data(), device.ScreenWidth(), device.ScreenHeight(), error);
}

}  // namespace abacine::platform
