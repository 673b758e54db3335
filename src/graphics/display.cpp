#include "graphics/display.h"

#include <algorithm>
#include <cstdlib>

#include "graphics/game_api.h"
#include "graphics/surface_internal.h"

namespace abacine {
namespace {

constexpr int32_t kOemBufferChars = 200;
constexpr int32_t kFrameBufferSideLimit = 32767;
// The raw frame-buffer escape exists on systems after 4.20 (major * 100 +
// minor).
constexpr uint64_t kLastVersionWithoutRawFrameBuffer = 420;
// SetScreenOrientation reads the orientation code from the low four bits.
constexpr int32_t kOrientationCodeBits = 0xF;

bool IsOrientationCode(int32_t code) {
  return code == kOrientationNormal || code == kOrientationQuarter ||
         code == kOrientationThreeQuarter || code == kOrientationHalf;
}

bool IsQuarterTurn(int32_t code) {
  return code == kOrientationQuarter || code == kOrientationThreeQuarter;
}

bool HasFixedAddressOem() {
  char16_t oem[kOemBufferChars] = {};
  if (!platform::TheDevice().GetOemInfo(oem, kOemBufferChars)) return false;
  const std::u16string_view prefix(kFixedAddressOemPrefix);
  return std::u16string_view(oem).substr(0, prefix.size()) == prefix;
}

int32_t ClampToInt32(uint32_t v) {
  return v > static_cast<uint32_t>(INT32_MAX) ? 0 : static_cast<int32_t>(v);
}

platform::FrameSpan SpanOf(const DisplayProperties& p) {
  return platform::SpanOfFrame(p.width, p.height, p.x_pitch, p.y_pitch);
}

// size - v - 1 without overflow for any 32-bit v.
int32_t Mirror(int32_t size, int32_t v) {
  const int64_t m = int64_t{size} - v - 1;
  return static_cast<int32_t>(std::clamp<int64_t>(m, INT32_MIN, INT32_MAX));
}

}  // namespace

OrientationTurn OrientationTurnOf(int32_t system, int32_t requested) {
  if ((system & requested) != 0) return OrientationTurn::kNone;
  struct Row {
    int32_t system, requested;
    OrientationTurn turn;
  };
  constexpr int32_t k1 = kOrientationNormal, k2 = kOrientationQuarter,
                    k4 = kOrientationThreeQuarter, k8 = kOrientationHalf;
  static constexpr Row kRows[] = {
      {k1, k8, OrientationTurn::kHalf},      {k4, k2, OrientationTurn::kHalf},
      {k8, k1, OrientationTurn::kHalf},      {k2, k4, OrientationTurn::kHalf},
      {k1, k2, OrientationTurn::kQuarterA},  {k4, k1, OrientationTurn::kQuarterA},
      {k8, k4, OrientationTurn::kQuarterA},  {k2, k8, OrientationTurn::kQuarterA},
      {k1, k4, OrientationTurn::kQuarterB},  {k4, k8, OrientationTurn::kQuarterB},
      {k8, k2, OrientationTurn::kQuarterB},  {k2, k1, OrientationTurn::kQuarterB},
  };
  for (const Row& row : kRows) {
    if (row.system == system && row.requested == requested) return row.turn;
  }
  return OrientationTurn::kNone;
}

bool FrameBufferUsable(const DisplayProperties& p) {
  if (p.width < 1 || p.height < 1 || p.width > kFrameBufferSideLimit ||
      p.height > kFrameBufferSideLimit) {
    return false;
  }
  if (p.x_pitch == 0 || p.y_pitch == 0 || (p.x_pitch % kBytesPerPixel) != 0 ||
      (p.y_pitch % kBytesPerPixel) != 0) {
    return false;
  }
  const int64_t ax = std::llabs(p.x_pitch);
  const int64_t ay = std::llabs(p.y_pitch);
  // One pitch steps from pixel to pixel; the other must clear a whole run.
  const bool rows = ax == kBytesPerPixel && ay >= kBytesPerPixel * int64_t{p.width};
  const bool columns = ay == kBytesPerPixel && ax >= kBytesPerPixel * int64_t{p.height};
  if (!rows && !columns) return false;
  return SpanOf(p).bytes <= INT32_MAX;
}

Display::Display(GraphicsContext* context)
    : Surface(context),
      context_(context),
      state_(context != nullptr ? context->State() : nullptr),
      back_(std::make_unique<Surface>(context)) {
  SetKind(kSurfaceDisplay);
}

Display::~Display() {
  Close();
  back_.reset();
}

bool Display::IsOpen() const { return state_ != nullptr && state_->IsOpen(); }

bool Display::WindowGone() const { return !platform::IsWindow(state_->window); }

// Suspension sets the lock flag, but an UnlockPixels on the primary must not
// end it, so the display keeps its own record as well.
bool Display::Locked() const { return (Flags() & kSurfaceLocked) != 0 || suspended_; }

// ---------------------------------------------------------------------------
// Opening

ResultCode Display::OpenDirect(uint32_t flags, platform::WindowHandle window,
                               int32_t bits_per_pixel) {
  if (state_ == nullptr) return kErrInvalidArg;
  if (!platform::IsWindow(window) || (bits_per_pixel != 0 && bits_per_pixel != kBitsPerPixel)) {
    return kErrInvalidArg;
  }
  if (IsOpen()) return kErrDisplayAlreadyOpen;
  if (LoadGameApi() != kOk) return kErrGameApiMissing;

  state_->open_flags = flags;
  state_->device_quirk = HasFixedAddressOem() ? kQuirkFixedAddress : kQuirkNone;

  DisplayProperties properties{};
  uint8_t* frame = nullptr;
  if (state_->device_quirk == kQuirkFixedAddress) {
    properties = kFixedAddressProperties;
    // The fixed address is reached only through the platform's checked
    // lookup; a device whose memory is not there cannot be opened.
    frame = static_cast<uint8_t*>(
        platform::TheDevice().FixedAddressMemory(platform::kFixedFrameBufferAddress));
    if (frame == nullptr) return kErrCannotOpenScreen;
    source_ = Source::kFixedAddress;
  } else {
    const ResultCode code = OpenScreen(window, &properties, &frame);
    if (code != kOk) return code;
  }

  state_->properties = properties;
  state_->capability_a = false;
  state_->capability_b = false;
  const int32_t code = state_->current_orientation;
  if (IsQuarterTurn(code)) {
    SetLogicalSize(properties.height, properties.width);
  } else {
    SetLogicalSize(properties.width, properties.height);
  }
  SetFlags(kSurfaceHasBackBuffer);
  LayOutPrimary();
  state_->window = window;
  state_->open = 1;

  const ResultCode created = back_->Create(kSurfaceSystemMemory | kSurfaceClear, Width(), Height());
  if (created != kOk) {
    Close();
    return created;
  }
  AttachFrame(frame);
  state_->back_buffer_pixels = back_->Pixels();
  state_->direct_access = source_ == Source::kRaw || source_ == Source::kGameApi;
  back_->FillArea(nullptr, 0, 0, nullptr);
  // A font that cannot be built fails its own text calls later; the screen
  // itself is open.
  context_->BuildBuiltinFonts();
  return kOk;
}

ResultCode Display::OpenScreen(platform::WindowHandle window, DisplayProperties* properties,
                               uint8_t** frame) {
  uint32_t major = 0, minor = 0;
  platform::TheDevice().GetOsVersion(&major, &minor);
  const uint64_t version = uint64_t{major} * 100 + minor;
  if ((state_->open_flags & kDisplayUseRawFrameBuffer) != 0 &&
      version > kLastVersionWithoutRawFrameBuffer &&
      OpenRaw(properties, frame)) {
    if (properties->bits_per_pixel != kBitsPerPixel || !FrameBufferUsable(*properties)) {
      state_->raw_frame_buffer = false;
      return kErrCannotOpenScreen;
    }
    source_ = Source::kRaw;
    return kOk;
  }

  GameApiLibrary& api = GameApiLibrary::Instance();
  if (api.OpenDisplay(window, kGameApiFullScreen) == 0) return kErrCannotOpenScreen;
  const GXDisplayProperties gx = api.GetDisplayProperties();
  properties->width = ClampToInt32(gx.width);
  properties->height = ClampToInt32(gx.height);
  properties->x_pitch = gx.x_pitch;
  properties->y_pitch = gx.y_pitch;
  properties->bits_per_pixel = gx.bits_per_pixel;
  properties->format_flags = gx.format_flags;
  *frame = properties->bits_per_pixel == kBitsPerPixel && FrameBufferUsable(*properties)
               ? static_cast<uint8_t*>(api.BeginDraw())
               : nullptr;
  if (*frame == nullptr) {
    // Wrong format, a frame buffer we cannot lay out, or no pointer to it.
    api.CloseDisplay();
    return kErrCannotOpenScreen;
  }
  source_ = Source::kGameApi;
  return kOk;
}

bool Display::OpenRaw(DisplayProperties* properties, uint8_t** frame) {
  platform::RawFrameBufferInfo info{};
  if (platform::TheDevice().DriverEscape(platform::kEscapeGetRawFrameBuffer, &info, sizeof info) <=
      0) {
    return false;
  }
  // A format with either of the two low bits set is a 16-bit one.
  constexpr uint16_t kSixteenBitFormats = platform::kRawFormat565 | platform::kRawFormat555;
  if (info.bits_per_pixel != kBitsPerPixel || info.x_stride == 0 || info.y_stride == 0 ||
      info.width == 0 || info.height == 0 || (info.format & kSixteenBitFormats) == 0 ||
      info.frame_pointer == nullptr) {
    return false;
  }
  state_->raw_frame_buffer = true;
  ReadRawOrientation();
  properties->width = info.width;
  properties->height = info.height;
  properties->x_pitch = info.x_stride;
  properties->y_pitch = info.y_stride;
  properties->bits_per_pixel = info.bits_per_pixel;
  properties->format_flags = info.format == platform::kRawFormat555
                                  ? (kFormatDirectAccess | kFormat555)
                                  : (kFormatDirectAccess | kFormat565);
  *frame = static_cast<uint8_t*>(info.frame_pointer);
  return true;
}

void Display::ReadRawOrientation() {
  platform::Library* system = platform::OpenLibrary("coredll.dll");
  void* found = platform::FindProcedure(system, u"ChangeDisplaySettingsEx");
  if (system != nullptr && found != nullptr) {
    const auto change = reinterpret_cast<platform::ChangeDisplaySettingsExFn>(found);
    platform::DisplayModeRecord query{platform::kDisplayModeRecordSize,
                                      platform::kModeFieldQueryOrientation, 0};
    if (change(nullptr, &query, nullptr, platform::kModeChangeTest, nullptr) ==
        platform::kModeChangeSuccessful) {
      platform::DisplayModeRecord mode{platform::kDisplayModeRecordSize,
                                       platform::kModeFieldOrientation, 0};
      // Only an answer that arrived is used; a failed call leaves the codes.
      if (change(nullptr, &mode, nullptr, platform::kModeChangeTest, nullptr) ==
          platform::kModeChangeSuccessful) {
        const int32_t code = platform::OrientationCodeOf(mode.orientation);
        if (code != 0) {
          state_->system_orientation = code;
          state_->current_orientation = code;
          state_->requested_orientation = code;
        }
      }
    }
  }
  platform::CloseLibrary(system);
}

ResultCode Display::OpenWindowed(uint32_t flags, int32_t width, int32_t height) {
  if (state_ == nullptr) return kErrInvalidArg;
  if (flags != 0 || width <= 0 || height <= 0) return kErrInvalidArg;
  if (IsOpen()) return kErrDisplayAlreadyOpen;

  const int32_t requested = state_->requested_orientation;
  const bool turned = !(requested == kOrientationNormal || requested == kOrientationHalf);
  const int64_t row = RoundUpToEven(width);
  const int64_t rows = RoundUpToEven(height);
  const int64_t image_bytes = row * rows * kBytesPerPixel;
  if (row * kBytesPerPixel > INT32_MAX || image_bytes > INT32_MAX) {
    Close();
    return kErrOutOfMemory;
  }
  state_->properties = DisplayProperties{width,
                                         height,
                                         kBytesPerPixel,
                                         static_cast<int32_t>(row * kBytesPerPixel),
                                         kBitsPerPixel,
                                         kFormatDirectAccess | kFormat565};
  SetFlags(0);
  if (turned) {
    SetLogicalSize(height, width);
  } else {
    SetLogicalSize(width, height);
  }

  const platform::BitmapInfo info =
      platform::TopDownSectionInfo(static_cast<int32_t>(row), static_cast<int32_t>(rows),
                                   (state_->properties.format_flags & kFormat555) != 0);
  void* bits = nullptr;
  platform::BitmapHandle bitmap = platform::CreateDibSection(&info, &bits);
  if (bitmap == nullptr || bits == nullptr) {
    if (bitmap != nullptr) platform::DeleteBitmap(bitmap);
    Close();
    return kErrOutOfMemory;
  }

  state_->bitmap = bitmap;
  state_->back_buffer_pixels = static_cast<uint16_t*>(bits);
  back_->AttachPixels(kSurfaceGdi, static_cast<uint16_t*>(bits),
                      static_cast<uint32_t>(image_bytes));
  back_->SetFlags(kSurfaceGdiSection | kSurfaceSystemMemory);
  back_->SetLogicalSize(Width(), Height());
  LayOutPrimary();
  AttachFrame(nullptr);
  windowed_ = true;
  state_->open = 1;
  back_->LayOutOffscreen();
  back_->FillArea(nullptr, 0, 0, nullptr);
  context_->BuildBuiltinFonts();
  return kOk;
}

// ---------------------------------------------------------------------------
// Layout of the primary over the frame buffer

bool Display::LayOutPrimary() {
  const DisplayProperties& p = state_->properties;
  if (!FrameBufferUsable(p)) {
    SetLayoutSteps(0, 0, 0, state_->current_orientation);
    low_offset_ = 0;
    span_bytes_ = 0;
    return false;
  }
  const platform::FrameSpan span = SpanOf(p);
  low_offset_ = span.low;
  span_bytes_ = static_cast<uint32_t>(span.bytes);
  // Buffer indices count from the lowest address; hardware pixel (X, Y) is at
  // base + X * xs + Y * ys.
  const int64_t base = -span.low / 2;
  const int64_t xs = p.x_pitch / 2;
  const int64_t ys = p.y_pitch / 2;
  const int64_t w1 = p.width - 1;
  const int64_t h1 = p.height - 1;
  int64_t origin = base, x_step = xs, y_step = ys;
  switch (state_->current_orientation) {
    case kOrientationQuarter:  // (X, Y) = (y, H0 - 1 - x)
      origin = base + h1 * ys;
      x_step = -ys;
      y_step = xs;
      break;
    case kOrientationThreeQuarter:  // (X, Y) = (W0 - 1 - y, x)
      origin = base + w1 * xs;
      x_step = ys;
      y_step = -xs;
      break;
    case kOrientationHalf:  // (X, Y) = (W0 - 1 - x, H0 - 1 - y)
      origin = base + w1 * xs + h1 * ys;
      x_step = -xs;
      y_step = -ys;
      break;
    default:
      break;
  }
  SetLayoutSteps(static_cast<int32_t>(origin), static_cast<int32_t>(x_step),
                 static_cast<int32_t>(y_step), state_->current_orientation);
  return true;
}

void Display::AttachFrame(uint8_t* frame) {
  uint16_t* lowest =
      frame == nullptr ? nullptr : reinterpret_cast<uint16_t*>(frame + low_offset_);
  AttachPixels(kSurfaceDisplay, lowest, lowest == nullptr ? 0 : span_bytes_);
}

uint8_t* Display::FetchFrame() {
  switch (source_) {
    case Source::kRaw: {
      platform::RawFrameBufferInfo info{};
      if (platform::TheDevice().DriverEscape(platform::kEscapeGetRawFrameBuffer, &info,
                                             sizeof info) <= 0) {
        return nullptr;
      }
      // A frame buffer that changed shape under an open display is not used:
      // the layout was made for the old one.
      const DisplayProperties& p = state_->properties;
      if (info.width != p.width || info.height != p.height || info.x_stride != p.x_pitch ||
          info.y_stride != p.y_pitch) {
        return nullptr;
      }
      return static_cast<uint8_t*>(info.frame_pointer);
    }
    case Source::kGameApi:
      return static_cast<uint8_t*>(GameApiLibrary::Instance().BeginDraw());
    case Source::kFixedAddress:
      return static_cast<uint8_t*>(
          platform::TheDevice().FixedAddressMemory(platform::kFixedFrameBufferAddress));
    case Source::kNone:
      break;
  }
  return nullptr;
}

// ---------------------------------------------------------------------------
// Closing, presenting, suspending

ResultCode Display::Close() {
  if (state_ == nullptr) return kOk;
  state_->open = 0;
  back_->ReleaseBuffer();
  ReleaseBuffer();
  SetKind(kSurfaceDisplay);
  if (source_ == Source::kGameApi) GameApiLibrary::Instance().CloseDisplay();
  if (state_->bitmap != nullptr) {
    platform::DeleteBitmap(state_->bitmap);
    state_->bitmap = nullptr;
  }
  state_->window = nullptr;
  state_->back_buffer_pixels = nullptr;
  state_->direct_access = false;
  state_->capability_a = false;
  state_->capability_b = false;
  // Left set, the raw flag would make the next Game API open skip its end
  // and close calls and leave the library's display open.
  state_->raw_frame_buffer = false;
  source_ = Source::kNone;
  windowed_ = false;
  suspended_ = false;
  low_offset_ = 0;
  span_bytes_ = 0;
  return kOk;
}

Surface* Display::BackBuffer() {
  if (!IsOpen()) return nullptr;
  if (!windowed_ && WindowGone()) return nullptr;
  return back_.get();
}

ResultCode Display::Present() {
  if (!IsOpen()) return kErrDisplayNotOpen;
  if (Locked()) return kErrDisplayLocked;
  if (windowed_) return kErrWindowedPresent;
  if (WindowGone()) return kErrDisplayNotOpen;
  const ResultCode copied = BlitAt(0, 0, back_.get(), nullptr, 0, nullptr);
  if (source_ == Source::kGameApi) GameApiLibrary::Instance().EndDraw();
  if (state_->direct_access) {
    // A pointer that cannot be fetched leaves the primary without pixels, so
    // the next frame fails with a code instead of writing through it.
    AttachFrame(FetchFrame());
  }
  return copied;
}

ResultCode Display::Suspend() {
  if (!IsOpen()) return kErrDisplayNotOpen;
  if (Locked()) return kErrDisplayLocked;
  if (!windowed_ && WindowGone()) return kErrDisplayNotOpen;
  AddFlags(kSurfaceLocked);
  suspended_ = true;
  if (source_ == Source::kGameApi) GameApiLibrary::Instance().Suspend();
  return kOk;
}

ResultCode Display::Resume() {
  if (!IsOpen()) return kErrDisplayNotOpen;
  if (!suspended_) return kErrNotSuspended;
  if (!windowed_ && WindowGone()) return kErrDisplayNotOpen;
  RemoveFlags(kSurfaceLocked);
  suspended_ = false;
  if (source_ == Source::kGameApi) GameApiLibrary::Instance().Resume();
  return kOk;
}

// ---------------------------------------------------------------------------
// Orientation and queries

ResultCode Display::SetScreenOrientation(int32_t code) {
  if (state_ == nullptr) return kErrDisplayNotOpen;
  if (Locked()) return kErrDisplayLocked;
  const int32_t c = code & kOrientationCodeBits;
  if (c == 0) return kErrOrientationZero;
  if (!IsOrientationCode(c)) return kOk;
  state_->requested_orientation = c;
  state_->current_orientation = c;
  const DisplayProperties& p = state_->properties;
  if (IsQuarterTurn(c)) {
    SetLogicalSize(p.height, p.width);
  } else {
    SetLogicalSize(p.width, p.height);
  }
  if (IsOpen()) {
    LayOutPrimary();
    back_->SetLogicalSize(Width(), Height());
    if (back_->Kind() == kSurfaceDisplay) {
      back_->SetLayoutSteps(Layout().origin, Layout().x_step, Layout().y_step,
                            Layout().orientation);
    } else {
      back_->LayOutOffscreen();
    }
    context_->BuildBuiltinFonts();
  }
  return kOk;
}

ResultCode Display::DisplayCaps(uint32_t* bits) const {
  if (bits == nullptr) return kErrInvalidArg;
  uint32_t answer = 0;
  if (state_ != nullptr && state_->capability_a) answer |= kDisplayCapA;
  if (state_ != nullptr && state_->capability_b) answer |= kDisplayCapPaces;
  *bits = answer;
  return kOk;
}

ResultCode Display::MapStylusPoint(StylusPoint* point) const {
  if (point == nullptr) return kErrInvalidArg;
  if (!IsOpen()) return kErrDisplayNotOpen;
  const int32_t w = Width();
  const int32_t h = Height();
  switch (OrientationTurnOf(state_->system_orientation, state_->requested_orientation)) {
    case OrientationTurn::kHalf:
      point->x = Mirror(w, point->x);
      point->y = Mirror(h, point->y);
      break;
    case OrientationTurn::kQuarterA:
      std::swap(point->x, point->y);
      point->x = Mirror(w, point->x);
      break;
    case OrientationTurn::kQuarterB:
      std::swap(point->x, point->y);
      point->y = Mirror(h, point->y);
      break;
    case OrientationTurn::kNone:
      break;
  }
  return kOk;
}

ResultCode Display::CheckSurfacesLost() const {
  return IsOpen() ? kErrFeatureNotAvailable : kErrDisplayNotOpen;
}

ResultCode Display::RestoreSurfaces() const {
  if (!IsOpen()) return kErrDisplayNotOpen;
  if (windowed_) return kErrWindowedPresent;
  return kErrFeatureNotAvailable;
}

}  // namespace abacine
