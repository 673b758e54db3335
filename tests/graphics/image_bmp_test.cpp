// BMP decoding on files built here: every supported bit count, row padding,
// bottom-up and top-down rows, larger headers, run-length streams with deltas
// and literal runs, and each malformed file as a named case.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "image_support.h"

namespace abacine {
namespace {

using namespace image_test;

// ---- writing BMPs ----------------------------------------------------------------

struct Bmp {
  int32_t width = 0, height = 0;
  uint16_t bits = 24;
  uint32_t compression = 0;
  uint32_t colours = 0;  // the header's colour count
  uint32_t header_size = 40;
  std::vector<uint32_t> palette;  // 0xRRGGBB
  Bytes pixels;
  int64_t data_offset = -1;  // -1: right after the palette
};

void Put(Bytes* b, uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) b->push_back(static_cast<uint8_t>(v >> (8 * i)));
}

Bytes Encode(const Bmp& bmp) {
  const uint32_t offset = bmp.data_offset >= 0 ? static_cast<uint32_t>(bmp.data_offset)
                                               : 14 + bmp.header_size + 4 * static_cast<uint32_t>(bmp.palette.size());
  Bytes b = {'B', 'M'};
  for (uint32_t v : {offset + static_cast<uint32_t>(bmp.pixels.size()), 0u, offset, bmp.header_size,
                     static_cast<uint32_t>(bmp.width), static_cast<uint32_t>(bmp.height)}) {
    Put(&b, v, 4);
  }
  Put(&b, 1, 2), Put(&b, bmp.bits, 2);
  for (uint32_t v : {bmp.compression, static_cast<uint32_t>(bmp.pixels.size()), 2835u, 2835u, bmp.colours, 0u}) {
    Put(&b, v, 4);
  }
  b.resize(14 + bmp.header_size, 0x5C);  // larger headers: fields we do not read
  for (uint32_t c : bmp.palette) Put(&b, c, 4);  // blue, green, red, reserved
  if (bmp.data_offset >= 0) b.resize(std::max<size_t>(b.size(), offset));
  b.insert(b.end(), bmp.pixels.begin(), bmp.pixels.end());
  return b;
}

// Rows (top row first) stored bottom-up unless `top_down`, each padded to 4
// bytes: palette indexes packed at 1, 4 or 8 bits, or 0xRRGGBB colours as
// 24-bit blue, green, red.
Bytes Rows(const std::vector<std::vector<uint32_t>>& rows, int bits, bool top_down = false) {
  Bytes out;
  for (size_t k = 0; k < rows.size(); ++k) {
    const auto& row = rows[top_down ? k : rows.size() - 1 - k];
    Bytes packed;
    for (size_t i = 0; i < row.size(); ++i) {
      if (bits == 24) {
        Put(&packed, row[i], 3);
        continue;
      }
      const size_t per_byte = static_cast<size_t>(8 / bits);
      if (i % per_byte == 0) packed.push_back(0);
      packed.back() |= static_cast<uint8_t>(row[i] << (8 - bits * (1 + static_cast<int>(i % per_byte))));
    }
    packed.resize((packed.size() + 3) / 4 * 4, 0xEE);
    out.insert(out.end(), packed.begin(), packed.end());
  }
  return out;
}

uint16_t Pixel(uint32_t rgb) { return Rgb(rgb >> 16, (rgb >> 8) & 0xFF, rgb & 0xFF); }

const std::vector<uint32_t> kPalette16 = {0x000000, 0xFFFFFF, 0xFF0000, 0x00FF00, 0x0000FF, 0x123456,
                                          0x808080, 0x7F7F7F, 0x010203, 0xF8FCF8, 0x070307, 0x0F0F0F,
                                          0xABCDEF, 0x102030, 0x405060, 0x708090};

// Indexes through the palette, or colours when there is none.
std::vector<uint16_t> Expected(const std::vector<std::vector<uint32_t>>& values, const std::vector<uint32_t>& palette) {
  std::vector<uint16_t> out;
  for (const auto& row : values)
    for (uint32_t v : row) out.push_back(palette.empty() ? Pixel(v) : Pixel(palette[v]));
  return out;
}

// ---- uncompressed -----------------------------------------------------------------

TEST(ImageBmp, UncompressedBitCountsWidthsAndRowOrder) {
  Screen screen;
  struct Row { std::string what; Bmp bmp; std::vector<uint16_t> expected; };
  std::vector<Row> rows;
  // Widths around the byte and 4-byte row boundaries for each bit count.
  for (int bits : {1, 4, 8, 24}) {
    const uint32_t colours = bits == 1 ? 2 : 16;
    for (int width : {1, 2, 3, 4, 5, 8, 9, 17, 33}) {
      std::vector<std::vector<uint32_t>> values(3, std::vector<uint32_t>(static_cast<size_t>(width)));
      for (uint32_t y = 0; y < 3; ++y) {
        for (uint32_t x = 0; x < static_cast<uint32_t>(width); ++x) {
          values[y][x] = bits == 24 ? 0x10203 * (x + 1) + 0x400000u * y + 0x07 : (x * 7 + y * 3 + x / 3) % colours;
        }
      }
      for (bool top_down : {false, true}) {
        Bmp bmp;
        bmp.width = width, bmp.height = top_down ? -3 : 3, bmp.bits = static_cast<uint16_t>(bits);
        if (bits != 24) bmp.palette.assign(kPalette16.begin(), kPalette16.begin() + colours);
        bmp.colours = bits == 8 ? 16 : 0;  // 0: every index of the bit count
        bmp.pixels = Rows(values, bits, top_down);
        rows.push_back({std::to_string(bits) + " bits, width " + std::to_string(width) + (top_down ? ", top-down" : ""),
                        bmp, Expected(values, bmp.palette)});
      }
    }
  }
  Bmp bmp;
  bmp.width = 1, bmp.height = 1, bmp.pixels = {0x10, 0x80, 0xFF, 0};  // blue, green, red
  rows.push_back({"the documented pixel", bmp, {0xFC02}});
  bmp.height = 2, bmp.pixels = Rows({{0xFF0000}, {0x0000FF}}, 24);
  bmp.pixels.pop_back();  // the top row is stored last; drop its pad byte
  rows.push_back({"last row without its padding", bmp, {0xF800, 0x001F}});
  // A V5 header (124 bytes): the palette follows it, not byte 54.
  bmp = Bmp{4, 2, 8, 0, 8, 124, std::vector<uint32_t>(kPalette16.begin(), kPalette16.begin() + 8),
            Rows({{0, 1, 2, 3}, {4, 5, 6, 7}}, 8)};
  rows.push_back({"124-byte header", bmp, Expected({{0, 1, 2, 3}, {4, 5, 6, 7}}, bmp.palette)});
  // Pixel data at an offset with a gap after the palette.
  bmp = Bmp{3, 1, 1, 0, 0, 40, {0x00FF00, 0xFF00FF}, Rows({{1, 0, 1}}, 1), 14 + 40 + 8 + 6};
  rows.push_back({"gap before the pixels", bmp, Expected({{1, 0, 1}}, bmp.palette)});
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    Surface surface(&screen.context);
    ASSERT_EQ(Load(&surface, Encode(row.bmp)), kOk);
    EXPECT_EQ(surface.Width(), row.bmp.width);
    EXPECT_EQ(surface.Height(), std::abs(row.bmp.height));
    EXPECT_EQ(Logical(surface), row.expected);
    EXPECT_EQ(surface.Flags() & kSurfaceLocked, 0u);
  }
}

TEST(ImageBmp, PixelsFollowTheSurfaceLayoutAndFiveFiveFiveStaysCleared) {
  const std::vector<std::vector<uint32_t>> colours = {{0x112233, 0x445566, 0x778899}, {0xAABBCC, 0xDDEEFF, 0x102030}};
  const Bytes file = Encode(Bmp{3, 2, 24, 0, 0, 40, {}, Rows(colours, 24)});
  for (const uint32_t format : {kFormat565, kFormat555}) {
    for (const Turn& turn : kTurns) {
      SCOPED_TRACE(::testing::Message() << "format " << format << ", orientation " << turn.orientation);
      Screen screen(format, turn.orientation, turn.x_pitch, turn.y_pitch);
      Surface surface(&screen.context);
      ASSERT_EQ(Load(&surface, file), kOk);
      EXPECT_EQ(Logical(surface), format == kFormat555 ? std::vector<uint16_t>(6, 0) : Expected(colours, {}));
    }
  }
}

// ---- run-length ----------------------------------------------------------------------

// A picture in palette indexes, one hex digit a pixel, rows top first and
// separated by spaces; '.' is a pixel left cleared.
std::vector<uint16_t> Picture(std::string_view rows) {
  std::vector<uint16_t> out;
  for (char c : rows) {
    if (c != ' ') out.push_back(c == '.' ? 0 : Pixel(kPalette16[std::stoul(std::string(1, c), nullptr, 16)]));
  }
  return out;
}

// A 6 x 4 image drawn by run-length streams.
TEST(ImageBmp, RunLengthStreams) {
  Screen screen;
  struct Row { const char* what; bool rle4; Bytes stream; const char* expected; };
  const Row rows[] = {
      {"RLE8 runs and row ends", false,
       {3, 2, 3, 5, 0, 0,     // bottom row: 2 2 2 5 5 5
        6, 1, 0, 0,           // next row up: 1 x 6
        2, 4, 0, 0,           // 4 4 . . . .
        0, 0,                 // an empty row
        0, 1},
       "...... 44.... 111111 222555"},
      {"RLE8 literal runs of odd and even length", false,
       {0, 3, 7, 8, 9, 0,     // three literals, padded to four bytes
        0, 0,
        0, 4, 1, 2, 3, 4,     // four literals, no pad
        2, 15, 0, 1},
       "...... ...... 1234FF 789..."},
      {"RLE8 delta moves right and up", false,
       {1, 9,                 // (0, row 0)
        0, 2, 3, 2,           // right 3, up 2: (4, row 2)
        2, 10,                // (4..5, row 2)
        0, 1},
       "...... ....AA ...... 9....."},
      {"RLE8 end of image without row end", false, {6, 3, 0, 1}, "...... ...... ...... 333333"},
      {"RLE4 runs alternate the two nibbles", true,
       {5, 0x12, 0, 0,        // 1 2 1 2 1 .
        6, 0xF0, 0, 1},       // 15 0 15 0 15 0
       "...... ...... F0F0F0 12121."},
      {"RLE4 literal runs, odd nibble counts and padding", true,
       {0, 3, 0x34, 0x50,     // 3 4 5: two bytes, already even
        0, 0,
        0, 5, 0x67, 0x89, 0xA0, 0,  // 6 7 8 9 10: three bytes padded to four
        1, 0xB0, 0, 1},
       "...... ...... 6789AB 345..."},
      {"RLE4 delta", true, {0, 2, 5, 3, 1, 0xC0, 0, 1}, ".....C ...... ...... ......"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    Surface surface(&screen.context);
    const uint16_t bits = row.rle4 ? 4 : 8;
    ASSERT_EQ(Load(&surface, Encode(Bmp{6, 4, bits, row.rle4 ? 2u : 1u, 0, 40, kPalette16, row.stream})), kOk);
    EXPECT_EQ(Logical(surface), Picture(row.expected));
  }
}

// ---- refused files -------------------------------------------------------------------

TEST(ImageBmp, MalformedFilesAreRefused) {
  Screen screen;
  const Bmp good{4, 2, 8, 0, 4, 40, {0x000000, 0xFFFFFF, 0xFF0000, 0x0000FF}, Rows({{0, 1, 2, 3}, {3, 2, 1, 0}}, 8)};
  const Bytes good_file = Encode(good);
  auto cut = [&](size_t to) { return Bytes(good_file.begin(), good_file.begin() + static_cast<std::ptrdiff_t>(to)); };
  auto with = [&](auto change) {
    Bmp b = good;
    change(b);
    return Encode(b);
  };
  auto patched = [&](size_t at, std::vector<uint8_t> bytes) {
    Bytes f = good_file;
    std::copy(bytes.begin(), bytes.end(), f.begin() + static_cast<std::ptrdiff_t>(at));
    return f;
  };
  auto rle = [&](bool rle4, Bytes stream) {
    return with([&](Bmp& b) { b.width = 6, b.height = 4, b.bits = rle4 ? 4 : 8, b.compression = rle4 ? 2 : 1, b.pixels = stream; });
  };
  // created: the surface was made before the damage showed
  struct Row { const char* what; Bytes file; bool created; };
  const Row rows[] = {
      {"14 bytes: file header only", cut(14), false}, {"cut inside the information header", cut(53), false},
      {"data offset 0", patched(10, {0, 0, 0, 0}), false}, {"12-byte core header", patched(14, {12, 0, 0, 0}), false},
      {"width 0", with([](Bmp& b) { b.width = 0; }), false}, {"height 0", with([](Bmp& b) { b.height = 0; }), false},
      {"negative width", with([](Bmp& b) { b.width = -4; }), false},
      {"width 8193", with([](Bmp& b) { b.width = 8193; }), false},
      {"height 8193", with([](Bmp& b) { b.height = 8193; }), false},
      {"height -8193", with([](Bmp& b) { b.height = -8193; }), false},
      {"height of the most negative value", with([](Bmp& b) { b.height = INT32_MIN; }), false},
      {"width 2^31 - 1", with([](Bmp& b) { b.width = INT32_MAX; }), false},
      {"top-down run-length image", with([](Bmp& b) { b.height = -2, b.compression = 1, b.pixels = {4, 1, 0, 1}; }),
       false},
      {"16 bits", with([](Bmp& b) { b.bits = 16, b.palette.clear(), b.pixels = Bytes(16, 0); }), true},
      {"32 bits", with([](Bmp& b) { b.bits = 32, b.palette.clear(), b.pixels = Bytes(32, 0); }), true},
      {"2 bits", with([](Bmp& b) { b.bits = 2; }), true},
      {"bit-field compression", with([](Bmp& b) { b.compression = 3; }), true},
      {"embedded PNG", with([](Bmp& b) { b.compression = 5; }), true},
      {"RLE8 with 4 bits", with([](Bmp& b) { b.compression = 1, b.bits = 4; }), true},
      {"RLE4 with 8 bits", with([](Bmp& b) { b.compression = 2; }), true},
      // Rows the file does not hold are seen before the surface is made.
      {"pixel rows cut", cut(good_file.size() - 5), false},
      {"data offset past the end", patched(10, {0xFF, 0xFF, 0, 0}), false},
      {"8192 x 8192 promised by a 62-byte file", patched(18, {0, 0x20, 0, 0, 0, 0x20, 0, 0}), false},
      {"index at the colour count", with([](Bmp& b) { b.pixels[0] = 4; }), true},
      {"index 255 with four colours", with([](Bmp& b) { b.pixels[7] = 255; }), true},
      {"RLE8 without an end", rle(false, {2, 1, 0, 0, 3, 2}), true},
      {"RLE8 odd byte at the end", rle(false, {2, 1, 0}), true},
      {"RLE8 run past the row", rle(false, {7, 1, 0, 1}), true},
      {"RLE8 run after a delta past the row", rle(false, {0, 2, 5, 0, 2, 1, 0, 1}), true},
      {"RLE8 draws above the top row", rle(false, {0, 2, 0, 4, 1, 1, 0, 1}), true},
      {"RLE8 draws after four row ends", rle(false, {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 0, 1}), true},
      {"RLE8 literal run cut", rle(false, {0, 5, 1, 2}), true}, {"RLE8 delta cut", rle(false, {0, 2, 1}), true},
      {"RLE8 index outside the palette", rle(false, {2, 4, 0, 1}), true},
      {"RLE8 literal outside the palette", rle(false, {0, 3, 1, 2, 9, 0, 0, 1}), true},
      {"RLE4 nibble outside the palette", rle(true, {2, 0x15, 0, 1}), true},
      {"RLE4 literal nibbles past the row", rle(true, {0, 7, 0x11, 0x11, 0x11, 0x10, 0, 1}), true},
      {"RLE4 literal run cut", rle(true, {0, 5, 0x12}), true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    Surface surface(&screen.context);
    EXPECT_EQ(Load(&surface, row.file), kErrBadImageData);
    EXPECT_EQ(surface.Pixels() != nullptr, row.created);
    EXPECT_EQ(surface.Flags() & kSurfaceLocked, 0u);
  }
}

// An image is at most kMaxImagePixels (32 MiB of 5-6-5), however its sides
// are shaped, and run-length images too: a 20-byte stream may claim any
// size. Beyond the limit nothing is allocated.
TEST(ImageBmp, ImagesAboveThePixelLimitAreRefusedBeforeAnyAllocation) {
  Screen screen;
  static_assert(kMaxImagePixels == 8192 * 2048);
  struct Row { int32_t width, height; uint32_t compression; ResultCode code; };
  for (const Row& row : {Row{8192, 2048, 0, kOk}, Row{2048, -8192, 0, kOk}, Row{8192, 2049, 0, kErrBadImageData},
                         Row{4097, 4096, 0, kErrBadImageData}, Row{8192, 2048, 1, kOk},
                         Row{8192, 2049, 1, kErrBadImageData}, Row{8192, 8192, 2, kErrBadImageData}}) {
    SCOPED_TRACE(std::to_string(row.width) + "x" + std::to_string(row.height) + " compression " +
                 std::to_string(row.compression));
    const uint16_t bits = row.compression == 2 ? 4 : row.compression == 1 ? 8 : 1;
    const int64_t rows = row.height < 0 ? -int64_t{row.height} : row.height;
    const Bytes pixels = row.compression != 0 ? Bytes{2, 1, 0, 1}  // two pixels, then the end
                                              : Bytes(static_cast<size_t>((row.width + 31) / 32 * 4 * rows), 0x80);
    const Bmp bmp{row.width, row.height, bits, row.compression, 2, 40, {0x000000, 0xFFFFFF}, pixels};
    Surface surface(&screen.context);
    EXPECT_EQ(Load(&surface, Encode(bmp)), row.code);
    EXPECT_EQ(surface.Pixels() != nullptr, row.code == kOk);
    if (row.code == kOk) {
      EXPECT_EQ(PixelAt(surface, 0, static_cast<int32_t>(rows) - 1), 0xFFFF);
    }
  }
}

// The palette's bytes lie in the file or the index is refused, even when the
// header promises more colours: here the pixels overlap the only palette
// entry that exists.
TEST(ImageBmp, PaletteEntriesBeyondTheFileAreRefused) {
  Screen screen;
  for (const uint8_t index : {uint8_t{0}, uint8_t{1}}) {
    SCOPED_TRACE(index);
    // Pixel data at byte 54: entry 0 reads as blue, green, red = index.
    const Bmp bmp{4, 1, 8, 0, 1000, 40, {}, {index, index, index, 0}, 54};
    Surface surface(&screen.context);
    EXPECT_EQ(Load(&surface, Encode(bmp)), index == 0 ? kOk : kErrBadImageData);
  }
}

TEST(ImageBmp, DecodedPixelsBeforeTheDamageStay) {
  // A failed decode leaves what was already drawn; the rest stays cleared.
  Screen screen;
  Surface surface(&screen.context);
  const Bmp bmp{6, 4, 8, 1, 0, 40, {0x000000, 0xFFFFFF}, {6, 1, 0, 0, 2, 1}};  // no end of image
  ASSERT_EQ(Load(&surface, Encode(bmp)), kErrBadImageData);
  EXPECT_EQ(Logical(surface), Picture("...... ...... 11.... 111111"));
}

}  // namespace
}  // namespace abacine
