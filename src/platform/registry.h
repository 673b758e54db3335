// The registry stand-in: typed values (REG_DWORD, REG_SZ and any other type
// a file brings) under key paths below HKEY_LOCAL_MACHINE, kept in one text
// file in the ".reg" export format (platform/registry_format.h).
//
// The calls follow the handheld's registry: create-or-open a key, set a
// value, query a value (its size first, then its data), close the key. The
// file is read when the first key is opened and written when a key that
// changed something is closed; every save replaces the file atomically
// (platform/atomic_file.h), so a crash never leaves a torn file.
//
// Nothing here reports to the user but one line on stderr the first time a
// save fails: a registry that cannot be written loses changes, as the
// handheld's would, and the program goes on with what it has.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "platform/registry_format.h"

namespace abacine::platform {

// Results, with the handheld's codes.
inline constexpr int32_t kRegSuccess = 0;
inline constexpr int32_t kRegNotFound = 2;           // no such value
inline constexpr int32_t kRegInvalidHandle = 6;
inline constexpr int32_t kRegInvalidParameter = 87;
inline constexpr int32_t kRegMoreData = 234;         // the buffer is too small

// An open key; 0 is no key.
using RegistryKey = uint32_t;

class Registry {
 public:
  // The file the program uses unless told otherwise: $ABACINE_REGISTRY when
  // set and not empty; else settings.reg in $XDG_CONFIG_HOME/abacine/ (when
  // that is an absolute path) or in $HOME/.config/abacine/. Empty when none
  // of these can be found.
  static std::string DefaultPath();

  // Nothing is read or written until a key is opened. `diagnostics` gets the
  // one-line warnings (stderr unless given; null for none).
  explicit Registry(std::string path, std::FILE* diagnostics = stderr);
  Registry(const Registry&) = delete;
  Registry& operator=(const Registry&) = delete;

  const std::string& Path() const { return path_; }

  // Opens `subkey` below HKEY_LOCAL_MACHINE, creating it when missing (a new
  // key counts as a change, so closing it writes the file).
  int32_t CreateKey(std::u16string_view subkey, RegistryKey* key);
  int32_t SetValue(RegistryKey key, std::u16string_view name, uint32_t type, const void* data,
                   uint32_t size);
  // With data null: *size becomes the value's size. With data: up to *size
  // bytes are copied and *size becomes the value's size; a smaller buffer
  // gets nothing and kRegMoreData. `type` may be null.
  int32_t QueryValue(RegistryKey key, std::u16string_view name, uint32_t* type, void* data,
                     uint32_t* size);
  // Closes the key and saves the file when anything changed.
  int32_t CloseKey(RegistryKey key);

  // False once a save has failed (the warning was printed then).
  bool LastSaveSucceeded() const { return lastSaveOk_; }

 private:
  void LoadOnce();
  void Save();
  void Warn(const std::string& message);
  RegistryKeyData* KeyOf(RegistryKey key);

  std::string path_;
  std::FILE* diagnostics_;
  RegistryData data_;
  std::vector<std::u16string> openKeys_;  // handle n names openKeys_[n - 1]; empty = closed
  bool loaded_ = false;
  bool dirty_ = false;
  bool mayWrite_ = true;  // false when the file there is not a settings file
  bool warned_ = false;
  bool lastSaveOk_ = true;
};

}  // namespace abacine::platform
