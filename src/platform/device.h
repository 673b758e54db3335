// The simulated handheld: its screen and frame buffer, what its system
// reports (OEM string, OS version, orientation, the display driver's raw
// frame buffer) and the quarter turn. The backends show its screen; the
// graphics layer reaches its frame buffer the ways the handheld offers.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace abacine::platform {

// Display-property format bits, as the Game API reports them and the
// graphics layer keeps them.
inline constexpr uint32_t kFormatLandscape = 0x08;
inline constexpr uint32_t kFormatDirectAccess = 0x20;
inline constexpr uint32_t kFormat555 = 0x40;
inline constexpr uint32_t kFormat565 = 0x80;
inline constexpr uint32_t kFormat444 = 0x200;

// System display orientation values (what the display-mode query reports).
inline constexpr int32_t kSystemOrientation0 = 0;
inline constexpr int32_t kSystemOrientation90 = 1;
inline constexpr int32_t kSystemOrientation180 = 2;
inline constexpr int32_t kSystemOrientation270 = 4;

// Orientation codes, the graphics layer's names for the same turns: 1 the
// hardware orientation, 2 and 4 a quarter turn either way, 8 a half turn.
inline constexpr int32_t kOrientationNormal = 1;
inline constexpr int32_t kOrientationQuarter = 2;
inline constexpr int32_t kOrientationThreeQuarter = 4;
inline constexpr int32_t kOrientationHalf = 8;

// The orientation code of a system orientation value: 0 -> 1, 1 -> 2,
// 2 -> 8, 4 -> 4; 0 for any other value, which names no orientation.
constexpr int32_t OrientationCodeOf(int32_t system_value) {
  switch (system_value) {
    case kSystemOrientation0: return kOrientationNormal;
    case kSystemOrientation90: return kOrientationQuarter;
    case kSystemOrientation180: return kOrientationHalf;
    case kSystemOrientation270: return kOrientationThreeQuarter;
    default: return 0;
  }
}

// Where a frame buffer lies around its hardware pixel (0, 0): `low` bytes
// from that pixel down to the lowest address used (0 or negative), and
// `bytes` from there to the end of the highest pixel. 64-bit, so no pitch
// or size a caller passes can overflow.
struct FrameSpan {
  int64_t low = 0;
  int64_t bytes = 0;
};
constexpr FrameSpan SpanOfFrame(int32_t width, int32_t height, int32_t x_pitch, int32_t y_pitch) {
  const int64_t span_x = int64_t{width - 1} * x_pitch;
  const int64_t span_y = int64_t{height - 1} * y_pitch;
  const int64_t low = (span_x < 0 ? span_x : 0) + (span_y < 0 ? span_y : 0);
  const int64_t high = (span_x > 0 ? span_x : 0) + (span_y > 0 ? span_y : 0);
  return FrameSpan{low, high - low + 2};
}

// Whether the system library offers the display-mode call, and how it answers.
enum class OrientationQuery {
  kMissing,  // "ChangeDisplaySettingsEx" cannot be found
  kFails,    // found, but the orientation test call fails
  kWorks,    // found and answers with the system orientation
};

// The raw frame-buffer driver escape.
inline constexpr int32_t kEscapeGetRawFrameBuffer = 0x20001;

// Format codes of that answer; any other value is an unknown format.
inline constexpr uint16_t kRawFormat565 = 1;
inline constexpr uint16_t kRawFormat555 = 2;
inline constexpr uint16_t kRawFormatOther16 = 3;

// Answer of the raw frame-buffer escape.
struct RawFrameBufferInfo {
  uint16_t format;  // kRawFormat565, kRawFormat555, kRawFormatOther16, else unknown
  uint16_t bits_per_pixel;
  void* frame_pointer;  // hardware pixel (0, 0)
  int32_t x_stride;     // bytes
  int32_t y_stride;     // bytes
  int32_t width;        // pixels, hardware orientation
  int32_t height;
};

// The display-mode record passed to the display-mode call.
struct DisplayModeRecord {
  uint32_t size;         // kDisplayModeRecordSize, the handheld record's size
  uint32_t fields;       // which fields the call looks at (below)
  int32_t orientation;   // system orientation value in or out
};
inline constexpr uint32_t kDisplayModeRecordSize = 192;
inline constexpr uint32_t kModeFieldOrientation = 0x00800000;
inline constexpr uint32_t kModeFieldQueryOrientation = 0x01000000;
inline constexpr uint32_t kModeChangeTest = 2;           // test only, change nothing
inline constexpr int32_t kModeChangeSuccessful = 0;
inline constexpr int32_t kModeChangeBadMode = -2;
inline constexpr int32_t kModeChangeBadParam = -5;
// The display-mode call ("ChangeDisplaySettingsEx" in the system library).
using ChangeDisplaySettingsExFn = int32_t (*)(const char16_t* deviceName, DisplayModeRecord* mode,
                                              void* window, uint32_t flags, void* param);

// Everything the simulated handheld answers. Defaults describe an upright
// 480 x 640 5-6-5 device with row-major memory and the Game API keys on the
// arrow keys and F9-F12.
struct DeviceConfig {
  int32_t width = 480;   // W0: hardware width in pixels
  int32_t height = 640;  // H0: hardware height in pixels
  int32_t x_pitch = 2;   // bytes; see WithPitchSigns
  int32_t y_pitch = 960;
  int32_t bits_per_pixel = 16;
  uint32_t format_flags = kFormatDirectAccess | kFormat565;
  int32_t system_orientation = kSystemOrientation0;  // 0, 1, 2 or 4 (others kept, reported as is)
  std::u16string oem_info = u"Abacine Simulated Handheld";
  uint32_t os_major = 5;
  uint32_t os_minor = 0;
  bool raw_frame_buffer = false;  // the driver answers the raw frame-buffer escape
  uint16_t raw_format = kRawFormat565;  // the format code that answer carries
  OrientationQuery orientation_query = OrientationQuery::kWorks;
  int32_t work_area_top = 0;      // height of the shell's top bar
  // Up, down, left, right, A, B, C, start (the Game API's default keys).
  std::array<int16_t, 8> game_keys = {0x26, 0x28, 0x25, 0x27, 0x78, 0x79, 0x7A, 0x7B};

  // A W0 x H0 device whose pitches have the given signs (+1 or -1). Mixed
  // signs give a column-major panel (|y pitch| = 2, |x pitch| = 2 H0); equal
  // signs a row-major one (|x pitch| = 2, |y pitch| = 2 W0). A panel wider
  // than high gets the landscape format bit.
  static DeviceConfig WithPitchSigns(int32_t width, int32_t height, int xSign, int ySign);
  // The one device whose frame buffer lies at a fixed address: OEM string
  // "Compaq iPAQ H3800", 240 x 320, x pitch -640, y pitch 2, format 0xA8.
  static DeviceConfig FixedAddressDevice();
};

// The frame-buffer address of the fixed-address device (hardware pixel (0, 0)).
inline constexpr uintptr_t kFixedFrameBufferAddress = 0xAC0755A0u;

// The simulated handheld. One per process (TheDevice()); its frame buffer is
// the screen: the Game API, the raw frame-buffer escape, the fixed-address
// lookup and CopyToWindow all write into the same memory, and the backends
// show it turned by the system orientation.
class Device {
 public:
  Device();
  Device(const Device&) = delete;
  Device& operator=(const Device&) = delete;

  // Replaces the configuration and clears the frame buffer (black, with the
  // shell's top bar). Returns false, keeping the old device, for sizes outside
  // 1..2048, zero or odd pitches, or frame memory above 64 MiB.
  bool Reset(const DeviceConfig& config);
  const DeviceConfig& Config() const { return config_; }

  // The system's orientation as an orientation code (OrientationCodeOf);
  // a value that names none counts as the hardware orientation.
  int32_t SystemOrientationCode() const;
  // The screen as the user sees it (system orientation applied).
  int32_t ScreenWidth() const;
  int32_t ScreenHeight() const;
  int32_t WorkAreaTop() const { return config_.work_area_top; }

  // The quarter turn: the system orientation goes 0 -> 1 -> 2 -> 4 -> 0, the
  // screen size follows, and every window gets a deactivate and an activate
  // message, as the handheld sends them after turning.
  void RotateQuarter();
  // Sets the system orientation value (0, 1, 2, 4) without messages.
  // Returns false for other values.
  bool SetSystemOrientation(int32_t value);

  // Hardware pixel (0, 0) of the frame buffer.
  uint8_t* FrameBuffer() { return origin_; }
  // Hardware pixel (X, Y); 0 outside the panel.
  uint16_t HardwarePixel(int32_t x, int32_t y) const;
  // Screen pixel (x, y) in the system's orientation; 0 outside the screen.
  uint16_t ScreenPixel(int32_t x, int32_t y) const;
  void SetScreenPixel(int32_t x, int32_t y, uint16_t pixel);
  // The whole screen, ScreenWidth() x ScreenHeight(), row by row.
  std::vector<uint16_t> ScreenPixels() const;
  // The whole screen into `out`, rows `out_row_pixels` apart (at least
  // ScreenWidth()). One pass; whole rows are block copies when the panel's
  // memory runs along the screen's rows.
  void CopyScreen(uint16_t* out, size_t out_row_pixels) const;
  // Writes a width x height block of 5-6-5 pixels (rows `source_row_bytes`
  // apart, any alignment) to screen position (x, y). The block must lie
  // inside the screen; callers clip.
  void WriteScreen(int32_t x, int32_t y, int32_t width, int32_t height, const uint8_t* source,
                   int64_t source_row_bytes);
  // All of the frame memory as it lies, in no particular pixel order: cheap
  // to compare with an earlier copy.
  const std::vector<uint16_t>& FrameMemory() const { return memory_; }
  // Counts finished frames (window copies, Game API end of draw); backends
  // redraw when it moves.
  uint64_t FrameCounter() const { return frames_; }
  void NoteFrame() { ++frames_; }
  // True once the raw frame-buffer escape or the fixed-address lookup has
  // handed out the frame memory (until the next Reset): writes through it
  // reach the screen with no call that would count a frame, so a backend
  // must look at the memory itself to see them. Otherwise every change
  // comes with a counted frame.
  bool WrittenDirectly() const { return handed_out_; }

  // Driver escape. kEscapeGetRawFrameBuffer fills a RawFrameBufferInfo when
  // the device offers one and returns 1; a device without it, an unknown
  // escape or a short buffer returns 0 (not supported) / -1 (bad argument).
  int32_t DriverEscape(int32_t code, void* out, size_t outSize);
  // The checked way to the fixed-address frame buffer: returns the simulated
  // frame memory for kFixedFrameBufferAddress when this device is the
  // fixed-address device and its panel matches (240 x 320, pitches -640 and
  // 2); null for every other address or device. Nothing is ever mapped at the
  // raw address.
  void* FixedAddressMemory(uintptr_t address);

  // OEM information string, NUL-terminated and cut to fit `chars` (which
  // includes the terminator). False for a null buffer or zero size.
  bool GetOemInfo(char16_t* buffer, size_t chars) const;
  void GetOsVersion(uint32_t* major, uint32_t* minor) const;
  // The display-mode call as this device answers it (see OrientationQuery).
  int32_t ChangeDisplaySettings(DisplayModeRecord* mode, uint32_t flags);

  // Log of Game API calls made through the library (tests and diagnostics).
  struct GameApiCall {
    int32_t call;     // AbacineGxCall
    intptr_t result;
  };
  const std::vector<GameApiCall>& GameApiLog() const { return game_api_log_; }
  int CountGameApiCalls(int32_t call) const;
  void ClearGameApiLog() { game_api_log_.clear(); }
  void RecordGameApiCall(int32_t call, intptr_t result);

 private:
  // Where the screen lies in the frame memory: screen pixel (x, y) is
  // first[x * along + y * across].
  struct ScreenWalk {
    uint16_t* first;
    ptrdiff_t along;
    ptrdiff_t across;
  };
  ScreenWalk Walk() const;
  void PaintShellBar();

  DeviceConfig config_;
  std::vector<uint16_t> memory_;
  uint8_t* origin_ = nullptr;
  uint64_t frames_ = 0;
  bool handed_out_ = false;
  std::vector<GameApiCall> game_api_log_;
};

// The process's device.
Device& TheDevice();

}  // namespace abacine::platform
