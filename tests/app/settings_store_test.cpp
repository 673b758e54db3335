// The settings store's encodings and their read-back rules.
#include "app/settings_store.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <string>

namespace abacine {
namespace {

std::u16string U16(const std::string& s) { return std::u16string(s.begin(), s.end()); }

TEST(StoredDouble, FixedWhereItKeepsTheShownValueExponentFormElse) {
  const struct {
    double value;
    const char* text;
  } cases[] = {
      {1.0 / 3.0, "0.3333333333"},
      {2, "2.0000000000"},
      {-0.5, "-0.5000000000"},
      {123456.7, "123456.7000000000"},
      {0.1 + 0.2, "0.3000000000"},
      {1e-10, "0.0000000001"},
      {5e-12, "4.9999999999999997e-12"},
      {-3e-11, "-3.0000000000000000e-11"},
      {1.5e-10, "1.5000000000000000e-10"},
      {1e87, "9.9999999999999996e+86"},
      {-2.5e300, "-2.5000000000000001e+300"},
      {NAN, ""},
      {INFINITY, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(StoredDoubleText(c.value), U16(c.text));
  }
  // Just below the exponent limit the fixed text still fits its buffer.
  const std::u16string big = StoredDoubleText(9.99e86);
  EXPECT_EQ(big.find(u'e'), std::u16string::npos);
  EXPECT_LT(big.size(), SettingsStore::kDoubleUnits);
}

TEST(StoredDouble, ReadsAsTheWideConversionDoes) {
  const struct {
    const char* text;
    bool ok;
    double value;
  } cases[] = {
      {"  -12.5e3xyz", true, -12500}, {"abc", true, 0},   {"", true, 0},         {"1e", true, 1},
      {"1e+", true, 1},               {".5", true, 0.5},  {"5.", true, 5},       {"-", true, 0},
      {"inf", true, 0},               {"nan", true, 0},   {"+.e5", true, 0},     {"0x10", true, 0},
      {"\t7", true, 7},               {"1e999", false, 0}, {"-1e400", false, 0}, {"1e-400", true, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    double v = 42;
    EXPECT_EQ(ParseStoredDouble(U16(c.text), &v), c.ok);
    if (c.ok) {
      EXPECT_EQ(v, c.value);
    }
  }
}

class SettingsStoreFile : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/abacine-settings-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    dir_ = pattern;
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  // Runs `walk` on a store over the settings file: saves, or loads.
  template <typename Body>
  void Walk(SettingsDirection direction, Body walk) {
    platform::Registry registry(dir_ + "/settings.reg", nullptr);
    SettingsStore store(registry);
    ASSERT_TRUE(store.OpenSettingsKey(u"Software\\Velmora\\Abacine"));
    walk(store, direction);
  }
  void Raw(const char16_t* name, uint32_t type, const std::vector<uint8_t>& data) {
    platform::Registry registry(dir_ + "/settings.reg", nullptr);
    platform::RegistryKey key = 0;
    registry.CreateKey(u"Software\\Velmora\\Abacine", &key);
    registry.SetValue(key, name, type, data.data(), static_cast<uint32_t>(data.size()));
    registry.CloseKey(key);
  }

  std::string dir_;
};

TEST_F(SettingsStoreFile, MemoryValuesComeBackAsTheSlotShowsThem) {
  const double values[] = {1.0 / 3.0, 5e-12, -3e-11, 123456.7, 1e300, -2.0, 0.0};
  const double expected[] = {0.3333333333, 5e-12, -3e-11, 123456.7, 1e300, -2.0, 0.0};
  for (size_t i = 0; i < std::size(values); ++i) {
    SCOPED_TRACE(values[i]);
    double v = values[i];
    Walk(SettingsDirection::kSave, [&](SettingsStore& s, SettingsDirection d) { s.SerializeDouble(u"Memory1a", &v, d); });
    double back = 99;
    Walk(SettingsDirection::kLoad, [&](SettingsStore& s, SettingsDirection d) { s.SerializeDouble(u"Memory1a", &back, d); });
    EXPECT_EQ(back, expected[i]);
  }
  // A non-finite value is never written: the stored one stays.
  double inf = INFINITY, back = 0;
  Walk(SettingsDirection::kSave, [&](SettingsStore& s, SettingsDirection d) { s.SerializeDouble(u"Memory1a", &inf, d); });
  Walk(SettingsDirection::kLoad, [&](SettingsStore& s, SettingsDirection d) { s.SerializeDouble(u"Memory1a", &back, d); });
  EXPECT_EQ(back, 0.0);
}

TEST_F(SettingsStoreFile, ValuesThatCannotBeReadLeaveTheFieldAlone) {
  Raw(u"Two", platform::kRegDword, {2, 0, 0, 0});
  Raw(u"One", platform::kRegDword, {1, 0, 0, 0});
  Raw(u"LongText", platform::kRegSz, platform::RegSzBytes(u"12345"));
  Raw(u"Short", platform::kRegDword, {1, 0});
  Raw(u"Fits", platform::kRegSz, platform::RegSzBytes(std::u16string(255, u'7')));
  Raw(u"TooLong", platform::kRegSz, platform::RegSzBytes(std::u16string(256, u'7')));
  Raw(u"Empty", platform::kRegSz, platform::RegSzBytes(u""));
  Raw(u"Garbage", platform::kRegSz, platform::RegSzBytes(u"x1"));
  Raw(u"HugeMemory", platform::kRegSz, platform::RegSzBytes(std::u16string(120, u'1')));

  bool two = true, one = false, missing = true;
  uint32_t angle = 1, shortDword = 5;
  WString fits, tooLong(u"kept"), empty(u"gone"), absent(u"kept");
  double garbage = 5, huge = 5, gone = 5;
  Walk(SettingsDirection::kLoad, [&](SettingsStore& s, SettingsDirection d) {
    s.SerializeBool(u"Two", &two, d);
    s.SerializeBool(u"One", &one, d);
    s.SerializeBool(u"Missing", &missing, d);
    s.SerializeDword(u"LongText", &angle, d);
    s.SerializeDword(u"Short", &shortDword, d);
    s.SerializeText(u"Fits", &fits, d);
    s.SerializeText(u"TooLong", &tooLong, d);
    s.SerializeText(u"Empty", &empty, d);
    s.SerializeText(u"Absent", &absent, d);
    s.SerializeDouble(u"Garbage", &garbage, d);
    s.SerializeDouble(u"HugeMemory", &huge, d);
    s.SerializeDouble(u"Empty", &gone, d);
  });
  EXPECT_FALSE(two);
  EXPECT_TRUE(one);
  EXPECT_TRUE(missing);
  EXPECT_EQ(angle, 1u);
  EXPECT_EQ(shortDword, 5u);
  EXPECT_EQ(fits.Length(), 255);
  EXPECT_EQ(tooLong, WString(u"kept"));
  EXPECT_TRUE(empty.Empty());
  EXPECT_EQ(absent, WString(u"kept"));
  EXPECT_EQ(garbage, 0.0);
  EXPECT_EQ(huge, 5.0);
  EXPECT_EQ(gone, 5.0);
}

}  // namespace
}  // namespace abacine
