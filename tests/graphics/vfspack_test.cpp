// The archive packer as users run it: packing folder trees, listing, the
// reproducible output, the refusals, and damaged archives.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "graphics/archive.h"

namespace abacine {
namespace {

namespace fs = std::filesystem;

const std::string kTool = ABACINE_BINARY_DIR "/bin/vfspack";

struct ToolRun {
  int status = -1;
  std::string out;
  std::string err;
};

std::string Quote(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

std::string Slurp(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

class VfspackTest : public ::testing::Test {
 public:
  void SetUp() override {
    char pattern[] = "/tmp/vfspack_test_XXXXXX";
    root_ = mkdtemp(pattern);
    tree_ = root_ / "tree";
    fs::create_directory(tree_);
  }
  void TearDown() override {
    std::error_code ignored;
    fs::remove_all(root_, ignored);
  }

  ToolRun Vfspack(const std::vector<std::string>& args) {
    std::string command = Quote(kTool);
    for (const auto& a : args) command += " " + Quote(a);
    const fs::path out = root_ / "stdout.txt";
    const fs::path err = root_ / "stderr.txt";
    command += " >" + Quote(out.string()) + " 2>" + Quote(err.string());
    ToolRun run;
    const int raw = std::system(command.c_str());
    run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    run.out = Slurp(out);
    run.err = Slurp(err);
    return run;
  }

  void Write(const std::string& relative, const std::string& bytes) {
    const fs::path path = tree_ / relative;
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
  }

  std::string ArchivePath(const std::string& name = "out.vfs") const { return (root_ / name).string(); }

  // A tree with every kind of content: nested and empty folders, an empty
  // file, text that compresses, random bytes that do not.
  void WriteSampleTree() {
    Write("header.bmp", std::string(3000, 'h'));
    Write("vga/font.png", "png bytes that do not repeat");
    Write("vga/deeper/still/x.txt", std::string(400, 'x') + "end");
    Write("zero", "");
    std::mt19937 rng(7);
    std::string noise(2048, '\0');
    for (char& c : noise) c = static_cast<char>(rng());
    Write("noise.bin", noise);
    fs::create_directories(tree_ / "empty");
  }

  fs::path root_;
  fs::path tree_;
};

TEST_F(VfspackTest, HelpAndCommandLineErrors) {
  const ToolRun help = Vfspack({"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("vfspack --list ARCHIVE"), std::string::npos);
  EXPECT_NE(help.out.find("--store"), std::string::npos);
  struct Row {
    std::vector<std::string> args;
    int status;
  };
  const Row rows[] = {
      {{}, 2},
      {{"--list"}, 2},
      {{"--list", "a", "b"}, 2},
      {{"only-one"}, 2},
      {{"--store", "--compress", "a", "b"}, 2},
      {{"--bogus", "a", "b"}, 2},
      {{"a", "b", "c"}, 2},
  };
  for (const Row& row : rows) {
    std::string joined;
    for (const auto& a : row.args) joined += a + " ";
    SCOPED_TRACE(joined);
    const ToolRun run = Vfspack(row.args);
    EXPECT_EQ(run.status, row.status);
    EXPECT_NE(run.err.find("Usage"), std::string::npos);
  }
}

TEST_F(VfspackTest, ListsEveryFileWithSizeAndForm) {
  WriteSampleTree();
  struct Row {
    const char* mode;
    const char* expected;
  };
  // Sorted by name bytes, depth first; empty folders hold no lines.
  const Row rows[] = {
      {"", "/header.bmp 3000 compressed\n/noise.bin 2048 stored\n/vga/deeper/still/x.txt 403 compressed\n"
           "/vga/font.png 28 stored\n/zero 0 stored\n"},
      {"--store", "/header.bmp 3000 stored\n/noise.bin 2048 stored\n/vga/deeper/still/x.txt 403 stored\n"
                  "/vga/font.png 28 stored\n/zero 0 stored\n"},
      {"--compress", "/header.bmp 3000 compressed\n/noise.bin 2048 compressed\n"
                     "/vga/deeper/still/x.txt 403 compressed\n/vga/font.png 28 compressed\n/zero 0 compressed\n"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.mode);
    std::vector<std::string> args;
    if (*row.mode != '\0') args.push_back(row.mode);
    args.push_back(tree_.string());
    args.push_back(ArchivePath());
    const ToolRun pack = Vfspack(args);
    ASSERT_EQ(pack.status, 0) << pack.err;
    const ToolRun list = Vfspack({"--list", ArchivePath()});
    EXPECT_EQ(list.status, 0) << list.err;
    EXPECT_EQ(list.out, row.expected);
    EXPECT_EQ(list.err, "");
  }
}

TEST_F(VfspackTest, ReaderGetsBackEveryByte) {
  WriteSampleTree();
  for (const char* mode : {"--store", "--compress"}) {
    SCOPED_TRACE(mode);
    ASSERT_EQ(Vfspack({mode, tree_.string(), ArchivePath()}).status, 0);
    abacine::Archive archive;
    ASSERT_EQ(archive.OpenArchive(ArchivePath().c_str()), kOk);
    for (const auto& item : fs::recursive_directory_iterator(tree_)) {
      if (!item.is_regular_file()) continue;
      const std::string name = "/" + fs::relative(item.path(), tree_).string();
      SCOPED_TRACE(name);
      ArchiveEntry entry;
      ASSERT_EQ(entry.OpenEntry(&archive, name.c_str()), kOk);
      const std::string expected = Slurp(item.path());
      std::string got(expected.size() + 1, '\0');
      uint32_t count = static_cast<uint32_t>(got.size());
      ASSERT_EQ(entry.ReadEntry(got.data(), &count), kOk);
      got.resize(count);
      EXPECT_EQ(got, expected);
    }
  }
}

TEST_F(VfspackTest, OutputIsReproducible) {
  // The same content written in another order gives the same bytes.
  WriteSampleTree();
  ASSERT_EQ(Vfspack({tree_.string(), ArchivePath("first.vfs")}).status, 0);
  fs::remove_all(tree_);
  fs::create_directory(tree_);
  fs::create_directories(tree_ / "empty");
  Write("zero", "");
  std::mt19937 rng(7);
  std::string noise(2048, '\0');
  for (char& c : noise) c = static_cast<char>(rng());
  Write("noise.bin", noise);
  Write("vga/deeper/still/x.txt", std::string(400, 'x') + "end");
  Write("vga/font.png", "png bytes that do not repeat");
  Write("header.bmp", std::string(3000, 'h'));
  ASSERT_EQ(Vfspack({tree_.string(), ArchivePath("second.vfs")}).status, 0);
  const std::string first = Slurp(ArchivePath("first.vfs"));
  EXPECT_FALSE(first.empty());
  EXPECT_EQ(first, Slurp(ArchivePath("second.vfs")));
}

TEST_F(VfspackTest, WritesTheDocumentedLayout) {
  Write("ab", "AB");
  ASSERT_EQ(Vfspack({"--store", tree_.string(), ArchivePath()}).status, 0);
  const std::string b = Slurp(ArchivePath());
  // Header, root "/" with one child, file "ab" with its pad byte and fields, data.
  const std::string expected = std::string("GDvf\x01\x00\x00\x00\x22\x00\x00\x00", 12) +
                               std::string("\x01\x00\x01/", 4) +
                               std::string("\xFF\xFF\x02" "ab\x00", 6) +
                               std::string("\x02\x00\x00\x00\x00\x00\x00\x00\x22\x00\x00\x00", 12) + "AB";
  EXPECT_EQ(b, expected);
}

TEST_F(VfspackTest, RefusesWhatTheFormatCannotHold) {
  struct Row {
    const char* what;
    void (*make)(VfspackTest*);
    const char* message;
  };
  const Row rows[] = {
      {"name of 128 bytes", [](VfspackTest* t) { t->Write(std::string(128, 'n'), "x"); }, "at most 127"},
      {"folder name of 200 bytes", [](VfspackTest* t) { t->Write(std::string(200, 'd') + "/f", "x"); },
       "at most 127"},
      {"name not UTF-8", [](VfspackTest* t) { t->Write("bad\xFF", "x"); }, "not valid UTF-8"},
      {"a fifo", [](VfspackTest* t) { ASSERT_EQ(mkfifo((t->tree_ / "pipe").c_str(), 0600), 0); },
       "neither a regular file nor a folder"},
      {"a link back up the tree",
       [](VfspackTest* t) {
         fs::create_directories(t->tree_ / "a");
         fs::create_directory_symlink(t->tree_, t->tree_ / "a" / "loop");
       },
       "links back"},
      {"a dangling link",
       [](VfspackTest* t) { fs::create_symlink(t->tree_ / "nowhere", t->tree_ / "dangling"); },
       "dangling: a link to nothing"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    fs::remove_all(tree_);
    fs::create_directory(tree_);
    row.make(this);
    const ToolRun run = Vfspack({tree_.string(), ArchivePath()});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find(row.message), std::string::npos) << run.err;
    EXPECT_FALSE(fs::exists(ArchivePath()));
    EXPECT_FALSE(fs::exists(ArchivePath() + ".tmp"));
  }
}

TEST_F(VfspackTest, NameOf127BytesIsPackedAndFound) {
  const std::string name(127, 'n');
  Write(name, "long");
  ASSERT_EQ(Vfspack({tree_.string(), ArchivePath()}).status, 0);
  const ToolRun list = Vfspack({"--list", ArchivePath()});
  EXPECT_EQ(list.status, 0);
  EXPECT_EQ(list.out, "/" + name + " 4 stored\n");
}

TEST_F(VfspackTest, RefusesAFolderOfMoreThan65534Entries) {
  for (int i = 0; i < 65535; ++i) std::ofstream(tree_ / std::to_string(i));
  const ToolRun run = Vfspack({tree_.string(), ArchivePath()});
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("65535 entries, at most 65534"), std::string::npos) << run.err;
  fs::remove(tree_ / "0");
  EXPECT_EQ(Vfspack({"--store", tree_.string(), ArchivePath()}).status, 0);
}

TEST_F(VfspackTest, BadFolderOrTarget) {
  EXPECT_EQ(Vfspack({(root_ / "missing").string(), ArchivePath()}).status, 1);
  Write("f", "x");
  EXPECT_EQ(Vfspack({(tree_ / "f").string(), ArchivePath()}).status, 1);  // a file, not a folder
  const ToolRun run = Vfspack({tree_.string(), (root_ / "no" / "such" / "dir.vfs").string()});
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("dir.vfs"), std::string::npos);
}

TEST_F(VfspackTest, ListReportsDamage) {
  WriteSampleTree();
  ASSERT_EQ(Vfspack({tree_.string(), ArchivePath()}).status, 0);
  const std::string good = Slurp(ArchivePath());
  abacine::Archive probe;
  ASSERT_EQ(probe.OpenArchive(ArchivePath().c_str()), kOk);
  ArchiveEntry x;
  ASSERT_EQ(x.OpenEntry(&probe, "/vga/deeper/still/x.txt"), kOk);
  ASSERT_TRUE(x.IsCompressed());
  const uint32_t directory_end = probe.DirectoryEnd();
  probe.CloseArchive();
  // Offset of x.txt's data: its node's data offset field.
  const size_t x_node = good.find("x.txt");
  ASSERT_NE(x_node, std::string::npos);
  auto u32 = [&](size_t at) {
    return static_cast<uint32_t>(static_cast<uint8_t>(good[at]) | static_cast<uint8_t>(good[at + 1]) << 8 |
                                 static_cast<uint8_t>(good[at + 2]) << 16 |
                                 static_cast<uint32_t>(static_cast<uint8_t>(good[at + 3])) << 24);
  };

  struct Row {
    const char* what;
    std::string bytes;
    const char* message;
  };
  std::string bad_magic = good;
  bad_magic[1] = 'X';
  std::string bad_version = good;
  bad_version[4] = 7;
  std::string short_end = good;
  short_end[8] = static_cast<char>(directory_end - 2);
  short_end[9] = static_cast<char>((directory_end - 2) >> 8);
  // The last data are /vga/font.png (28 bytes, stored) and /zero (empty).
  std::string truncated = good.substr(0, good.size() - 10);
  std::string corrupt = good;
  // The deflate data of x.txt starts after its zlib header at the data offset.
  // "x.txt": 1 + 5 bytes is even, so no pad byte; the data offset is the
  // third field after the name.
  const uint32_t x_data = u32(x_node + 5 + 8);
  corrupt[x_data + 4] = static_cast<char>(corrupt[x_data + 4] ^ 0x5A);
  const Row rows[] = {
      {"wrong magic", bad_magic, "wrong magic) (0xC8660200)"},
      {"wrong version", bad_version, "(0xC8660210)"},
      {"directory end too small", short_end, "(0xC8660220)"},
      {"data cut off", truncated, "/vga/font.png: entry not found, or its data lies past the end"},
      {"corrupt compressed data", corrupt, "/vga/deeper/still/x.txt: compressed data corrupt"},
      {"not an archive at all", "hello", "(0xC8660200)"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    std::ofstream(ArchivePath("damaged.vfs"), std::ios::binary | std::ios::trunc) << row.bytes;
    const ToolRun list = Vfspack({"--list", ArchivePath("damaged.vfs")});
    EXPECT_EQ(list.status, 1);
    EXPECT_NE(list.err.find(row.message), std::string::npos) << list.err;
  }
  const ToolRun missing = Vfspack({"--list", ArchivePath("missing.vfs")});
  EXPECT_EQ(missing.status, 1);
  EXPECT_NE(missing.err.find("cannot open"), std::string::npos);
}

}  // namespace
}  // namespace abacine
