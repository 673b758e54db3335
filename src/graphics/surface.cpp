// Surface object life, layout, attributes, locking and device contexts.
// The drawing operations live in fill.cpp, line.cpp, blit.cpp and
// blit_transformed.cpp.
#include "graphics/surface.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "graphics/graphics_context.h"
#include "graphics/surface_internal.h"

namespace abacine {

namespace {

// Largest surface Create makes, in pixels of the rounded buffer; keeps every
// index and the byte size comfortably inside 32 bits.
constexpr int64_t kMaxSurfacePixels = int64_t{1} << 28;

bool ValidCreationFlags(uint32_t flags) {
  if ((flags & ~kSurfaceCreationMask) != 0) return false;
  if ((flags & kSurfaceSystemMemory) && (flags & kSurfaceVideoMemory)) return false;
  if ((flags & kSurfaceVideoSubA) && (flags & kSurfaceVideoSubB)) return false;
  if ((flags & (kSurfaceVideoSubA | kSurfaceVideoSubB)) && !(flags & kSurfaceVideoMemory)) {
    return false;
  }
  if ((flags & kSurfaceReadOnly) && (flags & kSurfaceVideoMemory)) return false;
  return true;
}

int32_t PixelFormatCode(uint32_t format_flags) {
  if (format_flags & kFormat555) return kPixelFormat555;
  if (format_flags & kFormat565) return kPixelFormat565;
  if (format_flags & kFormat444) return kPixelFormat444;
  return kPixelFormatUnknown;
}

}  // namespace

SurfaceLayout ComputeLayout(int32_t orientation, int32_t x_pitch, int32_t y_pitch, int32_t width,
                            int32_t height, int32_t stride) {
  SurfaceLayout layout;
  layout.width = width;
  layout.height = height;
  layout.orientation = orientation;
  const bool quarter = orientation == kOrientationQuarter || orientation == kOrientationThreeQuarter;
  const int64_t e = quarter ? width : height;
  const int64_t b = quarter ? height : width;
  const int64_t f = stride > 0 ? stride : RoundUpToEven(e);
  const int64_t l = stride > 0 ? stride : RoundUpToEven(b);
  const int64_t hh = (b - 1) * f;
  const int64_t m = (e - 1) * l;

  // Columns of the step tables: orientation 1, 2, 4, 8 (any other code is
  // laid out as 1). Rows: the signs of the physical pitches.
  const int column = orientation == kOrientationQuarter         ? 1
                     : orientation == kOrientationThreeQuarter ? 2
                     : orientation == kOrientationHalf         ? 3
                                                               : 0;
  struct Steps {
    int64_t origin, x_step, y_step;
  };
  Steps steps{0, 0, 0};
  if (x_pitch > 0 && y_pitch < 0) {
    const Steps row[4] = {{e - 1, f, -1}, {0, 1, f}, {e + hh - 1, -1, -f}, {hh, -f, 1}};
    steps = row[column];
  } else if (x_pitch < 0 && y_pitch > 0) {
    const Steps row[4] = {{hh, -f, 1}, {e + hh - 1, -1, -f}, {0, 1, f}, {e - 1, f, -1}};
    steps = row[column];
  } else if (x_pitch > 0 && y_pitch > 0) {
    const Steps row[4] = {{0, 1, l}, {m, -l, 1}, {b - 1, l, -1}, {b + m - 1, -1, -l}};
    steps = row[column];
  } else if (x_pitch < 0 && y_pitch < 0) {
    const Steps row[4] = {{b + m - 1, -1, -l}, {b - 1, l, -1}, {m, -l, 1}, {0, 1, l}};
    steps = row[column];
  }
  layout.origin = static_cast<int32_t>(steps.origin);
  layout.x_step = static_cast<int32_t>(steps.x_step);
  layout.y_step = static_cast<int32_t>(steps.y_step);
  return layout;
}

Surface::Surface(GraphicsContext* owner) : owner_(owner) {}

Surface::~Surface() { ReleaseBuffer(); }

bool Surface::LayoutCurrent() const {
  const DisplayState* state = SurfaceAccess::State(*this);
  return state != nullptr && layout_.orientation == state->current_orientation;
}

void Surface::ReleaseBuffer() {
  if (dc_ != nullptr) {
    platform::DeleteDc(dc_);
  }
  if (bitmap_ != nullptr && (layout_.flags & kSurfaceGdiSection) == 0) {
    platform::DeleteBitmap(bitmap_);
  }
  if (kind_ == kSurfaceOwned) delete[] pixels_;
  pixels_ = nullptr;
  dc_ = nullptr;
  bitmap_ = nullptr;
  bitmap_bits_ = nullptr;
  layout_ = SurfaceLayout{};
  clip_ = Rect{};
  clip_excludes_all_ = false;
  kind_ = kSurfaceOwned;
}

void Surface::AttachPixels(int32_t kind, uint16_t* pixels, uint32_t byte_size) {
  if (kind_ == kSurfaceOwned && pixels_ != pixels) delete[] pixels_;
  kind_ = kind;
  pixels_ = pixels;
  layout_.byte_size = byte_size;
}

void Surface::SetLogicalSize(int32_t width, int32_t height) {
  layout_.width = width;
  layout_.height = height;
}

void Surface::SetLayoutSteps(int32_t origin, int32_t x_step, int32_t y_step, int32_t orientation) {
  layout_.origin = origin;
  layout_.x_step = x_step;
  layout_.y_step = y_step;
  layout_.orientation = orientation;
}

void Surface::LayOutOffscreen() {
  const DisplayState* state = SurfaceAccess::State(*this);
  if (state == nullptr) return;
  const SurfaceLayout computed =
      ComputeLayout(state->current_orientation, state->properties.x_pitch,
                    state->properties.y_pitch, layout_.width, layout_.height);
  SetLayoutSteps(computed.origin, computed.x_step, computed.y_step, computed.orientation);
}

ResultCode Surface::CheckRecreate() const {
  if (!DisplayOpen(*this)) return kErrWrongDisplayState;
  if (layout_.flags & kSurfaceLocked) return kErrLocked;
  if (kind_ == kSurfaceDisplay) return kErrDisplaySurface;
  return kOk;
}

ResultCode Surface::Create(uint32_t flags, int32_t width, int32_t height) {
  if (const ResultCode code = CheckRecreate(); code != kOk) return code;
  if (!ValidCreationFlags(flags)) return kErrInvalidArg;
  // Negative sizes, and one side zero without the other, describe no buffer.
  if (width < 0 || height < 0 || ((width == 0) != (height == 0))) return kErrInvalidArg;
  if ((flags & kSurfaceMemoryClassMask) == 0) flags |= kSurfaceSystemMemory;
  const uint32_t new_class = flags & (kSurfaceSystemMemory | kSurfaceVideoMemory);
  const uint32_t old_class = layout_.flags & (kSurfaceSystemMemory | kSurfaceVideoMemory);
  const bool have_buffer = pixels_ != nullptr;

  bool keep = false;
  if (have_buffer && width != 0 && width == layout_.width && height == layout_.height &&
      new_class == old_class) {
    if (new_class == kSurfaceVideoMemory) {
      if (LayoutCurrent()) {
        layout_.flags = flags;
        if (flags & kSurfaceClear) std::memset(pixels_, 0, layout_.byte_size);
        return kOk;
      }
    } else {
      keep = true;
    }
  } else if (have_buffer && width != 0 && width == layout_.height && height == layout_.width &&
             new_class == old_class && new_class == kSurfaceSystemMemory) {
    // The same buffer holds the exchanged size; only the clip no longer fits.
    keep = true;
    clip_ = Rect{};
    clip_excludes_all_ = false;
    layout_.width = width;
    layout_.height = height;
  }

  if (!keep) {
    ReleaseBuffer();
    if (width == 0 && height == 0) return kOk;
    if (new_class != kSurfaceSystemMemory) return kErrMemoryClassUnavailable;
    const int64_t pixels = RoundUpToEven(width) * RoundUpToEven(height);
    if (pixels > kMaxSurfacePixels) return kErrOutOfMemory;
    pixels_ = new (std::nothrow) uint16_t[static_cast<size_t>(pixels)];
    if (pixels_ == nullptr) return kErrOutOfMemory;
    kind_ = kSurfaceOwned;
    layout_.byte_size = static_cast<uint32_t>(pixels * kBytesPerPixel);
    layout_.width = width;
    layout_.height = height;
  }

  layout_.flags = flags;
  LayOutOffscreen();
  if (flags & kSurfaceClear) std::memset(pixels_, 0, layout_.byte_size);
  return kOk;
}

ResultCode Surface::SetKeyColour(uint32_t colour) {
  key_colour_ = colour;
  return kOk;
}

ResultCode Surface::GetKeyColour(uint32_t* colour) const {
  if (colour == nullptr) return kErrInvalidArg;
  *colour = key_colour_;
  return kOk;
}

ResultCode Surface::SetClipRect(const Rect* rect) {
  if (pixels_ == nullptr) return kErrNoPixels;
  if (layout_.flags & kSurfaceLocked) return kErrLocked;
  if (!DisplayOpen(*this) || !LayoutCurrent()) return kErrWrongDisplayState;
  const Box whole = WholeSurface(*this);
  const Box cut = Intersect(rect != nullptr ? ToBox(*rect) : whole, whole);
  // The cut lies inside the 32-bit surface extent except where it is empty;
  // clamp so that an empty result still stores without overflow.
  const auto clamp32 = [](int64_t v) {
    return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
  };
  clip_ = Rect{clamp32(cut.left), clamp32(cut.top), clamp32(cut.right), clamp32(cut.bottom)};
  clip_excludes_all_ = cut.Empty();
  return kOk;
}

ResultCode Surface::GetClipRect(Rect* rect) const {
  if (rect == nullptr) return kErrInvalidArg;
  if (pixels_ == nullptr) return kErrNoPixels;
  if (layout_.flags & kSurfaceLocked) return kErrLocked;
  if (!DisplayOpen(*this) || !LayoutCurrent()) return kErrWrongDisplayState;
  *rect = clip_;
  return kOk;
}

ResultCode Surface::LockPixels(PixelDescription* description) {
  if (pixels_ == nullptr) return kErrNoPixels;
  if (description == nullptr) return kErrInvalidArg;
  if (layout_.flags & kSurfaceLocked) return kErrLocked;
  if (!DisplayOpen(*this) || !LayoutCurrent()) return kErrWrongDisplayState;
  const DisplayState* state = SurfaceAccess::State(*this);
  description->width = layout_.width;
  description->height = layout_.height;
  description->x_pitch = layout_.x_step * kBytesPerPixel;
  description->y_pitch = layout_.y_step * kBytesPerPixel;
  description->pixels = pixels_ + layout_.origin;
  description->format = PixelFormatCode(state->properties.format_flags);
  layout_.flags |= kSurfaceLocked;
  return kOk;
}

ResultCode Surface::UnlockPixels() {
  if (pixels_ == nullptr) return kErrNoPixels;
  if ((layout_.flags & kSurfaceLocked) == 0) return kErrNotLocked;
  if (dc_ != nullptr) return kErrDeviceContextOut;
  layout_.flags &= ~kSurfaceLocked;
  return kOk;
}

ResultCode Surface::AcquireDeviceContext(platform::DcHandle* dc) {
  if (dc == nullptr) return kErrInvalidArg;
  if (pixels_ == nullptr) return kErrNoPixels;
  if (layout_.flags & kSurfaceLocked) return kErrLocked;
  const DisplayState* state = SurfaceAccess::State(*this);
  if (state == nullptr) return kErrWrongDisplayState;

  if (layout_.flags & kSurfaceGdiSection) {
    // The pixels already are a bitmap section: hand out a context on it.
    if (state->bitmap == nullptr) return kErrNoBitmap;
    platform::DcHandle made = platform::CreateCompatibleDc(nullptr);
    if (made == nullptr) return kErrNoDeviceContext;
    platform::SelectBitmap(made, state->bitmap);
    dc_ = made;
    bitmap_ = state->bitmap;
    bitmap_bits_ = pixels_;
    layout_.flags |= kSurfaceLocked;
    *dc = made;
    return kOk;
  }

  // The copy below walks every logical pixel; refuse a layout that does not
  // fit its buffer rather than read past it.
  if (!InsideBuffer(*this, WholeSurface(*this))) return kErrWrongDisplayState;
  const int32_t row = static_cast<int32_t>(RoundUpToEven(layout_.width));
  const platform::BitmapInfo info = platform::TopDownSectionInfo(
      row, layout_.height, (state->properties.format_flags & kFormat555) != 0);
  void* bits = nullptr;
  platform::BitmapHandle bitmap = platform::CreateDibSection(&info, &bits);
  if (bitmap == nullptr) return kErrOutOfMemory;
  uint16_t* out = static_cast<uint16_t*>(bits);
  const ptrdiff_t stride = platform::BitmapStrideBytes(bitmap) / kBytesPerPixel;
  for (int32_t y = 0; y < layout_.height; ++y) {
    for (int32_t x = 0; x < layout_.width; ++x) {
      out[y * stride + x] = pixels_[IndexOf(*this, x, y)];
    }
  }
  platform::DcHandle made = platform::CreateCompatibleDc(nullptr);
  if (made == nullptr) {
    platform::DeleteBitmap(bitmap);
    dc_ = nullptr;
    bitmap_ = nullptr;
    bitmap_bits_ = nullptr;
    return kErrNoDeviceContext;
  }
  platform::SelectBitmap(made, bitmap);
  dc_ = made;
  bitmap_ = bitmap;
  bitmap_bits_ = out;
  layout_.flags |= kSurfaceLocked;
  *dc = made;
  return kOk;
}

ResultCode Surface::ReleaseDeviceContext(platform::DcHandle dc) {
  if (dc == nullptr) return kErrInvalidArg;
  if (pixels_ == nullptr) return kErrNoPixels;
  if ((layout_.flags & kSurfaceLocked) == 0) return kErrNotLocked;
  const bool section = (layout_.flags & kSurfaceGdiSection) != 0;
  if (!section) {
    if (bitmap_bits_ == nullptr) return kErrNotLocked;
    if (bitmap_ == nullptr) return kErrNoBitmap;
  }
  // Only the context this surface handed out may come back.
  if (dc != dc_) return kErrInvalidArg;
  platform::DeleteDc(dc_);
  if (!section) {
    // The surface may have been re-laid out while the context was out (the
    // display turning); copy back only what both still share.
    const ptrdiff_t stride = platform::BitmapStrideBytes(bitmap_) / kBytesPerPixel;
    const int32_t w = std::min(layout_.width, platform::BitmapWidth(bitmap_));
    const int32_t h = std::min(layout_.height, platform::BitmapHeight(bitmap_));
    if (InsideBuffer(*this, Box{0, 0, w, h})) {
      for (int32_t y = 0; y < h; ++y) {
        for (int32_t x = 0; x < w; ++x) {
          pixels_[IndexOf(*this, x, y)] = bitmap_bits_[y * stride + x];
        }
      }
    }
    platform::DeleteBitmap(bitmap_);
  }
  dc_ = nullptr;
  bitmap_ = nullptr;
  bitmap_bits_ = nullptr;
  layout_.flags &= ~kSurfaceLocked;
  return kOk;
}

ResultCode Surface::BeginVideoAccess() {
  if (pixels_ == nullptr) return kErrNoPixels;
  if (layout_.flags & kSurfaceLocked) return kErrLocked;
  if (!DisplayOpen(*this) || !LayoutCurrent()) return kErrWrongDisplayState;
  return (layout_.flags & kSurfaceVideoMemory) ? kOk : kErrNotVideoMemory;
}

ResultCode Surface::EndVideoAccess() {
  if (pixels_ == nullptr) return kErrNoPixels;
  if (layout_.flags & kSurfaceLocked) return kErrLocked;
  return (layout_.flags & kSurfaceVideoMemory) ? kOk : kErrNotVideoMemory;
}

}  // namespace abacine
