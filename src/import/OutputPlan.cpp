#include "import/OutputPlan.h"

#include "import/OutputName.h"
#include "platform/Text.h"
#include "import/ImportState.h"
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

std::vector<ClipOutput> PlanClip(Clip& clip, int prefix, std::atomic<std::int64_t>& lastNoTime, UnitCalls& unit) {
  std::vector<ClipOutput> outputs;
  for (std::size_t i = 0; i < clip.chunks.size(); ++i) {
    Chunk& chunk = clip.chunks[i];
    const auto source = OpenUnitFile(unit, chunk.path);
    const bool begins = source ? BeginsNewOutput(clip, i, *source) : (i == 0 || !chunk.continues);
    if (begins || outputs.empty()) {
      // Only names of numbered-folder clips carry the recording time; the copy looks for it
      // in the others.
      if (source && clip.source == ClipSource::Folder && !chunk.probed && source->Seek(0)) {
        ProbeRecordingTime(chunk, *source);
      }
      outputs.push_back({i, i, OutputName(clip, chunk, prefix, lastNoTime), 0});
    }
    outputs.back().endChunk = i + 1;
    UnitCalls::Call call(unit);
    outputs.back().bytes += chunk.Size();
  }
  return outputs;
}

AtName WhatMeetsName(const std::optional<platform::FileStatus>& existing, std::int32_t state, bool leadsToUnitFile) {
  if (state == Stop) return AtName::Stop;
  if (!existing) return AtName::Create;
  switch (state) {
    case CreateFailed: return AtName::KeepAfterCreateFailure;
    case WriteFailed: return AtName::KeepAfterWriteFailure;
    case SkipAll: return AtName::Keep;
    default: break;
  }
  // Whatever the answer would be, a name that leads to a file of the unit is never written over.
  if (leadsToUnitFile) return AtName::UnitFile;
  return state == OverwriteAll ? AtName::Replace : AtName::Ask;
}

std::u16string FreeName(const std::u16string& name, std::set<std::u16string>& taken) {
  std::u16string free = name;
  std::size_t dot = name.rfind(u'.');
  if (dot == std::u16string::npos) dot = name.size();
  for (int n = 2; taken.count(free) != 0; ++n) {
    free = name.substr(0, dot) + u'_' + platform::Widen(std::to_string(n)) + name.substr(dot);
  }
  taken.insert(free);
  return free;
}

}  // namespace quillon
