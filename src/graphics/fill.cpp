// FillArea: plain fills and fills with opacity (half and weighted blends).
#include <cstring>

#include "graphics/pixel_ops_loops.h"
#include "graphics/surface.h"
#include "graphics/surface_internal.h"

namespace abacine {

namespace {

using FillRunsFn = void (*)(RunSpan, const RunShape&, uint16_t, int32_t);

// Indexed by the blend the opacity asks for.
enum FillLoop { kFillPlain, kFillHalf, kFillWeighted };
constexpr FillRunsFn kFillLoops[] = {
    &loops::FillRuns<NoOpacityOp>,
    &loops::FillRuns<HalfBlendOp>,
    &loops::FillRuns<WeightedBlendOp>,
};

// The display's frame buffer has no bytes between its rows, so the whole
// buffer is one run.
bool DisplayUnpadded(const DisplayProperties& p) {
  const int64_t bytes = p.bits_per_pixel / 8;
  return int64_t{p.height} * bytes >= std::abs(int64_t{p.x_pitch}) &&
         int64_t{p.width} * bytes >= std::abs(int64_t{p.y_pitch});
}

}  // namespace

bool WholeBufferAllowed(const Surface& target) {
  if ((target.Flags() & kSurfaceSystemMemory) == 0) return false;
  if (target.Kind() != kSurfaceDisplay) return true;
  const DisplayState* state = SurfaceAccess::State(target);
  return state != nullptr && DisplayUnpadded(state->properties);
}

ResultCode Surface::FillArea(const Rect* rect, uint32_t colour, uint32_t options,
                             const uint32_t* opacity) {
  const bool with_opacity = (options & kFillOpacity) != 0;
  if (with_opacity && opacity == nullptr) return kErrInvalidArg;
  if (with_opacity && *opacity > 255) return kErrInvalidArg;

  const Box whole = WholeSurface(*this);
  Box area = rect != nullptr ? Normalised(ToBox(*rect)) : whole;
  const ClipRegion clip = DrawClip(*this);
  if (clip.excludes_all) return kOk;
  if (clip.active) {
    area = Intersect(area, clip.box);
    if (area.Empty()) return kOk;
  }
  if (const ResultCode code = CheckDrawSurfaces(*this, nullptr); code != kOk) return code;
  if (area.Empty()) return kErrBadRect;
  if ((Flags() & kSurfaceNoBoundsCheck) == 0 && !InsideSurface(*this, area)) return kErrBadRect;
  if (!InsideBuffer(*this, area)) return kErrBadRect;

  FillLoop loop = kFillPlain;
  int32_t weight = 0;
  if (with_opacity) {
    if (!Display565(*this)) return kErrWrongDisplayState;
    const uint32_t o = *opacity;
    if (o == 0) return kOk;
    if (o == 128) {
      loop = kFillHalf;
    } else if (o != 255) {
      loop = kFillWeighted;
      weight = static_cast<int32_t>(o >> 3);
    }
  }
  // On a display that is not 5-6-5 a plain fill still writes the truncated
  // 5-6-5 pixel: the one defined conversion.
  const uint16_t pixel = ColourToPixel(colour);

  if (loop == kFillPlain && !with_opacity && area.left == 0 && area.top == 0 &&
      area.right == whole.right && area.bottom == whole.bottom && WholeBufferAllowed(*this)) {
    loops::FillBlock(Pixels(), Layout().byte_size / 2, pixel);
    return kOk;
  }

  const RunShape shape = ShapeOf(*this, area);
  kFillLoops[loop](SpanOf(*this, area, shape.turned), shape, pixel, weight);
  return kOk;
}

}  // namespace abacine
