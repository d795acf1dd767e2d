#pragma once
// One clip on the unit, with the routes that fill its chunk list.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "unit/Chunk.h"

namespace quillon {

enum class ClipSource : std::int32_t { Folder = 1, Flat = 2 };

class Clip;
// A clip handle: the record lives while a handle holds it.
using ClipHandle = std::shared_ptr<Clip>;

class Clip {
 public:
  Clip(ClipSource source, std::u16string folder, std::u16string name);
  virtual ~Clip() = default;

  // Index route: the clip an IDX file stands for (its chunk list from the index; kind bits 1
  // when the index was accepted, else 0).
  static ClipHandle FromIndex(const std::u16string& idxFileName, const std::u16string& idxPath);
  // Folder route: the clip a numbered folder holds (its M2T, DV and AVI files in chunk order).
  static ClipHandle FromFolder(const std::u16string& folderName, const std::u16string& folderPath);
  // Name route: an empty clip of the flat folder.
  static ClipHandle Named(const std::u16string& folder, const std::u16string& name);

  // Appends a chunk for path unless one with exactly that path is listed; an appended M2T
  // chunk begins an output file of its own.
  void AddFile(const std::u16string& path);

  // Sum of the chunks' sizes, each rounded down to whole MiB.
  std::uint64_t SizeMiB();

  // Last-modified instant of the chunk's file (0 when it cannot be queried or the list is
  // empty). An index beyond the list throws std::out_of_range.
  std::int64_t ClipTime(std::size_t chunkIndex) const;

  bool IsHdv() const { return (kindBits & 1u) != 0; }

  std::u16string name;
  std::uint32_t kindBits = 0;
  std::vector<Chunk> chunks;
  std::u16string folder;
  ClipSource source;
};

// Clip order: clips with M2T chunks first, then by name in UTF-16 code units.
bool ClipLess(const Clip& a, const Clip& b);

}  // namespace quillon
