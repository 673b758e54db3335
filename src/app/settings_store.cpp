#include "app/settings_store.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "numeric/format.h"

namespace abacine {
namespace {

constexpr double kFixedLimit = 1e87;  // "%0.10f" of anything larger passes 99 characters

bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

// The answer text of `value` as the calculator shows it.
WString Shown(double value) {
  WString out;
  FormatValue(out, value, 10, Auto, false);
  return out;
}

}  // namespace

std::u16string StoredDoubleText(double value) {
  if (!std::isfinite(value)) return {};
  char text[SettingsStore::kDoubleUnits];
  std::snprintf(text, sizeof text, "%0.10f", value);
  double back = 0;
  // 5e-12 would come back as 0 and -3e-11 as -0: keep what is shown.
  if (std::fabs(value) >= kFixedLimit || !ParseStoredDouble(std::u16string(text, text + std::char_traits<char>::length(text)), &back) ||
      !(Shown(back) == Shown(value))) {
    std::snprintf(text, sizeof text, "%.16e", value);
  }
  return std::u16string(text, text + std::char_traits<char>::length(text));
}

bool ParseStoredDouble(std::u16string_view text, double* value) {
  size_t i = 0;
  while (i < text.size() && (text[i] == u' ' || (text[i] >= u'\t' && text[i] <= u'\r'))) ++i;
  std::string number;
  if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) number += static_cast<char>(text[i++]);
  size_t digits = 0;
  while (i < text.size() && IsDigit(text[i])) number += static_cast<char>(text[i++]), ++digits;
  if (i < text.size() && text[i] == u'.') {
    number += '.';
    ++i;
    while (i < text.size() && IsDigit(text[i])) number += static_cast<char>(text[i++]), ++digits;
  }
  if (digits == 0) {
    *value = 0;
    return true;
  }
  // An exponent counts only when digits follow its letter and sign.
  if (i < text.size() && (text[i] == u'e' || text[i] == u'E')) {
    size_t j = i + 1;
    std::string exponent = "e";
    if (j < text.size() && (text[j] == u'+' || text[j] == u'-')) exponent += static_cast<char>(text[j++]);
    if (j < text.size() && IsDigit(text[j])) {
      while (j < text.size() && IsDigit(text[j])) exponent += static_cast<char>(text[j++]);
      number += exponent;
    }
  }
  const double parsed = std::strtod(number.c_str(), nullptr);
  if (!std::isfinite(parsed)) return false;
  *value = parsed;
  return true;
}

bool SettingsStore::OpenSettingsKey(std::u16string_view path) {
  CloseSettingsKey();
  return registry_.CreateKey(path, &key_) == platform::kRegSuccess;
}

void SettingsStore::CloseSettingsKey() {
  if (key_ == 0) return;
  registry_.CloseKey(key_);
  key_ = 0;
}

bool SettingsStore::ReadDword(std::u16string_view name, uint32_t* value) {
  uint32_t v = 0, size = sizeof v;
  if (registry_.QueryValue(key_, name, nullptr, &v, &size) != platform::kRegSuccess || size != sizeof v) {
    return false;
  }
  *value = v;
  return true;
}

// The size is asked first; an empty value or one larger than the buffer
// counts as missing.
bool SettingsStore::ReadText(std::u16string_view name, uint32_t units, WString* text) {
  uint32_t size = 0;
  if (registry_.QueryValue(key_, name, nullptr, nullptr, &size) != platform::kRegSuccess || size == 0 ||
      size > units * sizeof(char16_t)) {
    return false;
  }
  std::vector<char16_t> buffer(units, u'\0');
  if (registry_.QueryValue(key_, name, nullptr, buffer.data(), &size) != platform::kRegSuccess) return false;
  buffer.back() = u'\0';  // a value stored without its terminator still ends here
  text->Assign(buffer.data());
  return true;
}

void SettingsStore::WriteText(std::u16string_view name, std::u16string_view text) {
  const std::vector<uint8_t> bytes = platform::RegSzBytes(text);
  registry_.SetValue(key_, name, platform::kRegSz, bytes.data(), static_cast<uint32_t>(bytes.size()));
}

void SettingsStore::SerializeBool(std::u16string_view name, bool* field, SettingsDirection direction) {
  if (direction == SettingsDirection::kSave) {
    uint32_t v = *field ? 1 : 0;
    registry_.SetValue(key_, name, platform::kRegDword, &v, sizeof v);
    return;
  }
  uint32_t v = 0;
  if (ReadDword(name, &v)) *field = (v == 1);
}

void SettingsStore::SerializeDword(std::u16string_view name, uint32_t* field, SettingsDirection direction) {
  if (direction == SettingsDirection::kSave) {
    registry_.SetValue(key_, name, platform::kRegDword, field, sizeof *field);
    return;
  }
  ReadDword(name, field);
}

void SettingsStore::SerializeText(std::u16string_view name, WString* field, SettingsDirection direction) {
  if (direction == SettingsDirection::kSave) {
    WriteText(name, field->View());
    return;
  }
  ReadText(name, kTextUnits, field);
}

void SettingsStore::SerializeDouble(std::u16string_view name, double* field, SettingsDirection direction) {
  if (direction == SettingsDirection::kSave) {
    const std::u16string text = StoredDoubleText(*field);
    if (!text.empty()) WriteText(name, text);
    return;
  }
  WString text;
  double value = 0;
  if (ReadText(name, kDoubleUnits, &text) && !text.Empty() && ParseStoredDouble(text.View(), &value)) {
    *field = value;
  }
}

}  // namespace abacine
