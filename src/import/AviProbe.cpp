// Recording time of an AVI file: the DV frames its idx1 index points at are scanned like
// raw DV.
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

#include "import/ProbeRead.h"
#include "import/RecordingTimeProbe.h"

namespace quillon {
namespace {

constexpr std::size_t kRiffHeaderSize = 12;  // "RIFF", size, form type
constexpr std::size_t kFormTypeAt = 8;
constexpr std::size_t kChunkHeaderSize = 8;  // id, size
constexpr std::size_t kChunkSizeAt = 4;
constexpr std::size_t kListTypeSize = 4;

// Real files have a handful of top-level chunks before idx1; a walk of more is hostile.
constexpr int kMaxTopLevelChunks = 1024;

constexpr std::uint32_t kMaxEntriesExamined = 10;
constexpr std::uint32_t kIndexSizeNotCounted = 8;

}  // namespace

std::optional<AviIndex> FindAviIndex(platform::File& file) {
  std::array<std::uint8_t, kRiffHeaderSize> riff{};
  if (!file.Seek(0) || !probe::ReadExactly(file, riff)) return std::nullopt;
  if (!probe::FourccAt(riff, 0, "RIFF") || !probe::FourccAt(riff, kFormTypeAt, "AVI ")) return std::nullopt;

  // Walks the top-level chunks after the RIFF header up to idx1.
  AviIndex index;
  std::uint64_t pos = kRiffHeaderSize;
  for (int n = 0; n < kMaxTopLevelChunks; ++n) {
    std::array<std::uint8_t, kChunkHeaderSize> header{};
    if (!file.Seek(pos) || !probe::ReadExactly(file, header)) return std::nullopt;
    const std::uint32_t size = probe::Le32At(header, kChunkSizeAt);
    const std::uint64_t next = pos + kChunkHeaderSize + size;

    if (probe::FourccAt(header, 0, "LIST")) {
      std::array<std::uint8_t, kListTypeSize> type{};
      if (!probe::ReadExactly(file, type)) return std::nullopt;
      if (probe::FourccAt(type, 0, "movi") && !index.moviType) index.moviType = pos + kChunkHeaderSize;
    } else if (probe::FourccAt(header, 0, "idx1")) {
      index.pos = pos;
      index.size = size;
      return index;
    }
    pos = next;
  }
  return std::nullopt;
}

std::int64_t AviOffsetBase(const AviIndex& index, std::int32_t firstOffset) {
  const bool relative = index.moviType && firstOffset < static_cast<std::int64_t>(*index.moviType);
  return relative ? static_cast<std::int64_t>(*index.moviType) : 0;
}

std::optional<std::uint64_t> AviEntryData(std::int64_t offsetBase, std::int32_t offset) {
  const std::int64_t data = offsetBase + offset + static_cast<std::int64_t>(kChunkHeaderSize);
  if (data < 0) return std::nullopt;
  return static_cast<std::uint64_t>(data);
}

bool ScanAviFile(Chunk& chunk, platform::File& file) {
  const std::optional<AviIndex> index = FindAviIndex(file);
  if (!index) return false;

  // The last entry is left out; an index too small to hold one entry yields none.
  std::uint32_t n = index->size < kIndexSizeNotCounted ? 0 : (index->size - kIndexSizeNotCounted) / kAviIndexEntrySize;
  n = std::min(n, kMaxEntriesExamined);

  // The first entry tells what the offsets count from, for the whole index.
  std::optional<std::int64_t> offsetBase;
  for (std::uint32_t k = 0; k < n; ++k) {
    std::array<std::uint8_t, kAviIndexEntrySize> entry{};
    if (!file.Seek(index->Entries() + std::uint64_t{kAviIndexEntrySize} * k) ||
        !probe::ReadExactly(file, entry))
      return false;
    const auto offset = static_cast<std::int32_t>(probe::Le32At(entry, kAviEntryOffsetAt));
    const std::uint32_t length = probe::Le32At(entry, kAviEntryLengthAt);

    if (!offsetBase) offsetBase = AviOffsetBase(*index, offset);
    if (length < kMinDvFrameBytes) continue;  // audio or anything smaller than a DV frame

    const std::optional<std::uint64_t> frameData = AviEntryData(*offsetBase, offset);
    if (!frameData) return false;  // before the file's start: a seek that cannot succeed
    const int r = ScanDifSequences(chunk, file, *frameData);
    if (r == 0) return true;
    if (r < 0) return false;
  }
  return false;
}

}  // namespace quillon
