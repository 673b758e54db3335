// The demo's picture: every drawing operation of the graphics layer, laid
// out for the back buffer's size and animated by the frame number.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "graphics/graphics_context.h"
#include "graphics/surface.h"

namespace abacine::demo {

class DemoScene {
 public:
  explicit DemoScene(GraphicsContext* context);

  // (Re)makes the sprite surfaces for the display's current orientation;
  // needed after every open and turn of the display.
  ResultCode Build();
  // Draws one frame; returns the first failing code (the frame still draws
  // as much as it can).
  ResultCode Draw(Surface* back, int64_t frame, const std::u16string& status);

  // Where the gem sits, in back-buffer pixels (-1: follow the default path).
  void PlaceGem(int32_t x, int32_t y);
  void MoveGem(int32_t dx, int32_t dy);

 private:
  ResultCode MakeGem(int32_t size);
  ResultCode MakeCard(int32_t w, int32_t h);
  // A surface holding text in a built-in font on the key colour, for
  // zoomed drawing.
  ResultCode MakeLabel(std::unique_ptr<Surface>* out, const char16_t* text, bool large,
                       uint32_t tint);

  GraphicsContext* context_;
  std::unique_ptr<Surface> gem_;
  std::unique_ptr<Surface> card_;
  std::unique_ptr<Surface> title_;
  std::unique_ptr<Surface> sample_;
  int32_t gemX_ = -1;
  int32_t gemY_ = -1;
  int32_t unit_ = 1;
};

}  // namespace abacine::demo
