// Libraries looked up by name: dlopen for real files, the simulated system
// library for "coredll.dll", and the Game API's decorated names mapped to
// the plain exports of our gx library.
#include <dlfcn.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <climits>
#include <new>

#include "platform/gx_abi.h"
#include "platform/platform.h"

struct abacine::platform::Library {
  bool system = false;
  void* dl = nullptr;
};

namespace abacine::platform {
namespace {

// ---- The host table handed to the Game API library ----

void HostDisplayProperties(void*, GXDisplayProperties* out) {
  if (out == nullptr) return;
  const DeviceConfig& c = TheDevice().Config();
  out->width = static_cast<uint32_t>(c.width);
  out->height = static_cast<uint32_t>(c.height);
  out->x_pitch = c.x_pitch;
  out->y_pitch = c.y_pitch;
  out->bits_per_pixel = c.bits_per_pixel;
  out->format_flags = c.format_flags;
}

void* HostFrameBuffer(void*) { return TheDevice().FrameBuffer(); }

void HostDefaultKeys(void*, int16_t out[8]) {
  if (out == nullptr) return;
  const auto& keys = TheDevice().Config().game_keys;
  std::copy(keys.begin(), keys.end(), out);
}

int HostWindowExists(void*, void* window) {
  return IsWindow(WindowFromOpaque(window)) ? 1 : 0;
}

void HostRecord(void*, int32_t call, intptr_t result) {
  TheDevice().RecordGameApiCall(call, result);
}

const AbacineGxHost kHost = {kAbacineGxHostVersion, nullptr,          HostDisplayProperties,
                             HostFrameBuffer,       HostDefaultKeys,  HostWindowExists,
                             HostRecord};

// ---- The simulated system library ----

int32_t ChangeDisplaySettingsExStandIn(const char16_t*, DisplayModeRecord* mode, void*,
                                       uint32_t flags, void*) {
  return TheDevice().ChangeDisplaySettings(mode, flags);
}

bool IsSystemLibraryName(const std::string& name) {
  static constexpr std::string_view kName = "coredll.dll";
  if (name.size() != kName.size()) return false;
  for (size_t i = 0; i < name.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(name[i])) != kName[i]) return false;
  }
  return true;
}

// Plain ASCII export names only; anything else cannot name an ELF export we make.
bool ToAsciiName(std::u16string_view name, std::string* out) {
  out->clear();
  for (char16_t c : name) {
    if (c == 0 || c > 0x7E) return false;
    out->push_back(static_cast<char>(c));
  }
  return !out->empty();
}

}  // namespace

Library* OpenLibrary(const std::string& nameOrPath) {
  if (nameOrPath.empty() || nameOrPath.find('\0') != std::string::npos) return nullptr;
  if (IsSystemLibraryName(nameOrPath)) {
    auto* library = new (std::nothrow) Library;
    if (library != nullptr) library->system = true;
    return library;
  }
  void* dl = dlopen(nameOrPath.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (dl == nullptr) return nullptr;
  if (void* attach = dlsym(dl, kGxAttachExport); attach != nullptr) {
    auto attachFn = reinterpret_cast<AbacineGxAttachFn>(attach);
    if (attachFn(&kHost) == 0) {
      dlclose(dl);
      return nullptr;
    }
  }
  auto* library = new (std::nothrow) Library;
  if (library == nullptr) {
    dlclose(dl);
    return nullptr;
  }
  library->dl = dl;
  return library;
}

void* FindProcedure(Library* library, std::u16string_view name) {
  if (library == nullptr || name.empty()) return nullptr;
  if (library->system) {
    if (name == u"ChangeDisplaySettingsEx" &&
        TheDevice().Config().orientation_query != OrientationQuery::kMissing) {
      return reinterpret_cast<void*>(&ChangeDisplaySettingsExStandIn);
    }
    return nullptr;
  }
  if (name.front() == u'?') {
    for (const GxExport& entry : kGxExports) {
      if (name == entry.decorated) return dlsym(library->dl, entry.plain);
    }
    return nullptr;
  }
  std::string plain;
  if (!ToAsciiName(name, &plain)) return nullptr;
  return dlsym(library->dl, plain.c_str());
}

void CloseLibrary(Library* library) {
  if (library == nullptr) return;
  if (library->dl != nullptr) dlclose(library->dl);
  delete library;
}

std::string ProgramDirectory() {
  char buffer[PATH_MAX];
  const ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  if (n <= 0) return {};
  std::string path(buffer, static_cast<size_t>(n));
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return {};
  return slash == 0 ? std::string("/") : path.substr(0, slash);
}

}  // namespace abacine::platform
