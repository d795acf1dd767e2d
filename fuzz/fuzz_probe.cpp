// The recording-time probe over hostile chunk bytes, once for each kind of chunk (the kind
// comes from the build: FUZZ_CHUNK_NAME). The probe must keep inside the file's bytes, leave
// the position where it was, and give the same answer when every read comes back short.
#include <cstddef>
#include <cstdint>

#include "FuzzFile.h"
#include "import/RecordingTimeProbe.h"
#include "unit/Chunk.h"

namespace {

struct Answer {
  bool found;
  bool timeValid;
  std::int64_t time;
};

Answer Probe(const std::uint8_t* data, std::size_t size, std::size_t maxRead, std::uint64_t start) {
  quillon::Chunk chunk(u"/unit/VIDEO/QVT/" FUZZ_CHUNK_NAME);
  quillon::fuzz::FuzzFile file(data, size, maxRead);
  file.Seek(start);
  const bool found = quillon::ProbeRecordingTime(chunk, file);
  quillon::fuzz::Require(chunk.probed);
  quillon::fuzz::Require(file.Tell() == start);
  quillon::fuzz::Require(found == chunk.timeValid);
  return {found, chunk.timeValid, chunk.recordingTime};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const Answer whole = Probe(data, size, 0, 0);
  const Answer cut = Probe(data, size, 7, 0);
  quillon::fuzz::Require(whole.found == cut.found && whole.time == cut.time);
  // A caller that had read some of the file already gets its position back too.
  Probe(data, size, 0, size / 2);
  return 0;
}
