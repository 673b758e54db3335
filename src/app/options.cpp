#include "app/options.h"

#include <algorithm>
#include <iterator>

#include "text/utf.h"

#ifndef ABACINE_VERSION
#define ABACINE_VERSION "0.0.0"
#endif

namespace abacine {
namespace {

constexpr uint64_t kMaxFrames = 0xFFFFFFFFu;
constexpr int32_t kMaxScale = 8;
constexpr size_t kMaxOemUnits = 199;     // the handheld's OEM buffer holds 200 with the terminator
constexpr uint32_t kMaxVersionPart = 99999;

// Decimal digits only (no sign, no spaces), at most `max`.
bool ParseCount(const std::string& text, uint64_t max, uint64_t* out) {
  if (text.empty() || text.size() > 20) return false;
  uint64_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    const auto digit = static_cast<uint64_t>(c - '0');
    if (digit > max || value > (max - digit) / 10) return false;
    value = value * 10 + digit;
  }
  *out = value;
  return true;
}

using Apply = bool (*)(const std::string& value, ProgramOptions* options, std::string* why);


// The two size classes, upright and wide.
struct ScreenSize {
  const char* text;
  int32_t width, height;
};
constexpr ScreenSize kScreenSizes[] = {
    {"240x320", 240, 320}, {"320x240", 320, 240}, {"480x640", 480, 640}, {"640x480", 640, 480}};
// Screens narrower than this (either way up) get a doubled window.
constexpr int32_t kLargeClassSide = 480;

bool ApplyScreen(const std::string& value, ProgramOptions* o, std::string* why) {
  for (const ScreenSize& s : kScreenSizes) {
    if (value == s.text) {
      o->screenWidth = s.width;
      o->screenHeight = s.height;
      return true;
    }
  }
  *why = "expected 240x320, 320x240, 480x640 or 640x480";
  return false;
}

bool ApplyScale(const std::string& value, ProgramOptions* o, std::string* why) {
  uint64_t n = 0;
  if (!ParseCount(value, kMaxScale, &n) || n < 1) {
    *why = "expected a whole number from 1 to 8";
    return false;
  }
  o->scale = static_cast<int32_t>(n);
  return true;
}

bool ApplyTopBar(const std::string& value, ProgramOptions* o, std::string* why) {
  uint64_t n = 0;
  // Checked against the screen height once every option is read.
  if (!ParseCount(value, 2047, &n)) {
    *why = "expected a height in pixels";
    return false;
  }
  o->topBar = static_cast<int32_t>(n);
  return true;
}

bool ApplyFullScreen(const std::string&, ProgramOptions* o, std::string*) {
  o->fullScreen = true;
  return true;
}

bool ApplyHeadless(const std::string&, ProgramOptions* o, std::string*) {
  o->headless = true;
  return true;
}

bool ApplyRawFrameBuffer(const std::string&, ProgramOptions* o, std::string*) {
  o->rawFrameBuffer = true;
  return true;
}

bool ApplyRegistry(const std::string& value, ProgramOptions* o, std::string* why) {
  if (value.empty()) {
    *why = "expected a file name";
    return false;
  }
  o->registryFile = value;
  return true;
}

bool ApplyOem(const std::string& value, ProgramOptions* o, std::string* why) {
  std::u16string text;
  if (!FromUtf8(value, &text)) {
    *why = "not valid UTF-8";
    return false;
  }
  if (text.size() > kMaxOemUnits) {
    *why = "longer than 199 characters";
    return false;
  }
  o->oem = std::move(text);
  o->oemGiven = true;
  return true;
}

bool ApplyOsVersion(const std::string& value, ProgramOptions* o, std::string* why) {
  const size_t dot = value.find('.');
  uint64_t major = 0, minor = 0;
  if (dot == std::string::npos || !ParseCount(value.substr(0, dot), kMaxVersionPart, &major) ||
      !ParseCount(value.substr(dot + 1), kMaxVersionPart, &minor)) {
    *why = "expected MAJOR.MINOR, for example 5.2";
    return false;
  }
  o->osMajor = static_cast<uint32_t>(major);
  o->osMinor = static_cast<uint32_t>(minor);
  o->osVersionGiven = true;
  return true;
}

bool ApplyFrames(const std::string& value, ProgramOptions* o, std::string* why) {
  uint64_t n = 0;
  if (!ParseCount(value, kMaxFrames, &n) || n == 0) {
    *why = "expected a whole number of frames from 1 to 4294967295";
    return false;
  }
  o->frames = n;
  return true;
}

bool ApplyWidgets(const std::string&, ProgramOptions* o, std::string*) {
  o->widgets = true;
  return true;
}

bool ApplyScript(const std::string& value, ProgramOptions* o, std::string* why) {
  if (value.empty()) {
    *why = "expected a file name, or - for standard input";
    return false;
  }
  o->script = value;
  return true;
}

bool ApplyScreenshot(const std::string& value, ProgramOptions* o, std::string* why) {
  if (value.empty()) {
    *why = "expected a file name";
    return false;
  }
  o->screenshot = value;
  return true;
}

// Where an option is listed in --help.
enum class Section { kDevice, kRun, kScript };

// Which programs take an option.
enum class Takers { kBoth, kCalculator, kDemo };

struct OptionRow {
  const char* name;
  const char* valueName;  // in --help; null: the option takes no value
  Apply apply;
  Section section;
  Takers takers;
  const char* help;
};

// The table both programs parse and document. Help lines after the first
// start at column 25.
constexpr OptionRow kOptions[] = {
    {"--screen", "WxH", ApplyScreen, Section::kDevice, Takers::kBoth,
     "screen size and orientation: 240x320, 320x240,\n"
     "                         480x640 or 640x480 (default 480x640)"},
    {"--top-bar", "N", ApplyTopBar, Section::kDevice, Takers::kCalculator,
     "height of the shell's top bar in pixels, less than\n"
     "                         the screen height (default 0)"},
    {"--oem", "TEXT", ApplyOem, Section::kDevice, Takers::kCalculator,
     "the device's OEM information string (at most 199\n"
     "                         characters)"},
    {"--os-version", "MAJ.MIN", ApplyOsVersion, Section::kDevice, Takers::kCalculator,
     "the system version the device reports (default 5.0)"},
    {"--raw-frame-buffer", nullptr, ApplyRawFrameBuffer, Section::kDevice, Takers::kCalculator,
     "the display driver offers its raw frame buffer\n"
     "                         (used with --fullscreen on versions above 4.20)"},
    {"--fullscreen", nullptr, ApplyFullScreen, Section::kRun, Takers::kBoth,
     "open the display full screen through the Game API\n"
     "                         library (gx.so beside the program) or the raw frame\n"
     "                         buffer, instead of a window below the top bar"},
    {"--scale", "N", ApplyScale, Section::kRun, Takers::kBoth,
     "window pixels per screen pixel, 1 to 8 (default 2\n"
     "                         for 240x320 and 320x240, else 1)"},
    {"--headless", nullptr, ApplyHeadless, Section::kRun, Takers::kBoth,
     "no window: the same program with nothing shown"},
    {"--registry", "FILE", ApplyRegistry, Section::kRun, Takers::kCalculator,
     "the settings file (default: $ABACINE_REGISTRY, else\n"
     "                         settings.reg in $XDG_CONFIG_HOME/abacine or\n"
     "                         ~/.config/abacine)"},
    {"--widgets", nullptr, ApplyWidgets, Section::kRun, Takers::kDemo,
     "show the widget gallery instead of the graphics scene\n"
     "                         (a tap presses keys and buttons and places the text\n"
     "                         box's cursor)"},
    {"--frames", "N", ApplyFrames, Section::kScript, Takers::kBoth,
     "quit after N frame periods (30 per second)"},
    {"--screenshot", "FILE.png", ApplyScreenshot, Section::kScript, Takers::kBoth,
     "write the screen to FILE.png at exit; only a regular\n"
     "                         file is replaced (a symlink is followed to the file it\n"
     "                         names), anything else is refused"},
    {"--script", "FILE", ApplyScript, Section::kScript, Takers::kCalculator,
     "run the commands in FILE (- for standard input) on a\n"
     "                         simulated clock, then quit (see below)"},
};

bool Takes(const OptionRow& row, ProgramKind kind) {
  switch (row.takers) {
    case Takers::kCalculator:
      return kind == ProgramKind::kCalculator;
    case Takers::kDemo:
      return kind == ProgramKind::kDemo;
    case Takers::kBoth:
      break;
  }
  return true;
}

ParseOutcome Error(std::string message) {
  ParseOutcome outcome;
  outcome.action = ParseAction::kError;
  outcome.message = std::move(message);
  return outcome;
}

}  // namespace

ParseOutcome ParseCommandLine(const std::vector<std::string>& args, ProgramKind kind) {
  ParseOutcome outcome;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--help" || arg == "-h") {
      outcome.action = ParseAction::kHelp;
      return outcome;
    }
    if (arg == "--version") {
      outcome.action = ParseAction::kVersion;
      return outcome;
    }
    if (arg.size() < 3 || arg.compare(0, 2, "--") != 0) {
      return Error("unexpected argument '" + arg + "'");
    }
    const size_t equals = arg.find('=');
    const std::string name = arg.substr(0, equals);
    const auto row = std::find_if(std::begin(kOptions), std::end(kOptions),
                                  [&](const OptionRow& r) { return name == r.name; });
    if (row == std::end(kOptions) || !Takes(*row, kind)) {
      return Error("unknown option '" + name + "'");
    }
    std::string value;
    if (row->valueName != nullptr) {
      if (equals != std::string::npos) {
        value = arg.substr(equals + 1);
      } else if (i + 1 < args.size()) {
        value = args[++i];
      } else {
        return Error("option '" + name + "' needs a value");
      }
    } else if (equals != std::string::npos) {
      return Error("option '" + name + "' takes no value");
    }
    std::string why;
    if (!row->apply(value, &outcome.options, &why)) {
      return Error("bad value '" + value + "' for " + name + ": " + why);
    }
  }
  if (outcome.options.topBar >= outcome.options.screenHeight) {
    return Error("bad value '" + std::to_string(outcome.options.topBar) +
                 "' for --top-bar: must be less than the screen height (" +
                 std::to_string(outcome.options.screenHeight) + ")");
  }
  return outcome;
}

int32_t WindowScale(const ProgramOptions& options) {
  if (options.scale > 0) return options.scale;
  return std::min(options.screenWidth, options.screenHeight) < kLargeClassSide ? 2 : 1;
}

platform::DeviceConfig DeviceConfigFor(const ProgramOptions& options) {
  platform::DeviceConfig config =
      platform::DeviceConfig::WithPitchSigns(options.screenWidth, options.screenHeight, 1, 1);
  config.work_area_top = options.topBar;
  config.raw_frame_buffer = options.rawFrameBuffer;
  if (options.oemGiven) config.oem_info = options.oem;
  if (options.osVersionGiven) {
    config.os_major = options.osMajor;
    config.os_minor = options.osMinor;
  }
  return config;
}

const char* ProgramName(ProgramKind kind) {
  return kind == ProgramKind::kCalculator ? "abacine" : "abacine-demo";
}

std::string VersionText(ProgramKind kind) {
  return std::string(ProgramName(kind)) + " " + ABACINE_VERSION + "\n";
}

namespace {

std::string OptionLines(ProgramKind kind, Section section) {
  std::string out;
  for (const OptionRow& row : kOptions) {
    if (row.section != section || !Takes(row, kind)) continue;
    std::string left = std::string("  ") + row.name;
    if (row.valueName != nullptr) left += std::string(" ") + row.valueName;
    left.resize(std::max<size_t>(left.size() + 1, 25), ' ');
    out += left + row.help + "\n";
  }
  return out;
}

}  // namespace

std::string HelpText(ProgramKind kind) {
  const bool calculator = kind == ProgramKind::kCalculator;
  std::string out = std::string("Usage: ") + ProgramName(kind) + " [OPTION]...\n";
  out += calculator ? "Abacine, a scientific calculator for handhelds, running on a simulated\n"
                      "handheld shown in a desktop window.\n"
                    : "The Abacine graphics demo: every drawing operation of the graphics layer,\n"
                      "animated, on a simulated handheld shown in a desktop window.\n";
  out += "\nThe simulated device:\n" + OptionLines(kind, Section::kDevice);
  out += "\nHow it runs:\n" + OptionLines(kind, Section::kRun);
  out += "\nScripted runs:\n" + OptionLines(kind, Section::kScript);
  if (!calculator) out += "                         (headless without --frames: one frame)\n";
  if (calculator) {
    out += R"(
Script commands, one a line (blank lines and lines starting with # are
skipped); each input command takes one frame (1/30 s of the simulated clock):
  tap X Y | down X Y | up X Y    the stylus at a screen pixel
  tap TARGET             answer, lock, slot N, about, clear, input, help,
                         close, link or target
  press LABEL            the keypad key reading LABEL (2nd, 7, sin, x²,
                         ℯ^x, √, π, ᴇ, ...) or delete
  key NAME               a keyboard key: a, 7, shift+7, left, right,
                         backspace, delete, enter, space, kp0 ... kp9, kp*,
                         kp+, kp,, kp-, kp., kp/, - = , . / [ ], ctrl+c,
                         ctrl+v, ctrl+shift+p, button-a, button-b,
                         button-c, button-start
  type TEXT              the key presses that type TEXT
  clipboard TEXT         put TEXT on the clipboard
  frames N               let N frames pass
  rotate                 turn the device a quarter
  screenshot FILE.png    write the screen now
  state                  print the visible state as one line of JSON
  quit                   end the run as the close button does
A bad command prints 'script:LINE: message' and exits with status 2.
)";
  }
  out += R"(
  --help                 show this help and exit
  --version              show the version and exit

Options take their value as the next argument or after '=' (--scale=2).
)";
  if (calculator) {
    out += R"(
Using the calculator: the mouse is the stylus. Click the keys to build an
expression; its answer shows after every change (there is no equals key),
or nothing while the expression is incomplete. 2nd turns the keypad over
for one key press, the arrow key deletes before the cursor, a click in the
input line places the cursor, C clears. A click on the answer stores it
in the first free slot below, a click on a slot inserts its value, a click
on the answer's left end locks the slots (they keep their values when
used); after 2nd the slots are the angle mode (rad, deg, grad) and the
answer mode (1.25 or 5/4). The i button opens the about screen: ? there
starts the tutorial, the red button quits, a click anywhere else closes
it. The tutorial runs by itself on the first start; in a window (not full
screen) F9 to F12 start or end it too.

Typing in the window (letters follow the keyboard's layout, the symbols
are those of a US keyboard):
  a to z                 the letter, always lower case (sin, ln, ...)
  0 to 9                 the digit; with Shift ) ! @ # $ % ^ & * (
  = , - . /              themselves; with Shift + , _ . /
  Shift+[, Shift+]       { and }
  Numeric pad            digits and * + , - . / while Num Lock is on
  Space                  a blank
  Backspace, Delete      delete before or at the cursor
  Left, Right            move the cursor
  Ctrl+C                 copy the whole input line
  Ctrl+V                 append the clipboard's text to the input line
  Ctrl+Shift+P, E, 2, N  the signs π, ℯ, ² and ᴇ (times ten to the power)
  Ctrl+Shift+S, I        ∫( and the placeholder □
  Ctrl+Shift+, [ ]       },{ and {{ and }}

Settings: the calculator keeps its settings, stored answers and input line
in the file given with --registry, else in $ABACINE_REGISTRY, else in
$XDG_CONFIG_HOME/abacine/settings.reg, else in
~/.config/abacine/settings.reg.
)";
  }
  out += R"(
Device keys in the window:
  Arrow keys             the direction pad (it follows the screen's turn)
  F9, F10, F11           the A, B and C buttons
  F12                    the Start button
  F8                     turn the device a quarter (the screen size changes)
  Closing the window quits.
)";
  if (calculator) {
    out += R"(
Only one Abacine runs at a time: a second start brings the running one to
the front and exits with status 0.
)";
  } else {
    out += R"(  In the demo the arrow keys move the gem, a tap or click places it and
  Escape quits.
)";
  }
  out += R"(
Exit status: 0 on success, 2 for a bad command line, another non-zero value
when the program could not start or run.
)";
  return out;
}

}  // namespace abacine
