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
std::int64_t NextNoTimeStamp(NamingState& naming) {
  const std::int64_t now = platform::Now();
  std::int64_t last = naming.lastNoTime.load();
  std::int64_t next = 0;
  do {
    next = now > last ? now : last + 1;
  } while (!naming.lastNoTime.compare_exchange_weak(last, next));
  return next;
}

}  // namespace

std::u16string OutputName(const Clip& clip, const Chunk& chunk, NamingState& naming) {
  if (clip.source == ClipSource::Flat) return chunk.fileName;
  char prefix[16];
  std::snprintf(prefix, sizeof prefix, "%02d_0", static_cast<int>(naming.prefix.load()) % 100);
  std::u16string name = platform::Widen(prefix);
  name += clip.name.substr(0, 3);
  name += u'_';
  if (chunk.timeValid) {
    name += platform::FormatLocal(chunk.recordingTime, kStampFormat);
  } else {
    name += platform::FormatLocal(NextNoTimeStamp(naming), kStampFormat);
    name += u"_No_Time";
  }
  name += u'.';
  name += KindText(chunk.kind);
  return name;
}

}  // namespace quillon
