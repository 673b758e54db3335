// The registry stand-in: its text form, read forgivingly and written so that
// it reads back exactly, and the store's calls and file handling.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "support/scratch_dir.h"
#include "platform/atomic_file.h"
#include "platform/registry.h"

namespace abacine::platform {
namespace {

namespace fs = std::filesystem;

constexpr char kHead[] = "Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\Software\\Velmora\\Abacine]\n";

std::vector<uint8_t> Dword(uint32_t v) {
  return {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v >> 16),
          static_cast<uint8_t>(v >> 24)};
}

// The values of the first key, as "name=type:hexbytes" lines.
std::string Dump(const RegistryData& data) {
  std::ostringstream out;
  if (data.keys.empty()) return "";
  for (const RegistryValue& v : data.keys.front().values) {
    for (char16_t c : v.name) out << static_cast<char>(c < 128 ? c : '?');
    out << '=' << v.type << ':';
    for (uint8_t b : v.data) out << std::hex << (b >> 4) << (b & 15) << std::dec;
    out << ';';
  }
  return out.str();
}

TEST(RegistryText, ReadsWhatItCanAndSkipsWhatIsDamaged) {
  struct Case {
    const char* name;
    std::string text;
    std::string values;
    size_t skipped;
  };
  const Case cases[] = {
      {"dword", std::string(kHead) + "\"AngleMode\"=dword:00000002\n", "AngleMode=4:02000000;", 0},
      {"dword cut short", std::string(kHead) + "\"AngleMode\"=dword:0000000", "", 1},
      {"dword not hex", std::string(kHead) + "\"A\"=dword:0000000g\n", "", 1},
      {"escaped text", std::string(kHead) + "\"Input\"=\"a\\\\b\\\"c\"\n", "Input=1:61005c00620022006300" "0000;", 0},
      {"text not closed", std::string(kHead) + "\"Input\"=\"2+3\n\"B\"=dword:00000001\n", "B=4:01000000;", 1},
      {"text with junk after", std::string(kHead) + "\"Input\"=\"2\"x\n", "", 1},
      {"bad UTF-8 in text", std::string(kHead) + "\"Input\"=\"\xC3\x28\"\n", "", 1},
      {"calculator sign", std::string(kHead) + "\"Input\"=\"2\xC2\x80" "3\"\n", "Input=1:320080003300" "0000;", 0},
      {"hex continued", std::string(kHead) + "\"P\"=hex(1):31,00,0a,\\\n  00,00,00\n", "P=1:31000a000000;", 0},
      {"hex cut at end", std::string(kHead) + "\"P\"=hex(1):31,00,\\\n", "", 1},
      {"binary", std::string(kHead) + "\"B\"=hex:de,AD\n", "B=3:dead;", 0},
      {"empty binary", std::string(kHead) + "\"B\"=hex:\n", "B=3:;", 0},
      {"odd hex digit", std::string(kHead) + "\"B\"=hex:d\n", "", 1},
      {"value before any key", "Windows Registry Editor Version 5.00\n\"A\"=dword:00000001\n", "", 1},
      {"deleted key", "Windows Registry Editor Version 5.00\n[-HKEY_LOCAL_MACHINE\\X]\n\"A\"=dword:00000001\n", "", 1},
      {"deletion of a value", std::string(kHead) + "\"A\"=-\n", "", 1},
      {"later value wins, names ignore case", std::string(kHead) + "\"A\"=dword:00000001\n\"a\"=dword:00000002\n",
       "A=4:02000000;", 0},
      {"default value and comment", std::string(kHead) + "; a note\n@=\"x\"\n", "=1:78000000;", 0},
      {"CRLF and BOM", "\xEF\xBB\xBFWindows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\K]\r\n\"A\"=dword:00000001\r\n",
       "A=4:01000000;", 0},
      {"no value part", std::string(kHead) + "\"A\"\n\"B\"=\n", "", 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const RegistryParseResult r = ParseRegistryText(c.text);
    EXPECT_TRUE(r.recognised);
    EXPECT_EQ(Dump(r.data), c.values);
    EXPECT_EQ(r.skippedLines, c.skipped);
  }
}

TEST(RegistryText, ReadsUtf16ExportsAndForeignFiles) {
  const std::string utf8 = std::string(kHead) + "\"Input\"=\"\xCF\x80\"\n";
  std::string utf16 = "\xFF\xFE";
  for (unsigned char c : std::string(kHead) + "\"Input\"=\"") utf16 += {static_cast<char>(c), '\0'};
  utf16 += {'\xC0', '\x03', '"', '\0', '\n', '\0'};  // U+03C0
  EXPECT_EQ(Dump(ParseRegistryText(utf16).data), Dump(ParseRegistryText(utf8).data));
  EXPECT_EQ(Dump(ParseRegistryText(utf8).data), "Input=1:c0030000;");

  const RegistryParseResult foreign = ParseRegistryText("root:x:0:0:root:/root:/bin/bash\n[section]\nkey=value\n");
  EXPECT_FALSE(foreign.recognised);
  EXPECT_EQ(Dump(foreign.data), "");
}

TEST(RegistryText, EveryValueReadsBackExactly) {
  RegistryData data;
  RegistryKeyData& key = data.AddKey(u"HKEY_LOCAL_MACHINE\\Software\\Velmora\\Abacine");
  const std::u16string longText(300, u'7');
  key.values = {
      {u"ShowFractions", kRegDword, Dword(1)},
      {u"AngleMode", kRegDword, Dword(0xFFFFFFFF)},
      {u"Input", kRegSz, RegSzBytes(u"2\u0080" u"3+\u00ED\\\"")},
      {u"Empty", kRegSz, RegSzBytes(u"")},
      {u"Pasted", kRegSz, RegSzBytes(u"1\n2\t3")},
      {u"Pair", kRegSz, RegSzBytes(u"\U0001F600")},
      {u"Lone", kRegSz, RegSzBytes(u"a\xD800" u"b")},
      {u"NoTerminator", kRegSz, {0x41, 0x00}},
      {u"Odd", kRegSz, {0x41}},
      {u"ShortDword", kRegDword, {1, 2}},
      {u"Binary", kRegBinary, std::vector<uint8_t>(60, 0xAB)},
      {u"Multi", 7, {0x61, 0, 0, 0, 0, 0}},
      {u"Long", kRegSz, RegSzBytes(longText)},
      {u"Quote\"And\\Slash", kRegSz, RegSzBytes(u"x")},
      {u"", kRegSz, RegSzBytes(u"default")},
  };
  data.AddKey(u"HKEY_CURRENT_USER\\Other").values = {{u"Kept", kRegDword, Dword(7)}};

  const std::string text = FormatRegistryText(data);
  const RegistryParseResult back = ParseRegistryText(text);
  EXPECT_TRUE(back.recognised);
  EXPECT_EQ(back.skippedLines, 0u);
  ASSERT_EQ(back.data.keys.size(), 2u);
  for (size_t k = 0; k < 2; ++k) {
    ASSERT_EQ(back.data.keys[k].values.size(), data.keys[k].values.size());
    EXPECT_EQ(back.data.keys[k].path, data.keys[k].path);
    for (size_t i = 0; i < data.keys[k].values.size(); ++i) {
      const RegistryValue& want = data.keys[k].values[i];
      const RegistryValue& got = back.data.keys[k].values[i];
      SCOPED_TRACE(i);
      EXPECT_EQ(got.name, want.name);
      EXPECT_EQ(got.type, want.type);
      EXPECT_EQ(got.data, want.data);
    }
  }
  // The readable forms are used where they fit.
  EXPECT_NE(text.find("\"ShowFractions\"=dword:00000001\n"), std::string::npos);
  EXPECT_NE(text.find("\"Input\"=\"2\xC2\x80" "3+\xC3\xAD\\\\\\\"\"\n"), std::string::npos);
  EXPECT_NE(text.find("\"Pasted\"=hex(1):31,00,0a,00"), std::string::npos);
}

class RegistryFile : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(scratch_.Path().empty());
    path_ = dir_ + "/settings.reg";
  }

  static std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  static void Write(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
  }
  // Saves ShowFractions = v through a fresh store; returns what it warned.
  static std::string SaveFlag(const std::string& path, uint32_t v) {
    std::FILE* log = std::tmpfile();
    {
      Registry reg(path, log);
      RegistryKey key = 0;
      EXPECT_EQ(reg.CreateKey(u"Software\\Velmora\\Abacine", &key), kRegSuccess);
      EXPECT_EQ(reg.SetValue(key, u"ShowFractions", kRegDword, &v, 4), kRegSuccess);
      EXPECT_EQ(reg.CloseKey(key), kRegSuccess);
    }
    std::rewind(log);
    char buffer[512] = {};
    const size_t n = std::fread(buffer, 1, sizeof buffer - 1, log);
    std::fclose(log);
    return std::string(buffer, n);
  }
  // ShowFractions as a fresh store reads it; -1 when missing.
  static int64_t LoadFlag(const std::string& path) {
    Registry reg(path, nullptr);
    RegistryKey key = 0;
    reg.CreateKey(u"Software\\Velmora\\Abacine", &key);
    uint32_t v = 0, size = 4;
    const int32_t r = reg.QueryValue(key, u"ShowFractions", nullptr, &v, &size);
    return r == kRegSuccess ? int64_t{v} : -1;
  }

  abacine::testing::ScratchDir scratch_;
  std::string dir_ = scratch_.Path();
  std::string path_;
};

TEST_F(RegistryFile, FirstSaveCreatesFoldersAndFileThenReadsBack) {
  const std::string nested = dir_ + "/config/abacine/settings.reg";
  EXPECT_EQ(SaveFlag(nested, 1), "");
  EXPECT_EQ(Read(nested), std::string(kHead) + "\"ShowFractions\"=dword:00000001\n");
  EXPECT_EQ(LoadFlag(nested), 1);
  // Nothing is left beside it.
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_ + "/config/abacine"), fs::directory_iterator()), 1);
}

TEST_F(RegistryFile, QueryTellsTheSizeFirstAndRefusesSmallBuffers) {
  Registry reg(path_, nullptr);
  RegistryKey key = 0;
  ASSERT_EQ(reg.CreateKey(u"Software\\Velmora\\Abacine", &key), kRegSuccess);
  const std::vector<uint8_t> text = RegSzBytes(u"2+3");
  ASSERT_EQ(reg.SetValue(key, u"Input", kRegSz, text.data(), 8), kRegSuccess);
  uint32_t type = 0, size = 0;
  EXPECT_EQ(reg.QueryValue(key, u"input", &type, nullptr, &size), kRegSuccess);
  EXPECT_EQ(type, kRegSz);
  EXPECT_EQ(size, 8u);
  char16_t buffer[4] = {u'x', u'x', u'x', u'x'};
  size = 6;
  EXPECT_EQ(reg.QueryValue(key, u"Input", nullptr, buffer, &size), kRegMoreData);
  EXPECT_EQ(size, 8u);
  EXPECT_EQ(buffer[0], u'x');
  EXPECT_EQ(reg.QueryValue(key, u"Input", nullptr, buffer, &size), kRegSuccess);
  EXPECT_EQ(std::u16string(buffer), u"2+3");
  EXPECT_EQ(reg.QueryValue(key, u"Missing", nullptr, nullptr, &size), kRegNotFound);
  EXPECT_EQ(reg.CloseKey(key), kRegSuccess);
  EXPECT_EQ(reg.CloseKey(key), kRegInvalidHandle);
  EXPECT_EQ(reg.QueryValue(key, u"Input", nullptr, nullptr, &size), kRegInvalidHandle);
  EXPECT_EQ(reg.SetValue(99, u"Input", kRegSz, text.data(), 8), kRegInvalidHandle);
}

TEST_F(RegistryFile, UnwritablePlaceWarnsOnceAndKeepsValuesInMemory) {
  Write(dir_ + "/file", "x");
  const std::string path = dir_ + "/file/settings.reg";  // a folder that is a file
  std::FILE* log = std::tmpfile();
  Registry reg(path, log);
  for (int i = 0; i < 3; ++i) {
    RegistryKey key = 0;
    ASSERT_EQ(reg.CreateKey(u"Software\\Velmora\\Abacine", &key), kRegSuccess);
    const uint32_t v = static_cast<uint32_t>(i);
    reg.SetValue(key, u"AngleMode", kRegDword, &v, 4);
    reg.CloseKey(key);
    EXPECT_FALSE(reg.LastSaveSucceeded());
  }
  RegistryKey key = 0;
  reg.CreateKey(u"Software\\Velmora\\Abacine", &key);
  uint32_t v = 9, size = 4;
  EXPECT_EQ(reg.QueryValue(key, u"AngleMode", nullptr, &v, &size), kRegSuccess);
  EXPECT_EQ(v, 2u);
  std::rewind(log);
  std::string said(512, '\0');
  said.resize(std::fread(said.data(), 1, said.size(), log));
  std::fclose(log);
  EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
  EXPECT_NE(said.find(path), std::string::npos) << said;
}

TEST_F(RegistryFile, ForeignDamagedAndOversizedFiles) {
  // Someone else's file is read but never written over.
  const std::string foreign = "export PATH=/bin\n";
  Write(path_, foreign);
  EXPECT_NE(SaveFlag(path_, 1).find("not a settings file"), std::string::npos);
  EXPECT_EQ(Read(path_), foreign);

  // A damaged file keeps every value it can read; the next save cleans it.
  Write(path_, std::string(kHead) + "\"Junk\"=dword:zz\n\x01\x02\xff\n\"ShowFractions\"=dword:00000001\n");
  EXPECT_EQ(LoadFlag(path_), 1);
  EXPECT_EQ(SaveFlag(path_, 0), "");
  EXPECT_EQ(Read(path_), std::string(kHead) + "\"ShowFractions\"=dword:00000000\n");

  // An oversized file: what lies within the read limit counts.
  std::string big = std::string(kHead) + "\"ShowFractions\"=dword:00000001\n";
  big += std::string(kRegMaxFileBytes, ';') + "\n\"ShowFractions\"=dword:00000000\n";
  Write(path_, big);
  EXPECT_EQ(LoadFlag(path_), 1);

  // Temporary files of killed saves are not read, and the next save
  // removes those old enough to be no save's under way.
  const std::string stale = dir_ + "/.settings.reg.tmp-abcdef", young = dir_ + "/.settings.reg.tmp-ghijkl";
  Write(stale, std::string(kHead) + "\"ShowFractions\"=dword:00000007\n");
  Write(young, "");
  const struct timeval old[2] = {{1000, 0}, {1000, 0}};
  ASSERT_EQ(::utimes(stale.c_str(), old), 0);
  EXPECT_EQ(LoadFlag(path_), 1);
  EXPECT_EQ(SaveFlag(path_, 0), "");
  EXPECT_FALSE(fs::exists(stale));
  EXPECT_TRUE(fs::exists(young));

  // An empty file is a settings file that was never written.
  Write(path_, "");
  EXPECT_EQ(SaveFlag(path_, 1), "");
  EXPECT_EQ(LoadFlag(path_), 1);
}

TEST_F(RegistryFile, OutputsThatAreNotRegularFilesAreLeftAlone) {
  const std::string fifo = dir_ + "/fifo";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  std::string error;
  EXPECT_FALSE(WriteFileAtomically(fifo, "data", &error));
  EXPECT_NE(error.find("pipe"), std::string::npos) << error;
  struct stat st {};
  ASSERT_EQ(::lstat(fifo.c_str(), &st), 0);
  EXPECT_TRUE(S_ISFIFO(st.st_mode));
  EXPECT_NE(SaveFlag(fifo, 1).find(fifo), std::string::npos);

  EXPECT_FALSE(WriteFileAtomically(dir_, "data", &error));
  const std::string dangling = dir_ + "/dangling";
  ASSERT_EQ(::symlink((dir_ + "/nowhere").c_str(), dangling.c_str()), 0);
  EXPECT_FALSE(WriteFileAtomically(dangling, "data", &error));
  EXPECT_FALSE(fs::exists(dir_ + "/nowhere"));

  // A link to a regular file is followed; the link stays a link and the
  // file keeps its permissions.
  const std::string real = dir_ + "/real.reg", link = dir_ + "/link.reg";
  Write(real, "old");
  ASSERT_EQ(::chmod(real.c_str(), 0640), 0);
  ASSERT_EQ(::symlink(real.c_str(), link.c_str()), 0);
  EXPECT_TRUE(WriteFileAtomically(link, "new", &error)) << error;
  EXPECT_EQ(Read(real), "new");
  ASSERT_EQ(::lstat(link.c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  ASSERT_EQ(::stat(real.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
}

TEST(RegistryPath, EnvironmentChoosesTheFile) {
  struct Case {
    const char* registry;
    const char* xdg;
    const char* home;
    const char* expected;
  };
  const Case cases[] = {
      {"/x/mine.reg", "/cfg", "/home/u", "/x/mine.reg"},
      {"", "/cfg", "/home/u", "/cfg/abacine/settings.reg"},
      {nullptr, "relative", "/home/u", "/home/u/.config/abacine/settings.reg"},
      {nullptr, nullptr, "/home/u", "/home/u/.config/abacine/settings.reg"},
      {nullptr, nullptr, nullptr, ""},
  };
  const auto set = [](const char* name, const char* value) {
    if (value == nullptr) {
      ::unsetenv(name);
    } else {
      ::setenv(name, value, 1);
    }
  };
  for (const Case& c : cases) {
    set("ABACINE_REGISTRY", c.registry);
    set("XDG_CONFIG_HOME", c.xdg);
    set("HOME", c.home);
    EXPECT_EQ(Registry::DefaultPath(), c.expected);
  }
}

}  // namespace
}  // namespace abacine::platform
