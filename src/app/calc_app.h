// CalcApp: the calculator on top of the framework. It owns everything the
// user sees and draws it in drawFrame. For now the screen is the empty
// calculator (its background only); the skin, keypad, answers, slots,
// settings and tutorial join through the hooks below.
#pragma once

#include <cstdint>
#include <string>

#include "app/app_framework.h"
#include "app/settings_store.h"

namespace abacine {

// Screen size classes: every pixel constant is given for the 240 class and
// doubled on the 480 class.
inline constexpr int32_t kSizeClass240 = 240;
inline constexpr int32_t kSizeClass480 = 480;

// True for the large class: a display of 480 x 640 or 640 x 480, the
// height less the shell's top bar `top`.
bool IsLargeScreen(int32_t width, int32_t height, int32_t top);

class CalcApp : public AppFramework {
 public:
  // The calculator's background, 0x00BBGGRR.
  static constexpr uint32_t kBackgroundColour = 0x00E7E7E7;

  explicit CalcApp(const AppConfig& config);
  ~CalcApp() override;

  // --- Framework operations ---------------------------------------------------
  ResultCode createSurfaces(Display* display, uint32_t instance) override;
  ResultCode initSurfaces(Display* display, uint32_t instance) override;
  ResultCode drawFrame(Surface* backBuffer, uint32_t frameFlags) override;
  // Re-checks the screen size (shell mode): a turned screen re-creates the
  // display and lays the calculator out again.
  void onResume() override;
  void onExit() override;
  void onKeyDown(int32_t key, const GameKeyList& keys) override;
  void onStylusDown(int32_t x, int32_t y) override;
  void onStylusUp(int32_t x, int32_t y) override;
  void onStylusMove(int32_t x, int32_t y) override;

  // --- Hooks for products built on the calculator (all no-ops here) -----------
  virtual void reservedHookA() {}
  virtual void beforeLoadSettings() {}
  virtual void reservedHookB() {}
  virtual void beforeDraw() {}
  virtual void onScreenResized(int32_t /*width*/, int32_t /*height*/) {}
  virtual void onKeypadLaidOut(int32_t /*layer*/) {}
  virtual void tutorialNextStep() {}
  virtual void countdownHook() {}
  virtual void drawTutorial() {}
  virtual void reservedHookC() {}
  // True when the tap was consumed and the calculator must not see it.
  virtual bool onStylusDownHook(int32_t /*x*/, int32_t /*y*/) { return false; }
  virtual void onStylusMoveHook(int32_t /*x*/, int32_t /*y*/) {}
  virtual void onStylusUpHook(int32_t /*x*/, int32_t /*y*/) {}
  virtual void saveExtraSettings(SettingsStore* /*store*/, SettingsDirection /*direction*/) {}

  // --- Product identity and settings location -----------------------------------
  const std::u16string& registryKeyPath() const { return registryKeyPath_; }
  const std::u16string& productName() const { return productName_; }
  const std::u16string& webAddress() const { return webAddress_; }
  // The settings file given on the command line (empty: the default place).
  const std::string& registryFile() const { return registryFile_; }
  void setRegistryFile(std::string path) { registryFile_ = std::move(path); }

  // --- Screen state ---------------------------------------------------------------
  int32_t sizeClass() const { return sizeClass_; }
  int32_t screenWidth() const { return screenWidth_; }
  int32_t screenHeight() const { return screenHeight_; }
  bool stylusIsDown() const { return stylusDown_; }
  int32_t stylusX() const { return stylusX_; }
  int32_t stylusY() const { return stylusY_; }
  uint64_t layouts() const { return layouts_; }

 protected:
  void setProductIdentity(std::u16string registryKeyPath, std::u16string productName,
                          std::u16string webAddress);
  // Lays the calculator screen out for the display's current size.
  void layOutScreen();

 private:
  std::u16string registryKeyPath_;
  std::u16string productName_;
  std::u16string webAddress_;
  std::string registryFile_;
  int32_t sizeClass_ = kSizeClass480;
  int32_t screenWidth_ = 0;
  int32_t screenHeight_ = 0;
  bool stylusDown_ = false;
  int32_t stylusX_ = 0;
  int32_t stylusY_ = 0;
  uint64_t layouts_ = 0;
};

}  // namespace abacine
