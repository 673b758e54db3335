// CalcApp: set-up, skin loading, layout and the frame.
#include "app/calc_app.h"

#include <algorithm>

#include "graphics/archive.h"
#include "platform/device.h"
#include "text/utf.h"

namespace abacine {
namespace {

// The text box's text sits one row above the centre of its field.
constexpr int32_t kInputTextOffsetY = -1;

}  // namespace

bool IsLargeScreen(int32_t width, int32_t height, int32_t top) {
  // The display may be shorter by the shell's top bar.
  const int64_t full = int64_t{height} + top;
  return (width == 480 && full == 640) || (width == 640 && full == 480);
}

CalcApp::CalcApp(const AppConfig& config) : AppFramework(config) {
  for (auto& key : keys_) key = std::make_unique<KeyButton>(widgets_);
  for (auto& slot : slots_) slot = std::make_unique<AnswerSlot>(widgets_);
  inputBox_ = std::make_unique<TextBox>(widgets_);
  inputBox_->labelColour = kInputTextColour;
  // The web address is shown as a link but read as plain text.
  webLink_.underline = true;
  webLink_.markup = false;
}

CalcApp::~CalcApp() {
  // Widgets go before the images and fonts they draw with.
  inputBox_.reset();
  for (auto& key : keys_) key.reset();
  for (auto& slot : slots_) slot.reset();
  skin_.release();
  widgets_.imageTable.releaseImages();
}

void CalcApp::setProductIdentity(std::u16string registryKeyPath, std::u16string productName,
                                 std::u16string webAddress) {
  registryKeyPath_ = std::move(registryKeyPath);
  productName_ = std::move(productName);
  webAddress_ = std::move(webAddress);
}

// ---------------------------------------------------------------------------
// Set-up

ResultCode CalcApp::createSurfaces(Display* /*display*/, uint32_t /*instance*/) { return kOk; }

ResultCode CalcApp::initSurfaces(Display* display, uint32_t /*instance*/) {
  if (display == nullptr || display->Width() <= 0 || display->Height() <= 0) {
    return kErrDisplayNotOpen;
  }
  if (!settingsLoaded_) {
    // Only the first set-up loads: a set-up after lost surfaces or a mode
    // change must not undo what the user did since.
    columns_ = kStartupSlots;
    beforeLoadSettings();
    loadSettings();
    settingsLoaded_ = true;
  }
  return setUpScreen(true);
}

ResultCode CalcApp::loadSkin() {
  const std::string name = ToUtf8(archiveName_);
  std::string path;
  if (ResolveProgramPath(name, &path) != kOk) path = name;
  std::u16string where;
  FromUtf8(path, &where);
  Archive archive;
  const ResultCode opened = archive.OpenArchive(path.c_str());
  if (opened != kOk) {
    const std::u16string text =
        u"Could not open the skin file \"" + archiveName_ + u"\": looked for it at " + where + u".";
    setErrorMessage(text.c_str(), opened);
    return opened;
  }
  const int32_t loaded = skin_.load(graphicsContext(), &archive, vga_);
  archive.CloseArchive();
  if (loaded == 0) {
    // Without any of its images the screen would be a blank that looks
    // like a working program.
    const std::u16string text = u"The skin file \"" + archiveName_ +
                                u"\" holds none of the skin (read from " + where + u").";
    setErrorMessage(text.c_str(), kErrEntryNotFound);
    return kErrEntryNotFound;
  }
  skinLoaded_ = true;
  return kOk;
}

ResultCode CalcApp::setUpScreen(bool loadSkinNow) {
  const Display* d = display();
  screenWidth_ = d->Width();
  screenHeight_ = d->Height();
  const bool vga = IsLargeScreen(screenWidth_, screenHeight_, platform::TheDevice().WorkAreaTop());
  if (loadSkinNow || !skinLoaded_ || vga != vga_) {
    vga_ = vga;
    const ResultCode code = loadSkin();
    if (Failed(code)) return code;
  }
  ++layouts_;

  widgets_.largeScreen = vga_;
  widgets_.currentFont = &skin_.font;
  ImageTable& table = widgets_.imageTable;
  const KeyLabelOffsets offsets = KeyLabelOffsetsFor(vga_);
  table.labelOffsetX = offsets.normal.x;
  table.labelOffsetY = offsets.normal.y;
  table.pressedOffsetX = offsets.pressed.x;
  table.pressedOffsetY = offsets.pressed.y;
  table.textOffsetY = kInputTextOffsetY;

  const bool fullScreen = config().shellMode == 0;
  layout_ = LayOutScreen(skin_.metrics(screenWidth_, screenHeight_, vga_, fullScreen));
  inputBox_->x = layout_.inputBox.left;
  inputBox_->y = layout_.inputBox.top;
  inputBox_->width = layout_.inputBox.Width();

  evaluateInput();
  layoutKeypad(0);
  if (tutorialActive_) keepTutorialSwitches();
  return kOk;
}

void CalcApp::onResume() {
  if (!fitDisplayToScreen()) return;
  const ResultCode code = setUpScreen(false);
  if (Failed(code)) {
    failRun(code);
    return;
  }
  onScreenResized(config().width, config().height);
}

void CalcApp::onExit() { saveSettings(); }

// ---------------------------------------------------------------------------
// The frame, back to front

ResultCode CalcApp::drawFrame(Surface* back, uint32_t /*frameFlags*/) {
  if (back == nullptr) return kErrDisplayNotOpen;
  const ResultCode filled = back->FillArea(nullptr, kBackgroundColour, 0, nullptr);
  widgets_.beginFrame(back);
  skin_.font.SetTarget(back);
  skin_.blueFont.SetTarget(back);
  widgets_.currentFont = &skin_.font;

  beforeDraw();
  if (tutorialActive_) updateTutorial();
  drawButtons(back);
  if (aboutOpen_) {
    drawAboutScreen();
  } else if (!tutorialActive_) {
    drawKeys(back);
  }
  drawInputBox(back);
  drawSlots(back);
  drawAnswerDisplay(back);
  if (tutorialActive_) {
    drawTutorial();
    drawTutorialFrame(back);
  }
  return filled;
}

void CalcApp::drawButtons(Surface* back) {
  if (skin_.aboutButton) {
    skin_.aboutButton->drawAt(back, layout_.aboutButton.x, layout_.aboutButton.y);
  }
  if (skin_.clearButton) {
    skin_.clearButton->drawAt(back, layout_.clearButton.x, layout_.clearButton.y);
  }
}

namespace {

// A background drawn again further right with its left part clipped away:
// on wide screens this carries its right end to the screen's edge.
void DrawStretched(Sprite* sprite, Surface* back, const StretchDraw& stretch, int32_t y) {
  if (sprite == nullptr || stretch.clipLeft <= 0) return;
  const Rect insets = sprite->insets();
  sprite->setInsets(stretch.clipLeft, 0, 0, 0);
  sprite->drawAt(back, stretch.x, y);
  sprite->setInsets(insets.left, insets.top, insets.right, insets.bottom);
}

}  // namespace

void CalcApp::drawInputBox(Surface* back) {
  if (layout_.wide) {
    DrawStretched(skin_.textbox(), back, layout_.textboxStretch, layout_.inputBox.top);
  }
  widgets_.currentFont = &skin_.font;
  inputBox_->draw();
}

void CalcApp::drawSlots(Surface* back) {
  if (skin_.coolblue) {
    for (int32_t i = 0; i < columns_; ++i) {
      skin_.coolblue->drawAt(back, layout_.slotImages[i].x, layout_.slotImages[i].y);
    }
  }
  widgets_.currentFont = &skin_.font;
  drawSlotTexts();
}

void CalcApp::drawAnswerDisplay(Surface* back) {
  Sprite* header = skin_.header.get();
  if (layout_.wide) DrawStretched(header, back, layout_.headerStretch, layout_.header.y);
  if (header != nullptr) header->drawAt(back, layout_.header.x, layout_.header.y);
  skin_.blueFont.DrawString(answerText_, layout_.answerText.x, layout_.answerText.y);
  if (slots_[0]->locked && skin_.lock) skin_.lock->drawAt(back, layout_.lock.x, layout_.lock.y);
}

void CalcApp::drawTutorialFrame(Surface* back) {
  const ScreenRect& t = tutorialTarget_;
  DrawOutline(back, Rect{t.left, t.top, t.right, t.bottom}, kTutorialFrameColour);
  DrawOutline(back, Rect{t.left + 1, t.top + 1, t.right - 1, t.bottom - 1}, kTutorialFrameColour);
}

}  // namespace abacine
