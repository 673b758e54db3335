// The widgets' shared state: the surface they draw into, the font of their
// text, the stylus, the images they share and the focused text box. The
// application owns exactly one and hands it to every widget it makes (tests
// make their own); it must outlive those widgets. Single-threaded: touched
// only from the frame loop.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>

#include "graphics/surface.h"

namespace abacine {

class Sprite;
class TextBox;
class TextFont;

struct WidgetPoint {
  int32_t x = 0;
  int32_t y = 0;
};

// The shared images and offsets. Image entries own their sprites: setting
// one frees the sprite held there before. (The draw target, entry 6 of the
// table on the handheld, is WidgetState::drawTarget.)
struct ImageTable {
  std::unique_ptr<Sprite> keyImages[2];  // entries 0 and 1: frame 0 normal, 1 pressed
  int32_t labelOffsetX = 0;              // entries 2 to 5: where key labels sit,
  int32_t labelOffsetY = 0;              // and how far they move while pressed
  int32_t pressedOffsetX = 0;
  int32_t pressedOffsetY = 0;
  std::unique_ptr<Sprite> buttonPicture;      // entry 7
  std::unique_ptr<Sprite> buttonIcons;        // entry 8
  std::unique_ptr<Sprite> textBoxBackground;  // entry 10
  TextBox* focusedBox = nullptr;              // entry 11
  int32_t textOffsetY = 0;                    // entry 12: text-box text offset

  ImageTable();
  ~ImageTable();
  ImageTable(ImageTable&&) noexcept;
  ImageTable& operator=(ImageTable&&) noexcept;
  // Frees every image (the skin is released); offsets and focus stay.
  void releaseImages();
};

struct WidgetState {
  WidgetState();
  ~WidgetState();
  WidgetState(const WidgetState&) = delete;
  WidgetState& operator=(const WidgetState&) = delete;

  Surface* drawTarget = nullptr;
  TextFont* currentFont = nullptr;
  bool stylusDown = false;
  WidgetPoint lastTap;
  ImageTable imageTable;
  bool largeScreen = false;
  // With a capture rectangle only points inside it reach widgets; without
  // one, blocked input reaches none.
  std::optional<Rect> capture;
  bool inputBlocked = false;

  // The target of this frame's drawing. Its clip becomes the whole surface,
  // so that text and images crossing its edges are cut rather than refused.
  void beginFrame(Surface* target);
  void stylusPressed(int32_t x, int32_t y);
  void stylusReleased(int32_t x, int32_t y);
  // Back to the state of a new object (images freed, no focus).
  void reset();
};

}  // namespace abacine
