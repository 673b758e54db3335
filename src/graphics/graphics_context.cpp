#include "graphics/graphics_context.h"

#include <new>

#include "graphics/bitmap_font.h"

namespace abacine {

GraphicsContext::GraphicsContext() {
  state_.reset(new (std::nothrow) DisplayState);
  if (!state_) return;
  loops_.reset(new (std::nothrow) BlendLoopTable);
  if (!loops_) {
    state_.reset();
    return;
  }
  font_.reset(new (std::nothrow) BitmapFont(this));
  font_large_.reset(new (std::nothrow) BitmapFont(this));
  if (!font_ || !font_large_) {
    font_large_.reset();
    font_.reset();
    loops_.reset();
    state_.reset();
  }
}

GraphicsContext::~GraphicsContext() {
  // Fonts are surfaces that consult the state while they go, so the state
  // is the last to leave.
  loops_.reset();
  font_.reset();
  font_large_.reset();
  state_.reset();
}

ResultCode GraphicsContext::SetBuiltinFontColour(uint32_t colour) {
  if (!state_ || !state_->IsOpen()) return kErrWrongDisplayState;
  state_->builtin_font_colour = colour;
  return BuildBuiltinFonts();
}

}  // namespace abacine
