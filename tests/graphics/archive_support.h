// Writing archives by hand for the archive and image tests: a tree of nodes
// serialised as header, directory (depth first) and then every file's data
// in the same order, and a temporary folder to put the files in.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>
#include <zlib.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <type_traits>
#include <vector>

#include "graphics/archive.h"
#include "support/scratch_dir.h"

namespace abacine::archive_test {

using Bytes = std::vector<uint8_t>;

inline void Put16(Bytes* b, uint32_t v) {
  b->push_back(static_cast<uint8_t>(v));
  b->push_back(static_cast<uint8_t>(v >> 8));
}
inline void Put32(Bytes* b, uint32_t v) { Put16(b, v & 0xFFFF), Put16(b, v >> 16); }
inline void Set32(Bytes* b, size_t at, uint32_t v) {
  for (size_t i = 0; i < 4; ++i) (*b)[at + i] = static_cast<uint8_t>(v >> (8 * i));
}
inline uint32_t Get32(const Bytes& b, size_t at) {
  return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<uint32_t>(b[at + 3]) << 24);
}

struct Node {
  std::string name;
  bool is_file = false;
  Bytes data;           // files: the bytes as stored
  uint32_t size = 0;    // files: recorded uncompressed size
  bool compressed = false;
  std::vector<Node> children;
};

template <typename Seq>
Node File(std::string name, const Seq& content) {
  Node n{std::move(name), true, Bytes(std::begin(content), std::end(content)), 0, false, {}};
  if constexpr (std::is_array_v<Seq>) n.data.pop_back();  // a string literal's terminator
  n.size = static_cast<uint32_t>(n.data.size());
  return n;
}

template <typename Seq>
Node Compressed(std::string name, const Seq& content) {
  Node n = File(std::move(name), content);
  uLongf size = compressBound(static_cast<uLong>(n.data.size()));
  Bytes out(size);
  EXPECT_EQ(compress2(out.data(), &size, n.data.data(), static_cast<uLong>(n.data.size()), 9), Z_OK);
  out.resize(size);
  n.data = std::move(out);
  n.compressed = true;
  return n;
}

inline Node Dir(std::string name, std::vector<Node> children) {
  return Node{std::move(name), false, {}, 0, false, std::move(children)};
}

inline void WriteNode(const Node& n, Bytes* out, std::vector<std::pair<size_t, const Node*>>* offsets) {
  Put16(out, n.is_file ? 0xFFFF : static_cast<uint32_t>(n.children.size()));
  out->push_back(static_cast<uint8_t>(n.name.size()));
  out->insert(out->end(), n.name.begin(), n.name.end());
  if ((1 + n.name.size()) % 2 == 1) out->push_back(0xEE);  // the pad byte
  if (n.is_file) {
    Put32(out, n.size);
    Put32(out, n.compressed ? static_cast<uint32_t>(n.data.size()) : 0);
    offsets->emplace_back(out->size(), &n);
    Put32(out, 0);
  }
  for (const Node& c : n.children) WriteNode(c, out, offsets);
}

inline Bytes Serialize(const Node& root) {
  Bytes out = {'G', 'D', 'v', 'f', 1, 0, 0, 0, 0, 0, 0, 0};
  std::vector<std::pair<size_t, const Node*>> offsets;
  WriteNode(root, &out, &offsets);
  Set32(&out, 8, static_cast<uint32_t>(out.size()));
  for (auto& [field, node] : offsets) {
    Set32(&out, field, static_cast<uint32_t>(out.size()));
    out.insert(out.end(), node->data.begin(), node->data.end());
  }
  return out;
}

// Reads up to n bytes: the bytes read, or the failure code (and a note when
// the reader claimed to deliver bytes all the same).
inline std::string Read(ArchiveEntry* entry, uint32_t n) {
  std::string out(n, '\0');
  uint32_t count = n;
  const ResultCode code = entry->ReadEntry(out.data(), &count);
  if (code != kOk) return "failed " + std::to_string(code) + (count != 0 ? " with bytes" : "");
  return out.substr(0, count);
}

class TempDir : public testing::ScratchDir {
 public:
  std::string Write(const std::string& name, const Bytes& bytes) const { return WriteTo(Path() + "/" + name, bytes); }
  static std::string WriteTo(const std::string& file, const Bytes& bytes) {
    std::ofstream(file, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return file;
  }
};

}  // namespace abacine::archive_test
