// The IDX index reader over hostile index bytes: every path it gives is one the index's
// entries stand for, and it never trusts the header's entry count.
#include <cstddef>
#include <cstdint>
#include <span>

#include "FuzzFile.h"
#include "unit/IdxReader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using quillon::fuzz::Require;
  const std::u16string base = u"/unit/VIDEO/QVT/ABC0001";
  const quillon::IdxResult result = quillon::ParseIdx(std::span<const std::uint8_t>(data, size), base);

  Require(result.accepted == !result.chunkPaths.empty());
  const std::size_t entries = size < quillon::kIdxHeaderSize ? 0 : (size - quillon::kIdxHeaderSize) / quillon::kIdxEntrySize;
  Require(result.chunkPaths.size() <= entries);
  for (const auto& path : result.chunkPaths) {
    // base + "_" + 17 characters of date or file entry + ".M2T"
    Require(path.size() == base.size() + 22);
    Require(path.compare(0, base.size(), base) == 0);
    Require(path.compare(path.size() - 4, 4, u".M2T") == 0);
  }

  // The clip name comes from the index file's own name, whatever it holds.
  std::u16string name;
  for (std::size_t i = 0; i < size && i < 64; ++i) name += static_cast<char16_t>(data[i]);
  const std::u16string idxPath = u"/unit/VIDEO/QVT/" + name;
  const std::u16string chunkBase = quillon::IdxChunkBase(idxPath);
  // The folder and at most seven characters of the file name: a prefix of the path itself.
  Require(idxPath.compare(0, chunkBase.size(), chunkBase) == 0);
  Require(chunkBase.size() <= idxPath.rfind(u'/') + 1 + 7);
  return 0;
}
