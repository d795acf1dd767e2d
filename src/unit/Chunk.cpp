#include "unit/Chunk.h"

#include "platform/FileSystem.h"
#include "platform/Path.h"
#include "unit/KindTable.h"

namespace quillon {

Chunk::Chunk(std::u16string p) : path(std::move(p)), fileName(platform::LastComponent(path)) { Classify(); }

Chunk::Chunk(std::u16string p, std::u16string name) : path(std::move(p)), fileName(std::move(name)) { Classify(); }

void Chunk::Classify() {
  kind = KindIndexOfFileName(fileName);
  continues = kind == kKindM2T;
}

std::uint64_t Chunk::Size() {
  if (!sizeKnown_) {
    sizeKnown_ = true;
    if (auto file = platform::Files().OpenRead(path)) size_ = file->Size().value_or(0);
  }
  return size_;
}

bool ChunkLess(const Chunk& a, const Chunk& b) {
  if (a.kind != b.kind) return a.kind < b.kind;
  return a.fileName < b.fileName;
}

}  // namespace quillon
