// Fuzzes the archive reader: the input is an archive file. It is opened
// through a memory file, every file in its tree is looked up by path, opened
// and read to its end in pieces, rewound and read again. The reader's promises
// are checked as invariants: nodes and stored data lie inside the file, and
// no read delivers more than the entry's size. It runs with memory limits
// (fuzz_defaults.h).
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "fuzz_defaults.h"
#include "graphics/archive.h"

using namespace abacine;

namespace {

void Require(bool condition) {
  if (!condition) __builtin_trap();
}

// Reads at most this much of one entry: enough to reach every branch of the
// inflate loop without spending the run on one huge stream.
constexpr uint32_t kReadLimit = 1u << 20;

void ReadEntryThrough(ArchiveEntry& entry, uint32_t piece) {
  std::vector<uint8_t> buffer(piece + 16);
  uint32_t total = 0;
  while (total < kReadLimit) {
    uint32_t count = piece;
    const ResultCode code = entry.ReadEntry(buffer.data(), &count);
    Require(count <= piece);
    if (Failed(code)) {
      Require(count == 0);
      return;
    }
    total += count;
    Require(total <= entry.Size());
    if (count == 0) return;
  }
}

void Exercise(Archive& archive, const uint8_t* data, size_t size) {
  const auto tree = archive.Tree();
  Require(!tree.empty());
  const uint8_t* begin = archive.Data();
  const uint8_t* end = begin + archive.FileSize();
  int files = 0;
  for (size_t i = 0; i < tree.size(); ++i) {
    const ArchiveNode& node = tree[i];
    Require(node.name >= begin && node.name + 1 + node.name[0] <= end);
    Require(node.subtree_end > i && node.subtree_end <= tree.size());
  }
  // Paths of the first files, built by walking the flat tree.
  struct Level {
    uint32_t left;
    size_t length;
  };
  std::vector<Level> levels;
  std::string path(tree[0].Name());
  if (path.empty() || path.back() != '/') path += '/';
  if (!tree[0].IsFile()) levels.push_back({tree[0].child_count, path.size()});
  for (size_t i = 1; i < tree.size() && files < 32; ++i) {
    while (!levels.empty() && levels.back().left == 0) {
      path.resize(levels.back().length);
      levels.pop_back();
    }
    Require(!levels.empty());
    --levels.back().left;
    const ArchiveNode& node = tree[i];
    if (!node.IsFile()) {
      if (node.child_count != 0) {
        levels.push_back({node.child_count, path.size()});
        path.append(node.Name()).push_back('/');
      }
      continue;
    }
    ++files;
    const std::string file_path = path + std::string(node.Name());
    ArchiveEntry entry;
    if (Failed(entry.OpenEntry(&archive, file_path.c_str()))) continue;
    if (const uint8_t* stored = entry.StoredData()) {
      Require(stored >= begin && stored + entry.Size() <= end);
    }
    ArchiveEntryInfo info;
    Require(entry.EntryInfo(&info) == kOk && info.size == entry.Size());
    const uint32_t piece = 1 + (size > 0 ? data[i % size] : 0u) * 37u;
    ReadEntryThrough(entry, piece);
    Require(entry.RewindEntry() == kOk && entry.Position() == 0);
    ReadEntryThrough(entry, 4096);
  }
  // A lookup with a path taken from the input itself.
  if (size > 16) {
    std::string path_from_input(reinterpret_cast<const char*>(data + size - 16), 16);
    path_from_input[0] = '/';
    ArchiveEntry entry;
    entry.OpenEntry(&archive, path_from_input.c_str());
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  abacine::fuzz::UseMemoryLimits(argc, argv);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const int fd = memfd_create("archive_fuzzer", MFD_CLOEXEC);
  if (fd < 0) return 0;
  size_t written = 0;
  while (written < size) {
    const ssize_t n = write(fd, data + written, size - written);
    if (n <= 0) break;
    written += static_cast<size_t>(n);
  }
  char path[64];
  std::snprintf(path, sizeof path, "/proc/self/fd/%d", fd);
  Archive archive;
  if (written == size && Succeeded(archive.OpenArchive(path))) Exercise(archive, data, size);
  archive.CloseArchive();
  close(fd);
  return 0;
}
