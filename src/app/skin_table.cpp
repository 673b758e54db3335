#include "app/skin_table.h"

namespace abacine {

const SkinImage* FindSkinImage(std::string_view name) {
  for (const SkinImage& skin : kSkinImages) {
    if (name == skin.name) return &skin;
  }
  return nullptr;
}

std::string SkinImagePath(std::string_view name, bool vga) {
  std::string path = vga ? "/vga/" : "/";
  path.append(name);
  path.append(vga ? ".png" : ".bmp");
  return path;
}

const char16_t* SkinFontCharacters(std::string_view name) {
  if (name == "bluefont") return kBlueFontCharacters;
  if (name == "font") return kFontCharacters;
  return nullptr;
}

}  // namespace abacine
