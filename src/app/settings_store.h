// SettingsStore: the calculator's persistent values in the registry. One
// routine walks a fixed list of values and either loads each into its field
// or saves the field, so loading and saving can never disagree on names,
// order or encodings. The store keeps no copy of its own: the fields live in
// the application and are read or written in place.
//
// Encodings: booleans as REG_DWORD 1 or 0 (read back true only for exactly
// 1); numbers as REG_DWORD; texts as REG_SZ with their terminator; doubles as
// REG_SZ text, "%0.10f" where that keeps the value as the calculator shows
// it, else exponent form with 17 significant digits. Types are not checked
// on reading. A value that cannot be read leaves its field unchanged.
#pragma once

#include <cstdint>
#include <string_view>

#include "platform/registry.h"
#include "text/wstring.h"

namespace abacine {

// Which way the walk moves values.
enum class SettingsDirection : int32_t { kLoad = 0, kSave = 1 };

class SettingsStore {
 public:
  // Read buffers, in UTF-16 units with the terminator: a stored text that
  // does not fit is treated as missing.
  static constexpr uint32_t kTextUnits = 256;
  static constexpr uint32_t kDoubleUnits = 100;

  explicit SettingsStore(platform::Registry& registry) : registry_(registry) {}
  ~SettingsStore() { CloseSettingsKey(); }
  SettingsStore(const SettingsStore&) = delete;
  SettingsStore& operator=(const SettingsStore&) = delete;

  // Creates the key when missing. On failure every later call does nothing:
  // loads keep the fields and saves are lost, as the calculator wants.
  bool OpenSettingsKey(std::u16string_view path);
  // Closes the key; the registry writes its file when something changed.
  void CloseSettingsKey();

  void SerializeBool(std::u16string_view name, bool* field, SettingsDirection direction);
  void SerializeDword(std::u16string_view name, uint32_t* field, SettingsDirection direction);
  void SerializeText(std::u16string_view name, WString* field, SettingsDirection direction);
  void SerializeDouble(std::u16string_view name, double* field, SettingsDirection direction);

 private:
  bool ReadDword(std::u16string_view name, uint32_t* value);
  bool ReadText(std::u16string_view name, uint32_t units, WString* text);
  void WriteText(std::u16string_view name, std::u16string_view text);

  platform::Registry& registry_;
  platform::RegistryKey key_ = 0;
};

// The text a memory value is stored as: "%0.10f" when reading that back
// shows the same answer (ten significant digits) and the value is below
// 1e87, else "%.16e". Empty for NaN and the infinities, which are never
// stored.
std::u16string StoredDoubleText(double value);

// Reads a stored double as the handheld's wide text-to-double conversion
// does: leading blanks, an optional sign, digits with an optional point, an
// optional exponent; it stops at the first character that does not fit, and
// a text with no number gives 0. False for a number beyond the double range,
// which has no value to give.
bool ParseStoredDouble(std::u16string_view text, double* value);

}  // namespace abacine
