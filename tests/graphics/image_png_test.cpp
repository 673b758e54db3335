// PNG decoding, on images written with libpng here, compared pixel by pixel
// with the 5-6-5 values they must give; the load checks shared by every
// format; and loading through archive entries.
#include <gtest/gtest.h>
#include <png.h>
#include <unistd.h>
#include <zlib.h>

#include <csetjmp>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "graphics/archive.h"
#include "graphics/graphics_context.h"
#include "graphics/image_decoder.h"
#include "graphics/surface.h"

namespace abacine {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

// ---- a display to decode for --------------------------------------------------

struct Screen {
  explicit Screen(uint32_t format = kFormat565, int32_t orientation = 1, int32_t x_pitch = 2,
                  int32_t y_pitch = 960) {
    DisplayState* s = context.State();
    s->open = 1;
    s->properties = DisplayProperties{480, 640, x_pitch, y_pitch, 16, format | kFormatDirectAccess};
    s->current_orientation = s->requested_orientation = orientation;
  }
  GraphicsContext context;
};

uint16_t PixelAt(const Surface& s, int32_t x, int32_t y) {
  const SurfaceLayout& l = s.Layout();
  return s.Pixels()[l.origin + int64_t{x} * l.x_step + int64_t{y} * l.y_step];
}

// 5-6-5 by truncation, and alpha as grey (red and blue A >> 3, green A >> 2).
constexpr uint16_t Rgb(uint32_t r, uint32_t g, uint32_t b) {
  return static_cast<uint16_t>((r >> 3) << 11 | (g >> 2) << 5 | (b >> 3));
}
constexpr uint16_t Grey(uint32_t a) { return static_cast<uint16_t>((a >> 3) << 11 | (a >> 2) << 5 | (a >> 3)); }

static_assert(Rgb(0xFF, 0x80, 0x10) == 0xFC02);
static_assert(Grey(0xFF) == 0xFFFF && Grey(0x80) == 0x8410 && Grey(8) == 0x0841 && Grey(7) == 0x0020);

// ---- writing PNGs ----------------------------------------------------------------

struct Png {
  int width = 0;
  int height = 0;
  int bit_depth = 8;
  int colour_type = PNG_COLOR_TYPE_RGB;
  bool interlaced = false;
  std::vector<png_color> palette;
  std::vector<uint8_t> palette_alpha;  // tRNS for palette images
  bool colour_key = false;             // tRNS for grey and RGB images
  png_color_16 key{};
  std::vector<Bytes> rows;  // packed as stored
};

Png Header(int width, int height, int bit_depth, int colour_type) {
  Png png;
  png.width = width;
  png.height = height;
  png.bit_depth = bit_depth;
  png.colour_type = colour_type;
  return png;
}

void AppendBytes(png_structp png, png_bytep data, size_t length) {
  auto* out = static_cast<Bytes*>(png_get_io_ptr(png));
  out->insert(out->end(), data, data + length);
}
void NoFlush(png_structp) {}

Bytes Encode(const Png& image) {
  Bytes out;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png)) != 0) {
    png_destroy_write_struct(&png, &info);
    ADD_FAILURE() << "libpng could not write the test image";
    return {};
  }
  png_set_write_fn(png, &out, AppendBytes, NoFlush);
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
  if (depth >= 8) {
    for (uint32_t s : samples) {
      if (depth == 16) row.push_back(static_cast<uint8_t>(s >> 8));
      row.push_back(static_cast<uint8_t>(s));
    }
    return row;
  }
  const int per_byte = 8 / depth;
  for (size_t i = 0; i < samples.size(); ++i) {
    if (i % per_byte == 0) row.push_back(0);
    row.back() |= static_cast<uint8_t>(samples[i] << (8 - depth * (1 + static_cast<int>(i % per_byte))));
  }
  return row;
}

// ---- decoding cases ------------------------------------------------------------

// An image and the pixels it must give in colour and in alpha mode.
struct Case {
  std::string name;
  Png png;
  std::vector<uint16_t> colour;  // row by row
  std::vector<uint16_t> alpha;
};

constexpr int kW = 7;  // odd, and not a multiple of the samples per byte
constexpr int kH = 3;

Case RgbCase(int depth, bool with_alpha) {
  std::mt19937 engine(static_cast<uint32_t>(depth * 10 + with_alpha));
  auto rng = [&engine] { return static_cast<uint32_t>(engine()); };
  Case c;
  c.name = std::string(with_alpha ? "RGBA " : "RGB ") + std::to_string(depth) + " bits";
  c.png = Header(kW, kH, depth, with_alpha ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB);
  const uint32_t max = (1u << depth) - 1;
  for (int y = 0; y < kH; ++y) {
    std::vector<uint32_t> samples;
    for (int x = 0; x < kW; ++x) {
      uint32_t r = rng() & max, g = rng() & max, b = rng() & max, a = rng() & max;
      if (y == 0 && x == 0) r = max, g = max / 2 + 1, b = depth == 8 ? 0x10 : 0x1000, a = max;
      samples.insert(samples.end(), {r, g, b});
      if (with_alpha) samples.push_back(a);
      const int shift = depth - 8;  // 16-bit samples keep their high byte
      c.colour.push_back(Rgb(r >> shift, g >> shift, b >> shift));
      c.alpha.push_back(Grey(with_alpha ? a >> shift : 255));
    }
    c.png.rows.push_back(Pack(samples, depth));
  }
  return c;
}

Case GreyCase(int depth, bool with_alpha) {
  std::mt19937 engine(static_cast<uint32_t>(depth));
  auto rng = [&engine] { return static_cast<uint32_t>(engine()); };
  Case c;
  c.name = std::string(with_alpha ? "grey+alpha " : "grey ") + std::to_string(depth) + " bits";
  c.png = Header(kW, kH, depth, with_alpha ? PNG_COLOR_TYPE_GRAY_ALPHA : PNG_COLOR_TYPE_GRAY);
  const uint32_t max = (1u << depth) - 1;
  for (int y = 0; y < kH; ++y) {
    std::vector<uint32_t> samples;
    for (int x = 0; x < kW; ++x) {
      // Every level appears for the small depths.
      const uint32_t v = depth <= 4 ? static_cast<uint32_t>(y * kW + x) & max : rng() & max;
      const uint32_t a = rng() & max;
      samples.push_back(v);
      if (with_alpha) samples.push_back(a);
      // Expansion to 8 bits repeats the bits: 1 -> 0/255, 2 -> v * 85, 4 -> v * 17.
      const uint32_t v8 = depth == 16 ? v >> 8 : v * 255 / max;
      c.colour.push_back(Rgb(v8, v8, v8));
      c.alpha.push_back(Grey(with_alpha ? (depth == 16 ? a >> 8 : a) : 255));
    }
    c.png.rows.push_back(Pack(samples, depth));
  }
  return c;
}

Case PaletteCase(int depth) {
  Case c;
  c.name = "palette " + std::to_string(depth) + " bits with transparency";
  c.png = Header(kW, kH, depth, PNG_COLOR_TYPE_PALETTE);
  const int entries = 1 << depth;
  for (int i = 0; i < entries; ++i) {
    c.png.palette.push_back({static_cast<png_byte>(i * 37 + 5), static_cast<png_byte>(255 - i * 11),
                             static_cast<png_byte>(i * 90)});
  }
  // Fewer alpha values than entries: the rest are opaque.
  for (int i = 0; i < entries - 1 && i < 5; ++i) c.png.palette_alpha.push_back(static_cast<uint8_t>(i * 60));
  for (int y = 0; y < kH; ++y) {
    std::vector<uint32_t> samples;
    for (int x = 0; x < kW; ++x) {
      const auto index = static_cast<uint32_t>((y * kW + x) % entries);
      samples.push_back(index);
      const png_color& p = c.png.palette[index];
      c.colour.push_back(Rgb(p.red, p.green, p.blue));
      c.alpha.push_back(Grey(index < c.png.palette_alpha.size() ? c.png.palette_alpha[index] : 255));
    }
    c.png.rows.push_back(Pack(samples, depth));
  }
  return c;
}

Case ColourKeyCase(bool grey) {
  Case c;
  c.name = grey ? "grey with a transparent level" : "RGB with a transparent colour";
  c.png = Header(kW, kH, 8, grey ? PNG_COLOR_TYPE_GRAY : PNG_COLOR_TYPE_RGB);
  c.png.colour_key = true;
  c.png.key.gray = 40;
  c.png.key.red = 40, c.png.key.green = 50, c.png.key.blue = 60;
  for (int y = 0; y < kH; ++y) {
    std::vector<uint32_t> samples;
    for (int x = 0; x < kW; ++x) {
      const bool keyed = (x + y) % 3 == 0;
      const uint32_t v = keyed ? 40 : static_cast<uint32_t>(100 + x);
      if (grey) {
        samples.push_back(v);
        c.colour.push_back(Rgb(v, v, v));
      } else {
        const uint32_t g = keyed ? 50 : v, b = keyed ? 60 : v;
        samples.insert(samples.end(), {v, g, b});
        c.colour.push_back(Rgb(v, g, b));
      }
      c.alpha.push_back(keyed ? 0 : 0xFFFF);
    }
    c.png.rows.push_back(Pack(samples, 8));
  }
  return c;
}

std::vector<Case> AllCases() {
  std::vector<Case> cases;
  for (int depth : {8, 16}) {
    cases.push_back(RgbCase(depth, false));
    cases.push_back(RgbCase(depth, true));
  }
  for (int depth : {1, 2, 4, 8, 16}) cases.push_back(GreyCase(depth, false));
  for (int depth : {8, 16}) cases.push_back(GreyCase(depth, true));
  for (int depth : {1, 2, 4, 8}) cases.push_back(PaletteCase(depth));
  cases.push_back(ColourKeyCase(true));
  cases.push_back(ColourKeyCase(false));
  return cases;
}

std::vector<uint16_t> Logical(const Surface& s) {
  std::vector<uint16_t> out;
  for (int32_t y = 0; y < s.Height(); ++y)
    for (int32_t x = 0; x < s.Width(); ++x) out.push_back(PixelAt(s, x, y));
  return out;
}

TEST(ImagePng, DecodesEveryColourTypeAndDepth) {
  Screen screen;
  for (const Case& c : AllCases()) {
    SCOPED_TRACE(c.name);
    const Bytes png = Encode(c.png);
    for (uint32_t flags : {0u, kLoadAlphaAsGrey}) {
      SCOPED_TRACE(flags == 0 ? "colour mode" : "alpha mode");
      Surface surface(&screen.context);
      ASSERT_EQ(LoadFromMemory(&surface, flags, png.data(), static_cast<uint32_t>(png.size())), kOk);
      ASSERT_EQ(surface.Width(), kW);
      ASSERT_EQ(surface.Height(), kH);
      EXPECT_EQ(surface.Flags() & kSurfaceLocked, 0u);
      EXPECT_EQ(Logical(surface), flags == 0 ? c.colour : c.alpha);
    }
  }
}

TEST(ImagePng, PixelsFollowTheSurfaceLayout) {
  // A quarter-turned display with a negative pitch: logical pixels must still
  // land where the layout puts them.
  const Case c = RgbCase(8, false);
  const Bytes png = Encode(c.png);
  struct Row {
    int32_t orientation, x_pitch, y_pitch;
  };
  for (const Row& row : {Row{2, 640, -2}, Row{4, -640, 2}, Row{8, -2, -960}, Row{1, 2, 960}}) {
    SCOPED_TRACE(row.orientation);
    Screen screen(kFormat565, row.orientation, row.x_pitch, row.y_pitch);
    Surface surface(&screen.context);
    ASSERT_EQ(LoadFromMemory(&surface, 0, png.data(), static_cast<uint32_t>(png.size())), kOk);
    EXPECT_EQ(Logical(surface), c.colour);
  }
}

TEST(ImagePng, LargestSideIsAcceptedAndOneMoreRefusedBeforeAnyAllocation) {
  Screen screen;
  struct Row {
    int width, height;
    ResultCode code;
  };
  for (const Row& row : {Row{8192, 1, kOk}, Row{1, 8192, kOk}, Row{8193, 1, kErrBadImageData},
                         Row{1, 8193, kErrBadImageData}, Row{1000000, 1, kErrBadImageData}}) {
    SCOPED_TRACE(std::to_string(row.width) + "x" + std::to_string(row.height));
    Png image = Header(row.width, row.height, 1, PNG_COLOR_TYPE_GRAY);
    image.rows.assign(static_cast<size_t>(row.height), Bytes(static_cast<size_t>((row.width + 7) / 8), 0xAA));
    const Bytes png = Encode(image);
    Surface surface(&screen.context);
    EXPECT_EQ(LoadFromMemory(&surface, 0, png.data(), static_cast<uint32_t>(png.size())), row.code);
    EXPECT_EQ(surface.Width(), row.code == kOk ? row.width : 0);
    if (row.code == kOk) {
      EXPECT_EQ(PixelAt(surface, 0, 0), 0xFFFF);  // 0xAA: bit 7 set
      EXPECT_EQ(PixelAt(surface, row.width > 1 ? 1 : 0, row.width > 1 ? 0 : 1), row.width > 1 ? 0 : 0xFFFF);
    }
  }
}

TEST(ImagePng, InterlacedImageIsRefused) {
  Screen screen;
  Case c = RgbCase(8, false);
  c.png.interlaced = true;
  const Bytes png = Encode(c.png);
  Surface surface(&screen.context);
  EXPECT_EQ(LoadFromMemory(&surface, 0, png.data(), static_cast<uint32_t>(png.size())), kErrBadImageData);
  EXPECT_EQ(surface.Pixels(), nullptr);
}

// Damaged files fail with kErrBadImageData and never leave the surface locked.
TEST(ImagePng, DamagedFilesFailCleanly) {
  Screen screen;
  std::mt19937 engine(3);
  auto rng = [&engine] { return static_cast<uint32_t>(engine()); };
  Png image = Header(64, 64, 8, PNG_COLOR_TYPE_RGB);
  for (int y = 0; y < 64; ++y) {
    Bytes row(64 * 3);
    for (auto& b : row) b = static_cast<uint8_t>(rng());  // noise: a long IDAT
    image.rows.push_back(row);
  }
  const Bytes good = Encode(image);
  const size_t idat = static_cast<size_t>(std::search(good.begin(), good.end(), "IDAT", "IDAT" + 4) - good.begin());
  struct Row {
    const char* what;
    Bytes bytes;
    ResultCode code;
    bool created;  // whether the failure comes after the surface is made
  };
  auto cut = [&](size_t n) { return Bytes(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(n)); };
  auto flip = [&](size_t at) {
    Bytes b = good;
    b[at] ^= 0x40;
    return b;
  };
  const Row rows[] = {
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
    EXPECT_EQ(LoadFromMemory(&surface, 0, row.bytes.data(), static_cast<uint32_t>(row.bytes.size())), row.code);
    EXPECT_EQ(surface.Flags() & kSurfaceLocked, 0u);
    EXPECT_EQ(surface.Width(), row.created ? 64 : 0);
    if (row.created) {
      PixelDescription d;
      EXPECT_EQ(surface.LockPixels(&d), kOk);  // not left locked
      EXPECT_EQ(surface.UnlockPixels(), kOk);
    }
  }
}

TEST(ImagePng, FiveFiveFiveDisplayLeavesTheSurfaceCleared) {
  Screen screen(kFormat555);
  const Case c = RgbCase(8, true);
  const Bytes png = Encode(c.png);
  for (uint32_t flags : {0u, kLoadAlphaAsGrey}) {
    Surface surface(&screen.context);
    ASSERT_EQ(LoadFromMemory(&surface, flags, png.data(), static_cast<uint32_t>(png.size())), kOk);
    EXPECT_EQ(Logical(surface), std::vector<uint16_t>(kW * kH, 0));
  }
}

// ---- checks shared by every format ---------------------------------------------

TEST(ImageLoad, ArgumentsAndSurfaceStateAreCheckedFirst) {
  const Bytes png = Encode(RgbCase(8, false).png);
  const auto size = static_cast<uint32_t>(png.size());
  Screen screen;
  Surface surface(&screen.context);
  EXPECT_EQ(LoadFromMemory(nullptr, 0, png.data(), size), kErrInvalidArg);
  EXPECT_EQ(LoadFromMemory(&surface, 0, nullptr, size), kErrInvalidArg);
  EXPECT_EQ(LoadFromMemory(&surface, 0, png.data(), 0), kErrInvalidArg);

  screen.context.State()->open = 0;
  EXPECT_EQ(LoadFromMemory(&surface, 0, png.data(), size), kErrWrongDisplayState);
  EXPECT_EQ(LoadFromMemory(&surface, 0, "junk", 4), kErrWrongDisplayState);  // before the format
  screen.context.State()->open = 1;

  ASSERT_EQ(surface.Create(0, 4, 4), kOk);
  PixelDescription d;
  ASSERT_EQ(surface.LockPixels(&d), kOk);
  EXPECT_EQ(LoadFromMemory(&surface, 0, png.data(), size), kErrLocked);
  EXPECT_EQ(LoadFromMemory(&surface, 0, "junk", 4), kErrLocked);  // checked before the format
  ASSERT_EQ(surface.UnlockPixels(), kOk);

  Surface display(&screen.context);
  display.SetKind(kSurfaceDisplay);
  EXPECT_EQ(LoadFromMemory(&display, 0, png.data(), size), kErrDisplaySurface);
  EXPECT_EQ(LoadFromMemory(&display, 0, "junk", 4), kErrDisplaySurface);

  // Flags the surface cannot be created with pass Create's own code through.
  EXPECT_EQ(LoadFromMemory(&surface, 0x10000, png.data(), size), kErrInvalidArg);
}

TEST(ImageLoad, OtherFormatsHaveNoDecoder) {
  Screen screen;
  struct Row {
    const char* what;
    Bytes bytes;
  };
  const Row rows[] = {
      {"7 bytes starting BM", {'B', 'M', 1, 2, 3, 4, 5}},
      {"13 bytes starting BM", {'B', 'M', 0x36, 0, 0, 0, 0, 0, 0, 0, 0x36, 0, 0}},
      {"GIF", {'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0, 0, 0}},
      {"JPEG", {0xFF, 0xD8, 0xFF, 0xE0, 0, 16, 'J', 'F', 'I', 'F', 0}},
      {"PNG signature cut to 7 bytes", {137, 80, 78, 71, 13, 10, 26}},
      {"one byte", {0}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    Surface surface(&screen.context);
    EXPECT_EQ(LoadFromMemory(&surface, 0, row.bytes.data(), static_cast<uint32_t>(row.bytes.size())),
              kErrBadImageData);
    EXPECT_EQ(surface.Pixels(), nullptr);
  }
}

// ---- through the archive ---------------------------------------------------------

// A flat archive, root "/", each file stored or zlib-compressed.
struct Packed {
  std::string name;
  Bytes data;
  bool compress;
};

Bytes MakeArchive(const std::vector<Packed>& files) {
  Bytes b = {'G', 'D', 'v', 'f', 1, 0, 0, 0, 0, 0, 0, 0};
  auto put16 = [&](uint32_t v) { b.push_back(static_cast<uint8_t>(v)), b.push_back(static_cast<uint8_t>(v >> 8)); };
  auto put32 = [&](uint32_t v) { put16(v & 0xFFFF), put16(v >> 16); };
  auto set32 = [&](size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
  };
  put16(static_cast<uint32_t>(files.size()));
  b.push_back(1), b.push_back('/');
  std::vector<Bytes> stored;
  std::vector<size_t> offset_fields;
  for (const Packed& f : files) {
    Bytes data = f.data;
    if (f.compress) {
      uLongf n = compressBound(static_cast<uLong>(data.size()));
      data.resize(n);
      compress2(data.data(), &n, f.data.data(), static_cast<uLong>(f.data.size()), 9);
      data.resize(n);
    }
    put16(0xFFFF);
    b.push_back(static_cast<uint8_t>(f.name.size()));
    b.insert(b.end(), f.name.begin(), f.name.end());
    if ((1 + f.name.size()) % 2 == 1) b.push_back(0);
    put32(static_cast<uint32_t>(f.data.size()));
    put32(f.compress ? static_cast<uint32_t>(data.size()) : 0);
    offset_fields.push_back(b.size());
    put32(0);
    stored.push_back(data);
  }
  set32(8, static_cast<uint32_t>(b.size()));
  for (size_t i = 0; i < stored.size(); ++i) {
    set32(offset_fields[i], static_cast<uint32_t>(b.size()));
    b.insert(b.end(), stored[i].begin(), stored[i].end());
  }
  return b;
}

class ImageArchiveTest : public ::testing::Test {
 protected:
  void SetUp() override {
    png_ = Encode(RgbCase(8, true).png);
    std::vector<Packed> files = {{"stored.png", png_, false},
                                 {"empty", {}, false},
                                 {"text.txt", Bytes(100, 't'), true},
                                 {"packed.png", png_, true}};
    const Bytes archive = MakeArchive(files);
    path_ = "/tmp/image_archive_test_" + std::to_string(getpid()) + ".vfs";
    std::ofstream(path_, std::ios::binary)
        .write(reinterpret_cast<const char*>(archive.data()), static_cast<std::streamsize>(archive.size()));
    // The same archive with the compressed image's stream damaged.
    Bytes damaged = archive;
    damaged[damaged.size() - 20] ^= 0xFF;  // packed.png's stream is last
    damaged_path_ = path_ + ".damaged";
    std::ofstream(damaged_path_, std::ios::binary)
        .write(reinterpret_cast<const char*>(damaged.data()), static_cast<std::streamsize>(damaged.size()));
    ASSERT_EQ(archive_.OpenArchive(path_.c_str()), kOk);
  }
  void TearDown() override {
    archive_.CloseArchive();
    fs::remove(path_);
    fs::remove(damaged_path_);
  }
  Screen screen_;
  Archive archive_;
  Bytes png_;
  std::string path_;
  std::string damaged_path_;
};

TEST_F(ImageArchiveTest, LoadsStoredAndCompressedEntries) {
  const Case c = RgbCase(8, true);
  for (const char16_t* name : {u"/stored.png", u"/packed.png"}) {
    Surface surface(&screen_.context);
    ASSERT_EQ(LoadFromArchive(&surface, 0, &archive_, name), kOk);
    EXPECT_EQ(Logical(surface), c.colour);
    EXPECT_EQ(archive_.OpenEntryCount(), 0u);  // the entry was closed again
  }
}

TEST_F(ImageArchiveTest, LoadFromEntryRewindsAPartlyReadEntry) {
  const Case c = RgbCase(8, true);
  ArchiveEntry entry;
  ASSERT_EQ(entry.OpenEntry(&archive_, u"/packed.png"), kOk);
  uint8_t head[10];
  uint32_t count = 10;
  ASSERT_EQ(entry.ReadEntry(head, &count), kOk);
  Surface surface(&screen_.context);
  ASSERT_EQ(LoadFromEntry(&surface, kLoadAlphaAsGrey, &entry), kOk);
  EXPECT_EQ(Logical(surface), c.alpha);
  // And again, now that the stream has ended.
  ASSERT_EQ(LoadFromEntry(&surface, 0, &entry), kOk);
  EXPECT_EQ(Logical(surface), c.colour);
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
