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
  if (overrideSearch_) return search_;
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
  overrideSearch_ = true;
  search_ = std::move(candidates);
}

void GameApiLibrary::UseDefaultSearchList() {
  overrideSearch_ = false;
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
  all = Resolve(library_, 0, &openDisplay_) && all;
  all = Resolve(library_, 1, &closeDisplay_) && all;
  all = Resolve(library_, 2, &beginDraw_) && all;
  all = Resolve(library_, 3, &endDraw_) && all;
  all = Resolve(library_, 4, &openInput_) && all;
  all = Resolve(library_, 5, &closeInput_) && all;
  all = Resolve(library_, 6, &getDisplayProperties_) && all;
  all = Resolve(library_, 7, &getDefaultKeys_) && all;
  all = Resolve(library_, 8, &suspend_) && all;
  all = Resolve(library_, 9, &resume_) && all;
  all = Resolve(library_, 10, &setViewport_) && all;
  all = Resolve(library_, 11, &isDisplayDramBuffer_) && all;
  if (!all) {
    Unload();
    return kErrGameApiMissing;
  }
  loaded_ = true;
  return kOk;
}

void GameApiLibrary::Unload() {
  loaded_ = false;
  openDisplay_ = nullptr;
  closeDisplay_ = nullptr;
  beginDraw_ = nullptr;
  endDraw_ = nullptr;
  openInput_ = nullptr;
  closeInput_ = nullptr;
  getDisplayProperties_ = nullptr;
  getDefaultKeys_ = nullptr;
  suspend_ = nullptr;
  resume_ = nullptr;
  setViewport_ = nullptr;
  isDisplayDramBuffer_ = nullptr;
  platform::CloseLibrary(library_);
  library_ = nullptr;
}

int GameApiLibrary::OpenDisplay(platform::WindowHandle window, uint32_t flags) {
  return loaded_ ? openDisplay_(platform::WindowToOpaque(window), flags) : 0;
}
int GameApiLibrary::CloseDisplay() { return loaded_ ? closeDisplay_() : 0; }
void* GameApiLibrary::BeginDraw() { return loaded_ ? beginDraw_() : nullptr; }
int GameApiLibrary::EndDraw() { return loaded_ ? endDraw_() : 0; }
int GameApiLibrary::OpenInput() { return loaded_ ? openInput_() : 0; }
int GameApiLibrary::CloseInput() { return loaded_ ? closeInput_() : 0; }
GXDisplayProperties GameApiLibrary::GetDisplayProperties() {
  return loaded_ ? getDisplayProperties_() : GXDisplayProperties{};
}
GXKeyList GameApiLibrary::GetDefaultKeys(int options) {
  return loaded_ ? getDefaultKeys_(options) : GXKeyList{};
}
int GameApiLibrary::Suspend() { return loaded_ ? suspend_() : 0; }
int GameApiLibrary::Resume() { return loaded_ ? resume_() : 0; }
int GameApiLibrary::SetViewport(uint32_t top, uint32_t height, uint32_t reserved1,
                                uint32_t reserved2) {
  return loaded_ ? setViewport_(top, height, reserved1, reserved2) : 0;
}
int GameApiLibrary::IsDisplayDramBuffer() { return loaded_ ? isDisplayDramBuffer_() : 0; }

ResultCode LoadGameApi() { return GameApiLibrary::Instance().Load(); }

}  // namespace abacine
