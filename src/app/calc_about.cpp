// CalcApp: the about screen, drawn in place of the keys: the credits, the
// web address, the version, and the help and close buttons. Any tap but
// those two closes it again.
#include "app/calc_app.h"

#ifndef ABACINE_VERSION_MAJOR
#define ABACINE_VERSION_MAJOR 0
#define ABACINE_VERSION_MINOR 0
#define ABACINE_VERSION_PATCH 0
#endif

namespace abacine {
namespace {

// Under the product name; the skin fonts have lower-case letters only, and
// the layout lowers capitals. Kept to four lines: the web address goes two
// font heights below the last one, and the wide small screen has no room
// for more.
constexpr char16_t kCreditsLines[] =
    u"A scientific calculator\n"
    u"(c) 2026 Velmora\n"
    u"All rights reserved.";

}  // namespace

WString AboutVersionText(int32_t major, int32_t minor, int32_t build) {
  WString text(u"v");
  text.AppendInt(major).Append(u'.').AppendInt(minor);
  if (build != 0) text.Append(u'.').AppendInt(build);
  return text;
}

void CalcApp::toggleAbout() { aboutOpen_ = !aboutOpen_; }

// Every tap while the about screen is open. The web address is no link to
// follow: a tap there closes the screen like any other.
void CalcApp::tapAboutScreen(int32_t x, int32_t y) {
  const WidgetPoint p{x, y};
  if (!tutorialActive_) {
    const ScreenRect help = aboutPartRect(ScreenPart::kHelp);
    if (RectHolds(Rect{help.left, help.top, help.right, help.bottom}, p)) {
      // Starting the tutorial closes the about screen.
      toggleTutorial();
      return;
    }
    placeCloseButton();
    if (closeButton_.press(p)) {
      requestQuit();
      return;
    }
  }
  aboutOpen_ = false;
}

void CalcApp::placeCloseButton() {
  const ScreenRect close = aboutPartRect(ScreenPart::kClose);
  closeButton_.x = close.left;
  closeButton_.y = close.top;
  closeButton_.updateSize();
  // Without its picture it has no size and takes no tap.
  closeButton_.visible = close.Width() > 0;
}

// In place of the keys.
void CalcApp::drawAboutScreen() {
  TextFont& font = skin_.font;
  widgets_.currentFont = &font;
  const int32_t vga = vga_ ? 1 : 0;
  const int32_t fh = font.FontHeight();
  const int32_t left = 20 << vga;
  const int32_t top = aboutTop();
  const ScreenRect close = aboutPartRect(ScreenPart::kClose);

  TextStyle style;
  style.lineGap = fh / 4;
  style.lowerCase = true;
  // Long lines wrap before the buttons instead of running under them.
  if (close.Width() > 0) style.rightMargin = screenWidth_ - close.left + font.SpaceWidth();
  WString credits(productName_.c_str());
  credits.Append(u'\n').Append(kCreditsLines);
  const int32_t lines = font.DrawMarkup(credits, left, top, style);

  webLink_.label = WString(webAddress_.c_str());
  webLink_.x = left;
  webLink_.y = top + fh * (lines + 2);
  webLink_.draw();
  const Rect link = webLink_.textRect();
  linkRect_ = {link.left, link.top, link.right, link.bottom};

  if (!tutorialActive_) {
    placeCloseButton();
    closeButton_.draw();
    const ScreenRect help = aboutPartRect(ScreenPart::kHelp);
    if (skin_.help) skin_.help->drawAt(widgets_.drawTarget, help.left, help.top);
  }

  const WString version =
      AboutVersionText(ABACINE_VERSION_MAJOR, ABACINE_VERSION_MINOR, ABACINE_VERSION_PATCH);
  font.DrawString(version, screenWidth_ / 2 - font.TextWidth(version) / 2,
                  screenHeight_ - fh / 2 - fh);
}

int32_t CalcApp::aboutTop() const { return keys_[0]->y + (6 << (vga_ ? 1 : 0)); }

ScreenRect CalcApp::aboutPartRect(ScreenPart part) const {
  if (part == ScreenPart::kLink) return aboutOpen_ ? linkRect_ : ScreenRect{};
  if (part != ScreenPart::kClose && part != ScreenPart::kHelp) return {};
  const Sprite* close = skin_.closeButton();
  const Sprite* help = skin_.help.get();
  if (close == nullptr || help == nullptr || !close->loaded() || !help->loaded()) return {};
  // The close button at the right edge of the keypad's first row, the help
  // image two of its heights further down.
  const int32_t top = aboutTop();
  const int32_t left = screenWidth_ - help->frameWidth() - skin_.font.SpaceWidth();
  if (part == ScreenPart::kClose) {
    return {left, top, left + close->frameWidth(), top + close->height()};
  }
  const int32_t helpTop = top + 2 * help->height();
  return {left, helpTop, left + help->frameWidth(), helpTop + help->height()};
}

}  // namespace abacine
