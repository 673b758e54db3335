// Pixel loops over runs. A dispatcher clips and checks once, describes the
// area as runs (surface_internal.h) and calls one of these templates, which
// test nothing inside but the colour key. Runs with unit steps go through the
// contiguous kernels, written as straight loops over plain pointers so that
// the compiler vectorises them (the pixel files build with -O3); any other
// step goes through the strided form, pixel by pixel, with the same per-pixel
// result.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <type_traits>

#include "graphics/pixel_ops.h"
#include "graphics/surface_internal.h"

namespace abacine::loops {

// --- Contiguous kernels ----------------------------------------------------

// Out of line in blit_kernels.cpp.
void FillBlock(uint16_t* d, size_t n, uint16_t colour);
void FillRunPlain(uint16_t* d, int32_t n, uint16_t colour);
void FillRunHalf(uint16_t* d, int32_t n, uint16_t colour);
void FillRunWeighted(uint16_t* d, int32_t n, uint16_t colour, int32_t w);
void CopyRunKeyed565(uint16_t* d, const uint16_t* s, int32_t n, uint16_t key);

template <class Blend>
inline void FillRun(uint16_t* d, int32_t n, uint16_t colour, int32_t w) {
  if constexpr (std::is_same_v<Blend, NoOpacityOp>) {
    FillRunPlain(d, n, colour);
  } else if constexpr (std::is_same_v<Blend, HalfBlendOp>) {
    FillRunHalf(d, n, colour);
  } else {
    FillRunWeighted(d, n, colour, w);
  }
}

inline void CopyRun(uint16_t* d, const uint16_t* s, int32_t n) {
  // Source and target may be one surface, so the block may overlap.
  std::memmove(d, s, static_cast<size_t>(n) * sizeof(uint16_t));
}

template <uint16_t (*Effect)(uint16_t, uint32_t), class Key>
inline void EffectRun565(uint16_t* d, const uint16_t* s, int32_t n, uint16_t key,
                         uint32_t colour) {
  for (int32_t i = 0; i < n; ++i) {
    const uint16_t v = s[i];
    d[i] = Key::Skip(v, key) ? d[i] : Effect(v, colour);
  }
}

// --- Templates over runs -----------------------------------------------------

template <class Blend>
void FillRuns(RunSpan d, const RunShape& shape, uint16_t colour, int32_t w) {
  ToLowestAddress(d, shape.length);
  if (d.along == 1) {
    for (int32_t r = 0; r < shape.count; ++r) {
      FillRun<Blend>(d.first + r * d.between, shape.length, colour, w);
    }
    return;
  }
  for (int32_t r = 0; r < shape.count; ++r) {
    uint16_t* p = d.first + r * d.between;
    for (int32_t i = 0; i < shape.length; ++i, p += d.along) *p = Blend::Apply(colour, *p, w);
  }
}

// Pairs the runs of target and source so that both walk up through memory
// when they can; false when the steps leave only the strided form.
inline bool MakeContiguous(RunSpan& d, RunSpan& s, int32_t length) {
  if (d.along < 0 && s.along < 0) {
    ToLowestAddress(d, length);
    ToLowestAddress(s, length);
  }
  return d.along == 1 && s.along == 1;
}

// Op: void(uint16_t* d, const uint16_t* s, int32_t n) for contiguous runs and
// uint16_t(uint16_t s, uint16_t d) per pixel for the strided form.
template <class Contiguous, class PerPixel>
void TwoSurfaceRuns(RunSpan d, RunSpan s, const RunShape& shape, Contiguous contiguous,
                    PerPixel per_pixel) {
  if (MakeContiguous(d, s, shape.length)) {
    for (int32_t r = 0; r < shape.count; ++r) {
      contiguous(d.first + r * d.between, s.first + r * s.between, shape.length);
    }
    return;
  }
  for (int32_t r = 0; r < shape.count; ++r) {
    uint16_t* p = d.first + r * d.between;
    const uint16_t* q = s.first + r * s.between;
    for (int32_t i = 0; i < shape.length; ++i, p += d.along, q += s.along) {
      *p = per_pixel(*q, *p);
    }
  }
}

}  // namespace abacine::loops
