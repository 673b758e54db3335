// The platform seam: every service of the handheld that the programs and the
// graphics layer call on, imitated on Linux. Everything above this header is
// the system's own code; everything below it is ours. No SDL type crosses
// it: the SDL window lives in platform/sdl and plugs in as a Backend.
//
// Beside this header: platform/device.h, the simulated handheld (screen,
// frame buffer, what its system reports); platform/controls.h, what tests
// and scripted runs use to drive and observe the platform (clocks, injected
// input, records of what was shown); platform/gdi.h, the bitmap stand-ins.
//
// All calls are made from the program's one thread. Nothing here throws.
//
//   1. Time ............ TickCount, Sleep
//   2. Windows ......... handles, create/destroy/find/move, CopyToWindow
//   3. Messages ........ numeric message ids, queue, post/peek/dispatch
//   4. Keys ............ virtual-key codes, GetKeyState
//   5. Message box ..... ShowMessageBox ("Error" box at exit)
//   6. Clipboard ....... one Unicode text, SetClipboardText/GetClipboardText
//   7. Libraries ....... OpenLibrary / FindProcedure / CloseLibrary
//   8. Backends ........ Backend interface, WindowOptions, headless default
//   9. Screenshots ..... WriteScreenPng
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/device.h"
#include "platform/gdi.h"
#include "platform/rect.h"

namespace abacine::platform {

// ============================================================================
// 1. Time
// ============================================================================

// The system tick count in milliseconds since an arbitrary start; wraps
// after about 49.7 days. The steady clock unless one was installed
// (controls.h: SetClock).
uint32_t TickCount();
// Sleeps at least `ms` milliseconds on that clock; Sleep(0) only yields.
void Sleep(uint32_t ms);

// ============================================================================
// 2. Windows
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
// Show commands: 0 hide, 5 show, 6 minimise. Recorded only (see
// LastShowCommand in controls.h).
inline constexpr int kShowCommandHide = 0;
inline constexpr int kShowCommandShow = 5;
inline constexpr int kShowCommandMinimize = 6;
bool ShowAppWindow(WindowHandle window, int command);
bool SetForegroundWindow(WindowHandle window);
WindowHandle ForegroundWindow();

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
// 3. Messages
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

// ============================================================================
// 4. Keys
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

// ============================================================================
// 5. Message box
// ============================================================================

// Style of the "Error" box: a stop icon, brought to the foreground.
inline constexpr uint32_t kMessageBoxStopForeground = 0x00010010;

// Shows a message box (SDL backend) or writes "caption: text" to stderr
// (headless). Returns when the box is closed. Every box is also recorded.
void ShowMessageBox(WindowHandle owner, std::u16string_view text, std::u16string_view caption,
                    uint32_t style);

// ============================================================================
// 6. Clipboard
// ============================================================================

// The clipboard holds one Unicode text. A text ends at its first NUL unit,
// as the system's text format does; lone surrogates reach a desktop
// clipboard as U+FFFD.
class Clipboard {
 public:
  virtual ~Clipboard() = default;
  // Replaces the clipboard's text; false when the host refused it.
  virtual bool SetText(std::u16string_view text) = 0;
  // The clipboard's text, or nothing when it holds none (or holds text that
  // cannot be read as Unicode).
  virtual std::optional<std::u16string> GetText() = 0;
};

// A clipboard kept in this process: headless runs and tests.
class ProcessClipboard final : public Clipboard {
 public:
  bool SetText(std::u16string_view text) override;
  std::optional<std::u16string> GetText() override { return text_; }

 private:
  std::optional<std::u16string> text_;
};

// The current backend's clipboard (below).
bool SetClipboardText(std::u16string_view text);
std::optional<std::u16string> GetClipboardText();

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
// from PostMessage / Inject*, a clipboard of its own). The SDL backend is in
// platform/sdl.
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
  // The clipboard this host offers; unless overridden, one kept in this
  // process for as long as the backend lives.
  virtual Clipboard& GetClipboard() { return clipboard_; }

 private:
  ProcessClipboard clipboard_;
};

// Replaces the backend; nullptr restores headless. Returns the old one.
std::unique_ptr<Backend> SetBackend(std::unique_ptr<Backend> backend);
Backend& CurrentBackend();

// How a desktop window shows the device.
struct WindowOptions {
  int scale = 1;               // window pixels per screen pixel, 1..8
  std::string title = "Abacine";
  int rotate_key = kVkF8;      // turns the device a quarter; 0 for none
  bool double_clicks = false;  // a second quick click sends 0x203 instead of 0x201
  // Error boxes in a window. Off for automated runs: an unattended box would
  // wait for a click forever. The text always goes to stderr as well.
  bool dialogs = true;
  // SDL's drivers that draw nowhere ("dummy", "offscreen") are refused: a
  // program would run on unseen. Tests of the SDL glue ask for them.
  bool allow_invisible = false;
};

// Opens a desktop window as the backend: null, with *error saying why when
// error is not null, when it cannot be opened. The SDL window
// (platform/sdl) is one; programs pass it where a factory is asked for, so
// that nothing but the program links SDL.
using WindowBackendFactory = std::unique_ptr<Backend> (*)(const WindowOptions& options,
                                                          std::string* error);

// ============================================================================
// 9. Screenshots
// ============================================================================

// Writes the device's screen as shown (system orientation applied) to an
// 8-bit RGB PNG file, through WriteFileAtomically (atomic_file.h): only a
// regular file or a missing path is replaced, a symlink is followed to the
// regular file it names, and a failure leaves nothing half-written. False on
// any failure, with *error (when given) naming the path and why.
bool WriteScreenPng(const std::string& path, std::string* error = nullptr);
// Writes width x height 5-6-5 pixels (row by row, no padding) as a PNG, the
// same way.
bool WritePng565(const std::string& path, const uint16_t* pixels, int32_t width, int32_t height,
                 std::string* error = nullptr);

}  // namespace abacine::platform
