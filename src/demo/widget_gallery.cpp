#include "demo/widget_gallery.h"

#include <algorithm>

#include "demo/paint_util.h"
#include "graphics/bitmap_font.h"
#include "ui/sample_font.h"

namespace abacine::demo {
namespace {

constexpr uint32_t kScreen = 0x00E7E7E7;  // the calculator's background
constexpr uint32_t kKey = 0x00FF00FF;
constexpr uint32_t kCaptionGrey = 0x00606060;
constexpr uint32_t kPanel = 0x00302820;

// A rounded panel: rows shaded from top to bottom inside a one-pixel border;
// the four corner pixels keep what was there (the key colour).
void Panel(Surface& s, const Rect& r, uint32_t top, uint32_t bottom, uint32_t border,
           FirstError& err) {
  const int32_t h = r.bottom - r.top;
  for (int32_t y = r.top + 1; y < r.bottom - 1; ++y) {
    const Rect row{r.left + 1, y, r.right - 1, y + 1};
    err(s.FillArea(&row, Mix(top, bottom, y - r.top, h), 0, nullptr));
  }
  const Rect edges[] = {{r.left + 1, r.top, r.right - 1, r.top + 1},
                        {r.left + 1, r.bottom - 1, r.right - 1, r.bottom},
                        {r.left, r.top + 1, r.left + 1, r.bottom - 1},
                        {r.right - 1, r.top + 1, r.right, r.bottom - 1}};
  for (const Rect& e : edges) err(s.FillArea(&e, border, 0, nullptr));
}

struct Shade {
  uint32_t top, bottom, border;
};

// A strip of frames, each a panel in its own shades, on the key colour.
std::unique_ptr<Sprite> PanelStrip(GraphicsContext* context, int32_t w, int32_t h,
                                   std::initializer_list<Shade> frames, FirstError& err) {
  auto sprite = std::make_unique<Sprite>(context);
  const auto count = static_cast<int32_t>(frames.size());
  err(sprite->create(w * count, h, count));
  sprite->setColourKey(kKey);
  Surface& s = sprite->surface();
  err(s.FillArea(nullptr, kKey, 0, nullptr));
  int32_t left = 0;
  for (const Shade& f : frames) {
    Panel(s, Rect{left, 0, left + w, h}, f.top, f.bottom, f.border, err);
    left += w;
  }
  return sprite;
}

}  // namespace

WidgetGallery::WidgetGallery(GraphicsContext* context) : context_(context) {}

WidgetGallery::~WidgetGallery() = default;

ResultCode WidgetGallery::Build(int32_t width, int32_t height) {
  FirstError err;
  width_ = width;
  height_ = height;
  unit_ = std::min(width, height) >= 480 ? 2 : 1;
  const int32_t u = unit_;
  // Widgets go before the state's images and the fonts they point to.
  tappable_.clear();
  keys_ = {};
  slots_ = {};
  buttons_ = {};
  box_.reset();
  title_.reset(), centred_.reset(), cut_.reset(), markup_.reset(), link_.reset();
  widgets_.reset();
  widgets_.largeScreen = u == 2;

  for (TextFont* f : {&text_, &light_}) {
    auto strip = std::make_unique<BitmapFont>(context_);
    const uint32_t ink = f == &light_ ? 0x00FFFFFF : 0;
    err(MakeSampleFont(strip.get(), u, ink));
    f->Adopt(std::move(strip), ink);
  }

  // Shared images: blue keys (normal, pressed), three button looks, two
  // icons, the text box's background.
  ImageTable& table = widgets_.imageTable;
  table.keyImages[0] =
      PanelStrip(context_, 48 * u, 26 * u,
                 {{0x00D89850, 0x00A0601C, 0x00602A0A}, {0x00904810, 0x00B87038, 0x00401804}}, err);
  table.labelOffsetX = -1;
  table.labelOffsetY = -u;
  table.pressedOffsetX = 2 * u;
  table.pressedOffsetY = 2 * u;
  table.buttonPicture = PanelStrip(context_, 52 * u, 24 * u,
                                   {{0x00A8A8A8, 0x00686868, 0x00383838},
                                    {0x0050C0F8, 0x001880D8, 0x00104880},
                                    {0x00505050, 0x00303030, 0x00202020}},
                                   err);
  table.buttonIcons =
      PanelStrip(context_, 10 * u, 10 * u,
                 {{0x00FFFFFF, 0x00D0D0D0, 0x00FFFFFF}, {0x0060E060, 0x0020A020, 0x00FFFFFF}}, err);
  table.textBoxBackground =
      PanelStrip(context_, 224 * u, 18 * u, {{0x00FFFFFF, 0x00F0F0F0, 0x00909090}}, err);
  slotBackground_ =
      PanelStrip(context_, 52 * u, 24 * u, {{0x00F8ECD8, 0x00E8C8A0, 0x00C09060}}, err);
  tiles_ = PanelStrip(context_, 24 * u, 24 * u,
                      {{0x004040E0, 0x00202090, 0x00101050},
                       {0x0040C040, 0x00208020, 0x00104010},
                       {0x00E08040, 0x00905020, 0x00502810}},
                      err);
  // A darker square in the middle of every tile shows what the insets cut.
  for (int32_t f = 0; f < 3; ++f) {
    const Rect inner{f * 24 * u + 8 * u, 8 * u, f * 24 * u + 16 * u, 16 * u};
    err(tiles_->surface().FillArea(&inner, 0x00FFFFFF, 0, nullptr));
  }

  const char16_t* keyLabels[] = {u"7", u"sin", u"8", u"cos"};
  for (size_t i = 0; i < keys_.size(); ++i) {
    auto key = std::make_unique<KeyButton>(widgets_);
    key->x = (8 + static_cast<int32_t>(i) * 58) * u;
    key->y = 30 * u;
    key->label = keyLabels[i];
    key->insertText = keyLabels[i];
    keys_[i] = std::move(key);
  }
  keys_[1]->pressed = true;
  keys_[2]->enabled = false;
  keys_[3]->usesImage = false;
  keys_[3]->fillColour = 0x00505050;
  keys_[3]->outlineColour = 0x00202020;

  for (size_t i = 0; i < slots_.size(); ++i) {
    auto slot = std::make_unique<AnswerSlot>(widgets_);
    slot->x = (8 + static_cast<int32_t>(i) * 58) * u;
    slot->y = 84 * u + (24 * u - text_.FontHeight()) / 2;
    slot->width = 52 * u;
    slot->height = 24 * u;
    slots_[i] = std::move(slot);
  }
  slots_[0]->occupied = true;
  slots_[0]->value = 42;
  slots_[0]->label = u"42";
  slots_[0]->labelColour = 0;

  const char16_t* captions[] = {u"help", u"on"};
  for (size_t i = 0; i < buttons_.size(); ++i) {
    auto button = std::make_unique<ImageButton>(widgets_);
    button->x = (124 + static_cast<int32_t>(i) * 58) * u;
    button->y = 84 * u;
    button->caption = captions[i];
    button->iconFrame = static_cast<int32_t>(i);
    buttons_[i] = std::move(button);
  }
  buttons_[1]->boundFlag = &buttonLit_;

  box_ = std::make_unique<TextBox>(widgets_);
  box_->x = 8 * u;
  box_->y = 126 * u;
  box_->width = 224 * u;
  box_->labelColour = 0;
  box_->prompt = u"x=";
  box_->insertText(
      u"sin(30)+cos(45)*2^10-ln(2)/"
      u"\u00ED+\u0087(16)-123.5+\u00DC^(1)+tan(60)*log10(1000)-asin(0.5)");

  const auto label = [this](const char16_t* text, int32_t x, int32_t y) {
    auto l = std::make_unique<Label>(widgets_);
    l->label = text;
    l->x = x;
    l->y = y;
    l->labelColour = 0;
    return l;
  };
  title_ = label(u"abacine widget gallery", 0, 4 * u);
  title_->centred = true;
  centred_ = label(u"a centred label", 0, 162 * u);
  centred_->centred = true;
  cut_ = label(u"a label far too long for its width", 8 * u, 174 * u);
  cut_->maxWidth = 110 * u;
  link_ = label(u"abacine.example", 130 * u, 174 * u);
  link_->underline = true;
  markup_ = label(u"[red]tags[/] vanish from an untinted font", 8 * u, 186 * u);

  for (const auto& key : keys_) tappable_.push_back(key.get());
  for (const auto& button : buttons_) tappable_.push_back(button.get());
  tappable_.push_back(box_.get());
  return err.code;
}

void WidgetGallery::Caption(const char16_t* text, int32_t x, int32_t y) {
  light_.DrawString(text, x * unit_, y * unit_, kCaptionGrey);
}

void WidgetGallery::Draw(Surface* back) {
  if (back == nullptr || keys_[0] == nullptr) return;
  widgets_.beginFrame(back);
  text_.SetTarget(back);
  light_.SetTarget(back);
  back->FillArea(nullptr, kScreen, 0, nullptr);
  widgets_.currentFont = &text_;
  title_->draw();
  DrawKeys();
  DrawSlotsAndButtons();
  Caption(u"text box: prompt, scrolled text, caret", 8, 116);
  widgets_.currentFont = &text_;
  box_->draw();
  DrawLabels();
  DrawSprites();
}

void WidgetGallery::DrawKeys() {
  const int32_t u = unit_;
  Caption(u"keys", 8, 20);
  widgets_.currentFont = &light_;  // white labels, as on the calculator's keys
  // The second key shows how a key looks while the stylus holds it.
  const bool stylus = widgets_.stylusDown;
  for (size_t i = 0; i < keys_.size(); ++i) {
    widgets_.stylusDown = stylus || i == 1;
    keys_[i]->draw();
  }
  widgets_.stylusDown = stylus;
  keys_[1]->pressed = true;
  // A disabled key draws nothing; a faint frame marks its place.
  const Rect place{keys_[2]->x, keys_[2]->y, keys_[2]->x + 48 * u, keys_[2]->y + 26 * u};
  DrawOutline(widgets_.drawTarget, place, 0x00C0C0C0);
  const char16_t* names[] = {u"normal", u"pressed", u"disabled", u"no image"};
  for (size_t i = 0; i < keys_.size(); ++i) Caption(names[i], 8 + static_cast<int32_t>(i) * 58, 60);
}

void WidgetGallery::DrawSlotsAndButtons() {
  Caption(u"answer slots, image buttons", 8, 74);
  widgets_.currentFont = &text_;
  for (const auto& slot : slots_) {
    slotBackground_->drawAt(widgets_.drawTarget, slot->x, 84 * unit_);
    slot->draw();
  }
  widgets_.currentFont = &light_;
  for (const auto& button : buttons_) button->draw();
}

void WidgetGallery::DrawLabels() {
  const int32_t u = unit_;
  Caption(u"labels: centred, cut, link, markup", 8, 152);
  widgets_.currentFont = &text_;
  centred_->draw();
  cut_->draw();
  link_->draw();
  markup_->draw();
  TextStyle brackets;
  brackets.bracketColours = true;
  text_.DrawMarkup(u"bracket colours: ((1+2)*(3-(4)))^2", 8 * u, 198 * u, brackets);
  // A tinted (white) font takes the tag colours; it needs a dark ground.
  const Rect panel{4 * u, 210 * u, 236 * u, 238 * u};
  widgets_.drawTarget->FillArea(&panel, kPanel, 0, nullptr);
  TextStyle tinted = brackets;
  tinted.rightMargin = width_ - 232 * u;
  light_.DrawMarkup(
      u"[green]green [yellow]yellow [red]red[/] [magenta]magenta[/] [white]white[/]\n"
      u"[gray]grey[/] [lightgray]light grey[/] and ((1)(2)(3))",
      8 * u, 212 * u, tinted);
}

void WidgetGallery::DrawSprites() {
  const int32_t u = unit_;
  Surface* t = widgets_.drawTarget;
  // Below the labels on upright screens; on wide ones a column at the right.
  const bool wide = width_ > height_;
  const int32_t left = wide ? 252 : 8, top = wide ? 20 : 244;
  Caption(wide ? u"sprites" : u"sprites: frames, insets, half opacity", left, top);
  const auto place = [&](int32_t i, int32_t* x, int32_t* y) {
    *x = (wide ? left : left + 36 * i) * u;
    *y = (wide ? top + 12 + 32 * i : top + 12) * u;
  };
  int32_t x = 0, y = 0;
  for (int32_t f = 0; f < 3; ++f) {
    place(f, &x, &y);
    tiles_->setFrame(f);
    tiles_->drawAt(t, x, y);
  }
  place(3, &x, &y);
  tiles_->setFrame(1);
  tiles_->setInsets(4 * u, 4 * u, 8 * u, 2 * u);
  tiles_->drawAt(t, x, y);
  tiles_->setInsets(0, 0, 0, 0);
  // Stripes behind the half-transparent tile show through it.
  place(4, &x, &y);
  for (int32_t k = 0; k < 6; ++k) {
    const Rect stripe{x + (5 * k - 2) * u, y - 2 * u, x + 5 * k * u, y + 26 * u};
    t->FillArea(&stripe, 0x00202020, 0, nullptr);
  }
  tiles_->setFrame(2);
  tiles_->opacity = 50;
  tiles_->drawAt(t, x, y);
  tiles_->opacity = 100;
}

void WidgetGallery::StylusDown(int32_t x, int32_t y) {
  widgets_.stylusPressed(x, y);
  for (Widget* w : tappable_) w->press(WidgetPoint{x, y});
}

void WidgetGallery::StylusUp(int32_t x, int32_t y) {
  widgets_.stylusReleased(x, y);
  for (Widget* w : tappable_) w->release(WidgetPoint{x, y});
}

}  // namespace abacine::demo
