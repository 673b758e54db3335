#include "ui/widget_state.h"

#include "ui/sprite.h"

namespace abacine {

ImageTable::ImageTable() = default;
ImageTable::~ImageTable() = default;
ImageTable::ImageTable(ImageTable&&) noexcept = default;
ImageTable& ImageTable::operator=(ImageTable&&) noexcept = default;

void ImageTable::releaseImages() {
  for (auto& image : keyImages) image.reset();
  buttonPicture.reset();
  buttonIcons.reset();
  textBoxBackground.reset();
}

WidgetState::WidgetState() = default;
WidgetState::~WidgetState() = default;

void WidgetState::beginFrame(Surface* target) {
  drawTarget = target;
  if (target != nullptr) target->SetClipRect(nullptr);
}

void WidgetState::stylusPressed(int32_t x, int32_t y) {
  stylusDown = true;
  lastTap = WidgetPoint{x, y};
}

void WidgetState::stylusReleased(int32_t x, int32_t y) {
  stylusDown = false;
  lastTap = WidgetPoint{x, y};
}

void WidgetState::reset() {
  imageTable = ImageTable{};
  drawTarget = nullptr;
  currentFont = nullptr;
  stylusDown = false;
  lastTap = WidgetPoint{};
  largeScreen = false;
  capture.reset();
  inputBlocked = false;
}

}  // namespace abacine
