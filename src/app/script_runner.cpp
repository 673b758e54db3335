// ScriptRunner: reading the script, timing its commands, errors.
#include "app/script_runner.h"

#include <algorithm>

#include "platform/controls.h"

namespace abacine {
namespace {

constexpr std::string_view kBlanks = " \t\r";

std::string_view Trim(std::string_view s) {
  const size_t start = s.find_first_not_of(kBlanks);
  if (start == std::string_view::npos) return {};
  return s.substr(start, s.find_last_not_of(kBlanks) - start + 1);
}

}  // namespace

ScriptRunner::ScriptRunner(CalcApp& app, std::istream& in, std::ostream& out, std::ostream& err)
    : app_(app), in_(in), out_(out), err_(err) {}

void ScriptRunner::onFrame(AppFramework& /*app*/) {
  if (finished_) return;
  releaseModifiers();
  if (waitFrames_ > 0 && --waitFrames_ > 0) return;
  if (!pendingStrokes_.empty()) {
    strike(pendingStrokes_.front());
    pendingStrokes_.pop_front();
    waitFrames_ = 1;
    return;
  }
  std::string line;
  while (std::getline(in_, line)) {
    ++line_;
    const std::string_view text = Trim(line);
    if (text.empty() || text[0] == '#') continue;
    const Outcome outcome = runLine(text);
    if (!outcome.error.empty()) {
      fail(outcome.error);
      return;
    }
    if (outcome.quit) {
      finished_ = true;
      return;
    }
    if (outcome.frames > 0) {
      waitFrames_ = outcome.frames;
      return;
    }
  }
  finish();
}

ScriptRunner::Outcome ScriptRunner::runLine(std::string_view line) {
  const size_t end = std::min(line.find_first_of(kBlanks), line.size());
  const std::string_view name = line.substr(0, end);
  const std::string_view args = Trim(line.substr(end));
  const Command* command = findCommand(name);
  if (command == nullptr) return Outcome{0, "unknown command '" + std::string(name) + "'"};
  return (this->*(command->run))(args);
}

void ScriptRunner::fail(const std::string& message) {
  err_ << "script:" << line_ << ": " << message << std::endl;
  status_ = kErrorStatus;
  finish();
}

void ScriptRunner::finish() {
  releaseModifiers();
  pendingStrokes_.clear();
  finished_ = true;
  app_.requestQuit();
}

void ScriptRunner::stylus(uint32_t message, ScreenPoint p) {
  platform::InjectStylus(app_.window(), message, p.x, p.y);
}

void ScriptRunner::tapAt(ScreenPoint p) {
  stylus(platform::kMsgStylusDown, p);
  stylus(platform::kMsgStylusUp, p);
}

void ScriptRunner::strike(const KeyStroke& stroke) {
  const platform::WindowHandle window = app_.window();
  if (stroke.numLock) platform::SetKeyToggled(platform::kVkNumLock, true);
  for (const auto& [held, vk] : {std::pair{stroke.ctrl, platform::kVkControl},
                                std::pair{stroke.shift, platform::kVkShift}}) {
    if (!held) continue;
    platform::InjectKey(window, vk, true);
    heldModifiers_.push_back(vk);
  }
  platform::InjectKey(window, stroke.key, true);
  platform::InjectKey(window, stroke.key, false);
}

void ScriptRunner::releaseModifiers() {
  for (const int vk : heldModifiers_) platform::InjectKey(app_.window(), vk, false);
  heldModifiers_.clear();
}

}  // namespace abacine
