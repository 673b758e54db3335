// The archive packer as users run it: packing folder trees, listing, the
// reproducible output, the refusals, and damaged archives.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "archive_support.h"
#include "graphics/archive.h"
#include "support/process.h"
#include "support/special_files.h"

namespace abacine {
namespace {

namespace fs = std::filesystem;

const std::string kTool = testing::BinPath("vfspack");

std::string Slurp(const fs::path& path) {
  std::stringstream s;
  s << std::ifstream(path, std::ios::binary).rdbuf();
  return s.str();
}

struct ToolRun { int status = -1; std::string out, err; };

// Every kind of content: nested and empty folders, an empty file, text that
// compresses, random bytes that do not.
std::vector<std::pair<std::string, std::string>> SampleFiles() {
  std::mt19937 rng(7);
  std::string noise(2048, '\0');
  for (char& c : noise) c = static_cast<char>(rng());
  return {{"header.bmp", std::string(3000, 'h')},
          {"vga/font.png", "png bytes that do not repeat"}, {"vga/deeper/still/x.txt", std::string(400, 'x') + "end"},
          {"zero", ""},
          {"noise.bin", noise}};
}

class VfspackTest : public ::testing::Test {
 public:
  void SetUp() override { fs::create_directory(tree_); }

  ToolRun Vfspack(const std::vector<std::string>& args) {
    std::vector<std::string> argv = {kTool};
    argv.insert(argv.end(), args.begin(), args.end());
    const testing::ProcessResult run = testing::RunProcess(argv);
    return {run.status, run.out, run.err};
  }

  void Write(const std::string& relative, const std::string& bytes) {
    fs::create_directories((tree_ / relative).parent_path());
    std::ofstream(tree_ / relative, std::ios::binary) << bytes;
  }

  void WriteSampleTree(bool reversed = false) {
    auto files = SampleFiles();
    if (reversed) std::reverse(files.begin(), files.end()), fs::create_directories(tree_ / "empty");
    for (const auto& [name, bytes] : files) Write(name, bytes);
    fs::create_directories(tree_ / "empty");
  }

  std::string ArchivePath(const std::string& name = "out.vfs") const { return (root_ / name).string(); }

  // Hidden files in the archive's folder: temporary files left behind.
  std::vector<std::string> Leftovers() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(root_)) {
      const std::string name = entry.path().filename().string();
      if (name[0] == '.') names.push_back(name);
    }
    return names;
  }

  archive_test::TempDir dir_;
  fs::path root_ = dir_.Path();
  fs::path tree_ = root_ / "tree";
};

TEST_F(VfspackTest, HelpAndCommandLineErrors) {
  const ToolRun help = Vfspack({"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("vfspack --list ARCHIVE"), std::string::npos);
  EXPECT_NE(help.out.find("--store"), std::string::npos);
  Write("f", "x");
  struct Row { std::vector<std::string> args; int status; std::string says; };
  const Row rows[] = {
      {{}, 2, "Usage"}, {{"--list"}, 2, "Usage"}, {{"--list", "a", "b"}, 2, "Usage"}, {{"only-one"}, 2, "Usage"},
      {{"--store", "--compress", "a", "b"}, 2, "Usage"}, {{"--bogus", "a", "b"}, 2, "Usage"},
      {{"a", "b", "c"}, 2, "Usage"}, {{(root_ / "missing").string(), ArchivePath()}, 1, "missing: not a folder"},
      {{(tree_ / "f").string(), ArchivePath()}, 1, "f: not a folder"},
      {{tree_.string(), (root_ / "no" / "such" / "dir.vfs").string()}, 1, "dir.vfs"},
      {{"--list", ArchivePath("missing.vfs")}, 1, "cannot open"},
  };
  for (const Row& row : rows) {
    std::string joined;
    for (const auto& a : row.args) joined += a + " ";
    SCOPED_TRACE(joined);
    const ToolRun run = Vfspack(row.args);
    EXPECT_EQ(run.status, row.status);
    EXPECT_NE(run.err.find(row.says), std::string::npos) << run.err;
  }
}

TEST_F(VfspackTest, ListsEveryFileWithSizeAndForm) {
  WriteSampleTree();
  struct Row { const char* mode; const char* expected; };
  // Sorted by name bytes, depth first; empty folders hold no lines. By
  // default a file is compressed only when that makes it smaller.
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
    std::vector<std::string> args = {tree_.string(), ArchivePath()};
    if (*row.mode != '\0') args.insert(args.begin(), row.mode);
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
    Archive archive;
    ASSERT_EQ(archive.OpenArchive(ArchivePath().c_str()), kOk);
    for (const auto& [name, expected] : SampleFiles()) {
      SCOPED_TRACE(name);
      ArchiveEntry entry;
      ASSERT_EQ(entry.OpenEntry(&archive, ("/" + name).c_str()), kOk);
      std::string got(expected.size() + 1, '\0');
      uint32_t count = static_cast<uint32_t>(got.size());
      ASSERT_EQ(entry.ReadEntry(got.data(), &count), kOk);
      EXPECT_EQ(got.substr(0, count), expected);
    }
  }
}

TEST_F(VfspackTest, OutputIsReproducible) {
  // The same content written in another order gives the same bytes.
  WriteSampleTree();
  ASSERT_EQ(Vfspack({tree_.string(), ArchivePath("first.vfs")}).status, 0);
  fs::remove_all(tree_);
  WriteSampleTree(true);
  ASSERT_EQ(Vfspack({tree_.string(), ArchivePath("second.vfs")}).status, 0);
  const std::string first = Slurp(ArchivePath("first.vfs"));
  EXPECT_FALSE(first.empty());
  EXPECT_EQ(first, Slurp(ArchivePath("second.vfs")));
}

TEST_F(VfspackTest, WritesTheDocumentedLayout) {
  Write("ab", "AB");
  ASSERT_EQ(Vfspack({"--store", tree_.string(), ArchivePath()}).status, 0);
  // Header, root "/" with one child, file "ab" with its pad byte and fields, data.
  const std::string expected = std::string("GDvf\x01\x00\x00\x00\x22\x00\x00\x00", 12) +
                               std::string("\x01\x00\x01/", 4) + std::string("\xFF\xFF\x02" "ab\x00", 6) +
                               std::string("\x02\x00\x00\x00\x00\x00\x00\x00\x22\x00\x00\x00", 12) + "AB";
  EXPECT_EQ(Slurp(ArchivePath()), expected);
}

TEST_F(VfspackTest, RefusesWhatTheFormatCannotHold) {
  struct Row { const char* what; void (*make)(VfspackTest*); const char* message; };
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
      {"a dangling link", [](VfspackTest* t) { fs::create_symlink(t->tree_ / "nowhere", t->tree_ / "dangling"); },
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
    EXPECT_EQ(Leftovers(), std::vector<std::string>{});
  }
  // The longest name that fits is packed.
  fs::remove_all(tree_);
  Write(std::string(127, 'n'), "long");
  ASSERT_EQ(Vfspack({tree_.string(), ArchivePath()}).status, 0);
  EXPECT_EQ(Vfspack({"--list", ArchivePath()}).out, "/" + std::string(127, 'n') + " 4 stored\n");
}

TEST_F(VfspackTest, RefusesAFolderOfMoreThan65534Entries) {
  // Hard links to a few empty files are much cheaper to make than 65,535
  // files (a file takes at most 65,000 links).
  std::ofstream(root_ / "seed0"), std::ofstream(root_ / "seed1");
  for (int i = 0; i < 65535; ++i) {
    std::error_code error;
    const fs::path name = tree_ / std::to_string(i);
    fs::create_hard_link(root_ / (i < 40000 ? "seed0" : "seed1"), name, error);
    if (error) std::ofstream{name};  // no hard links on this file system
  }
  const ToolRun run = Vfspack({tree_.string(), ArchivePath()});
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("65535 entries, at most 65534"), std::string::npos) << run.err;
  fs::remove(tree_ / "0");
  EXPECT_EQ(Vfspack({"--store", tree_.string(), ArchivePath()}).status, 0);
}

TEST_F(VfspackTest, ListReportsDamage) {
  WriteSampleTree();
  ASSERT_EQ(Vfspack({tree_.string(), ArchivePath()}).status, 0);
  const std::string good = Slurp(ArchivePath());
  const archive_test::Bytes bytes(good.begin(), good.end());
  // x.txt's node: 1 + 5 name bytes is even, so no pad; its data offset is
  // the third field after the name, and its deflate data follows a 2-byte
  // zlib header there.
  const size_t x_node = good.find("x.txt");
  ASSERT_NE(x_node, std::string::npos);
  const uint32_t x_data = archive_test::Get32(bytes, x_node + 5 + 8);
  auto with = [&](auto change) {
    archive_test::Bytes b = bytes;
    change(b);
    return std::string(b.begin(), b.end());
  };
  struct Row { const char* what; std::string bytes; const char* message; };
  // The last data are /vga/font.png (28 bytes, stored) and /zero (empty).
  const Row rows[] = {
      {"wrong magic", with([](auto& b) { b[1] = 'X'; }), "wrong magic) (0xc8660200)"},
      {"wrong version", with([](auto& b) { b[4] = 7; }), "(0xc8660210)"},
      {"directory end too small", with([](auto& b) { archive_test::Set32(&b, 8, archive_test::Get32(b, 8) - 2); }),
       "(0xc8660220)"},
      {"data cut off", good.substr(0, good.size() - 10),
       "/vga/font.png: entry not found, or its data lies past the end"},
      {"corrupt compressed data", with([&](auto& b) { b[x_data + 4] ^= 0x5A; }),
       "/vga/deeper/still/x.txt: compressed data corrupt"},
      {"not an archive at all", "hello", "(0xc8660200)"},
      // Size 0 but stored bytes that are no zlib stream: the program's
      // reader refuses it, so the listing must too.
      {"empty compressed entry that is not zlib",
       [] {
         archive_test::Node empty{"e", true, {'x', 'y', 'z'}, 0, true, {}};
         const archive_test::Bytes b = archive_test::Serialize(archive_test::Dir("/", {empty}));
         return std::string(b.begin(), b.end());
       }(),
       "/e: compressed data corrupt or of the wrong size (0xc8660240)"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    std::ofstream(ArchivePath("damaged.vfs"), std::ios::binary | std::ios::trunc) << row.bytes;
    const ToolRun list = Vfspack({"--list", ArchivePath("damaged.vfs")});
    EXPECT_EQ(list.status, 1);
    EXPECT_NE(list.err.find(row.message), std::string::npos) << list.err;
  }
}

// Names come from files someone else may have made: a newline or an escape
// sequence in one is shown written out, in the listing and in every message.
TEST_F(VfspackTest, NamesReachTheTerminalWrittenOut) {
  using archive_test::Dir;
  using archive_test::File;
  archive_test::Node broken{"bad\x1b]0;x\x07", true, {'j', 'u', 'n', 'k'}, 4, true, {}};
  const archive_test::Bytes named =
      archive_test::Serialize(Dir("/", {File("a\nb", "1"), File("\x1b[2J", "22"), broken}));
  archive_test::TempDir::WriteTo(ArchivePath("named.vfs"), named);
  const ToolRun list = Vfspack({"--list", ArchivePath("named.vfs")});
  EXPECT_EQ(list.status, 1);
  EXPECT_EQ(list.out, "/a\\nb 1 stored\n/\\x1b[2J 2 stored\n");
  EXPECT_NE(list.err.find("/bad\\x1b]0;x\\x07: compressed data corrupt"), std::string::npos) << list.err;

  const archive_test::Bytes twice = archive_test::Serialize(Dir("/", {File("d\x1b", "1"), File("d\x1b", "2")}));
  archive_test::TempDir::WriteTo(ArchivePath("twice.vfs"), twice);
  const ToolRun repeated = Vfspack({"--list", ArchivePath("twice.vfs")});
  EXPECT_NE(repeated.err.find("/d\\x1b: name appears twice"), std::string::npos) << repeated.err;

  const ToolRun missing = Vfspack({"--list", ArchivePath("new\nline\r.vfs")});
  EXPECT_NE(missing.err.find("new\\nline\\r.vfs: cannot open"), std::string::npos) << missing.err;

  ASSERT_EQ(mkfifo((tree_ / "p\x1b[1m").c_str(), 0600), 0);
  const ToolRun pack = Vfspack({tree_.string(), ArchivePath()});
  EXPECT_EQ(pack.status, 1);
  EXPECT_NE(pack.err.find("p\\x1b[1m: neither a regular file"), std::string::npos) << pack.err;
  for (const ToolRun& run : {list, repeated, missing, pack}) {
    EXPECT_EQ((run.out + run.err).find_first_of("\x1b\x07\r"), std::string::npos);
  }
  // A file name with a newline packs, and lists on one line.
  fs::remove(tree_ / "p\x1b[1m");
  Write("two\nlines", "x");
  ASSERT_EQ(Vfspack({tree_.string(), ArchivePath()}).status, 0);
  EXPECT_EQ(Vfspack({"--list", ArchivePath()}).out, "/two\\nlines 1 stored\n");
}

// An archive written into the folder it packs (or reached there through a
// link) is left out of it, and so are the temporary files of packing it;
// packing again gives the same archive, not one holding the last.
TEST_F(VfspackTest, OwnOutputInsideTheFolderIsLeftOut) {
  struct Row {
    const char* what;
    std::string output;  // as given on the command line
    fs::path written;    // where the archive lands
  };
  const Row rows[] = {
      {"inside", (tree_ / "inside.vfs").string(), tree_ / "inside.vfs"},
      {"through a link from outside", ArchivePath("link.vfs"), tree_ / "linked.vfs"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    fs::remove_all(tree_);
    WriteSampleTree();
    Write(".other.vfs.tmp-Ab12Cd", "not a temporary file of this archive");
    ASSERT_EQ(Vfspack({tree_.string(), ArchivePath("expected.vfs")}).status, 0);
    const std::string expected = Slurp(ArchivePath("expected.vfs"));
    Write("." + row.written.filename().string() + ".tmp-Ab12Cd", "left by a packer that was killed");
    if (row.output != row.written.string()) {
      Write(row.written.filename().string(), "an old archive");
      fs::remove(row.output);
      fs::create_symlink(row.written, row.output);
    }
    for (int run = 0; run < 3; ++run) {
      const ToolRun pack = Vfspack({tree_.string(), row.output});
      ASSERT_EQ(pack.status, 0) << pack.err;
      EXPECT_TRUE(Slurp(row.written) == expected) << "run " << run << ": " << fs::file_size(row.written);
    }
    EXPECT_EQ(fs::is_symlink(row.output), row.output != row.written.string());
  }
}

// Only a regular file (or a missing path) is replaced; a link is followed to
// the regular file it names. Anything else is refused and left as it was.
TEST_F(VfspackTest, RefusesOutputsThatAreNotRegularFiles) {
  Write("f", "content");
  std::vector<std::string> skipped;
  for (const testing::SpecialRow& row : testing::kSpecialRows) {
    SCOPED_TRACE(row.what);
    const std::string output = ArchivePath(std::string("special") + std::to_string(static_cast<int>(row.kind)));
    if (!testing::MakeSpecial(row.kind, output)) {
      ASSERT_EQ(errno, EPERM) << "cannot make " << row.what;
      skipped.push_back(row.what);  // mknod needs privilege
      continue;
    }
    const std::string before = testing::DescribePath(output);
    const ToolRun pack = Vfspack({tree_.string(), output});
    EXPECT_EQ(pack.status, 1);
    EXPECT_NE(pack.err.find(output), std::string::npos) << pack.err;
    EXPECT_EQ(testing::DescribePath(output), before);
    EXPECT_EQ(Leftovers(), std::vector<std::string>{});
  }
  std::ofstream(ArchivePath("target.vfs")) << "old";
  fs::create_symlink(ArchivePath("target.vfs"), ArchivePath("link.vfs"));
  ASSERT_EQ(Vfspack({tree_.string(), ArchivePath("link.vfs")}).status, 0);
  EXPECT_TRUE(fs::is_symlink(ArchivePath("link.vfs")));
  EXPECT_EQ(Vfspack({"--list", ArchivePath("target.vfs")}).out, "/f 7 stored\n");
  if (!skipped.empty()) GTEST_SKIP() << "mknod is not permitted here; not run: " << skipped.front();
}

// Packers writing the same archive at once each write a file of their own
// and rename it; one that fails (here: a file size limit) removes its
// temporary file and leaves the old archive alone.
TEST_F(VfspackTest, WritesAreIsolatedAndCleanUpAfterThemselves) {
  WriteSampleTree();
  Write("big.bin", std::string(256 * 1024, 'b'));
  for (int round = 0; round < 3; ++round) {
    std::vector<pid_t> packers;
    for (int i = 0; i < 6; ++i) {
      const std::string log = ArchivePath("packer.log");
      packers.push_back(testing::StartProcess({kTool, "--store", tree_.string(), ArchivePath()}, "", log, log));
    }
    for (pid_t pid : packers) EXPECT_EQ(testing::WaitProcess(pid, std::chrono::seconds(60)), 0);
  }
  fs::remove(ArchivePath("packer.log"));
  const ToolRun list = Vfspack({"--list", ArchivePath()});
  EXPECT_EQ(list.status, 0) << list.err;
  EXPECT_EQ(Leftovers(), std::vector<std::string>{});

  const std::string old = Slurp(ArchivePath());
  const testing::ProcessResult limited = testing::RunProcess(
      {"sh", "-c", "ulimit -f 64 && exec \"$0\" \"$@\"", kTool, "--store", tree_.string(), ArchivePath()});
  EXPECT_EQ(limited.status, 1);
  EXPECT_NE(limited.err.find("File too large"), std::string::npos) << limited.err;
  EXPECT_EQ(Leftovers(), std::vector<std::string>{});
  EXPECT_TRUE(Slurp(ArchivePath()) == old);
}

}  // namespace
}  // namespace abacine
