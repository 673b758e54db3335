// The packed skin, read the way the calculator reads it: every image of the
// table in both forms decodes through the project's archive reader and image
// decoders with a whole number of frames; both glyph strips cut into exactly
// one glyph per listed character; and the BMPs exercise the palette and
// run-length decoders.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "skin_support.h"

namespace abacine::skin_test {
namespace {

using ImagesTest = SkinTest;

TEST_F(ImagesTest, EveryImageDecodesInBothFormsWithWholeFrames) {
  for (bool vga : {false, true}) {
    for (const SkinImage& skin : kSkinImages) {
      SCOPED_TRACE(SkinImagePath(skin.name, vga));
      Surface image(&context_);
      ASSERT_EQ(Load(&image, skin.name, vga), kOk);
      EXPECT_GT(image.Height(), 0);
      EXPECT_GT(image.Width(), 0);
      EXPECT_EQ(image.Width() % skin.Frames(vga), 0) << image.Width() << " wide";
      // Insets must leave something of every frame to draw.
      const ClipInsets& in = skin.Insets(vga);
      EXPECT_LT(in.left + in.right, image.Width() / skin.Frames(vga));
      EXPECT_LT(in.top + in.bottom, image.Height());
    }
  }
}

// Marker runs in row 0, counted from the pixels alone.
int32_t MarkerRuns(const Surface& strip) {
  int32_t runs = 0;
  bool inside = false;
  for (int32_t x = 0; x < strip.Width(); ++x) {
    const bool marker = Pixel(strip, x, 0) == kMarkerPixel;
    if (marker && !inside) ++runs;
    inside = marker;
  }
  return runs;
}

TEST_F(ImagesTest, FontStripsCutIntoOneGlyphPerListedCharacter) {
  for (bool vga : {false, true}) {
    for (const char* name : {"bluefont", "font"}) {
      SCOPED_TRACE(SkinImagePath(name, vga));
      BitmapFont font(&context_);
      ASSERT_EQ(LoadFont(&font, name, vga), kOk);
      const std::u16string list = SkinFontCharacters(name);
      EXPECT_EQ(MarkerRuns(font), static_cast<int32_t>(list.size()));
      EXPECT_EQ(font.CutMode(), kCutModeMarker);
      EXPECT_EQ(font.GlyphHeight(), font.Height() - 1);

      // Row 0 holds only the marker and the key; nothing but glyphs below.
      for (int32_t x = 0; x < font.Width(); ++x) {
        const uint16_t p = Pixel(font, x, 0);
        ASSERT_TRUE(p == kMarkerPixel || p == kKeyPixel) << "column " << x;
      }
      std::set<uint8_t> low_bytes;
      int32_t previous_end = -1;
      for (char16_t c : list) {
        SCOPED_TRACE(::testing::Message() << "U+" << std::hex << static_cast<int>(c));
        EXPECT_TRUE(low_bytes.insert(static_cast<uint8_t>(c)).second) << "listed twice";
        const int32_t x = font.GlyphX(c);
        const int32_t w = font.GlyphInkWidth(c);
        ASSERT_GT(w, 0);
        // Glyphs lie in list order, apart, and inside the strip.
        EXPECT_GT(x, previous_end);
        EXPECT_LE(x + w, font.Width());
        previous_end = x + w;
        bool ink = false;
        for (int32_t gy = 1; gy < font.Height() && !ink; ++gy) {
          for (int32_t gx = x; gx < x + w && !ink; ++gx) ink = Pixel(font, gx, gy) != kKeyPixel;
        }
        EXPECT_EQ(ink, c != u' ');
        // Ink inside the glyph's marker run: drawn text never lets
        // neighbouring glyphs touch.
        EXPECT_GE(font.GlyphLeft(c), 0);
        EXPECT_GE(font.GlyphRight(c), 0);
      }
    }
  }
}

TEST_F(ImagesTest, SmallSkinUsesThePaletteAndRunLengthForms) {
  std::set<std::pair<uint16_t, uint32_t>> forms;
  for (const SkinImage& skin : kSkinImages) {
    ArchiveEntry entry;
    ASSERT_EQ(entry.OpenEntry(&archive_, SkinImagePath(skin.name, false).c_str()), kOk) << skin.name;
    std::vector<uint8_t> bytes(entry.Size());
    uint32_t count = entry.Size();
    ASSERT_EQ(entry.ReadEntry(bytes.data(), &count), kOk);
    ASSERT_EQ(count, entry.Size());
    ASSERT_GE(bytes.size(), 54u);
    forms.insert({static_cast<uint16_t>(bytes[28] | bytes[29] << 8),
                  static_cast<uint32_t>(bytes[30] | bytes[31] << 8 | bytes[32] << 16 | bytes[33] << 24)});
  }
  EXPECT_TRUE(forms.count({8, 1})) << "no RLE8 image";
  EXPECT_TRUE(forms.count({4, 0}) || forms.count({8, 0})) << "no uncompressed palette image";
}

TEST_F(ImagesTest, MissingImagesAndWrongFormsAreReportedNotDecoded) {
  struct Row {
    std::u16string path;
    ResultCode code;
  };
  const Row rows[] = {
      {u"/vga/limit.png", kErrEntryNotFound},      // not shipped
      {u"/vga/header.bmp", kErrEntryNotFound},     // each class has one form
      {u"/header.png", kErrEntryNotFound},
      {u"/VGA/header.png", kErrEntryNotFound},     // names are case-sensitive
      {u"/vga", kErrEntryNotFound},                // a folder is not a file
      {u"/icon/abacine.png", kErrEntryNotFound},   // the desktop icon stays out
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(std::string(r.path.begin(), r.path.end()));
    Surface image(&context_);
    EXPECT_EQ(LoadFromArchive(&image, kSurfaceClear, &archive_, r.path.c_str()), r.code);
  }
  // Every file in the archive is one of the table's images.
  int32_t files = 0;
  for (const ArchiveNode& node : archive_.Tree()) files += node.IsFile() ? 1 : 0;
  EXPECT_EQ(files, 2 * static_cast<int32_t>(std::size(kSkinImages)));
}

}  // namespace
}  // namespace abacine::skin_test
