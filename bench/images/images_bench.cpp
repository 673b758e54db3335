// Opening the resource archive and decoding skin images, beside the peers
// doing the same work: a 480 x 640 PNG through our loader against libpng's
// simplified API decoding the same file and the conversion of its pixels to
// 5-6-5 (what our loader delivers), and a 240 x 320 24-bit BMP against
// SDL2's BMP loader plus its conversion to RGB565. After the usual table it
// prints the ratios of CPU times. Use --benchmark_repetitions=N on a busy
// machine: the ratios take the best repetition.
#include <SDL2/SDL.h>
#include <benchmark/benchmark.h>
#include <png.h>
#include <unistd.h>
#include <zlib.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "graphics/archive.h"
#include "graphics/graphics_context.h"
#include "graphics/image_decoder.h"
#include "graphics/surface.h"
#include "support/ratio_reporter.h"

namespace {

using namespace abacine;
using Bytes = std::vector<uint8_t>;

// Skin-like art: smooth gradients, flat panels with borders, and a band of
// glyph-like noise, so the PNG filters and deflate see realistic data.
std::vector<uint8_t> SkinPixels(int w, int h) {
  std::vector<uint8_t> rgb(static_cast<size_t>(w) * h * 3);
  std::mt19937 rng(5);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      uint8_t* p = &rgb[(static_cast<size_t>(y) * w + x) * 3];
      p[0] = static_cast<uint8_t>(40 + y * 150 / h);
      p[1] = static_cast<uint8_t>(60 + x * 120 / w);
      p[2] = static_cast<uint8_t>(180 - y * 100 / h);
      const int cell_x = x % (w / 4), cell_y = y % (h / 6);
      if (y > h / 4 && cell_x > 6 && cell_y > 6 && cell_x < w / 4 - 6 && cell_y < h / 6 - 6) {
        const bool border = cell_x < 9 || cell_y < 9 || cell_x > w / 4 - 9 || cell_y > h / 6 - 9;
        p[0] = border ? 20 : 230, p[1] = border ? 20 : 232, p[2] = border ? 30 : 236;
        if (!border && cell_y > 20 && cell_y < 40 && cell_x > 20 && cell_x < 80 && (rng() & 3) == 0) {
          p[0] = p[1] = p[2] = static_cast<uint8_t>(rng() & 0x3F);
        }
      }
    }
  }
  return rgb;
}

Bytes EncodePng(int w, int h) {
  const std::vector<uint8_t> rgb = SkinPixels(w, h);
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = static_cast<png_uint_32>(w);
  image.height = static_cast<png_uint_32>(h);
  image.format = PNG_FORMAT_RGB;
  png_alloc_size_t size = 0;
  png_image_write_to_memory(&image, nullptr, &size, 0, rgb.data(), 0, nullptr);
  Bytes out(size);
  png_image_write_to_memory(&image, out.data(), &size, 0, rgb.data(), 0, nullptr);
  out.resize(size);
  return out;
}

void Put16(Bytes* b, uint32_t v) {
  b->push_back(static_cast<uint8_t>(v));
  b->push_back(static_cast<uint8_t>(v >> 8));
}
void Put32(Bytes* b, uint32_t v) {
  Put16(b, v & 0xFFFF);
  Put16(b, v >> 16);
}

Bytes EncodeBmp(int w, int h) {
  const std::vector<uint8_t> rgb = SkinPixels(w, h);
  const uint32_t stride = static_cast<uint32_t>(w * 3 + 3) / 4 * 4;
  Bytes b = {'B', 'M'};
  Put32(&b, 54 + stride * static_cast<uint32_t>(h));
  Put32(&b, 0);
  Put32(&b, 54);
  Put32(&b, 40);
  Put32(&b, static_cast<uint32_t>(w));
  Put32(&b, static_cast<uint32_t>(h));
  Put16(&b, 1);
  Put16(&b, 24);
  for (int i = 0; i < 6; ++i) Put32(&b, 0);
  for (int y = h - 1; y >= 0; --y) {
    const size_t row_start = b.size();
    for (int x = 0; x < w; ++x) {
      const uint8_t* p = &rgb[(static_cast<size_t>(y) * w + x) * 3];
      b.insert(b.end(), {p[2], p[1], p[0]});
    }
    b.resize(row_start + stride, 0);
  }
  return b;
}

// A skin-sized archive: both images stored in their folders beside forty
// small compressed files, as the calculator's windows.vfs holds.
Bytes MakeArchive(const Bytes& png, const Bytes& bmp) {
  struct File {
    std::string name;
    Bytes data;
    bool compress;
  };
  std::vector<File> qvga, vga;
  qvga.push_back({"skin.bmp", bmp, false});
  vga.push_back({"skin.png", png, false});
  for (int i = 0; i < 20; ++i) {
    qvga.push_back({"key" + std::to_string(i) + ".png", Bytes(600, static_cast<uint8_t>(i)), true});
    vga.push_back({"key" + std::to_string(i) + ".png", Bytes(2400, static_cast<uint8_t>(i)), true});
  }
  Bytes out(std::begin(kArchiveMagic), std::end(kArchiveMagic));
  Put32(&out, kArchiveVersion);
  Put32(&out, 0);  // the directory's end, filled in below
  std::vector<std::pair<size_t, Bytes>> data;
  auto name = [&](const std::string& n) {
    out.push_back(static_cast<uint8_t>(n.size()));
    out.insert(out.end(), n.begin(), n.end());
    if ((1 + n.size()) % 2 == 1) out.push_back(0);
  };
  auto folder = [&](const std::string& n, std::vector<File>& files) {
    Put16(&out, static_cast<uint32_t>(files.size()));
    name(n);
    for (File& f : files) {
      Bytes stored = f.data;
      if (f.compress) {
        uLongf size = compressBound(static_cast<uLong>(f.data.size()));
        stored.resize(size);
        compress2(stored.data(), &size, f.data.data(), static_cast<uLong>(f.data.size()), 9);
        stored.resize(size);
      }
      Put16(&out, ArchiveNode::kFileMarker);
      name(f.name);
      Put32(&out, static_cast<uint32_t>(f.data.size()));
      Put32(&out, f.compress ? static_cast<uint32_t>(stored.size()) : 0);
      data.emplace_back(out.size(), stored);
      Put32(&out, 0);
    }
  };
  Put16(&out, 2);
  name("/");
  folder("qvga", qvga);
  folder("vga", vga);
  const auto directory_end = static_cast<uint32_t>(out.size());
  std::memcpy(&out[kArchiveDirectoryEndOffset], &directory_end, 4);
  for (auto& [field, bytes] : data) {
    const auto offset = static_cast<uint32_t>(out.size());
    std::memcpy(&out[field], &offset, 4);
    out.insert(out.end(), bytes.begin(), bytes.end());
  }
  return out;
}

struct World {
  GraphicsContext ctx;
  Bytes png = EncodePng(480, 640);
  Bytes bmp = EncodeBmp(240, 320);
  std::string archive_path = "/tmp/images_bench_" + std::to_string(getpid()) + ".vfs";
  Archive archive;

  World() {
    DisplayState& s = *ctx.State();
    s.open = 1;
    s.properties = DisplayProperties{480, 640, 2, 960, 16, kFormat565 | kFormatDirectAccess};
    const Bytes file = MakeArchive(png, bmp);
    std::ofstream(archive_path, std::ios::binary)
        .write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));
    if (archive.OpenArchive(archive_path.c_str()) != kOk) std::fprintf(stderr, "archive did not open\n");
  }
  ~World() {
    archive.CloseArchive();
    std::remove(archive_path.c_str());
  }
};

World& TheWorld() {
  static World world;
  return world;
}

void BM_OpenArchive(benchmark::State& state) {
  World& w = TheWorld();
  for (auto _ : state) {
    Archive archive;
    if (archive.OpenArchive(w.archive_path.c_str()) != kOk) state.SkipWithError("open failed");
    benchmark::DoNotOptimize(archive.Tree().data());
    archive.CloseArchive();
  }
}
BENCHMARK(BM_OpenArchive);

void BM_Png480x640_Ours(benchmark::State& state) {
  World& w = TheWorld();
  Surface surface(&w.ctx);
  for (auto _ : state) {
    if (LoadFromArchive(&surface, 0, &w.archive, u"/vga/skin.png") != kOk) state.SkipWithError("load failed");
    benchmark::DoNotOptimize(surface.Pixels());
  }
}
BENCHMARK(BM_Png480x640_Ours);

void BM_Png480x640_Libpng565(benchmark::State& state) {
  World& w = TheWorld();
  std::vector<uint8_t> rgb(480 * 640 * 3);
  std::vector<uint16_t> pixels(480 * 640);
  for (auto _ : state) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (png_image_begin_read_from_memory(&image, w.png.data(), w.png.size()) == 0) {
      state.SkipWithError("libpng failed");
      break;
    }
    image.format = PNG_FORMAT_RGB;
    png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr);
    // To 5-6-5 by truncating each channel, as our loader delivers them.
    for (size_t i = 0; i < pixels.size(); ++i) {
      const uint8_t* p = &rgb[i * 3];
      pixels[i] = static_cast<uint16_t>(((p[0] & 0xF8) << 8) | ((p[1] & 0xFC) << 3) | (p[2] >> 3));
    }
    benchmark::DoNotOptimize(pixels.data());
  }
}
BENCHMARK(BM_Png480x640_Libpng565);

void BM_Bmp240x320_Ours(benchmark::State& state) {
  World& w = TheWorld();
  Surface surface(&w.ctx);
  for (auto _ : state) {
    if (LoadFromArchive(&surface, 0, &w.archive, u"/qvga/skin.bmp") != kOk) state.SkipWithError("load failed");
    benchmark::DoNotOptimize(surface.Pixels());
  }
}
BENCHMARK(BM_Bmp240x320_Ours);

void BM_Bmp240x320_SDL(benchmark::State& state) {
  World& w = TheWorld();
  for (auto _ : state) {
    SDL_Surface* loaded = SDL_LoadBMP_RW(SDL_RWFromConstMem(w.bmp.data(), static_cast<int>(w.bmp.size())), 1);
    SDL_Surface* converted = loaded ? SDL_ConvertSurfaceFormat(loaded, SDL_PIXELFORMAT_RGB565, 0) : nullptr;
    if (converted == nullptr) state.SkipWithError("SDL failed");
    benchmark::DoNotOptimize(converted);
    SDL_FreeSurface(converted);
    SDL_FreeSurface(loaded);
  }
}
BENCHMARK(BM_Bmp240x320_SDL);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  abacine::bench::RatioReporter r;
  benchmark::RunSpecifiedBenchmarks(&r);
  World& w = TheWorld();
  std::printf("\nPNG %zu bytes (480x640 RGB), BMP %zu bytes (240x320, 24 bits)\n", w.png.size(), w.bmp.size());
  std::printf("ours vs peer, CPU time (lower ratio is better)\n");
  r.Ratio("PNG 480x640 from the archive vs libpng + 5-6-5", "BM_Png480x640_Ours", "BM_Png480x640_Libpng565");
  r.Ratio("BMP 240x320 from the archive vs SDL2 load+convert", "BM_Bmp240x320_Ours", "BM_Bmp240x320_SDL");
  r.Time("open + close the archive (42 files)", "BM_OpenArchive");
  return 0;
}
