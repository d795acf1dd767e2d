#pragma once
// Reads the recording date and time out of a chunk's stream: the private data of an HDV
// transport stream, or the VAUX packs of DV frames (raw, or inside an AVI file).
#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>

#include "platform/FileSystem.h"
#include "unit/Chunk.h"

namespace quillon {

// Sets the chunk's probed flag, time-valid flag and recording time; true when a time was
// found. The file's position is the same afterwards as before.
bool ProbeRecordingTime(Chunk& chunk, platform::File& file);

// The readers behind it. ScanDifSequences answers 0 (found), 1 (not found), -1 (not DV data)
// or -2 (seek failed).
bool ScanTransportStream(Chunk& chunk, platform::File& file);
int ScanDifSequences(Chunk& chunk, platform::File& file, std::uint64_t base);
bool ScanAviFile(Chunk& chunk, platform::File& file);

// The first blocks of a DIF sequence: header, two subcode and three VAUX blocks.
inline constexpr std::size_t kDifBlockBytes = 80;
using DifSequenceHead = std::array<std::uint8_t, 6 * kDifBlockBytes>;
// Block types, the high nibble of a block's first byte.
inline constexpr std::uint8_t kDifHeaderBlock = 0x1, kDifSubcodeBlock = 0x3, kDifVauxBlock = 0x5;
inline std::uint8_t DifBlockType(const DifSequenceHead& head, std::size_t block) {
  return head[block * kDifBlockBytes] >> 4;
}

// Hands the head of each of the first DIF sequences from base to visit, until visit answers
// true; answers as ScanDifSequences (0: visit answered true).
int WalkDifSequences(platform::File& file, std::uint64_t base,
                     const std::function<bool(const DifSequenceHead&)>& visit);
// The recording time of the REC DATE and REC TIME packs of a sequence's VAUX blocks, stored as
// DecodeRecDateTime stores it; false when they are missing or invalid.
bool DecodeVauxRecDateTime(Chunk& chunk, const DifSequenceHead& head);

// The idx1 chunk of an AVI file ("RIFF" form "AVI "), found by walking its top-level chunks.
struct AviIndex {
  std::uint64_t pos = 0;  // of the idx1 chunk header
  std::uint32_t size = 0;
  std::optional<std::uint64_t> moviType;  // position of the "movi" list type code
  std::uint64_t Entries() const { return pos + 8; }  // its entries follow the chunk's id and size
};
std::optional<AviIndex> FindAviIndex(platform::File& file);
inline constexpr std::size_t kAviIndexEntrySize = 16;  // chunk id, flags, offset, length
inline constexpr std::size_t kAviEntryOffsetAt = 8, kAviEntryLengthAt = 12;
// What the index's offsets count from, told by its first entry's offset: the "movi" list type
// code, as most writers store them, or the file's start.
std::int64_t AviOffsetBase(const AviIndex& index, std::int32_t firstOffset);
// Where the data of the chunk an entry points at begins; nothing when before the file's start.
std::optional<std::uint64_t> AviEntryData(std::int64_t offsetBase, std::int32_t offset);
// Entries shorter than this are audio, or anything but a DV frame.
inline constexpr std::uint32_t kMinDvFrameBytes = 120000;

// Stores the recording time of a REC DATE and a REC TIME pack (four bytes each, without
// their tag) in the chunk; false when the packs are invalid.
bool DecodeRecDateTime(Chunk& chunk, const std::uint8_t* datePack, const std::uint8_t* timePack);

}  // namespace quillon
