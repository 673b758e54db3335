#include "platform/gdi.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <unordered_set>
#include <vector>

namespace abacine::platform {

class GdiBitmap {
 public:
  BitmapInfo info;
  int32_t width = 0;
  int32_t rows = 0;
  int32_t stride_bytes = 0;
  std::unique_ptr<uint16_t[]> pixels;
  DeviceContext* selected_into = nullptr;
};

class DeviceContext {
 public:
  GdiBitmap* selected = nullptr;
};

namespace {

// Handles are checked against these sets, so a stale or foreign handle is
// refused instead of being dereferenced.
std::unordered_set<GdiBitmap*>& LiveBitmaps() {
  static std::unordered_set<GdiBitmap*> set;
  return set;
}
std::unordered_set<DeviceContext*>& LiveDcs() {
  static std::unordered_set<DeviceContext*> set;
  return set;
}
int g_fail_bitmaps = 0;
int g_fail_dcs = 0;

bool IsLive(GdiBitmap* bitmap) { return bitmap != nullptr && LiveBitmaps().count(bitmap) != 0; }
bool IsLive(DeviceContext* dc) { return dc != nullptr && LiveDcs().count(dc) != 0; }

}  // namespace

int32_t StrideBytesOf(int32_t width) {
  // GDI rows are padded to 4 bytes.
  return ((width * 2) + 3) & ~3;
}

BitmapInfo TopDownSectionInfo(int32_t width, int32_t rows, bool five_five_five) {
  BitmapInfo info;
  info.header.width = width;
  info.header.height = -rows;
  info.header.image_size = static_cast<uint32_t>(int64_t{StrideBytesOf(width)} * rows);
  const uint32_t* masks = five_five_five ? kMasks555 : kMasks565;
  std::copy(masks, masks + 3, info.masks);
  return info;
}

BitmapHandle CreateDibSection(const BitmapInfo* info, void** bits) {
  if (info == nullptr) return nullptr;
  const BitmapInfoHeader& h = info->header;
  if (h.size != kBitmapInfoHeaderSize || h.width <= 0 || h.height >= 0 || h.planes != 1 ||
      h.bit_count != 16 ||
      (h.compression != kCompressionBitfields && h.compression != kCompressionRgb)) {
    return nullptr;
  }
  const int64_t rows = -static_cast<int64_t>(h.height);
  if (static_cast<int64_t>(h.width) * rows > kMaxBitmapPixels) return nullptr;
  if (g_fail_bitmaps > 0) {
    --g_fail_bitmaps;
    return nullptr;
  }
  auto bitmap = std::unique_ptr<GdiBitmap>(new (std::nothrow) GdiBitmap);
  if (!bitmap) return nullptr;
  bitmap->info = *info;
  bitmap->width = h.width;
  bitmap->rows = static_cast<int32_t>(rows);
  bitmap->stride_bytes = StrideBytesOf(h.width);
  const size_t count = static_cast<size_t>(bitmap->stride_bytes / 2) * static_cast<size_t>(rows);
  bitmap->pixels.reset(new (std::nothrow) uint16_t[count]());
  if (!bitmap->pixels) return nullptr;
  try {
    LiveBitmaps().insert(bitmap.get());
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
  if (bits != nullptr) *bits = bitmap->pixels.get();
  return bitmap.release();
}

bool DeleteBitmap(BitmapHandle bitmap) {
  if (!IsLive(bitmap) || bitmap->selected_into != nullptr) return false;
  LiveBitmaps().erase(bitmap);
  delete bitmap;
  return true;
}

DcHandle CreateCompatibleDc(DcHandle reference) {
  if (reference != nullptr && !IsLive(reference)) return nullptr;
  if (g_fail_dcs > 0) {
    --g_fail_dcs;
    return nullptr;
  }
  auto dc = std::unique_ptr<DeviceContext>(new (std::nothrow) DeviceContext);
  if (!dc) return nullptr;
  try {
    LiveDcs().insert(dc.get());
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
  return dc.release();
}

BitmapHandle SelectBitmap(DcHandle dc, BitmapHandle bitmap) {
  if (!IsLive(dc) || !IsLive(bitmap)) return nullptr;
  if (bitmap->selected_into != nullptr && bitmap->selected_into != dc) return nullptr;
  GdiBitmap* previous = dc->selected;
  if (previous != nullptr) previous->selected_into = nullptr;
  dc->selected = bitmap;
  bitmap->selected_into = dc;
  return previous;
}

bool DeleteDc(DcHandle dc) {
  if (!IsLive(dc)) return false;
  if (dc->selected != nullptr) dc->selected->selected_into = nullptr;
  LiveDcs().erase(dc);
  delete dc;
  return true;
}

BitmapHandle SelectedBitmap(DcHandle dc) { return IsLive(dc) ? dc->selected : nullptr; }

bool BitBlt(DcHandle dest, int32_t x, int32_t y, int32_t width, int32_t height, DcHandle source,
            int32_t source_x, int32_t source_y, uint32_t rop) {
  if (rop != kRasterSourceCopy || !IsLive(dest) || !IsLive(source)) return false;
  GdiBitmap* d = dest->selected;
  GdiBitmap* s = source->selected;
  if (d == nullptr || s == nullptr) return false;
  // Clip in 64 bits so that no argument can overflow.
  int64_t dx = x, dy = y, sx = source_x, sy = source_y, w = width, h = height;
  if (w <= 0 || h <= 0) return true;
  const auto cut = [&](int64_t& a, int64_t& b, int64_t& len) {
    const int64_t lead = std::max<int64_t>({0, -a, -b});
    a += lead;
    b += lead;
    len -= lead;
  };
  cut(dx, sx, w);
  cut(dy, sy, h);
  w = std::min({w, d->width - dx, s->width - sx});
  h = std::min({h, d->rows - dy, s->rows - sy});
  if (w <= 0 || h <= 0) return true;
  for (int64_t r = 0; r < h; ++r) {
    uint16_t* to = d->pixels.get() + (dy + r) * (d->stride_bytes / 2) + dx;
    const uint16_t* from = s->pixels.get() + (sy + r) * (s->stride_bytes / 2) + sx;
    std::memmove(to, from, static_cast<size_t>(w) * 2);
  }
  return true;
}

int32_t BitmapWidth(BitmapHandle bitmap) { return IsLive(bitmap) ? bitmap->width : 0; }
int32_t BitmapHeight(BitmapHandle bitmap) { return IsLive(bitmap) ? bitmap->rows : 0; }
int32_t BitmapStrideBytes(BitmapHandle bitmap) { return IsLive(bitmap) ? bitmap->stride_bytes : 0; }
uint16_t* BitmapBits(BitmapHandle bitmap) { return IsLive(bitmap) ? bitmap->pixels.get() : nullptr; }
const BitmapInfo* BitmapInfoOf(BitmapHandle bitmap) {
  return IsLive(bitmap) ? &bitmap->info : nullptr;
}

void FailNextBitmapsForTesting(int count) { g_fail_bitmaps = std::max(0, count); }
void FailNextDcsForTesting(int count) { g_fail_dcs = std::max(0, count); }
int LiveBitmapCount() { return static_cast<int>(LiveBitmaps().size()); }
int LiveDcCount() { return static_cast<int>(LiveDcs().size()); }

}  // namespace abacine::platform
