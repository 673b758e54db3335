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

namespace {

// Hardware pixel of screen pixel (x, y) for an orientation code.
void ScreenToHardware(int32_t code, int32_t w0, int32_t h0, int32_t x, int32_t y, int32_t* hx,
                      int32_t* hy) {
  switch (code) {
    case kOrientationQuarter: *hx = y; *hy = h0 - 1 - x; break;
    case kOrientationThreeQuarter: *hx = w0 - 1 - y; *hy = x; break;
    case kOrientationHalf: *hx = w0 - 1 - x; *hy = h0 - 1 - y; break;
    default: *hx = x; *hy = y; break;
  }
}

}  // namespace

uint16_t Device::ScreenPixel(int32_t x, int32_t y) const {
  if (x < 0 || y < 0 || x >= ScreenWidth() || y >= ScreenHeight()) return 0;
  int32_t hx = 0, hy = 0;
  ScreenToHardware(SystemOrientationCode(), config_.width, config_.height, x, y, &hx, &hy);
  return HardwarePixel(hx, hy);
}

void Device::SetScreenPixel(int32_t x, int32_t y, uint16_t pixel) {
  if (x < 0 || y < 0 || x >= ScreenWidth() || y >= ScreenHeight()) return;
  int32_t hx = 0, hy = 0;
  ScreenToHardware(SystemOrientationCode(), config_.width, config_.height, x, y, &hx, &hy);
  std::memcpy(origin_ + static_cast<ptrdiff_t>(hx) * config_.x_pitch +
                  static_cast<ptrdiff_t>(hy) * config_.y_pitch,
              &pixel, sizeof pixel);
}

std::vector<uint16_t> Device::ScreenPixels() const {
  const int32_t w = ScreenWidth();
  const int32_t h = ScreenHeight();
  std::vector<uint16_t> out(static_cast<size_t>(w) * static_cast<size_t>(h));
  for (int32_t y = 0; y < h; ++y) {
    for (int32_t x = 0; x < w; ++x) {
      out[static_cast<size_t>(y) * static_cast<size_t>(w) + static_cast<size_t>(x)] =
          ScreenPixel(x, y);
    }
  }
  return out;
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
