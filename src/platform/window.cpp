// Windows, the message queue, key state, message boxes and the backend slot.
#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <deque>
#include <map>

#include "platform/controls.h"
#include "platform/internal.h"
#include "platform/platform.h"
#include "text/utf.h"

namespace abacine::platform {

// Only its address matters; see WindowHandle.
class Window {};

namespace {

struct WindowRecord {
  WindowDesc desc;
  WindowProc proc;
  Rect rect;
  int show_command = kShowCommandShow;
};

struct WindowTable {
  // Live windows.
  std::map<Window*, WindowRecord> windows;
  // Every handle ever made; kept so that no address is handed out twice.
  std::vector<std::unique_ptr<Window>> handles;
  Window* foreground = nullptr;
};

WindowTable& Windows() {
  static WindowTable table;
  return table;
}

std::deque<Message>& Queue() {
  static std::deque<Message> queue;
  return queue;
}

WindowRecord* Find(WindowHandle window) {
  auto& table = Windows().windows;
  auto it = table.find(window);
  return it == table.end() ? nullptr : &it->second;
}

struct KeyTable {
  std::array<bool, 256> down{};
  std::array<bool, 256> toggled{};
};

KeyTable& Keys() {
  static KeyTable keys;
  return keys;
}

bool IsLockKey(int vk) { return vk == kVkNumLock || vk == kVkCapital; }

class HeadlessBackend final : public Backend {
 public:
  void PumpEvents() override {}
  void WaitForEvents(uint32_t ms) override { Sleep(ms); }
  void ShowMessageBox(std::u16string_view text, std::u16string_view caption) override {
    std::fprintf(stderr, "%s: %s\n", ToUtf8(caption).c_str(), ToUtf8(text).c_str());
  }
};

std::unique_ptr<Backend>& BackendSlot() {
  static std::unique_ptr<Backend> backend = std::make_unique<HeadlessBackend>();
  return backend;
}

std::vector<ShownMessageBox>& Boxes() {
  static std::vector<ShownMessageBox> boxes;
  return boxes;
}

}  // namespace

namespace internal {

void PostToAllWindows(uint32_t id, uintptr_t w_param, intptr_t l_param) {
  for (const auto& [handle, record] : Windows().windows) {
    (void)record;
    Queue().push_back(Message{handle, id, w_param, l_param});
  }
}

Window* InputWindow() {
  const WindowTable& table = Windows();
  if (IsWindow(table.foreground)) return table.foreground;
  for (auto it = table.handles.rbegin(); it != table.handles.rend(); ++it) {
    if (IsWindow(it->get())) return it->get();
  }
  return nullptr;
}

}  // namespace internal

// ---------------------------------------------------------------------------
// Windows

WindowHandle CreateAppWindow(const WindowDesc& desc, WindowProc proc, void* createParam) {
  if (!proc) return nullptr;
  WindowTable& table = Windows();
  table.handles.push_back(std::make_unique<Window>());
  const WindowHandle handle = table.handles.back().get();
  WindowRecord record;
  record.desc = desc;
  record.proc = proc;
  record.rect = desc.rect;
  if (record.rect.Width() <= 0 || record.rect.Height() <= 0) {
    const Device& device = TheDevice();
    record.rect = Rect{0, device.WorkAreaTop(), device.ScreenWidth(), device.ScreenHeight()};
  }
  table.windows.emplace(handle, std::move(record));
  // A copy: the procedure may destroy the window while it runs.
  WindowProc call = proc;
  call(handle, kMsgCreate, 0, reinterpret_cast<intptr_t>(createParam));
  return handle;
}

bool DestroyAppWindow(WindowHandle window) {
  WindowRecord* record = Find(window);
  if (record == nullptr) return false;
  WindowProc call = record->proc;
  call(window, kMsgDestroy, 0, 0);
  WindowTable& table = Windows();
  table.windows.erase(window);
  if (table.foreground == window) table.foreground = nullptr;
  auto& queue = Queue();
  for (auto it = queue.begin(); it != queue.end();) {
    it = (it->window == window) ? queue.erase(it) : it + 1;
  }
  return true;
}

bool IsWindow(WindowHandle window) { return window != nullptr && Find(window) != nullptr; }

WindowHandle FindAppWindow(std::u16string_view class_name, std::u16string_view title) {
  for (const auto& [handle, record] : Windows().windows) {
    if (record.desc.class_name == class_name && record.desc.title == title) {
      return handle;
    }
  }
  return nullptr;
}

bool GetWindowRect(WindowHandle window, Rect* out) {
  const WindowRecord* record = Find(window);
  if (record == nullptr || out == nullptr) return false;
  *out = record->rect;
  return true;
}

bool MoveAppWindow(WindowHandle window, const Rect& rect) {
  WindowRecord* record = Find(window);
  if (record == nullptr) return false;
  record->rect = rect;
  return true;
}

bool ShowAppWindow(WindowHandle window, int command) {
  WindowRecord* record = Find(window);
  if (record == nullptr) return false;
  record->show_command = command;
  return true;
}

int LastShowCommand(WindowHandle window) {
  const WindowRecord* record = Find(window);
  return record == nullptr ? -1 : record->show_command;
}

bool SetForegroundWindow(WindowHandle window) {
  if (!IsWindow(window)) return false;
  CurrentBackend().RaiseWindow();
  WindowTable& table = Windows();
  if (table.foreground == window) return true;
  // Activation arrives as messages, as it does on the handheld after the
  // foreground changes.
  const WindowHandle old = table.foreground;
  if (IsWindow(old)) PostMessage(old, kMsgActivate, 0, 0);
  table.foreground = window;
  PostMessage(window, kMsgActivate, 1, 0);
  return true;
}

WindowHandle ForegroundWindow() {
  const WindowHandle handle = Windows().foreground;
  return IsWindow(handle) ? handle : nullptr;
}

size_t WindowCount() { return Windows().windows.size(); }

bool CopyToWindow(WindowHandle window, int32_t x, int32_t y, int32_t width, int32_t height,
                  const uint16_t* pixels, int32_t strideBytes) {
  const WindowRecord* record = Find(window);
  if (record == nullptr || pixels == nullptr || width < 0 || height < 0) return false;
  Device& device = TheDevice();
  const Rect& r = record->rect;
  // Clip the destination (screen coordinates) to the window and the screen,
  // then walk only the source pixels that land inside.
  const int64_t left = std::max<int64_t>({int64_t{r.left} + x, r.left, 0});
  const int64_t top = std::max<int64_t>({int64_t{r.top} + y, r.top, 0});
  const int64_t right = std::min<int64_t>(
      {int64_t{r.left} + x + width, r.right, device.ScreenWidth()});
  const int64_t bottom = std::min<int64_t>(
      {int64_t{r.top} + y + height, r.bottom, device.ScreenHeight()});
  if (left < right && top < bottom) {
    const int64_t row = top - (int64_t{r.top} + y);
    const int64_t col = left - (int64_t{r.left} + x);
    const auto* first = reinterpret_cast<const uint8_t*>(pixels) + row * strideBytes + col * 2;
    device.WriteScreen(static_cast<int32_t>(left), static_cast<int32_t>(top),
                       static_cast<int32_t>(right - left), static_cast<int32_t>(bottom - top), first,
                       strideBytes);
  }
  device.NoteFrame();
  return true;
}

bool BlitToWindow(WindowHandle window, int32_t x, int32_t y, int32_t width, int32_t height,
                  DcHandle source, int32_t sourceX, int32_t sourceY, uint32_t rop) {
  const BitmapHandle bitmap = SelectedBitmap(source);
  if (!IsWindow(window) || bitmap == nullptr || rop != kRasterSourceCopy || width < 0 ||
      height < 0) {
    return false;
  }
  // Cut the block to the bitmap first, moving the destination with it.
  int64_t sx = sourceX, sy = sourceY, dx = x, dy = y, w = width, h = height;
  if (sx < 0) { dx -= sx; w += sx; sx = 0; }
  if (sy < 0) { dy -= sy; h += sy; sy = 0; }
  w = std::min<int64_t>(w, int64_t{BitmapWidth(bitmap)} - sx);
  h = std::min<int64_t>(h, int64_t{BitmapHeight(bitmap)} - sy);
  if (w <= 0 || h <= 0) return true;
  if (dx < INT32_MIN || dx > INT32_MAX || dy < INT32_MIN || dy > INT32_MAX) return true;
  const int32_t stride = BitmapStrideBytes(bitmap);
  const auto* start = reinterpret_cast<const uint8_t*>(BitmapBits(bitmap)) + sy * stride + sx * 2;
  return CopyToWindow(window, static_cast<int32_t>(dx), static_cast<int32_t>(dy),
                      static_cast<int32_t>(w), static_cast<int32_t>(h),
                      reinterpret_cast<const uint16_t*>(start), stride);
}

// ---------------------------------------------------------------------------
// Messages

bool PostMessage(WindowHandle window, uint32_t id, uintptr_t w_param, intptr_t l_param) {
  if (!IsWindow(window)) return false;
  Queue().push_back(Message{window, id, w_param, l_param});
  return true;
}

void PostQuitMessage(int32_t exitCode) {
  Queue().push_back(Message{nullptr, kMsgQuit,
                            static_cast<uintptr_t>(static_cast<uint32_t>(exitCode)), 0});
}

intptr_t SendMessage(WindowHandle window, uint32_t id, uintptr_t w_param, intptr_t l_param) {
  const WindowRecord* record = Find(window);
  if (record == nullptr) return 0;
  WindowProc call = record->proc;
  return call(window, id, w_param, l_param);
}

bool PeekMessage(Message* out, bool remove) {
  CurrentBackend().PumpEvents();
  auto& queue = Queue();
  if (queue.empty()) return false;
  if (out != nullptr) *out = queue.front();
  if (remove) queue.pop_front();
  return true;
}

bool WaitMessage(uint32_t timeoutMs) {
  const uint32_t start = TickCount();
  for (;;) {
    CurrentBackend().PumpEvents();
    if (!Queue().empty()) return true;
    const uint32_t elapsed = TickCount() - start;
    if (elapsed >= timeoutMs) return false;
    CurrentBackend().WaitForEvents(std::min<uint32_t>(timeoutMs - elapsed, 10));
  }
}

intptr_t DispatchMessage(const Message& message) {
  if (message.window == nullptr) return 0;
  return SendMessage(message.window, message.id, message.w_param, message.l_param);
}

intptr_t DefWindowProc(WindowHandle, uint32_t, uintptr_t, intptr_t) { return 0; }

size_t PendingMessageCount() { return Queue().size(); }

void ClearMessages() { Queue().clear(); }

// ---------------------------------------------------------------------------
// Keys

int16_t GetKeyState(int vk) {
  if (vk < 0 || vk > 255) return 0;
  const KeyTable& keys = Keys();
  const auto index = static_cast<size_t>(vk);
  uint16_t bits = 0;
  if (keys.down[index]) bits |= 0x8000u;
  if (keys.toggled[index]) bits |= 0x0001u;
  return static_cast<int16_t>(bits);
}

void SetKeyDown(int vk, bool down) {
  if (vk < 0 || vk > 255) return;
  KeyTable& keys = Keys();
  const auto index = static_cast<size_t>(vk);
  if (down && !keys.down[index] && IsLockKey(vk)) keys.toggled[index] = !keys.toggled[index];
  keys.down[index] = down;
}

void SetKeyToggled(int vk, bool toggled) {
  if (vk < 0 || vk > 255) return;
  Keys().toggled[static_cast<size_t>(vk)] = toggled;
}

void ResetKeyState() { Keys() = KeyTable{}; }

bool InjectKey(WindowHandle window, int vk, bool down, bool repeat) {
  if (vk < 0 || vk > 255 || !IsWindow(window)) return false;
  SetKeyDown(vk, down);
  return PostMessage(window, down ? kMsgKeyDown : kMsgKeyUp, static_cast<uintptr_t>(vk),
                     KeyLParam(down, repeat));
}

bool InjectStylus(WindowHandle window, uint32_t id, int32_t x, int32_t y) {
  if (id < kMsgStylusMove || id > kMsgStylusDoubleClick) return false;
  const uintptr_t buttons = id == kMsgStylusUp ? 0 : 1;
  return PostMessage(window, id, buttons, PackPoint(x, y));
}

// ---------------------------------------------------------------------------
// Message box

void ShowMessageBox(WindowHandle owner, std::u16string_view text, std::u16string_view caption,
                    uint32_t style) {
  (void)owner;
  Boxes().push_back(ShownMessageBox{std::u16string(text), std::u16string(caption), style});
  CurrentBackend().ShowMessageBox(text, caption);
}

const std::vector<ShownMessageBox>& ShownMessageBoxes() { return Boxes(); }

void ClearShownMessageBoxes() { Boxes().clear(); }

// ---------------------------------------------------------------------------
// Clipboard

bool ProcessClipboard::SetText(std::u16string_view text) {
  text_.emplace(text.substr(0, text.find(u'\0')));
  return true;
}

bool SetClipboardText(std::u16string_view text) {
  return CurrentBackend().GetClipboard().SetText(text.substr(0, text.find(u'\0')));
}

std::optional<std::u16string> GetClipboardText() {
  return CurrentBackend().GetClipboard().GetText();
}

// ---------------------------------------------------------------------------
// Backends

std::unique_ptr<Backend> SetBackend(std::unique_ptr<Backend> backend) {
  std::unique_ptr<Backend> old = std::move(BackendSlot());
  BackendSlot() = backend ? std::move(backend) : std::make_unique<HeadlessBackend>();
  return old;
}

Backend& CurrentBackend() { return *BackendSlot(); }

// ---------------------------------------------------------------------------
// A fresh start

bool ResetForTesting(const DeviceConfig& device) {
  ClearMessages();
  ResetKeyState();
  ClearShownMessageBoxes();
  SetBackend(nullptr);
  const bool made = TheDevice().Reset(device);
  TheDevice().ClearGameApiLog();
  return made;
}

}  // namespace abacine::platform
