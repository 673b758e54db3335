// Fuzzes image decoding: the input is an image file (PNG, BMP or anything
// else) given to LoadFromMemory, in colour mode or alpha mode by the last
// byte. Afterwards the surface must be unlocked and, when decoding succeeded,
// of a size the decoders allow. It runs with memory limits (fuzz_defaults.h):
// a small input that costs a large allocation is reported as a fault.
#include <cstdint>

#include "fuzz_defaults.h"
#include "graphics/graphics_context.h"
#include "graphics/image_decoder.h"
#include "graphics/surface.h"

using namespace abacine;

namespace {

void Require(bool condition) {
  if (!condition) __builtin_trap();
}

GraphicsContext& Context() {
  static GraphicsContext* context = [] {
    auto* c = new GraphicsContext();
    DisplayState* s = c->State();
    s->open = 1;
    s->properties = DisplayProperties{480, 640, 2, 960, 16, kFormat565 | kFormatDirectAccess};
    return c;
  }();
  return *context;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  abacine::fuzz::UseMemoryLimits(argc, argv);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0 || size > 0xFFFFFFFFu) return 0;
  Surface surface(&Context());
  const uint32_t flags = (data[size - 1] & 1) != 0 ? kLoadAlphaAsGrey : 0;
  const ResultCode code = LoadFromMemory(&surface, flags, data, static_cast<uint32_t>(size));
  Require((surface.Flags() & kSurfaceLocked) == 0);
  if (Succeeded(code)) {
    Require(surface.Width() >= 1 && surface.Width() <= kMaxImageSide);
    Require(surface.Height() >= 1 && surface.Height() <= kMaxImageSide);
    Require(int64_t{surface.Width()} * surface.Height() <= kMaxImagePixels);
  }
  return 0;
}
