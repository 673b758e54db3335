#include "app/skin_table.h"

namespace abacine {

const SkinImageSpec* FindSkinImage(std::string_view name) {
  for (const SkinImageSpec& spec : kSkinImages) {
    if (name == spec.name) return &spec;
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
