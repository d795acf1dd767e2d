// Recording time of DV data: the REC DATE (0x62) and REC TIME (0x63) packs in the VAUX
// blocks of the first DIF sequences.
#include <array>
#include <cstddef>
#include <cstdint>
#include <limits>

#include "import/ProbeRead.h"
#include "import/RecordingTimeProbe.h"

namespace quillon {
namespace {

constexpr std::size_t kBlockSize = 80;
constexpr std::uint64_t kSequenceSize = 150 * kBlockSize;  // 12000
constexpr int kSequencesScanned = 10;
constexpr std::size_t kBlocksPerRead = 3;
constexpr std::size_t kReadSize = kBlocksPerRead * kBlockSize;  // 240

// Block type, the high nibble of a block's first byte.
constexpr std::uint8_t kHeaderBlock = 0x1, kSubcodeBlock = 0x3, kVauxBlock = 0x5;

constexpr std::size_t kFirstPack = 3;
constexpr std::size_t kPackSize = 5;
constexpr std::size_t kPacksPerBlock = 15;
constexpr std::uint8_t kRecDateTag = 0x62, kRecTimeTag = 0x63;

using Blocks = std::array<std::uint8_t, kReadSize>;

std::uint8_t BlockType(const Blocks& b, std::size_t block) { return b[block * kBlockSize] >> 4; }

}  // namespace

int ScanDifSequences(Chunk& chunk, platform::File& file, std::uint64_t base) {
  if (!file.Seek(base)) return -2;
  constexpr std::uint64_t kSpan = (kSequencesScanned - 1) * kSequenceSize;
  if (base > std::numeric_limits<std::uint64_t>::max() - kSpan) return -2;

  Blocks blocks{};
  for (int s = 0; s < kSequencesScanned; ++s) {
    if (!file.Seek(base + static_cast<std::uint64_t>(s) * kSequenceSize)) return -2;

    if (!probe::ReadExactly(file, blocks)) return 1;
    if (BlockType(blocks, 0) != kHeaderBlock || BlockType(blocks, 1) != kSubcodeBlock ||
        BlockType(blocks, 2) != kSubcodeBlock)
      return -1;

    if (!probe::ReadExactly(file, blocks)) return 1;
    const std::uint8_t* date = nullptr;
    const std::uint8_t* time = nullptr;
    for (std::size_t block = 0; block < kBlocksPerRead; ++block) {
      if (BlockType(blocks, block) != kVauxBlock) continue;
      for (std::size_t k = 0; k < kPacksPerBlock; ++k) {
        const std::uint8_t* pack = &blocks[block * kBlockSize + kFirstPack + k * kPackSize];
        if (pack[0] == kRecDateTag) date = pack + 1;
        if (pack[0] == kRecTimeTag) time = pack + 1;
        if (date && time && DecodeRecDateTime(chunk, date, time)) return 0;
      }
    }
  }
  return 1;
}

}  // namespace quillon
