// GraphicsContext: the root of the graphics layer. It owns the display state
// that every surface consults (is the display open, its pixel format, its
// orientation and physical pitches), the blend-loop table that selects pixel
// loops, and the two built-in bitmap fonts (normal and large, the large one
// outlined) rendered from the 5-row font table below. The Display (another
// object) opens and closes the screen and fills the display state; surfaces
// only read it. Built once at start-up by the framework; single-threaded.
#pragma once

#include <array>
#include <cstdint>
#include <memory>

#include "graphics/pixel_ops.h"
#include "graphics/result_codes.h"
#include "platform/device.h"
#include "platform/gdi.h"

namespace abacine {

namespace platform {
class Window;
}

class BitmapFont;

// Display properties as the platform reports them, in the hardware
// orientation.
struct DisplayProperties {
  int32_t width = 0;
  int32_t height = 0;
  int32_t x_pitch = 0;  // bytes between horizontally adjacent hardware pixels (signed)
  int32_t y_pitch = 0;  // bytes between vertically adjacent hardware pixels (signed)
  int32_t bits_per_pixel = 0;
  uint32_t format_flags = 0;
};

// Format flags (the Game API's display-property bits) and orientation
// codes (1 hardware, 2 and 4 a quarter turn either way, 8 half), as the
// platform defines them.
using platform::kFormat444;
using platform::kFormat555;
using platform::kFormat565;
using platform::kFormatDirectAccess;
using platform::kFormatLandscape;
using platform::kOrientationHalf;
using platform::kOrientationNormal;
using platform::kOrientationQuarter;
using platform::kOrientationThreeQuarter;

// Device quirk codes.
inline constexpr int32_t kQuirkNone = 0;
inline constexpr int32_t kQuirkFixedAddress = 1;

// One glyph of the built-in font: five row masks, top row first; bit i lights
// column advance - 1 - i of the glyph's cell (bit 0 is the rightmost column).
struct BuiltinGlyph {
  uint8_t rows[5];
  uint8_t advance;
};
inline constexpr int32_t kBuiltinFirstChar = 32;   // space
inline constexpr int32_t kBuiltinLastChar = 122;   // 'z'
inline constexpr int32_t kBuiltinGlyphCount = kBuiltinLastChar - kBuiltinFirstChar + 1;
extern const std::array<BuiltinGlyph, kBuiltinGlyphCount> kBuiltinFontTable;

struct DisplayState {
  DisplayProperties properties;
  platform::Window* window = nullptr;            // given at open
  platform::BitmapHandle bitmap = nullptr;       // the windowed back buffer's bitmap
  int32_t system_orientation = kOrientationNormal;
  int32_t current_orientation = kOrientationNormal;
  int32_t requested_orientation = kOrientationNormal;
  uint16_t* back_buffer_pixels = nullptr;
  int32_t open = 0;                    // 0 or 1
  bool direct_access = false;          // raw frame buffer or Game API
  bool capability_a = false;           // DisplayCaps bit 0x01; never set
  bool capability_b = false;           // DisplayCaps bit 0x10; never set
  bool raw_frame_buffer = false;
  uint32_t open_flags = 0;
  int32_t device_quirk = kQuirkNone;
  uint32_t builtin_font_colour = 0x00FFFFFF;
  const BuiltinGlyph* builtin_font_table = kBuiltinFontTable.data();

  bool IsOpen() const { return open != 0; }
  // Blending and colour conversion need 5-6-5 pixels.
  bool Is565() const {
    return (properties.format_flags & kFormat565) != 0 && (properties.format_flags & kFormat555) == 0;
  }
};

class GraphicsContext {
 public:
  // Makes the display state, the loop table and the two built-in fonts in
  // that order, stopping (and undoing) at the first step that fails.
  GraphicsContext();
  virtual ~GraphicsContext();
  GraphicsContext(const GraphicsContext&) = delete;
  GraphicsContext& operator=(const GraphicsContext&) = delete;

  // True when the display state exists.
  bool IsReady() const { return state_ != nullptr; }

  DisplayState* State() { return state_.get(); }
  const DisplayState* State() const { return state_.get(); }
  const BlendLoopTable* Loops() const { return loops_.get(); }
  BitmapFont* BuiltinFont() { return font_.get(); }
  BitmapFont* BuiltinFontLarge() { return font_large_.get(); }  // outlined

  // Renders both built-in strips (plain, then outlined) in the built-in font
  // colour and cuts them. Run by the display on open and on orientation
  // change.
  ResultCode BuildBuiltinFonts();
  // Stores the colour and rebuilds both strips; the display must be open.
  ResultCode SetBuiltinFontColour(uint32_t colour);

 private:
  std::unique_ptr<DisplayState> state_;
  std::unique_ptr<BlendLoopTable> loops_;
  std::unique_ptr<BitmapFont> font_;
  std::unique_ptr<BitmapFont> font_large_;
};

}  // namespace abacine
