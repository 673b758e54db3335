// CalcApp: the calculator on top of the framework. It owns everything the
// user sees: the skin, the keypad's 40 key widgets (20 in use), the input
// box, the answer display and the answer slots, and draws the whole screen
// in drawFrame.
//
// Where each part lives:
//   calc_app.cpp        set-up, skin loading, layout, drawFrame
//   calc_keypad.cpp     layoutKeypad and drawing the keys
//   calc_input.cpp      live evaluation, input editing, hardware keys
//   calc_tap.cpp        the tap dispatch and the parts' rectangles
//   calc_slots.cpp      answers, slots, lock, modes and settings
//   calc_about.cpp      the about screen
//   calc_tutorial.cpp   the tutorial
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "app/app_framework.h"
#include "app/calc_skin.h"
#include "app/screen_layout.h"
#include "app/settings_store.h"
#include "text/wstring.h"
#include "ui/answer_slot.h"
#include "ui/image_button.h"
#include "ui/key_button.h"
#include "ui/label.h"
#include "ui/text_box.h"
#include "ui/widget_state.h"

namespace abacine {

// Screen size classes: every pixel constant is given for the 240 class and
// doubled on the 480 class.
inline constexpr int32_t kSizeClass240 = 240;
inline constexpr int32_t kSizeClass480 = 480;

// True for the large class: a display of 480 x 640 or 640 x 480, the
// height less the shell's top bar `top`.
bool IsLargeScreen(int32_t width, int32_t height, int32_t top);

// The about screen's version: "v" major "." minor, and "." build unless
// the build is 0 ("v1.0").
WString AboutVersionText(int32_t major, int32_t minor, int32_t build);

// The skin archive, looked for beside the program.
inline constexpr char16_t kSkinArchiveName[] = u"windows.vfs";

// The parts of the screen a tap can be aimed at (scripted runs, tests).
enum class ScreenPart {
  kAnswer,          // the answer display right of its left quarter
  kLock,            // its left quarter
  kSlot,            // one answer slot, where its text shows above the keys
  kAboutButton,
  kClearButton,
  kInputEnd,        // the input box after its text
  kHelp,            // the about screen's help button
  kClose,           // the about screen's close button
  kLink,            // the about screen's web address
  kTutorialTarget,  // the tutorial's outlined rectangle
};

class CalcApp : public AppFramework {
 public:
  // The calculator's background, 0x00BBGGRR.
  static constexpr uint32_t kBackgroundColour = 0x00E7E7E7;
  static constexpr int32_t kKeyWidgets = 40;
  static constexpr int32_t kSlotWidgets = 8;
  // Slots handled by the start-up settings load, whatever the screen.
  static constexpr int32_t kStartupSlots = 4;
  static constexpr uint32_t kArrowColour = 0x00000000;
  static constexpr uint32_t kInputTextColour = 0x00000000;
  static constexpr uint32_t kTutorialFrameColour = 0x000000FF;

  explicit CalcApp(const AppConfig& config);
  ~CalcApp() override;

  // --- Framework operations ---------------------------------------------------
  ResultCode createSurfaces(Display* display, uint32_t instance) override;
  // The size class, the settings (first time only), the skin and the
  // layout. A skin archive that cannot be opened, or that holds none of the
  // skin, fails with a message naming the file and where it was looked for.
  ResultCode initSurfaces(Display* display, uint32_t instance) override;
  ResultCode drawFrame(Surface* backBuffer, uint32_t frameFlags) override;
  // Re-checks the screen size (shell mode): a turned screen re-creates the
  // display and lays the calculator out again, keeping the input.
  void onResume() override;
  void onExit() override;
  void onKeyDown(int32_t key, const GameKeyList& keys) override;
  void onStylusDown(int32_t x, int32_t y) override;
  void onStylusUp(int32_t x, int32_t y) override;
  void onStylusMove(int32_t x, int32_t y) override;

  // --- Hooks for products built on the calculator (no-ops here but the tutorial's)
  virtual void reservedHookA() {}
  virtual void beforeLoadSettings() {}
  virtual void reservedHookB() {}
  virtual void beforeDraw() {}
  virtual void onScreenResized(int32_t /*width*/, int32_t /*height*/) {}
  virtual void onKeypadLaidOut(int32_t /*layer*/) {}
  virtual void tutorialNextStep();
  virtual void countdownHook() {}
  // Every frame while the tutorial runs, over the rest of it: the step's
  // message and the target it outlines (updateTutorial, earlier in the
  // frame, has run the step's check).
  virtual void drawTutorial();
  virtual void reservedHookC() {}
  // True when the tap was consumed and the calculator must not see it.
  virtual bool onStylusDownHook(int32_t /*x*/, int32_t /*y*/) { return false; }
  virtual void onStylusMoveHook(int32_t /*x*/, int32_t /*y*/) {}
  virtual void onStylusUpHook(int32_t /*x*/, int32_t /*y*/) {}
  virtual void saveExtraSettings(SettingsStore* /*store*/, SettingsDirection /*direction*/) {}

  // --- Keypad and input line ------------------------------------------------------
  // Fills the 20 keys with the layer's faces for the screen's orientation,
  // enables them (but the wide corner keys when the keypad does not fit),
  // places them and the answer slots, then calls onKeypadLaidOut.
  void layoutKeypad(int32_t layer);
  // The whole input evaluated afresh: the answer display shows the value,
  // or nothing when the text is not a complete expression.
  void evaluateInput();

  // --- Settings ---------------------------------------------------------------------
  // Loads the settings into their fields, or saves the fields, walking one
  // fixed list: the answer mode, the lock, the first-run flag, the angle
  // mode, the input line (at most 200 characters), each slot in use, then
  // saveExtraSettings. Failures are not reported: a load keeps what it
  // cannot read, a save that cannot write is lost (the registry says so
  // once on stderr).
  void SerializeSettings(SettingsDirection direction);

  // --- Product identity and settings location -----------------------------------
  const std::u16string& registryKeyPath() const { return registryKeyPath_; }
  const std::u16string& productName() const { return productName_; }
  const std::u16string& webAddress() const { return webAddress_; }
  // The settings file given on the command line (empty: the default place).
  const std::string& registryFile() const { return registryFile_; }
  void setRegistryFile(std::string path) { registryFile_ = std::move(path); }
  // The skin archive's name: beside the program unless it starts with '/'.
  void setSkinArchive(std::u16string name) { archiveName_ = std::move(name); }

  // --- What the screen shows (tests, scripted runs) ----------------------------
  int32_t sizeClass() const { return vga_ ? kSizeClass480 : kSizeClass240; }
  int32_t screenWidth() const { return screenWidth_; }
  int32_t screenHeight() const { return screenHeight_; }
  bool stylusIsDown() const { return stylusDown_; }
  int32_t stylusX() const { return stylusX_; }
  int32_t stylusY() const { return stylusY_; }
  uint64_t layouts() const { return layouts_; }

  int32_t layer() const { return secondLayer_ ? 1 : 0; }
  int32_t keyCount() const { return keyCount_; }
  int32_t columns() const { return columns_; }
  int32_t deleteKey() const { return deleteKey_[layer()]; }
  const KeyButton& key(int32_t i) const { return *keys_[static_cast<size_t>(i)]; }
  const TextBox& inputBox() const { return *inputBox_; }
  const WString& answerText() const { return answerText_; }
  const AnswerSlot& slot(int32_t i) const { return *slots_[static_cast<size_t>(i)]; }
  // What slot i (from 0) shows in layer 0: its value in short form, or
  // nothing when it is empty or not in use.
  WString slotText(int32_t i) const;
  // The mode switch over slot i in layer 1: "rad", "deg", "grad", then
  // "1.25" or "5/4"; nothing over the fifth slot.
  WString modeText(int32_t i) const;
  bool fractionMode() const { return fractionMode_; }
  bool aboutOpen() const { return aboutOpen_; }
  bool tutorialActive() const { return tutorialActive_; }
  int32_t tutorialStep() const { return tutorialStep_; }
  // Where a part lies now; `index` picks the slot (from 0). Empty when the
  // part has no place yet.
  ScreenRect partRect(ScreenPart part, int32_t index = 0) const;

 protected:
  void setProductIdentity(std::u16string registryKeyPath, std::u16string productName,
                          std::u16string webAddress);

 private:
  // The parts of the calculator still to come are member functions in
  // files of their own; the dispatch, the frame and the program's start and
  // end already call them.

  // --- Answers, slots, lock, modes and settings (calc_slots.cpp) --------------
  // The start-up load: then the loaded lock on the 4 slots, and the
  // first-run flag cleared and saved at once.
  void loadSettings();
  void saveSettings();
  platform::Registry& settingsRegistry();
  void startFirstRunTutorial();
  void storeAnswer();
  void useSlot(int32_t index);
  void toggleLock();
  void selectMode(int32_t index);
  // The slot values (layer 0) or the mode switches (layer 1), over the slot
  // backgrounds drawFrame has drawn.
  void drawSlotTexts();

  // --- About screen (calc_about.cpp) -------------------------------------------
  void toggleAbout();
  void tapAboutScreen(int32_t x, int32_t y);
  void drawAboutScreen();
  ScreenRect aboutPartRect(ScreenPart part) const;
  int32_t aboutTop() const;  // the top of the credits and the close button
  void placeCloseButton();

  // --- Tutorial (calc_tutorial.cpp) ---------------------------------------------
  void toggleTutorial();
  // A tap inside the tutorial's target: true when the tutorial took it,
  // false when it goes on through the normal dispatch.
  bool tapTutorial(int32_t x, int32_t y);
  // Turning the tutorial on: input, answer and slots emptied, the about
  // screen closed, layer 0, decimal answers, radians.
  void resetForTutorial();
  // Turning it off: the settings saved at its start come back.
  void endTutorial();
  void keepTutorialSwitches();
  // The step's check, moving on when it holds.
  void updateTutorial();
  bool tutorialStepDone() const;
  int32_t tutorialKeyToTap() const;
  ScreenRect answerTarget(bool lockSide) const;
  ScreenRect slotTarget(int32_t index) const;

  // --- Screen set-up, drawing and taps -------------------------------------------
  // Decides the size class and places every part for the display's size,
  // loading the skin first when asked or when the class changed; then
  // evaluates the input and lays the keypad out in layer 0.
  ResultCode setUpScreen(bool loadSkin);
  ResultCode loadSkin();
  void drawButtons(Surface* back);
  void drawKeys(Surface* back);
  void drawDeleteArrow(Surface* back, const KeyButton& key);
  void drawInputBox(Surface* back);
  void drawSlots(Surface* back);
  void drawAnswerDisplay(Surface* back);
  void drawTutorialFrame(Surface* back);
  // Keys 0 .. keyCount-1 in order; true when one took the tap.
  bool tapKeys(WidgetPoint p);
  bool tapSlots(WidgetPoint p);
  void clearInput();
  void editInput(int32_t key, const GameKeyList& keys);

  WidgetState widgets_;
  CalcSkin skin_{widgets_};
  std::array<std::unique_ptr<KeyButton>, kKeyWidgets> keys_;
  std::array<std::unique_ptr<AnswerSlot>, kSlotWidgets> slots_;
  std::unique_ptr<TextBox> inputBox_;
  WString answerText_;
  double answerValue_ = 0;  // of the last successful evaluation: what storing keeps
  bool fractionMode_ = false;
  bool showTutorial_ = true;  // until a saved false says the first run is over
  std::unique_ptr<platform::Registry> registry_;
  bool aboutOpen_ = false;
  Label webLink_{widgets_};  // underlined; a tap on it opens nothing
  ImageButton closeButton_{widgets_};
  ScreenRect linkRect_;  // where the web address was last drawn
  bool tutorialActive_ = false;
  int32_t tutorialStep_ = 0;
  ScreenRect tutorialTarget_;

  std::u16string registryKeyPath_;
  std::u16string productName_;
  std::u16string webAddress_;
  std::string registryFile_;
  std::u16string archiveName_ = kSkinArchiveName;
  bool vga_ = false;
  bool skinLoaded_ = false;
  bool settingsLoaded_ = false;
  int32_t screenWidth_ = 0;
  int32_t screenHeight_ = 0;
  ScreenLayout layout_;
  bool secondLayer_ = false;
  int32_t keyCount_ = 0;
  int32_t columns_ = kStartupSlots;
  int32_t deleteKey_[2] = {0, 0};
  bool stylusDown_ = false;
  int32_t stylusX_ = 0;
  int32_t stylusY_ = 0;
  uint64_t layouts_ = 0;
};

}  // namespace abacine
