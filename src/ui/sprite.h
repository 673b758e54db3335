// Sprite: an image holder for skin pictures. Its surface is a strip of
// equal-width frames side by side; one frame is drawn at a time, cut by
// clipping insets (pixels removed from each side), opaque, colour-keyed or
// blended. Not a widget: it takes no taps.
#pragma once

#include <cstdint>
#include <memory>

#include "graphics/result_codes.h"
#include "graphics/surface.h"

namespace abacine {

class Archive;
class GraphicsContext;

class Sprite {
 public:
  explicit Sprite(GraphicsContext* context);
  ~Sprite();
  Sprite(const Sprite&) = delete;
  Sprite& operator=(const Sprite&) = delete;

  // Loads an image file of the archive holding `frames` frames (below 1
  // counts as 1). The status is kept; a sprite that failed draws nothing.
  ResultCode load(Archive* archive, const char16_t* path, int32_t frames);
  // Makes an empty strip of the given size to be painted through surface().
  ResultCode create(int32_t width, int32_t height, int32_t frames);
  Surface& surface() { return *surface_; }
  const Surface& surface() const { return *surface_; }

  // Ignored outside 0 .. frameCount() - 1.
  void setFrame(int32_t frame);
  void setInsets(int32_t left, int32_t top, int32_t right, int32_t bottom);
  // 0x00BBGGRR; 0 draws every pixel.
  void setColourKey(uint32_t colour);

  // Draws the current frame at (x, y) or at the given place. Nothing while
  // not visible or not loaded. The target's clip is the inset frame during
  // the blit and the whole target afterwards.
  ResultCode draw(Surface* target);
  ResultCode drawAt(Surface* target, int32_t atX, int32_t atY);

  bool loaded() const { return loadStatus_ == kOk && frameWidth_ > 0 && height_ > 0; }
  ResultCode loadStatus() const { return loadStatus_; }
  int32_t frame() const { return frame_; }
  int32_t frameCount() const { return frameCount_; }
  int32_t frameWidth() const { return frameWidth_; }
  int32_t surfaceWidth() const { return surfaceWidth_; }
  int32_t height() const { return height_; }
  uint32_t colourKey() const { return colourKey_; }
  Rect insets() const { return insets_; }

  int32_t x = 0;
  int32_t y = 0;
  int32_t visible = 1;
  int32_t opacity = 100;  // percent
  // Non-zero sends the blit through the blended path even at full opacity.
  int32_t effect = 0;
  int32_t alpha = 255;

 private:
  // Takes the frame geometry from the surface after a load or create.
  void takeGeometry(ResultCode status, int32_t frames);

  std::unique_ptr<Surface> surface_;
  uint32_t colourKey_ = 0;
  int32_t frame_ = 0;
  int32_t frameCount_ = 1;
  int32_t frameWidth_ = 0;
  int32_t surfaceWidth_ = 0;
  int32_t height_ = 0;
  Rect insets_{};  // pixels cut from the left, top, right and bottom
  ResultCode loadStatus_ = kErrNoPixels;
};

}  // namespace abacine
