#include "platform/registry.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "platform/atomic_file.h"

namespace abacine::platform {
namespace {

constexpr std::u16string_view kRoot = u"HKEY_LOCAL_MACHINE\\";
constexpr const char* kFileName = "settings.reg";
// Temporary files of killed saves older than this are removed at a save.
constexpr int kStaleTemporarySeconds = 60;

std::string EnvOrEmpty(const char* name) {
  const char* value = std::getenv(name);
  return value == nullptr ? std::string() : std::string(value);
}

// Reads at most kRegMaxFileBytes; the rest of a larger file is not wanted.
// False when the file is missing or is not a regular file.
bool ReadSettingsFile(const std::string& path, std::string* bytes, std::string* why) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) {
    if (errno != ENOENT) *why = std::strerror(errno);
    return false;
  }
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    *why = "not a regular file";
    ::close(fd);
    return false;
  }
  bytes->resize(kRegMaxFileBytes);
  size_t got = 0;
  while (got < bytes->size()) {
    const ssize_t n = ::read(fd, bytes->data() + got, bytes->size() - got);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    got += static_cast<size_t>(n);
  }
  bytes->resize(got);
  ::close(fd);
  return true;
}

// mkdir -p for the folders above `path` (new ones private to the user).
void MakeParentFolders(const std::string& path) {
  for (size_t slash = path.find('/', 1); slash != std::string::npos; slash = path.find('/', slash + 1)) {
    ::mkdir(path.substr(0, slash).c_str(), 0700);
  }
}

}  // namespace

std::string Registry::DefaultPath() {
  std::string explicitPath = EnvOrEmpty("ABACINE_REGISTRY");
  if (!explicitPath.empty()) return explicitPath;
  std::string base = EnvOrEmpty("XDG_CONFIG_HOME");
  if (base.empty() || base.front() != '/') {
    const std::string home = EnvOrEmpty("HOME");
    if (home.empty()) return {};
    base = home + "/.config";
  }
  return base + "/abacine/" + kFileName;
}

Registry::Registry(std::string path, std::FILE* diagnostics)
    : path_(std::move(path)), diagnostics_(diagnostics) {}

void Registry::Warn(const std::string& message) {
  if (warned_ || diagnostics_ == nullptr) return;
  warned_ = true;
  std::fprintf(diagnostics_, "abacine: %s\n", message.c_str());
}

void Registry::LoadOnce() {
  if (loaded_) return;
  loaded_ = true;
  std::string bytes, why;
  if (!ReadSettingsFile(path_, &bytes, &why)) {
    if (!why.empty()) {
      mayWrite_ = false;
      Warn("settings file " + path_ + " cannot be read (" + why + "); settings will not be saved");
    }
    return;
  }
  RegistryParseResult parsed = ParseRegistryText(bytes);
  // A file that is not a registry export is someone else's: read what can
  // be read, but never write over it.
  if (!parsed.recognised && !bytes.empty()) {
    mayWrite_ = false;
    Warn(path_ + " is not a settings file; settings will not be saved there");
  }
  data_ = std::move(parsed.data);
}

RegistryKeyData* Registry::KeyOf(RegistryKey key) {
  if (key == 0 || key > openKeys_.size() || openKeys_[key - 1].empty()) return nullptr;
  return data_.FindKey(openKeys_[key - 1]);
}

int32_t Registry::CreateKey(std::u16string_view subkey, RegistryKey* key) {
  if (key == nullptr || subkey.empty()) return kRegInvalidParameter;
  LoadOnce();
  std::u16string full(kRoot);
  full += subkey;
  if (data_.FindKey(full) == nullptr) {
    data_.AddKey(full);
    dirty_ = true;
  }
  openKeys_.push_back(std::move(full));
  *key = static_cast<RegistryKey>(openKeys_.size());
  return kRegSuccess;
}

int32_t Registry::SetValue(RegistryKey key, std::u16string_view name, uint32_t type, const void* data,
                           uint32_t size) {
  RegistryKeyData* k = KeyOf(key);
  if (k == nullptr) return kRegInvalidHandle;
  if ((data == nullptr && size != 0) || size > kRegMaxValueBytes || name.size() > kRegMaxNameUnits) {
    return kRegInvalidParameter;
  }
  const auto* bytes = static_cast<const uint8_t*>(data);
  RegistryValue value{std::u16string(name), type, std::vector<uint8_t>(bytes, bytes + size)};
  RegistryValue* existing = RegistryData::FindValue(*k, name);
  if (existing == nullptr) {
    k->values.push_back(std::move(value));
    dirty_ = true;
  } else if (existing->type != type || existing->data != value.data) {
    existing->type = type;
    existing->data = std::move(value.data);
    dirty_ = true;
  }
  return kRegSuccess;
}

int32_t Registry::QueryValue(RegistryKey key, std::u16string_view name, uint32_t* type, void* data,
                             uint32_t* size) {
  RegistryKeyData* k = KeyOf(key);
  if (k == nullptr) return kRegInvalidHandle;
  if (size == nullptr && data != nullptr) return kRegInvalidParameter;
  const RegistryValue* value = RegistryData::FindValue(*k, name);
  if (value == nullptr) return kRegNotFound;
  const auto needed = static_cast<uint32_t>(value->data.size());
  if (type != nullptr) *type = value->type;
  if (data != nullptr) {
    if (*size < needed) {
      *size = needed;
      return kRegMoreData;
    }
    std::memcpy(data, value->data.data(), needed);
  }
  if (size != nullptr) *size = needed;
  return kRegSuccess;
}

int32_t Registry::CloseKey(RegistryKey key) {
  if (key == 0 || key > openKeys_.size() || openKeys_[key - 1].empty()) return kRegInvalidHandle;
  openKeys_[key - 1].clear();
  while (!openKeys_.empty() && openKeys_.back().empty()) openKeys_.pop_back();
  if (dirty_) Save();
  return kRegSuccess;
}

void Registry::Save() {
  if (!mayWrite_) {
    lastSaveOk_ = false;
    return;
  }
  if (path_.empty()) {
    lastSaveOk_ = false;
    Warn("no place for the settings file (neither HOME nor XDG_CONFIG_HOME is set); settings will not be saved");
    return;
  }
  MakeParentFolders(path_);
  std::string error;
  lastSaveOk_ = WriteFileAtomically(path_, FormatRegistryText(data_), &error);
  if (lastSaveOk_) {
    dirty_ = false;
    RemoveStaleTemporaries(path_, kStaleTemporarySeconds);
  } else {
    Warn("settings not saved: " + error);
  }
}

}  // namespace abacine::platform
