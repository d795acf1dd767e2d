#pragma once
// Reads the recording date and time out of a chunk's stream: the private data of an HDV
// transport stream, or the VAUX packs of DV frames (raw, or inside an AVI file).
#include <cstdint>

#include "platform/FileSystem.h"
#include "unit/Chunk.h"

namespace quillon {

// Sets the chunk's probed flag, time-valid flag and recording time; true when a time was
// found. The file's position is the same afterwards as before.
bool ProbeRecordingTime(Chunk& chunk, platform::File& file);

// The readers behind it. ScanDifSequences answers 0 (found), 1 (not found), -1 (not DV data)
// or -2 (seek failed).
bool ScanTransportStream(Chunk& chunk, platform::File& file);
int ScanDifSequences(Chunk& chunk, platform::File& file, std::uint64_t base);
bool ScanAviFile(Chunk& chunk, platform::File& file);

// Stores the recording time of a REC DATE and a REC TIME pack (four bytes each, without
// their tag) in the chunk; false when the packs are invalid.
bool DecodeRecDateTime(Chunk& chunk, const std::uint8_t* datePack, const std::uint8_t* timePack);

}  // namespace quillon
