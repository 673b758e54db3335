// abacine-demo: opens the simulated handheld's display (windowed, or full
// screen through the Game API library) and draws the graphics layer's
// operations every frame, so a person can see the layer work.
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "demo/demo_options.h"
#include "demo/demo_scene.h"
#include "demo/widget_gallery.h"
#include "graphics/display.h"
#include "graphics/graphics_context.h"
#include "graphics/key_input.h"
#include "platform/platform.h"
#include "platform/sdl/sdl_backend.h"

namespace abacine::demo {
namespace {

constexpr uint32_t kFrameMs = 33;  // about 30 frames per second

std::u16string Widen(const std::string& text) { return std::u16string(text.begin(), text.end()); }

class Demo {
 public:
  explicit Demo(const DemoOptions& options) : options_(options) {}

  int Run() {
    if (!platform::TheDevice().Reset(
            platform::DeviceConfig::WithPitchSigns(options_.width, options_.height, 1, 1))) {
      return Fail("the simulated device cannot be made");
    }
    if (!options_.headless) {
      platform::SdlOptions sdl;
      sdl.scale = options_.scale;
      sdl.title = "Abacine demo";
      sdl.dialogs = false;
      std::string error;
      std::unique_ptr<platform::Backend> backend = platform::MakeSdlBackend(sdl, &error);
      if (backend == nullptr) return Fail("no window: " + error);
      platform::SetBackend(std::move(backend));
    }

    platform::WindowDesc desc;
    desc.className = u"Abacine demo WndCls";
    desc.title = u"Abacine demo";
    desc.topmost = options_.fullscreen;
    window_ = platform::CreateAppWindow(
        desc,
        [this](platform::WindowHandle, uint32_t id, uintptr_t wp, intptr_t lp) {
          return Handle(id, wp, lp);
        },
        nullptr);
    if (window_ == nullptr) return Fail("the main window cannot be made");
    platform::SetForegroundWindow(window_);

    context_ = std::make_unique<GraphicsContext>();
    if (!context_->IsReady()) return Fail("out of memory");
    display_ = std::make_unique<Display>(context_.get());
    keys_ = std::make_unique<KeyInput>(context_.get());
    scene_ = std::make_unique<DemoScene>(context_.get());
    if (options_.widgets) gallery_ = std::make_unique<WidgetGallery>(context_.get());
    if (const ResultCode code = OpenDisplay(); code != kOk) {
      return Fail("could not open the display, code " + Hex(code));
    }
    // Without the Game API the arrow keys still arrive as virtual keys.
    keysOpen_ = keys_->OpenKeyInput() == kOk;

    const int result = Loop();
    if (!options_.screenshot.empty() && !platform::WriteScreenPng(options_.screenshot)) {
      std::fprintf(stderr, "abacine-demo: could not write %s\n", options_.screenshot.c_str());
      Shutdown();
      return 1;
    }
    Shutdown();
    return result;
  }

 private:
  static std::string Hex(ResultCode code) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(code));
    return text;
  }

  int Fail(const std::string& why) {
    std::fprintf(stderr, "abacine-demo: %s\n", why.c_str());
    Shutdown();
    return 1;
  }

  void Shutdown() {
    if (keys_ != nullptr && keysOpen_) keys_->CloseKeyInput();
    keysOpen_ = false;
    gallery_.reset();
    scene_.reset();
    display_.reset();
    keys_.reset();
    context_.reset();
    if (window_ != nullptr) platform::DestroyAppWindow(window_);
    window_ = nullptr;
    platform::SetBackend(nullptr);
  }

  ResultCode OpenDisplay() {
    const platform::Device& device = platform::TheDevice();
    screenW_ = device.ScreenWidth();
    screenH_ = device.ScreenHeight();
    ResultCode code = kOk;
    if (options_.fullscreen) {
      code = display_->OpenDirect(0x8020, window_, 16);
    } else {
      platform::MoveAppWindow(window_, platform::Rect{0, device.WorkAreaTop(), screenW_, screenH_});
      code = display_->OpenWindowed(0, screenW_, screenH_ - device.WorkAreaTop());
    }
    if (code != kOk) return code;
    const ResultCode built = gallery_ != nullptr
                                 ? gallery_->Build(display_->Width(), display_->Height())
                                 : scene_->Build();
    if (built != kOk) {
      std::fprintf(stderr, "abacine-demo: sprites incomplete, code %s\n", Hex(built).c_str());
    }
    return kOk;
  }

  int Loop() {
    uint32_t next = platform::TickCount();
    while (!quit_ && (options_.frames < 0 || frame_ < options_.frames)) {
      platform::Message m;
      while (platform::PeekMessage(&m, true)) {
        if (m.id == platform::kMsgQuit) {
          quit_ = true;
          break;
        }
        platform::DispatchMessage(m);
      }
      if (quit_) break;
      DrawFrame();
      ++frame_;
      if (!options_.headless) {
        next += kFrameMs;
        const uint32_t now = platform::TickCount();
        const int32_t wait = static_cast<int32_t>(next - now);
        if (wait > 0) {
          platform::Sleep(static_cast<uint32_t>(wait));
        } else {
          next = now;  // late: start the schedule again from here
        }
      }
    }
    return 0;
  }

  void DrawFrame() {
    Surface* back = display_->BackBuffer();
    if (back == nullptr || display_->IsSuspended()) return;
    const std::string status = std::to_string(display_->Width()) + "x" +
                               std::to_string(display_->Height()) +
                               (options_.fullscreen ? " full screen (Game API)" : " windowed") +
                               "  frame " + std::to_string(frame_ + 1);
    if (gallery_ != nullptr) gallery_->Draw(back);
    const ResultCode drawn = gallery_ != nullptr ? kOk : scene_->Draw(back, frame_, Widen(status));
    if (drawn != kOk && !reportedDrawError_) {
      std::fprintf(stderr, "abacine-demo: a drawing call failed, code %s\n", Hex(drawn).c_str());
      reportedDrawError_ = true;
    }
    if (options_.fullscreen) {
      display_->Present();
      return;
    }
    platform::DcHandle dc = nullptr;
    if (back->AcquireDeviceContext(&dc) == kOk) {
      platform::BlitToWindow(window_, 0, 0, back->Width(), back->Height(), dc, 0, 0,
                             platform::kRasterSourceCopy);
      back->ReleaseDeviceContext(dc);
    }
  }

  intptr_t Handle(uint32_t id, uintptr_t wParam, intptr_t lParam) {
    switch (id) {
      case platform::kMsgSysCommand:
        if ((wParam & 0xFFF0) == platform::kSysCommandClose) quit_ = true;
        return 0;
      case platform::kMsgActivate:
        Activate((wParam & 0xFFFF) != 0);
        return 0;
      case platform::kMsgKeyDown:
        Key(static_cast<int32_t>(wParam));
        return 0;
      case platform::kMsgStylusDown:
      case platform::kMsgStylusMove:
        if (id == platform::kMsgStylusDown || (wParam & 1) != 0) {
          StylusPoint p{platform::PointX(lParam), platform::PointY(lParam)};
          if (display_ != nullptr && display_->MapStylusPoint(&p) == kOk) {
            if (gallery_ == nullptr) {
              scene_->PlaceGem(p.x, p.y);
            } else if (id == platform::kMsgStylusDown) {
              gallery_->StylusDown(p.x, p.y);
            }
          }
        }
        return 0;
      case platform::kMsgStylusUp:
        if (StylusPoint p{platform::PointX(lParam), platform::PointY(lParam)};
            gallery_ != nullptr && display_ != nullptr && display_->MapStylusPoint(&p) == kOk) {
          gallery_->StylusUp(p.x, p.y);
        }
        return 0;
      default:
        return platform::DefWindowProc(window_, id, wParam, lParam);
    }
  }

  void Key(int32_t vk) {
    if (vk == platform::kVkEscape) {
      quit_ = true;
      return;
    }
    GameKeyList list;
    list.up = platform::kVkUp;
    list.down = platform::kVkDown;
    list.left = platform::kVkLeft;
    list.right = platform::kVkRight;
    if (keysOpen_) keys_->GetKeyList(&list);
    if (vk == list.up) scene_->MoveGem(0, -1);
    if (vk == list.down) scene_->MoveGem(0, 1);
    if (vk == list.left) scene_->MoveGem(-1, 0);
    if (vk == list.right) scene_->MoveGem(1, 0);
  }

  void Activate(bool active) {
    if (display_ == nullptr) return;
    if (!active) {
      if (options_.fullscreen) display_->Suspend();
      return;
    }
    if (display_->IsSuspended()) display_->Resume();
    // After a quarter turn the windowed screen has a new size.
    const platform::Device& device = platform::TheDevice();
    if (!options_.fullscreen &&
        (device.ScreenWidth() != screenW_ || device.ScreenHeight() != screenH_)) {
      display_->Close();
      if (const ResultCode code = OpenDisplay(); code != kOk) {
        std::fprintf(stderr, "abacine-demo: could not reopen the display, code %s\n",
                     Hex(code).c_str());
        quit_ = true;
      }
    }
  }

  DemoOptions options_;
  platform::WindowHandle window_ = nullptr;
  std::unique_ptr<GraphicsContext> context_;
  std::unique_ptr<Display> display_;
  std::unique_ptr<KeyInput> keys_;
  std::unique_ptr<DemoScene> scene_;
  std::unique_ptr<WidgetGallery> gallery_;  // with --widgets
  bool keysOpen_ = false;
  bool quit_ = false;
  bool reportedDrawError_ = false;
  int64_t frame_ = 0;
  int32_t screenW_ = 0;
  int32_t screenH_ = 0;
};

}  // namespace
}  // namespace abacine::demo

int main(int argc, char** argv) {
  using namespace abacine::demo;
  const std::vector<std::string> args(argv + 1, argv + argc);
  DemoOptions options;
  std::string error;
  if (!ParseOptions(args, &options, &error)) {
    std::fprintf(stderr, "abacine-demo: %s\nTry 'abacine-demo --help'.\n", error.c_str());
    return 2;
  }
  if (options.help) {
    std::fputs(UsageText().c_str(), stdout);
    return 0;
  }
  return Demo(options).Run();
}
