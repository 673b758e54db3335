// The resource archive "windows.vfs": one read-only file holding every skin
// image and font strip. `Archive` maps the file, reads its directory tree
// once and checks it; `ArchiveEntry` reads one file of it, by plain copy when
// it is stored or through zlib when it is compressed. Stored entries can also
// be decoded in place (StoredData), without a copy.
//
// File layout (little-endian, directory 2-byte aligned):
//   0  "GDvf"    4  version 1    8  directory end (u32)    12  root node
//   node: child count (u16; 0xFFFF file, 0 empty directory, else children),
//         name length L (u8), name (L bytes), a pad byte when 1 + L is odd,
//         files only: uncompressed size, stored size (0 = stored as is),
//         data offset (u32 each). A directory's children follow it, depth first.
//
// Beyond checking the directory against its end, the reader never trusts an
// offset: nodes must lie inside the file, an entry whose data reaches past the
// end of the file cannot be opened, and a compressed entry must inflate to
// exactly its recorded size. Single-threaded.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "graphics/result_codes.h"

extern "C" {
struct z_stream_s;
}

namespace abacine {

// The numbers of that layout, for the reader and the packer.
inline constexpr char kArchiveMagic[4] = {'G', 'D', 'v', 'f'};
inline constexpr uint32_t kArchiveVersion = 1;
inline constexpr uint32_t kArchiveDirectoryEndOffset = 8;
inline constexpr uint32_t kArchiveRootOffset = 12;
inline constexpr size_t kArchiveMaxNameLength = 127;
// A file node's three 32-bit fields: uncompressed size, stored size, offset.
inline constexpr uint32_t kArchiveFileFieldBytes = 12;

// Bytes of a node with a name of `name_length` bytes.
constexpr uint64_t ArchiveNodeBytes(size_t name_length, bool is_file) {
  const uint64_t name_field = 1 + uint64_t{name_length};
  return 2 + name_field + (name_field & 1) + (is_file ? kArchiveFileFieldBytes : 0);
}

class ArchiveEntryBase;

// One node of the directory tree. The tree lies in one array in file order
// (depth first): a directory's first child follows it, and each node records
// where its subtree ends, which is where its next sibling starts. A flat tree
// needs no recursion to build, search or free, however deep the file nests.
struct ArchiveNode {
  static constexpr uint16_t kFileMarker = 0xFFFF;  // child count of a file
  static constexpr uint16_t kMaxChildren = kFileMarker - 1;

  uint32_t uncompressed_size = 0;
  uint32_t stored_size = 0;  // 0: stored uncompressed
  uint32_t data_offset = 0;
  uint16_t child_count = 0;  // as read: kFileMarker for files
  uint32_t subtree_end = 0;  // index one past this node's last descendant
  const uint8_t* name = nullptr;  // the length byte in the mapped file, then the name

  bool IsFile() const { return child_count == kFileMarker; }
  bool IsCompressed() const { return stored_size != 0; }
  std::string_view Name() const {
    return {reinterpret_cast<const char*>(name + 1), name[0]};
  }
};

// The node a lookup path names, or null. The path starts with "/" and with the
// root's name; its components are compared byte for byte (case-sensitive) with
// the children's names; only a file at the end of the path is found. Names or
// components longer than 127 bytes never match.
const ArchiveNode* FindArchiveNode(std::string_view path, std::span<const ArchiveNode> tree);

// The file a name stands for: a name starting with '/' is used unchanged, any
// other is looked up beside the running program (the folder of
// /proc/self/exe). kErrArchiveNotFound when the program's path cannot be read
// or the result is longer than kMaxArchivePath.
inline constexpr size_t kMaxArchivePath = 4096;
ResultCode ResolveProgramPath(std::string_view name, std::string* path);

// UTF-16 to the 8-bit form of names and paths (UTF-8). False for an unpaired
// surrogate, which no stored name can match.
bool WideToNarrow(std::u16string_view wide, std::string* narrow);

class Archive {
 public:
  Archive() = default;
  Archive(const Archive&) = delete;
  Archive& operator=(const Archive&) = delete;
  virtual ~Archive();

  // Opens and checks the archive, closing the current one first. The wide form
  // converts the name to UTF-8. On failure the archive is left closed.
  ResultCode OpenArchive(const char16_t* path);
  ResultCode OpenArchive(const char* path);
  // Unmaps the file and frees the tree. Entries still open are detached: they
  // act as closed from now on. kErrEntriesStillOpen reports them (the archive
  // is closed all the same).
  ResultCode CloseArchive();

  bool IsOpen() const { return data_ != nullptr; }
  const uint8_t* Data() const { return data_; }
  size_t FileSize() const { return file_size_; }
  uint32_t DirectoryEnd() const { return directory_end_; }
  uint32_t OpenEntryCount() const { return open_entries_; }
  // Every node, the root first; empty while closed.
  std::span<const ArchiveNode> Tree() const { return tree_; }

 private:
  friend class ArchiveEntryBase;

  ResultCode MapFile(const std::string& path);
  ResultCode ParseDirectory();
  void Attach(ArchiveEntryBase* entry);
  void Detach(ArchiveEntryBase* entry);

  uint32_t open_entries_ = 0;
  uint32_t directory_end_ = 0;
  const uint8_t* data_ = nullptr;
  size_t file_size_ = 0;
  void* view_ = nullptr;  // the mapping; null for an empty file
  std::vector<ArchiveNode> tree_;
  ArchiveEntryBase* first_entry_ = nullptr;  // open entries, linked through them
};

struct ArchiveEntryInfo {
  uint32_t size = 0;  // uncompressed
  bool compressed = false;
};

// An entry that can be opened and described but not read.
class ArchiveEntryBase {
 public:
  ArchiveEntryBase() = default;
  ArchiveEntryBase(const ArchiveEntryBase&) = delete;
  ArchiveEntryBase& operator=(const ArchiveEntryBase&) = delete;

  // Opens the named file ("/vga/font.png"), closing the entry first if it is
  // open. An entry whose data reaches past the end of the archive file is not
  // found. A failed open leaves the entry closed.
  virtual ResultCode OpenEntry(Archive* archive, const char16_t* name);
  virtual void CloseEntry();
  virtual ResultCode EntryInfo(ArchiveEntryInfo* info) const;
  virtual ~ArchiveEntryBase();

  // The same open with an 8-bit (UTF-8) name.
  ResultCode OpenEntry(Archive* archive, const char* name);

  bool IsOpen() const { return open_; }
  // The entry's bytes in the mapped file, for a stored entry that is open;
  // null otherwise. Size() bytes long.
  const uint8_t* StoredData() const;
  uint32_t Size() const { return uncompressed_size_; }
  bool IsCompressed() const { return stored_size_ != 0; }

 protected:
  // The non-virtual halves, so that constructors, destructors and overrides
  // reach exactly the base behaviour.
  ResultCode OpenBase(Archive* archive, const char* name);
  void CloseBase();
  // Called by the archive when it closes under an open entry.
  virtual void OnArchiveClosed();

  Archive* archive_ = nullptr;
  uint32_t data_offset_ = 0;
  uint32_t uncompressed_size_ = 0;
  uint32_t stored_size_ = 0;
  bool open_ = false;

 private:
  friend class Archive;
  ArchiveEntryBase* prev_ = nullptr;
  ArchiveEntryBase* next_ = nullptr;
};

// The entry the program uses: adds reading, rewinding and the inflate state.
class ArchiveEntry : public ArchiveEntryBase {
 public:
  ArchiveEntry() = default;
  ~ArchiveEntry() override;

  using ArchiveEntryBase::OpenEntry;
  ResultCode OpenEntry(Archive* archive, const char16_t* name) override;
  void CloseEntry() override;

  // Reads up to *count bytes at the read position into buffer and sets *count
  // to the number delivered. A stored entry at its end delivers 0 bytes; a
  // compressed entry read after its last byte fails with
  // kErrCompressedDataCorrupt, as does one whose data inflates to more or fewer
  // bytes than its recorded size. No failure writes past buffer + *count.
  ResultCode ReadEntry(void* buffer, uint32_t* count);
  // Back to the first byte.
  ResultCode RewindEntry();

  uint32_t Position() const { return position_; }

 protected:
  void OnArchiveClosed() override;

 private:
  ResultCode StartInflate();
  void EndInflate();
  ResultCode ReadCompressed(uint8_t* buffer, uint32_t* count);

  uint32_t position_ = 0;
  bool inflate_started_ = false;
  bool stream_ended_ = false;  // the stream ended or failed; only a rewind reads again
  z_stream_s* stream_ = nullptr;
};

}  // namespace abacine
