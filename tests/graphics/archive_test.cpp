// The archive reader on hand-made archive bytes: header and directory checks,
// lookups, stored and compressed reads, rewinding, and the lifetime rules
// between an archive and its entries.
#include "graphics/archive.h"

#include <gtest/gtest.h>
#include <unistd.h>
#include <zlib.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace abacine {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

// ---- writing archives by hand -----------------------------------------

struct Node {
  std::string name;
  bool is_file = false;
  Bytes data;             // files: the bytes as stored
  uint32_t size = 0;      // files: recorded uncompressed size
  bool compressed = false;
  std::vector<Node> children;
};

Node File(std::string name, const std::string& text) {
  Node n;
  n.name = std::move(name);
  n.is_file = true;
  n.data.assign(text.begin(), text.end());
  n.size = static_cast<uint32_t>(text.size());
  return n;
}

Bytes Deflate(const Bytes& raw) {
  uLongf size = compressBound(static_cast<uLong>(raw.size()));
  Bytes out(size);
  EXPECT_EQ(compress2(out.data(), &size, raw.data(), static_cast<uLong>(raw.size()), 9), Z_OK);
  out.resize(size);
  return out;
}

Node Compressed(std::string name, const std::string& text) {
  Node n = File(std::move(name), text);
  n.data = Deflate(n.data);
  n.compressed = true;
  return n;
}

Node Dir(std::string name, std::vector<Node> children) {
  Node n;
  n.name = std::move(name);
  n.children = std::move(children);
  return n;
}

void Put16(Bytes* b, uint32_t v) {
  b->push_back(static_cast<uint8_t>(v));
  b->push_back(static_cast<uint8_t>(v >> 8));
}
void Put32(Bytes* b, uint32_t v) {
  Put16(b, v & 0xFFFF);
  Put16(b, v >> 16);
}
void Set32(Bytes* b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) (*b)[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

struct Layout {
  Bytes bytes;
  std::vector<std::pair<size_t, const Node*>> offset_fields;  // where each file's offset goes
  size_t directory_end = 0;
};

void WriteNode(const Node& n, Layout* out) {
  Put16(&out->bytes, n.is_file ? 0xFFFF : static_cast<uint32_t>(n.children.size()));
  out->bytes.push_back(static_cast<uint8_t>(n.name.size()));
  out->bytes.insert(out->bytes.end(), n.name.begin(), n.name.end());
  if ((1 + n.name.size()) % 2 == 1) out->bytes.push_back(0xEE);
  if (n.is_file) {
    Put32(&out->bytes, n.size);
    Put32(&out->bytes, n.compressed ? static_cast<uint32_t>(n.data.size()) : 0);
    out->offset_fields.emplace_back(out->bytes.size(), &n);
    Put32(&out->bytes, 0);
  }
  for (const Node& c : n.children) WriteNode(c, out);
}

// Header, directory (depth first), then every file's data in the same order.
Bytes Serialize(const Node& root) {
  Layout out;
  out.bytes = {'G', 'D', 'v', 'f'};
  Put32(&out.bytes, 1);
  Put32(&out.bytes, 0);
  WriteNode(root, &out);
  Set32(&out.bytes, 8, static_cast<uint32_t>(out.bytes.size()));
  for (auto& [field, node] : out.offset_fields) {
    Set32(&out.bytes, field, static_cast<uint32_t>(out.bytes.size()));
    out.bytes.insert(out.bytes.end(), node->data.begin(), node->data.end());
  }
  return out.bytes;
}

uint32_t Get32(const Bytes& b, size_t at) {
  return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<uint32_t>(b[at + 3]) << 24);
}

class TempDir {
 public:
  TempDir() {
    char pattern[] = "/tmp/archive_test_XXXXXX";
    path_ = mkdtemp(pattern);
  }
  ~TempDir() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
  }
  std::string Write(const std::string& name, const Bytes& bytes) const {
    const std::string file = path_ + "/" + name;
    std::ofstream(file, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                static_cast<std::streamsize>(bytes.size()));
    return file;
  }
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
};

// The tree most cases read: names of odd and even length, a nested folder,
// an empty folder, stored and compressed files.
Node SampleTree() {
  return Dir("/", {
                      File("ab", "even name: pad byte"),
                      File("abc", "odd name: no pad"),
                      Dir("vga", {File("font.png", "0123456789"),
                                  Compressed("big.bin", std::string(5000, 'x') + "tail")}),
                      Dir("empty", {}),
                      Compressed("zip", "hello, compressed world"),
                      File("zlike", "\x78\x9c\x01\x02"),  // looks like zlib, stored as is
                      File("nothing", ""),
                  });
}

class ArchiveTest : public ::testing::Test {
 protected:
  std::string WriteArchive(const Bytes& bytes, const std::string& name = "a.vfs") {
    return dir_.Write(name, bytes);
  }
  // Reads to the recorded size in pieces of the given length.
  static std::string ReadAll(ArchiveEntry* entry, uint32_t piece) {
    std::string out;
    std::vector<char> buffer(piece);
    while (out.size() < entry->Size()) {
      uint32_t count = piece;
      if (entry->ReadEntry(buffer.data(), &count) != kOk || count == 0) break;
      out.append(buffer.data(), count);
    }
    return out;
  }
  TempDir dir_;
};

// ---- opening -------------------------------------------------------------

TEST_F(ArchiveTest, OpenChecksHeaderAndDirectory) {
  const Bytes good = Serialize(SampleTree());
  const uint32_t real_end = Get32(good, 8);
  struct Row {
    const char* what;
    Bytes bytes;
    ResultCode expected;
  };
  auto with = [&](auto change) {
    Bytes b = good;
    change(b);
    return b;
  };
  const Row rows[] = {
      {"sound archive", good, kOk},
      {"wrong magic", with([](Bytes& b) { b[3] = 'F'; }), kErrArchiveBadMagic},
      {"version 0", with([](Bytes& b) { Set32(&b, 4, 0); }), kErrArchiveBadVersion},
      {"version 2", with([](Bytes& b) { Set32(&b, 4, 2); }), kErrArchiveBadVersion},
      {"directory end one short", with([&](Bytes& b) { Set32(&b, 8, real_end - 1); }), kErrDirectoryOverrun},
      {"directory end 12", with([](Bytes& b) { Set32(&b, 8, 12); }), kErrDirectoryOverrun},
      {"directory end 0", with([](Bytes& b) { Set32(&b, 8, 0); }), kErrDirectoryOverrun},
      {"directory end past the file", with([](Bytes& b) { Set32(&b, 8, 0xFFFFFFF0u); }), kOk},
      {"empty file", {}, kErrArchiveBadMagic},
      {"three bytes", {'G', 'D', 'v'}, kErrArchiveBadMagic},
      {"magic only", {'G', 'D', 'v', 'f'}, kErrArchiveBadVersion},
      {"header without root", {'G', 'D', 'v', 'f', 1, 0, 0, 0, 0xFF, 0, 0, 0}, kErrDirectoryOverrun},
      {"cut inside the directory, end beyond the file",
       with([](Bytes& b) {
         b.resize(30);
         Set32(&b, 8, 1000);
       }),
       kErrDirectoryOverrun},
      {"root claims more children than follow",
       with([&](Bytes& b) {
         b[12] = 9;
         b.resize(real_end);
       }),
       kErrDirectoryOverrun},
      {"root claims 65534 children", with([](Bytes& b) {
         b[12] = 0xFE;
         b[13] = 0xFF;
       }),
       kErrDirectoryOverrun},
      {"name runs past the end",
       {'G', 'D', 'v', 'f', 1, 0, 0, 0, 17, 0, 0, 0, 0, 0, 9, 'a', 'b'},
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

TEST_F(ArchiveTest, OpenFailsForMissingOrUnusablePaths) {
  Archive archive;
  EXPECT_EQ(archive.OpenArchive(static_cast<const char*>(nullptr)), kErrInvalidArg);
  EXPECT_EQ(archive.OpenArchive(static_cast<const char16_t*>(nullptr)), kErrInvalidArg);
  EXPECT_EQ(archive.OpenArchive((dir_.Path() + "/missing.vfs").c_str()), kErrArchiveNotFound);
  EXPECT_EQ(archive.OpenArchive(dir_.Path().c_str()), kErrArchiveNotFound);  // a folder
  EXPECT_EQ(archive.OpenArchive(u"/tmp/\xD800.vfs"), kErrArchiveNotFound);    // unpaired surrogate
  EXPECT_EQ(archive.OpenArchive(std::string(5000, '/').c_str()), kErrArchiveNotFound);
  EXPECT_FALSE(archive.IsOpen());
}

TEST_F(ArchiveTest, WidePathOpensTheSameFile) {
  const std::string path = WriteArchive(Serialize(SampleTree()), "wide-\xC3\xA9.vfs");
  std::u16string wide;
  for (char c : dir_.Path() + "/wide-") wide.push_back(static_cast<char16_t>(c));
  wide += u"\u00E9.vfs";
  Archive archive;
  EXPECT_EQ(archive.OpenArchive(wide.c_str()), kOk);
  EXPECT_EQ(archive.FileSize(), fs::file_size(path));
}

TEST_F(ArchiveTest, FailedOpenClosesThePreviousArchive) {
  Archive archive;
  ASSERT_EQ(archive.OpenArchive(WriteArchive(Serialize(SampleTree())).c_str()), kOk);
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
  char text[2] = {};
  uint32_t count = 2;
  EXPECT_EQ(entry.ReadEntry(text, &count), kOk);
  EXPECT_EQ(std::string(text, 2), "ok");
  EXPECT_EQ(entry.OpenEntry(&archive, (path + "g").c_str()), kErrEntryNotFound);
}

// ---- lookups ---------------------------------------------------------------

TEST_F(ArchiveTest, LookupFindsOnlyFilesByExactPath) {
  Archive archive;
  ASSERT_EQ(archive.OpenArchive(WriteArchive(Serialize(SampleTree())).c_str()), kOk);
  struct Row {
    const char16_t* path;
    ResultCode expected;
  };
  const Row rows[] = {
      {u"/ab", kOk},
      {u"/abc", kOk},
      {u"/vga/font.png", kOk},
      {u"/vga/big.bin", kOk},
      {u"/", kErrEntryNotFound},               // just the root
      {u"", kErrEntryNotFound},
      {u"/vga", kErrEntryNotFound},            // a directory
      {u"/vga/", kErrEntryNotFound},           // ends in "/"
      {u"/empty", kErrEntryNotFound},
      {u"/ab/x", kErrEntryNotFound},           // continues below a file
      {u"/VGA/font.png", kErrEntryNotFound},   // case differs
      {u"/vga/Font.png", kErrEntryNotFound},
      {u"vga/font.png", kErrEntryNotFound},    // no leading slash
      {u"/vga//font.png", kErrEntryNotFound},  // empty component
      {u"/vga/font.pn", kErrEntryNotFound},    // prefix of a name
      {u"/vga/font.png2", kErrEntryNotFound},
      {u"/a", kErrEntryNotFound},
      {u"/vga/*", kErrEntryNotFound},          // no wildcards
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.path, row.path + std::char_traits<char16_t>::length(row.path)));
    ArchiveEntry entry;
    EXPECT_EQ(entry.OpenEntry(&archive, row.path), row.expected);
    EXPECT_EQ(entry.IsOpen(), row.expected == kOk);
  }
  EXPECT_EQ(archive.OpenEntryCount(), 0u);
}

TEST_F(ArchiveTest, NamesOfEvenAndOddLengthParseWithTheirPadding) {
  // A misplaced pad byte would shift every later field: check sizes and data.
  Archive archive;
  ASSERT_EQ(archive.OpenArchive(WriteArchive(Serialize(SampleTree())).c_str()), kOk);
  const Bytes bytes = Serialize(SampleTree());
  // Root "/" (1 + 1 even, no pad) at 12; "ab" (1 + 2 odd, pad) at 16.
  EXPECT_EQ(bytes[16], 0xFF);
  EXPECT_EQ(bytes[18], 2);
  EXPECT_EQ(bytes[21], 0xEE);  // the pad byte after "ab"
  struct Row {
    const char* path;
    std::string text;
  };
  const Row rows[] = {{"/ab", "even name: pad byte"}, {"/abc", "odd name: no pad"}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.path);
    ArchiveEntry entry;
    ASSERT_EQ(entry.OpenEntry(&archive, row.path), kOk);
    EXPECT_EQ(ReadAll(&entry, 100), row.text);
  }
}

TEST_F(ArchiveTest, RootNameStartsEveryPath) {
  struct Row {
    const char* root;
    const char* path;
    bool found;
  };
  const Row rows[] = {
      {"", "/x", true},      {"/", "/x", true},      {"/r", "/r/x", true},
      {"/r", "/x", false},   {"r", "/x", false},     {"r", "r/x", false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.root) + " " + row.path);
    Archive archive;
    ASSERT_EQ(archive.OpenArchive(WriteArchive(Serialize(Dir(row.root, {File("x", "1")}))).c_str()), kOk);
    ArchiveEntry entry;
    EXPECT_EQ(entry.OpenEntry(&archive, row.path), row.found ? kOk : kErrEntryNotFound);
  }
}

TEST_F(ArchiveTest, NamesLongerThan127BytesAreNeverFound) {
  const std::string n127(127, 'n');
  const std::string n128(128, 'm');
  const std::string n255(255, 'w');
  Archive archive;
  ASSERT_EQ(archive.OpenArchive(WriteArchive(Serialize(Dir("/", {File(n127, "a"), File(n128, "b"),
                                                                   File(n255, "c")})))
                                    .c_str()),
            kOk);
  ArchiveEntry entry;
  EXPECT_EQ(entry.OpenEntry(&archive, ("/" + n127).c_str()), kOk);
  EXPECT_EQ(entry.OpenEntry(&archive, ("/" + n128).c_str()), kErrEntryNotFound);
  EXPECT_EQ(entry.OpenEntry(&archive, ("/" + n255).c_str()), kErrEntryNotFound);
}

TEST_F(ArchiveTest, WideNamesAreComparedAsUtf8) {
  Archive archive;
  ASSERT_EQ(archive.OpenArchive(WriteArchive(Serialize(Dir("/", {File("caf\xC3\xA9.png", "e"),
                                                                   File("\xF0\x9F\x98\x80", "smile")})))
                                    .c_str()),
            kOk);
  ArchiveEntry entry;
  EXPECT_EQ(entry.OpenEntry(&archive, u"/caf\u00E9.png"), kOk);
  EXPECT_EQ(entry.OpenEntry(&archive, u"/\U0001F600"), kOk);
  EXPECT_EQ(entry.OpenEntry(&archive, u"/cafe.png"), kErrEntryNotFound);
  const char16_t lone[] = {u'/', 0xD83D, 0};
  EXPECT_EQ(entry.OpenEntry(&archive, lone), kErrEntryNotFound);
}

TEST_F(ArchiveTest, OpenEntryArgumentsAndState) {
  Archive archive;
  ArchiveEntry entry;
  EXPECT_EQ(entry.OpenEntry(nullptr, u"/ab"), kErrInvalidArg);
  EXPECT_EQ(entry.OpenEntry(&archive, static_cast<const char16_t*>(nullptr)), kErrInvalidArg);
  EXPECT_EQ(entry.OpenEntry(&archive, static_cast<const char*>(nullptr)), kErrInvalidArg);
  EXPECT_EQ(entry.OpenEntry(&archive, u"/ab"), kErrArchiveNotOpen);
}

// Offsets and sizes are checked against the file before any byte is read.
TEST_F(ArchiveTest, EntriesReachingPastTheFileCannotBeOpened) {
  const Bytes good = Serialize(Dir("/", {File("s", "stored"), Compressed("c", "compressed")}));
  // Field offsets: root "/" at 12 (4 bytes), "s" at 16: count, len, 's', sizes at 20, 24, 28.
  // "c" at 32: sizes at 36, 40, 44.
  const uint32_t c_offset = Get32(good, 44);
  const auto file_size = static_cast<uint32_t>(good.size());
  struct Row {
    const char* what;
    size_t field;
    uint32_t value;
    const char* path;
  };
  const Row rows[] = {
      {"stored size one past the file", 20, file_size - Get32(good, 28) + 1, "/s"},
      {"stored offset at the end", 28, file_size, "/s"},
      {"stored offset wraps 32 bits", 28, 0xFFFFFFFFu, "/s"},
      {"stored size 4 GiB - 1", 20, 0xFFFFFFFFu, "/s"},
      {"compressed data one too many", 40, file_size - c_offset + 1, "/c"},
      {"compressed offset wraps", 44, 0xFFFFFFF0u, "/c"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    Bytes b = good;
    Set32(&b, row.field, row.value);
    Archive archive;
    ASSERT_EQ(archive.OpenArchive(WriteArchive(b).c_str()), kOk);
    ArchiveEntry entry;
    EXPECT_EQ(entry.OpenEntry(&archive, row.path), kErrEntryNotFound);
    EXPECT_EQ(archive.OpenEntryCount(), 0u);
  }
  // Up to the last byte of the file is fine.
  Bytes b = good;
  Set32(&b, 20, file_size - Get32(good, 28));
  Archive archive;
  ASSERT_EQ(archive.OpenArchive(WriteArchive(b).c_str()), kOk);
  ArchiveEntry s, c;
  EXPECT_EQ(s.OpenEntry(&archive, "/s"), kOk);
  EXPECT_EQ(c.OpenEntry(&archive, "/c"), kOk);
}

// ---- reading ---------------------------------------------------------------

TEST_F(ArchiveTest, ReadsWholeAndInPieces) {
  Archive archive;
  ASSERT_EQ(archive.OpenArchive(WriteArchive(Serialize(SampleTree())).c_str()), kOk);
  const std::string big = std::string(5000, 'x') + "tail";
  struct Row {
    const char* path;
    uint32_t piece;
    std::string expected;
    bool compressed;
  };
  const Row rows[] = {
      {"/vga/font.png", 100, "0123456789", false},
      {"/vga/font.png", 3, "0123456789", false},
      {"/vga/font.png", 1, "0123456789", false},
      {"/zlike", 64, std::string("\x78\x9c\x01\x02", 4), false},
      {"/nothing", 8, "", false},
      {"/zip", 1000, "hello, compressed world", true},
      {"/zip", 7, "hello, compressed world", true},
      {"/zip", 1, "hello, compressed world", true},
      {"/vga/big.bin", 10000, big, true},
      {"/vga/big.bin", 999, big, true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.path) + " in pieces of " + std::to_string(row.piece));
    ArchiveEntry entry;
    ASSERT_EQ(entry.OpenEntry(&archive, row.path), kOk);
    ArchiveEntryInfo info;
    ASSERT_EQ(entry.EntryInfo(&info), kOk);
    EXPECT_EQ(info.size, row.expected.size());
    EXPECT_EQ(info.compressed, row.compressed);
    std::string got;
    std::vector<char> buffer(row.piece);
    while (got.size() < row.expected.size()) {
      uint32_t count = row.piece;
      ASSERT_EQ(entry.ReadEntry(buffer.data(), &count), kOk);
      ASSERT_GT(count, 0u);
      EXPECT_EQ(count, std::min<size_t>(row.piece, row.expected.size() - got.size()));
      got.append(buffer.data(), count);
      EXPECT_EQ(entry.Position(), got.size());
    }
    EXPECT_EQ(got, row.expected);
    // Past the end: a stored entry delivers 0 bytes, a compressed one fails.
    uint32_t count = row.piece;
    EXPECT_EQ(entry.ReadEntry(buffer.data(), &count), row.compressed ? kErrCompressedDataCorrupt : kOk);
    EXPECT_EQ(count, 0u);
  }
}

TEST_F(ArchiveTest, StoredEntryGivesItsMappedBytes) {
  Archive archive;
  ASSERT_EQ(archive.OpenArchive(WriteArchive(Serialize(SampleTree())).c_str()), kOk);
  ArchiveEntry stored, compressed;
  ASSERT_EQ(stored.OpenEntry(&archive, "/vga/font.png"), kOk);
  ASSERT_EQ(compressed.OpenEntry(&archive, "/zip"), kOk);
  ASSERT_NE(stored.StoredData(), nullptr);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(stored.StoredData()), stored.Size()), "0123456789");
  EXPECT_GE(stored.StoredData(), archive.Data());
  EXPECT_EQ(compressed.StoredData(), nullptr);
  stored.CloseEntry();
  EXPECT_EQ(stored.StoredData(), nullptr);
}

TEST_F(ArchiveTest, ReadArgumentsAndClosedEntry) {
  Archive archive;
  ASSERT_EQ(archive.OpenArchive(WriteArchive(Serialize(SampleTree())).c_str()), kOk);
  ArchiveEntry entry;
  char buffer[4];
  uint32_t count = 4;
  EXPECT_EQ(entry.ReadEntry(buffer, &count), kErrEntryNotOpen);
  EXPECT_EQ(count, 0u);
  EXPECT_EQ(entry.RewindEntry(), kErrEntryNotOpen);
  ArchiveEntryInfo info;
  EXPECT_EQ(entry.EntryInfo(&info), kErrEntryNotOpen);
  ASSERT_EQ(entry.OpenEntry(&archive, "/zip"), kOk);
  count = 4;
  EXPECT_EQ(entry.ReadEntry(nullptr, &count), kErrInvalidArg);
  EXPECT_EQ(count, 0u);
  EXPECT_EQ(entry.ReadEntry(buffer, nullptr), kErrInvalidArg);
  EXPECT_EQ(entry.EntryInfo(nullptr), kErrInvalidArg);
  // Asking for nothing is not corruption.
  count = 0;
  EXPECT_EQ(entry.ReadEntry(buffer, &count), kOk);
  EXPECT_EQ(count, 0u);
  count = 4;
  EXPECT_EQ(entry.ReadEntry(buffer, &count), kOk);
  EXPECT_EQ(std::string(buffer, count), "hell");
}

TEST_F(ArchiveTest, RewindStartsOver) {
  Archive archive;
  ASSERT_EQ(archive.OpenArchive(WriteArchive(Serialize(SampleTree())).c_str()), kOk);
  struct Row {
    const char* path;
    uint32_t first_read;  // bytes read before rewinding (0: none)
  };
  const Row rows[] = {{"/abc", 0},  {"/abc", 5},   {"/abc", 100},
                      {"/zip", 0},  {"/zip", 5},   {"/zip", 100},  // 100: the stream has ended
                      {"/vga/big.bin", 4000}};
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.path) + " after " + std::to_string(row.first_read));
    ArchiveEntry entry;
    ASSERT_EQ(entry.OpenEntry(&archive, row.path), kOk);
    std::vector<char> whole(entry.Size() + 1);
    std::vector<char> buffer(row.first_read + 1);
    uint32_t count = row.first_read;
    if (count != 0) {
      ASSERT_EQ(entry.ReadEntry(buffer.data(), &count), kOk);
    }
    ASSERT_EQ(entry.RewindEntry(), kOk);
    EXPECT_EQ(entry.Position(), 0u);
    count = entry.Size();
    ASSERT_EQ(entry.ReadEntry(whole.data(), &count), kOk);
    ASSERT_EQ(count, entry.Size());
    EXPECT_EQ(std::string(buffer.data(), std::min(row.first_read, entry.Size())),
              std::string(whole.data(), std::min(row.first_read, entry.Size())));
  }
}

TEST_F(ArchiveTest, CompressedDataOfTheWrongSizeOrBrokenIsRefused) {
  const std::string text = "the quick brown fox jumps over the lazy dog, twice: " + std::string(300, 'q');
  struct Row {
    const char* what;
    int size_delta;        // recorded size minus the true size
    size_t corrupt_at;     // index into the zlib data to flip, or SIZE_MAX
    size_t cut;            // bytes cut from the end of the zlib data (recorded stored size too)
  };
  const Row rows[] = {
      {"recorded size too large", 5, SIZE_MAX, 0},
      {"recorded size too small", -5, SIZE_MAX, 0},
      {"recorded size one too small", -1, SIZE_MAX, 0},
      {"recorded size 0", -static_cast<int>(text.size()), SIZE_MAX, 0},
      {"bad zlib header", 0, 0, 0},
      {"bad data", 0, 20, 0},
      {"bad checksum", 0, SIZE_MAX - 4, 0},
      {"stream cut short", 0, SIZE_MAX, 10},
      {"checksum cut", 0, SIZE_MAX, 2},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    Node file = Compressed("c", text);
    if (row.corrupt_at == SIZE_MAX - 4) {
      file.data[file.data.size() - 1] ^= 0x55;
    } else if (row.corrupt_at != SIZE_MAX) {
      file.data[row.corrupt_at] ^= 0x55;
    }
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

TEST_F(ArchiveTest, CompressedEntryReadExactlyToItsSizeEndsCleanly) {
  // Reading exactly the recorded size in one go must already check that the
  // stream ends there (the last read sees no more output room).
  Archive archive;
  ASSERT_EQ(archive.OpenArchive(WriteArchive(Serialize(SampleTree())).c_str()), kOk);
  ArchiveEntry entry;
  ASSERT_EQ(entry.OpenEntry(&archive, "/vga/big.bin"), kOk);
  std::vector<char> buffer(entry.Size());
  uint32_t count = entry.Size();
  ASSERT_EQ(entry.ReadEntry(buffer.data(), &count), kOk);
  EXPECT_EQ(count, entry.Size());
  EXPECT_EQ(std::string(buffer.end() - 4, buffer.end()), "tail");
}

// ---- entries and the archive's lifetime ----------------------------------------

TEST_F(ArchiveTest, OpenEntryCountFollowsOpensAndCloses) {
  Archive archive;
  ASSERT_EQ(archive.OpenArchive(WriteArchive(Serialize(SampleTree())).c_str()), kOk);
  {
    ArchiveEntry a, b;
    ArchiveEntryBase c;
    ASSERT_EQ(a.OpenEntry(&archive, u"/ab"), kOk);
    ASSERT_EQ(b.OpenEntry(&archive, u"/zip"), kOk);
    ASSERT_EQ(c.OpenEntry(&archive, u"/abc"), kOk);
    EXPECT_EQ(archive.OpenEntryCount(), 3u);
    // Re-opening an open entry closes it first, in both forms.
    ASSERT_EQ(a.OpenEntry(&archive, u"/abc"), kOk);
    ASSERT_EQ(c.OpenEntry(&archive, u"/ab"), kOk);
    EXPECT_EQ(archive.OpenEntryCount(), 3u);
    // A failed re-open leaves the entry closed.
    EXPECT_EQ(b.OpenEntry(&archive, u"/none"), kErrEntryNotFound);
    EXPECT_FALSE(b.IsOpen());
    EXPECT_EQ(archive.OpenEntryCount(), 2u);
    a.CloseEntry();
    a.CloseEntry();  // closing twice counts once
    EXPECT_EQ(archive.OpenEntryCount(), 1u);
    ArchiveEntryInfo info;
    EXPECT_EQ(c.EntryInfo(&info), kOk);
    EXPECT_EQ(info.size, 19u);
  }  // c is destroyed while open
  EXPECT_EQ(archive.OpenEntryCount(), 0u);
  EXPECT_EQ(archive.CloseArchive(), kOk);
}

TEST_F(ArchiveTest, ClosingWithEntriesOpenReportsItAndDetachesThem) {
  Archive archive;
  ASSERT_EQ(archive.OpenArchive(WriteArchive(Serialize(SampleTree())).c_str()), kOk);
  ArchiveEntry stored, compressed;
  ArchiveEntryBase base;
  ASSERT_EQ(stored.OpenEntry(&archive, "/ab"), kOk);
  ASSERT_EQ(compressed.OpenEntry(&archive, "/zip"), kOk);
  ASSERT_EQ(base.OpenEntry(&archive, "/abc"), kOk);
  char buffer[8];
  uint32_t count = 3;
  ASSERT_EQ(compressed.ReadEntry(buffer, &count), kOk);  // the stream is live

  EXPECT_EQ(archive.CloseArchive(), kErrEntriesStillOpen);
  EXPECT_FALSE(archive.IsOpen());
  EXPECT_EQ(archive.OpenEntryCount(), 0u);
  // The entries act closed: nothing reads the unmapped file.
  for (ArchiveEntry* entry : {&stored, &compressed}) {
    EXPECT_FALSE(entry->IsOpen());
    count = 8;
    EXPECT_EQ(entry->ReadEntry(buffer, &count), kErrEntryNotOpen);
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(entry->RewindEntry(), kErrEntryNotOpen);
    EXPECT_EQ(entry->StoredData(), nullptr);
  }
  ArchiveEntryInfo info;
  EXPECT_EQ(base.EntryInfo(&info), kErrEntryNotOpen);
  stored.CloseEntry();  // harmless now
  EXPECT_EQ(archive.CloseArchive(), kOk);
}

TEST_F(ArchiveTest, ReopeningTheArchiveDetachesEntriesOfTheOldFile) {
  const std::string first = WriteArchive(Serialize(SampleTree()), "one.vfs");
  const std::string second = WriteArchive(Serialize(Dir("/", {File("other", "2")})), "two.vfs");
  Archive archive;
  ASSERT_EQ(archive.OpenArchive(first.c_str()), kOk);
  ArchiveEntry entry;
  ASSERT_EQ(entry.OpenEntry(&archive, "/ab"), kOk);
  ASSERT_EQ(archive.OpenArchive(second.c_str()), kOk);
  EXPECT_FALSE(entry.IsOpen());
  EXPECT_EQ(archive.OpenEntryCount(), 0u);
  entry.CloseEntry();
  EXPECT_EQ(archive.OpenEntryCount(), 0u);
  ASSERT_EQ(entry.OpenEntry(&archive, "/other"), kOk);
  EXPECT_EQ(archive.OpenEntryCount(), 1u);
}

TEST_F(ArchiveTest, ArchiveDestroyedBeforeItsEntries) {
  ArchiveEntry entry;
  {
    Archive archive;
    ASSERT_EQ(archive.OpenArchive(WriteArchive(Serialize(SampleTree())).c_str()), kOk);
    ASSERT_EQ(entry.OpenEntry(&archive, "/zip"), kOk);
    char buffer[4];
    uint32_t count = 4;
    ASSERT_EQ(entry.ReadEntry(buffer, &count), kOk);
  }
  EXPECT_FALSE(entry.IsOpen());
  char buffer[4];
  uint32_t count = 4;
  EXPECT_EQ(entry.ReadEntry(buffer, &count), kErrEntryNotOpen);
}

// ---- program path -----------------------------------------------------------

TEST_F(ArchiveTest, ResolveProgramPath) {
  char self[4096];
  const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
  ASSERT_GT(n, 0);
  const std::string folder = fs::path(std::string(self, static_cast<size_t>(n))).parent_path().string();
  struct Row {
    std::string name;
    ResultCode code;
    std::string path;
  };
  const Row rows[] = {
      {"/abs/windows.vfs", kOk, "/abs/windows.vfs"},
      {"windows.vfs", kOk, folder + "/windows.vfs"},
      {"sub/x.vfs", kOk, folder + "/sub/x.vfs"},
      {"", kOk, folder + "/"},
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
}

TEST_F(ArchiveTest, RelativeNameOpensTheArchiveBesideTheProgram) {
  char self[4096];
  const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
  ASSERT_GT(n, 0);
  const fs::path beside = fs::path(std::string(self, static_cast<size_t>(n))).parent_path() /
                          ("archive_test_beside_" + std::to_string(getpid()) + ".vfs");
  const Bytes bytes = Serialize(SampleTree());
  std::ofstream(beside, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  Archive archive;
  const ResultCode code = archive.OpenArchive(beside.filename().c_str());
  fs::remove(beside);
  EXPECT_EQ(code, kOk);
  EXPECT_EQ(archive.FileSize(), bytes.size());
}

}  // namespace
}  // namespace abacine
