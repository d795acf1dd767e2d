#pragma once
// The unit's IDX index file: a 16-byte header ("INDXV200", flag, check byte, four-digit
// entry count) followed by 16-byte entries, each a recording date ("DT") or four characters
// ("FILE") from which the name of one HDV chunk file is built.
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace quillon {

struct IdxResult {
  std::vector<std::u16string> chunkPaths;  // in entry order, duplicates kept
  bool accepted = false;
};

inline constexpr std::size_t kIdxHeaderSize = 16;
inline constexpr std::size_t kIdxEntrySize = 16;
inline constexpr std::size_t kIdxMaxEntries = 16665;  // four nibbles of at most 15 each
inline constexpr std::size_t kIdxMaxBytes = kIdxHeaderSize + kIdxMaxEntries * kIdxEntrySize;

// The prefix of every chunk path: the index's folder and separator, then its clip name.
std::u16string IdxChunkBase(const std::u16string& idxPath);

// Reads chunk paths out of the bytes of an index file; base as IdxChunkBase gives it.
IdxResult ParseIdx(std::span<const std::uint8_t> bytes, const std::u16string& base);

// Opens and reads the index file at idxPath. An unreadable file is rejected.
IdxResult ReadIdx(const std::u16string& idxPath);

}  // namespace quillon
