#include "app/calc_skin.h"

#include <string>
#include <string_view>

#include "app/skin_table.h"
#include "graphics/archive.h"

namespace abacine {
namespace {

std::u16string WidePath(std::string_view name, bool vga) {
  const std::string path = SkinImagePath(name, vga);
  return std::u16string(path.begin(), path.end());  // archive paths are ASCII
}

FrameSize FrameOf(const Sprite* sprite) {
  if (sprite == nullptr || !sprite->loaded()) return {};
  return {sprite->frameWidth(), sprite->height()};
}

}  // namespace

CalcSkin::CalcSkin(WidgetState& widgets) : blueFont(&widgets), font(&widgets), widgets_(widgets) {}

CalcSkin::~CalcSkin() = default;

std::unique_ptr<Sprite>* CalcSkin::imageSlot(const char* name) {
  const std::string_view n(name);
  ImageTable& table = widgets_.imageTable;
  if (n == "header") return &header;
  if (n == "textbox") return &table.textBoxBackground;
  if (n == "lock") return &lock;
  if (n == "coolblue") return &coolblue;
  if (n == "about-button") return &aboutButton;
  if (n == "clear-button") return &clearButton;
  if (n == "closebutton") return &table.buttonPicture;
  if (n == "help") return &help;
  if (n == "button2") return &table.keyImages[0];
  if (n == "longbutton") return &table.keyImages[1];
  return nullptr;
}

int32_t CalcSkin::load(GraphicsContext* context, Archive* archive, bool vga) {
  int32_t loaded = 0;
  for (const SkinImage& skin : kSkinImages) {
    const std::u16string path = WidePath(skin.name, vga);
    if (skin.kind == SkinKind::kFont) {
      TextFont& f = std::string_view(skin.name) == "bluefont" ? blueFont : font;
      const ResultCode code = f.Create(context, archive, path.c_str(), kSkinKeyColour,
                                       SkinFontCharacters(skin.name), kSkinFontSpacing, 0);
      if (code == kOk) ++loaded;
      continue;
    }
    std::unique_ptr<Sprite>* slot = imageSlot(skin.name);
    if (slot == nullptr) continue;
    auto sprite = std::make_unique<Sprite>(context);
    sprite->load(archive, path.c_str(), skin.Frames(vga));
    const ClipInsets& insets = skin.Insets(vga);
    sprite->setInsets(insets.left, insets.top, insets.right, insets.bottom);
    if (sprite->loaded()) ++loaded;
    *slot = std::move(sprite);
  }
  return loaded;
}

void CalcSkin::release() {
  for (const SkinImage& skin : kSkinImages) {
    if (std::unique_ptr<Sprite>* slot = imageSlot(skin.name)) slot->reset();
  }
}

ScreenMetrics CalcSkin::metrics(int32_t screenWidth, int32_t screenHeight, bool vga,
                                bool fullScreen) const {
  ScreenMetrics m;
  m.screenWidth = screenWidth;
  m.screenHeight = screenHeight;
  m.vga = vga;
  m.fullScreen = fullScreen;
  m.fontHeight = font.FontHeight();
  m.header = FrameOf(header.get());
  m.textbox = FrameOf(textbox());
  m.key = FrameOf(keyImage());
  m.coolblue = FrameOf(coolblue.get());
  m.aboutButton = FrameOf(aboutButton.get());
  m.clearButton = FrameOf(clearButton.get());
  return m;
}

}  // namespace abacine
