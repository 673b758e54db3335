// The Game API stand-in: direct display and key access on the simulated
// handheld. The program's platform attaches the device right after loading
// this library; until then every call fails as on a device without a display.
//
// State machine of the display: closed -> (open) -> open -> (begin draw) ->
// drawing -> (end draw) -> open; (suspend) parks it until (resume). Calls made
// in the wrong state fail with 0 (or a null pointer) and change nothing.
#include <cstdint>

#include "platform/gx_abi.h"

#define GX_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

struct GxState {
  const AbacineGxHost* host = nullptr;
  bool display_open = false;
  bool drawing = false;
  bool suspended = false;
  bool input_open = false;
};

GxState g_state;

int Report(int32_t call, int result) {
  if (g_state.host != nullptr) g_state.host->record(g_state.host->context, call, result);
  return result;
}

}  // namespace

GX_EXPORT int AbacineGxAttach(const AbacineGxHost* host) {
  if (host == nullptr || host->version != kAbacineGxHostVersion ||
      host->display_properties == nullptr || host->frame_buffer == nullptr ||
      host->default_keys == nullptr || host->window_exists == nullptr || host->record == nullptr) {
    return 0;
  }
  if (g_state.host != host) g_state = GxState{};
  g_state.host = host;
  return 1;
}

GX_EXPORT int GXOpenDisplay(void* window, uint32_t flags) {
  (void)flags;  // full screen is the only mode the simulated device has
  const AbacineGxHost* host = g_state.host;
  if (host == nullptr || g_state.display_open || host->window_exists(host->context, window) == 0) {
    return Report(kGxCallOpenDisplay, 0);
  }
  g_state.display_open = true;
  g_state.drawing = false;
  g_state.suspended = false;
  return Report(kGxCallOpenDisplay, 1);
}

GX_EXPORT int GXCloseDisplay() {
  if (!g_state.display_open) return Report(kGxCallCloseDisplay, 0);
  g_state.display_open = false;
  g_state.drawing = false;
  g_state.suspended = false;
  return Report(kGxCallCloseDisplay, 1);
}

GX_EXPORT void* GXBeginDraw() {
  const AbacineGxHost* host = g_state.host;
  if (host == nullptr || !g_state.display_open || g_state.suspended) {
    Report(kGxCallBeginDraw, 0);
    return nullptr;
  }
  void* frame = host->frame_buffer(host->context);
  g_state.drawing = frame != nullptr;
  Report(kGxCallBeginDraw, frame != nullptr ? 1 : 0);
  return frame;
}

GX_EXPORT int GXEndDraw() {
  if (!g_state.drawing) return Report(kGxCallEndDraw, 0);
  g_state.drawing = false;
  return Report(kGxCallEndDraw, 1);
}

GX_EXPORT int GXOpenInput() {
  if (g_state.host == nullptr) return 0;
  g_state.input_open = true;
  return Report(kGxCallOpenInput, 1);
}

GX_EXPORT int GXCloseInput() {
  if (!g_state.input_open) return Report(kGxCallCloseInput, 0);
  g_state.input_open = false;
  return Report(kGxCallCloseInput, 1);
}

GX_EXPORT GXDisplayProperties GXGetDisplayProperties() {
  GXDisplayProperties properties{};
  const AbacineGxHost* host = g_state.host;
  if (host != nullptr) host->display_properties(host->context, &properties);
  Report(kGxCallGetDisplayProperties, host != nullptr ? 1 : 0);
  return properties;
}

// The device's keys as labelled. The option (1 portrait, 2 landscape) does not
// turn them: the program remaps the direction keys itself.
GX_EXPORT GXKeyList GXGetDefaultKeys(int options) {
  (void)options;
  GXKeyList list{};
  const AbacineGxHost* host = g_state.host;
  if (host != nullptr) {
    int16_t codes[8] = {};
    host->default_keys(host->context, codes);
    for (int i = 0; i < 8; ++i) list.keys[i].key = codes[i];
  }
  Report(kGxCallGetDefaultKeys, host != nullptr ? 1 : 0);
  return list;
}

GX_EXPORT int GXSuspend() {
  if (!g_state.display_open || g_state.suspended) return Report(kGxCallSuspend, 0);
  g_state.suspended = true;
  g_state.drawing = false;
  return Report(kGxCallSuspend, 1);
}

GX_EXPORT int GXResume() {
  if (!g_state.suspended) return Report(kGxCallResume, 0);
  g_state.suspended = false;
  return Report(kGxCallResume, 1);
}

// Viewports are not simulated: the whole frame buffer is always live.
GX_EXPORT int GXSetViewport(uint32_t top, uint32_t height, uint32_t reserved1,
                            uint32_t reserved2) {
  (void)top;
  (void)height;
  (void)reserved1;
  (void)reserved2;
  return Report(kGxCallSetViewport, 0);
}

// The simulated frame buffer is ordinary memory, not a DRAM copy of the panel.
GX_EXPORT int GXIsDisplayDRAMBuffer() { return Report(kGxCallIsDisplayDramBuffer, 0); }
