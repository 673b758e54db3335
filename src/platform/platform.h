// The platform seam: every service of the handheld that the calculator and its
// graphics layer call on, imitated on Linux. Everything above this header is
// the system's own code; everything below it is ours. No SDL type crosses it:
// the SDL window lives in platform/sdl and plugs in as a Backend (section 8).
//
// All calls are made from the program's one thread. Nothing here throws.
//
//   1. Time ............ TickCount, Sleep, injectable Clock, ManualClock
//   2. Simulated device  DeviceConfig, Device (screen, frame buffer, raw
//                        frame-buffer escape, OEM string, OS version,
//                        orientation query, quarter turns)
//   3. Windows ......... handles, create/destroy/find/move, CopyToWindow
//   4. Messages ........ numeric message ids, queue, post/peek/dispatch
//   5. Keys ............ virtual-key codes, GetKeyState, injection helpers
//   6. Message box ..... ShowMessageBox ("Error" box at exit)
//   7. Libraries ....... OpenLibrary / FindProcedure / CloseLibrary
//   8. Backends ........ Backend interface, headless default
//   9. Screenshots ..... WriteScreenPng
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/gdi.h"

namespace abacine::platform {

// ============================================================================
// 1. Time
// ============================================================================

// The clock behind TickCount and Sleep. Tests install a ManualClock so that
// paced loops run instantly and deterministically.
class Clock {
 public:
  virtual ~Clock() = default;
  // Milliseconds since an arbitrary start; wraps after about 49.7 days.
  virtual uint32_t TickCount() = 0;
  virtual void Sleep(uint32_t ms) = 0;
};

// The system tick count in milliseconds (steady clock unless replaced).
uint32_t TickCount();
// Sleeps at least `ms` milliseconds; Sleep(0) only yields.
void Sleep(uint32_t ms);
// Replaces the clock (not owned; must outlive its use). nullptr restores the
// steady clock. Returns the clock that was installed before.
Clock* SetClock(Clock* clock);

// A clock that moves only when told to or when slept on.
class ManualClock : public Clock {
 public:
  explicit ManualClock(uint32_t start = 0) : now_(start) {}
  uint32_t TickCount() override { return now_; }
  void Sleep(uint32_t ms) override {
    now_ += ms;
    slept_ += ms;
    ++sleeps_;
  }
  void Advance(uint32_t ms) { now_ += ms; }
  uint64_t SleptMs() const { return slept_; }
  uint32_t SleepCalls() const { return sleeps_; }

 private:
  uint32_t now_;
  uint64_t slept_ = 0;
  uint32_t sleeps_ = 0;
};

// Installs a clock for the life of a scope (tests).
class ScopedClock {
 public:
  explicit ScopedClock(Clock* clock) : previous_(SetClock(clock)) {}
  ~ScopedClock() { SetClock(previous_); }
  ScopedClock(const ScopedClock&) = delete;
  ScopedClock& operator=(const ScopedClock&) = delete;

 private:
  Clock* previous_;
};

// ============================================================================
// 2. Simulated device
// ============================================================================

// Display-property format bits of the Game API.
inline constexpr uint32_t kFormatLandscape = 0x08;
inline constexpr uint32_t kFormatDirect = 0x20;
inline constexpr uint32_t kFormat555 = 0x40;
inline constexpr uint32_t kFormat565 = 0x80;
inline constexpr uint32_t kFormat444 = 0x200;

// System display orientation values (what the display-mode query reports).
inline constexpr int32_t kSystemOrientation0 = 0;
inline constexpr int32_t kSystemOrientation90 = 1;
inline constexpr int32_t kSystemOrientation180 = 2;
inline constexpr int32_t kSystemOrientation270 = 4;

// Whether the system library offers the display-mode call, and how it answers.
enum class OrientationQuery {
  kMissing,  // "ChangeDisplaySettingsEx" cannot be found
  kFails,    // found, but the orientation test call fails
  kWorks,    // found and answers with the system orientation
};

// The raw frame-buffer driver escape.
inline constexpr int32_t kEscapeGetRawFrameBuffer = 0x20001;

// Answer of the raw frame-buffer escape.
struct RawFrameBufferInfo {
  uint16_t format;        // 1 = 5-6-5, 2 = 5-5-5, 3 = other 16-bit, else unknown
  uint16_t bits_per_pixel;
  void* frame_pointer;     // hardware pixel (0, 0)
  int32_t x_stride;        // bytes
  int32_t y_stride;        // bytes
  int32_t width;          // pixels, hardware orientation
  int32_t height;
};

// The display-mode record passed to the display-mode call.
struct DisplayModeRecord {
  uint32_t size;          // the caller passes 192, the handheld record's size
  uint32_t fields;        // which fields the call looks at (below)
  int32_t orientation;    // system orientation value in or out
};
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
  int32_t x_pitch = 2;    // bytes; see WithPitchSigns
  int32_t y_pitch = 960;
  int32_t bits_per_pixel = 16;
  uint32_t format_flags = kFormatDirect | kFormat565;
  int32_t system_orientation = kSystemOrientation0;  // 0, 1, 2 or 4 (others kept, reported as is)
  std::u16string oem_info = u"Abacine Simulated Handheld";
  uint32_t os_major = 5;
  uint32_t os_minor = 0;
  bool raw_frame_buffer = false;  // the driver answers the raw frame-buffer escape
  uint16_t raw_format = 1;       // the format code that answer carries
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

  // The system's orientation as an orientation code: 0 -> 1, 1 -> 2, 2 -> 8,
  // 4 -> 4; any other value counts as 1.
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
  // All of the frame memory as it lies, in no particular pixel order: cheap
  // to compare with an earlier copy.
  const std::vector<uint16_t>& FrameMemory() const { return memory_; }
  // Counts finished frames (window copies, Game API end of draw); backends
  // redraw when it moves.
  uint64_t FrameCounter() const { return frames_; }
  void NoteFrame() { ++frames_; }

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
  void PaintShellBar();

  DeviceConfig config_;
  std::vector<uint16_t> memory_;
  uint8_t* origin_ = nullptr;
  uint64_t frames_ = 0;
  std::vector<GameApiCall> game_api_log_;
};

// The process's device.
Device& TheDevice();

// ============================================================================
// 3. Windows
// ============================================================================

// A window handle. Window is opaque: nobody dereferences a handle, the
// platform only looks it up. The memory behind a handle is never reused
// within a process, so the handle of a destroyed window stays invalid
// (IsWindow answers false) instead of naming a later window.
class Window;
using WindowHandle = Window*;

// A handle as the opaque value the Game API's open call takes, and back.
inline void* WindowToOpaque(WindowHandle window) { return static_cast<void*>(window); }
inline WindowHandle WindowFromOpaque(void* value) { return static_cast<WindowHandle>(value); }

struct Rect {
  int32_t left = 0, top = 0, right = 0, bottom = 0;
  int32_t Width() const { return right - left; }
  int32_t Height() const { return bottom - top; }
  friend bool operator==(const Rect&, const Rect&) = default;
};

// The window procedure: (window, message, w_param, l_param) -> result.
using WindowProc = std::function<intptr_t(WindowHandle, uint32_t, uintptr_t, intptr_t)>;

struct WindowDesc {
  std::u16string class_name;
  std::u16string title;
  bool topmost = false;
  // Position on the screen; an empty rectangle means the screen below the
  // shell's top bar.
  Rect rect;
};

// Creates a window and delivers the create message (1) to `proc` before
// returning, with l_param = createParam. An empty proc fails (null handle).
WindowHandle CreateAppWindow(const WindowDesc& desc, WindowProc proc, void* createParam);
// Delivers the destroy message (2), then forgets the window; messages still
// queued for it are dropped. False for an unknown handle.
bool DestroyAppWindow(WindowHandle window);
bool IsWindow(WindowHandle window);
// The first live window with this class and title; null when none.
WindowHandle FindAppWindow(std::u16string_view class_name, std::u16string_view title);
bool GetWindowRect(WindowHandle window, Rect* out);
bool MoveAppWindow(WindowHandle window, const Rect& rect);
// Show commands: 0 hide, 5 show, 6 minimise. Recorded only.
bool ShowAppWindow(WindowHandle window, int command);
int LastShowCommand(WindowHandle window);
bool SetForegroundWindow(WindowHandle window);
WindowHandle ForegroundWindow();
size_t WindowCount();

// The GDI block copy into a window: copies width x height 5-6-5 pixels (rows
// `strideBytes` apart) to (x, y) of the window's client area, clipped to the
// window and the screen. False for an unknown window, a null source or a
// negative size; nothing is read outside the given rows.
bool CopyToWindow(WindowHandle window, int32_t x, int32_t y, int32_t width, int32_t height,
                  const uint16_t* pixels, int32_t strideBytes);
// The same from the bitmap selected into a memory device context: the
// width x height block at (sourceX, sourceY) of the bitmap goes to (x, y) of
// the window, clipped to the bitmap as well. Only the plain source copy
// (kRasterSourceCopy) is supported. False when the window is unknown, the
// context has no bitmap or the operation is another.
bool BlitToWindow(WindowHandle window, int32_t x, int32_t y, int32_t width, int32_t height,
                  DcHandle source, int32_t sourceX, int32_t sourceY, uint32_t rop);

// ============================================================================
// 4. Messages
// ============================================================================

inline constexpr uint32_t kMsgCreate = 1;
inline constexpr uint32_t kMsgDestroy = 2;
inline constexpr uint32_t kMsgActivate = 6;       // w_param low word: 0 inactive, 1 active
inline constexpr uint32_t kMsgQuit = 18;          // w_param: exit code
inline constexpr uint32_t kMsgKeyDown = 0x100;    // w_param: virtual key; l_param bit 30: repeat
inline constexpr uint32_t kMsgKeyUp = 0x101;
inline constexpr uint32_t kMsgSysCommand = 0x112; // w_param & 0xFFF0 == kSysCommandClose: close
inline constexpr uint32_t kMsgStylusMove = 0x200; // l_param: x low 16 bits, y high 16 bits (signed)
inline constexpr uint32_t kMsgStylusDown = 0x201;
inline constexpr uint32_t kMsgStylusUp = 0x202;
inline constexpr uint32_t kMsgStylusDoubleClick = 0x203;
inline constexpr uint32_t kMsgPrivateSuspend = 0x401;
inline constexpr uintptr_t kSysCommandClose = 0xF060;

struct Message {
  WindowHandle window = nullptr;  // null for thread messages (quit)
  uint32_t id = 0;
  uintptr_t w_param = 0;
  intptr_t l_param = 0;
};

// l_param of a stylus message: x in the low and y in the high 16 bits.
constexpr intptr_t PackPoint(int32_t x, int32_t y) {
  return static_cast<intptr_t>((static_cast<uint32_t>(y & 0xFFFF) << 16) |
                               static_cast<uint32_t>(x & 0xFFFF));
}
constexpr int32_t PointX(intptr_t l_param) {
  return static_cast<int16_t>(static_cast<uint16_t>(static_cast<uintptr_t>(l_param) & 0xFFFF));
}
constexpr int32_t PointY(intptr_t l_param) {
  return static_cast<int16_t>(static_cast<uint16_t>((static_cast<uintptr_t>(l_param) >> 16) & 0xFFFF));
}
// l_param of a key message: repeat count 1, bit 30 previous state (auto
// repeat), bit 31 key released.
constexpr intptr_t KeyLParam(bool down, bool repeat) {
  uint32_t v = 1u;
  if (repeat || !down) v |= 1u << 30;
  if (!down) v |= 1u << 31;
  return static_cast<intptr_t>(v);
}
constexpr bool IsAutoRepeat(intptr_t l_param) {
  return (static_cast<uintptr_t>(l_param) & (uintptr_t{1} << 30)) != 0;
}

// Queues a message for a live window (false otherwise).
bool PostMessage(WindowHandle window, uint32_t id, uintptr_t w_param, intptr_t l_param);
// Queues the quit message (18) with the exit code.
void PostQuitMessage(int32_t exitCode);
// Calls the window's procedure at once; 0 for an unknown window.
intptr_t SendMessage(WindowHandle window, uint32_t id, uintptr_t w_param, intptr_t l_param);
// Takes in host events (backend), then looks at the oldest message. With
// `remove` it is taken off the queue. False when the queue is empty.
bool PeekMessage(Message* out, bool remove);
// Waits up to `timeoutMs` for a message (host events included). True when
// one is waiting.
bool WaitMessage(uint32_t timeoutMs);
// Hands a message to its window's procedure; 0 for thread messages and
// windows that no longer exist.
intptr_t DispatchMessage(const Message& message);
// What the system does with messages a program does not handle: nothing.
intptr_t DefWindowProc(WindowHandle window, uint32_t id, uintptr_t w_param, intptr_t l_param);
size_t PendingMessageCount();
// Drops every queued message (tests).
void ClearMessages();

// ============================================================================
// 5. Keys
// ============================================================================

// Virtual-key codes the platform produces.
inline constexpr int kVkBack = 0x08, kVkTab = 0x09, kVkReturn = 0x0D, kVkShift = 0x10,
                     kVkControl = 0x11, kVkMenu = 0x12, kVkCapital = 0x14, kVkEscape = 0x1B,
                     kVkSpace = 0x20, kVkPrior = 0x21, kVkNext = 0x22, kVkEnd = 0x23,
                     kVkHome = 0x24, kVkLeft = 0x25, kVkUp = 0x26, kVkRight = 0x27,
                     kVkDown = 0x28, kVkInsert = 0x2D, kVkDelete = 0x2E, kVkNumpad0 = 0x60,
                     kVkMultiply = 0x6A, kVkAdd = 0x6B, kVkSeparator = 0x6C, kVkSubtract = 0x6D,
                     kVkDecimal = 0x6E, kVkDivide = 0x6F, kVkF1 = 0x70, kVkF8 = 0x77, kVkF9 = 0x78,
                     kVkF10 = 0x79, kVkF11 = 0x7A, kVkF12 = 0x7B, kVkNumLock = 0x90,
                     kVkOemSemicolon = 0xBA, kVkOemPlus = 0xBB, kVkOemComma = 0xBC,
                     kVkOemMinus = 0xBD, kVkOemPeriod = 0xBE, kVkOemSlash = 0xBF,
                     kVkOemBacktick = 0xC0, kVkOemOpenBracket = 0xDB, kVkOemBackslash = 0xDC,
                     kVkOemCloseBracket = 0xDD, kVkOemQuote = 0xDE;

// Bit 15: the key is down; bit 0: the key is toggled (Num Lock, Caps Lock).
// Codes outside 0..255 answer 0.
int16_t GetKeyState(int vk);
// Sets a key's state as the backends see it; a press of a lock key flips its
// toggle.
void SetKeyDown(int vk, bool down);
void SetKeyToggled(int vk, bool toggled);
void ResetKeyState();

// Injection helpers for the headless backend and tests: update the key state
// and post the key message (l_param as the backends build it).
bool InjectKey(WindowHandle window, int vk, bool down, bool repeat = false);
bool InjectStylus(WindowHandle window, uint32_t id, int32_t x, int32_t y);

// ============================================================================
// 6. Message box
// ============================================================================

inline constexpr uint32_t kMessageBoxStopForeground = 0x00010010;

// Shows a message box (SDL backend) or writes "caption: text" to stderr
// (headless). Returns when the box is closed. Every box is also recorded.
void ShowMessageBox(WindowHandle owner, std::u16string_view text, std::u16string_view caption,
                    uint32_t style);
struct ShownMessageBox {
  std::u16string text;
  std::u16string caption;
  uint32_t style = 0;
};
const std::vector<ShownMessageBox>& ShownMessageBoxes();
void ClearShownMessageBoxes();

// ============================================================================
// 7. Libraries looked up by name
// ============================================================================

// Opaque library handle; null means none.
struct Library;

// Loads a library by name or path. "coredll.dll" (any case) is the system
// library of the simulated device; every other name goes to dlopen (a name
// without '/' searches the system path). A loaded library that exports
// AbacineGxAttach is handed the simulated device at once; one that refuses it
// is unloaded and the call fails. Null on failure.
Library* OpenLibrary(const std::string& nameOrPath);
// Looks an export up by its name. Decorated names ("?Name@@...") are mapped
// to the library's plain exports through the Game API table; an unknown
// decorated name is not found. Plain names are looked up as they are. The
// system library knows "ChangeDisplaySettingsEx" (when the device has it).
void* FindProcedure(Library* library, std::u16string_view name);
// Releases the library. Null is ignored.
void CloseLibrary(Library* library);
// The folder holding the running program (from /proc/self/exe), without a
// trailing slash; empty when it cannot be read.
std::string ProgramDirectory();

// ============================================================================
// 8. Backends
// ============================================================================

// A host for the windows: turns host events into messages and shows the
// device's screen. The default is headless (no host window, messages only
// from PostMessage / Inject*). The SDL backend is in platform/sdl.
class Backend {
 public:
  virtual ~Backend() = default;
  // Posts messages for waiting host events and refreshes the shown screen
  // when the device's frame counter moved.
  virtual void PumpEvents() = 0;
  // Blocks up to `ms` for a host event (after PumpEvents found nothing).
  virtual void WaitForEvents(uint32_t ms) = 0;
  // Shows a modal error box; returns when it is closed.
  virtual void ShowMessageBox(std::u16string_view text, std::u16string_view caption) = 0;
  // The screen's size changed (quarter turn).
  virtual void ScreenResized() {}
  // Brings the host window to the front (a second start asked for it).
  virtual void RaiseWindow() {}
};

// Replaces the backend; nullptr restores headless. Returns the old one.
std::unique_ptr<Backend> SetBackend(std::unique_ptr<Backend> backend);
Backend& CurrentBackend();

// ============================================================================
// 9. Screenshots
// ============================================================================

// Writes the device's screen as shown (system orientation applied) to an
// 8-bit RGB PNG file. False on any failure (nothing half-written is left
// under the name: the file is written beside it and renamed).
bool WriteScreenPng(const std::string& path);
// Writes width x height 5-6-5 pixels (row by row, no padding) as a PNG.
bool WritePng565(const std::string& path, const uint16_t* pixels, int32_t width, int32_t height);

}  // namespace abacine::platform
