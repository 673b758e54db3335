#include "graphics/game_api.h"

#include <utility>

namespace abacine {

GameApiLibrary& GameApiLibrary::Instance() {
  // Never destroyed: the library stays loaded until the process ends, and
  // nothing may call into it after it was unloaded by a static destructor.
  static GameApiLibrary* instance = new GameApiLibrary();
  return *instance;
}

GameApiLibrary::~GameApiLibrary() { Unload(); }

std::vector<std::string> GameApiLibrary::SearchList() const {
  if (override_search_) return search_;
  std::vector<std::string> list;
  const std::string beside = platform::ProgramDirectory();
  if (!beside.empty()) {
    list.push_back(beside == "/" ? std::string("/") + kGameApiLibraryName
                                 : beside + "/" + kGameApiLibraryName);
  }
  list.emplace_back(kGameApiLibraryName);
  return list;
}

void GameApiLibrary::SetSearchList(std::vector<std::string> candidates) {
  override_search_ = true;
  search_ = std::move(candidates);
}

void GameApiLibrary::UseDefaultSearchList() {
  override_search_ = false;
  search_.clear();
}

namespace {

template <typename Fn>
bool Resolve(platform::Library* library, size_t index, Fn* out) {
  void* address = platform::FindProcedure(library, platform::kGxExports[index].decorated);
  *out = reinterpret_cast<Fn>(address);
  return address != nullptr;
}

}  // namespace

ResultCode GameApiLibrary::Load() {
  if (loaded_) return kOk;
  for (const std::string& candidate : SearchList()) {
    library_ = platform::OpenLibrary(candidate);
    if (library_ != nullptr) break;
  }
  if (library_ == nullptr) return kErrGameApiMissing;

  // Every entry point must be there: a library that lacks one is not the
  // Game API, and nothing may ever be called through a pointer not found.
  bool all = true;
  all = Resolve(library_, 0, &entry_.open_display) && all;
  all = Resolve(library_, 1, &entry_.close_display) && all;
  all = Resolve(library_, 2, &entry_.begin_draw) && all;
  all = Resolve(library_, 3, &entry_.end_draw) && all;
  all = Resolve(library_, 4, &entry_.open_input) && all;
  all = Resolve(library_, 5, &entry_.close_input) && all;
  all = Resolve(library_, 6, &entry_.get_display_properties) && all;
  all = Resolve(library_, 7, &entry_.get_default_keys) && all;
  all = Resolve(library_, 8, &entry_.suspend) && all;
  all = Resolve(library_, 9, &entry_.resume) && all;
  all = Resolve(library_, 10, &entry_.set_viewport) && all;
  all = Resolve(library_, 11, &entry_.is_display_dram_buffer) && all;
  if (!all) {
    Unload();
    return kErrGameApiMissing;
  }
  loaded_ = true;
  return kOk;
}

void GameApiLibrary::Unload() {
  loaded_ = false;
  entry_ = {};
  platform::CloseLibrary(library_);
  library_ = nullptr;
}

int GameApiLibrary::OpenDisplay(platform::WindowHandle window, uint32_t flags) {
  return loaded_ ? entry_.open_display(platform::WindowToOpaque(window), flags) : 0;
}
int GameApiLibrary::CloseDisplay() { return loaded_ ? entry_.close_display() : 0; }
void* GameApiLibrary::BeginDraw() { return loaded_ ? entry_.begin_draw() : nullptr; }
int GameApiLibrary::EndDraw() { return loaded_ ? entry_.end_draw() : 0; }
int GameApiLibrary::OpenInput() { return loaded_ ? entry_.open_input() : 0; }
int GameApiLibrary::CloseInput() { return loaded_ ? entry_.close_input() : 0; }
GXDisplayProperties GameApiLibrary::GetDisplayProperties() {
  return loaded_ ? entry_.get_display_properties() : GXDisplayProperties{};
}
GXKeyList GameApiLibrary::GetDefaultKeys(int options) {
  return loaded_ ? entry_.get_default_keys(options) : GXKeyList{};
}
int GameApiLibrary::Suspend() { return loaded_ ? entry_.suspend() : 0; }
int GameApiLibrary::Resume() { return loaded_ ? entry_.resume() : 0; }
int GameApiLibrary::SetViewport(uint32_t top, uint32_t height, uint32_t reserved1,
                                uint32_t reserved2) {
  return loaded_ ? entry_.set_viewport(top, height, reserved1, reserved2) : 0;
}
int GameApiLibrary::IsDisplayDramBuffer() { return loaded_ ? entry_.is_display_dram_buffer() : 0; }

ResultCode LoadGameApi() { return GameApiLibrary::Instance().Load(); }

}  // namespace abacine
