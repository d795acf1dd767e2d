#pragma once
// Which chunks of a clip go into which output file, decided the way the copy decides it.
#include <cstdint>
#include <string>
#include <vector>

#include "import/ImportContext.h"
#include "platform/FileSystem.h"
#include "unit/Clip.h"

namespace quillon {

// Whether chunk i begins an output file of its own rather than being appended to the one
// before it. The first chunk and every chunk not marked as continuing do. In a clip of M2T
// chunks only, a continued chunk does too unless its first packet header continues the stream
// (sync byte, and not the PID that starts a new one). Reads up to three bytes of source; the
// caller puts its position back.
bool BeginsNewOutput(const Clip& clip, std::size_t i, platform::File& source);

struct PlannedOutput {
  std::size_t firstChunk = 0;
  std::u16string name;      // as OutputName gives it
  std::uint64_t bytes = 0;  // the sum of its chunks' sizes
};

// The size of the output that chunk first begins: its bytes and those of the chunks appended to it.
std::uint64_t PlannedOutputBytes(Clip& clip, std::size_t first);

// The output files a copy of the clip would make, found by reading the unit as the copy does,
// without writing anything. naming is used as the copy uses it: pass a copy of the real one.
std::vector<PlannedOutput> PlanOutputs(Clip& clip, NamingState& naming);

}  // namespace quillon
