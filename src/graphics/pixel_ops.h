// Per-pixel arithmetic of the 5-6-5 format and the small operation types
// that pick the pixel loops. Each operation is a constexpr function of one
// pixel (or one 32-bit pair), so the loops in blit*.cpp, fill*.cpp and
// line*.cpp are plain templates over rows whose bodies the compiler can
// vectorise, and the tests can check the loops against these definitions.
//
// Blends: s is the source (or the fill/line colour), d the destination, w a
// weight 0..31 (opacity >> 3).
//   half:     ((s >> 1) & 0x7BEF) + ((d >> 1) & 0x7BEF)  (each channel loses its low bit)
//   weighted: per channel d + floor((s - d) * w / 32)
// The weighted blend of two pixels in one 32-bit word (the fields of each
// mask blended with a bias of 64 units a channel, taken off again) gives the
// per-channel result too: the biased products spill into neighbouring bits,
// but only outside the masks (s = 0x0000FFFF, d = 0xFFFF0000, w = 31 give
// 0x0020F7BE either way). The loops here blend single pixels and leave the
// width to the compiler's vector units (blit_kernels.cpp).
#pragma once

#include <cstdint>

namespace abacine {

namespace pixel {

inline constexpr uint16_t kRedBlueMask = 0xF81F;
inline constexpr uint16_t kGreenMask = 0x07E0;
inline constexpr uint16_t kHalfMask = 0x7BEF;
inline constexpr uint32_t kHalfMaskPair = 0x7BEF7BEF;

constexpr uint16_t BlendHalf565(uint16_t s, uint16_t d) {
  return static_cast<uint16_t>(((s >> 1) & kHalfMask) + ((d >> 1) & kHalfMask));
}

// Red and blue are blended in one signed product: the red difference sits
// 11 bits up, so the floor of the blue part can only borrow into bits 5..10,
// which the final mask drops. The same holds for green on its own.
constexpr uint16_t BlendWeighted565(uint16_t s, uint16_t d, int32_t w) {
  const int32_t drb = d & kRedBlueMask;
  const int32_t dg = d & kGreenMask;
  const int32_t rb = drb + (((s & kRedBlueMask) - drb) * w >> 5);
  const int32_t g = dg + (((s & kGreenMask) - dg) * w >> 5);
  return static_cast<uint16_t>((rb & kRedBlueMask) | (g & kGreenMask));
}

// Two pixels in one 32-bit word: both halves blended at once.
constexpr uint32_t BlendHalfPair(uint32_t s, uint32_t d) {
  return ((s >> 1) & kHalfMaskPair) + ((d >> 1) & kHalfMaskPair);
}

// Multiply by an effect colour 0x00BBGGRR: channel * colour channel >> 8.
constexpr uint16_t Multiply565(uint16_t s, uint32_t colour) {
  const uint32_t cr = colour & 0xFF;
  const uint32_t cg = (colour >> 8) & 0xFF;
  const uint32_t cb = (colour >> 16) & 0xFF;
  const uint32_t r = (cr * (s >> 11u)) >> 8;
  const uint32_t g = (cg * ((s >> 5u) & 0x3Fu)) >> 8;
  const uint32_t b = (cb * (s & 0x1Fu)) >> 8;
  return static_cast<uint16_t>((r << 11) | ((g << 5) & kGreenMask) | (b & 0x1F));
}

// Screen with an effect colour: 1 - (1 - s)(1 - c) on the channel scales.
constexpr uint16_t Screen565(uint16_t s, uint32_t colour) {
  const uint32_t cr = colour & 0xFF;
  const uint32_t cg = (colour >> 8) & 0xFF;
  const uint32_t cb = (colour >> 16) & 0xFF;
  const uint32_t sr = s >> 11u;
  const uint32_t sg = (s >> 5u) & 0x3Fu;
  const uint32_t sb = s & 0x1Fu;
  const uint32_t r = 31 - ((255 - 8 * sr) * (255 - cr)) / 2048;
  const uint32_t g = 63 - ((255 - 4 * sg) * (255 - cg)) / 1024;
  const uint32_t b = 31 - ((255 - 8 * sb) * (255 - cb)) / 2048;
  return static_cast<uint16_t>((r << 11) | (g << 5) | b);
}

}  // namespace pixel

// Operation types that select loops. They carry no data: a loop template is
// instantiated per combination, so the inner loops test nothing but the key.

// What is written: a source pixel or one fill colour.
struct CopyOp {
  static constexpr bool kFromSource = true;
};
struct FillColourOp {
  static constexpr bool kFromSource = false;
};

// Whether source pixels equal to the key are skipped.
struct KeyOp {
  static constexpr bool kKeyed = true;
  static constexpr bool Skip(uint16_t s, uint16_t key) { return s == key; }
};
struct NoKeyOp {
  static constexpr bool kKeyed = false;
  static constexpr bool Skip(uint16_t, uint16_t) { return false; }
};

// How the written pixel meets the destination.
struct NoOpacityOp {
  static constexpr bool kReadsDest = false;
  static constexpr uint16_t Apply(uint16_t s, uint16_t, int32_t) { return s; }
};
struct HalfBlendOp {
  static constexpr bool kReadsDest = true;
  static constexpr uint16_t Apply(uint16_t s, uint16_t d, int32_t) {
    return pixel::BlendHalf565(s, d);
  }
};
struct WeightedBlendOp {
  static constexpr bool kReadsDest = true;
  static constexpr uint16_t Apply(uint16_t s, uint16_t d, int32_t w) {
    return pixel::BlendWeighted565(s, d, w);
  }
};

// One instance of each operation type; the graphics context owns one. Only
// the types matter.
struct BlendLoopTable {
  CopyOp copy;
  FillColourOp fill_colour;
  KeyOp colour_key;
  NoKeyOp no_key;
  NoOpacityOp no_opacity;
  HalfBlendOp half_blend;
  WeightedBlendOp weighted_blend;
};

}  // namespace abacine
