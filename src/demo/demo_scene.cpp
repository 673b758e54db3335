#include "demo/demo_scene.h"

#include <algorithm>
#include <cstdlib>

#include "demo/paint_util.h"
#include "graphics/bitmap_font.h"

namespace abacine::demo {
namespace {

// Colours are 0x00BBGGRR.
constexpr uint32_t Rgb(uint32_t r, uint32_t g, uint32_t b) { return r | (g << 8) | (b << 16); }
constexpr uint32_t kKey = Rgb(255, 0, 255);

// A 0..period..0 triangle wave.
int32_t Triangle(int64_t t, int32_t period) {
  const int64_t m = t % (2 * int64_t{period});
  return static_cast<int32_t>(m < period ? m : 2 * period - m);
}

// The long text when it fits the width, else the short one.
const char16_t* Fit(const BitmapFont* font, const char16_t* wide, const char16_t* narrow,
                    int32_t width) {
  int32_t measured = 0;
  if (font != nullptr && font->MeasureText(wide, &measured) == kOk && measured <= width) {
    return wide;
  }
  return narrow;
}

}  // namespace

DemoScene::DemoScene(GraphicsContext* context) : context_(context) {}

ResultCode DemoScene::Build() {
  FirstError err;
  const DisplayState* state = context_->State();
  const bool turned = state->current_orientation == kOrientationQuarter ||
                      state->current_orientation == kOrientationThreeQuarter;
  const int32_t w = turned ? state->properties.height : state->properties.width;
  const int32_t h = w == state->properties.width ? state->properties.height
                                                 : state->properties.width;
  unit_ = std::max(1, std::min(w, h) / 240);
  err(MakeGem(24 * unit_));
  err(MakeCard(72 * unit_, 44 * unit_));
  err(MakeLabel(&title_, u"ABACINE", true, Rgb(255, 200, 60)));
  err(MakeLabel(&sample_, u"sin(30)+2^10 = 1024.5", false, Rgb(120, 255, 200)));
  return err.code;
}

ResultCode DemoScene::MakeGem(int32_t s) {
  FirstError err;
  gem_ = std::make_unique<Surface>(context_);
  err(gem_->Create(kSurfaceSystemMemory, s, s));
  gem_->SetKeyColour(kKey);
  err(gem_->FillArea(nullptr, kKey, 0, nullptr));
  const int32_t c = s / 2;
  for (int32_t r = 0; r < s; ++r) {
    const int32_t half = c - std::abs(r - c);
    if (half <= 0) continue;
    const uint32_t colour = Mix(Rgb(200, 255, 255), Rgb(0, 90, 170), r, s);
    err(gem_->PlotLine(c - half, r, std::min(s - 1, c + half), r, colour, 0));
  }
  // Facets.
  err(gem_->PlotLine(c, 1, c, s - 2, Rgb(255, 255, 255), 0));
  err(gem_->PlotLine(c - c / 2, c, c + c / 2, c, Rgb(120, 220, 255), 0));
  return err.code;
}

ResultCode DemoScene::MakeCard(int32_t w, int32_t h) {
  FirstError err;
  card_ = std::make_unique<Surface>(context_);
  err(card_->Create(kSurfaceSystemMemory, w, h));
  card_->SetKeyColour(kKey);
  err(card_->FillArea(nullptr, Rgb(250, 200, 40), 0, nullptr));
  const Rect inner{2, 2, w - 2, h - 2};
  err(card_->FillArea(&inner, Rgb(40, 30, 90), 0, nullptr));
  // Cut the corners with the key colour so that the rotated card is rounded.
  for (int32_t i = 0; i < 3 * unit_; ++i) {
    const int32_t n = 3 * unit_ - i;
    err(card_->PlotLine(0, i, n - 1, i, kKey, 0));
    err(card_->PlotLine(w - n, i, w - 1, i, kKey, 0));
    err(card_->PlotLine(0, h - 1 - i, n - 1, h - 1 - i, kKey, 0));
    err(card_->PlotLine(w - n, h - 1 - i, w - 1, h - 1 - i, kKey, 0));
  }
  err(DrawText(card_.get(), w / 2, h / 2 - 8 * unit_, u"ABACINE", context_->BuiltinFontLarge(),
               kTextCentre, 0, nullptr));
  Effects tint;
  tint.scale_or_colour = Rgb(255, 210, 80);
  err(DrawText(card_.get(), w / 2, h / 2 + 6 * unit_, u"rotate + zoom", context_->BuiltinFont(),
               kTextCentre, kBlitMultiply, &tint));
  return err.code;
}

ResultCode DemoScene::MakeLabel(std::unique_ptr<Surface>* out, const char16_t* text, bool large,
                                uint32_t tint) {
  FirstError err;
  BitmapFont* font = large ? context_->BuiltinFontLarge() : context_->BuiltinFont();
  int32_t width = 0;
  err(font->MeasureText(text, &width));
  *out = std::make_unique<Surface>(context_);
  Surface& s = **out;
  err(s.Create(kSurfaceSystemMemory, std::max(width, 1) + 2, font->GlyphHeight() + 2));
  s.SetKeyColour(kKey);
  err(s.FillArea(nullptr, kKey, 0, nullptr));
  Effects colour;
  colour.scale_or_colour = tint;
  err(DrawText(&s, 1, 1, text, font, 0, kBlitMultiply, &colour));
  return err.code;
}

void DemoScene::PlaceGem(int32_t x, int32_t y) {
  gemX_ = x;
  gemY_ = y;
}

void DemoScene::MoveGem(int32_t dx, int32_t dy) {
  if (gemX_ < 0) return;
  gemX_ += dx * 4 * unit_;
  gemY_ += dy * 4 * unit_;
}

ResultCode DemoScene::Draw(Surface* back, int64_t frame, const std::u16string& status) {
  FirstError err;
  if (back == nullptr) return kErrInvalidArg;
  const int32_t W = back->Width();
  const int32_t H = back->Height();
  const int32_t u = unit_;
  BitmapFont* font = context_->BuiltinFont();
  BitmapFont* large = context_->BuiltinFontLarge();
  // Clip to the buffer, so that sprites partly off the edge still draw.
  err(back->SetClipRect(nullptr));

  // Background: a vertical gradient in bands.
  constexpr int32_t kBands = 24;
  for (int32_t i = 0; i < kBands; ++i) {
    const Rect band{0, H * i / kBands, W, H * (i + 1) / kBands};
    err(back->FillArea(&band, Mix(Rgb(10, 16, 48), Rgb(8, 70, 90), i, kBands - 1), 0, nullptr));
  }

  // Title: built-in font text zoomed without smoothing.
  int32_t y = 3 * u;
  if (title_ != nullptr) {
    const int32_t zoom = 300 * u;
    const int32_t h = title_->Height() * zoom / 100;
    const Rect dest{0, y, W, y + h};
    Effects big;
    big.scale_or_colour = static_cast<uint32_t>(zoom);
    err(back->BlitTransformed(&dest, title_.get(), nullptr, kBlitColourKey | kBlitZoom, &big));
    y += h + 2 * u;
  }
  err(DrawText(back, W / 2, y,
               Fit(font, u"fills - lines - keyed, tinted and rotated blits - text",
                   u"fills, lines, blits, text", W - 4 * u),
               font, kTextCentre, 0, nullptr));
  y += 10 * u;

  const int32_t panel = (W - 24 * u) / 2;
  const int32_t panelH = std::min(panel, H * 26 / 100);
  const int32_t top = y;

  // Fills: opaque, half and weighted opacity over each other.
  {
    const int32_t x0 = 8 * u;
    const Rect frameRect{x0 - 1, top - 1, x0 + panel + 1, top + panelH + 1};
    err(back->FillArea(&frameRect, Rgb(90, 110, 140), 0, nullptr));
    const Rect inside{x0, top, x0 + panel, top + panelH};
    err(back->FillArea(&inside, Rgb(20, 24, 36), 0, nullptr));
    const int32_t s = panelH * 11 / 20;
    const int32_t wobble = Triangle(frame, 20 * u) - 10 * u;
    const Rect red{x0 + 6 * u, top + 6 * u, x0 + 6 * u + s, top + 6 * u + s};
    const Rect green{x0 + panel / 2 - s / 2 + wobble, top + panelH - s - 6 * u,
                     x0 + panel / 2 + s / 2 + wobble, top + panelH - 6 * u};
    const Rect blue{x0 + panel - s - 6 * u, top + 6 * u, x0 + panel - 6 * u, top + 6 * u + s};
    const uint32_t half = 128, light = 72;
    err(back->FillArea(&red, Rgb(230, 40, 40), 0, nullptr));
    err(back->FillArea(&blue, Rgb(40, 90, 240), kFillOpacity, &half));
    err(back->FillArea(&green, Rgb(40, 230, 90), kFillOpacity, &half));
    const Rect veil{x0 + 3 * u, top + panelH / 2 - 5 * u, x0 + panel - 3 * u,
                    top + panelH / 2 + 5 * u};
    err(back->FillArea(&veil, Rgb(255, 255, 255), kFillOpacity, &light));
    err(DrawText(back, x0 + panel / 2, top + panelH + 4 * u,
                 Fit(font, u"FillArea: 255, 128, 72", u"FillArea", panel), font, kTextCentre, 0,
                 nullptr));
  }

  // Lines: an anti-aliased fan and plain Bresenham lines.
  {
    const int32_t x0 = W - 8 * u - panel;
    const Rect frameRect{x0 - 1, top - 1, x0 + panel + 1, top + panelH + 1};
    err(back->FillArea(&frameRect, Rgb(90, 110, 140), 0, nullptr));
    const Rect inside{x0, top, x0 + panel, top + panelH};
    err(back->FillArea(&inside, Rgb(20, 24, 36), 0, nullptr));
    const int32_t ox = x0 + 2 * u, oy = top + panelH - 3 * u;
    const int32_t sweep = Triangle(frame, 24) * (panelH / 3) / 24;
    for (int32_t i = 0; i <= 12; ++i) {
      const int32_t ex = x0 + 2 * u + (panel - 4 * u) * i / 12;
      const uint32_t colour = Mix(Rgb(255, 240, 120), Rgb(255, 90, 200), i, 12);
      err(back->PlotLine(ox, oy, ex, top + 2 * u + sweep, colour, kLineAntiAliased));
    }
    for (int32_t i = 0; i < 4; ++i) {
      err(back->PlotLine(x0 + panel - 2 * u, top + 2 * u + i * 6 * u, x0 + panel / 2,
                         top + panelH - 2 * u, Rgb(120, 255, 160), 0));
    }
    err(DrawText(back, x0 + panel / 2, top + panelH + 4 * u,
                 Fit(font, u"PlotLine: smooth and plain", u"PlotLine", panel), font, kTextCentre,
                 0, nullptr));
  }
  y = top + panelH + 16 * u;

  // Colour-keyed blits: plain, multiplied and screened.
  if (gem_ != nullptr) {
    const int32_t g = gem_->Width();
    const int32_t gap = (W - 3 * g) / 4;
    Effects orange;
    orange.scale_or_colour = Rgb(255, 150, 40);
    Effects dusk;
    dusk.scale_or_colour = Rgb(90, 0, 120);
    const int32_t bob = Triangle(frame, 6 * u) - 3 * u;
    err(back->BlitAt(gap, y + 3 * u + bob, gem_.get(), nullptr, kBlitColourKey, nullptr));
    err(back->BlitAt(2 * gap + g, y + 3 * u - bob, gem_.get(), nullptr,
                     kBlitColourKey | kBlitMultiply, &orange));
    err(back->BlitAt(3 * gap + 2 * g, y + 3 * u + bob, gem_.get(), nullptr,
                     kBlitColourKey | kBlitScreen, &dusk));
    y += g + 9 * u;
    err(DrawText(back, W / 2, y,
                 Fit(font, u"BlitAt: key, key + multiply, key + screen",
                     u"BlitAt: key, multiply, screen", W - 4 * u),
                 font, kTextCentre, 0, nullptr));
    y += 12 * u;
  }

  // Text: both built-in fonts, tinted, and zoomed.
  {
    const int32_t line = 9 * u;
    Effects cyan;
    cyan.scale_or_colour = Rgb(140, 230, 255);
    err(DrawText(back, W / 2, y, u"ABCDEFGHIJKLMNOPQRSTUVWXYZ 0123456789", large, kTextCentre, 0,
                 nullptr));
    y += line;
    err(DrawText(back, W / 2, y, u"+-*/=()<>[]!?.,:;'#$%&@^_", font, kTextCentre, kBlitMultiply,
                 &cyan));
    y += line;
    if (sample_ != nullptr) {
      const int32_t zoom = 200 * u;
      const int32_t h = sample_->Height() * zoom / 100;
      const Rect dest{0, y, W, y + h};
      Effects big;
      big.scale_or_colour = static_cast<uint32_t>(zoom);
      err(back->BlitTransformed(&dest, sample_.get(), nullptr, kBlitColourKey | kBlitZoom, &big));
      y += h + 4 * u;
    }
  }

  // Rotated and zoomed, colour-keyed and translucent, in the space left.
  const int32_t statusTop = H - 12 * u;
  if (card_ != nullptr && statusTop - y >= 24 * u) {
    const Rect area{0, y, W, statusTop - 2 * u};
    const int32_t areaH = area.bottom - area.top;
    const int32_t diagonal = (card_->Width() * 3 + card_->Height()) / 3 + 1;  // about the diagonal
    const int32_t fit = std::max(10, std::min(areaH, W) * 100 / diagonal);
    Effects spin;
    spin.opacity = 230;
    spin.angle = static_cast<int32_t>((frame * 300) % 36000);
    spin.scale_or_colour = static_cast<uint32_t>(fit * (70 + Triangle(frame, 30)) / 100);
    err(back->BlitTransformed(&area, card_.get(), nullptr, 0x0305, &spin));
  }

  // The gem the user moves.
  if (gem_ != nullptr && gemX_ >= 0) {
    err(back->BlitAt(gemX_ - gem_->Width() / 2, gemY_ - gem_->Height() / 2, gem_.get(), nullptr,
                     kBlitColourKey, nullptr));
  }

  // Status line.
  const Rect bar{0, statusTop, W, H};
  const uint32_t shade = 160;
  err(back->FillArea(&bar, Rgb(0, 0, 0), kFillOpacity, &shade));
  err(DrawText(back, 4 * u, statusTop + 3 * u, status.c_str(), font, 0, 0, nullptr));
  return err.code;
}

}  // namespace abacine::demo
