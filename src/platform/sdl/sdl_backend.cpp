#include "platform/sdl/sdl_backend.h"

#include <SDL.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/controls.h"
#include "platform/internal.h"
#include "text/utf.h"

namespace abacine::platform {

int VirtualKeyOfSdlKey(int32_t keycode, int32_t scancode) {
  // The numeric pad first: its keycodes depend on Num Lock, its scancodes don't.
  if (scancode >= SDL_SCANCODE_KP_1 && scancode <= SDL_SCANCODE_KP_9) {
    return kVkNumpad0 + 1 + (scancode - SDL_SCANCODE_KP_1);
  }
  switch (scancode) {
    case SDL_SCANCODE_KP_0: return kVkNumpad0;
    case SDL_SCANCODE_KP_MULTIPLY: return kVkMultiply;
    case SDL_SCANCODE_KP_PLUS: return kVkAdd;
    case SDL_SCANCODE_KP_COMMA: return kVkSeparator;
    case SDL_SCANCODE_KP_MINUS: return kVkSubtract;
    case SDL_SCANCODE_KP_PERIOD: return kVkDecimal;
    case SDL_SCANCODE_KP_DIVIDE: return kVkDivide;
    case SDL_SCANCODE_KP_ENTER: return kVkReturn;
    case SDL_SCANCODE_NUMLOCKCLEAR: return kVkNumLock;
    default: break;
  }
  if (keycode >= SDLK_a && keycode <= SDLK_z) return 'A' + (keycode - SDLK_a);
  if (keycode >= SDLK_0 && keycode <= SDLK_9) return '0' + (keycode - SDLK_0);
  if (keycode >= SDLK_F1 && keycode <= SDLK_F12) return kVkF1 + (keycode - SDLK_F1);
  switch (keycode) {
    case SDLK_BACKSPACE: return kVkBack;
    case SDLK_TAB: return kVkTab;
    case SDLK_RETURN: return kVkReturn;
    case SDLK_LSHIFT: case SDLK_RSHIFT: return kVkShift;
    case SDLK_LCTRL: case SDLK_RCTRL: return kVkControl;
    case SDLK_LALT: case SDLK_RALT: return kVkMenu;
    case SDLK_CAPSLOCK: return kVkCapital;
    case SDLK_ESCAPE: return kVkEscape;
    case SDLK_SPACE: return kVkSpace;
    case SDLK_PAGEUP: return kVkPrior;
    case SDLK_PAGEDOWN: return kVkNext;
    case SDLK_END: return kVkEnd;
    case SDLK_HOME: return kVkHome;
    case SDLK_LEFT: return kVkLeft;
    case SDLK_UP: return kVkUp;
    case SDLK_RIGHT: return kVkRight;
    case SDLK_DOWN: return kVkDown;
    case SDLK_INSERT: return kVkInsert;
    case SDLK_DELETE: return kVkDelete;
    case SDLK_SEMICOLON: return kVkOemSemicolon;
    case SDLK_EQUALS: return kVkOemPlus;
    case SDLK_COMMA: return kVkOemComma;
    case SDLK_MINUS: return kVkOemMinus;
    case SDLK_PERIOD: return kVkOemPeriod;
    case SDLK_SLASH: return kVkOemSlash;
    case SDLK_BACKQUOTE: return kVkOemBacktick;
    case SDLK_LEFTBRACKET: return kVkOemOpenBracket;
    case SDLK_BACKSLASH: return kVkOemBackslash;
    case SDLK_RIGHTBRACKET: return kVkOemCloseBracket;
    case SDLK_QUOTE: return kVkOemQuote;
    default: return 0;
  }
}

namespace {

// SDL's drivers that open no window anywhere.
bool IsInvisibleDriver(const char* driver) {
  return std::strcmp(driver, "offscreen") == 0 || std::strcmp(driver, "dummy") == 0;
}

// The screen is refreshed when a frame was finished. Once the device has
// handed its frame memory out for direct writes, which count no frame, it is
// also compared with what the window shows at least this often; the check
// uploads nothing when the pixels are the ones already shown, which keeps an
// idle program cheap.
constexpr uint32_t kRefreshMs = 50;

// SDL's clipboard: UTF-8 on the desktop, UTF-16 here.
class SdlClipboard final : public Clipboard {
 public:
  bool SetText(std::u16string_view text) override {
    return SDL_SetClipboardText(ToUtf8(text).c_str()) == 0;
  }
  std::optional<std::u16string> GetText() override {
    if (SDL_HasClipboardText() != SDL_TRUE) return std::nullopt;
    char* utf8 = SDL_GetClipboardText();
    if (utf8 == nullptr) return std::nullopt;
    std::u16string text;
    const bool read = FromUtf8(utf8, &text);
    SDL_free(utf8);
    if (!read) return std::nullopt;
    return text;
  }
};

class SdlBackend final : public Backend {
 public:
  explicit SdlBackend(const WindowOptions& options) : options_(options) {
    options_.scale = std::clamp(options_.scale, 1, 8);
  }

  ~SdlBackend() override {
    if (texture_ != nullptr) SDL_DestroyTexture(texture_);
    if (renderer_ != nullptr) SDL_DestroyRenderer(renderer_);
    if (window_ != nullptr) SDL_DestroyWindow(window_);
    // SDL's video stays initialised until the process ends: quitting it
    // unloads the X11 and GL modules, and what they leave behind can then no
    // longer be told apart from our own leaks in sanitizer builds.
  }

  bool Start(std::string* error) {
    // Plain blits of a small 16-bit screen: the software renderer, unless
    // the environment asks for another (hints never override it).
    SDL_SetHint(SDL_HINT_RENDER_DRIVER, "software");
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return Fail(error);
    // With no display to reach (DISPLAY unset, or the X server refusing for
    // a moment), SDL falls back to a driver that draws nowhere: the program
    // would then run for ever in a window no one can see or close.
    const char* driver = SDL_GetCurrentVideoDriver();
    if (driver == nullptr || (IsInvisibleDriver(driver) && !options_.allow_invisible)) {
      if (error != nullptr) {
        *error = std::string("no display to show it on (SDL's video driver is '") +
                 (driver != nullptr ? driver : "none") +
                 "'); check DISPLAY or WAYLAND_DISPLAY, or use --headless";
      }
      return false;
    }
    const Device& device = TheDevice();
    window_ = SDL_CreateWindow(options_.title.c_str(), SDL_WINDOWPOS_CENTERED,
                               SDL_WINDOWPOS_CENTERED, device.ScreenWidth() * options_.scale,
                               device.ScreenHeight() * options_.scale, 0);
    if (window_ == nullptr) return Fail(error);
    renderer_ = SDL_CreateRenderer(window_, -1, 0);
    if (renderer_ == nullptr) renderer_ = SDL_CreateRenderer(window_, -1, SDL_RENDERER_SOFTWARE);
    if (renderer_ == nullptr) return Fail(error);
    // Keep pixels square and crisp at integer scales.
    SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "0");
    if (!MakeTexture()) return Fail(error);
    Refresh();
    return true;
  }

  void PumpEvents() override {
    // One key at a time: the key state a program reads while it handles a
    // key message must be the state of that moment, not the one after the
    // keys that came in the same batch (fast typing lets Shift go before
    // the shifted key's message is handled). The rest stays queued in SDL
    // for the next look at the message queue.
    SDL_Event event;
    while (SDL_PollEvent(&event) != 0) {
      Handle(event);
      if (event.type == SDL_KEYDOWN || event.type == SDL_KEYUP) break;
    }
    const Device& device = TheDevice();
    const uint32_t now = SDL_GetTicks();
    if (device.FrameCounter() != shown_frame_) {
      Refresh();
    } else if (device.WrittenDirectly() && now - shown_at_ >= kRefreshMs) {
      RefreshIfChanged();
    }
  }

  void RaiseWindow() override {
    if (window_ == nullptr) return;
    SDL_RestoreWindow(window_);
    SDL_RaiseWindow(window_);
  }

  void WaitForEvents(uint32_t ms) override {
    SDL_WaitEventTimeout(nullptr, static_cast<int>(std::min<uint32_t>(ms, 1000)));
  }

  void ShowMessageBox(std::u16string_view text, std::u16string_view caption) override {
    const std::string t = ToUtf8(text);
    const std::string c = ToUtf8(caption);
    std::fprintf(stderr, "%s: %s\n", c.c_str(), t.c_str());
    if (options_.dialogs) {
      SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, c.c_str(), t.c_str(), window_);
    }
  }

  Clipboard& GetClipboard() override { return clipboard_; }

  void ScreenResized() override {
    const Device& device = TheDevice();
    SDL_SetWindowSize(window_, device.ScreenWidth() * options_.scale,
                      device.ScreenHeight() * options_.scale);
    MakeTexture();
    Refresh();
  }

 private:
  bool Fail(std::string* error) {
    if (error != nullptr) *error = SDL_GetError();
    return false;
  }

  bool MakeTexture() {
    if (texture_ != nullptr) SDL_DestroyTexture(texture_);
    const Device& device = TheDevice();
    tex_width_ = device.ScreenWidth();
    tex_height_ = device.ScreenHeight();
    texture_ = SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_RGB565, SDL_TEXTUREACCESS_STREAMING,
                                 tex_width_, tex_height_);
    return texture_ != nullptr;
  }

  void RefreshIfChanged() {
    const Device& device = TheDevice();
    shown_at_ = SDL_GetTicks();
    if (device.ScreenWidth() == tex_width_ && device.ScreenHeight() == tex_height_ &&
        device.FrameMemory() == shown_memory_) {
      return;
    }
    Refresh();
  }

  void Refresh() {
    const Device& device = TheDevice();
    shown_frame_ = device.FrameCounter();
    shown_at_ = SDL_GetTicks();
    if (texture_ == nullptr) return;
    if (device.ScreenWidth() != tex_width_ || device.ScreenHeight() != tex_height_) {
      if (!MakeTexture()) return;
    }
    // Kept only where direct writes can change the memory behind our back:
    // a copy per frame is a third of the cost of the whole way.
    if (device.WrittenDirectly()) {
      shown_memory_ = device.FrameMemory();  // same size: no allocation
    } else {
      shown_memory_.clear();
    }
    // Straight into the texture's memory, in one pass.
    void* pixels = nullptr;
    int pitch = 0;
    if (SDL_LockTexture(texture_, nullptr, &pixels, &pitch) != 0) return;
    device.CopyScreen(static_cast<uint16_t*>(pixels),
                      static_cast<size_t>(pitch) / sizeof(uint16_t));
    SDL_UnlockTexture(texture_);
    SDL_RenderClear(renderer_);
    SDL_RenderCopy(renderer_, texture_, nullptr, nullptr);
    SDL_RenderPresent(renderer_);
  }

  // Window pixels to screen pixels, whatever size the window manager gave us.
  void ToScreen(int32_t wx, int32_t wy, int32_t* sx, int32_t* sy) const {
    int w = 1, h = 1;
    SDL_GetWindowSize(window_, &w, &h);
    const Device& device = TheDevice();
    *sx = static_cast<int32_t>(int64_t{wx} * device.ScreenWidth() / std::max(w, 1));
    *sy = static_cast<int32_t>(int64_t{wy} * device.ScreenHeight() / std::max(h, 1));
  }

  void Stylus(uint32_t id, int32_t wx, int32_t wy, bool pressed) {
    WindowHandle target = internal::InputWindow();
    if (target == nullptr) return;
    int32_t sx = 0, sy = 0;
    ToScreen(wx, wy, &sx, &sy);
    Rect r;
    GetWindowRect(target, &r);
    const bool inside = sx >= r.left && sx < r.right && sy >= r.top && sy < r.bottom;
    // Outside the window only a held stylus is followed (the window keeps the
    // capture until it is lifted).
    if (!inside && !captured_) return;
    PostMessage(target, id, pressed ? 1 : 0, PackPoint(sx - r.left, sy - r.top));
  }

  void Key(const SDL_KeyboardEvent& key, bool down) {
    const int vk = VirtualKeyOfSdlKey(key.keysym.sym, key.keysym.scancode);
    const SDL_Keymod mods = SDL_GetModState();
    SetKeyToggled(kVkNumLock, (mods & KMOD_NUM) != 0);
    SetKeyToggled(kVkCapital, (mods & KMOD_CAPS) != 0);
    if (vk == 0) return;
    if (vk == options_.rotate_key) {
      if (down && key.repeat == 0) TheDevice().RotateQuarter();
      return;
    }
    SetKeyDown(vk, down);
    if (vk == kVkNumLock || vk == kVkCapital) {
      // SDL already reports the new lock state.
      SetKeyToggled(kVkNumLock, (mods & KMOD_NUM) != 0);
      SetKeyToggled(kVkCapital, (mods & KMOD_CAPS) != 0);
    }
    WindowHandle target = internal::InputWindow();
    if (target == nullptr) return;
    PostMessage(target, down ? kMsgKeyDown : kMsgKeyUp, static_cast<uintptr_t>(vk),
                KeyLParam(down, key.repeat != 0));
  }

  void Handle(const SDL_Event& event) {
    switch (event.type) {
      case SDL_QUIT:
        Close();
        break;
      case SDL_WINDOWEVENT:
        switch (event.window.event) {
          case SDL_WINDOWEVENT_CLOSE: Close(); break;
          case SDL_WINDOWEVENT_FOCUS_GAINED: Activate(true); break;
          case SDL_WINDOWEVENT_FOCUS_LOST: Activate(false); break;
          case SDL_WINDOWEVENT_EXPOSED: Refresh(); break;
          default: break;
        }
        break;
      case SDL_MOUSEBUTTONDOWN:
        if (event.button.button == SDL_BUTTON_LEFT) {
          const bool twice = options_.double_clicks && event.button.clicks >= 2;
          Stylus(twice ? kMsgStylusDoubleClick : kMsgStylusDown, event.button.x, event.button.y,
                 true);
          captured_ = true;
        }
        break;
      case SDL_MOUSEBUTTONUP:
        if (event.button.button == SDL_BUTTON_LEFT) {
          Stylus(kMsgStylusUp, event.button.x, event.button.y, false);
          captured_ = false;
        }
        break;
      case SDL_MOUSEMOTION:
        Stylus(kMsgStylusMove, event.motion.x, event.motion.y,
               (event.motion.state & SDL_BUTTON_LMASK) != 0);
        break;
      case SDL_KEYDOWN: Key(event.key, true); break;
      case SDL_KEYUP: Key(event.key, false); break;
      default: break;
    }
  }

  void Close() {
    WindowHandle target = internal::InputWindow();
    if (target != nullptr) PostMessage(target, kMsgSysCommand, kSysCommandClose, 0);
  }

  void Activate(bool active) {
    WindowHandle target = internal::InputWindow();
    if (target != nullptr) PostMessage(target, kMsgActivate, active ? 1 : 0, 0);
  }

  WindowOptions options_;
  SdlClipboard clipboard_;
  SDL_Window* window_ = nullptr;
  SDL_Renderer* renderer_ = nullptr;
  SDL_Texture* texture_ = nullptr;
  int32_t tex_width_ = 0;
  int32_t tex_height_ = 0;
  uint64_t shown_frame_ = ~uint64_t{0};
  std::vector<uint16_t> shown_memory_;  // the frame memory the texture shows
  uint32_t shown_at_ = 0;
  bool captured_ = false;
};

}  // namespace

std::unique_ptr<Backend> MakeSdlBackend(const WindowOptions& options, std::string* error) {
  auto backend = std::make_unique<SdlBackend>(options);
  if (!backend->Start(error)) return nullptr;
  return backend;
}

}  // namespace abacine::platform

// Leak checking in sanitizer builds: the system's D-Bus library, which SDL
// starts for its video subsystem, keeps a buffer for the life of the process.
// Not ours to free; the hook is read only by LeakSanitizer.
extern "C" const char* __lsan_default_suppressions() { return "leak:libdbus-1.so\n"; }
