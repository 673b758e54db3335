// Display: the screen the application draws on. It is the primary surface
// (kind 2: its pixels are the device's frame buffer, never freed here) plus a
// back buffer that every frame is drawn into. It opens either full screen
// with direct frame-buffer access (the fixed-address device, the display
// driver's raw frame buffer, or the Game API library) or windowed, with the
// back buffer held in a GDI bitmap that the framework copies into its window.
// It presents frames, gives up and takes back the screen when the
// application loses and regains the foreground, turns the screen, and maps
// stylus points from the system's orientation to the display's.
//
// The display state it fills (open flag, pixel format, orientation codes,
// physical pitches) lives in the GraphicsContext, where every surface reads
// it. All operations return result codes and never throw.
#pragma once

#include <cstdint>
#include <memory>

#include "graphics/graphics_context.h"
#include "graphics/surface.h"
#include "platform/platform.h"

namespace abacine {

// OpenDirect flag: use the display driver's raw frame buffer when offered.
inline constexpr uint32_t kDisplayUseRawFrameBuffer = 0x8000;

// DisplayCaps bits.
inline constexpr uint32_t kDisplayCapA = 0x01;
inline constexpr uint32_t kDisplayCapPaces = 0x10;

// The OEM string of the fixed-address device, compared on its first 15
// characters, and the device's fixed display properties.
inline constexpr char16_t kFixedAddressOemPrefix[] = u"Compaq iPAQ H38";
inline constexpr DisplayProperties kFixedAddressProperties = {240, 320, -640, 2, 16, 0xA8};

// How points and direction keys turn between the system's orientation and
// the display's requested one. Pairs that share a bit are the same
// orientation; pairs not listed (unknown codes) do not turn.
//   kHalf:     (1, 8), (4, 2), (8, 1), (2, 4)
//   kQuarterA: (1, 2), (4, 1), (8, 4), (2, 8)
//   kQuarterB: (1, 4), (4, 8), (8, 2), (2, 1)
enum class OrientationTurn { kNone, kHalf, kQuarterA, kQuarterB };
OrientationTurn OrientationTurnOf(int32_t system, int32_t requested);

struct StylusPoint {
  int32_t x = 0;
  int32_t y = 0;
};

class Display : public Surface {
 public:
  // The primary starts as an empty surface of kind 2 and the back buffer as
  // an empty surface of the same owner.
  explicit Display(GraphicsContext* context);
  // Closes the display, then destroys the back buffer and the primary.
  ~Display() override;

  // Full-screen open. bits_per_pixel is 0 or 16; flags are the framework's
  // configuration flags (kDisplayUseRawFrameBuffer asks for the raw frame
  // buffer when the system offers one).
  ResultCode OpenDirect(uint32_t flags, platform::WindowHandle window, int32_t bits_per_pixel);
  // Windowed open: flags must be 0, width and height above 0.
  ResultCode OpenWindowed(uint32_t flags, int32_t width, int32_t height);
  // Always 0.
  ResultCode Close();

  // The back buffer while the display is open and either the window still
  // exists or the display is windowed; otherwise null.
  Surface* BackBuffer();
  // Copies the back buffer to the frame buffer (full screen only).
  ResultCode Present();
  ResultCode Suspend();
  ResultCode Resume();
  // Low four bits used: 1, 2, 4, 8 turn the screen; 0 fails; others do nothing.
  ResultCode SetScreenOrientation(int32_t code);
  // Both capability flags are never set, so the answer is 0.
  ResultCode DisplayCaps(uint32_t* bits) const;
  // From the system's orientation to the display's requested orientation.
  ResultCode MapStylusPoint(StylusPoint* point) const;
  // The framework's two frame-step queries: surfaces are never lost here and
  // cannot be restored, so while open both answer kErrFeatureNotAvailable;
  // closed, kErrDisplayNotOpen; the second answers kErrWindowedPresent when
  // windowed.
  ResultCode CheckSurfacesLost() const;
  ResultCode RestoreSurfaces() const;

  // Inspection.
  bool IsOpen() const;
  bool IsWindowed() const { return windowed_; }
  bool IsSuspended() const { return suspended_; }
  GraphicsContext* Context() const { return context_; }

 private:
  // Where the frame buffer comes from once the open has chosen.
  enum class Source { kNone, kFixedAddress, kRaw, kGameApi };

  ResultCode OpenScreen(platform::WindowHandle window, DisplayProperties* properties,
                        uint8_t** frame);
  bool OpenRaw(DisplayProperties* properties, uint8_t** frame);
  void ReadRawOrientation();
  // Lays the primary out over the frame buffer with the real pitches for
  // the current orientation; false for a frame buffer the layout cannot use.
  bool LayOutPrimary();
  // Points the primary at a (new) frame pointer; null detaches it.
  void AttachFrame(uint8_t* frame);
  uint8_t* FetchFrame();
  bool WindowGone() const;
  bool Locked() const;

  GraphicsContext* context_;
  DisplayState* state_;
  std::unique_ptr<Surface> back_;
  Source source_ = Source::kNone;
  bool windowed_ = false;
  bool suspended_ = false;
  // Bytes from the frame pointer (hardware pixel (0, 0)) down to the lowest
  // address the frame buffer uses, and the bytes it spans from there.
  int64_t low_offset_ = 0;
  uint32_t span_bytes_ = 0;
};

// The physical frame buffer a display can lay out: sizes 1..32767, even
// non-zero pitches, one of magnitude 2 bytes, rows that do not overlap, and
// a span that 32-bit indices reach. Frame buffers in which neither pitch has
// magnitude 2 are refused.
bool FrameBufferUsable(const DisplayProperties& properties);

}  // namespace abacine
