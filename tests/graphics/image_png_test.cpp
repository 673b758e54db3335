// PNG decoding, on images written with libpng here, compared pixel by pixel
// with the 5-6-5 values they must give; the load checks shared by every
// format; and loading through archive entries.
#include <gtest/gtest.h>
#include <png.h>
#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <fstream>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "archive_support.h"
#include "graphics/archive.h"
#include "image_support.h"

namespace abacine {
namespace {

using namespace image_test;

// ---- writing PNGs ----------------------------------------------------------------

struct Png {
  Png(int w, int h, int depth, int type) : width(w), height(h), bit_depth(depth), colour_type(type) {}
  int width, height, bit_depth, colour_type;
  bool interlaced = false;
  std::vector<png_color> palette;
  std::vector<uint8_t> palette_alpha;  // tRNS for palette images
  bool colour_key = false;             // tRNS for grey and RGB images
  png_color_16 key{0, 40, 50, 60, 40};  // index, red, green, blue, grey
  std::vector<Bytes> rows;              // packed as stored
};

void AppendBytes(png_structp png, png_bytep data, size_t length) {
  auto* out = static_cast<Bytes*>(png_get_io_ptr(png));
  out->insert(out->end(), data, data + length);
}

Bytes Encode(const Png& image) {
  Bytes out;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png)) != 0) {
    png_destroy_write_struct(&png, &info);
    ADD_FAILURE() << "libpng could not write the test image";
    return {};
  }
  png_set_write_fn(png, &out, AppendBytes, [](png_structp) {});
  png_set_IHDR(png, info, static_cast<png_uint_32>(image.width), static_cast<png_uint_32>(image.height),
               image.bit_depth, image.colour_type, image.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  if (!image.palette.empty()) png_set_PLTE(png, info, image.palette.data(), static_cast<int>(image.palette.size()));
  if (!image.palette_alpha.empty()) {
    png_set_tRNS(png, info, image.palette_alpha.data(), static_cast<int>(image.palette_alpha.size()), nullptr);
  }
  if (image.colour_key) png_set_tRNS(png, info, nullptr, 0, &image.key);
  png_write_info(png, info);
  const int passes = image.interlaced ? png_set_interlace_handling(png) : 1;
  for (int pass = 0; pass < passes; ++pass) {
    for (const Bytes& row : image.rows) png_write_row(png, row.data());
  }
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return out;
}

// Packs samples of the given depth, most significant first (16 bits big-endian).
Bytes Pack(const std::vector<uint32_t>& samples, int depth) {
  Bytes row;
  const size_t per_byte = depth >= 8 ? 1 : static_cast<size_t>(8 / depth);
  for (size_t i = 0; i < samples.size(); ++i) {
    if (depth == 16) row.push_back(static_cast<uint8_t>(samples[i] >> 8));
    if (i % per_byte == 0) row.push_back(0);
    row.back() |= static_cast<uint8_t>(depth >= 8 ? samples[i] & 0xFF
                                                  : samples[i] << (8 - depth * (1 + static_cast<int>(i % per_byte))));
  }
  return row;
}

// ---- decoding cases ------------------------------------------------------------

constexpr int kW = 7;  // odd, and not a multiple of the samples per byte
constexpr int kH = 3;

// An image and the pixels it must give in colour and in alpha mode.
// alpha: row by row
struct Case { std::string name; Png png; std::vector<uint16_t> colour, alpha; };

// Samples are random, or every level in turn for depths under 8. With
// `transparency`, every third pixel carries the transparent key colour.
Case MakeCase(int type, int depth, bool transparency = false) {
  Case c{"colour type " + std::to_string(type) + ", " + std::to_string(depth) + " bits" +
             (transparency ? ", transparent colour" : ""),
         Png{kW, kH, depth, type},
         {},
         {}};
  std::mt19937 rng(static_cast<uint32_t>(type * 100 + depth));
  const uint32_t max = (1u << depth) - 1;
  // Expansion to 8 bits: 16 bits keep the high byte, small depths repeat their bits.
  auto to8 = [&](uint32_t v) { return depth == 16 ? v >> 8 : v * 255 / max; };
  const bool palette = type == PNG_COLOR_TYPE_PALETTE, grey = (type & PNG_COLOR_MASK_COLOR) == 0;
  const size_t channels = (grey || palette ? 1 : 3) + ((type & PNG_COLOR_MASK_ALPHA) ? 1 : 0);
  if (palette) {
    for (uint32_t i = 0; i <= max; ++i) {
      c.png.palette.push_back({static_cast<png_byte>(i * 37 + 5), static_cast<png_byte>(255 - i * 11),
                               static_cast<png_byte>(i * 90)});
    }
    // Fewer alpha values than entries: the rest are opaque.
    for (uint32_t i = 0; i < max && i < 5; ++i) c.png.palette_alpha.push_back(static_cast<uint8_t>(i * 60));
  }
  c.png.colour_key = transparency;
  for (int y = 0; y < kH; ++y) {
    std::vector<uint32_t> samples;
    for (int x = 0; x < kW; ++x) {
      std::vector<uint32_t> s(channels);
      for (uint32_t& v : s) v = static_cast<uint32_t>(depth < 8 ? y * kW + x : rng()) & max;
      if (!grey && !palette && x == 0 && y == 0) {
        s[0] = max, s[1] = max / 2 + 1, s[2] = depth == 8 ? 0x10 : 0x1000;  // the documented 0xFC02
      }
      const bool keyed = transparency && (x + y) % 3 == 0;
      if (transparency) s[0] = keyed ? 40 : std::max(s[0], 41u);
      if (keyed && !grey) s[1] = 50, s[2] = 60;
      samples.insert(samples.end(), s.begin(), s.end());
      uint32_t r = to8(s[0]), g = r, b = r, a = channels % 2 == 0 ? to8(s.back()) : 255;
      if (palette) {
        const png_color& p = c.png.palette[s[0]];
        r = p.red, g = p.green, b = p.blue;
        a = s[0] < c.png.palette_alpha.size() ? c.png.palette_alpha[s[0]] : 255;
      } else if (!grey) {
        g = to8(s[1]), b = to8(s[2]);
      }
      c.colour.push_back(Rgb(r, g, b));
      c.alpha.push_back(Grey(keyed ? 0 : a));
    }
    c.png.rows.push_back(Pack(samples, depth));
  }
  return c;
}

std::vector<Case> AllCases() {
  std::vector<Case> cases;
  for (int depth : {8, 16}) {
    for (int type : {PNG_COLOR_TYPE_RGB, PNG_COLOR_TYPE_RGB_ALPHA, PNG_COLOR_TYPE_GRAY_ALPHA})
      cases.push_back(MakeCase(type, depth));
  }
  for (int depth : {1, 2, 4, 8, 16}) cases.push_back(MakeCase(PNG_COLOR_TYPE_GRAY, depth));
  for (int depth : {1, 2, 4, 8}) cases.push_back(MakeCase(PNG_COLOR_TYPE_PALETTE, depth));
  cases.push_back(MakeCase(PNG_COLOR_TYPE_GRAY, 8, true));
  cases.push_back(MakeCase(PNG_COLOR_TYPE_RGB, 8, true));
  return cases;
}

TEST(ImagePng, DecodesEveryColourTypeAndDepth) {
  Screen screen;
  for (const Case& c : AllCases()) {
    SCOPED_TRACE(c.name);
    const Bytes png = Encode(c.png);
    for (uint32_t flags : {0u, kLoadAlphaAsGrey}) {
      SCOPED_TRACE(flags == 0 ? "colour mode" : "alpha mode");
      Surface surface(&screen.context);
      ASSERT_EQ(Load(&surface, png, flags), kOk);
      ASSERT_EQ(surface.Width(), kW);
      ASSERT_EQ(surface.Height(), kH);
      EXPECT_EQ(surface.Flags() & kSurfaceLocked, 0u);
      EXPECT_EQ(Logical(surface), flags == 0 ? c.colour : c.alpha);
    }
  }
}

TEST(ImagePng, PixelsFollowTheSurfaceLayoutAndFiveFiveFiveStaysCleared) {
  const Case c = MakeCase(PNG_COLOR_TYPE_RGB_ALPHA, 8);
  const Bytes png = Encode(c.png);
  for (const uint32_t format : {kFormat565, kFormat555}) {
    for (const Turn& turn : kTurns) {
      SCOPED_TRACE(::testing::Message() << "format " << format << ", orientation " << turn.orientation);
      Screen screen(format, turn.orientation, turn.x_pitch, turn.y_pitch);
      for (uint32_t flags : {0u, kLoadAlphaAsGrey}) {
        Surface surface(&screen.context);
        ASSERT_EQ(Load(&surface, png, flags), kOk);
        EXPECT_EQ(Logical(surface), format == kFormat555 ? std::vector<uint16_t>(kW * kH, 0)
                                    : flags == 0          ? c.colour
                                                          : c.alpha);
      }
    }
  }
}

TEST(ImagePng, LargestSideIsAcceptedAndOneMoreRefusedBeforeAnyAllocation) {
  Screen screen;
  struct Row { int width, height; ResultCode code; };
  static_assert(kMaxImagePixels == 8192 * 2048);
  for (const Row& row : {Row{8192, 1, kOk}, Row{1, 8192, kOk}, Row{8193, 1, kErrBadImageData},
                         Row{1, 8193, kErrBadImageData}, Row{1000000, 1, kErrBadImageData},
                         Row{8192, 2048, kOk}, Row{2048, 8192, kOk}, Row{8192, 2049, kErrBadImageData},
                         Row{4097, 4096, kErrBadImageData}}) {
    SCOPED_TRACE(std::to_string(row.width) + "x" + std::to_string(row.height));
    Png image{row.width, row.height, 1, PNG_COLOR_TYPE_GRAY};
    image.rows.assign(static_cast<size_t>(row.height), Bytes(static_cast<size_t>((row.width + 7) / 8), 0xAA));
    Surface surface(&screen.context);
    EXPECT_EQ(Load(&surface, Encode(image)), row.code);
    EXPECT_EQ(surface.Width(), row.code == kOk ? row.width : 0);
    if (row.code == kOk) {  // 0xAA: white, black, ...
      EXPECT_EQ(PixelAt(surface, 0, 0), 0xFFFF);
      EXPECT_EQ(PixelAt(surface, row.width > 1 ? 1 : 0, row.width > 1 ? 0 : 1), row.width > 1 ? 0 : 0xFFFF);
    }
  }
}

// Damaged files fail with kErrBadImageData and never leave the surface locked.
TEST(ImagePng, DamagedFilesFailCleanly) {
  Screen screen;
  std::mt19937 rng(3);
  Png image{64, 64, 8, PNG_COLOR_TYPE_RGB};
  for (int y = 0; y < 64; ++y) {
    Bytes row(64 * 3);
    for (auto& b : row) b = static_cast<uint8_t>(rng());  // noise: a long IDAT
    image.rows.push_back(row);
  }
  const Bytes good = Encode(image);
  const size_t idat = static_cast<size_t>(std::search(good.begin(), good.end(), "IDAT", "IDAT" + 4) - good.begin());
  auto cut = [&](size_t n) { return Bytes(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(n)); };
  auto flip = [&](size_t at) {
    Bytes b = good;
    b[at] ^= 0x40;
    return b;
  };
  Case interlaced = MakeCase(PNG_COLOR_TYPE_RGB, 8);
  interlaced.png.interlaced = true;
  // created: whether the failure comes after the surface is made
  struct Row { const char* what; Bytes bytes; ResultCode code; bool created; };
  // A header claiming more rows than the data could inflate to, even at
  // deflate's best ratio (1032 to 1): 7 x 8192 from a 7 x 3 file.
  Bytes tall = Encode(MakeCase(PNG_COLOR_TYPE_RGB, 8).png);
  tall[20] = 0, tall[21] = 0, tall[22] = 0x20, tall[23] = 0;
  const uLong tall_crc = crc32(0, tall.data() + 12, 17);
  for (int i = 0; i < 4; ++i) tall[29 + i] = static_cast<uint8_t>(tall_crc >> (24 - 8 * i));
  const Row rows[] = {
      {"interlaced", Encode(interlaced.png), kErrBadImageData, false},
      {"more rows than the data can hold", tall, kErrBadImageData, false},
      {"signature only", cut(8), kErrBadImageData, false},
      {"cut inside the header chunk", cut(20), kErrBadImageData, false},
      {"cut after the header chunk", cut(33), kErrBadImageData, false},
      {"cut inside the image data", cut(good.size() / 2), kErrBadImageData, true},
      {"cut before the last data byte", cut(good.size() - 13), kErrBadImageData, true},
      {"image data checksum wrong", flip(idat + 100), kErrBadImageData, true},
      {"header checksum wrong", flip(29), kErrBadImageData, false},
      {"bit depth 3", [&] {
         Bytes b = good;
         b[24] = 3;
         const uLong crc = crc32(0, b.data() + 12, 17);
         for (int i = 0; i < 4; ++i) b[29 + i] = static_cast<uint8_t>(crc >> (24 - 8 * i));
         return b;
       }(), kErrBadImageData, false},
      {"end chunk missing: not needed", cut(good.size() - 12), kOk, true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    Surface surface(&screen.context);
    EXPECT_EQ(Load(&surface, row.bytes), row.code);
    EXPECT_EQ(surface.Flags() & kSurfaceLocked, 0u);
    EXPECT_EQ(surface.Pixels() != nullptr, row.created);
    if (row.created) {
      EXPECT_EQ(surface.Width(), 64);
      PixelDescription d;
      EXPECT_EQ(surface.LockPixels(&d), kOk);  // not left locked
      EXPECT_EQ(surface.UnlockPixels(), kOk);
    }
  }
}

// ---- chunks the decoder has no use for ---------------------------------------------

Bytes Chunk(const char* type, const Bytes& data) {
  Bytes out;
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(data.size() >> shift));
  out.insert(out.end(), type, type + 4);
  out.insert(out.end(), data.begin(), data.end());
  const uLong crc = crc32(crc32(0, reinterpret_cast<const Bytef*>(type), 4), data.data(),
                          static_cast<uInt>(data.size()));
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(crc >> shift));
  return out;
}

// How much more memory than before `work` this process held at its peak,
// in KiB; -1 when the kernel does not let the peak be reset.
long PeakGrowthKb(const std::function<void()>& work) {
  auto status = [](const char* field) {
    std::ifstream in("/proc/self/status");
    std::string line;
    while (std::getline(in, line)) {
      if (line.rfind(field, 0) == 0) return std::stol(line.substr(std::strlen(field)));
    }
    return -1L;
  };
  if (!(std::ofstream("/proc/self/clear_refs") << "5" << std::flush)) return -1;
  const long before = status("VmRSS:");
  work();
  const long peak = status("VmHWM:");
  return before < 0 || peak < 0 ? -1 : peak - before;
}

// A chunk header may announce up to 2 GiB of text, palette suggestions or
// profile that the file does not hold: the decoder must not make room for
// it, only skip it, and so fail at once at the end of the data.
TEST(ImagePng, AncillaryChunksAreSkippedWithoutMakingRoomForThem) {
  Screen screen;
  const Bytes header = {137, 80, 78, 71, 13, 10, 26, 10};
  const Bytes ihdr = Chunk("IHDR", {0, 0, 0, 4, 0, 0, 0, 3, 8, PNG_COLOR_TYPE_RGB, 0, 0, 0});
  for (const char* type : {"tEXt", "zTXt", "iTXt", "sPLT", "iCCP", "eXIf", "pCAL", "sCAL", "hIST", "prVt"}) {
    SCOPED_TRACE(type);
    Bytes bytes = header;
    bytes.insert(bytes.end(), ihdr.begin(), ihdr.end());
    bytes.insert(bytes.end(), {0x7F, 0xFF, 0xFF, 0xFF});
    bytes.insert(bytes.end(), type, type + 4);
    bytes.insert(bytes.end(), {'a', 0, 'b'});
    Surface surface(&screen.context);
    ResultCode code = kOk;
    const auto begun = std::chrono::steady_clock::now();
    const long grownKb = PeakGrowthKb([&] { code = Load(&surface, bytes); });
    const auto took = std::chrono::steady_clock::now() - begun;
    EXPECT_EQ(code, kErrBadImageData);
    EXPECT_EQ(surface.Pixels(), nullptr);
    EXPECT_LT(took, std::chrono::milliseconds(10));
    if (grownKb >= 0) {
      EXPECT_LT(grownKb, 8 * 1024);
    }
  }

  // Sound ancillary chunks change nothing; the transparency chunk still counts.
  Case c = MakeCase(PNG_COLOR_TYPE_RGB, 8, true);
  const Bytes plain = Encode(c.png);
  Bytes decorated(plain.begin(), plain.begin() + 33);  // signature and IHDR
  const std::string text = "Comment\0made by hand";
  for (const Bytes& chunk : {Chunk("tEXt", Bytes(text.begin(), text.end())), Chunk("gAMA", {0, 0, 0xB1, 0x8F}),
                             Chunk("pHYs", {0, 0, 0x0B, 0x13, 0, 0, 0x0B, 0x13, 1}),
                             Chunk("sBIT", {1, 1, 1}), Chunk("tIME", {0x07, 0xE8, 1, 2, 3, 4, 5})}) {
    decorated.insert(decorated.end(), chunk.begin(), chunk.end());
  }
  decorated.insert(decorated.end(), plain.begin() + 33, plain.end());
  for (const uint32_t flags : {0u, kLoadAlphaAsGrey}) {
    Surface surface(&screen.context);
    ASSERT_EQ(Load(&surface, decorated, flags), kOk);
    EXPECT_EQ(Logical(surface), flags == 0 ? c.colour : c.alpha);
  }
}

// ---- checks shared by every format ---------------------------------------------

TEST(ImageLoad, ArgumentsAndSurfaceStateAreCheckedFirst) {
  const Bytes png = Encode(MakeCase(PNG_COLOR_TYPE_RGB, 8).png), junk = {'j', 'u', 'n', 'k'};
  Screen screen;
  Surface surface(&screen.context);
  EXPECT_EQ(LoadFromMemory(nullptr, 0, png.data(), static_cast<uint32_t>(png.size())), kErrInvalidArg);
  EXPECT_EQ(LoadFromMemory(&surface, 0, nullptr, static_cast<uint32_t>(png.size())), kErrInvalidArg);
  EXPECT_EQ(LoadFromMemory(&surface, 0, png.data(), 0), kErrInvalidArg);
  // Each state check comes before the format is looked at.
  screen.context.State()->open = 0;
  EXPECT_EQ(Load(&surface, png), kErrWrongDisplayState);
  EXPECT_EQ(Load(&surface, junk), kErrWrongDisplayState);
  screen.context.State()->open = 1;
  ASSERT_EQ(surface.Create(0, 4, 4), kOk);
  PixelDescription d;
  ASSERT_EQ(surface.LockPixels(&d), kOk);
  EXPECT_EQ(Load(&surface, png), kErrLocked);
  EXPECT_EQ(Load(&surface, junk), kErrLocked);
  ASSERT_EQ(surface.UnlockPixels(), kOk);
  Surface display(&screen.context);
  display.SetKind(kSurfaceDisplay);
  EXPECT_EQ(Load(&display, png), kErrDisplaySurface);
  EXPECT_EQ(Load(&display, junk), kErrDisplaySurface);
  // Flags the surface cannot be created with pass Create's own code through.
  EXPECT_EQ(Load(&surface, png, 0x10000), kErrInvalidArg);
}

TEST(ImageLoad, OtherFormatsHaveNoDecoder) {
  Screen screen;
  struct Row { const char* what; Bytes bytes; };
  const Row rows[] = {
      {"7 bytes starting BM", {'B', 'M', 1, 2, 3, 4, 5}},
      {"13 bytes starting BM", {'B', 'M', 0x36, 0, 0, 0, 0, 0, 0, 0, 0x36, 0, 0}},
      {"GIF", {'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0, 0, 0}},
      {"JPEG", {0xFF, 0xD8, 0xFF, 0xE0, 0, 16, 'J', 'F', 'I', 'F', 0}},
      {"PNG signature cut to 7 bytes", {137, 80, 78, 71, 13, 10, 26}}, {"one byte", {0}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    Surface surface(&screen.context);
    EXPECT_EQ(Load(&surface, row.bytes), kErrBadImageData);
    EXPECT_EQ(surface.Pixels(), nullptr);
  }
}

// ---- through the archive ---------------------------------------------------------

class ImageArchiveTest : public ::testing::Test {
 protected:
  void SetUp() override {
    using namespace archive_test;
    const Bytes archive = Serialize(Dir("/", {File("stored.png", png_), File("empty", ""),
                                              Compressed("text.txt", std::string(100, 't')),
                                              Compressed("packed.png", png_)}));
    path_ = dir_.Write("images.vfs", archive);
    Bytes damaged = archive;
    damaged[damaged.size() - 20] ^= 0xFF;  // packed.png's stream is last
    damaged_path_ = dir_.Write("damaged.vfs", damaged);
    ASSERT_EQ(archive_.OpenArchive(path_.c_str()), kOk);
  }
  const Case case_ = MakeCase(PNG_COLOR_TYPE_RGB_ALPHA, 8);
  const Bytes png_ = Encode(case_.png);
  archive_test::TempDir dir_;
  Screen screen_;
  Archive archive_;
  std::string path_, damaged_path_;
};

TEST_F(ImageArchiveTest, LoadsStoredAndCompressedEntries) {
  for (const char16_t* name : {u"/stored.png", u"/packed.png"}) {
    Surface surface(&screen_.context);
    ASSERT_EQ(LoadFromArchive(&surface, 0, &archive_, name), kOk);
    EXPECT_EQ(Logical(surface), case_.colour);
    EXPECT_EQ(archive_.OpenEntryCount(), 0u);  // the entry was closed again
  }
  // An entry already partly read is rewound first, also after its stream ended.
  ArchiveEntry entry;
  ASSERT_EQ(entry.OpenEntry(&archive_, u"/packed.png"), kOk);
  uint8_t head[10];
  uint32_t count = 10;
  ASSERT_EQ(entry.ReadEntry(head, &count), kOk);
  Surface surface(&screen_.context);
  ASSERT_EQ(LoadFromEntry(&surface, kLoadAlphaAsGrey, &entry), kOk);
  EXPECT_EQ(Logical(surface), case_.alpha);
  ASSERT_EQ(LoadFromEntry(&surface, 0, &entry), kOk);
  EXPECT_EQ(Logical(surface), case_.colour);
}

TEST_F(ImageArchiveTest, FailuresPassTheirCodesThrough) {
  Surface surface(&screen_.context);
  ArchiveEntry closed;
  EXPECT_EQ(LoadFromEntry(&surface, 0, nullptr), kErrInvalidArg);
  EXPECT_EQ(LoadFromEntry(nullptr, 0, &closed), kErrInvalidArg);
  EXPECT_EQ(LoadFromEntry(&surface, 0, &closed), kErrEntryNotOpen);
  EXPECT_EQ(LoadFromArchive(&surface, 0, nullptr, u"/stored.png"), kErrInvalidArg);
  EXPECT_EQ(LoadFromArchive(&surface, 0, &archive_, nullptr), kErrInvalidArg);
  EXPECT_EQ(LoadFromArchive(&surface, 0, &archive_, u"/missing.png"), kErrEntryNotFound);
  EXPECT_EQ(LoadFromArchive(&surface, 0, &archive_, u"/empty"), kErrInvalidArg);  // no bytes
  EXPECT_EQ(LoadFromArchive(&surface, 0, &archive_, u"/text.txt"), kErrBadImageData);
  screen_.context.State()->open = 0;
  EXPECT_EQ(LoadFromArchive(&surface, 0, &archive_, u"/missing.png"), kErrWrongDisplayState);
  screen_.context.State()->open = 1;
  Archive closed_archive;
  EXPECT_EQ(LoadFromArchive(&surface, 0, &closed_archive, u"/stored.png"), kErrArchiveNotOpen);
  Archive damaged;
  ASSERT_EQ(damaged.OpenArchive(damaged_path_.c_str()), kOk);
  EXPECT_EQ(LoadFromArchive(&surface, 0, &damaged, u"/packed.png"), kErrCompressedDataCorrupt);
  EXPECT_EQ(damaged.OpenEntryCount(), 0u);
  EXPECT_EQ(LoadFromArchive(&surface, 0, &damaged, u"/stored.png"), kOk);
  EXPECT_EQ(archive_.OpenEntryCount(), 0u);
}

}  // namespace
}  // namespace abacine
