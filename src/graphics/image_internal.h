// Shared pieces of the PNG and BMP decoders (not part of the public interface).
#pragma once

#include <cstdint>

#include "graphics/result_codes.h"

namespace abacine {

class Surface;

namespace image_detail {

// Both decoders: bytes already known to carry the format's signature.
ResultCode DecodePng(Surface* surface, uint32_t flags, const uint8_t* data, uint32_t size);
ResultCode DecodeBmp(Surface* surface, uint32_t flags, const uint8_t* data, uint32_t size);

// False on a 5-5-5 display: the decoders then leave the cleared surface as it is.
bool WritesPixels(const Surface& surface);

constexpr uint16_t Rgb565(uint32_t r, uint32_t g, uint32_t b) {
  return static_cast<uint16_t>(((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3));
}

// Alpha as a grey level: red and blue A >> 3, green A >> 2.
constexpr uint16_t AlphaGrey565(uint32_t a) {
  return static_cast<uint16_t>(((a >> 2) << 5) + (a >> 3) * 2049);
}

// Logical pixel (x, y) of a locked surface, from the pitches LockPixels gives.
inline uint16_t* PixelAt(uint16_t* origin, int32_t x_pitch, int32_t y_pitch, int32_t x, int32_t y) {
  return reinterpret_cast<uint16_t*>(reinterpret_cast<uint8_t*>(origin) +
                                     static_cast<intptr_t>(x) * x_pitch +
                                     static_cast<intptr_t>(y) * y_pitch);
}

}  // namespace image_detail
}  // namespace abacine
