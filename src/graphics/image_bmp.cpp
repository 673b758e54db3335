// BMP: a 14-byte file header and an information header of at least 40 bytes
// (the larger V4 and V5 headers share its first 40 bytes; the palette follows
// whichever header is present). Uncompressed 1, 4, 8 and 24 bits per pixel,
// bottom-up or top-down, and bottom-up RLE8 and RLE4. Every read is checked
// against the data size: running out of data, a palette index outside the
// palette, or a run that leaves the image is kErrBadImageData.
#include <array>
#include <cstdint>

#include "graphics/image_decoder.h"
#include "graphics/image_internal.h"
#include "graphics/surface.h"

namespace abacine::image_detail {

namespace {

constexpr uint32_t kFileHeaderSize = 14;
constexpr uint32_t kMinInfoHeaderSize = 40;
constexpr uint32_t kBiRgb = 0;
constexpr uint32_t kBiRle8 = 1;
constexpr uint32_t kBiRle4 = 2;

class Bytes {
 public:
  Bytes(const uint8_t* data, uint32_t size) : data_(data), size_(size) {}
  bool Has(uint64_t offset, uint64_t count) const { return offset + count <= size_; }
  uint8_t U8(uint64_t offset) const { return data_[offset]; }
  uint16_t U16(uint64_t offset) const { return static_cast<uint16_t>(data_[offset] | (data_[offset + 1] << 8)); }
  uint32_t U32(uint64_t offset) const {
    return static_cast<uint32_t>(U16(offset)) | (static_cast<uint32_t>(U16(offset + 2)) << 16);
  }
  const uint8_t* At(uint64_t offset) const { return data_ + offset; }
  uint32_t Size() const { return size_; }

 private:
  const uint8_t* data_;
  uint32_t size_;
};

// The palette as pixels, with the indexes that exist: those below the colour
// count whose four bytes lie inside the data.
struct Palette {
  std::array<uint16_t, 256> pixel{};
  uint32_t count = 0;  // entries usable, 0..256

  bool Lookup(uint32_t index, uint16_t* out) const {
    if (index >= count) return false;
    *out = pixel[index];
    return true;
  }
};

Palette ReadPalette(const Bytes& bytes, uint64_t offset, uint32_t colours) {
  Palette palette;
  const uint32_t wanted = colours < 256 ? colours : 256;
  while (palette.count < wanted && bytes.Has(offset + uint64_t{palette.count} * 4, 4)) {
    const uint64_t entry = offset + uint64_t{palette.count} * 4;
    palette.pixel[palette.count] = Rgb565(bytes.U8(entry + 2), bytes.U8(entry + 1), bytes.U8(entry));
    ++palette.count;
  }
  return palette;
}

struct Target {
  PixelDescription pixels;
  bool write;
  void Put(int32_t x, int32_t y, uint16_t value) const {
    if (write) *PixelAt(pixels.pixels, pixels.x_pitch, pixels.y_pitch, x, y) = value;
  }
};

// Uncompressed rows: from one row to the next (padded to 4 bytes), and the
// bytes of a row's pixels. The last row may lack its padding.
struct RowSize {
  uint64_t stride;
  uint64_t pixels;
};
RowSize RowSizeOf(int32_t width, uint32_t bits) {
  const uint64_t row_bits = uint64_t{static_cast<uint32_t>(width)} * bits;
  return {(row_bits + 31) / 32 * 4, (row_bits + 7) / 8};
}

// Whether the pixels of every row lie inside the data.
bool RowsInData(const Bytes& bytes, uint64_t data_offset, int32_t width, int32_t height, uint32_t bits) {
  const RowSize size = RowSizeOf(width, bits);
  return bytes.Has(data_offset + size.stride * static_cast<uint32_t>(height - 1), size.pixels);
}

ResultCode DecodeUncompressed(const Bytes& bytes, uint64_t data_offset, int32_t width, int32_t height,
                              bool top_down, uint32_t bits, const Palette& palette,
                              const Target& target) {
  const RowSize size = RowSizeOf(width, bits);
  for (int32_t r = 0; r < height; ++r) {
    const uint64_t row = data_offset + size.stride * static_cast<uint32_t>(r);
    if (!bytes.Has(row, size.pixels)) return kErrBadImageData;
    const uint8_t* p = bytes.At(row);
    const int32_t y = top_down ? r : height - 1 - r;
    for (int32_t x = 0; x < width; ++x) {
      uint16_t value = 0;
      if (bits == 24) {
        value = Rgb565(p[x * 3 + 2], p[x * 3 + 1], p[x * 3]);
      } else {
        uint32_t index = 0;
        if (bits == 8) {
          index = p[x];
        } else if (bits == 4) {
          index = (x & 1) == 0 ? p[x >> 1] >> 4 : p[x >> 1] & 15u;
        } else {
          index = (p[x >> 3] >> (7 - (x & 7))) & 1u;
        }
        if (!palette.Lookup(index, &value)) return kErrBadImageData;
      }
      target.Put(x, y, value);
    }
  }
  return kOk;
}

// Run-length streams: (n > 0, v) draws n pixels, (0, 0) ends a row, (0, 1)
// ends the image, (0, 2, dx, dy) moves, (0, n >= 3) gives n literal indexes
// padded to an even byte count. Stream row r is image row height - 1 - r.
ResultCode DecodeRle(const Bytes& bytes, uint64_t offset, int32_t width, int32_t height, bool rle4,
                     const Palette& palette, const Target& target) {
  int64_t x = 0;
  int64_t r = 0;
  // Draws one palette index at the cursor; pixels outside the image are
  // damage, not something to wrap or clip silently.
  auto draw = [&](uint32_t index) {
    uint16_t value = 0;
    if (x >= width || r >= height || !palette.Lookup(index, &value)) return false;
    target.Put(static_cast<int32_t>(x), static_cast<int32_t>(height - 1 - r), value);
    ++x;
    return true;
  };
  while (true) {
    if (!bytes.Has(offset, 2)) return kErrBadImageData;
    const uint32_t first = bytes.U8(offset);
    const uint32_t second = bytes.U8(offset + 1);
    offset += 2;
    if (first > 0) {
      for (uint32_t i = 0; i < first; ++i) {
        const uint32_t index = !rle4 ? second : (i & 1) == 0 ? second >> 4 : second & 15u;
        if (!draw(index)) return kErrBadImageData;
      }
      continue;
    }
    if (second == 0) {
      x = 0;
      ++r;
    } else if (second == 1) {
      return kOk;
    } else if (second == 2) {
      if (!bytes.Has(offset, 2)) return kErrBadImageData;
      x += bytes.U8(offset);
      r += bytes.U8(offset + 1);
      offset += 2;
    } else {
      const uint64_t literal_bytes = rle4 ? (second + 1) / 2 : second;
      if (!bytes.Has(offset, literal_bytes)) return kErrBadImageData;
      for (uint32_t i = 0; i < second; ++i) {
        const uint32_t b = bytes.U8(offset + (rle4 ? i / 2 : i));
        const uint32_t index = !rle4 ? b : (i & 1) == 0 ? b >> 4 : b & 15u;
        if (!draw(index)) return kErrBadImageData;
      }
      offset += literal_bytes + (literal_bytes & 1);
    }
  }
}

}  // namespace

ResultCode DecodeBmp(Surface* surface, uint32_t flags, const uint8_t* data, uint32_t size) {
  const Bytes bytes(data, size);
  if (!bytes.Has(0, kFileHeaderSize + kMinInfoHeaderSize)) return kErrBadImageData;
  const uint32_t data_offset = bytes.U32(10);
  if (data_offset == 0) return kErrBadImageData;
  const uint32_t info_size = bytes.U32(14);
  if (info_size < kMinInfoHeaderSize) return kErrBadImageData;
  const auto width = static_cast<int32_t>(bytes.U32(18));
  const auto stored_height = static_cast<int32_t>(bytes.U32(22));
  const uint32_t bits = bytes.U16(28);
  const uint32_t compression = bytes.U32(30);
  uint32_t colours = bytes.U32(46);

  // Negative heights mean rows stored top-down; zero or oversized sides, or
  // a top-down run-length image (the format has none), are refused before
  // the surface is made.
  const bool top_down = stored_height < 0;
  const int64_t height64 = top_down ? -int64_t{stored_height} : stored_height;
  if (width <= 0 || width > kMaxImageSide || height64 == 0 || height64 > kMaxImageSide) {
    return kErrBadImageData;
  }
  const auto height = static_cast<int32_t>(height64);
  const bool rle = compression == kBiRle8 || compression == kBiRle4;
  if (rle && top_down) return kErrBadImageData;
  if (int64_t{width} * height > kMaxImagePixels) return kErrBadImageData;
  // Rows the file does not hold are refused before the surface is made: a
  // header alone must not cost an image's memory.
  if (compression == kBiRgb && !RowsInData(bytes, data_offset, width, height, bits)) return kErrBadImageData;

  ResultCode code = surface->Create(flags | kSurfaceClear, width, height);
  if (Failed(code)) return code;
  Target target{};
  code = surface->LockPixels(&target.pixels);
  if (Failed(code)) return code;
  target.write = WritesPixels(*surface);

  if (colours == 0 && bits <= 8) colours = 1u << bits;
  // Known bit counts only, and each run-length form with the bit count it is
  // made for; anything else (16 and 32 bits, bit fields, embedded JPEG or
  // PNG) is not decoded.
  const bool supported = (compression == kBiRgb && (bits == 1 || bits == 4 || bits == 8 || bits == 24)) ||
                         (compression == kBiRle8 && bits == 8) || (compression == kBiRle4 && bits == 4);
  if (!supported) {
    surface->UnlockPixels();
    return kErrBadImageData;
  }
  const Palette palette =
      bits <= 8 ? ReadPalette(bytes, uint64_t{kFileHeaderSize} + info_size, colours) : Palette{};
  code = rle ? DecodeRle(bytes, data_offset, width, height, compression == kBiRle4, palette, target)
             : DecodeUncompressed(bytes, data_offset, width, height, top_down, bits, palette, target);
  const ResultCode unlocked = surface->UnlockPixels();
  return Failed(code) ? code : unlocked;
}

}  // namespace abacine::image_detail
