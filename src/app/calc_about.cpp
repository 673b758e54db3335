// CalcApp: the about screen. Not built yet: the about button and the tap
// dispatch call these, and until the screen exists the button does nothing
// (aboutOpen_ never becomes true). Its buttons' places already follow the
// screen's rules, so that scripted runs can aim at them.
#include "app/calc_app.h"

namespace abacine {

void CalcApp::toggleAbout() {}

// Every tap while the about screen is open.
void CalcApp::tapAboutScreen(int32_t /*x*/, int32_t /*y*/) {}

// In place of the keys.
void CalcApp::drawAboutScreen() {}

ScreenRect CalcApp::aboutPartRect(ScreenPart part) const {
  const Sprite* close = skin_.closeButton();
  const Sprite* help = skin_.help.get();
  if (close == nullptr || help == nullptr || !close->loaded() || !help->loaded()) return {};
  // The close button at the right edge of the keypad's first row, the help
  // image two of its heights further down.
  const int32_t top = keys_[0]->y + (6 << (vga_ ? 1 : 0));
  const int32_t left = screenWidth_ - help->frameWidth() - skin_.font.SpaceWidth();
  switch (part) {
    case ScreenPart::kClose:
      return {left, top, left + close->frameWidth(), top + close->height()};
    case ScreenPart::kHelp: {
      const int32_t helpTop = top + 2 * help->height();
      return {left, helpTop, left + help->frameWidth(), helpTop + help->height()};
    }
    default:
      // The web address has no place until the about screen draws it.
      return {};
  }
}

}  // namespace abacine
