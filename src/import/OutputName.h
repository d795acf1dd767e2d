#pragma once
#include <atomic>
#include <cstdint>
#include <string>

#include "unit/Clip.h"

namespace quillon {

// The file name of the output file that chunk begins: the chunk's own name for flat clips;
// prefix (0-99), folder number and recording time for folder clips, or, without a recording
// time, a stamp one second past lastNoTime at the least and "_No_Time" (lastNoTime takes it).
std::u16string OutputName(const Clip& clip, const Chunk& chunk, int prefix, std::atomic<std::int64_t>& lastNoTime);

}  // namespace quillon
