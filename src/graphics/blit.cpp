// BlitAt: plain copies (one block for a whole surface, memory blocks per
// run), colour-keyed copies, and the multiply and screen effects.
#include <cstring>

#include "graphics/pixel_ops_loops.h"
#include "graphics/surface.h"
#include "graphics/surface_internal.h"

namespace abacine {

namespace {

struct BlitJob {
  RunSpan dest;
  RunSpan source;
  RunShape shape;
  uint16_t key;
  uint32_t colour;
};

void CopyPlain(const BlitJob& j) {
  loops::TwoSurfaceRuns(
      j.dest, j.source, j.shape,
      [](uint16_t* d, const uint16_t* s, int32_t n) { loops::CopyRun(d, s, n); },
      [](uint16_t s, uint16_t) { return s; });
}

void CopyKeyed(const BlitJob& j) {
  const uint16_t key = j.key;
  loops::TwoSurfaceRuns(
      j.dest, j.source, j.shape,
      [key](uint16_t* d, const uint16_t* s, int32_t n) { loops::CopyRunKeyed565(d, s, n, key); },
      [key](uint16_t s, uint16_t d) { return s == key ? d : s; });
}

template <uint16_t (*Effect)(uint16_t, uint32_t), class Key>
void CopyEffect(const BlitJob& j) {
  const uint16_t key = j.key;
  const uint32_t colour = j.colour;
  loops::TwoSurfaceRuns(
      j.dest, j.source, j.shape,
      [key, colour](uint16_t* d, const uint16_t* s, int32_t n) {
        loops::EffectRun565<Effect, Key>(d, s, n, key, colour);
      },
      [key, colour](uint16_t s, uint16_t d) { return Key::Skip(s, key) ? d : Effect(s, colour); });
}

// Loop per option combination: [effect][key], effect 0 none, 1 multiply,
// 2 screen (multiply wins when both are asked).
using BlitLoop = void (*)(const BlitJob&);
constexpr BlitLoop kBlitLoops[3][2] = {
    {&CopyPlain, &CopyKeyed},
    {&CopyEffect<pixel::Multiply565, NoKeyOp>, &CopyEffect<pixel::Multiply565, KeyOp>},
    {&CopyEffect<pixel::Screen565, NoKeyOp>, &CopyEffect<pixel::Screen565, KeyOp>},
};

// Cuts `moved` to `limit` and the partner rectangle by the same amounts.
void CutPair(Box& moved, Box& partner, const Box& limit) {
  const int64_t l = std::max<int64_t>(0, limit.left - moved.left);
  const int64_t t = std::max<int64_t>(0, limit.top - moved.top);
  const int64_t r = std::max<int64_t>(0, moved.right - limit.right);
  const int64_t b = std::max<int64_t>(0, moved.bottom - limit.bottom);
  moved = {moved.left + l, moved.top + t, moved.right - r, moved.bottom - b};
  partner = {partner.left + l, partner.top + t, partner.right - r, partner.bottom - b};
}

}  // namespace

ResultCode Surface::BlitAt(int32_t x, int32_t y, const Surface* source, const Rect* source_rect,
                           uint32_t options, const Effects* effects) {
  if (source == nullptr) return kErrInvalidArg;
  const bool effect = (options & (kBlitMultiply | kBlitScreen)) != 0;
  if (effect && effects == nullptr) return kErrInvalidArg;

  Box src = source_rect != nullptr ? ToBox(*source_rect) : WholeSurface(*source);
  Box dst{x, y, x + src.Width(), y + src.Height()};
  if (!src.Empty()) {
    const ClipRegion clip = DrawClip(*this);
    if (clip.excludes_all) return kOk;
    if (clip.active) {
      CutPair(dst, src, clip.box);
      if (dst.Empty()) return kOk;
    }
    // A source that skips its bounds checks is still only read inside itself.
    if ((source->Flags() & kSurfaceNoBoundsCheck) != 0) {
      CutPair(src, dst, WholeSurface(*source));
      if (src.Empty()) return kOk;
    }
  }

  if (const ResultCode code = CheckDrawSurfaces(*this, source); code != kOk) return code;
  if (src.Width() < 1 || src.Height() < 1) return kErrBadRect;
  if ((Flags() & kSurfaceNoBoundsCheck) == 0 && !InsideSurface(*this, dst)) return kErrBadRect;
  if ((source->Flags() & kSurfaceNoBoundsCheck) == 0 && !InsideSurface(*source, src)) {
    return kErrBadRect;
  }
  if (!InsideBuffer(*this, dst) || !InsideBuffer(*source, src)) return kErrBadRect;

  const bool keyed = (options & kBlitColourKey) != 0;
  if ((keyed || effect) && !Display565(*this)) return kErrWrongDisplayState;

  if (!keyed && !effect) {
    const SurfaceLayout& t = Layout();
    const SurfaceLayout& s = source->Layout();
    const bool whole = dst.left == 0 && dst.top == 0 && src.left == 0 && src.top == 0 &&
                       dst.right == t.width && dst.bottom == t.height &&
                       src.right == s.width && src.bottom == s.height;
    if (whole && t.x_step == s.x_step && t.y_step == s.y_step && t.origin == s.origin &&
        t.byte_size == s.byte_size && WholeBufferAllowed(*this)) {
      std::memmove(Pixels(), source->Pixels(), t.byte_size);
      return kOk;
    }
  }

  BlitJob job;
  job.shape = ShapeOf(*this, dst);
  job.dest = SpanOf(*this, dst, job.shape.turned);
  job.source = SpanOf(*source, src, job.shape.turned);
  job.key = ColourToPixel(source->KeyColour());
  job.colour = effect ? effects->scale_or_colour : 0;
  const int effect_index = (options & kBlitMultiply) ? 1 : (options & kBlitScreen) ? 2 : 0;
  kBlitLoops[effect_index][keyed ? 1 : 0](job);
  return kOk;
}

}  // namespace abacine
