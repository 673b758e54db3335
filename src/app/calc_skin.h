// The calculator's skin in memory: every image and both fonts of one size
// class, read from the open archive at start-up (and again when the class
// changes). The key images, the text box's background and the close
// button's picture go into the widgets' shared image table, where the
// widgets draw them from; the rest stay here.
#pragma once

#include <cstdint>
#include <memory>

#include "app/screen_layout.h"
#include "ui/sprite.h"
#include "ui/text_font.h"
#include "ui/widget_state.h"

namespace abacine {

class Archive;
class GraphicsContext;

class CalcSkin {
 public:
  explicit CalcSkin(WidgetState& widgets);
  ~CalcSkin();
  CalcSkin(const CalcSkin&) = delete;
  CalcSkin& operator=(const CalcSkin&) = delete;

  // Loads the class's images ("/vga/NAME.png" or "/NAME.bmp") and fonts,
  // replacing what was loaded before. An image that cannot be read stays
  // empty and draws nothing. Returns how many of the images and fonts did
  // load (0: the archive holds none of this skin).
  int32_t load(GraphicsContext* context, Archive* archive, bool vga);
  // Frees every image (the fonts stay until the next load).
  void release();

  // The sizes the screen is laid out from (0 for what did not load).
  ScreenMetrics metrics(int32_t screenWidth, int32_t screenHeight, bool vga, bool fullScreen) const;

  Sprite* textbox() const { return widgets_.imageTable.textBoxBackground.get(); }
  Sprite* keyImage() const { return widgets_.imageTable.keyImages[0].get(); }
  Sprite* closeButton() const { return widgets_.imageTable.buttonPicture.get(); }

  std::unique_ptr<Sprite> header;
  std::unique_ptr<Sprite> lock;
  std::unique_ptr<Sprite> coolblue;
  std::unique_ptr<Sprite> aboutButton;
  std::unique_ptr<Sprite> clearButton;
  std::unique_ptr<Sprite> help;
  TextFont blueFont;  // key labels and the answer
  TextFont font;      // every other text

 private:
  // Where the image of that name is kept; null for a name of no image.
  std::unique_ptr<Sprite>* imageSlot(const char* name);

  WidgetState& widgets_;
};

}  // namespace abacine
