#include "demo/demo_options.h"

#include <charconv>

namespace abacine::demo {
namespace {

bool ParseInt(const std::string& text, int64_t low, int64_t high, int64_t* out) {
  int64_t value = 0;
  const char* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, value);
  if (ec != std::errc() || ptr != end || value < low || value > high) return false;
  *out = value;
  return true;
}

bool ParseScreen(const std::string& text, int32_t* w, int32_t* h) {
  static constexpr struct {
    const char* name;
    int32_t w, h;
  } kScreens[] = {{"240x320", 240, 320}, {"320x240", 320, 240}, {"480x640", 480, 640},
                  {"640x480", 640, 480}};
  for (const auto& s : kScreens) {
    if (text == s.name) {
      *w = s.w;
      *h = s.h;
      return true;
    }
  }
  return false;
}

}  // namespace

std::string UsageText() {
  return "Usage: abacine-demo [options]\n"
         "Draws the graphics layer's operations every frame in the simulated handheld.\n"
         "\n"
         "  --screen WxH        screen size: 240x320, 320x240, 480x640 (default), 640x480\n"
         "  --scale N           window pixels per screen pixel, 1-8\n"
         "                      (default 2 for 240x320 and 320x240, else 1)\n"
         "  --fullscreen        open the display full screen through the Game API\n"
         "                      library (gx.so beside the program) instead of windowed\n"
         "  --headless          no window; runs 1 frame unless --frames says otherwise\n"
         "  --widgets           show the widget gallery instead of the graphics scene\n"
         "  --frames N          quit after N frames\n"
         "  --screenshot FILE   write the screen as shown to FILE (PNG) at exit\n"
         "  --help              show this text\n"
         "\n"
         "Keys: arrows move the gem, a tap or click places it, F8 turns the device a\n"
         "quarter, Escape or closing the window quits. In the widget gallery a tap\n"
         "presses keys and buttons and places the text box's cursor.\n";
}

bool ParseOptions(const std::vector<std::string>& args, DemoOptions* options, std::string* error) {
  for (size_t i = 0; i < args.size(); ++i) {
    std::string flag = args[i];
    std::string value;
    bool inlineValue = false;
    if (const size_t eq = flag.find('='); flag.rfind("--", 0) == 0 && eq != std::string::npos) {
      value = flag.substr(eq + 1);
      flag = flag.substr(0, eq);
      inlineValue = true;
    }
    const bool takesValue =
        flag == "--screen" || flag == "--scale" || flag == "--frames" || flag == "--screenshot";
    if (takesValue && !inlineValue) {
      if (i + 1 >= args.size()) {
        *error = "option " + flag + " needs a value";
        return false;
      }
      value = args[++i];
    } else if (!takesValue && inlineValue) {
      *error = "option " + flag + " takes no value";
      return false;
    }

    int64_t number = 0;
    if (flag == "--screen") {
      if (!ParseScreen(value, &options->width, &options->height)) {
        *error = "unknown screen size '" + value + "' (240x320, 320x240, 480x640, 640x480)";
        return false;
      }
    } else if (flag == "--scale") {
      if (!ParseInt(value, 1, 8, &number)) {
        *error = "scale must be a whole number from 1 to 8, not '" + value + "'";
        return false;
      }
      options->scale = static_cast<int>(number);
    } else if (flag == "--frames") {
      if (!ParseInt(value, 1, int64_t{1} << 40, &number)) {
        *error = "frames must be a positive whole number, not '" + value + "'";
        return false;
      }
      options->frames = number;
    } else if (flag == "--screenshot") {
      if (value.empty()) {
        *error = "option --screenshot needs a file name";
        return false;
      }
      options->screenshot = value;
    } else if (flag == "--fullscreen") {
      options->fullscreen = true;
    } else if (flag == "--headless") {
      options->headless = true;
    } else if (flag == "--widgets") {
      options->widgets = true;
    } else if (flag == "--help" || flag == "-h") {
      options->help = true;
    } else {
      *error = "unknown option '" + args[i] + "'";
      return false;
    }
  }
  if (options->scale == 0) options->scale = options->width < 480 ? 2 : 1;
  if (options->headless && options->frames < 0) options->frames = 1;
  return true;
}

}  // namespace abacine::demo
