// Desktop keys to the handheld's virtual-key codes.
#include <SDL.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/controls.h"
#include "platform/platform.h"
#include "platform/sdl/sdl_backend.h"
#include "support/sdl_dummy.h"

namespace abacine::platform {
namespace {

TEST(SdlKeysTest, DesktopKeysBecomeVirtualKeys) {
  struct Row { SDL_Keycode key; SDL_Scancode scan; int vk; };
  const Row rows[] = {
      {SDLK_a, SDL_SCANCODE_A, 'A'}, {SDLK_z, SDL_SCANCODE_Z, 'Z'},
      {SDLK_0, SDL_SCANCODE_0, '0'}, {SDLK_9, SDL_SCANCODE_9, '9'},
      {SDLK_F1, SDL_SCANCODE_F1, 0x70}, {SDLK_F9, SDL_SCANCODE_F9, 0x78},
      {SDLK_F12, SDL_SCANCODE_F12, 0x7B}, {SDLK_UP, SDL_SCANCODE_UP, 0x26},
      {SDLK_DOWN, SDL_SCANCODE_DOWN, 0x28}, {SDLK_LEFT, SDL_SCANCODE_LEFT, 0x25},
      {SDLK_RIGHT, SDL_SCANCODE_RIGHT, 0x27}, {SDLK_BACKSPACE, SDL_SCANCODE_BACKSPACE, 8},
      {SDLK_DELETE, SDL_SCANCODE_DELETE, 46}, {SDLK_RETURN, SDL_SCANCODE_RETURN, 13},
      {SDLK_SPACE, SDL_SCANCODE_SPACE, 32}, {SDLK_LSHIFT, SDL_SCANCODE_LSHIFT, 0x10},
      {SDLK_RCTRL, SDL_SCANCODE_RCTRL, 0x11}, {SDLK_EQUALS, SDL_SCANCODE_EQUALS, 187},
      {SDLK_COMMA, SDL_SCANCODE_COMMA, 188}, {SDLK_MINUS, SDL_SCANCODE_MINUS, 189},
      {SDLK_PERIOD, SDL_SCANCODE_PERIOD, 190}, {SDLK_SLASH, SDL_SCANCODE_SLASH, 191},
      {SDLK_LEFTBRACKET, SDL_SCANCODE_LEFTBRACKET, 219}, {SDLK_RIGHTBRACKET, SDL_SCANCODE_RIGHTBRACKET, 221},
      // The numeric pad by position, whatever Num Lock makes of its keycodes.
      {SDLK_KP_0, SDL_SCANCODE_KP_0, 96}, {SDLK_KP_5, SDL_SCANCODE_KP_5, 101},
      {SDLK_HOME, SDL_SCANCODE_KP_7, 103}, {SDLK_KP_9, SDL_SCANCODE_KP_9, 105},
      {SDLK_KP_MULTIPLY, SDL_SCANCODE_KP_MULTIPLY, 106}, {SDLK_KP_PLUS, SDL_SCANCODE_KP_PLUS, 107},
      {SDLK_KP_MINUS, SDL_SCANCODE_KP_MINUS, 109}, {SDLK_KP_PERIOD, SDL_SCANCODE_KP_PERIOD, 110},
      {SDLK_KP_DIVIDE, SDL_SCANCODE_KP_DIVIDE, 111}, {SDLK_KP_ENTER, SDL_SCANCODE_KP_ENTER, 13},
      {SDLK_NUMLOCKCLEAR, SDL_SCANCODE_NUMLOCKCLEAR, 0x90},
      // Keys the handheld has no code for.
      {SDLK_PRINTSCREEN, SDL_SCANCODE_PRINTSCREEN, 0}, {SDLK_LGUI, SDL_SCANCODE_LGUI, 0},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(SDL_GetKeyName(r.key));
    EXPECT_EQ(VirtualKeyOfSdlKey(r.key, r.scan), r.vk);
  }
}

// Keys typed faster than the program reads them: while it handles each key
// message, Shift reads as it was when that key went down.
TEST(SdlKeysTest, KeyStateFollowsTheMessageBeingHandled) {
  ASSERT_TRUE(ResetForTesting());
  std::string error;
  std::unique_ptr<Backend> sdl = testing::OpenDummySdlBackend(&error);
  if (sdl == nullptr) GTEST_SKIP() << "no SDL video: " << error;
  SetBackend(std::move(sdl));
  const WindowHandle w = CreateAppWindow(WindowDesc{u"K", u"T", false, {}},
                                         [](auto...) { return intptr_t{0}; }, nullptr);
  ClearMessages();
  // Shift down, 8 down, Shift up, 8 up: what xdotool types for '*'.
  const struct {
    Uint32 type;
    SDL_Keycode key;
    SDL_Scancode scan;
  } typed[] = {{SDL_KEYDOWN, SDLK_LSHIFT, SDL_SCANCODE_LSHIFT}, {SDL_KEYDOWN, SDLK_8, SDL_SCANCODE_8},
               {SDL_KEYUP, SDLK_LSHIFT, SDL_SCANCODE_LSHIFT}, {SDL_KEYUP, SDLK_8, SDL_SCANCODE_8}};
  for (const auto& t : typed) {
    SDL_Event event{};
    event.type = t.type;
    event.key.keysym.sym = t.key;
    event.key.keysym.scancode = t.scan;
    ASSERT_EQ(SDL_PushEvent(&event), 1);
  }
  std::vector<std::string> seen;
  Message m;
  while (PeekMessage(&m, true)) {
    if (m.id != kMsgKeyDown && m.id != kMsgKeyUp) continue;
    seen.push_back(std::string(m.id == kMsgKeyDown ? "down " : "up ") +
                   std::to_string(m.w_param) +
                   ((GetKeyState(kVkShift) & 0x8000) != 0 ? " shift" : ""));
  }
  EXPECT_EQ(seen, (std::vector<std::string>{"down 16 shift", "down 56 shift", "up 16", "up 56"}));
  DestroyAppWindow(w);
  ResetForTesting();
}

}  // namespace
}  // namespace abacine::platform
