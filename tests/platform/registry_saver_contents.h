// The two contents the saver writes in turn, and a save through the
// registry store (shared by the saver and the test that kills it).
#pragma once

#include <array>
#include <string>

#include "platform/registry.h"

namespace abacine::test {

inline platform::RegistryData MakeSaverContents(int which) {
  platform::RegistryData data;
  auto& key = data.AddKey(u"HKEY_LOCAL_MACHINE\\Software\\Velmora\\Abacine");
  key.values.push_back({u"ShowFractions", platform::kRegDword, {static_cast<uint8_t>(which), 0, 0, 0}});
  // The same names in the same order, texts of very different lengths: a
  // save cut short cannot pass for either content.
  key.values.push_back({u"Input", platform::kRegSz,
                        platform::RegSzBytes(std::u16string(which == 0 ? 3 : 60000, u'7'))});
  for (int n = 1; n <= 2000; ++n) {
    std::u16string name = u"Memory";
    for (char c : std::to_string(n)) name += static_cast<char16_t>(c);
    key.values.push_back({name + u"a", platform::kRegSz, platform::RegSzBytes(which == 0 ? u"0.5" : u"0.3333333333")});
  }
  return data;
}

inline const platform::RegistryData& SaverContents(int which) {
  static const std::array<platform::RegistryData, 2> contents = {MakeSaverContents(0),
                                                                 MakeSaverContents(1)};
  return contents[which & 1];
}

// Writes `data` the way the program saves: open the key, set every value,
// close the key.
inline bool SaveThroughRegistry(const std::string& path, const platform::RegistryData& data) {
  platform::Registry registry(path, nullptr);
  platform::RegistryKey key = 0;
  const std::u16string root = u"HKEY_LOCAL_MACHINE\\";
  const std::u16string& full = data.keys.front().path;
  if (registry.CreateKey(std::u16string_view(full).substr(root.size()), &key) != platform::kRegSuccess) {
    return false;
  }
  for (const platform::RegistryValue& v : data.keys.front().values) {
    registry.SetValue(key, v.name, v.type, v.data.data(), static_cast<uint32_t>(v.data.size()));
  }
  registry.CloseKey(key);
  return registry.LastSaveSucceeded();
}

}  // namespace abacine::test
