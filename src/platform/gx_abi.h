// The binary interface between the program and the Game API library
// (src/gx, built as gx.so). Both sides include this header; it holds plain C
// types only, because the library is loaded with dlopen and shares nothing
// else with the program.
//
// The handheld's library exports C++-decorated names. ELF symbols cannot
// carry them, so the library exports the plain C names below and the
// platform's look-up-by-name maps each decorated name to its plain export
// (kGxExports). The library learns about the simulated device through one
// extra export, AbacineGxAttach, which the platform calls right after dlopen.
#pragma once

#include <cstddef>
#include <cstdint>

extern "C" {

// Display properties, six 32-bit values in this order.
struct GXDisplayProperties {
  uint32_t width;         // pixels, hardware orientation
  uint32_t height;
  int32_t x_pitch;         // bytes between horizontally adjacent pixels
  int32_t y_pitch;         // bytes between vertically adjacent pixels
  int32_t bits_per_pixel;
  uint32_t format_flags;   // 0x08 landscape panel, 0x20 direct, 0x40 555, 0x80 565, 0x200 444
};

struct GXKeyPoint {
  int32_t x;
  int32_t y;
};

// One game key: its virtual-key code and an on-screen point (unused here).
struct GXKeyEntry {
  int16_t key;
  GXKeyPoint point;
};

// The eight game keys in the library's order: up, down, left, right, A, B,
// C, start.
struct GXKeyList {
  GXKeyEntry keys[8];
};

static_assert(sizeof(GXDisplayProperties) == 24, "six 32-bit values");
static_assert(sizeof(GXKeyList) == 96, "eight entries of code and point");

// Calls the library reports back to its host, for the simulated device's log.
enum AbacineGxCall : int32_t {
  kGxCallOpenDisplay = 0,
  kGxCallCloseDisplay,
  kGxCallBeginDraw,
  kGxCallEndDraw,
  kGxCallOpenInput,
  kGxCallCloseInput,
  kGxCallGetDisplayProperties,
  kGxCallGetDefaultKeys,
  kGxCallSuspend,
  kGxCallResume,
  kGxCallSetViewport,
  kGxCallIsDisplayDramBuffer,
  kGxCallCount
};

// What the host (the platform's simulated device) offers the library. Every
// callback gets `context` back. The table must outlive the library's use.
struct AbacineGxHost {
  uint32_t version;  // kAbacineGxHostVersion
  void* context;
  // The device's display properties at the moment of the call.
  void (*display_properties)(void* context, GXDisplayProperties* out);
  // Address of hardware pixel (0, 0) of the frame buffer; null when none.
  void* (*frame_buffer)(void* context);
  // The device's game keys in the library's order.
  void (*default_keys)(void* context, int16_t out[8]);
  // Non-zero when the window handle names a live window.
  int (*window_exists)(void* context, void* window);
  // Every entry point reports its call and its integer result (pointers: 0 or 1).
  void (*record)(void* context, int32_t call, intptr_t result);
};

inline constexpr uint32_t kAbacineGxHostVersion = 1;

// Exports of the library, as C functions.
using GXOpenDisplayFn = int (*)(void* window, uint32_t flags);
using GXCloseDisplayFn = int (*)();
using GXBeginDrawFn = void* (*)();
using GXEndDrawFn = int (*)();
using GXOpenInputFn = int (*)();
using GXCloseInputFn = int (*)();
using GXGetDisplayPropertiesFn = GXDisplayProperties (*)();
using GXGetDefaultKeysFn = GXKeyList (*)(int options);
using GXSuspendFn = int (*)();
using GXResumeFn = int (*)();
using GXSetViewportFn = int (*)(uint32_t top, uint32_t height, uint32_t reserved1, uint32_t reserved2);
using GXIsDisplayDRAMBufferFn = int (*)();
// Returns non-zero when the library accepts the host table (same version).
using AbacineGxAttachFn = int (*)(const AbacineGxHost* host);

}  // extern "C"

namespace abacine::platform {

struct GxExport {
  const char16_t* decorated;  // the name the handheld's library exports
  const char* plain;          // the C name our library exports
};

// The twelve entry points, in the order the Game API access looks them up.
inline constexpr GxExport kGxExports[12] = {
    {u"?GXOpenDisplay@@YAHPAUHWND__@@K@Z", "GXOpenDisplay"},
    {u"?GXCloseDisplay@@YAHXZ", "GXCloseDisplay"},
    {u"?GXBeginDraw@@YAPAXXZ", "GXBeginDraw"},
    {u"?GXEndDraw@@YAHXZ", "GXEndDraw"},
    {u"?GXOpenInput@@YAHXZ", "GXOpenInput"},
    {u"?GXCloseInput@@YAHXZ", "GXCloseInput"},
    {u"?GXGetDisplayProperties@@YA?AUGXDisplayProperties@@XZ", "GXGetDisplayProperties"},
    {u"?GXGetDefaultKeys@@YA?AUGXKeyList@@H@Z", "GXGetDefaultKeys"},
    {u"?GXSuspend@@YAHXZ", "GXSuspend"},
    {u"?GXResume@@YAHXZ", "GXResume"},
    {u"?GXSetViewport@@YAHKKKK@Z", "GXSetViewport"},
    {u"?GXIsDisplayDRAMBuffer@@YAHXZ", "GXIsDisplayDRAMBuffer"},
};

inline constexpr const char* kGxAttachExport = "AbacineGxAttach";

}  // namespace abacine::platform
