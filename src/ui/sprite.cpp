#include "ui/sprite.h"

#include <algorithm>

#include "graphics/image_decoder.h"
#include "ui/clamp32.h"

namespace abacine {

Sprite::Sprite(GraphicsContext* context) : surface_(std::make_unique<Surface>(context)) {}

Sprite::~Sprite() = default;

ResultCode Sprite::load(Archive* archive, const char16_t* path, int32_t frames) {
  const ResultCode code = LoadFromArchive(surface_.get(), 0, archive, path);
  takeGeometry(code, frames);
  return code;
}

ResultCode Sprite::create(int32_t width, int32_t height, int32_t frames) {
  const ResultCode code = surface_->Create(kSurfaceClear, width, height);
  takeGeometry(code, frames);
  return code;
}

void Sprite::takeGeometry(ResultCode status, int32_t frames) {
  loadStatus_ = status;
  frameCount_ = std::max(frames, 1);
  frame_ = 0;
  surfaceWidth_ = status == kOk ? surface_->Width() : 0;
  height_ = status == kOk ? surface_->Height() : 0;
  frameWidth_ = surfaceWidth_ / frameCount_;
  if (colourKey_ != 0) surface_->SetKeyColour(colourKey_);
}

void Sprite::setFrame(int32_t frame) {
  if (frame >= 0 && frame < frameCount_) frame_ = frame;
}

void Sprite::setInsets(int32_t left, int32_t top, int32_t right, int32_t bottom) {
  insets_ = Rect{left, top, right, bottom};
}

void Sprite::setColourKey(uint32_t colour) {
  colourKey_ = colour & 0x00FFFFFF;
  if (colourKey_ != 0) surface_->SetKeyColour(colourKey_);
}

ResultCode Sprite::draw(Surface* target) { return drawAt(target, x, y); }

ResultCode Sprite::drawAt(Surface* target, int32_t atX, int32_t atY) {
  if (target == nullptr || visible == 0 || !loaded()) return kOk;
  const int64_t left = int64_t{frame_} * frameWidth_;
  const Rect source{Clamp32(left), 0, Clamp32(left + frameWidth_), height_};
  const Rect clip{Clamp32(int64_t{atX} + insets_.left), Clamp32(int64_t{atY} + insets_.top),
                  Clamp32(int64_t{atX} + frameWidth_ - insets_.right),
                  Clamp32(int64_t{atY} + height_ - insets_.bottom)};
  // Insets that meet or cross leave nothing to draw (SetClipRect would
  // normalise a crossed rectangle into a visible one).
  if (clip.left >= clip.right || clip.top >= clip.bottom) return target->SetClipRect(nullptr);
  if (const ResultCode code = target->SetClipRect(&clip); code != kOk) return code;

  const uint32_t key = colourKey_ != 0 ? kBlitColourKey : 0;
  ResultCode code = kOk;
  if (opacity == 100 && effect == 0) {
    code = target->BlitAt(atX, atY, surface_.get(), &source, key, nullptr);
  } else {
    Effects effects;
    effects.opacity =
        static_cast<uint32_t>(std::clamp(alpha, 0, 255) * std::clamp(opacity, 0, 100) / 100);
    // The transformed blit samples around the centre it is given; rounding
    // the centre up maps destination column i onto source column i for odd
    // sizes too.
    effects.centre_x = (frameWidth_ + 1) / 2;
    effects.centre_y = (height_ + 1) / 2;
    const Rect dest{atX, atY, Clamp32(int64_t{atX} + frameWidth_), Clamp32(int64_t{atY} + height_)};
    code = target->BlitTransformed(&dest, surface_.get(), &source, key | kBlitOpacity | kBlitCentre,
                                   &effects);
  }
  target->SetClipRect(nullptr);
  return code;
}

}  // namespace abacine
