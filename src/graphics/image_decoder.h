// Image loading: turns a PNG or BMP file, given as bytes, an archive entry or an
// archive path, into a Surface of the image's size in 5-6-5 pixels. PNG goes
// through libpng; BMP (uncompressed 1, 4, 8 and 24 bits, RLE8 and RLE4) through
// our own decoder; there is no system decoder for other formats here, so they
// fail with kErrBadImageData.
//
// Every load first makes the checks of Surface::Create (display open, surface
// not locked, not the display's own surface). Decoding reads only inside the
// given bytes, refuses images wider or taller than kMaxImageSide before
// allocating anything, and never leaves the surface locked. A failed decode
// may leave the surface created and partly drawn.
#pragma once

#include <cstdint>

#include "graphics/result_codes.h"

namespace abacine {

class Archive;
class ArchiveEntry;
class Surface;

// Load flag beside the surface creation flags: the PNG path stores each
// pixel's alpha as a grey level instead of its colour.
inline constexpr uint32_t kLoadAlphaAsGrey = 0x0002;

inline constexpr int32_t kMaxImageSide = 8192;
// At most this many pixels in all (32 MiB of 5-6-5), whatever the shape.
inline constexpr int64_t kMaxImagePixels = int64_t{kMaxImageSide} * 2048;

ResultCode LoadFromMemory(Surface* surface, uint32_t flags, const void* data, uint32_t size);
// Stored entries are decoded in place from the archive's mapping; compressed
// ones are inflated into a temporary buffer first.
ResultCode LoadFromEntry(Surface* surface, uint32_t flags, ArchiveEntry* entry);
// Opens the named entry ("/vga/header.png"), loads it and closes it again.
ResultCode LoadFromArchive(Surface* surface, uint32_t flags, Archive* archive,
                           const char16_t* name);

}  // namespace abacine
