// Command line of abacine-demo.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace abacine::demo {

struct DemoOptions {
  int32_t width = 480;   // screen size as the user holds the device
  int32_t height = 640;
  int scale = 0;         // 0: 2 on the 240-pixel class, 1 on the 480-pixel class
  bool fullscreen = false;
  bool headless = false;
  bool widgets = false;  // the widget gallery instead of the graphics scene
  int64_t frames = -1;   // -1: until closed (headless: 1 frame)
  std::string screenshot;
  bool help = false;
};

// Parses argv[1..]. False with a one-line reason in *error for an unknown
// flag, a missing or bad value.
bool ParseOptions(const std::vector<std::string>& args, DemoOptions* options, std::string* error);

// The --help text.
std::string UsageText();

}  // namespace abacine::demo
