// Surface: a rectangle of 16-bit RGB 5-6-5 pixels with a colour key and a clip
// rectangle, and every drawing operation of the graphics layer: lines, fills,
// the fast copy BlitAt (plain, colour key, multiply, screen) and the rotating
// and zooming copy BlitTransformed. Pixels are stored in the physical
// orientation of the screen (the layout record maps logical (x, y) to a buffer
// index), so copies to the screen are runs of contiguous memory. Operations
// return result codes (graphics/result_codes.h) and never throw; colours at
// this interface are 0x00BBGGRR and become pixels by truncation. Each drawing
// operation validates and clips once and then runs one specialised pixel loop
// (graphics/pixel_ops.h). Whatever the arguments, no operation reads or writes
// outside a buffer.
#pragma once

#include <cstdint>

#include "graphics/result_codes.h"
#include "platform/gdi.h"
#include "platform/rect.h"

namespace abacine {

class GraphicsContext;

// Right and bottom are exclusive (platform/rect.h).
using Rect = platform::Rect;

// Every surface and display of the layer holds 16-bit pixels.
inline constexpr int32_t kBitsPerPixel = 16;
inline constexpr int32_t kBytesPerPixel = 2;

// Surface kinds.
inline constexpr int32_t kSurfaceOwned = 1;     // owns and frees its buffer
inline constexpr int32_t kSurfaceDisplay = 2;   // pixels are the display's memory
inline constexpr int32_t kSurfaceGdi = 4;       // back buffer held in a GDI bitmap

// Layout flags. Creation flags are the bits of kSurfaceCreationMask; the rest
// are set internally.
inline constexpr uint32_t kSurfaceClear = 0x0001;
inline constexpr uint32_t kSurfaceNoBoundsCheck = 0x0004;
inline constexpr uint32_t kSurfaceReadOnly = 0x0008;
inline constexpr uint32_t kSurfaceSystemMemory = 0x0100;
inline constexpr uint32_t kSurfaceVideoMemory = 0x0200;
inline constexpr uint32_t kSurfaceVideoSubA = 0x0400;
inline constexpr uint32_t kSurfaceVideoSubB = 0x0800;
inline constexpr uint32_t kSurfaceLocked = 0x1000;
inline constexpr uint32_t kSurfaceVideoInUse = 0x2000;
inline constexpr uint32_t kSurfaceHasBackBuffer = 0x4000;
inline constexpr uint32_t kSurfaceGdiSection = 0x8000;
inline constexpr uint32_t kSurfaceCreationMask = 0x0F0F;
inline constexpr uint32_t kSurfaceMemoryClassMask = 0x0F00;

// Drawing options.
inline constexpr uint32_t kBlitColourKey = 0x0001;   // BlitAt, BlitTransformed
inline constexpr uint32_t kLineAntiAliased = 0x0002; // PlotLine
inline constexpr uint32_t kFillOpacity = 0x0001;     // FillArea
inline constexpr uint32_t kBlitOpacity = 0x0004;     // BlitTransformed
inline constexpr uint32_t kBlitMultiply = 0x0010;    // BlitAt
inline constexpr uint32_t kBlitScreen = 0x0020;      // BlitAt
inline constexpr uint32_t kBlitRotate = 0x0100;      // BlitTransformed
inline constexpr uint32_t kBlitZoom = 0x0200;        // BlitTransformed
inline constexpr uint32_t kBlitCentre = 0x0400;      // BlitTransformed

// Pixel-format codes of LockPixels.
inline constexpr int32_t kPixelFormatUnknown = 0;
inline constexpr int32_t kPixelFormat444 = 1;
inline constexpr int32_t kPixelFormat555 = 2;
inline constexpr int32_t kPixelFormat565 = 4;

// Where logical pixels live: pixel (x, y) is buffer[origin + x * x_step +
// y * y_step]. Steps and origin are in pixels.
struct SurfaceLayout {
  uint32_t flags = 0;
  int32_t width = 0;
  int32_t height = 0;
  int32_t x_step = 0;
  int32_t y_step = 0;
  int32_t origin = 0;
  uint32_t byte_size = 0;
  int32_t orientation = 1;  // display orientation code the steps were made for
};

// Extra inputs of the blits, each read only when its option asks for it.
struct Effects {
  uint32_t fill_colour = 0;       // not read by the surface operations
  uint32_t opacity = 255;         // BlitTransformed kBlitOpacity, 0..255
  int32_t angle = 0;              // kBlitRotate, hundredths of a degree
  uint32_t scale_or_colour = 100; // kBlitZoom percent, or the multiply/screen colour
  int32_t centre_x = 0;           // kBlitCentre, from the destination's left edge
  int32_t centre_y = 0;           // kBlitCentre, from the destination's top edge
};

// What LockPixels hands out.
struct PixelDescription {
  int32_t width = 0;
  int32_t height = 0;
  int32_t x_pitch = 0;        // bytes between horizontally adjacent pixels
  int32_t y_pitch = 0;        // bytes between vertically adjacent pixels
  uint16_t* pixels = nullptr; // logical pixel (0, 0)
  int32_t format = kPixelFormatUnknown;
};

// Colour 0x00BBGGRR to a 5-6-5 pixel by truncating each channel.
constexpr uint16_t ColourToPixel(uint32_t c) {
  return static_cast<uint16_t>(((c & 0xF8u) << 8) | ((c & 0xFC00u) >> 5) | ((c >> 19) & 0x1Fu));
}

// Layout steps for a surface of width x height on a display in orientation
// `orientation` whose frame buffer has the given physical pitch signs. Rows
// are `stride` pixels apart; stride 0 means the off-screen rule (the row
// length rounded up to even). A zero pitch leaves origin and steps at 0.
SurfaceLayout ComputeLayout(int32_t orientation, int32_t x_pitch, int32_t y_pitch, int32_t width,
                            int32_t height, int32_t stride = 0);

class Surface {
 public:
  explicit Surface(GraphicsContext* owner);
  virtual ~Surface();
  Surface(const Surface&) = delete;
  Surface& operator=(const Surface&) = delete;

  // Re-creates the surface in place; Create(0, 0, 0) releases the buffer.
  ResultCode Create(uint32_t flags, int32_t width, int32_t height);
  int32_t Width() const { return layout_.width; }
  int32_t Height() const { return layout_.height; }

  ResultCode SetKeyColour(uint32_t colour);
  ResultCode GetKeyColour(uint32_t* colour) const;
  uint32_t KeyColour() const { return key_colour_; }

  // Null rect: the whole surface. The stored rectangle is normalised and
  // intersected with the surface.
  ResultCode SetClipRect(const Rect* rect);
  ResultCode GetClipRect(Rect* rect) const;

  ResultCode LockPixels(PixelDescription* description);
  ResultCode UnlockPixels();

  ResultCode AcquireDeviceContext(platform::DcHandle* dc);
  ResultCode ReleaseDeviceContext(platform::DcHandle dc);

  ResultCode BeginVideoAccess();
  ResultCode EndVideoAccess();

  ResultCode PlotLine(int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint32_t colour,
                      uint32_t options);
  // Null rect: the whole surface. kFillOpacity needs a non-null opacity.
  ResultCode FillArea(const Rect* rect, uint32_t colour, uint32_t options,
                      const uint32_t* opacity);
  // Null source_rect: the whole source. kBlitMultiply / kBlitScreen need effects.
  ResultCode BlitAt(int32_t x, int32_t y, const Surface* source, const Rect* source_rect,
                    uint32_t options, const Effects* effects);
  // Null dest: the whole target; null or empty source_rect: the whole source.
  ResultCode BlitTransformed(const Rect* dest, const Surface* source, const Rect* source_rect,
                             uint32_t options, const Effects* effects);

  // --- Inspection and the display's hooks ---------------------------------
  // The display and the image loader reach below the drawing interface with
  // these; drawing code never needs them.
  GraphicsContext* Owner() const { return owner_; }
  int32_t Kind() const { return kind_; }
  const SurfaceLayout& Layout() const { return layout_; }
  uint32_t Flags() const { return layout_.flags; }
  uint16_t* Pixels() const { return pixels_; }
  // The stored clip rectangle (all zero when never set).
  const Rect& StoredClipRect() const { return clip_; }
  // True when the layout was made for the display's current orientation.
  bool LayoutCurrent() const;

  // Frees an owned buffer, deletes a device-context bitmap still held, and
  // clears layout, clip and handles; keeps the colour key; kind becomes 1.
  void ReleaseBuffer();
  // Points the surface at memory it does not own (kind 2 or 4). The pixel
  // pointer must be the lowest address of the memory and byte_size must cover
  // every index the layout reaches; drawing refuses areas outside it.
  void AttachPixels(int32_t kind, uint16_t* pixels, uint32_t byte_size);
  void SetKind(int32_t kind) { kind_ = kind; }
  void SetPixelPointer(uint16_t* pixels) { pixels_ = pixels; }
  void SetFlags(uint32_t flags) { layout_.flags = flags; }
  void AddFlags(uint32_t flags) { layout_.flags |= flags; }
  void RemoveFlags(uint32_t flags) { layout_.flags &= ~flags; }
  void SetLogicalSize(int32_t width, int32_t height);
  // Replaces origin, steps and orientation code (width, height, flags and
  // byte size stay).
  void SetLayoutSteps(int32_t origin, int32_t x_step, int32_t y_step, int32_t orientation);
  // Lays the surface out by the off-screen rule for the display's current
  // orientation and pitch signs.
  void LayOutOffscreen();

 protected:
  // Shared entry checks of Create and the image loads: display open,
  // not locked, not kind 2.
  ResultCode CheckRecreate() const;

 private:
  friend struct SurfaceAccess;

  GraphicsContext* owner_;
  int32_t kind_ = kSurfaceOwned;
  SurfaceLayout layout_{};
  uint32_t key_colour_ = 0;
  Rect clip_{};
  // Set when the last SetClipRect left nothing of the surface: drawing then
  // draws nothing, where an all-empty stored rectangle alone would mean "no
  // clipping".
  bool clip_excludes_all_ = false;
  uint16_t* pixels_ = nullptr;
  platform::DcHandle dc_ = nullptr;
  platform::BitmapHandle bitmap_ = nullptr;
  uint16_t* bitmap_bits_ = nullptr;
};

}  // namespace abacine
