// The application framework: owns the process from start to exit. It takes
// an AppConfig, keeps a single instance, creates the main window, opens the
// display and the hardware keys, runs the paced frame loop, turns window
// messages into virtual calls and shows one "Error" box when the run ends
// badly. It knows nothing of the calculator: CalcApp derives from it and
// draws everything in drawFrame.
//
// Everything runs on the thread that calls run(): the frame loop and the
// message dispatch inside it.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/frame_timer.h"
#include "graphics/display.h"
#include "graphics/graphics_context.h"
#include "graphics/key_input.h"
#include "graphics/result_codes.h"
#include "platform/platform.h"
#include "platform/single_instance.h"

namespace abacine {

// The configuration record the program entry fills. Zero-filled before use
// and copied whole into the framework at construction.
struct AppConfig {
  uint32_t instance = 0;              // non-zero token of the process
  const char16_t* appName = nullptr;  // window title, stem of the class name
  uint32_t frameRate = 0;             // frames per second; 0 = unpaced
  uint32_t displayFlags = 0;          // passed to the full-screen open
  uint32_t displayMode = 0;           // orientation asked for on full-screen open; 0 = none
  uint32_t doubleClicks = 0;          // the window class gets double-click messages
  uint32_t drawWhenInactive = 0;      // full screen: keep drawing while deactivated
  uint32_t stayInFront = 0;           // full screen: come back to front instead of minimising
  int32_t width = 0;                  // full-screen display size
  int32_t height = 0;
  uint32_t displayParams[4] = {};     // passed to the display open call; [0] = bits per pixel
  uint32_t iconId = 0;
  uint32_t shellMode = 0;             // 0 full screen, 1 windowed under the top bar
  uint32_t useKeys = 0;               // forced to 1
};

// Display flag: ask the display whether it paces itself.
inline constexpr uint32_t kDisplayFlagAskPacing = 0x1000;

// frameFlags bits as drawFrame sees them.
inline constexpr uint32_t kFrameLate = 0x1;           // the previous frame was late
inline constexpr uint32_t kFrameAfterPause = 0x2;     // first frame after an inactive pause
inline constexpr uint32_t kFrameSurfacesRestored = 0x4;

// A frame is shown at least this often (in frames), whatever it holds.
inline constexpr uint32_t kShowAtLeastEvery = 30;

// The system's general failure (E_FAIL): window class or window not made.
inline constexpr ResultCode kErrFail = detail::Code(0x80004005u);

// The error text holds at most this many characters, terminator included.
inline constexpr size_t kErrorTextCapacity = 260;
// Longest window-class name the system takes.
inline constexpr size_t kMaxClassNameLength = 256;

// Requests to the handheld shell. There is no such shell here, so they are
// only recorded (tests read them back).
struct ShellRequest {
  enum Kind : int32_t {
    kInputPanel,      // keep the software input panel in the given state (1 = down)
    kFullScreen,      // full-screen service flags (0x2A hide, 0x15 show, 0x8, 0x4)
    kTaskbarWindow,   // show command sent to the task bar window
  };
  Kind kind;
  uint32_t value;
  friend bool operator==(const ShellRequest&, const ShellRequest&) = default;
};

// Full-screen service flags.
inline constexpr uint32_t kShellHideTaskbarAll = 0x2A;   // task bar, input button, start icon
inline constexpr uint32_t kShellShowTaskbarAll = 0x15;
inline constexpr uint32_t kShellHideInputButton = 0x8;
inline constexpr uint32_t kShellShowInputButton = 0x4;

// How the run keeps to one copy across processes (see platform::SingleInstance).
// Off unless a folder is given: every copy of the framework in a process
// (tests included) would otherwise share the user's one lock.
struct InstanceOptions {
  std::string directory;             // empty: only windows of this process are looked for
  std::string fallbackDirectory;     // used when `directory` cannot be; empty: none
  std::string name = "abacine";
  std::function<void()> onRaise;     // a later start asked for the window (once per start)
  // A folder was passed over (or none holds the lock): one line saying so.
  std::function<void(const std::string&)> onNote;
};

class AppFramework {
 public:
  explicit AppFramework(const AppConfig& config);
  virtual ~AppFramework();
  AppFramework(const AppFramework&) = delete;
  AppFramework& operator=(const AppFramework&) = delete;

  // --- Virtual operations, in slot order -----------------------------------
  // The whole lifetime; returns the exit code.
  virtual int run();
  virtual void requestQuit();
  virtual void requestMinimize();
  // The next n full-screen frames are not drawn; n = 0 fails.
  virtual ResultCode skipFrames(uint32_t n);
  // Rate 0 when the display paces itself, else `rate`; restarts the timer.
  virtual ResultCode setFrameRate(uint32_t rate);
  // Stored; applied at the next full-screen frame.
  virtual ResultCode setDisplayMode(uint32_t mode);
  // Builds the error text shown at the end of the run (null text fails).
  virtual ResultCode setErrorMessage(const char16_t* text, ResultCode code);
  virtual ResultCode createSurfaces(Display* display, uint32_t instance) = 0;
  virtual ResultCode initSurfaces(Display* display, uint32_t instance) = 0;
  virtual ResultCode drawFrame(Surface* backBuffer, uint32_t frameFlags) = 0;
  virtual ResultCode onStart() { return kOk; }
  virtual void onStop() {}
  virtual void onSuspend() {}
  virtual void onResume() {}
  virtual void onExit() {}
  virtual void onKeyDown(int32_t /*key*/, const GameKeyList& /*keys*/) {}
  virtual void onKeyUp(int32_t /*key*/, const GameKeyList& /*keys*/) {}
  virtual void onStylusDown(int32_t /*x*/, int32_t /*y*/) {}
  virtual void onStylusUp(int32_t /*x*/, int32_t /*y*/) {}
  virtual void onStylusDoubleClick(int32_t /*x*/, int32_t /*y*/) {}
  virtual void onStylusMove(int32_t /*x*/, int32_t /*y*/) {}
  virtual intptr_t windowProc(platform::WindowHandle window, uint32_t message, uintptr_t wParam,
                              intptr_t lParam);

  // --- Set-up by the program entry (before run) ------------------------------
  void setInstanceOptions(InstanceOptions options) { instanceOptions_ = std::move(options); }
  // Runs once the run knows it is the only copy, before the window is made:
  // the place to open a desktop window, so that a later start shows nothing.
  // False fails the run like a window that cannot be created.
  void setHostStarter(std::function<bool()> starter) { hostStarter_ = std::move(starter); }

  // --- The host's hook ---------------------------------------------------------
  // Called at the end of every frame period of run() (after the frame was
  // drawn, shown and waited for), on the thread that runs run(). The host
  // may inject input, which is dispatched before the next frame, read or
  // change the simulated device, or end the run with requestQuit(). The
  // program entry ends runs here (--frames, SIGTERM); scripted runs feed
  // their commands from here. A hook may replace or remove itself.
  using FrameHook = std::function<void(AppFramework& app)>;
  void setFrameHook(FrameHook hook) {
    frameHook_ = std::move(hook);
    ++frameHookSets_;
  }

  // --- Inspection -------------------------------------------------------------
  const AppConfig& config() const { return config_; }
  const std::u16string& appName() const { return appName_; }
  const std::u16string& className() const { return className_; }
  const std::u16string& errorText() const { return errorText_; }
  // True once the error box was shown at the end of a run.
  bool errorShown() const { return errorShown_; }
  platform::WindowHandle window() const { return window_; }
  bool active() const { return active_; }
  bool quitRequested() const { return quit_; }
  uint32_t frameFlags() const { return frameFlags_; }
  uint64_t framePeriods() const { return framePeriods_; }
  uint64_t raiseRequests() const { return raiseRequests_; }
  // Frames copied into the window or presented so far. A frame identical
  // to the one on screen is not shown again (only every kShowAtLeastEvery
  // frames): a deliberate departure from showing every frame drawn, which
  // keeps an idle calculator near 1% of a core on a desktop.
  uint64_t framesShown() const { return framesShown_; }
  const std::vector<ShellRequest>& shellRequests() const { return shellRequests_; }

 protected:
  GraphicsContext* graphicsContext() const { return context_.get(); }
  Display* display() const { return display_.get(); }
  KeyInput* keyInput() const { return keyInput_.get(); }
  FrameTimer* frameTimer() const { return timer_.get(); }
  AppConfig& mutableConfig() { return config_; }
  // Asks the shell (recorded only): show or hide the task bar.
  void setTaskbar(bool hide);
  // Restarts the timer at the configured rate (0 when the display paces).
  void restartTimer();
  // The screen below the shell's top bar, as the display should be sized
  // in shell mode: width and height of the screen less the bar.
  static void shellScreenSize(int32_t* width, int32_t* height, int32_t* top);
  // Shell mode, typically on resume after a quarter turn: moves the window
  // below the top bar and, when the screen there no longer has the
  // display's size, re-opens the display at the new size and returns true.
  // False when nothing changed, in full-screen mode, or when the display
  // cannot be re-opened: that ends the run with "Could not open display.".
  bool fitDisplayToScreen();
  // Ends the loop and makes `code` the run's result (first failure wins).
  void failRun(ResultCode code) { noteCallback(code); }
  // Test seam: forget the companion objects, as if their allocation failed.
  void dropCompanionsForTesting();

 private:
  ResultCode createMainWindow();
  ResultCode openFullScreen();
  ResultCode fullScreenFrame();
  void shellFrame();
  // True when the screen already shows exactly these pixels; otherwise
  // notes them as shown, because the caller is about to show them.
  bool alreadyShown(const Surface* back);
  void copyToWindow(Surface* back);
  void endOfPeriod();
  // `starts` later starts asked for the window since the last look.
  void bringToFront(int starts);
  void finishRun();
  void recordShell(ShellRequest::Kind kind, uint32_t value);
  // Negative results of callbacks end the loop; the first one is the run's.
  void noteCallback(ResultCode code);
  StylusPoint mapPoint(intptr_t lParam) const;
  GameKeyList keyList() const;

  AppConfig config_;
  std::u16string appName_;
  std::u16string className_;
  std::u16string errorText_;
  bool errorShown_ = false;
  platform::WindowHandle window_ = nullptr;

  // Made in this order, destroyed in reverse (timer, input, display, context).
  std::unique_ptr<GraphicsContext> context_;
  std::unique_ptr<Display> display_;
  std::unique_ptr<KeyInput> keyInput_;
  std::unique_ptr<FrameTimer> timer_;

  bool quit_ = false;
  bool minimizeRequested_ = false;
  bool active_ = false;
  bool displayModeChangePending_ = false;
  uint32_t skipFrameCount_ = 0;
  uint32_t frameFlags_ = 0;
  bool wasInactive_ = false;
  bool displayPaces_ = false;
  ResultCode callbackFailure_ = kOk;

  InstanceOptions instanceOptions_;
  platform::SingleInstance instance_;
  std::function<bool()> hostStarter_;
  FrameHook frameHook_;
  uint64_t frameHookSets_ = 0;
  uint64_t framePeriods_ = 0;
  uint64_t raiseRequests_ = 0;
  std::vector<ShellRequest> shellRequests_;

  // What the screen shows, to skip showing an unchanged frame again.
  std::vector<uint16_t> shownPixels_;
  const uint16_t* shownSource_ = nullptr;
  platform::Rect shownRect_;
  uint32_t framesSinceShown_ = 0;
  uint64_t framesShown_ = 0;
};

}  // namespace abacine
