#include "import/OutputName.h"

#include <cstdio>

#include "platform/LocalTime.h"
#include "platform/Text.h"
#include "unit/KindTable.h"

namespace quillon {

namespace {

constexpr const char* kStampFormat = "%Y-%m-%d_%H%M%S";

// A stamp for a name without recording time: now, or one second after the last stamp, so
// that no two such names of one run share a stamp.
std::int64_t NextNoTimeStamp(std::atomic<std::int64_t>& lastNoTime) {
  const std::int64_t now = platform::Now();
  std::int64_t last = lastNoTime.load();
  std::int64_t next = 0;
  do {
    next = now > last ? now : last + 1;
  } while (!lastNoTime.compare_exchange_weak(last, next));
  return next;
}

}  // namespace

std::u16string OutputName(const Clip& clip, const Chunk& chunk, int prefix, std::atomic<std::int64_t>& lastNoTime) {
  if (clip.source == ClipSource::Flat) return chunk.fileName;
  char start[16];
  std::snprintf(start, sizeof start, "%02d_0", ((prefix % 100) + 100) % 100);
  std::u16string name = platform::Widen(start);
  name += clip.name.substr(0, 3);
  name += u'_';
  if (chunk.timeValid) {
    name += platform::FormatLocal(chunk.recordingTime, kStampFormat);
  } else {
    name += platform::FormatLocal(NextNoTimeStamp(lastNoTime), kStampFormat);
    name += u"_No_Time";
  }
  name += u'.';
  name += KindText(chunk.kind);
  return name;
}

}  // namespace quillon
