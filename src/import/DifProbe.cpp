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

constexpr std::uint64_t kSequenceSize = 150 * kDifBlockBytes;  // 12000
constexpr int kSequencesScanned = 10;
constexpr std::size_t kBlocksPerRead = 3;
constexpr std::size_t kReadSize = kBlocksPerRead * kDifBlockBytes;  // 240

constexpr std::size_t kFirstPack = 3;
constexpr std::size_t kPackSize = 5;
constexpr std::size_t kPacksPerBlock = 15;
constexpr std::uint8_t kRecDateTag = 0x62, kRecTimeTag = 0x63;

}  // namespace

int WalkDifSequences(platform::File& file, std::uint64_t base,
                     const std::function<bool(const DifSequenceHead&)>& visit) {
  if (!file.Seek(base)) return -2;
  constexpr std::uint64_t kSpan = (kSequencesScanned - 1) * kSequenceSize;
  if (base > std::numeric_limits<std::uint64_t>::max() - kSpan) return -2;

  DifSequenceHead head{};
  for (int s = 0; s < kSequencesScanned; ++s) {
    if (!file.Seek(base + static_cast<std::uint64_t>(s) * kSequenceSize)) return -2;

    if (!probe::ReadExactly(file, head.data(), kReadSize)) return 1;
    if (DifBlockType(head, 0) != kDifHeaderBlock || DifBlockType(head, 1) != kDifSubcodeBlock ||
        DifBlockType(head, 2) != kDifSubcodeBlock)
      return -1;

    if (!probe::ReadExactly(file, head.data() + kReadSize, kReadSize)) return 1;
    if (visit(head)) return 0;
  }
  return 1;
}

bool DecodeVauxRecDateTime(Chunk& chunk, const DifSequenceHead& head) {
  const std::uint8_t* date = nullptr;
  const std::uint8_t* time = nullptr;
  for (std::size_t block = kBlocksPerRead; block < 2 * kBlocksPerRead; ++block) {
    if (DifBlockType(head, block) != kDifVauxBlock) continue;
    for (std::size_t k = 0; k < kPacksPerBlock; ++k) {
      const std::uint8_t* pack = &head[block * kDifBlockBytes + kFirstPack + k * kPackSize];
      if (pack[0] == kRecDateTag) date = pack + 1;
      if (pack[0] == kRecTimeTag) time = pack + 1;
      if (date && time && DecodeRecDateTime(chunk, date, time)) return true;
    }
  }
  return false;
}

int ScanDifSequences(Chunk& chunk, platform::File& file, std::uint64_t base) {
  return WalkDifSequences(file, base,
                          [&chunk](const DifSequenceHead& head) { return DecodeVauxRecDateTime(chunk, head); });
}

}  // namespace quillon
