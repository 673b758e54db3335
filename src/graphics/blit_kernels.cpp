// The hot contiguous pixel kernels, out of line so that each is compiled
// (and vectorised) on its own. With GCC on x86-64 each also gets AVX2 and
// x86-64-v4 (AVX-512) clones, picked at load time: wide machines move 16 or
// 32 pixels per step, and AVX-512's masked stores let the colour-keyed copy
// skip reading the destination. The results are identical on every path
// (the tests run whichever the machine picks against per-pixel references).
#include <cstddef>
#include <cstdint>

#include "graphics/pixel_ops.h"
#include "graphics/pixel_ops_loops.h"

#if defined(__GNUC__) && !defined(__clang__) && defined(__x86_64__) && \
    !defined(__SANITIZE_ADDRESS__)
#define ABACINE_KERNEL __attribute__((target_clones("arch=x86-64-v4", "avx2", "default")))
#else
#define ABACINE_KERNEL
#endif

namespace abacine::loops {

namespace {

// The weighted blend per channel in 16-bit lanes, because they vectorise:
// the compiler packs sixteen pixels into an AVX2 register (thirty-two with
// AVX-512), where the 32-bit red-and-blue product of
// pixel::BlendWeighted565 would halve the lanes. Every product (difference
// * w, at most 63 * 31) fits a signed 16-bit lane and the arithmetic shift is
// the floor the blend asks for, so the result is BlendWeighted565's, bit for
// bit (the fill tests hold the kernel to the per-channel rule at every
// weight).
inline uint16_t BlendWeightedLanes(uint16_t s, uint16_t d, int32_t w) {
  const int16_t sr = static_cast<int16_t>(s >> 11), dr = static_cast<int16_t>(d >> 11);
  const int16_t sg = static_cast<int16_t>((s >> 5) & 63), dg = static_cast<int16_t>((d >> 5) & 63);
  const int16_t sb = static_cast<int16_t>(s & 31), db = static_cast<int16_t>(d & 31);
  const int16_t w16 = static_cast<int16_t>(w);
  const int16_t r = static_cast<int16_t>(dr + (static_cast<int16_t>((sr - dr) * w16) >> 5));
  const int16_t g = static_cast<int16_t>(dg + (static_cast<int16_t>((sg - dg) * w16) >> 5));
  const int16_t b = static_cast<int16_t>(db + (static_cast<int16_t>((sb - db) * w16) >> 5));
  return static_cast<uint16_t>((r << 11) | (g << 5) | b);
}

}  // namespace

// Vector stores that straddle a cache line cost about twice, and buffers
// and runs start anywhere; so each kernel first handles single pixels up to
// a 64-byte (cache line) boundary of the destination, then runs the vector
// loop on aligned stores.
constexpr uintptr_t kAlign = 64;
constexpr size_t kHeadBlock = kAlign / 2;  // pixels in one aligned block

inline size_t HeadPixels(const uint16_t* d, size_t n) {
  const size_t head = ((kAlign - (reinterpret_cast<uintptr_t>(d) & (kAlign - 1))) & (kAlign - 1)) / 2;
  return head < n ? head : n;
}

ABACINE_KERNEL void FillBlock(uint16_t* d, size_t n, uint16_t colour) {
  const size_t head = HeadPixels(d, n);
  for (size_t i = 0; i < head; ++i) d[i] = colour;
  if (head == n) return;  // short run: never reached the boundary
  uint16_t* a = static_cast<uint16_t*>(__builtin_assume_aligned(d + head, kAlign));
  const size_t rest = n - head;
  for (size_t i = 0; i < rest; ++i) a[i] = colour;
}

ABACINE_KERNEL void FillRunPlain(uint16_t* d, int32_t n, uint16_t colour) {
  FillBlock(d, static_cast<size_t>(n), colour);
}

ABACINE_KERNEL void FillRunHalf(uint16_t* d, int32_t n, uint16_t colour) {
  const uint16_t half = static_cast<uint16_t>((colour >> 1) & pixel::kHalfMask);
  const size_t head = HeadPixels(d, static_cast<size_t>(n));
  for (size_t i = 0; i < head; ++i) d[i] = static_cast<uint16_t>(half + ((d[i] >> 1) & pixel::kHalfMask));
  if (head == static_cast<size_t>(n)) return;
  uint16_t* a = static_cast<uint16_t*>(__builtin_assume_aligned(d + head, kAlign));
  const size_t rest = static_cast<size_t>(n) - head;
  for (size_t i = 0; i < rest; ++i) a[i] = static_cast<uint16_t>(half + ((a[i] >> 1) & pixel::kHalfMask));
}

ABACINE_KERNEL void FillRunWeighted(uint16_t* d, int32_t n, uint16_t colour, int32_t w) {
  const size_t head = HeadPixels(d, static_cast<size_t>(n));
  for (size_t i = 0; i < head; ++i) d[i] = BlendWeightedLanes(colour, d[i], w);
  if (head == static_cast<size_t>(n)) return;
  uint16_t* a = static_cast<uint16_t*>(__builtin_assume_aligned(d + head, kAlign));
  const size_t rest = static_cast<size_t>(n) - head;
  for (size_t i = 0; i < rest; ++i) a[i] = BlendWeightedLanes(colour, a[i], w);
}

ABACINE_KERNEL void CopyRunKeyed565(uint16_t* d, const uint16_t* s, int32_t n, uint16_t key) {
  const size_t head = HeadPixels(d, static_cast<size_t>(n));
  if (n >= static_cast<int32_t>(kHeadBlock)) {
    // A keyed copy may run over a pixel twice with the same result, so the
    // head is one unaligned block that the aligned loop then overlaps.
    for (size_t i = 0; i < kHeadBlock; ++i) d[i] = s[i] == key ? d[i] : s[i];
  } else {
    for (size_t i = 0; i < head; ++i) d[i] = s[i] == key ? d[i] : s[i];
  }
  if (head == static_cast<size_t>(n)) return;
  uint16_t* a = static_cast<uint16_t*>(__builtin_assume_aligned(d + head, kAlign));
  const uint16_t* b = s + head;
  const size_t rest = static_cast<size_t>(n) - head;
  for (size_t i = 0; i < rest; ++i) {
    const uint16_t v = b[i];
    a[i] = v == key ? a[i] : v;
  }
}

}  // namespace abacine::loops
