#include "unit/Clip.h"

#include <algorithm>
#include <stdexcept>

#include "platform/FileSystem.h"
#include "platform/Path.h"
#include "unit/IdxReader.h"
#include "unit/KindTable.h"

namespace quillon {

namespace {
constexpr std::size_t kClipNameLength = 7;
}

Clip::Clip(ClipSource s, std::u16string f, std::u16string n) : name(std::move(n)), folder(std::move(f)), source(s) {}

ClipHandle Clip::FromIndex(const std::u16string& idxFileName, const std::u16string& idxPath) {
  auto clip = std::make_shared<Clip>(ClipSource::Flat, std::u16string(platform::ParentPart(idxPath)),
                                     idxFileName.substr(0, kClipNameLength));
  IdxResult index = ReadIdx(idxPath);
  clip->chunks.reserve(index.chunkPaths.size());
  for (auto& p : index.chunkPaths) clip->chunks.emplace_back(std::move(p));
  if (index.accepted) {
    clip->kindBits = kBitM2T;
    clip->chunks.front().continues = false;
  }
  return clip;
}

ClipHandle Clip::FromFolder(const std::u16string& folderName, const std::u16string& folderPath) {
  auto clip = std::make_shared<Clip>(ClipSource::Folder, folderPath, folderName);
  auto& fs = platform::Files();
  for (std::size_t k = 0; k < kKindTable.size(); ++k) {
    const std::u16string pattern = u"*." + std::u16string(kKindTable[k]);
    bool found = false;
    for (const auto& entry : fs.Find(folderPath, pattern)) {
      const auto status = fs.Status(entry.path);
      if (!status || status->isDirectory || status->isHidden || status->size == 0) continue;
      if (!entry.name.empty() && entry.name.front() == u'.') continue;
      clip->chunks.emplace_back(entry.path, entry.name);
      found = true;
    }
    if (found) clip->kindBits |= 1u << k;
  }
  std::sort(clip->chunks.begin(), clip->chunks.end(), ChunkLess);
  if (!clip->chunks.empty() && clip->chunks.front().kind == kKindM2T) clip->chunks.front().continues = false;
  return clip;
}

ClipHandle Clip::Named(const std::u16string& folder, const std::u16string& name) {
  return std::make_shared<Clip>(ClipSource::Flat, folder, name);
}

void Clip::AddFile(const std::u16string& path) {
  for (const auto& c : chunks) {
    if (c.path == path) return;
  }
  Chunk& chunk = chunks.emplace_back(path);
  if (chunk.kind >= 0) kindBits |= 1u << chunk.kind;
  if (chunk.kind == kKindM2T) chunk.continues = false;
}

std::uint64_t Clip::SizeMiB() {
  std::uint64_t total = 0;
  for (auto& c : chunks) total += c.Size() >> 20;
  return total;
}

std::int64_t Clip::ClipTime(std::size_t chunkIndex) const {
  if (chunks.empty()) return 0;
  if (chunkIndex >= chunks.size()) throw std::out_of_range("chunk index out of range");
  const auto status = platform::Files().Status(chunks[chunkIndex].path);
  if (!status || !status->lastWrite) return 0;
  return *status->lastWrite;
}

bool ClipLess(const Clip& a, const Clip& b) {
  if (a.IsHdv() != b.IsHdv()) return a.IsHdv();
  return a.name < b.name;
}

}  // namespace quillon
