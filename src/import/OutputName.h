#pragma once
#include <string>

#include "import/ImportContext.h"
#include "unit/Clip.h"

namespace quillon {

// The file name of the output file that chunk begins: the chunk's own name for flat clips;
// prefix, folder number and recording time (or a "_No_Time" stamp) for folder clips.
std::u16string OutputName(const Clip& clip, const Chunk& chunk, NamingState& naming);

}  // namespace quillon
