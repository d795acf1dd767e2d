#include "import/RecordingTimeProbe.h"

#include "platform/LocalTime.h"
#include "unit/KindTable.h"

namespace quillon {

bool ProbeRecordingTime(Chunk& chunk, platform::File& file) {
  chunk.probed = true;
  chunk.timeValid = false;
  const std::uint64_t start = file.Tell().value_or(0);

  bool found = false;
  switch (chunk.kind) {
    case kKindM2T:
      found = ScanTransportStream(chunk, file);
      break;
    case kKindDV:
      found = ScanDifSequences(chunk, file, 0) == 0;
      break;
    case kKindAVI:
      found = ScanAviFile(chunk, file);
      break;
    default:
      break;
  }
  chunk.timeValid = found;
  if (!found) chunk.recordingTime = 0;

  if (!file.Seek(start)) return false;
  return chunk.timeValid;
}

bool DecodeRecDateTime(Chunk& chunk, const std::uint8_t* datePack, const std::uint8_t* timePack) {
  const std::uint8_t p1 = datePack[1], p2 = datePack[2], p3 = datePack[3];
  const std::uint8_t q1 = timePack[1], q2 = timePack[2], q3 = timePack[3];
  // All-ones fields are how a recorder says "no date".
  if ((p1 & 0x3F) == 0x3F || (p2 & 0x1F) == 0x1F || p3 == 0xFF) return false;

  const int day = (p1 & 0x0F) + 10 * ((p1 >> 4) & 0x03);
  const int month = (p2 & 0x0F) + ((p2 & 0x10) ? 10 : 0);
  int year = 1900 + 10 * (p3 >> 4) + (p3 & 0x0F);
  if (year < 1995) year += 100;  // two-digit years 95-99 are 1995-1999, 00-94 are 2000-2094
  const int hour = (q3 & 0x0F) + 10 * ((q3 >> 4) & 0x03);
  const int minute = (q2 & 0x0F) + 10 * ((q2 >> 4) & 0x07);
  const int second = (q1 & 0x0F) + 10 * ((q1 >> 4) & 0x07);

  const auto t = platform::FromLocalFields(year, month, day, hour, minute, second);
  if (!t) return false;
  chunk.recordingTime = *t;
  return true;
}

}  // namespace quillon
