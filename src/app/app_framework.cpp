#include "app/app_framework.h"

#include <algorithm>
#include <new>

#include "text/hex.h"

namespace abacine {
namespace {

constexpr char16_t kTextOutOfMemory[] = u"Out of memory.";
constexpr char16_t kTextInvalidConfiguration[] = u"Invalid configuration.";
constexpr char16_t kTextRegisterClass[] = u"Could not register main window class.";
constexpr char16_t kTextCreateWindow[] = u"Could not create main window.";
constexpr char16_t kTextDisplayMode[] = u"Could not change display mode.";
constexpr char16_t kTextOpenDisplay[] = u"Could not open display.";
constexpr char16_t kTextBadDescription[] = u"Invalid error code description.";
constexpr char16_t kTextNot16Bit[] = u"This application requires a 16-bit Pocket PC or Smartphone.";
constexpr char16_t kTextGameApiMissing[] =
    u"Missing or incorrect file: \"gx.dll\". Please copy this file to the \\windows folder on "
    u"this device.";
constexpr char16_t kErrorCaption[] = u"Error";
constexpr char16_t kClassSuffix[] = u" WndCls";

constexpr uint32_t kFullScreenInactiveWaitMs = 250;
constexpr int32_t kDroppedKey = 0x84;

// The one window procedure of the class; it forwards to the object named at
// creation. Written once per window creation, read by every message.
AppFramework* g_app = nullptr;

intptr_t StaticWindowProc(platform::WindowHandle window, uint32_t message, uintptr_t wParam,
                          intptr_t lParam) {
  if (message == platform::kMsgCreate) g_app = reinterpret_cast<AppFramework*>(lParam);
  if (g_app == nullptr) return platform::DefWindowProc(window, message, wParam, lParam);
  return g_app->windowProc(window, message, wParam, lParam);
}

// Length of a terminated text, looking no further than `limit` units.
size_t BoundedLength(const char16_t* text, size_t limit) {
  size_t n = 0;
  while (n < limit && text[n] != u'\0') ++n;
  return n;
}

}  // namespace

AppFramework::AppFramework(const AppConfig& config) : config_(config) {
  config_.useKeys = 1;
  if (config.appName != nullptr) {
    appName_ = config.appName;
    config_.appName = appName_.c_str();
  }
  className_ = appName_ + kClassSuffix;
  context_.reset(new (std::nothrow) GraphicsContext());
  if (context_ != nullptr) display_.reset(new (std::nothrow) Display(context_.get()));
  keyInput_.reset(new (std::nothrow) KeyInput(context_.get()));
  timer_.reset(new (std::nothrow) FrameTimer());
}

AppFramework::~AppFramework() {
  if (window_ != nullptr) platform::DestroyAppWindow(window_);
  if (g_app == this) g_app = nullptr;
}

void AppFramework::dropCompanionsForTesting() {
  timer_.reset();
  keyInput_.reset();
  display_.reset();
}

// ---------------------------------------------------------------------------
// The run

int AppFramework::run() {
  errorShown_ = false;
  callbackFailure_ = kOk;
  framePeriods_ = 0;
  active_ = false;
  minimizeRequested_ = false;
  skipFrameCount_ = 0;
  frameFlags_ = 0;
  wasInactive_ = false;
  shownSource_ = nullptr;

  if (context_ == nullptr || display_ == nullptr || keyInput_ == nullptr || timer_ == nullptr ||
      !context_->IsReady()) {
    setErrorMessage(kTextOutOfMemory, 0);
    return kErrOutOfMemory;
  }
  if (config_.instance == 0 || config_.appName == nullptr) {
    setErrorMessage(kTextInvalidConfiguration, 0);
    return kErrInvalidArg;
  }

  // One copy: a window of ours in this process, or a copy in another.
  if (platform::WindowHandle existing = platform::FindAppWindow(className_, appName_);
      existing != nullptr) {
    platform::ShowAppWindow(existing, platform::kShowCommandShow);
    platform::SetForegroundWindow(existing);
    return 0;
  }
  if (const InstanceOptions& one = instanceOptions_; !one.directory.empty()) {
    // Unavailable (no folder we can trust) runs without the lock: better
    // two copies than a calculator that will not start.
    std::string note;
    const platform::InstanceRole role = instance_.AcquireWithFallback(
        one.directory, one.fallbackDirectory.empty() ? one.directory : one.fallbackDirectory, one.name,
        &note);
    if (!note.empty() && one.onNote) one.onNote(note);
    if (role == platform::InstanceRole::kSecond) {
      instance_.Release();
      return 0;
    }
  }
  if (hostStarter_ && !hostStarter_()) {
    setErrorMessage(kTextCreateWindow, 0);
    instance_.Release();
    return kErrFail;
  }

  const bool shell = config_.shellMode != 0;
  if (shell) {
    int32_t width = 0, height = 0, top = 0;
    shellScreenSize(&width, &height, &top);
    const ResultCode opened = display_->OpenWindowed(0, width, height);
    if (Failed(opened)) {
      setErrorMessage(kTextOpenDisplay, opened);
      instance_.Release();
      return opened;
    }
  }

  const ResultCode created = createMainWindow();
  if (Failed(created)) {
    display_->Close();
    instance_.Release();
    return created;
  }

  ResultCode result = kOk;
  bool loop = true;
  if (!shell) {
    const ResultCode opened = openFullScreen();
    if (Failed(opened)) {
      result = opened;
      loop = false;
    }
  }
  if (loop) {
    const ResultCode keys = keyInput_->OpenKeyInput();
    if (Failed(keys)) {
      display_->Close();
      result = keys;
      loop = false;
    }
  }

  if (loop) {
    quit_ = false;
    noteCallback(onStart());
    if (!quit_) noteCallback(createSurfaces(display_.get(), config_.instance));
    if (!quit_) noteCallback(initSurfaces(display_.get(), config_.instance));
    restartTimer();

    while (!quit_) {
      platform::Message message;
      if (platform::PeekMessage(&message, true)) {
        if (message.id == platform::kMsgQuit) break;
        platform::DispatchMessage(message);
        continue;
      }
      if (const int starts = instance_.PollRaiseRequests(); starts > 0) bringToFront(starts);
      if (shell) {
        shellFrame();
      } else {
        noteCallback(fullScreenFrame());
      }
      endOfPeriod();
    }

    onStop();
    onExit();
    display_->Close();
    keyInput_->CloseKeyInput();
    // A callback that failed ended the run: its code is the exit code, so
    // the failure is not reported as success.
    result = callbackFailure_;
  }

  // The error box may wait long for a click: later starts must not queue
  // up behind it meanwhile.
  instance_.StopListening();
  finishRun();
  instance_.Release();
  return result;
}

void AppFramework::finishRun() {
  setTaskbar(false);
  if (!errorText_.empty()) {
    platform::ShowMessageBox(window_, errorText_, kErrorCaption,
                             platform::kMessageBoxStopForeground);
    errorShown_ = true;
  }
  platform::DestroyAppWindow(window_);
  window_ = nullptr;
}

ResultCode AppFramework::createMainWindow() {
  // A window class is registered under its name; the system takes at most
  // kMaxClassNameLength characters.
  if (className_.size() > kMaxClassNameLength) {
    setErrorMessage(kTextRegisterClass, 0);
    return kErrFail;
  }
  const bool shell = config_.shellMode != 0;
  platform::WindowDesc desc;
  desc.class_name = className_;
  desc.title = appName_;
  desc.topmost = !shell;
  window_ = platform::CreateAppWindow(desc, &StaticWindowProc, this);
  if (window_ == nullptr) {
    setErrorMessage(kTextCreateWindow, 0);
    return kErrFail;
  }
  if (shell) {
    recordShell(ShellRequest::kFullScreen, kShellHideInputButton);
    platform::Rect r;
    platform::GetWindowRect(window_, &r);
    const int32_t top = platform::TheDevice().WorkAreaTop();
    // (left, top) with width = right and height = bottom less the top bar.
    platform::MoveAppWindow(window_, platform::Rect{r.left, r.top, r.left + r.right,
                                                    r.top + (r.bottom - top)});
  }
  // Activation arrives as a message and is handled in the loop.
  platform::SetForegroundWindow(window_);
  platform::ShowAppWindow(window_, platform::kShowCommandShow);
  setTaskbar(true);
  return kOk;
}

ResultCode AppFramework::openFullScreen() {
  if (config_.displayMode != 0) {
    const ResultCode changed =
        display_->SetScreenOrientation(static_cast<int32_t>(config_.displayMode));
    if (Failed(changed)) {
      setErrorMessage(kTextDisplayMode, changed);
      return changed;
    }
  }
  const ResultCode opened = display_->OpenDirect(
      config_.displayFlags, window_, static_cast<int32_t>(config_.displayParams[0]));
  if (Failed(opened)) {
    setErrorMessage(kTextOpenDisplay, opened);
    return opened;
  }
  if ((config_.displayFlags & kDisplayFlagAskPacing) != 0) {
    uint32_t caps = 0;
    if (display_->DisplayCaps(&caps) == kOk && (caps & kDisplayCapPaces) != 0) {
      displayPaces_ = true;
    }
  }
  return kOk;
}

void AppFramework::shellFrame() {
  if (active_) {
    Surface* back = display_->BackBuffer();
    noteCallback(drawFrame(back, frameFlags_));
    copyToWindow(back);
  }
  frameFlags_ &= ~kFrameLate;
  if (timer_->wait() == kLateFrame) {
    platform::Sleep(1);
    frameFlags_ |= kFrameLate;
  }
}

bool AppFramework::alreadyShown(const Surface* back) {
  // An idle calculator draws the same picture thirty times a second; copying
  // it to the screen again changes nothing the user can see but costs most
  // of the frame. A frame is shown when its pixels, its buffer or the window
  // changed, and at least once every kShowAtLeastEvery frames.
  ++framesSinceShown_;
  const uint16_t* pixels = back->Pixels();
  const size_t count = back->Layout().byte_size / sizeof(uint16_t);
  platform::Rect rect;
  platform::GetWindowRect(window_, &rect);
  if (pixels != nullptr && count > 0 && pixels == shownSource_ && rect == shownRect_ &&
      shownPixels_.size() == count && framesSinceShown_ < kShowAtLeastEvery) {
    // One pass: compare up to the first difference, copy from there on.
    const uint16_t* end = pixels + count;
    const auto [changed, kept] = std::mismatch(pixels, end, shownPixels_.begin());
    if (changed == end) return true;
    std::copy(changed, end, kept);
  } else {
    shownSource_ = pixels;
    shownRect_ = rect;
    if (pixels != nullptr && count > 0) {
      shownPixels_.assign(pixels, pixels + count);  // same size: no allocation
    } else {
      shownPixels_.clear();
    }
  }
  framesSinceShown_ = 0;
  ++framesShown_;
  return false;
}

void AppFramework::copyToWindow(Surface* back) {
  if (back == nullptr || alreadyShown(back)) return;
  platform::DcHandle dc = nullptr;
  if (back->AcquireDeviceContext(&dc) != kOk) return;
  platform::BlitToWindow(window_, 0, 0, display_->Width(), display_->Height(), dc, 0, 0,
                         platform::kRasterSourceCopy);
  back->ReleaseDeviceContext(dc);
}

ResultCode AppFramework::fullScreenFrame() {
  if (displayModeChangePending_) {
    const ResultCode changed =
        display_->SetScreenOrientation(static_cast<int32_t>(config_.displayMode));
    if (Failed(changed)) {
      setErrorMessage(kTextDisplayMode, changed);
      return changed;
    }
    ResultCode code = createSurfaces(display_.get(), config_.instance);
    if (Failed(code)) return code;
    code = initSurfaces(display_.get(), config_.instance);
    if (Failed(code)) return code;
    restartTimer();
    displayModeChangePending_ = false;
  }
  if (minimizeRequested_) {
    platform::PostMessage(window_, platform::kMsgPrivateSuspend, 0, 0);
    minimizeRequested_ = false;
  }
  const bool drawing = active_ || config_.drawWhenInactive != 0;
  if (drawing) {
    if (skipFrameCount_ > 0) {
      --skipFrameCount_;
    } else {
      const ResultCode drawn = drawFrame(display_->BackBuffer(), frameFlags_);
      if (Failed(drawn)) return drawn;
    }
  }
  if (active_) {
    Surface* back = display_->BackBuffer();
    if (back == nullptr || !alreadyShown(back)) display_->Present();
  }

  frameFlags_ &= ~kFrameLate;
  if (drawing && timer_->wait() == kLateFrame) frameFlags_ |= kFrameLate;

  frameFlags_ &= ~kFrameAfterPause;
  if (!drawing) {
    platform::WaitMessage(kFullScreenInactiveWaitMs);
    wasInactive_ = true;
  } else if (wasInactive_) {
    wasInactive_ = false;
    frameFlags_ |= kFrameAfterPause;
  }

  frameFlags_ &= ~kFrameSurfacesRestored;
  if (active_ && display_->CheckSurfacesLost() == kErrSurfacesLost) {
    display_->RestoreSurfaces();
    const ResultCode code = initSurfaces(display_.get(), config_.instance);
    if (Failed(code)) return code;
    frameFlags_ |= kFrameSurfacesRestored;
  }
  platform::Sleep(0);
  return kOk;
}

void AppFramework::endOfPeriod() {
  ++framePeriods_;
  if (!frameHook_) return;
  // Taken out while it runs, so that it may replace or remove itself.
  FrameHook hook = std::move(frameHook_);
  frameHook_ = nullptr;
  const uint64_t sets = frameHookSets_;
  hook(*this);
  if (frameHookSets_ == sets) frameHook_ = std::move(hook);
}

void AppFramework::bringToFront(int starts) {
  // Starts that asked within one frame are one raise, but each is counted.
  raiseRequests_ += static_cast<uint64_t>(starts);
  platform::ShowAppWindow(window_, platform::kShowCommandShow);
  platform::SetForegroundWindow(window_);
  // A window that is already the foreground one gets no activation from
  // SetForegroundWindow; a minimised one must still come back to life.
  if (!active_) platform::PostMessage(window_, platform::kMsgActivate, 1, 0);
  if (instanceOptions_.onRaise) {
    for (int i = 0; i < starts; ++i) instanceOptions_.onRaise();
  }
}

void AppFramework::noteCallback(ResultCode code) {
  if (!Failed(code)) return;
  quit_ = true;
  if (callbackFailure_ == kOk) callbackFailure_ = code;
}

// ---------------------------------------------------------------------------
// Requests

void AppFramework::requestQuit() { quit_ = true; }

void AppFramework::requestMinimize() { minimizeRequested_ = true; }

ResultCode AppFramework::skipFrames(uint32_t n) {
  if (n == 0) return kErrInvalidArg;
  skipFrameCount_ = n;
  return kOk;
}

ResultCode AppFramework::setFrameRate(uint32_t rate) {
  if (timer_ == nullptr) return kErrOutOfMemory;
  config_.frameRate = rate;
  restartTimer();
  return kOk;
}

ResultCode AppFramework::setDisplayMode(uint32_t mode) {
  config_.displayMode = mode;
  displayModeChangePending_ = true;
  return kOk;
}

ResultCode AppFramework::setErrorMessage(const char16_t* text, ResultCode code) {
  const size_t room = kErrorTextCapacity - 1;
  if (text == nullptr) {
    errorText_ = kTextBadDescription;
    return kErrInvalidArg;
  }
  if (code == kErrCannotOpenScreen) {
    errorText_ = kTextNot16Bit;
  } else if (code == kErrGameApiMissing) {
    errorText_ = kTextGameApiMissing;
  } else {
    errorText_.assign(text, BoundedLength(text, room));
    if (code != 0) errorText_ += u"\nError code=" + HexCode<char16_t>(code) + u".";
  }
  if (errorText_.size() > room) errorText_.resize(room);
  return kOk;
}

void AppFramework::restartTimer() {
  if (timer_ != nullptr) timer_->start(displayPaces_ ? 0 : config_.frameRate);
}

bool AppFramework::fitDisplayToScreen() {
  if (config_.shellMode == 0 || display_ == nullptr) return false;
  int32_t width = 0, height = 0, top = 0;
  shellScreenSize(&width, &height, &top);
  const platform::Rect below{0, top, width, top + height};
  if (display_->IsOpen() && width == display_->Width() && height == display_->Height()) {
    platform::MoveAppWindow(window_, below);
    return false;
  }
  config_.width = width;
  config_.height = height;
  display_->Close();
  const ResultCode opened = display_->OpenWindowed(0, width, height);
  if (Failed(opened)) {
    setErrorMessage(kTextOpenDisplay, opened);
    failRun(opened);
    return false;
  }
  platform::MoveAppWindow(window_, below);
  return true;
}

void AppFramework::shellScreenSize(int32_t* width, int32_t* height, int32_t* top) {
  const platform::Device& device = platform::TheDevice();
  *top = device.WorkAreaTop();
  *width = device.ScreenWidth();
  *height = device.ScreenHeight() - *top;
}

// ---------------------------------------------------------------------------
// Shell

void AppFramework::recordShell(ShellRequest::Kind kind, uint32_t value) {
  // Every activation adds a few; a long session keeps only the recent ones.
  constexpr size_t kKept = 256;
  if (shellRequests_.size() >= kKept) {
    shellRequests_.erase(shellRequests_.begin(), shellRequests_.begin() + kKept / 2);
  }
  shellRequests_.push_back(ShellRequest{kind, value});
}

void AppFramework::setTaskbar(bool hide) {
  if (config_.shellMode != 0) {
    recordShell(ShellRequest::kInputPanel, 1);
    return;
  }
  // The handheld's task bar window ("HHTaskbar", or "Tray") does not exist
  // here; what would be asked of it is recorded.
  if (hide) {
    recordShell(ShellRequest::kInputPanel, 1);
    recordShell(ShellRequest::kFullScreen, kShellHideTaskbarAll);
    recordShell(ShellRequest::kTaskbarWindow, platform::kShowCommandHide);
    const platform::Device& device = platform::TheDevice();
    platform::MoveAppWindow(window_,
                            platform::Rect{0, 0, device.ScreenWidth(), device.ScreenHeight()});
  } else {
    recordShell(ShellRequest::kTaskbarWindow, platform::kShowCommandShow);
    recordShell(ShellRequest::kFullScreen, kShellShowTaskbarAll);
  }
}

// ---------------------------------------------------------------------------
// Messages

StylusPoint AppFramework::mapPoint(intptr_t lParam) const {
  StylusPoint point{platform::PointX(lParam), platform::PointY(lParam)};
  // A display that cannot map (closed) leaves the point as the system gave it.
  StylusPoint mapped = point;
  if (display_ != nullptr && display_->MapStylusPoint(&mapped) == kOk) return mapped;
  return point;
}

GameKeyList AppFramework::keyList() const {
  GameKeyList list{};
  if (keyInput_ != nullptr) keyInput_->GetKeyList(&list);
  return list;
}

intptr_t AppFramework::windowProc(platform::WindowHandle window, uint32_t message,
                                  uintptr_t wParam, intptr_t lParam) {
  const bool shell = config_.shellMode != 0;
  switch (message) {
    case platform::kMsgCreate:
      return 0;
    case platform::kMsgDestroy:
      platform::PostQuitMessage(0);
      return 0;
    case platform::kMsgActivate:
      if ((wParam & 0xFFFF) != 0) {
        // Back in front: a minimise asked for by the deactivation just
        // before (a quarter turn sends both at once) would hide an active
        // window and leave it suspended.
        minimizeRequested_ = false;
        if (active_) return 0;
        if (shell) {
          recordShell(ShellRequest::kFullScreen, kShellHideInputButton);
        } else {
          setTaskbar(true);
        }
        if (keyInput_ != nullptr) keyInput_->OpenKeyInput();
        if (display_ != nullptr) display_->Resume();
        active_ = true;
        shownSource_ = nullptr;  // whatever the window shows now, copy afresh
        onResume();
        restartTimer();
      } else if (shell) {
        active_ = false;
      } else if (config_.stayInFront != 0) {
        if (!quit_) platform::SetForegroundWindow(window_);
      } else {
        requestMinimize();
      }
      return 0;
    case platform::kMsgKeyDown: {
      if (platform::IsAutoRepeat(lParam)) return 0;
      const GameKeyList keys = keyList();
      const auto key = static_cast<int32_t>(static_cast<uint32_t>(wParam));
      if (key != kDroppedKey) onKeyDown(key, keys);
      return 0;
    }
    case platform::kMsgKeyUp: {
      const GameKeyList keys = keyList();
      onKeyUp(static_cast<int32_t>(static_cast<uint32_t>(wParam)), keys);
      return 0;
    }
    case platform::kMsgSysCommand:
      if ((wParam & 0xFFF0) == platform::kSysCommandClose) {
        quit_ = true;
        return 0;
      }
      return platform::DefWindowProc(window, message, wParam, lParam);
    case platform::kMsgStylusMove: {
      if (!active_) return platform::DefWindowProc(window, message, wParam, lParam);
      const StylusPoint p = mapPoint(lParam);
      onStylusMove(p.x, p.y);
      return 0;
    }
    case platform::kMsgStylusDown: {
      const StylusPoint p = mapPoint(lParam);
      onStylusDown(p.x, p.y);
      return 0;
    }
    case platform::kMsgStylusUp: {
      const StylusPoint p = mapPoint(lParam);
      onStylusUp(p.x, p.y);
      return 0;
    }
    case platform::kMsgStylusDoubleClick: {
      const StylusPoint p = mapPoint(lParam);
      onStylusDoubleClick(p.x, p.y);
      return 0;
    }
    case platform::kMsgPrivateSuspend:
      if (!active_) return 0;
      onSuspend();
      active_ = false;
      if (shell) {
        recordShell(ShellRequest::kFullScreen, kShellShowInputButton);
      } else {
        setTaskbar(false);
      }
      platform::ShowAppWindow(window_, platform::kShowCommandMinimize);
      if (keyInput_ != nullptr) keyInput_->CloseKeyInput();
      if (display_ != nullptr) display_->Suspend();
      return 0;
    default:
      return platform::DefWindowProc(window, message, wParam, lParam);
  }
}

}  // namespace abacine
