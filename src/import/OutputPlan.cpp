#include "import/OutputPlan.h"

#include "import/OutputName.h"
#include "import/RecordingTimeProbe.h"
#include "import/TsPacket.h"
#include "unit/KindTable.h"

namespace quillon {

namespace {
constexpr unsigned kNewStreamPid = 0x001E;
}

bool BeginsNewOutput(const Clip& clip, std::size_t i, platform::File& source) {
  if (i == 0 || !clip.chunks.at(i).continues) return true;
  if (clip.kindBits != kBitM2T) return false;
  std::uint8_t head[3];
  if (source.ReadFully(head, sizeof head) != static_cast<std::int64_t>(sizeof head)) return true;
  return TsPid(head) == kNewStreamPid || head[0] != kTsSyncByte;
}

std::uint64_t PlannedOutputBytes(Clip& clip, std::size_t first) {
  std::uint64_t bytes = clip.chunks.at(first).Size();
  for (std::size_t i = first + 1; i < clip.chunks.size(); ++i) {
    const auto source = platform::Files().OpenRead(clip.chunks[i].path);
    if (!source || BeginsNewOutput(clip, i, *source)) break;
    bytes += clip.chunks[i].Size();
  }
  return bytes;
}

std::vector<PlannedOutput> PlanOutputs(Clip& clip, NamingState& naming) {
  std::vector<PlannedOutput> outputs;
  for (std::size_t i = 0; i < clip.chunks.size(); ++i) {
    Chunk& chunk = clip.chunks[i];
    const auto source = platform::Files().OpenRead(chunk.path);
    // A chunk that cannot be opened fails the copy there; until then it counts where it stands.
    const bool begins = source ? BeginsNewOutput(clip, i, *source) : (i == 0 || !chunk.continues);
    if (begins || outputs.empty()) {
      // Only names of numbered-folder clips carry the recording time.
      if (source && clip.source == ClipSource::Folder && source->Seek(0)) ProbeRecordingTime(chunk, *source);
      outputs.push_back({i, OutputName(clip, chunk, naming), 0});
    }
    outputs.back().bytes += chunk.Size();
  }
  return outputs;
}

}  // namespace quillon
