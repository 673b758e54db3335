// The skin the calculator reads from windows.vfs: its images in load order
// with their frame counts and clipping insets, and the character lists of
// its two glyph strips. Each image exists twice in the archive: a PNG under
// /vga/ for the 480 class and a BMP at the root for the 240 class.
//
// The files themselves are made by tools/skin/generate.py and committed
// under skin/; the build packs them into windows.vfs beside the programs.
#pragma once

#include <cstdint>
#include <iterator>
#include <string>
#include <string_view>

namespace abacine {

// Pixels a sprite leaves undrawn on each side of its frame.
struct ClipInsets {
  int32_t left = 0;
  int32_t top = 0;
  int32_t right = 0;
  int32_t bottom = 0;
  friend bool operator==(const ClipInsets&, const ClipInsets&) = default;
};

enum class SkinKind : int32_t { kImage, kFont };

struct SkinImage {
  const char* name;
  SkinKind kind;
  int32_t framesSmall;
  int32_t framesLarge;
  ClipInsets insetsSmall;
  ClipInsets insetsLarge;

  int32_t Frames(bool vga) const { return vga ? framesLarge : framesSmall; }
  const ClipInsets& Insets(bool vga) const { return vga ? insetsLarge : insetsSmall; }
};

// In the order the calculator loads them. The limit, derivative, dx and
// integral images of older skins are never drawn and are not shipped.
inline constexpr SkinImage kSkinImages[] = {
    {"header", SkinKind::kImage, 1, 1, {}, {}},
    {"textbox", SkinKind::kImage, 1, 1, {}, {}},
    {"lock", SkinKind::kImage, 1, 1, {}, {}},
    {"coolblue", SkinKind::kImage, 1, 1, {}, {}},
    {"about-button", SkinKind::kImage, 1, 1, {}, {}},
    {"clear-button", SkinKind::kImage, 1, 1, {}, {}},
    {"bluefont", SkinKind::kFont, 1, 1, {}, {}},
    {"font", SkinKind::kFont, 1, 1, {}, {}},
    {"closebutton", SkinKind::kImage, 1, 1, {}, {}},
    {"help", SkinKind::kImage, 1, 1, {}, {}},
    // Key image 0: frame 0 normal, frame 1 pressed.
    {"button2", SkinKind::kImage, 3, 2, {2, 0, 2, 2}, {4, 0, 4, 4}},
    // Key image 1: no calculator key uses it.
    {"longbutton", SkinKind::kImage, 2, 2, {}, {}},
};

// The lookup returns null for a name the table does not hold.
const SkinImage* FindSkinImage(std::string_view name);

// "/vga/NAME.png" for the 480 class, "/NAME.bmp" for the 240 class.
std::string SkinImagePath(std::string_view name, bool vga);

// Both strips are colour-keyed with magenta and cut along their white
// marker row, with one pixel of spacing between glyphs.
inline constexpr uint32_t kSkinKeyColour = 0x00FF00FF;
inline constexpr int32_t kSkinFontSpacing = 1;

// Glyph order of the strips (calculator signs by their code). bluefont draws
// the key labels and the answer; font draws every other text.
inline constexpr char16_t kBlueFontCharacters[] =
    u"\u00DB\u00DD\u0085\u0086!\u00ED\u00DC\u0080^\u0087()*+-./"
    u"0123456789abcdefghijklmnopqrstuvwxyz =";
inline constexpr char16_t kFontCharacters[] =
    u"\u00DB\u00DD\u0085\u0086!\u00ED\u00DC\u0080,^\u0087()*+-./"
    u"0123456789abcdefghijklmnopqrstuvwxyz\u0088 ";
static_assert(std::size(kBlueFontCharacters) - 1 == 55);
static_assert(std::size(kFontCharacters) - 1 == 56);

// The character list of a font entry of kSkinImages; null for an image.
const char16_t* SkinFontCharacters(std::string_view name);

}  // namespace abacine
