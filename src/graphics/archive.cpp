#include "graphics/archive.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <new>

#include "text/utf.h"

namespace abacine {

namespace {

// 32-bit fields are read as two 16-bit halves: the directory is only 2-byte
// aligned.
uint16_t ReadU16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t ReadU32(const uint8_t* p) {
  return static_cast<uint32_t>(ReadU16(p)) | (static_cast<uint32_t>(ReadU16(p + 2)) << 16);
}

ResultCode InflateCode(int z) {
  switch (z) {
    case Z_OK:
    case Z_STREAM_END:
      return kOk;
    case Z_VERSION_ERROR:
      return kErrZlibVersion;
    case Z_MEM_ERROR:
      return kErrOutOfMemory;
    default:  // Z_NEED_DICT, Z_BUF_ERROR, Z_DATA_ERROR, Z_STREAM_ERROR
      return kErrCompressedDataCorrupt;
  }
}

}  // namespace

bool WideToNarrow(std::u16string_view wide, std::string* narrow) {
  return ToUtf8Strict(wide, narrow);
}

ResultCode ResolveProgramPath(std::string_view name, std::string* path) {
  if (path == nullptr) return kErrInvalidArg;
  path->clear();
  if (!name.empty() && name[0] == '/') {
    if (name.size() > kMaxArchivePath) return kErrArchiveNotFound;
    path->assign(name);
    return kOk;
  }
  char module[kMaxArchivePath + 1];
  const ssize_t n = readlink("/proc/self/exe", module, kMaxArchivePath);
  if (n <= 0 || static_cast<size_t>(n) >= kMaxArchivePath) return kErrArchiveNotFound;
  const std::string_view module_path(module, static_cast<size_t>(n));
  const size_t slash = module_path.rfind('/');
  if (slash == std::string_view::npos) return kErrArchiveNotFound;
  if (slash + 1 + name.size() > kMaxArchivePath) return kErrArchiveNotFound;
  path->assign(module_path.substr(0, slash + 1));
  path->append(name);
  return kOk;
}

const ArchiveNode* FindArchiveNode(std::string_view path, std::span<const ArchiveNode> tree) {
  if (tree.empty() || path.empty() || path[0] != '/') return nullptr;
  const ArchiveNode& root = tree[0];
  const std::string_view root_name = root.Name();
  if (path.substr(0, root_name.size()) != root_name) return nullptr;
  std::string_view rest = path.substr(root_name.size());
  // One separator follows a root name that does not end in one ("" or
  // "/r"); any further slash starts an empty component, which names nothing.
  if ((root_name.empty() || root_name.back() != '/') && !rest.empty() && rest[0] == '/') {
    rest.remove_prefix(1);
  }
  if (rest.empty()) return nullptr;

  size_t dir = 0;
  while (true) {
    const size_t slash = rest.find('/');
    const std::string_view component = rest.substr(0, slash);
    const bool last = slash == std::string_view::npos;
    const ArchiveNode& parent = tree[dir];
    if (parent.IsFile() || component.empty() || component.size() > kArchiveMaxNameLength) {
      return nullptr;
    }
    size_t found = 0;
    size_t child = dir + 1;
    for (uint32_t i = 0; i < parent.child_count && child < tree.size(); ++i) {
      if (tree[child].Name() == component) {
        found = child;
        break;
      }
      child = tree[child].subtree_end;
    }
    if (found == 0) return nullptr;
    const ArchiveNode& node = tree[found];
    if (last) return node.IsFile() ? &node : nullptr;
    if (node.IsFile()) return nullptr;  // a file in the middle of a path
    dir = found;
    rest.remove_prefix(slash + 1);
  }
}

// ---------------------------------------------------------------- Archive

Archive::~Archive() { CloseArchive(); }

ResultCode Archive::OpenArchive(const char16_t* path) {
  if (path == nullptr) return kErrInvalidArg;
  std::string narrow;
  try {
    if (!WideToNarrow(path, &narrow)) {
      CloseArchive();
      return kErrArchiveNotFound;
    }
  } catch (const std::bad_alloc&) {
    return kErrOutOfMemory;
  }
  return OpenArchive(narrow.c_str());
}

ResultCode Archive::OpenArchive(const char* path) {
  if (path == nullptr) return kErrInvalidArg;
  CloseArchive();
  std::string resolved;
  ResultCode code;
  try {
    code = ResolveProgramPath(path, &resolved);
  } catch (const std::bad_alloc&) {
    return kErrOutOfMemory;
  }
  if (Failed(code)) return code;
  code = MapFile(resolved);
  if (Failed(code)) return code;

  if (file_size_ < 4 || std::memcmp(data_, kArchiveMagic, 4) != 0) {
    code = kErrArchiveBadMagic;
  } else if (file_size_ < 8 || ReadU32(data_ + 4) != kArchiveVersion) {
    code = kErrArchiveBadVersion;
  } else if (file_size_ < kArchiveRootOffset) {
    code = kErrDirectoryOverrun;
  } else {
    directory_end_ = ReadU32(data_ + kArchiveDirectoryEndOffset);
    code = ParseDirectory();
  }
  if (Failed(code)) CloseArchive();
  return code;
}

ResultCode Archive::MapFile(const std::string& path) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return kErrArchiveNotFound;
  struct stat info {};
  if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    close(fd);
    return kErrArchiveNotFound;
  }
  file_size_ = static_cast<size_t>(info.st_size);
  if (file_size_ == 0) {
    // Nothing to map; the header check rejects it. Point at a static byte so
    // that "open" and "mapped" stay the same test.
    static const uint8_t kEmpty = 0;
    data_ = &kEmpty;
    close(fd);
    return kOk;
  }
  void* view = mmap(nullptr, file_size_, PROT_READ, MAP_PRIVATE, fd, 0);
  close(fd);  // the mapping keeps the file
  if (view == MAP_FAILED) {
    file_size_ = 0;
    return kErrOutOfMemory;
  }
  view_ = view;
  data_ = static_cast<const uint8_t*>(view);
  return kOk;
}

// Reads the tree without recursion: a stack of the directories still missing
// children. The directory end is trusted only as far as the file reaches.
ResultCode Archive::ParseDirectory() {
  const size_t end = std::min<size_t>(directory_end_, file_size_);
  struct Open {
    size_t index;
    uint32_t children_left;
  };
  std::vector<Open> stack;
  size_t cursor = kArchiveRootOffset;
  try {
    do {
      if (cursor + 2 > end) return kErrDirectoryOverrun;
      ArchiveNode node;
      node.child_count = ReadU16(data_ + cursor);
      cursor += 2;
      if (cursor + 1 > end || cursor + 1 + data_[cursor] > end) return kErrDirectoryOverrun;
      node.name = data_ + cursor;
      const size_t name_field = 1 + size_t{data_[cursor]};
      cursor += name_field + (name_field & 1);
      if (node.IsFile()) {
        if (cursor + kArchiveFileFieldBytes > end) return kErrDirectoryOverrun;
        node.uncompressed_size = ReadU32(data_ + cursor);
        node.stored_size = ReadU32(data_ + cursor + 4);
        node.data_offset = ReadU32(data_ + cursor + 8);
        cursor += kArchiveFileFieldBytes;
      } else if (node.child_count != 0 && size_t{node.child_count} * 4 > end - std::min(cursor, end)) {
        // Every node takes at least 4 bytes, so these children cannot fit.
        return kErrDirectoryOverrun;
      }
      const size_t index = tree_.size();
      tree_.push_back(node);
      if (!stack.empty()) --stack.back().children_left;
      if (!node.IsFile() && node.child_count != 0) {
        stack.push_back({index, node.child_count});
      } else {
        tree_[index].subtree_end = static_cast<uint32_t>(index + 1);
      }
      while (!stack.empty() && stack.back().children_left == 0) {
        tree_[stack.back().index].subtree_end = static_cast<uint32_t>(tree_.size());
        stack.pop_back();
      }
    } while (!stack.empty());
  } catch (const std::bad_alloc&) {
    return kErrOutOfMemory;
  }
  return kOk;
}

ResultCode Archive::CloseArchive() {
  const ResultCode code = open_entries_ != 0 ? kErrEntriesStillOpen : kOk;
  while (first_entry_ != nullptr) first_entry_->OnArchiveClosed();
  open_entries_ = 0;
  if (view_ != nullptr) munmap(view_, file_size_);
  view_ = nullptr;
  data_ = nullptr;
  file_size_ = 0;
  directory_end_ = 0;
  std::vector<ArchiveNode>().swap(tree_);
  return code;
}

void Archive::Attach(ArchiveEntryBase* entry) {
  entry->prev_ = nullptr;
  entry->next_ = first_entry_;
  if (first_entry_ != nullptr) first_entry_->prev_ = entry;
  first_entry_ = entry;
  ++open_entries_;
}

void Archive::Detach(ArchiveEntryBase* entry) {
  if (entry->prev_ != nullptr) {
    entry->prev_->next_ = entry->next_;
  } else {
    first_entry_ = entry->next_;
  }
  if (entry->next_ != nullptr) entry->next_->prev_ = entry->prev_;
  entry->prev_ = entry->next_ = nullptr;
  if (open_entries_ != 0) --open_entries_;
}

// ---------------------------------------------------------------- entries

ArchiveEntryBase::~ArchiveEntryBase() { CloseBase(); }

ResultCode ArchiveEntryBase::OpenEntry(Archive* archive, const char16_t* name) {
  if (archive == nullptr || name == nullptr) return kErrInvalidArg;
  CloseEntry();
  if (!archive->IsOpen()) return kErrArchiveNotOpen;
  std::string narrow;
  try {
    if (!WideToNarrow(name, &narrow)) return kErrEntryNotFound;
  } catch (const std::bad_alloc&) {
    return kErrOutOfMemory;
  }
  return OpenBase(archive, narrow.c_str());
}

ResultCode ArchiveEntryBase::OpenEntry(Archive* archive, const char* name) {
  if (archive == nullptr || name == nullptr) return kErrInvalidArg;
  CloseEntry();
  return OpenBase(archive, name);
}

ResultCode ArchiveEntryBase::OpenBase(Archive* archive, const char* name) {
  CloseBase();
  if (!archive->IsOpen()) return kErrArchiveNotOpen;
  const ArchiveNode* node = FindArchiveNode(name, archive->Tree());
  if (node == nullptr) return kErrEntryNotFound;
  // Data reaching past the end of the file would be read outside the mapping.
  const uint64_t data_bytes = node->IsCompressed() ? node->stored_size : node->uncompressed_size;
  if (uint64_t{node->data_offset} + data_bytes > archive->FileSize()) return kErrEntryNotFound;
  data_offset_ = node->data_offset;
  uncompressed_size_ = node->uncompressed_size;
  stored_size_ = node->stored_size;
  open_ = true;
  archive_ = archive;
  archive->Attach(this);
  return kOk;
}

void ArchiveEntryBase::CloseEntry() { CloseBase(); }

void ArchiveEntryBase::CloseBase() {
  if (!open_) return;
  archive_->Detach(this);
  archive_ = nullptr;
  open_ = false;
}

void ArchiveEntryBase::OnArchiveClosed() { CloseBase(); }

ResultCode ArchiveEntryBase::EntryInfo(ArchiveEntryInfo* info) const {
  if (info == nullptr) return kErrInvalidArg;
  if (!open_) return kErrEntryNotOpen;
  info->size = uncompressed_size_;
  info->compressed = stored_size_ != 0;
  return kOk;
}

const uint8_t* ArchiveEntryBase::StoredData() const {
  if (!open_ || stored_size_ != 0) return nullptr;
  return archive_->Data() + data_offset_;
}

ArchiveEntry::~ArchiveEntry() {
  EndInflate();
  CloseBase();
}

ResultCode ArchiveEntry::OpenEntry(Archive* archive, const char16_t* name) {
  return ArchiveEntryBase::OpenEntry(archive, name);
}

void ArchiveEntry::CloseEntry() {
  EndInflate();
  position_ = 0;
  CloseBase();
}

void ArchiveEntry::OnArchiveClosed() {
  // The stream points into the mapping that is about to go.
  EndInflate();
  position_ = 0;
  CloseBase();
}

ResultCode ArchiveEntry::StartInflate() {
  EndInflate();
  stream_ = new (std::nothrow) z_stream{};
  if (stream_ == nullptr) return kErrOutOfMemory;
  // inflateInit passes the header's ZLIB_VERSION and sizeof(z_stream), so a
  // library that does not match the headers answers Z_VERSION_ERROR.
  const int z = inflateInit(stream_);
  if (z != Z_OK) {
    delete stream_;
    stream_ = nullptr;
    return InflateCode(z);
  }
  stream_->next_in = const_cast<Bytef*>(archive_->Data() + data_offset_);
  stream_->avail_in = stored_size_;
  inflate_started_ = true;
  stream_ended_ = false;
  position_ = 0;
  return kOk;
}

void ArchiveEntry::EndInflate() {
  if (stream_ != nullptr) {
    inflateEnd(stream_);
    delete stream_;
    stream_ = nullptr;
  }
  inflate_started_ = false;
  stream_ended_ = false;
}

ResultCode ArchiveEntry::ReadEntry(void* buffer, uint32_t* count) {
  if (count == nullptr) return kErrInvalidArg;
  if (buffer == nullptr) {
    *count = 0;
    return kErrInvalidArg;
  }
  if (!open_) {
    *count = 0;
    return kErrEntryNotOpen;
  }
  if (stored_size_ != 0) return ReadCompressed(static_cast<uint8_t*>(buffer), count);
  const uint32_t n = std::min(*count, uncompressed_size_ - position_);
  std::memcpy(buffer, archive_->Data() + data_offset_ + position_, n);
  position_ += n;
  *count = n;
  return kOk;
}

// Inflates into the caller's buffer, never more than the bytes still owed by
// the recorded size. When the last owed byte is out, the stream must end
// there: a probe for one more byte tells a longer stream from a complete one.
ResultCode ArchiveEntry::ReadCompressed(uint8_t* buffer, uint32_t* count) {
  const uint32_t asked = *count;
  *count = 0;
  if (!inflate_started_) {
    const ResultCode code = StartInflate();
    if (Failed(code)) return code;
  }
  if (stream_ended_) return kErrCompressedDataCorrupt;
  const uint32_t want = std::min(asked, uncompressed_size_ - position_);

  auto fail = [this](ResultCode code) {
    stream_ended_ = true;
    return code;
  };
  stream_->next_out = buffer;
  stream_->avail_out = want;
  stream_->total_out = 0;
  int z = Z_OK;
  while (stream_->avail_out != 0) {
    z = inflate(stream_, Z_SYNC_FLUSH);
    if (z == Z_STREAM_END) break;
    if (z != Z_OK) return fail(InflateCode(z));
  }
  const auto produced = static_cast<uint32_t>(want - stream_->avail_out);
  position_ += produced;
  if (z == Z_STREAM_END) {
    stream_ended_ = true;
    // Ended before the recorded size: the data is short.
    if (position_ != uncompressed_size_) return kErrCompressedDataCorrupt;
  } else if (position_ == uncompressed_size_) {
    uint8_t extra = 0;
    stream_->next_out = &extra;
    stream_->avail_out = 1;
    z = inflate(stream_, Z_SYNC_FLUSH);
    // Z_STREAM_END with no byte written is the only sound ending.
    if (z != Z_STREAM_END || stream_->avail_out == 0) {
      return fail(z == Z_STREAM_END || z == Z_OK ? kErrCompressedDataCorrupt : InflateCode(z));
    }
    stream_ended_ = true;
  }
  *count = produced;
  return kOk;
}

ResultCode ArchiveEntry::RewindEntry() {
  if (!open_) return kErrEntryNotOpen;
  if (stored_size_ == 0) {
    position_ = 0;
    return kOk;
  }
  if (position_ == 0 && !stream_ended_) return kOk;
  return StartInflate();
}

}  // namespace abacine
