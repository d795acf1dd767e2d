#pragma once
// A unit's folder tree as fuzzer bytes, and back. The first byte holds the scan's switches
// (bit 0 HDV, bit 1 DV); then records follow, each
//   kind (1 byte), path length (1 byte), path, content length (2 bytes, little-endian), content.
// Kinds: file, folder, symbolic link (content: the target, inside the tree), FIFO, and a
// sparse file of (content length x 64 KiB) bytes. Paths are relative to the unit's root;
// empty, "." and ".." parts are dropped, so nothing is ever made outside the tree.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>
#include <vector>

namespace quillon::fuzz {

enum class TreeKind : std::uint8_t { File, Folder, Link, Fifo, Sparse, Count };

struct TreeEntry {
  TreeKind kind = TreeKind::File;
  std::string path;
  std::string content;
};

struct Tree {
  bool hdv = true;
  bool dv = true;
  std::vector<TreeEntry> entries;
};

inline Tree DecodeTree(const std::uint8_t* data, std::size_t size) {
  Tree tree;
  if (size == 0) return tree;
  tree.hdv = (data[0] & 1) != 0;
  tree.dv = (data[0] & 2) != 0;
  std::size_t at = 1;
  while (at + 2 <= size) {
    TreeEntry e;
    e.kind = static_cast<TreeKind>(data[at] % static_cast<std::uint8_t>(TreeKind::Count));
    const std::size_t pathLength = data[at + 1];
    at += 2;
    if (pathLength > size - at) break;
    e.path.assign(reinterpret_cast<const char*>(data + at), pathLength);
    at += pathLength;
    std::size_t length = 0;
    if (at + 2 <= size) {
      length = data[at] | (static_cast<std::size_t>(data[at + 1]) << 8);
      at += 2;
    }
    length = std::min(length, size - at);
    e.content.assign(reinterpret_cast<const char*>(data + at), length);
    at += length;
    tree.entries.push_back(std::move(e));
  }
  return tree;
}

inline std::string EncodeTree(const Tree& tree) {
  std::string out(1, static_cast<char>((tree.hdv ? 1 : 0) | (tree.dv ? 2 : 0)));
  for (const TreeEntry& e : tree.entries) {
    const std::size_t pathLength = std::min<std::size_t>(e.path.size(), 255);
    const std::size_t length = std::min<std::size_t>(e.content.size(), 65535);
    out += static_cast<char>(e.kind);
    out += static_cast<char>(pathLength);
    out.append(e.path, 0, pathLength);
    out += static_cast<char>(length & 0xFF);
    out += static_cast<char>(length >> 8);
    out.append(e.content, 0, length);
  }
  return out;
}

// The path's parts that may be made: no empty, "." or ".." part, no NUL.
inline std::filesystem::path SafeRelative(const std::string& path) {
  std::filesystem::path out;
  std::string part;
  const auto flush = [&] {
    if (!part.empty() && part != "." && part != "..") out /= part;
    part.clear();
  };
  for (char c : path) {
    if (c == '/') {
      flush();
    } else {
      part += c == '\0' ? '\x01' : c;
    }
  }
  flush();
  return out;
}

// Makes the tree's entries below root; an entry that clashes with an earlier one is left out.
inline void WriteTree(const std::filesystem::path& root, const Tree& tree) {
  namespace fs = std::filesystem;
  std::error_code ec;
  fs::create_directories(root, ec);
  for (const TreeEntry& e : tree.entries) {
    const fs::path relative = SafeRelative(e.path);
    if (relative.empty()) continue;
    const fs::path at = root / relative;
    fs::create_directories(at.parent_path(), ec);
    switch (e.kind) {
      case TreeKind::File: {
        std::ofstream out(at, std::ios::binary);
        out.write(e.content.data(), static_cast<std::streamsize>(e.content.size()));
        break;
      }
      case TreeKind::Folder:
        fs::create_directory(at, ec);
        break;
      case TreeKind::Link:
        fs::create_symlink(root / SafeRelative(e.content), at, ec);
        break;
      case TreeKind::Fifo:
        ::mkfifo(at.c_str(), 0600);
        break;
      case TreeKind::Sparse: {
        std::ofstream{at, std::ios::binary};
        fs::resize_file(at, static_cast<std::uintmax_t>(e.content.size()) << 16, ec);
        break;
      }
      case TreeKind::Count:
        break;
    }
  }
}

}  // namespace quillon::fuzz
