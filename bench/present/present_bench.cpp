// The way of a changed 480 x 640 frame to the window, as the framework
// takes it in shell mode: the back buffer (a GDI bitmap) copied into the
// window (the simulated device's frame memory), then uploaded into the SDL
// window's streaming texture the way the SDL backend does it. Beside it,
// memcpy of the frame's bytes, the floor any copy has. The device upright
// (rows run along memory: block copies) and turned a quarter (every pixel
// converted). After the table it prints the ratios and the goal. Without a
// display SDL's dummy video driver stands in; use --benchmark_repetitions=N
// on a busy machine: the ratios take the best repetition.
#include <SDL.h>
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "graphics/display.h"
#include "graphics/graphics_context.h"
#include "platform/controls.h"
#include "platform/platform.h"
#include "platform/sdl/sdl_backend.h"
#include "support/ratio_reporter.h"

namespace {

using namespace abacine;

constexpr int32_t kW = 480;
constexpr int32_t kH = 640;
constexpr size_t kFrameBytes = size_t{kW} * kH * sizeof(uint16_t);

// The simulated device in one orientation, a windowed display on it, and a
// texture of the screen's size on an SDL software renderer.
struct Stage {
  platform::WindowHandle window = nullptr;
  std::unique_ptr<GraphicsContext> context;
  std::unique_ptr<Display> display;
  SDL_Window* sdl_window = nullptr;
  SDL_Renderer* renderer = nullptr;
  SDL_Texture* texture = nullptr;
  bool ok = false;

  explicit Stage(int32_t system_orientation) {
    platform::DeviceConfig device;
    device.system_orientation = system_orientation;
    platform::ResetForTesting(device);
    const platform::Device& d = platform::TheDevice();
    window = platform::CreateAppWindow(platform::WindowDesc{u"Bench WndCls", u"Bench", false, {}},
                                       [](auto...) { return intptr_t{0}; }, nullptr);
    context = std::make_unique<GraphicsContext>();
    display = std::make_unique<Display>(context.get());
    if (display->OpenWindowed(0, d.ScreenWidth(), d.ScreenHeight()) != kOk) return;
    sdl_window = SDL_CreateWindow("present_bench", 0, 0, d.ScreenWidth(), d.ScreenHeight(),
                                  SDL_WINDOW_HIDDEN);
    renderer = sdl_window ? SDL_CreateRenderer(sdl_window, -1, SDL_RENDERER_SOFTWARE) : nullptr;
    texture = renderer ? SDL_CreateTexture(renderer, SDL_PIXELFORMAT_RGB565,
                                           SDL_TEXTUREACCESS_STREAMING, d.ScreenWidth(),
                                           d.ScreenHeight())
                       : nullptr;
    // Any picture: what it shows does not change the cost.
    Surface* back = display->BackBuffer();
    for (size_t i = 0; i < back->Layout().byte_size / 2; ++i) {
      back->Pixels()[i] = static_cast<uint16_t>(i * 2654435761u >> 7);
    }
    ok = texture != nullptr;
  }
  ~Stage() {
    if (texture != nullptr) SDL_DestroyTexture(texture);
    if (renderer != nullptr) SDL_DestroyRenderer(renderer);
    if (sdl_window != nullptr) SDL_DestroyWindow(sdl_window);
    display.reset();
    context.reset();
    platform::DestroyAppWindow(window);
  }

  // One changed frame: a pixel of the back buffer changes, the frame is
  // copied into the window, and uploaded as the SDL backend does (a device
  // whose memory was not handed out for direct writes needs no copy of what
  // is shown).
  void ChangedFrame(uint16_t n) {
    Surface* back = display->BackBuffer();
    back->Pixels()[n % 4096] = n;
    platform::DcHandle dc = nullptr;
    back->AcquireDeviceContext(&dc);
    platform::BlitToWindow(window, 0, 0, display->Width(), display->Height(), dc, 0, 0,
                           platform::kRasterSourceCopy);
    back->ReleaseDeviceContext(dc);
    const platform::Device& device = platform::TheDevice();
    void* pixels = nullptr;
    int pitch = 0;
    SDL_LockTexture(texture, nullptr, &pixels, &pitch);
    device.CopyScreen(static_cast<uint16_t*>(pixels), static_cast<size_t>(pitch) / 2);
    SDL_UnlockTexture(texture);
  }
};

void BM_ChangedFrameToTexture(benchmark::State& state) {
  Stage stage(static_cast<int32_t>(state.range(0)));
  if (!stage.ok) {
    state.SkipWithError("no SDL texture");
    return;
  }
  uint16_t n = 0;
  for (auto _ : state) {
    stage.ChangedFrame(++n);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(kFrameBytes));
}
// 0: upright, row copies; 1: turned a quarter (a 640 x 480 screen).
BENCHMARK(BM_ChangedFrameToTexture)->Arg(0)->Arg(1);

void BM_Memcpy(benchmark::State& state) {
  std::vector<uint16_t> a(kFrameBytes / 2, 1), b(kFrameBytes / 2, 2);
  for (auto _ : state) {
    std::memcpy(b.data(), a.data(), kFrameBytes);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(kFrameBytes));
}
BENCHMARK(BM_Memcpy);

// The whole way in the real backend, SDL's own rendering and presenting
// included (with the dummy driver the window's surface is never shown).
void BM_ChangedFrameThroughBackend(benchmark::State& state) {
  Stage stage(platform::kSystemOrientation0);
  std::string error;
  std::unique_ptr<platform::Backend> backend = platform::MakeSdlBackend(platform::WindowOptions{}, &error);
  if (!stage.ok || backend == nullptr) {
    state.SkipWithError(("no SDL window: " + error).c_str());
    return;
  }
  platform::SetBackend(std::move(backend));
  Surface* back = stage.display->BackBuffer();
  uint16_t n = 0;
  for (auto _ : state) {
    ++n;
    back->Pixels()[n % 4096] = n;
    platform::DcHandle dc = nullptr;
    back->AcquireDeviceContext(&dc);
    platform::BlitToWindow(stage.window, 0, 0, kW, kH, dc, 0, 0, platform::kRasterSourceCopy);
    back->ReleaseDeviceContext(dc);
    platform::CurrentBackend().PumpEvents();
  }
  platform::SetBackend(nullptr);
}
BENCHMARK(BM_ChangedFrameThroughBackend);

}  // namespace

int main(int argc, char** argv) {
  if (getenv("DISPLAY") == nullptr) setenv("SDL_VIDEODRIVER", "dummy", 0);
  SDL_SetHint(SDL_HINT_RENDER_DRIVER, "software");
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
    std::fprintf(stderr, "present_bench: no SDL video: %s\n", SDL_GetError());
    return 1;
  }
  benchmark::Initialize(&argc, argv);
  abacine::bench::RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  const double copy = reporter.Ns("BM_Memcpy");
  const double upright = reporter.Ns("BM_ChangedFrameToTexture/0");
  const double turned = reporter.Ns("BM_ChangedFrameToTexture/1");
  const double whole = reporter.Ns("BM_ChangedFrameThroughBackend");
  std::printf("\nchanged 480x640 frame, back buffer to SDL texture (lower is better)\n");
  if (copy > 0 && upright > 0) {
    std::printf("%-44s %9.1f us = %5.2f x memcpy (%6.1f us)  goal <= 3\n", "upright device", upright / 1000,
                upright / copy, copy / 1000);
  }
  if (copy > 0 && turned > 0) {
    std::printf("%-44s %9.1f us = %5.2f x memcpy\n", "device turned a quarter", turned / 1000, turned / copy);
  }
  if (whole > 0) {
    std::printf("%-44s %9.1f us (SDL's render and present included)\n", "through the SDL backend", whole / 1000);
  }
  benchmark::Shutdown();
  return 0;
}
