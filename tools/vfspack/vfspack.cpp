// vfspack: writes a resource archive (windows.vfs) from a folder tree and lists
// archives.
//
//   vfspack [--store|--compress] FOLDER ARCHIVE   pack FOLDER into ARCHIVE
//   vfspack --list ARCHIVE                        one line per file
//
// The output depends only on the folder's content: directory entries are sorted
// by their bytes and the compressor settings are fixed, so a build is
// reproducible. Listing goes through the program's own reader and reads every
// entry to its end, so damage anywhere in an archive shows. Names are shown with
// their control characters written out (they may come from anyone's files).
// Exit status: 0 done, 1 refused or damaged, 2 bad command line.
#include <signal.h>
#include <sys/stat.h>
#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "graphics/archive.h"
#include "platform/atomic_file.h"
#include "text/escape.h"
#include "text/hex.h"
#include "text/utf.h"

namespace fs = std::filesystem;
using abacine::Archive;
using abacine::ArchiveEntry;
using abacine::ArchiveNode;
using abacine::ResultCode;

namespace {

constexpr uint64_t kMaxOffset = 0xFFFFFFFFull;

enum class Mode { kAuto, kStore, kCompress };

void PrintHelp(std::ostream& out) {
  out << "Usage:\n"
         "  vfspack [--store|--compress] FOLDER ARCHIVE\n"
         "      Packs the files below FOLDER into the archive ARCHIVE. By default a\n"
         "      file is compressed with zlib only when that makes it smaller;\n"
         "      --store keeps every file as is, --compress compresses every file.\n"
         "      The folder itself is the archive's root: FOLDER/vga/font.png is\n"
         "      read back as /vga/font.png. ARCHIVE must be a regular file or\n"
         "      missing; a symbolic link is followed to the regular file it names,\n"
         "      anything else is refused. It is written whole or not at all, and\n"
         "      when it lies inside FOLDER it is left out of what is packed.\n"
         "  vfspack --list ARCHIVE\n"
         "      Reads every file of ARCHIVE and prints one line per file:\n"
         "      PATH SIZE stored|compressed. A damaged archive or entry is\n"
         "      reported and the exit status is 1.\n"
         "  vfspack --help\n"
         "Names are at most 127 bytes of UTF-8, a folder holds at most 65534\n"
         "entries, and the archive must stay below 4 GiB.\n";
}

// A name as it may be shown on the terminal.
std::string Shown(std::string_view name) { return abacine::EscapeForTerminal(name); }
std::string ShownPath(const fs::path& path) { return Shown(path.native()); }

std::string Describe(ResultCode code) {
  switch (code) {
    case abacine::kErrInvalidArg: return "invalid argument";
    case abacine::kErrOutOfMemory: return "out of memory or the file cannot be mapped";
    case abacine::kErrArchiveNotFound: return "cannot open the file";
    case abacine::kErrArchiveNotOpen: return "archive not open";
    case abacine::kErrEntryNotFound: return "entry not found, or its data lies past the end of the file";
    case abacine::kErrArchiveBadMagic: return "not an archive (wrong magic)";
    case abacine::kErrArchiveBadVersion: return "unsupported archive version";
    case abacine::kErrDirectoryOverrun: return "directory extends past its end";
    case abacine::kErrCompressedDataCorrupt: return "compressed data corrupt or of the wrong size";
    case abacine::kErrEntryNotOpen: return "entry not open";
    case abacine::kErrZlibVersion: return "zlib version mismatch";
    case abacine::kErrEntriesStillOpen: return "entries still open";
    default: break;
  }
  return "error";
}

// ------------------------------------------------------------------ packing

struct Item {
  std::string name;
  bool is_dir = false;
  fs::path path;
  std::vector<Item> children;  // directories, sorted by name bytes
  std::vector<uint8_t> data;   // files: the bytes as written
  uint32_t size = 0;
  bool compressed = false;
  uint32_t offset = 0;
};

struct Refusal {
  std::string message;
};

[[noreturn]] void Refuse(const std::string& message) { throw Refusal{message}; }

bool ReadFile(const fs::path& path, std::vector<uint8_t>* bytes) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  in.seekg(0, std::ios::end);
  const std::streamoff size = in.tellg();
  if (size < 0) return false;
  if (static_cast<uint64_t>(size) > kMaxOffset) Refuse(ShownPath(path) + ": larger than 4 GiB");
  in.seekg(0, std::ios::beg);
  bytes->resize(static_cast<size_t>(size));
  if (size > 0) in.read(reinterpret_cast<char*>(bytes->data()), size);
  return static_cast<bool>(in) || size == 0;
}

using FileId = std::pair<dev_t, ino_t>;

// The archive being written, which must not pack itself when it lies inside
// the folder: its folder and name (its temporary files go there too) and,
// when it exists already, the file itself, however it is reached.
struct Output {
  bool folder_known = false;
  FileId folder{};
  std::string name;
  bool exists = false;
  FileId file{};

  bool Is(const FileId& parent, const std::string& child, const struct stat& info) const {
    if (folder_known && parent == folder && (child == name || abacine::platform::IsTemporaryOf(child, name))) {
      return true;
    }
    return exists && S_ISREG(info.st_mode) && FileId{info.st_dev, info.st_ino} == file;
  }
};

// Loads a folder tree with its files. Folders already on the way down are
// remembered by device and inode, so a symbolic link back up is refused
// instead of followed for ever.
void LoadTree(Item* dir, std::vector<FileId>* ancestors, const Output& output) {
  struct stat info {};
  if (stat(dir->path.c_str(), &info) != 0) Refuse(ShownPath(dir->path) + ": " + std::strerror(errno));
  const FileId id{info.st_dev, info.st_ino};
  if (std::find(ancestors->begin(), ancestors->end(), id) != ancestors->end()) {
    Refuse(ShownPath(dir->path) + ": links back to a folder above it");
  }
  ancestors->push_back(id);

  std::error_code error;
  for (fs::directory_iterator it(dir->path, error), end; !error && it != end; it.increment(error)) {
    Item child;
    child.path = it->path();
    child.name = it->path().filename().string();
    const std::string shown = ShownPath(child.path);
    if (child.name.size() > abacine::kArchiveMaxNameLength) {
      Refuse(shown + ": name is " + std::to_string(child.name.size()) + " bytes, at most 127 fit");
    }
    // The program looks entries up by UTF-16 names converted to UTF-8.
    if (!abacine::IsUtf8(child.name)) Refuse(shown + ": name is not valid UTF-8");
    struct stat child_info {};
    if (stat(child.path.c_str(), &child_info) != 0) {
      const int cause = errno;
      if (lstat(child.path.c_str(), &child_info) == 0 && S_ISLNK(child_info.st_mode)) {
        Refuse(shown + ": a link to nothing");
      }
      Refuse(shown + ": " + std::strerror(cause));
    }
    if (output.Is(id, child.name, child_info)) continue;
    if (S_ISDIR(child_info.st_mode)) {
      child.is_dir = true;
      LoadTree(&child, ancestors, output);
    } else if (S_ISREG(child_info.st_mode)) {
      if (!ReadFile(child.path, &child.data)) Refuse(shown + ": cannot read");
      child.size = static_cast<uint32_t>(child.data.size());
    } else {
      Refuse(shown + ": neither a regular file nor a folder");
    }
    dir->children.push_back(std::move(child));
  }
  if (error) Refuse(ShownPath(dir->path) + ": " + error.message());
  if (dir->children.size() > ArchiveNode::kMaxChildren) {
    Refuse(ShownPath(dir->path) + ": " + std::to_string(dir->children.size()) +
           " entries, at most 65534 fit in one folder");
  }
  std::sort(dir->children.begin(), dir->children.end(),
            [](const Item& a, const Item& b) { return a.name < b.name; });
  ancestors->pop_back();
}

void Compress(Item* file, Mode mode) {
  if (mode == Mode::kStore) return;
  uLongf bound = compressBound(static_cast<uLong>(file->data.size()));
  std::vector<uint8_t> packed(bound);
  const int z = compress2(packed.data(), &bound, file->data.data(),
                          static_cast<uLong>(file->data.size()), Z_BEST_COMPRESSION);
  if (z != Z_OK) Refuse(ShownPath(file->path) + ": zlib failed to compress");
  packed.resize(bound);
  if (mode == Mode::kCompress || packed.size() < file->data.size()) {
    file->data = std::move(packed);
    file->compressed = true;
  }
}

uint64_t NodeBytes(const Item& item) {
  return abacine::ArchiveNodeBytes(item.name.size(), !item.is_dir);
}

// Depth first, without recursion: the tree may be deep.
template <typename Visit>
void WalkDepthFirst(Item* root, Visit visit) {
  std::vector<Item*> pending{root};
  while (!pending.empty()) {
    Item* item = pending.back();
    pending.pop_back();
    visit(item);
    for (auto it = item->children.rbegin(); it != item->children.rend(); ++it) pending.push_back(&*it);
  }
}

void PutU16(std::vector<uint8_t>* out, uint32_t v) {
  out->push_back(static_cast<uint8_t>(v));
  out->push_back(static_cast<uint8_t>(v >> 8));
}
void PutU32(std::vector<uint8_t>* out, uint32_t v) {
  PutU16(out, v & 0xFFFF);
  PutU16(out, v >> 16);
}

std::vector<uint8_t> BuildArchive(Item* root, Mode mode) {
  uint64_t directory_end = abacine::kArchiveRootOffset;
  WalkDepthFirst(root, [&](Item* item) {
    directory_end += NodeBytes(*item);
    if (!item->is_dir) Compress(item, mode);
  });
  uint64_t offset = directory_end;
  WalkDepthFirst(root, [&](Item* item) {
    if (item->is_dir) return;
    if (offset + item->data.size() > kMaxOffset) Refuse("the archive would exceed 4 GiB");
    item->offset = static_cast<uint32_t>(offset);
    offset += item->data.size();
  });

  std::vector<uint8_t> out;
  out.reserve(static_cast<size_t>(offset));
  for (const char c : abacine::kArchiveMagic) out.push_back(static_cast<uint8_t>(c));
  PutU32(&out, abacine::kArchiveVersion);
  PutU32(&out, static_cast<uint32_t>(directory_end));
  WalkDepthFirst(root, [&](Item* item) {
    PutU16(&out, item->is_dir ? static_cast<uint32_t>(item->children.size()) : ArchiveNode::kFileMarker);
    out.push_back(static_cast<uint8_t>(item->name.size()));
    out.insert(out.end(), item->name.begin(), item->name.end());
    if (((1 + item->name.size()) & 1) != 0) out.push_back(0);
    if (!item->is_dir) {
      PutU32(&out, item->size);
      PutU32(&out, item->compressed ? static_cast<uint32_t>(item->data.size()) : 0);
      PutU32(&out, item->offset);
    }
  });
  WalkDepthFirst(root, [&](Item* item) {
    if (!item->is_dir) out.insert(out.end(), item->data.begin(), item->data.end());
  });
  return out;
}

// Where the archive will be written; false (with the reason) when that is
// not a regular file or a missing path.
bool FindOutput(const std::string& archive, Output* output, std::string* why) {
  std::string target;
  if (!abacine::platform::ResolveRegularFileTarget(archive, &target, why)) return false;
  const fs::path path(target);
  const fs::path folder = path.has_parent_path() ? path.parent_path() : fs::path(".");
  output->name = path.filename().string();
  struct stat info {};
  if (stat(folder.c_str(), &info) == 0) {
    output->folder_known = true;
    output->folder = {info.st_dev, info.st_ino};
  }
  if (stat(target.c_str(), &info) == 0) {
    output->exists = true;
    output->file = {info.st_dev, info.st_ino};
  }
  return true;
}

int Pack(const std::string& folder, const std::string& archive, Mode mode) {
  std::error_code error;
  if (!fs::is_directory(folder, error)) {
    std::cerr << "vfspack: " << Shown(folder) << ": not a folder\n";
    return 1;
  }
  Output output;
  std::string why;
  if (!FindOutput(archive, &output, &why)) {
    std::cerr << "vfspack: " << Shown(why) << "\n";
    return 1;
  }
  Item root;
  root.name = "/";
  root.is_dir = true;
  root.path = folder;
  std::vector<uint8_t> bytes;
  try {
    std::vector<FileId> ancestors;
    LoadTree(&root, &ancestors, output);
    bytes = BuildArchive(&root, mode);
  } catch (const Refusal& refusal) {
    std::cerr << "vfspack: cannot pack: " << refusal.message << "\n";
    return 1;
  } catch (const std::bad_alloc&) {
    std::cerr << "vfspack: out of memory\n";
    return 1;
  }
  // A unique file beside the archive, synced and renamed over it: a crash
  // or a second packer never leaves half an archive under its name.
  const std::string_view data(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  if (!abacine::platform::WriteFileAtomically(archive, data, &why)) {
    std::cerr << "vfspack: " << Shown(why) << "\n";
    return 1;
  }
  return 0;
}

// ------------------------------------------------------------------ listing

// Reads an entry to its recorded end as the program does; the reader itself
// refuses data that inflates to another size. An empty entry is read too:
// its stored bytes must still be a sound (empty) stream.
ResultCode ReadWhole(ArchiveEntry* entry) {
  std::vector<uint8_t> buffer(64 * 1024);
  uint32_t total = 0;
  do {
    uint32_t count = static_cast<uint32_t>(buffer.size());
    const ResultCode code = entry->ReadEntry(buffer.data(), &count);
    if (abacine::Failed(code)) return code;
    if (count == 0 && total < entry->Size()) return abacine::kErrCompressedDataCorrupt;
    total += count;
  } while (total < entry->Size());
  return abacine::kOk;
}

int List(const std::string& name) {
  std::error_code error;
  const std::string path = fs::absolute(name, error).string();
  Archive archive;
  const ResultCode opened = archive.OpenArchive(error ? name.c_str() : path.c_str());
  if (abacine::Failed(opened)) {
    std::cerr << "vfspack: " << Shown(name) << ": " << Describe(opened) << " ("
              << abacine::HexCode(opened) << ")\n";
    return 1;
  }
  const auto tree = archive.Tree();
  const ArchiveNode& root = tree[0];
  // Lookup paths start with the root's name ("/" as vfspack writes it).
  std::string current(root.Name());
  if (current.empty() || current.back() != '/') current += '/';
  // The directories being walked: how many children each still has, and the
  // length of the path to restore when it is done.
  struct Level {
    uint32_t children_left;
    size_t parent_length;
  };
  std::vector<Level> levels;
  if (!root.IsFile()) levels.push_back({root.child_count, current.size()});
  int damaged = 0;
  for (size_t i = 1; i < tree.size(); ++i) {
    while (!levels.empty() && levels.back().children_left == 0) {
      current.resize(levels.back().parent_length);
      levels.pop_back();
    }
    if (levels.empty()) break;
    --levels.back().children_left;
    const ArchiveNode& node = tree[i];
    if (!node.IsFile()) {
      if (node.child_count != 0) {
        levels.push_back({node.child_count, current.size()});
        current.append(node.Name()).push_back('/');
      }
      continue;
    }
    const std::string file_path = current + std::string(node.Name());
    ArchiveEntry entry;
    ResultCode code = entry.OpenEntry(&archive, file_path.c_str());
    if (abacine::Succeeded(code) && abacine::FindArchiveNode(file_path, tree) != &node) {
      std::cerr << "vfspack: " << Shown(name) << ": " << Shown(file_path) << ": name appears twice in its folder\n";
      ++damaged;
      continue;
    }
    if (abacine::Succeeded(code)) code = ReadWhole(&entry);
    if (abacine::Failed(code)) {
      std::cerr << "vfspack: " << Shown(name) << ": " << Shown(file_path) << ": " << Describe(code) << " ("
                << abacine::HexCode(code) << ")\n";
      ++damaged;
      continue;
    }
    std::cout << Shown(file_path) << ' ' << node.uncompressed_size << ' '
              << (node.IsCompressed() ? "compressed" : "stored") << '\n';
  }
  return damaged == 0 ? 0 : 1;
}

int Usage() {
  PrintHelp(std::cerr);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  // Past a file size limit, write() then fails with EFBIG and the temporary
  // file is removed, instead of the process being killed in the middle.
  signal(SIGXFSZ, SIG_IGN);
  std::vector<std::string_view> args(argv + 1, argv + argc);
  if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
    PrintHelp(std::cout);
    return 0;
  }
  if (!args.empty() && args[0] == "--list") return args.size() == 2 ? List(std::string(args[1])) : Usage();
  Mode mode = Mode::kAuto;
  if (!args.empty() && (args[0] == "--store" || args[0] == "--compress")) {
    mode = args[0] == "--store" ? Mode::kStore : Mode::kCompress;
    args.erase(args.begin());
  }
  if (args.size() != 2 || args[0].starts_with("--") || args[1].starts_with("--")) return Usage();
  return Pack(std::string(args[0]), std::string(args[1]), mode);
}
