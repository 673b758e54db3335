// Access to the Game API library: direct screen and key access on the
// handheld. The program does not link against it; `GameApiLibrary`, one
// process-wide object, loads it by name at run time and looks up its twelve
// entry points. The display and the key input call through it.
//
// Where it is looked for: "gx.so" beside the program (the folder of
// /proc/self/exe), then "gx.so" on the system's library path. A missing
// library or entry point fails the load with kErrGameApiMissing, and no call
// ever goes through a pointer that was not found: every call wrapper answers
// 0 (or a null pointer, or an all-zero record) while the library is not
// loaded.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "graphics/result_codes.h"
#include "platform/gx_abi.h"
#include "platform/platform.h"

namespace abacine {

// Option of the default-keys call that the key input passes.
inline constexpr int kGameApiLandscapeKeys = 2;
// Open flag of the display open call: full screen.
inline constexpr uint32_t kGameApiFullScreen = 1;

class GameApiLibrary {
 public:
  // The process-wide object, made on first use.
  static GameApiLibrary& Instance();

  GameApiLibrary(const GameApiLibrary&) = delete;
  GameApiLibrary& operator=(const GameApiLibrary&) = delete;

  // Does nothing once loaded. Otherwise tries each candidate in turn, looks
  // up the twelve entry points and marks the library loaded; any failure
  // releases what was opened and returns kErrGameApiMissing.
  ResultCode Load();
  bool IsLoaded() const { return loaded_; }

  // The entry points. Each answers 0 / null / zeros while not loaded.
  int OpenDisplay(platform::WindowHandle window, uint32_t flags);
  int CloseDisplay();
  void* BeginDraw();
  int EndDraw();
  int OpenInput();
  int CloseInput();
  GXDisplayProperties GetDisplayProperties();
  GXKeyList GetDefaultKeys(int options);
  int Suspend();
  int Resume();
  int SetViewport(uint32_t top, uint32_t height, uint32_t reserved1, uint32_t reserved2);
  int IsDisplayDramBuffer();

  // The candidates Load tries, in order (paths or bare names).
  std::vector<std::string> SearchList() const;
  // Replaces the candidates (tests, or a program that keeps the library
  // elsewhere). An empty list means "nowhere": every load fails.
  void SetSearchList(std::vector<std::string> candidates);
  // Back to "beside the program, then the system path".
  void UseDefaultSearchList();
  // Releases the library and forgets the entry points (tests; the program
  // keeps it until it ends).
  void Unload();

 private:
  GameApiLibrary() = default;
  ~GameApiLibrary();

  bool override_search_ = false;
  std::vector<std::string> search_;
  platform::Library* library_ = nullptr;
  bool loaded_ = false;

  // The twelve entry points as looked up; all null while not loaded.
  struct EntryPoints {
    GXOpenDisplayFn open_display = nullptr;
    GXCloseDisplayFn close_display = nullptr;
    GXBeginDrawFn begin_draw = nullptr;
    GXEndDrawFn end_draw = nullptr;
    GXOpenInputFn open_input = nullptr;
    GXCloseInputFn close_input = nullptr;
    GXGetDisplayPropertiesFn get_display_properties = nullptr;
    GXGetDefaultKeysFn get_default_keys = nullptr;
    GXSuspendFn suspend = nullptr;
    GXResumeFn resume = nullptr;
    GXSetViewportFn set_viewport = nullptr;
    GXIsDisplayDRAMBufferFn is_display_dram_buffer = nullptr;
  };
  EntryPoints entry_;
};

// Loads the Game API library (GameApiLibrary::Instance().Load()).
ResultCode LoadGameApi();

// The library's file name.
inline constexpr const char* kGameApiLibraryName = "gx.so";

}  // namespace abacine
