// AbacineApp: the product. A thin final class over the calculator that only
// supplies the product's identity; AbacineConfig fills the configuration the
// program entry hands it.
#pragma once

#include <cstdint>

#include "app/calc_app.h"
#include "app/options.h"

namespace abacine {

inline constexpr char16_t kAbacineRegistryKey[] = u"Software\\Velmora\\Abacine";
inline constexpr char16_t kAbacineProductName[] = u"Abacine";
// Shown on the about screen in the skin font, which has no capitals and no
// colon: hence no scheme.
inline constexpr char16_t kAbacineWebAddress[] = u"www.velmora.example";

class AbacineApp final : public CalcApp {
 public:
  explicit AbacineApp(const AppConfig& config);
  ~AbacineApp() override;
};

// The program's configuration: 30 frames per second, display flags 0x8020,
// display mode 1, a 480 x 640 full-screen size, icon 101, shell mode unless
// the options ask for the full screen.
AppConfig AbacineConfig(uint32_t instance, const ProgramOptions& options);

}  // namespace abacine
