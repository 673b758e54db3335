// PNG through libpng. libpng reports errors by longjmp back to the point set
// with setjmp; the function that sets it (RunPng) therefore keeps everything
// that must survive the jump in a plain job record reached through a pointer,
// and no object with a destructor is alive in any frame the jump crosses.
#include <png.h>

#include <bit>

#include <csetjmp>
#include <cstdlib>
#include <cstring>

#include "graphics/image_decoder.h"
#include "graphics/image_internal.h"
#include "graphics/surface.h"

namespace abacine::image_detail {

namespace {

constexpr uint64_t kMaxInflateRatio = 1032;

struct MemoryReader {
  const uint8_t* data;
  uint32_t size;
  uint32_t position;
};

struct PngJob {
  MemoryReader reader;
  Surface* surface;
  uint32_t flags;
  png_structp png;
  png_infop info;
  png_infop end_info;
  png_bytep row;
  bool locked;
};

void ReadFromMemory(png_structp png, png_bytep out, size_t count) {
  auto* reader = static_cast<MemoryReader*>(png_get_io_ptr(png));
  if (count == 0) return;
  if (out == nullptr || count > reader->size - reader->position) png_error(png, "Read Error");
  std::memcpy(out, reader->data + reader->position, count);
  reader->position += static_cast<uint32_t>(count);
}

// libpng's own handlers print to stderr; an undecodable skin image is a
// result code here, not console output.
[[noreturn]] void QuietError(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void QuietWarning(png_structp, png_const_charp) {}

static_assert(std::endian::native == std::endian::little, "row words are read as 0xAABBGGRR");

ResultCode RunPng(PngJob* job) {
  if (setjmp(png_jmpbuf(job->png)) != 0) {
    if (job->locked) {
      job->surface->UnlockPixels();
      job->locked = false;
    }
    return kErrBadImageData;
  }
  png_structp png = job->png;
  png_infop info = job->info;
  png_set_read_fn(png, &job->reader, ReadFromMemory);
  // Lets libpng refuse oversized images while reading the header, before it
  // allocates anything for them.
  png_set_user_limits(png, kMaxImageSide, kMaxImageSide);
  // Only IHDR, PLTE, tRNS and IDAT matter here. The rest (text, profiles,
  // palette suggestions, ...) is skipped unread: a header announcing 2 GiB
  // of text would otherwise have libpng make room for all of it first.
  png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, nullptr, -1);
  png_read_info(png, info);

  png_uint_32 width = 0;
  png_uint_32 height = 0;
  int bit_depth = 0;
  int colour_type = 0;
  int interlace = 0;
  int compression = 0;
  int filter = 0;
  png_get_IHDR(png, info, &width, &height, &bit_depth, &colour_type, &interlace, &compression,
               &filter);
  if (width == 0 || height == 0 || width > kMaxImageSide || height > kMaxImageSide ||
      int64_t{width} * height > kMaxImagePixels || interlace != PNG_INTERLACE_NONE) {
    return kErrBadImageData;
  }
  // Deflate turns one byte into at most 1032: rows (each with its filter
  // byte) that the whole file could not inflate to are refused before the
  // surface is made, so a short file never costs a large one's memory.
  const uint64_t raw_bytes = uint64_t{height} * (uint64_t{png_get_rowbytes(png, info)} + 1);
  if (raw_bytes > kMaxInflateRatio * job->reader.size) return kErrBadImageData;

  // Every row arrives as 8-bit R, G, B, A.
  png_set_strip_16(png);
  png_set_packing(png);
  if (colour_type == PNG_COLOR_TYPE_PALETTE && bit_depth <= 8) png_set_palette_to_rgb(png);
  if (colour_type == PNG_COLOR_TYPE_GRAY && bit_depth < 8) png_set_expand_gray_1_2_4_to_8(png);
  if (png_get_valid(png, info, PNG_INFO_tRNS) != 0) png_set_tRNS_to_alpha(png);
  if (colour_type == PNG_COLOR_TYPE_GRAY || colour_type == PNG_COLOR_TYPE_GRAY_ALPHA) {
    png_set_gray_to_rgb(png);
  }
  png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
  if (png_get_rowbytes(png, info) != size_t{width} * 4) return kErrBadImageData;

  const auto w = static_cast<int32_t>(width);
  const auto h = static_cast<int32_t>(height);
  ResultCode code = job->surface->Create(job->flags | kSurfaceClear, w, h);
  if (Failed(code)) return code;
  PixelDescription pixels;
  code = job->surface->LockPixels(&pixels);
  if (Failed(code)) return code;
  job->locked = true;
  job->row = static_cast<png_bytep>(std::malloc(size_t{width} * 4));
  if (job->row == nullptr) {
    job->surface->UnlockPixels();
    job->locked = false;
    return kErrOutOfMemory;
  }

  const bool write = WritesPixels(*job->surface);
  const bool alpha = (job->flags & kLoadAlphaAsGrey) != 0;
  for (int32_t y = 0; y < h; ++y) {
    png_read_row(png, job->row, nullptr);
    if (!write) continue;
    // Steps in pixels: the layout may turn rows into columns.
    uint16_t* out = PixelAt(pixels.pixels, pixels.x_pitch, pixels.y_pitch, 0, y);
    const ptrdiff_t step = pixels.x_pitch / 2;
    const png_bytep rgba = job->row;
    if (alpha) {
      for (int32_t x = 0; x < w; ++x) out[x * step] = AlphaGrey565(rgba[x * 4 + 3]);
    } else if (step == 1) {
      // The upright layout. A row pixel read as one little-endian word is
      // 0xAABBGGRR, the colour layout ColourToPixel truncates.
      for (int32_t x = 0; x < w; ++x) {
        uint32_t colour;
        std::memcpy(&colour, rgba + size_t(x) * 4, 4);
        out[x] = ColourToPixel(colour);
      }
    } else {
      for (int32_t x = 0; x < w; ++x) out[x * step] = Rgb565(rgba[x * 4], rgba[x * 4 + 1], rgba[x * 4 + 2]);
    }
  }
  job->locked = false;
  return job->surface->UnlockPixels();
}

}  // namespace

ResultCode DecodePng(Surface* surface, uint32_t flags, const uint8_t* data, uint32_t size) {
  PngJob job{};
  job.reader = {data, size, 0};
  job.surface = surface;
  job.flags = flags;
  job.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, QuietError, QuietWarning);
  if (job.png == nullptr) return kErrOutOfMemory;
  job.info = png_create_info_struct(job.png);
  job.end_info = job.info != nullptr ? png_create_info_struct(job.png) : nullptr;
  ResultCode code = kErrOutOfMemory;
  if (job.info != nullptr && job.end_info != nullptr) code = RunPng(&job);
  png_destroy_read_struct(&job.png, job.info != nullptr ? &job.info : nullptr,
                          job.end_info != nullptr ? &job.end_info : nullptr);
  std::free(job.row);
  return code;
}

}  // namespace abacine::image_detail
