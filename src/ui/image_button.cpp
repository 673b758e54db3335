#include "ui/image_button.h"

#include "ui/sprite.h"
#include "ui/text_font.h"

namespace abacine {

namespace {

Sprite* Loaded(const std::unique_ptr<Sprite>& sprite) {
  return sprite != nullptr && sprite->loaded() ? sprite.get() : nullptr;
}

}  // namespace

ImageButton::ImageButton(WidgetState& state) : Widget(state) {}

ImageButton::~ImageButton() = default;

void ImageButton::onPress(const Rect&) {
  if (boundFlag != nullptr) *boundFlag = !*boundFlag;
}

void ImageButton::updateSize() {
  if (const Sprite* picture = Loaded(state_.imageTable.buttonPicture)) {
    width = picture->frameWidth();
    height = picture->height();
  }
}

int32_t ImageButton::pictureFrame() const {
  if (forcePressedLook) return 2;
  if (boundFlag != nullptr) return *boundFlag ? 1 : 0;
  if (!pressedFrameOnly) return 1;
  return pressed && state_.stylusDown ? 1 : 0;
}

void ImageButton::draw() {
  updateSize();
  if (!visible) return;
  if (Sprite* picture = Loaded(state_.imageTable.buttonPicture);
      picture != nullptr && drawPicture) {
    picture->setFrame(pictureFrame());
    picture->drawAt(target(), x, y);
  }
  Sprite* icons = Loaded(state_.imageTable.buttonIcons);
  // A frame the strip does not have would leave another icon showing.
  if (icons != nullptr && iconFrame >= 0 && iconFrame < icons->frameCount()) {
    icons->setFrame(iconFrame);
    const bool large = state_.largeScreen;
    icons->drawAt(target(), x + (large ? 5 : 2), y + (large ? 6 : 3));
  }
  if (TextFont* f = font(); f != nullptr && !caption.Empty()) {
    const int32_t captionY =
        y + height / 2 - f->FontHeight() / 2 - (state_.largeScreen ? 0 : 2) + 3;
    f->DrawString(caption, x + width / 2 - f->TextWidth(caption) / 2, captionY, labelColour);
  }
}

}  // namespace abacine
