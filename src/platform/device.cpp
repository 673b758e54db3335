#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "platform/gx_abi.h"
#include "platform/internal.h"
#include "platform/platform.h"

namespace abacine::platform {
namespace {

constexpr int32_t kMaxSide = 2048;
constexpr int32_t kMaxPitch = 1 << 20;
constexpr int64_t kMaxFrameBytes = int64_t{64} << 20;
constexpr uint16_t kShellBarPixel = 0x10A6;  // dark slate, the shell's top bar
constexpr char16_t kFixedAddressOem[] = u"Compaq iPAQ H38";

bool PitchUsable(int32_t pitch) {
  return pitch != 0 && (pitch % 2) == 0 && pitch >= -kMaxPitch && pitch <= kMaxPitch;
}

bool IsSystemValue(int32_t value) { return OrientationCodeOf(value) != 0; }

}  // namespace

DeviceConfig DeviceConfig::WithPitchSigns(int32_t width, int32_t height, int xSign, int ySign) {
  DeviceConfig c;
  c.width = width;
  c.height = height;
  const int32_t sx = xSign < 0 ? -1 : 1;
  const int32_t sy = ySign < 0 ? -1 : 1;
  if (sx != sy) {
    // Memory runs down the columns.
    c.x_pitch = sx * 2 * height;
    c.y_pitch = sy * 2;
  } else {
    c.x_pitch = sx * 2;
    c.y_pitch = sy * 2 * width;
  }
  c.format_flags = kFormatDirectAccess | kFormat565 | (width > height ? kFormatLandscape : 0u);
  return c;
}

DeviceConfig DeviceConfig::FixedAddressDevice() {
  DeviceConfig c;
  c.width = 240;
  c.height = 320;
  c.x_pitch = -640;
  c.y_pitch = 2;
  c.format_flags = 0xA8;
  c.oem_info = u"Compaq iPAQ H3800";
  c.os_major = 3;
  c.os_minor = 0;
  return c;
}

Device::Device() { Reset(DeviceConfig{}); }

bool Device::Reset(const DeviceConfig& config) {
  if (config.width < 1 || config.width > kMaxSide || config.height < 1 ||
      config.height > kMaxSide || !PitchUsable(config.x_pitch) || !PitchUsable(config.y_pitch)) {
    return false;
  }
  const FrameSpan span = SpanOfFrame(config.width, config.height, config.x_pitch, config.y_pitch);
  if (span.bytes > kMaxFrameBytes) return false;

  config_ = config;
  memory_.assign(static_cast<size_t>(span.bytes / 2), 0);
  origin_ = reinterpret_cast<uint8_t*>(memory_.data()) + (-span.low);
  handed_out_ = false;
  game_api_log_.clear();
  PaintShellBar();
  ++frames_;
  return true;
}

int32_t Device::SystemOrientationCode() const {
  const int32_t code = OrientationCodeOf(config_.system_orientation);
  return code != 0 ? code : kOrientationNormal;
}

int32_t Device::ScreenWidth() const {
  const int32_t code = SystemOrientationCode();
  return (code == kOrientationQuarter || code == kOrientationThreeQuarter) ? config_.height
                                                                          : config_.width;
}

int32_t Device::ScreenHeight() const {
  const int32_t code = SystemOrientationCode();
  return (code == kOrientationQuarter || code == kOrientationThreeQuarter) ? config_.width
                                                                          : config_.height;
}

bool Device::SetSystemOrientation(int32_t value) {
  if (!IsSystemValue(value)) return false;
  config_.system_orientation = value;
  PaintShellBar();
  ++frames_;
  return true;
}

void Device::RotateQuarter() {
  int32_t next = kSystemOrientation0;
  switch (config_.system_orientation) {
    case kSystemOrientation0: next = kSystemOrientation90; break;
    case kSystemOrientation90: next = kSystemOrientation180; break;
    case kSystemOrientation180: next = kSystemOrientation270; break;
    default: next = kSystemOrientation0; break;
  }
  SetSystemOrientation(next);
  CurrentBackend().ScreenResized();
  // The handheld takes the foreground away and gives it back after turning.
  internal::PostToAllWindows(kMsgActivate, 0, 0);
  internal::PostToAllWindows(kMsgActivate, 1, 0);
}

uint16_t Device::HardwarePixel(int32_t x, int32_t y) const {
  if (x < 0 || y < 0 || x >= config_.width || y >= config_.height) return 0;
  uint16_t pixel = 0;
  std::memcpy(&pixel,
              origin_ + static_cast<ptrdiff_t>(x) * config_.x_pitch +
                  static_cast<ptrdiff_t>(y) * config_.y_pitch,
              sizeof pixel);
  return pixel;
}

Device::ScreenWalk Device::Walk() const {
  // Hardware steps in pixels (pitches are even, checked at Reset).
  const ptrdiff_t xs = config_.x_pitch / 2;
  const ptrdiff_t ys = config_.y_pitch / 2;
  const ptrdiff_t w1 = config_.width - 1;
  const ptrdiff_t h1 = config_.height - 1;
  auto* origin = reinterpret_cast<uint16_t*>(origin_);
  // Screen (x, y) as hardware (X, Y) per orientation code, for example a
  // quarter turn shows (X, Y) = (y, H0 - 1 - x).
  switch (SystemOrientationCode()) {
    case kOrientationQuarter: return {origin + h1 * ys, -ys, xs};
    case kOrientationThreeQuarter: return {origin + w1 * xs, ys, -xs};
    case kOrientationHalf: return {origin + w1 * xs + h1 * ys, -xs, -ys};
    default: return {origin, xs, ys};
  }
}

uint16_t Device::ScreenPixel(int32_t x, int32_t y) const {
  if (x < 0 || y < 0 || x >= ScreenWidth() || y >= ScreenHeight()) return 0;
  const ScreenWalk walk = Walk();
  return walk.first[x * walk.along + y * walk.across];
}

void Device::SetScreenPixel(int32_t x, int32_t y, uint16_t pixel) {
  if (x < 0 || y < 0 || x >= ScreenWidth() || y >= ScreenHeight()) return;
  const ScreenWalk walk = Walk();
  walk.first[x * walk.along + y * walk.across] = pixel;
}

std::vector<uint16_t> Device::ScreenPixels() const {
  const auto w = static_cast<size_t>(ScreenWidth());
  std::vector<uint16_t> out(w * static_cast<size_t>(ScreenHeight()));
  CopyScreen(out.data(), w);
  return out;
}

namespace {

// Copies a width x height block pixel by pixel: to[x * along + y * across]
// = read(x, y). In square tiles, so that a turned side (one that steps a
// whole row per pixel) touches a few cache lines per tile instead of one
// line per pixel.
template <class Read>
void CopyTiled(uint16_t* to, ptrdiff_t along, ptrdiff_t across, int32_t width, int32_t height,
               Read read) {
  constexpr int32_t kTile = 32;
  for (int32_t ty = 0; ty < height; ty += kTile) {
    const int32_t y_end = std::min(height, ty + kTile);
    for (int32_t tx = 0; tx < width; tx += kTile) {
      const int32_t x_end = std::min(width, tx + kTile);
      for (int32_t y = ty; y < y_end; ++y) {
        for (int32_t x = tx; x < x_end; ++x) to[x * along + y * across] = read(x, y);
      }
    }
  }
}

}  // namespace

void Device::CopyScreen(uint16_t* out, size_t out_row_pixels) const {
  const ScreenWalk walk = Walk();
  const int32_t w = ScreenWidth();
  const int32_t h = ScreenHeight();
  const auto row = static_cast<ptrdiff_t>(out_row_pixels);
  if (walk.along != 1) {
    CopyTiled(out, 1, row, w, h, [&walk](int32_t x, int32_t y) {
      return walk.first[x * walk.along + y * walk.across];
    });
  } else if (walk.across == w && row == w) {
    // Rows follow each other on both sides: one block.
    std::memcpy(out, walk.first,
                static_cast<size_t>(w) * static_cast<size_t>(h) * sizeof(uint16_t));
  } else {
    for (int32_t y = 0; y < h; ++y) {
      std::memcpy(out + y * row, walk.first + y * walk.across,
                  static_cast<size_t>(w) * sizeof(uint16_t));
    }
  }
}

void Device::WriteScreen(int32_t x, int32_t y, int32_t width, int32_t height,
                         const uint8_t* source, int64_t source_row_bytes) {
  const ScreenWalk walk = Walk();
  uint16_t* to = walk.first + x * walk.along + y * walk.across;
  const size_t row_bytes = static_cast<size_t>(width) * sizeof(uint16_t);
  if (walk.along != 1) {
    CopyTiled(to, walk.along, walk.across, width, height, [=](int32_t c, int32_t r) {
      uint16_t pixel = 0;
      std::memcpy(&pixel, source + r * source_row_bytes + 2 * c, sizeof pixel);
      return pixel;
    });
  } else if (walk.across == width && source_row_bytes == static_cast<int64_t>(row_bytes)) {
    // Whole rows that follow each other on both sides: one block.
    std::memcpy(to, source, row_bytes * static_cast<size_t>(height));
  } else {
    for (int32_t r = 0; r < height; ++r) {
      std::memcpy(to + r * walk.across, source + r * source_row_bytes, row_bytes);
    }
  }
}

void Device::PaintShellBar() {
  const int32_t rows = std::min(config_.work_area_top, ScreenHeight());
  for (int32_t y = 0; y < rows; ++y) {
    for (int32_t x = 0; x < ScreenWidth(); ++x) SetScreenPixel(x, y, kShellBarPixel);
  }
}

int32_t Device::DriverEscape(int32_t code, void* out, size_t outSize) {
  if (code != kEscapeGetRawFrameBuffer) return 0;
  if (out == nullptr || outSize < sizeof(RawFrameBufferInfo)) return -1;
  if (!config_.raw_frame_buffer) return 0;
  RawFrameBufferInfo info{};
  info.format = config_.raw_format;
  info.bits_per_pixel = static_cast<uint16_t>(std::clamp(config_.bits_per_pixel, 0, 0xFFFF));
  info.frame_pointer = origin_;
  info.x_stride = config_.x_pitch;
  info.y_stride = config_.y_pitch;
  info.width = config_.width;
  info.height = config_.height;
  std::memcpy(out, &info, sizeof info);
  handed_out_ = true;
  return 1;
}

void* Device::FixedAddressMemory(uintptr_t address) {
  if (address != kFixedFrameBufferAddress) return nullptr;
  const std::u16string_view oem(config_.oem_info);
  const std::u16string_view prefix(kFixedAddressOem);
  if (oem.substr(0, prefix.size()) != prefix) return nullptr;
  // The memory behind the fixed address has exactly this shape; any other
  // panel would be written out of bounds by a display that trusts the address.
  if (config_.width != 240 || config_.height != 320 || config_.x_pitch != -640 ||
      config_.y_pitch != 2) {
    return nullptr;
  }
  handed_out_ = true;
  return origin_;
}

bool Device::GetOemInfo(char16_t* buffer, size_t chars) const {
  if (buffer == nullptr || chars == 0) return false;
  const size_t n = std::min(config_.oem_info.size(), chars - 1);
  std::copy_n(config_.oem_info.data(), n, buffer);
  buffer[n] = u'\0';
  return true;
}

void Device::GetOsVersion(uint32_t* major, uint32_t* minor) const {
  if (major != nullptr) *major = config_.os_major;
  if (minor != nullptr) *minor = config_.os_minor;
}

int32_t Device::ChangeDisplaySettings(DisplayModeRecord* mode, uint32_t flags) {
  if (mode == nullptr || mode->size == 0) return kModeChangeBadParam;
  if (config_.orientation_query != OrientationQuery::kWorks) return kModeChangeBadMode;
  if ((mode->fields & kModeFieldQueryOrientation) != 0) {
    // The turns this device can make besides the hardware orientation.
    mode->orientation = kSystemOrientation90 | kSystemOrientation180 | kSystemOrientation270;
    return kModeChangeSuccessful;
  }
  if ((mode->fields & kModeFieldOrientation) != 0) {
    if ((flags & kModeChangeTest) != 0) {
      mode->orientation = config_.system_orientation;
      return kModeChangeSuccessful;
    }
    if (!IsSystemValue(mode->orientation)) return kModeChangeBadMode;
    if (mode->orientation != config_.system_orientation) {
      SetSystemOrientation(mode->orientation);
      CurrentBackend().ScreenResized();
      internal::PostToAllWindows(kMsgActivate, 0, 0);
      internal::PostToAllWindows(kMsgActivate, 1, 0);
    }
    return kModeChangeSuccessful;
  }
  return kModeChangeBadParam;
}

int Device::CountGameApiCalls(int32_t call) const {
  return static_cast<int>(std::count_if(game_api_log_.begin(), game_api_log_.end(),
                                        [call](const GameApiCall& c) { return c.call == call; }));
}

void Device::RecordGameApiCall(int32_t call, intptr_t result) {
  // Bounded so that a long run with the Game API cannot grow it without end.
  if (game_api_log_.size() >= 4096) game_api_log_.erase(game_api_log_.begin(), game_api_log_.begin() + 2048);
  game_api_log_.push_back(GameApiCall{call, result});
  if (call == kGxCallEndDraw && result != 0) ++frames_;
}

Device& TheDevice() {
  static Device device;
  return device;
}

}  // namespace abacine::platform
