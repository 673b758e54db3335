#include "graphics/image_decoder.h"

#include <cstdlib>
#include <cstring>

#include "graphics/archive.h"
#include "graphics/graphics_context.h"
#include "graphics/image_internal.h"
#include "graphics/surface.h"

namespace abacine {

namespace {

constexpr uint8_t kPngSignature[8] = {137, 80, 78, 71, 13, 10, 26, 10};

// No image this program can show needs more: the largest, a 24-bit BMP of
// 8192 x 8192 pixels, is 192 MiB. A larger recorded entry size is damage, and
// is refused before it is allocated.
constexpr uint32_t kMaxEncodedImageBytes = 256u << 20;

// The checks Surface::Create makes first, so that a load fails the same way
// whatever the image's format.
ResultCode CheckLoadable(const Surface& surface) {
  const GraphicsContext* owner = surface.Owner();
  if (owner == nullptr || owner->State() == nullptr || !owner->State()->IsOpen()) {
    return kErrWrongDisplayState;
  }
  if ((surface.Flags() & kSurfaceLocked) != 0) return kErrLocked;
  if (surface.Kind() == kSurfaceDisplay) return kErrDisplaySurface;
  return kOk;
}

}  // namespace

namespace image_detail {

bool WritesPixels(const Surface& surface) {
  const GraphicsContext* owner = surface.Owner();
  return owner == nullptr || owner->State() == nullptr ||
         (owner->State()->properties.format_flags & kFormat555) == 0;
}

}  // namespace image_detail

ResultCode LoadFromMemory(Surface* surface, uint32_t flags, const void* data, uint32_t size) {
  if (surface == nullptr || data == nullptr || size == 0) return kErrInvalidArg;
  const ResultCode code = CheckLoadable(*surface);
  if (Failed(code)) return code;
  const auto* bytes = static_cast<const uint8_t*>(data);
  if (size >= 8 && std::memcmp(bytes, kPngSignature, 8) == 0) {
    return image_detail::DecodePng(surface, flags, bytes, size);
  }
  if (size > 13 && bytes[0] == 'B' && bytes[1] == 'M') {
    return image_detail::DecodeBmp(surface, flags, bytes, size);
  }
  // Other formats would go to the platform's image decoder; there is none.
  return kErrBadImageData;
}

ResultCode LoadFromEntry(Surface* surface, uint32_t flags, ArchiveEntry* entry) {
  if (surface == nullptr || entry == nullptr) return kErrInvalidArg;
  ResultCode code = CheckLoadable(*surface);
  if (Failed(code)) return code;
  ArchiveEntryInfo info;
  code = entry->EntryInfo(&info);
  if (Failed(code)) return code;
  if (!info.compressed) {
    const uint8_t* bytes = entry->StoredData();
    if (bytes == nullptr) return kErrEntryNotOpen;
    return LoadFromMemory(surface, flags, bytes, info.size);
  }
  if (info.size > kMaxEncodedImageBytes) return kErrBadImageData;
  // malloc(0) may give null; one spare byte keeps "no memory" unambiguous.
  auto* buffer = static_cast<uint8_t*>(std::malloc(size_t{info.size} + 1));
  if (buffer == nullptr) return kErrOutOfMemory;
  code = entry->RewindEntry();
  uint32_t count = info.size;
  if (Succeeded(code)) code = entry->ReadEntry(buffer, &count);
  if (Succeeded(code) && count != info.size) code = kErrCompressedDataCorrupt;
  if (Succeeded(code)) code = LoadFromMemory(surface, flags, buffer, info.size);
  std::free(buffer);
  return code;
}

ResultCode LoadFromArchive(Surface* surface, uint32_t flags, Archive* archive, const char16_t* name) {
  if (surface == nullptr || archive == nullptr || name == nullptr) return kErrInvalidArg;
  ResultCode code = CheckLoadable(*surface);
  if (Failed(code)) return code;
  ArchiveEntry entry;
  code = entry.OpenEntry(archive, name);
  if (Failed(code)) return code;
  code = LoadFromEntry(surface, flags, &entry);
  entry.CloseEntry();
  return code;
}

}  // namespace abacine
