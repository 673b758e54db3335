// Surface operations on 480 x 640 RGB565 surfaces beside the peers a user
// would reach for: memcpy/memset, pixman and SDL2, on the same pixels. After
// the usual table it prints our time per operation and the ratios against
// the peers, with the goals. Use --benchmark_repetitions=N on a busy
// machine: the ratios take the best repetition.
#include <SDL2/SDL.h>
#include <benchmark/benchmark.h>
#include <pixman.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "graphics/bitmap_font.h"
#include "graphics/graphics_context.h"
#include "graphics/surface.h"

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
    image.SetKeyColour(kKey);
    key_tile.SetKeyColour(kKey);
    std::mt19937 rng(1);
    Fill(copy_source, rng, 0);
    // Images: a third transparent in runs, the rest noise, as skin art is.
    FillKeyed(image, rng);
    FillKeyed(key_tile, rng);
    ctx.BuildBuiltinFonts();

    sdl_screen = SDL_CreateRGBSurfaceWithFormat(0, kW, kH, 16, SDL_PIXELFORMAT_RGB565);
    sdl_source = SDL_CreateRGBSurfaceWithFormatFrom(copy_source.Pixels(), kW, kH, 16, kW * 2,
                                                    SDL_PIXELFORMAT_RGB565);
    sdl_image = SDL_CreateRGBSurfaceWithFormatFrom(image.Pixels(), 240, 320, 16, 240 * 2,
                                                   SDL_PIXELFORMAT_RGB565);
    SDL_SetColorKey(sdl_image, SDL_TRUE, kKeyPixel);
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
void BM_Frame_Ours(benchmark::State& st) {
  const char16_t* text = u"SIN(30)+COS(45)*TAN(60)/LN(2.5)-SQRT(9)";
  for (auto _ : st) {
    World& w = W();
    w.screen.FillArea(nullptr, 0x202020, 0, nullptr);
    for (int k = 0; k < 25; ++k) {
      w.screen.BlitAt(20 + (k % 5) * 90, 120 + (k / 5) * 100, &w.key_tile, nullptr,
                      kBlitColourKey, nullptr);
    }
    for (int line = 0; line < 5; ++line) {
      DrawText(&w.screen, 10, 20 + line * 16, text, w.ctx.BuiltinFont(), 0, 0, nullptr);
    }
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

// Keeps the console table and notes each benchmark's time per iteration.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    // CPU time in ns, the best of the repetitions: the machine is shared,
    // and the best run is the one least disturbed.
    for (const Run& r : runs) {
      if (r.run_type != Run::RT_Iteration || r.iterations == 0) continue;
      const std::string& name = r.run_name.function_name;
      const double t = r.GetAdjustedCPUTime();
      const auto it = ns_.find(name);
      if (it == ns_.end() || t < it->second) ns_[name] = t;
    }
  }
  double Ns(const std::string& name) const {
    const auto it = ns_.find(name);
    return it == ns_.end() ? 0.0 : it->second;
  }

 private:
  std::map<std::string, double> ns_;
};

void Ratio(const RatioReporter& r, const char* what, const char* ours, const char* peer,
           const char* goal) {
  const double a = r.Ns(ours), b = r.Ns(peer);
  if (a > 0 && b > 0) {
    std::printf("%-44s %10.1f us vs %10.1f us  ratio %5.2f  %s\n", what, a / 1000, b / 1000, a / b,
                goal);
  }
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  std::printf("\nours vs peer (lower ratio is better)\n");
  Ratio(reporter, "copy 480x640 vs memcpy", "BM_Copy_Ours", "BM_Copy_Memcpy", "goal <= 1.3");
  Ratio(reporter, "copy 480x640 (per-run path) vs memcpy", "BM_Copy_Runs_Ours", "BM_Copy_Memcpy",
        "");
  Ratio(reporter, "copy 480x640 vs pixman SRC", "BM_Copy_Ours", "BM_Copy_Pixman", "");
  Ratio(reporter, "copy 480x640 vs SDL_BlitSurface", "BM_Copy_Ours", "BM_Copy_SDL", "");
  Ratio(reporter, "fill 480x640 vs memset", "BM_Fill_Ours", "BM_Fill_Memset", "");
  Ratio(reporter, "fill 480x640 vs pixman_fill", "BM_Fill_Ours", "BM_Fill_Pixman", "goal <= 1.2");
  Ratio(reporter, "keyed copy 240x320 vs memcpy of its bytes", "BM_KeyedCopy_Ours",
        "BM_KeyedCopy_Memcpy", "goal <= 2");
  Ratio(reporter, "keyed copy 240x320 vs SDL colour key", "BM_KeyedCopy_Ours", "BM_KeyedCopy_SDL",
        "");
  Ratio(reporter, "fill opacity 128 vs plain fill", "BM_FillOpacity128_Ours", "BM_Fill_Ours", "");
  Ratio(reporter, "fill opacity 100 vs plain fill", "BM_FillOpacity100_Ours", "BM_Fill_Ours", "");
  std::printf("%-44s %10.1f us\n", "rotate 30 deg, zoom 150%, 240x320 keyed",
              reporter.Ns("BM_Rotate30Zoom150_Ours") / 1000);
  std::printf("%-44s %10.1f us\n", "DrawText, 40 characters",
              reporter.Ns("BM_DrawText40_Ours") / 1000);
  std::printf("%-44s %10.1f us  goal < 1000 us\n", "whole frame (fill, 25 keyed blits, 200 glyphs)",
              reporter.Ns("BM_Frame_Ours") / 1000);
  SDL_FreeSurface(W().sdl_screen);
  SDL_FreeSurface(W().sdl_source);
  SDL_FreeSurface(W().sdl_image);
  pixman_image_unref(W().px_screen);
  pixman_image_unref(W().px_source);
  benchmark::Shutdown();
  return 0;
}
