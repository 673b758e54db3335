// The archive reader on hand-made archive bytes: header and directory checks,
// lookups, stored and compressed reads, rewinding, and the lifetime rules
// between an archive and its entries.
#include "graphics/archive.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "archive_support.h"

namespace abacine {
namespace {

namespace fs = std::filesystem;
using namespace archive_test;

const std::string kBig = std::string(5000, 'x') + "tail";

// Names of even length (a pad byte follows) and odd length, names either side
// of 127 bytes, UTF-8 names, nested and empty folders, stored and compressed
// files, and a stored file that looks like zlib data.
Node SampleTree() {
  return Dir("/", {File("ab", "even name: pad byte"), File("abc", "odd name: no pad"),
                   Dir("vga", {File("font.png", "0123456789"), Compressed("big.bin", kBig)}),
                   Dir("empty", {}), Compressed("zip", "hello, compressed world"),
                   File("zlike", "\x78\x9c\x01\x02"), File("nothing", ""),
                   File(std::string(127, 'n'), "a"), File(std::string(128, 'm'), "b"),
                   File(std::string(255, 'w'), "c"), File("caf\xC3\xA9.png", "e"),
                   File("\xF0\x9F\x98\x80", "smile")});
}

std::string Utf8(std::u16string_view s) {
  std::string out;
  return WideToNarrow(s, &out) ? out : "(not UTF-16)";
}

class ArchiveTest : public ::testing::Test {
 protected:
  void SetUp() override {
    sample_ = dir_.Write("sample.vfs", Serialize(SampleTree()));
    ASSERT_EQ(archive_.OpenArchive(sample_.c_str()), kOk);
  }
  std::string WriteArchive(const Bytes& bytes, const std::string& name = "a.vfs") {
    return dir_.Write(name, bytes);
  }
  TempDir dir_;
  std::string sample_;
  Archive archive_;  // the sample, open
};

// ---- opening -------------------------------------------------------------

TEST_F(ArchiveTest, OpenChecksHeaderAndDirectory) {
  const Bytes good = Serialize(SampleTree());
  const uint32_t real_end = Get32(good, 8);
  auto with = [&](auto change) {
    Bytes b = good;
    change(b);
    return b;
  };
  struct Row { const char* what; Bytes bytes; ResultCode expected; };
  const Row rows[] = {
      {"sound archive", good, kOk}, {"wrong magic", with([](Bytes& b) { b[3] = 'F'; }), kErrArchiveBadMagic},
      {"version 0", with([](Bytes& b) { Set32(&b, 4, 0); }), kErrArchiveBadVersion},
      {"version 2", with([](Bytes& b) { Set32(&b, 4, 2); }), kErrArchiveBadVersion},
      {"directory end one short", with([&](Bytes& b) { Set32(&b, 8, real_end - 1); }), kErrDirectoryOverrun},
      {"directory end 12", with([](Bytes& b) { Set32(&b, 8, 12); }), kErrDirectoryOverrun},
      {"directory end 0", with([](Bytes& b) { Set32(&b, 8, 0); }), kErrDirectoryOverrun},
      {"directory end past the file", with([](Bytes& b) { Set32(&b, 8, 0xFFFFFFF0u); }), kOk},
      {"empty file", {}, kErrArchiveBadMagic}, {"three bytes", {'G', 'D', 'v'}, kErrArchiveBadMagic},
      {"magic only", {'G', 'D', 'v', 'f'}, kErrArchiveBadVersion},
      {"header without root", {'G', 'D', 'v', 'f', 1, 0, 0, 0, 0xFF, 0, 0, 0}, kErrDirectoryOverrun},
      {"cut inside the directory, end beyond the file", with([](Bytes& b) { b.resize(30), Set32(&b, 8, 1000); }),
       kErrDirectoryOverrun},
      {"root claims more children than follow", with([&](Bytes& b) { b[12] = 200, b.resize(real_end); }),
       kErrDirectoryOverrun},
      {"root claims 65534 children", with([](Bytes& b) { b[12] = 0xFE, b[13] = 0xFF; }), kErrDirectoryOverrun},
      {"name runs past the end", {'G', 'D', 'v', 'f', 1, 0, 0, 0, 17, 0, 0, 0, 0, 0, 9, 'a', 'b'},
       kErrDirectoryOverrun},
      {"file fields cut", {'G', 'D', 'v', 'f', 1, 0, 0, 0, 24, 0, 0, 0, 0xFF, 0xFF, 1, '/', 1, 0, 0, 0, 0, 0, 0, 0},
       kErrDirectoryOverrun},
      {"empty root directory", {'G', 'D', 'v', 'f', 1, 0, 0, 0, 16, 0, 0, 0, 0, 0, 1, '/'}, kOk},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    Archive archive;
    EXPECT_EQ(archive.OpenArchive(WriteArchive(row.bytes).c_str()), row.expected);
    EXPECT_EQ(archive.IsOpen(), row.expected == kOk);
    if (row.expected != kOk) {
      EXPECT_TRUE(archive.Tree().empty());
    }
  }
}

TEST_F(ArchiveTest, OpenByPath) {
  Archive archive;
  EXPECT_EQ(archive.OpenArchive(static_cast<const char*>(nullptr)), kErrInvalidArg);
  EXPECT_EQ(archive.OpenArchive(static_cast<const char16_t*>(nullptr)), kErrInvalidArg);
  EXPECT_EQ(archive.OpenArchive((dir_.Path() + "/missing.vfs").c_str()), kErrArchiveNotFound);
  EXPECT_EQ(archive.OpenArchive(dir_.Path().c_str()), kErrArchiveNotFound);  // a folder
  EXPECT_EQ(archive.OpenArchive(u"/tmp/\xD800.vfs"), kErrArchiveNotFound);    // unpaired surrogate
  EXPECT_EQ(archive.OpenArchive(std::string(5000, '/').c_str()), kErrArchiveNotFound);
  EXPECT_FALSE(archive.IsOpen());
  // A wide path names the UTF-8 file.
  const std::string wide_file = WriteArchive(Serialize(SampleTree()), "wide-\xC3\xA9.vfs");
  std::u16string wide(dir_.Path().begin(), dir_.Path().end());
  ASSERT_EQ(archive.OpenArchive((wide + u"/wide-\u00E9.vfs").c_str()), kOk);
  EXPECT_EQ(archive.FileSize(), fs::file_size(wide_file));
  // A failed open closes the archive that was open.
  Bytes bad = Serialize(SampleTree());
  bad[0] = 'X';
  EXPECT_EQ(archive.OpenArchive(WriteArchive(bad, "bad.vfs").c_str()), kErrArchiveBadMagic);
  EXPECT_FALSE(archive.IsOpen());
  ArchiveEntry entry;
  EXPECT_EQ(entry.OpenEntry(&archive, u"/ab"), kErrArchiveNotOpen);
}

// Each level takes 4 bytes; a reader that recursed per level would run out of
// stack long before the end.
TEST_F(ArchiveTest, DeeplyNestedDirectoryNeedsNoRecursion) {
  constexpr int kDepth = 200000;
  Bytes b = {'G', 'D', 'v', 'f', 1, 0, 0, 0, 0, 0, 0, 0};
  Put16(&b, 1), b.push_back(1), b.push_back('/');
  for (int i = 0; i < kDepth; ++i) Put16(&b, 1), b.push_back(1), b.push_back('d');
  Put16(&b, 0xFFFF), b.push_back(1), b.push_back('f');
  const size_t fields = b.size();
  Put32(&b, 2), Put32(&b, 0), Put32(&b, 0);
  Set32(&b, 8, static_cast<uint32_t>(b.size()));
  Set32(&b, fields + 8, static_cast<uint32_t>(b.size()));
  b.push_back('o'), b.push_back('k');

  Archive archive;
  ASSERT_EQ(archive.OpenArchive(WriteArchive(b).c_str()), kOk);
  EXPECT_EQ(archive.Tree().size(), size_t{kDepth} + 2);
  std::string path = "/";
  for (int i = 0; i < kDepth; ++i) path += "d/";
  ArchiveEntry entry;
  ASSERT_EQ(entry.OpenEntry(&archive, (path + "f").c_str()), kOk);
  EXPECT_EQ(Read(&entry, 2), "ok");
  EXPECT_EQ(entry.OpenEntry(&archive, (path + "g").c_str()), kErrEntryNotFound);
}

// ---- lookups ---------------------------------------------------------------

TEST_F(ArchiveTest, LookupFindsOnlyFilesByExactPath) {
  // The builder pads "ab" (1 + 2 odd): the reader must skip that byte.
  ASSERT_EQ(Serialize(SampleTree())[21], 0xEE);
  const char16_t lone_surrogate[] = {u'/', 0xD83D, 0};
  // Name lengths compare as signed bytes; wide names compare as UTF-8.
  const std::u16string found[] = {u"/ab", u"/abc", u"/vga/font.png", u"/vga/big.bin", u"/" + std::u16string(127, u'n'),
                                  u"/caf\u00E9.png", u"/\U0001F600"};
  // The root, a directory, a path ending in "/" or continuing below a file,
  // other letter case, no leading slash, an empty component, a prefix of a
  // name, a wildcard.
  const std::u16string not_found[] = {
      u"/" + std::u16string(128, u'm'), u"/" + std::u16string(255, u'w'), u"/cafe.png", lone_surrogate, u"/", u"",
      u"/vga", u"/vga/", u"/empty", u"/ab/x", u"/VGA/font.png", u"/vga/Font.png", u"vga/font.png", u"/vga//font.png",
      u"/vga/font.pn", u"/vga/font.png2", u"/a", u"/vga/*", u"//ab", u"//vga/font.png", u"///ab", u"/vga/font.png/"};
  auto check = [&](const std::u16string& path, ResultCode expected) {
    SCOPED_TRACE(Utf8(path).substr(0, 40));
    ArchiveEntry entry;
    EXPECT_EQ(entry.OpenEntry(&archive_, path.c_str()), expected);
    EXPECT_EQ(entry.IsOpen(), expected == kOk);
  };
  for (const std::u16string& path : found) check(path, kOk);
  for (const std::u16string& path : not_found) check(path, kErrEntryNotFound);
  EXPECT_EQ(archive_.OpenEntryCount(), 0u);
}

TEST_F(ArchiveTest, RootNameStartsEveryPath) {
  struct Row { const char* root; const char* path; bool found; };
  const Row rows[] = {{"", "/x", true},  {"/", "/x", true}, {"/r", "/r/x", true},
                      {"/r", "/x", false}, {"r", "/x", false}, {"r", "r/x", false},
                      // An empty component matches nothing, right after the root too.
                      {"/", "//x", false}, {"", "//x", false}, {"/r", "/r//x", false}};
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.root) + " " + row.path);
    Archive archive;
    ASSERT_EQ(archive.OpenArchive(WriteArchive(Serialize(Dir(row.root, {File("x", "1")}))).c_str()), kOk);
    ArchiveEntry entry;
    EXPECT_EQ(entry.OpenEntry(&archive, row.path), row.found ? kOk : kErrEntryNotFound);
  }
}

// Offsets and sizes are checked against the file before any byte is read.
TEST_F(ArchiveTest, EntriesReachingPastTheFileCannotBeOpened) {
  const Bytes good = Serialize(Dir("/", {File("s", "stored"), Compressed("c", "compressed")}));
  // Root "/" at 12; "s" at 16 with its sizes and offset at 20, 24, 28; "c" at 32: 36, 40, 44.
  const uint32_t s_offset = Get32(good, 28), c_offset = Get32(good, 44);
  const auto file_size = static_cast<uint32_t>(good.size());
  struct Row { const char* what; size_t field; uint32_t value; ResultCode s, c; };
  const Row rows[] = {
      {"stored size one past the file", 20, file_size - s_offset + 1, kErrEntryNotFound, kOk},
      {"stored size up to the last byte", 20, file_size - s_offset, kOk, kOk},
      {"stored offset at the end", 28, file_size, kErrEntryNotFound, kOk},
      {"stored offset wraps 32 bits", 28, 0xFFFFFFFFu, kErrEntryNotFound, kOk},
      {"stored size 4 GiB - 1", 20, 0xFFFFFFFFu, kErrEntryNotFound, kOk},
      {"compressed data one too many", 40, file_size - c_offset + 1, kOk, kErrEntryNotFound},
      {"compressed offset wraps", 44, 0xFFFFFFF0u, kOk, kErrEntryNotFound},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    Bytes b = good;
    Set32(&b, row.field, row.value);
    Archive archive;
    ASSERT_EQ(archive.OpenArchive(WriteArchive(b).c_str()), kOk);
    ArchiveEntry s, c;
    EXPECT_EQ(s.OpenEntry(&archive, "/s"), row.s);
    EXPECT_EQ(c.OpenEntry(&archive, "/c"), row.c);
    EXPECT_EQ(archive.OpenEntryCount(), static_cast<uint32_t>((row.s == kOk) + (row.c == kOk)));
  }
}

// ---- reading ---------------------------------------------------------------

TEST_F(ArchiveTest, ReadsWholeAndInPieces) {
  struct Row { const char* path; std::string expected; bool compressed; std::vector<uint32_t> pieces; };
  const Row rows[] = {
      {"/ab", "even name: pad byte", false, {100}}, {"/abc", "odd name: no pad", false, {100}},
      {"/vga/font.png", "0123456789", false, {100, 10, 3, 1}},
      {"/zlike", std::string("\x78\x9c\x01\x02", 4), false, {64}},  // stored bytes are copied as they are
      {"/nothing", "", false, {8}}, {"/zip", "hello, compressed world", true, {1000, 7, 1}},
      // Exactly the recorded size in one read must already see the stream end.
      {"/vga/big.bin", kBig, true, {10000, 5004, 999}},
  };
  for (const Row& row : rows) {
    for (uint32_t piece : row.pieces) {
      SCOPED_TRACE(std::string(row.path) + " in pieces of " + std::to_string(piece));
      ArchiveEntry entry;
      ASSERT_EQ(entry.OpenEntry(&archive_, row.path), kOk);
      ArchiveEntryInfo info;
      ASSERT_EQ(entry.EntryInfo(&info), kOk);
      EXPECT_EQ(info.size, row.expected.size());
      EXPECT_EQ(info.compressed, row.compressed);
      // Stored entries are also handed out in place, for decoding without a copy.
      if (row.compressed) {
        EXPECT_EQ(entry.StoredData(), nullptr);
      } else if (!row.expected.empty()) {
        ASSERT_NE(entry.StoredData(), nullptr);
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(entry.StoredData()), entry.Size()), row.expected);
      }
      std::string got;
      std::vector<char> buffer(piece);
      while (got.size() < row.expected.size()) {
        uint32_t count = piece;
        ASSERT_EQ(entry.ReadEntry(buffer.data(), &count), kOk);
        ASSERT_EQ(count, std::min<size_t>(piece, row.expected.size() - got.size()));
        got.append(buffer.data(), count);
        EXPECT_EQ(entry.Position(), got.size());
      }
      EXPECT_EQ(got, row.expected);
      // Past the end: a stored entry delivers 0 bytes, a compressed one fails.
      uint32_t count = piece;
      EXPECT_EQ(entry.ReadEntry(buffer.data(), &count), row.compressed ? kErrCompressedDataCorrupt : kOk);
      EXPECT_EQ(count, 0u);
    }
  }
}

TEST_F(ArchiveTest, ArgumentsAndClosedEntries) {
  Archive closed;
  ArchiveEntry entry;
  EXPECT_EQ(entry.OpenEntry(nullptr, u"/ab"), kErrInvalidArg);
  EXPECT_EQ(entry.OpenEntry(&archive_, static_cast<const char16_t*>(nullptr)), kErrInvalidArg);
  EXPECT_EQ(entry.OpenEntry(&archive_, static_cast<const char*>(nullptr)), kErrInvalidArg);
  EXPECT_EQ(entry.OpenEntry(&closed, u"/ab"), kErrArchiveNotOpen);
  EXPECT_EQ(Read(&entry, 4), "failed " + std::to_string(kErrEntryNotOpen));
  EXPECT_EQ(entry.RewindEntry(), kErrEntryNotOpen);
  ArchiveEntryInfo info;
  EXPECT_EQ(entry.EntryInfo(&info), kErrEntryNotOpen);
  ASSERT_EQ(entry.OpenEntry(&archive_, "/zip"), kOk);
  char buffer[4];
  uint32_t count = 4;
  EXPECT_EQ(entry.ReadEntry(nullptr, &count), kErrInvalidArg);
  EXPECT_EQ(count, 0u);
  EXPECT_EQ(entry.ReadEntry(buffer, nullptr), kErrInvalidArg);
  EXPECT_EQ(entry.EntryInfo(nullptr), kErrInvalidArg);
  EXPECT_EQ(Read(&entry, 0), "");  // asking for nothing is not corruption
  EXPECT_EQ(Read(&entry, 4), "hell");
}

TEST_F(ArchiveTest, RewindStartsOver) {
  // first_read: bytes read before rewinding (0: none; 100: past the end)
  struct Row { const char* path; uint32_t first_read; };
  const Row rows[] = {{"/abc", 0}, {"/abc", 5}, {"/abc", 100}, {"/zip", 0},
                      {"/zip", 5}, {"/zip", 100}, {"/vga/big.bin", 4000}};
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.path) + " after " + std::to_string(row.first_read));
    ArchiveEntry entry;
    ASSERT_EQ(entry.OpenEntry(&archive_, row.path), kOk);
    const std::string first = Read(&entry, row.first_read);
    ASSERT_EQ(entry.RewindEntry(), kOk);
    EXPECT_EQ(entry.Position(), 0u);
    const std::string whole = Read(&entry, entry.Size());
    ASSERT_EQ(whole.size(), entry.Size());
    EXPECT_EQ(first, whole.substr(0, row.first_read));
  }
}

TEST_F(ArchiveTest, CompressedDataOfTheWrongSizeOrBrokenIsRefused) {
  const std::string text = "the quick brown fox jumps over the lazy dog, twice: " + std::string(300, 'q');
  constexpr int kNone = -1, kLast = -2;
  // size_delta: recorded size minus the true size
  // flip_at: index into the zlib data to damage, kLast for its last byte, or kNone
  // cut: bytes cut from the end of the zlib data (and its recorded stored size)
  struct Row { const char* what; int size_delta; int flip_at; size_t cut; };
  const Row rows[] = {
      {"recorded size too large", 5, kNone, 0}, {"recorded size too small", -5, kNone, 0},
      {"recorded size one too small", -1, kNone, 0}, {"recorded size 0", -static_cast<int>(text.size()), kNone, 0},
      {"bad zlib header", 0, 0, 0}, {"bad data", 0, 20, 0}, {"bad checksum", 0, kLast, 0},
      {"stream cut short", 0, kNone, 10}, {"checksum cut", 0, kNone, 2},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    Node file = Compressed("c", text);
    if (row.flip_at != kNone) file.data[row.flip_at == kLast ? file.data.size() - 1 : size_t(row.flip_at)] ^= 0x55;
    file.data.resize(file.data.size() - row.cut);
    file.size = static_cast<uint32_t>(static_cast<int>(text.size()) + row.size_delta);
    Archive archive;
    ASSERT_EQ(archive.OpenArchive(WriteArchive(Serialize(Dir("/", {file}))).c_str()), kOk);
    ArchiveEntry entry;
    ASSERT_EQ(entry.OpenEntry(&archive, "/c"), kOk);
    // The caller's buffer is larger than the entry; the reader must not write
    // past the recorded size, whatever the stream holds.
    std::vector<uint8_t> buffer(text.size() + 64, 0xA5);
    uint32_t count = static_cast<uint32_t>(buffer.size());
    EXPECT_EQ(entry.ReadEntry(buffer.data(), &count), kErrCompressedDataCorrupt);
    EXPECT_EQ(count, 0u);
    for (size_t i = file.size; i < buffer.size(); ++i) ASSERT_EQ(buffer[i], 0xA5) << "byte " << i;
    // Stays refused until rewound, and fails the same way again after.
    count = 16;
    EXPECT_EQ(entry.ReadEntry(buffer.data(), &count), kErrCompressedDataCorrupt);
    EXPECT_EQ(entry.RewindEntry(), kOk);
    count = static_cast<uint32_t>(buffer.size());
    EXPECT_EQ(entry.ReadEntry(buffer.data(), &count), kErrCompressedDataCorrupt);
  }
}

// ---- entries and the archive's lifetime ----------------------------------------

TEST_F(ArchiveTest, OpenEntryCountFollowsOpensAndCloses) {
  {
    ArchiveEntry a, b;
    ArchiveEntryBase c;
    ASSERT_EQ(a.OpenEntry(&archive_, u"/ab"), kOk);
    ASSERT_EQ(b.OpenEntry(&archive_, u"/zip"), kOk);
    ASSERT_EQ(c.OpenEntry(&archive_, u"/abc"), kOk);
    EXPECT_EQ(archive_.OpenEntryCount(), 3u);
    // Re-opening an open entry closes it first, in both forms.
    ASSERT_EQ(a.OpenEntry(&archive_, u"/abc"), kOk);
    ASSERT_EQ(c.OpenEntry(&archive_, u"/ab"), kOk);
    EXPECT_EQ(archive_.OpenEntryCount(), 3u);
    // A failed re-open leaves the entry closed.
    EXPECT_EQ(b.OpenEntry(&archive_, u"/none"), kErrEntryNotFound);
    EXPECT_FALSE(b.IsOpen());
    EXPECT_EQ(archive_.OpenEntryCount(), 2u);
    a.CloseEntry();
    a.CloseEntry();  // closing twice counts once
    EXPECT_EQ(archive_.OpenEntryCount(), 1u);
    EXPECT_EQ(a.StoredData(), nullptr);
    ArchiveEntryInfo info;
    EXPECT_EQ(c.EntryInfo(&info), kOk);
    EXPECT_EQ(info.size, 19u);
  }  // c is destroyed while open
  EXPECT_EQ(archive_.OpenEntryCount(), 0u);
  EXPECT_EQ(archive_.CloseArchive(), kOk);
}

// Closing, re-opening or destroying the archive with entries open detaches
// them: they act closed and nothing reads the unmapped file.
TEST_F(ArchiveTest, EntriesAreDetachedWhenTheirArchiveGoesAway) {
  const std::string other = WriteArchive(Serialize(Dir("/", {File("other", "2")})), "two.vfs");
  const std::string not_open = "failed " + std::to_string(kErrEntryNotOpen);
  for (const std::string way : {"close", "reopen", "destroy"}) {
    SCOPED_TRACE(way);
    auto archive = std::make_unique<Archive>();
    ASSERT_EQ(archive->OpenArchive(sample_.c_str()), kOk);
    ArchiveEntry stored, compressed;
    ArchiveEntryBase base;
    ASSERT_EQ(stored.OpenEntry(archive.get(), "/ab"), kOk);
    ASSERT_EQ(compressed.OpenEntry(archive.get(), "/zip"), kOk);
    ASSERT_EQ(base.OpenEntry(archive.get(), "/abc"), kOk);
    ASSERT_EQ(Read(&compressed, 3), "hel");  // the stream is live
    if (way == "close") {
      EXPECT_EQ(archive->CloseArchive(), kErrEntriesStillOpen);
      EXPECT_FALSE(archive->IsOpen());
    } else if (way == "reopen") {
      ASSERT_EQ(archive->OpenArchive(other.c_str()), kOk);
    } else {
      archive.reset();
    }
    for (ArchiveEntry* entry : {&stored, &compressed}) {
      EXPECT_FALSE(entry->IsOpen());
      EXPECT_EQ(Read(entry, 8), not_open);
      EXPECT_EQ(entry->RewindEntry(), kErrEntryNotOpen);
      EXPECT_EQ(entry->StoredData(), nullptr);
    }
    ArchiveEntryInfo info;
    EXPECT_EQ(base.EntryInfo(&info), kErrEntryNotOpen);
    stored.CloseEntry();  // harmless now
    if (archive == nullptr) continue;
    EXPECT_EQ(archive->OpenEntryCount(), 0u);
    if (way == "reopen") {  // the new file serves entries
      EXPECT_EQ(stored.OpenEntry(archive.get(), "/other"), kOk);
      EXPECT_EQ(Read(&stored, 2), "2");
    } else {
      EXPECT_EQ(archive->CloseArchive(), kOk);
    }
  }
}

// ---- program path -----------------------------------------------------------

TEST_F(ArchiveTest, RelativeNamesLieBesideTheProgram) {
  const std::string folder = fs::read_symlink("/proc/self/exe").parent_path().string();
  struct Row { std::string name; ResultCode code; std::string path; };
  const Row rows[] = {
      {"/abs/windows.vfs", kOk, "/abs/windows.vfs"}, {"windows.vfs", kOk, folder + "/windows.vfs"},
      {"sub/x.vfs", kOk, folder + "/sub/x.vfs"}, {"", kOk, folder + "/"},
      {"/" + std::string(kMaxArchivePath, 'a'), kErrArchiveNotFound, ""},
      {std::string(kMaxArchivePath, 'a'), kErrArchiveNotFound, ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name.substr(0, 40));
    std::string path = "stale";
    EXPECT_EQ(ResolveProgramPath(row.name, &path), row.code);
    EXPECT_EQ(path, row.path);
  }
  EXPECT_EQ(ResolveProgramPath("x", nullptr), kErrInvalidArg);
  // And an archive opens by such a name.
  const std::string name = "archive_test_beside_" + std::to_string(getpid()) + ".vfs";
  const Bytes bytes = Serialize(SampleTree());
  TempDir::WriteTo(folder + "/" + name, bytes);
  Archive archive;
  const ResultCode code = archive.OpenArchive(name.c_str());
  fs::remove(folder + "/" + name);
  EXPECT_EQ(code, kOk);
  EXPECT_EQ(archive.FileSize(), bytes.size());
}

}  // namespace
}  // namespace abacine
