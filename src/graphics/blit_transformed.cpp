// BlitTransformed: rotated and zoomed copies by inverse mapping in 16.16
// fixed point, with colour key and opacity.
//
// For destination pixel (i, j) of the drawn area the source position is
//   u = Ku + i*Bx - j*256*(Ay >> 8)      v = Kv + i*Ay + j*256*(Bx >> 8)
//   Ku = Ws*32768 + (Bx >> 1) - (cx16 >> 8)*(Bx >> 8) - (Ay >> 1) + (Ay >> 8)*(cy16 >> 8)
//   Kv = Hs*32768 + (Ay >> 1) + (Bx >> 1) - (cx16 >> 8)*(Ay >> 8) - (Bx >> 8)*(cy16 >> 8)
// (the pixel's centre rotated back about the centre and scaled by 1/zoom,
// measured from the source's middle). The loops walk physical runs and step
// u and v by the exact increments of that formula, so every pixel gets the
// value the formula gives; 64-bit sums keep it exact for any argument.
#include <cmath>
#include <numbers>

#include "graphics/pixel_ops_loops.h"
#include "graphics/surface.h"
#include "graphics/surface_internal.h"
#include "numeric/trunc_int.h"

namespace abacine {

namespace {

struct TransformJob {
  RunSpan dest;           // runs in memory order, along > 0 or the strided form
  RunShape shape;
  const uint16_t* source; // source rectangle's top-left pixel
  ptrdiff_t source_x_step;
  ptrdiff_t source_y_step;
  int64_t ws;
  int64_t hs;
  int64_t u0, v0;          // at the first pixel of run 0
  int64_t du_along, dv_along;
  int64_t du_between, dv_between;
  uint16_t key;
  int32_t weight;
};

template <class Key, class Blend>
void TransformRuns(const TransformJob& j) {
  for (int32_t r = 0; r < j.shape.count; ++r) {
    uint16_t* p = j.dest.first + r * j.dest.between;
    int64_t u = j.u0 + r * j.du_between;
    int64_t v = j.v0 + r * j.dv_between;
    for (int32_t n = 0; n < j.shape.length; ++n, p += j.dest.along, u += j.du_along,
                 v += j.dv_along) {
      if (u < 0 || v < 0) continue;
      const int64_t su = u >> 16;
      const int64_t sv = v >> 16;
      if (su >= j.ws || sv >= j.hs) continue;
      const uint16_t s = j.source[su * j.source_x_step + sv * j.source_y_step];
      if (Key::Skip(s, j.key)) continue;
      *p = Blend::Apply(s, *p, j.weight);
    }
  }
}

using TransformLoop = void (*)(const TransformJob&);
// [colour key][opacity: none, half, weighted]
constexpr TransformLoop kTransformLoops[2][3] = {
    {&TransformRuns<NoKeyOp, NoOpacityOp>, &TransformRuns<NoKeyOp, HalfBlendOp>,
     &TransformRuns<NoKeyOp, WeightedBlendOp>},
    {&TransformRuns<KeyOp, NoOpacityOp>, &TransformRuns<KeyOp, HalfBlendOp>,
     &TransformRuns<KeyOp, WeightedBlendOp>},
};

}  // namespace

ResultCode Surface::BlitTransformed(const Rect* dest, const Surface* source,
                                    const Rect* source_rect, uint32_t options,
                                    const Effects* effects) {
  if (source == nullptr) return kErrInvalidArg;
  // The opacity, too, is read from the record.
  if ((options & (kBlitRotate | kBlitZoom | kBlitCentre | kBlitOpacity)) != 0 &&
      effects == nullptr) {
    return kErrInvalidArg;
  }
  uint32_t opacity = 255;
  if (options & kBlitOpacity) {
    opacity = effects->opacity;
    if (opacity > 255) return kErrInvalidArg;
  }

  const Box d = dest != nullptr ? Normalised(ToBox(*dest)) : WholeSurface(*this);
  Box s = WholeSurface(*source);
  if (source_rect != nullptr && source_rect->right - int64_t{source_rect->left} >= 1 &&
      source_rect->bottom - int64_t{source_rect->top} >= 1) {
    s = ToBox(*source_rect);
  }
  int64_t cx = d.Width() >> 1;
  int64_t cy = d.Height() >> 1;
  if (options & kBlitCentre) {
    cx = effects->centre_x;
    cy = effects->centre_y;
  }
  const double theta =
      (options & kBlitRotate) ? -static_cast<double>(effects->angle) * std::numbers::pi / 18000.0
                              : 0.0;
  const bool zoom = (options & kBlitZoom) != 0;
  const uint32_t scale = zoom ? effects->scale_or_colour : 100;
  if (zoom && scale == 0) return kOk;
  const float z = zoom ? static_cast<float>(scale) * 0.01f : 1.0f;

  const int64_t ws = s.Width();
  const int64_t hs = s.Height();
  const double cos_t = std::cos(theta);
  const double sin_t = std::sin(theta);

  Box area = d;
  const ClipRegion clip = DrawClip(*this);
  if (clip.excludes_all) return kOk;
  if (clip.active) {
    area = Cut(area, clip.box);
    if (area.Empty()) return kOk;
  }
  const int64_t g = TruncToInt32(
      (static_cast<double>(ws) * std::fabs(cos_t) + static_cast<double>(hs) * std::fabs(sin_t)) * z /
          2 +
      1);
  const int64_t i_ext = TruncToInt32(
      (static_cast<double>(ws) * std::fabs(sin_t) + static_cast<double>(hs) * std::fabs(cos_t)) * z /
          2 +
      1);
  const int64_t centre_x = d.left + cx;
  const int64_t centre_y = d.top + cy;
  area = Cut(area, Box{centre_x - g, centre_y - i_ext, centre_x + g, centre_y + i_ext});
  if (area.Empty()) return kOk;
  const int64_t cx16 = (centre_x - area.left) * 65536;
  const int64_t cy16 = (centre_y - area.top) * 65536;

  if (const ResultCode code = CheckDrawSurfaces(*this, source); code != kOk) return code;
  if (ws < 1 || hs < 1) return kErrBadRect;
  if ((Flags() & kSurfaceNoBoundsCheck) == 0 && !InsideSurface(*this, area)) return kErrBadRect;
  if ((source->Flags() & kSurfaceNoBoundsCheck) == 0 && !InsideSurface(*source, s)) {
    return kErrBadRect;
  }
  if (!InsideBuffer(*this, area) || !InsideBuffer(*source, s)) return kErrBadRect;
  if (!Display565(*this)) return kErrWrongDisplayState;
  if (opacity == 0) return kOk;

  int64_t bx = 0;
  int64_t ay = 0;
  const float cos_f = static_cast<float>(cos_t);
  const float sin_f = static_cast<float>(sin_t);
  if (zoom) {
    bx = TruncToInt32(static_cast<double>(cos_f * 6553600.0f / static_cast<float>(scale)));
    ay = TruncToInt32(static_cast<double>(sin_f * 6553600.0f / static_cast<float>(scale)));
  } else {
    bx = TruncToInt32(static_cast<double>(cos_f * 65536.0f));
    ay = TruncToInt32(static_cast<double>(sin_f * 65536.0f));
  }
  const int64_t ku = ws * 32768 + (bx >> 1) - (cx16 >> 8) * (bx >> 8) - (ay >> 1) +
                     (ay >> 8) * (cy16 >> 8);
  const int64_t kv = hs * 32768 + (ay >> 1) + (bx >> 1) - (cx16 >> 8) * (ay >> 8) -
                     (bx >> 8) * (cy16 >> 8);
  const int64_t du_di = bx;
  const int64_t dv_di = ay;
  const int64_t du_dj = -256 * (ay >> 8);
  const int64_t dv_dj = 256 * (bx >> 8);

  TransformJob job;
  job.shape = ShapeOf(*this, area);
  const bool turned = job.shape.turned;
  // Runs walk up through memory: a negative step along the run means the
  // run starts at the area's far edge and moves back along that axis.
  const SurfaceLayout& l = Layout();
  const ptrdiff_t along = turned ? l.y_step : l.x_step;
  const bool reversed = along < 0;
  const int64_t last = job.shape.length - 1;
  int64_t i0 = 0;
  int64_t j0 = 0;
  int64_t di = 0;
  int64_t dj = 0;
  if (turned) {
    j0 = reversed ? last : 0;
    dj = reversed ? -1 : 1;
  } else {
    i0 = reversed ? last : 0;
    di = reversed ? -1 : 1;
  }
  job.dest.first = Pixels() + IndexOf(*this, area.left + i0, area.top + j0);
  job.dest.along = reversed ? -along : along;
  job.dest.between = turned ? l.x_step : l.y_step;
  job.u0 = ku + i0 * du_di + j0 * du_dj;
  job.v0 = kv + i0 * dv_di + j0 * dv_dj;
  job.du_along = di * du_di + dj * du_dj;
  job.dv_along = di * dv_di + dj * dv_dj;
  job.du_between = turned ? du_di : du_dj;
  job.dv_between = turned ? dv_di : dv_dj;
  job.source = source->Pixels() + IndexOf(*source, s.left, s.top);
  job.source_x_step = source->Layout().x_step;
  job.source_y_step = source->Layout().y_step;
  job.ws = ws;
  job.hs = hs;
  job.key = ColourToPixel(source->KeyColour());
  int blend = 0;
  if (opacity == 128) {
    blend = 1;
  } else if (opacity != 255) {
    blend = 2;
    job.weight = static_cast<int32_t>(opacity >> 3);
  }
  if (blend != 2) job.weight = 0;
  kTransformLoops[(options & kBlitColourKey) ? 1 : 0][blend](job);
  return kOk;
}

}  // namespace abacine
