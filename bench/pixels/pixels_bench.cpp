// Surface operations on 480 x 640 RGB565 surfaces beside the peers a user
// would reach for: memcpy/memset, pixman and SDL2 (colour keys through its
// RLE fast path), on the same pixels. Whole frames as the calculator draws
// them, with warm caches and with cold ones (the paced loop comes back to
// its buffers after 33 ms of other work). After the usual table it prints
// our time per operation and the ratios against the peers, with the goals.
// Use --benchmark_repetitions=N on a busy machine: the ratios take the best
// repetition.
#include <SDL2/SDL.h>
#include <benchmark/benchmark.h>
#include <pixman.h>

#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "graphics/bitmap_font.h"
#include "graphics/graphics_context.h"
#include "graphics/surface.h"
#include "support/ratio_reporter.h"

namespace {

using namespace abacine;

constexpr int kW = 480;
constexpr int kH = 640;
constexpr uint32_t kKey = 0x00FF00FF;
constexpr uint16_t kKeyPixel = 0xF81F;

// One context with a 5-6-5 display opened by hand, and the surfaces every
// benchmark shares.
struct World {
  GraphicsContext ctx;
  Surface screen{&ctx};
  Surface copy_source{&ctx};
  Surface image{&ctx};   // 240 x 320 skin-like image with transparent parts
  Surface key_tile{&ctx};  // 60 x 50
  Surface background{&ctx};  // a full-screen skin image
  // Written over between cold iterations: more than the last-level cache.
  std::vector<uint8_t> evictor = std::vector<uint8_t>(size_t{64} << 20, 1);
  std::vector<uint16_t> raw_a = std::vector<uint16_t>(kW * kH);
  std::vector<uint16_t> raw_b = std::vector<uint16_t>(kW * kH);
  SDL_Surface* sdl_screen = nullptr;
  SDL_Surface* sdl_source = nullptr;
  SDL_Surface* sdl_image = nullptr;
  pixman_image_t* px_screen = nullptr;
  pixman_image_t* px_source = nullptr;

  World() {
    DisplayState& s = *ctx.State();
    s.open = 1;
    s.properties = DisplayProperties{kW, kH, 2, kW * 2, 16, 0xA0};
    screen.Create(kSurfaceClear, kW, kH);
    copy_source.Create(0, kW, kH);
    image.Create(0, 240, 320);
    key_tile.Create(0, 60, 50);
    background.Create(0, kW, kH);
    image.SetKeyColour(kKey);
    key_tile.SetKeyColour(kKey);
    std::mt19937 rng(1);
    Fill(copy_source, rng, 0);
    // Images: a third transparent in runs, the rest noise, as skin art is.
    FillKeyed(image, rng);
    FillKeyed(key_tile, rng);
    Fill(background, rng, 0);
    ctx.BuildBuiltinFonts();

    sdl_screen = SDL_CreateRGBSurfaceWithFormat(0, kW, kH, 16, SDL_PIXELFORMAT_RGB565);
    sdl_source = SDL_CreateRGBSurfaceWithFormatFrom(copy_source.Pixels(), kW, kH, 16, kW * 2,
                                                    SDL_PIXELFORMAT_RGB565);
    sdl_image = SDL_CreateRGBSurfaceWithFormatFrom(image.Pixels(), 240, 320, 16, 240 * 2,
                                                   SDL_PIXELFORMAT_RGB565);
    SDL_SetColorKey(sdl_image, SDL_TRUE, kKeyPixel);
    // SDL's fast path for keyed surfaces: runs of opaque pixels, encoded
    // once (at the first blit), then copied run by run.
    SDL_SetSurfaceRLE(sdl_image, 1);
    SDL_SetSurfaceBlendMode(sdl_source, SDL_BLENDMODE_NONE);
    px_screen = pixman_image_create_bits(PIXMAN_r5g6b5, kW, kH,
                                         reinterpret_cast<uint32_t*>(raw_a.data()), kW * 2);
    px_source = pixman_image_create_bits(PIXMAN_r5g6b5, kW, kH,
                                         reinterpret_cast<uint32_t*>(copy_source.Pixels()), kW * 2);
  }
  static void Fill(Surface& s, std::mt19937& rng, int) {
    for (size_t i = 0; i < s.Layout().byte_size / 2; ++i) s.Pixels()[i] = static_cast<uint16_t>(rng());
  }
  static void FillKeyed(Surface& s, std::mt19937& rng) {
    size_t i = 0;
    const size_t n = s.Layout().byte_size / 2;
    while (i < n) {
      const size_t run = 1 + rng() % 24;
      const bool key = rng() % 3 == 0;
      for (size_t k = 0; k < run && i < n; ++k, ++i) {
        s.Pixels()[i] = key ? kKeyPixel : static_cast<uint16_t>(rng() & 0xF7DE);
      }
    }
  }
};

World& W() {
  static World w;
  return w;
}

// Pushes every buffer of the benchmarks out of the caches, outside the
// timed part.
void GoCold(benchmark::State& st) {
  st.PauseTiming();
  for (size_t i = 0; i < W().evictor.size(); i += 64) W().evictor[i] = static_cast<uint8_t>(W().evictor[i] + 1);
  benchmark::ClobberMemory();
  st.ResumeTiming();
}

void BM_Copy_Ours(benchmark::State& st) {
  for (auto _ : st) {
    W().screen.BlitAt(0, 0, &W().copy_source, nullptr, 0, nullptr);
    benchmark::ClobberMemory();
  }
}
void BM_Copy_Runs_Ours(benchmark::State& st) {
  // Same amount of pixels, but through the per-run path (one pixel short of
  // the whole surface on each side keeps the single-block path out).
  const Rect r{1, 1, kW - 1, kH - 1};
  for (auto _ : st) {
    W().screen.BlitAt(1, 1, &W().copy_source, &r, 0, nullptr);
    benchmark::ClobberMemory();
  }
}
void BM_Copy_Memcpy(benchmark::State& st) {
  for (auto _ : st) {
    std::memcpy(W().raw_a.data(), W().copy_source.Pixels(), kW * kH * 2);
    benchmark::ClobberMemory();
  }
}
void BM_Copy_Pixman(benchmark::State& st) {
  for (auto _ : st) {
    pixman_image_composite32(PIXMAN_OP_SRC, W().px_source, nullptr, W().px_screen, 0, 0, 0, 0, 0,
                             0, kW, kH);
    benchmark::ClobberMemory();
  }
}
void BM_Copy_SDL(benchmark::State& st) {
  for (auto _ : st) {
    SDL_BlitSurface(W().sdl_source, nullptr, W().sdl_screen, nullptr);
    benchmark::ClobberMemory();
  }
}
void BM_Fill_Ours(benchmark::State& st) {
  uint32_t c = 0x123456;
  for (auto _ : st) {
    W().screen.FillArea(nullptr, c++, 0, nullptr);
    benchmark::ClobberMemory();
  }
}
void BM_Fill_Memset(benchmark::State& st) {
  int c = 0;
  for (auto _ : st) {
    std::memset(W().raw_a.data(), c++ & 0xFF, kW * kH * 2);
    benchmark::ClobberMemory();
  }
}
void BM_Fill_Pixman(benchmark::State& st) {
  uint32_t c = 0x1234;
  for (auto _ : st) {
    pixman_fill(reinterpret_cast<uint32_t*>(W().raw_a.data()), kW * 2 / 4, 16, 0, 0, kW, kH,
                c++ & 0xFFFF);
    benchmark::ClobberMemory();
  }
}
void BM_FillOpacity128_Ours(benchmark::State& st) {
  const uint32_t o = 128;
  for (auto _ : st) {
    W().screen.FillArea(nullptr, 0x336699, kFillOpacity, &o);
    benchmark::ClobberMemory();
  }
}
void BM_FillOpacity100_Ours(benchmark::State& st) {
  const uint32_t o = 100;
  for (auto _ : st) {
    W().screen.FillArea(nullptr, 0x336699, kFillOpacity, &o);
    benchmark::ClobberMemory();
  }
}
void BM_KeyedCopy_Ours(benchmark::State& st) {
  for (auto _ : st) {
    W().screen.BlitAt(117, 161, &W().image, nullptr, kBlitColourKey, nullptr);
    benchmark::ClobberMemory();
  }
}
void BM_KeyedCopy_SDL(benchmark::State& st) {
  SDL_Rect at{117, 161, 240, 320};
  for (auto _ : st) {
    SDL_Rect d = at;
    SDL_BlitSurface(W().sdl_image, nullptr, W().sdl_screen, &d);
    benchmark::ClobberMemory();
  }
}
void BM_KeyedCopy_Memcpy(benchmark::State& st) {
  for (auto _ : st) {
    std::memcpy(W().raw_b.data(), W().image.Pixels(), 240 * 320 * 2);
    benchmark::ClobberMemory();
  }
}
void BM_Rotate30Zoom150_Ours(benchmark::State& st) {
  Effects fx;
  fx.angle = 3000;
  fx.scale_or_colour = 150;
  for (auto _ : st) {
    W().screen.BlitTransformed(nullptr, &W().image, nullptr,
                               kBlitColourKey | kBlitRotate | kBlitZoom, &fx);
    benchmark::ClobberMemory();
  }
}
void BM_DrawText40_Ours(benchmark::State& st) {
  const char16_t* text = u"SIN(30)+COS(45)*TAN(60)/LN(2.5)-SQRT(9)";  // 40 characters
  for (auto _ : st) {
    DrawText(&W().screen, 10, 300, text, W().ctx.BuiltinFont(), 0, 0, nullptr);
    benchmark::ClobberMemory();
  }
}
// The calculator's frame: a background (one colour, or a full-screen skin
// image), 25 keyed key images and five lines of text.
enum class Background { kFill, kImage };
void DrawFrame(Background background) {
  const char16_t* text = u"SIN(30)+COS(45)*TAN(60)/LN(2.5)-SQRT(9)";
  World& w = W();
  if (background == Background::kFill) {
    w.screen.FillArea(nullptr, 0x202020, 0, nullptr);
  } else {
    w.screen.BlitAt(0, 0, &w.background, nullptr, 0, nullptr);
  }
  for (int k = 0; k < 25; ++k) {
    w.screen.BlitAt(20 + (k % 5) * 90, 120 + (k / 5) * 100, &w.key_tile, nullptr, kBlitColourKey,
                    nullptr);
  }
  for (int line = 0; line < 5; ++line) {
    DrawText(&w.screen, 10, 20 + line * 16, text, w.ctx.BuiltinFont(), 0, 0, nullptr);
  }
  benchmark::ClobberMemory();
}
void BM_Frame_Ours(benchmark::State& st) {
  for (auto _ : st) DrawFrame(Background::kFill);
}
void BM_FrameImage_Ours(benchmark::State& st) {
  for (auto _ : st) DrawFrame(Background::kImage);
}
// Cold: every buffer comes from memory, as in the paced loop.
void BM_Frame_Cold_Ours(benchmark::State& st) {
  for (auto _ : st) {
    GoCold(st);
    DrawFrame(Background::kFill);
  }
}
void BM_FrameImage_Cold_Ours(benchmark::State& st) {
  for (auto _ : st) {
    GoCold(st);
    DrawFrame(Background::kImage);
  }
}
void BM_Fill_Cold_Ours(benchmark::State& st) {
  uint32_t c = 0x123456;
  for (auto _ : st) {
    GoCold(st);
    W().screen.FillArea(nullptr, c++, 0, nullptr);
    benchmark::ClobberMemory();
  }
}
void BM_Fill_Cold_Memset(benchmark::State& st) {
  int c = 0;
  for (auto _ : st) {
    GoCold(st);
    std::memset(W().raw_a.data(), c++ & 0xFF, kW * kH * 2);
    benchmark::ClobberMemory();
  }
}
void BM_Copy_Cold_Ours(benchmark::State& st) {
  for (auto _ : st) {
    GoCold(st);
    W().screen.BlitAt(0, 0, &W().copy_source, nullptr, 0, nullptr);
    benchmark::ClobberMemory();
  }
}
void BM_Copy_Cold_Memcpy(benchmark::State& st) {
  for (auto _ : st) {
    GoCold(st);
    std::memcpy(W().raw_a.data(), W().copy_source.Pixels(), kW * kH * 2);
    benchmark::ClobberMemory();
  }
}

BENCHMARK(BM_Copy_Ours);
BENCHMARK(BM_Copy_Runs_Ours);
BENCHMARK(BM_Copy_Memcpy);
BENCHMARK(BM_Copy_Pixman);
BENCHMARK(BM_Copy_SDL);
BENCHMARK(BM_Fill_Ours);
BENCHMARK(BM_Fill_Memset);
BENCHMARK(BM_Fill_Pixman);
BENCHMARK(BM_FillOpacity128_Ours);
BENCHMARK(BM_FillOpacity100_Ours);
BENCHMARK(BM_KeyedCopy_Ours);
BENCHMARK(BM_KeyedCopy_SDL);
BENCHMARK(BM_KeyedCopy_Memcpy);
BENCHMARK(BM_Rotate30Zoom150_Ours);
BENCHMARK(BM_DrawText40_Ours);
BENCHMARK(BM_Frame_Ours);
BENCHMARK(BM_FrameImage_Ours);
// Few iterations: each cold one first writes 64 MB.
BENCHMARK(BM_Frame_Cold_Ours)->Iterations(300);
BENCHMARK(BM_FrameImage_Cold_Ours)->Iterations(300);
BENCHMARK(BM_Fill_Cold_Ours)->Iterations(300);
BENCHMARK(BM_Fill_Cold_Memset)->Iterations(300);
BENCHMARK(BM_Copy_Cold_Ours)->Iterations(300);
BENCHMARK(BM_Copy_Cold_Memcpy)->Iterations(300);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  abacine::bench::RatioReporter r;
  benchmark::RunSpecifiedBenchmarks(&r);
  std::printf("\nours vs peer (lower ratio is better)\n");
  r.Ratio("copy 480x640 vs memcpy", "BM_Copy_Ours", "BM_Copy_Memcpy", "goal <= 1.3");
  r.Ratio("copy 480x640 (per-run path) vs memcpy", "BM_Copy_Runs_Ours", "BM_Copy_Memcpy");
  r.Ratio("copy 480x640 vs pixman SRC", "BM_Copy_Ours", "BM_Copy_Pixman");
  r.Ratio("copy 480x640 vs SDL_BlitSurface", "BM_Copy_Ours", "BM_Copy_SDL");
  r.Ratio("fill 480x640 vs memset", "BM_Fill_Ours", "BM_Fill_Memset");
  r.Ratio("fill 480x640 vs pixman_fill", "BM_Fill_Ours", "BM_Fill_Pixman", "goal <= 1.2");
  r.Ratio("keyed copy 240x320 vs memcpy of its bytes", "BM_KeyedCopy_Ours", "BM_KeyedCopy_Memcpy",
          "goal <= 2");
  r.Ratio("keyed copy 240x320 vs SDL colour key (RLE)", "BM_KeyedCopy_Ours", "BM_KeyedCopy_SDL");
  r.Ratio("fill opacity 128 vs plain fill", "BM_FillOpacity128_Ours", "BM_Fill_Ours");
  r.Ratio("fill opacity 100 vs plain fill", "BM_FillOpacity100_Ours", "BM_Fill_Ours");
  r.Ratio("cold caches: fill 480x640 vs memset", "BM_Fill_Cold_Ours", "BM_Fill_Cold_Memset");
  r.Ratio("cold caches: copy 480x640 vs memcpy", "BM_Copy_Cold_Ours", "BM_Copy_Cold_Memcpy");
  r.Time("rotate 30 deg, zoom 150%, 240x320 keyed", "BM_Rotate30Zoom150_Ours");
  r.Time("DrawText, 40 characters", "BM_DrawText40_Ours");
  r.Time("whole frame (fill, 25 keyed blits, 200 glyphs)", "BM_Frame_Ours", "goal < 1000 us");
  r.Time("whole frame, full-screen image background", "BM_FrameImage_Ours", "goal < 1000 us");
  r.Time("whole frame, cold caches", "BM_Frame_Cold_Ours", "goal < 1000 us");
  r.Time("whole frame, image background, cold caches", "BM_FrameImage_Cold_Ours", "goal < 1000 us");
  SDL_FreeSurface(W().sdl_screen);
  SDL_FreeSurface(W().sdl_source);
  SDL_FreeSurface(W().sdl_image);
  pixman_image_unref(W().px_screen);
  pixman_image_unref(W().px_source);
  benchmark::Shutdown();
  return 0;
}
