// ImageButton: a button drawn from the shared button picture (frame 0
// normal, 1 lit or pressed, 2 a forced pressed look), with an optional icon
// from the shared icon strip and a caption centred on it. A press can
// toggle a flag the owner binds to it.
#pragma once

#include <cstdint>

#include "ui/widget.h"

namespace abacine {

class ImageButton : public Widget {
 public:
  explicit ImageButton(WidgetState& state);
  ~ImageButton() override;

  // Toggles the bound flag, if any.
  void onPress(const Rect& rect) override;
  // The picture's frame size (unchanged without a picture).
  void updateSize();
  // The frame the picture shows now.
  int32_t pictureFrame() const;
  void draw();

  int32_t iconFrame = -1;  // -1: no icon
  bool forcePressedLook = false;
  bool drawPicture = true;
  WString caption;
  bool* boundFlag = nullptr;  // not owned; its value chooses frame 1 or 0
};

}  // namespace abacine
