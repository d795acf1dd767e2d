#pragma once
// What an import tells its user beyond the copy messages: why a clip failed, why an import
// could not start, and what it left behind.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "import/ImportContext.h"

namespace quillon {

enum class FailureKind {
  ChunkOpen,         // a chunk file could not be opened
  ChunkRead,         // reading a chunk file failed
  ChunkEnded,        // a chunk file ended before its size (cut short, or the unit went away)
  OutputCreate,      // an output file could not be created
  OutputWrite,       // a write to an output file failed or came short
  OutputSync,        // the output's bytes could not be put on the disk
  OutputReadBack,    // the output could not be read back to check it
  OutputMismatch,    // read back, the output differs from the bytes read from the unit
  OutputPlace,       // the output could not be put under its name
  FolderSync,        // placed, but the folder's change may not survive a power loss
  SameAsUnitFile,    // the output's name leads to a file of the unit
  ExistsAfterFailure,  // the output exists and is kept, because an earlier one could not be created
  TooLarge,          // the output would pass the largest file the destination can hold
  Internal,          // an unexpected error
};

struct ClipFailure {
  std::u16string clip;
  FailureKind kind = FailureKind::Internal;
  std::u16string file;  // the chunk or output file concerned (its name)
  std::string detail;   // the system's error text, or what else tells the cause
  // One line for the user, for example
  // "ABC0001: ABC0001_0000-00-00_000002.M2T could not be read (Input/output error)".
  std::u16string Describe() const;
};

enum class RefusalKind {
  NoDestination,   // the destination folder does not exist
  NotAFolder,      // the destination is a file
  NotWritable,     // files cannot be created there
  InsideUnit,      // the destination lies inside the unit being imported
  NotEnoughSpace,  // the outputs do not fit in the free space
};

// Why an import copies nothing at all.
struct Refusal {
  RefusalKind kind = RefusalKind::NoDestination;
  std::u16string destination;
  std::uint64_t neededBytes = 0;     // NotEnoughSpace
  std::uint64_t availableBytes = 0;  // NotEnoughSpace
  std::string detail;                // NotWritable: the system's error text
  std::u16string Describe() const;
};

// What an import's preparation found.
struct ImportPlan {
  std::uint64_t totalMiB = 0;     // the selected clips' size, for the progress window
  std::optional<Refusal> refusal;  // set: nothing will be copied
  // Clips that fail before any copy, because an output would not fit in one file of the
  // destination's volume; the other clips are imported.
  std::vector<ClipFailure> tooLarge;
};

// What an import left behind, told when it ends.
struct ImportOutcome {
  std::vector<std::u16string> written;  // output files in place, in the order they were placed
  std::vector<std::string> hashes;      // XXH3-128 of each written file, hex
  std::vector<std::u16string> discarded;     // outputs whose incomplete copy was deleted
  std::vector<UnremovedOutput> notRemoved;  // incomplete copies that could not be deleted
  std::vector<std::u16string> skipped;       // existing files kept, nothing written over them
  std::vector<RenamedOutput> renamed;        // outputs that took a numbered name
  std::vector<std::u16string> staleRemoved;  // temporary files of an earlier, killed import
  std::vector<std::u16string> failed;        // names of the clips that failed
  std::vector<ClipFailure> failures;         // the same clips with their causes
  bool cancelled = false;                    // the user stopped the import
  bool verified = false;                     // written files were read back and compared
  std::u16string destination;                // the folder imported into
  std::uint64_t bytesWritten = 0;            // the sizes of the written files together
  double seconds = 0;                        // from the start of the copy to its end
};

// A size in the largest binary unit it fills once: the number as text ("512", "4.0", "300")
// and the unit (0 bytes, 1 KiB, 2 MiB, 3 GiB, 4 TiB), for each front end to name in its language.
struct ScaledSize {
  std::string number;
  int unit = 0;
};
ScaledSize ScaleBytes(std::uint64_t bytes);

// Sizes for messages: "1.5 GiB", "300 MiB", "12 KiB", "512 bytes".
std::string ByteSizeText(std::uint64_t bytes);

}  // namespace quillon
