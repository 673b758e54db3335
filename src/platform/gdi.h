// Stand-in for the handheld's GDI bitmap sections and memory device contexts.
// A bitmap section here is a plain, zeroed, top-down buffer of 16-bit pixels
// described by the usual bitmap-info header (size 40, negative height for
// top-down rows, 1 plane, 16 bits, bit-field compression with three masks);
// a device context is a small object that has at most one bitmap selected.
// Handles are opaque pointers; every call accepts a null or foreign-looking
// handle and fails cleanly instead of crashing. Nothing here draws into a
// window: whoever shows the screen reads the selected bitmap of a context
// (SelectedBitmap) and presents its pixels. Single-threaded, like the rest of
// the graphics layer.
#pragma once

#include <cstdint>

namespace abacine::platform {

inline constexpr uint32_t kBitmapInfoHeaderSize = 40;
inline constexpr uint32_t kCompressionRgb = 0;        // 16-bit: 5-5-5
inline constexpr uint32_t kCompressionBitfields = 3;  // masks follow the header
inline constexpr uint32_t kRasterSourceCopy = 0x00CC0020;

// Largest bitmap the stand-in makes, in pixels (a 4096 x 4096 section).
inline constexpr int64_t kMaxBitmapPixels = int64_t{4096} * 4096;

// The fields of the bitmap-info header that a 16-bit section uses (the
// resolution and palette counts of the full header have no use here). `size`
// still carries the full header's size, as callers fill it.
struct BitmapInfoHeader {
  uint32_t size = kBitmapInfoHeaderSize;
  int32_t width = 0;
  int32_t height = 0;  // negative: rows run top-down
  uint16_t planes = 1;
  uint16_t bit_count = 16;
  uint32_t compression = kCompressionBitfields;
  uint32_t image_size = 0;
};

// The colour masks (red, green, blue) of the two 16-bit bit-field formats.
inline constexpr uint32_t kMasks565[3] = {0xF800, 0x07E0, 0x001F};
inline constexpr uint32_t kMasks555[3] = {0x7C00, 0x03E0, 0x001F};

// Header plus the three colour masks of bit-field bitmaps.
struct BitmapInfo {
  BitmapInfoHeader header;
  uint32_t masks[3] = {kMasks565[0], kMasks565[1], kMasks565[2]};
};

// The description of a top-down 16-bit bit-field section of width x rows
// pixels (rows padded to 4 bytes) in 5-6-5 or, with five_five_five, 5-5-5.
BitmapInfo TopDownSectionInfo(int32_t width, int32_t rows, bool five_five_five);

class GdiBitmap;
class DeviceContext;
using BitmapHandle = GdiBitmap*;
using DcHandle = DeviceContext*;

// Makes a bitmap section. Accepted: header size 40, width > 0, height < 0
// (top-down), 1 plane, 16 bits, compression 3 or 0, at most kMaxBitmapPixels.
// The pixels start zeroed; rows are width * 2 bytes rounded up to 4 bytes.
// Returns null (and bits stays untouched) on any other header or when memory
// runs out; *bits receives the pixel pointer when bits is not null.
BitmapHandle CreateDibSection(const BitmapInfo* info, void** bits);

// Deletes a bitmap. Fails (false) for null and for a bitmap that is still
// selected into a device context, as GDI does.
bool DeleteBitmap(BitmapHandle bitmap);

// Makes a memory device context. The reference context (null: the screen)
// only decides compatibility, which is always given here.
DcHandle CreateCompatibleDc(DcHandle reference);

// Selects bitmap into dc and returns the bitmap selected before (null when
// none, or when dc or bitmap is null: then nothing changes). A bitmap can be
// selected into one context at a time; selecting it into a second fails.
BitmapHandle SelectBitmap(DcHandle dc, BitmapHandle bitmap);

// Deletes a device context; its bitmap stays alive and becomes unselected.
bool DeleteDc(DcHandle dc);

BitmapHandle SelectedBitmap(DcHandle dc);

// Plain block copy between the bitmaps selected into two contexts, clipped
// to both bitmaps. Only kRasterSourceCopy is supported. False when a context
// has no bitmap or the operation is not supported.
bool BitBlt(DcHandle dest, int32_t x, int32_t y, int32_t width, int32_t height,
            DcHandle source, int32_t source_x, int32_t source_y, uint32_t rop);

// Bitmap facts; zero / null for a null handle.
int32_t BitmapWidth(BitmapHandle bitmap);
int32_t BitmapHeight(BitmapHandle bitmap);  // number of rows, positive
int32_t BitmapStrideBytes(BitmapHandle bitmap);
uint16_t* BitmapBits(BitmapHandle bitmap);
const BitmapInfo* BitmapInfoOf(BitmapHandle bitmap);

// Test hooks: the next `count` creations of that kind fail as if memory ran
// out; the live counts let tests find leaks.
void FailNextBitmapsForTesting(int count);
void FailNextDcsForTesting(int count);
int LiveBitmapCount();
int LiveDcCount();

}  // namespace abacine::platform
