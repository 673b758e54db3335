// Drives the drawing operations with arbitrary surfaces, layouts, clip
// rectangles, flags, options and coordinates. Every call must return a
// code and stay inside the buffers (ASan checks the second part; surfaces
// are allocated exactly, so any stray index is caught).
#include <cstddef>
#include <cstdint>
#include <algorithm>
#include <cstring>
#include <vector>

#include "graphics/bitmap_font.h"
#include "graphics/graphics_context.h"
#include "graphics/surface.h"

namespace {

using namespace abacine;

class Reader {
 public:
  Reader(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  bool Empty() const { return pos_ >= size_; }
  uint8_t U8() { return pos_ < size_ ? data_[pos_++] : 0; }
  uint32_t U32() {
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v = (v << 8) | U8();
    return v;
  }
  // Mostly small coordinates around a surface, sometimes anything.
  int32_t Coord() {
    const uint8_t kind = U8();
    if (kind < 200) return static_cast<int32_t>(U8()) - 64;
    if (kind < 240) return static_cast<int32_t>(static_cast<int16_t>(U8() << 8 | U8()));
    return static_cast<int32_t>(U32());
  }
  Rect AnyRect() { return Rect{Coord(), Coord(), Coord(), Coord()}; }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t pos_ = 0;
};

constexpr int32_t kOrientations[] = {1, 2, 4, 8, 3};
constexpr int32_t kPitches[][2] = {{640, -2}, {-640, 2}, {2, 960}, {-2, -960}, {0, 2}};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Reader in(data, size);
  GraphicsContext ctx;
  DisplayState& state = *ctx.State();
  const uint8_t setup = in.U8();
  state.open = 1;
  const auto& pitch = kPitches[setup % 5];
  state.properties = DisplayProperties{480, 640, pitch[0], pitch[1], 16,
                                       (setup & 0x80) ? 0x60u : 0xA0u};
  state.current_orientation = kOrientations[(setup >> 3) % 5];

  Surface surfaces[3] = {Surface(&ctx), Surface(&ctx), Surface(&ctx)};
  for (Surface& s : surfaces) {
    const uint32_t flags = in.U8() & 0x0F0Fu;
    const int32_t w = 1 + in.U8() % 48;
    const int32_t h = 1 + in.U8() % 48;
    s.Create(flags & ~0x0F00u, w, h);
    if (s.Pixels() != nullptr) {
      std::memset(s.Pixels(), in.U8(), s.Layout().byte_size);
    }
    s.SetKeyColour(in.U32());
  }
  // Optionally the third surface becomes a view of display memory: rows
  // of a given stride and a claimed size that may be too small for its
  // layout (the drawing code must refuse what does not fit, never overrun).
  std::vector<uint16_t> frame;
  if (setup & 0x20) {
    const int32_t w = 1 + in.U8() % 40;
    const int32_t h = 1 + in.U8() % 40;
    const int32_t stride = std::max(w, h) + in.U8() % 8;
    frame.assign(static_cast<size_t>(stride) * static_cast<size_t>(std::max(w, h)), 0x1234);
    const uint32_t claimed = static_cast<uint32_t>(frame.size() * 2) - (in.U8() % 4) * 2 * static_cast<uint32_t>(stride) % static_cast<uint32_t>(frame.size() * 2);
    Surface& view = surfaces[2];
    view.Create(0, 0, 0);
    view.AttachPixels(kSurfaceDisplay, frame.data(), claimed);
    view.SetFlags(kSurfaceSystemMemory);
    view.SetLogicalSize(w, h);
    const SurfaceLayout l = ComputeLayout(state.current_orientation, pitch[0], pitch[1], w, h, stride);
    view.SetLayoutSteps(l.origin, l.x_step, l.y_step, l.orientation);
  }
  BitmapFont font(&ctx);
  if (setup & 0x40) ctx.BuildBuiltinFonts();

  for (int step = 0; step < 64 && !in.Empty(); ++step) {
    const uint8_t op = in.U8();
    Surface& target = surfaces[op % 3];
    Surface& source = surfaces[(op / 3) % 3];
    Effects fx;
    fx.opacity = in.U8() + ((in.U8() & 0x10) ? 200u : 0u);
    fx.angle = static_cast<int32_t>(static_cast<uint32_t>(in.Coord()) * 97u);
    fx.scale_or_colour = (in.U8() & 1) ? in.U32() : in.U8();
    fx.centre_x = in.Coord();
    fx.centre_y = in.Coord();
    const uint32_t options = in.U32() & 0x0FFFu;
    Rect r = in.AnyRect();
    switch ((op >> 4) % 10) {
      case 0: target.FillArea((op & 8) ? &r : nullptr, in.U32(), options & 1, &fx.opacity); break;
      case 1: target.PlotLine(in.Coord(), in.Coord(), in.Coord(), in.Coord(), in.U32(), options); break;
      case 2: target.BlitAt(in.Coord(), in.Coord(), &source, (op & 8) ? &r : nullptr, options, &fx); break;
      case 3: {
        Rect src = in.AnyRect();
        target.BlitTransformed((op & 8) ? &r : nullptr, &source, (op & 4) ? &src : nullptr, options,
                               &fx);
        break;
      }
      case 4: target.SetClipRect((op & 8) ? &r : nullptr); break;
      case 5: {
        // Re-create, possibly at the exchanged size, or turn the display.
        if (op & 8) {
          state.current_orientation = kOrientations[in.U8() % 5];
        } else {
          target.Create(in.U8() & 0x0F0Fu & ~0x0F00u, in.U8() % 40, in.U8() % 40);
        }
        break;
      }
      case 6: {
        PixelDescription d;
        if (target.LockPixels(&d) == kOk && (in.U8() & 1)) target.UnlockPixels();
        if (in.U8() & 1) target.UnlockPixels();
        break;
      }
      case 7: {
        platform::DcHandle dc = nullptr;
        if (target.AcquireDeviceContext(&dc) == kOk) target.ReleaseDeviceContext(dc);
        break;
      }
      case 8: {
        // A strip cut from the source's pixels, then text with it.
        font.Create(0, source.Width() > 0 ? source.Width() : 1, source.Height() > 0 ? source.Height() : 1);
        if (font.Pixels() != nullptr && source.Pixels() != nullptr &&
            font.Layout().byte_size == source.Layout().byte_size) {
          std::memcpy(font.Pixels(), source.Pixels(), font.Layout().byte_size);
        }
        const char16_t list[] = {u' ', u'a', u'b', static_cast<char16_t>(in.U8() | 0x100), 0};
        const int32_t spacing = in.Coord();
        font.CutGlyphs(list, in.U32(), in.U8() & 3, &spacing);
        const char16_t text[] = {u'a', static_cast<char16_t>(in.U8()), u'b', 0};
        DrawText(&target, in.Coord(), in.Coord(), text, &font, in.U8() & 6, options, &fx);
        break;
      }
      case 9: {
        const char16_t text[] = {static_cast<char16_t>(in.U8()), static_cast<char16_t>(in.U8()),
                                 0};
        if (text[0] != 0) {
          DrawText(&target, in.Coord(), in.Coord(), text,
                   (op & 8) ? ctx.BuiltinFontLarge() : ctx.BuiltinFont(), in.U8() & 6, options,
                   &fx);
        }
        break;
      }
    }
  }
  for (Surface& s : surfaces) {
    if (s.Flags() & kSurfaceLocked) s.UnlockPixels();
  }
  surfaces[2].ReleaseBuffer();  // before `frame` goes
  return 0;
}
