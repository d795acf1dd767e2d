#pragma once
// What an import tells of itself: why a clip failed, why an import could not start, and what
// became of every output. Front ends turn these records into their own texts.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "import/DamagePlace.h"

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
  ExistsAfterCreateFailure,  // the output exists and is kept, because an earlier one could not be created
  ExistsAfterWriteFailure,   // the output exists and is kept, because an earlier one could not be written
  TooLarge,          // the output would pass the largest file the destination can hold
  RescueUnmatched,   // a rescue found the output's "-rescued" file without a map of this recording: kept
  Internal,          // an unexpected error
};

struct ClipFailure {
  std::u16string clip;
  FailureKind kind = FailureKind::Internal;
  std::u16string file;     // the chunk or output file concerned (its name)
  std::string detail;      // the system's error text, or what else tells the cause
  std::uint64_t bytes = 0;  // TooLarge: the output's size
};

enum class RefusalKind {
  NoDestination,   // the destination folder does not exist
  NotAFolder,      // the destination is a file
  NotWritable,     // files cannot be created there
  InsideUnit,      // the destination lies inside the unit being imported
  NotEnoughSpace,  // the outputs do not fit in the free space
  SameFolder,      // the second copy's folder is the destination itself
};

// Why an import copies nothing at all.
struct Refusal {
  RefusalKind kind = RefusalKind::NoDestination;
  std::u16string destination;
  std::uint64_t neededBytes = 0;     // NotEnoughSpace
  std::uint64_t availableBytes = 0;  // NotEnoughSpace
  std::string detail;                // NotWritable: the system's error text
};

// A chunk of the unit, as the copy read it into an output.
struct SourceChunk {
  std::u16string path;  // as the catalogue lists it
  std::uint64_t size = 0;
  std::int64_t lastWrite = 0;  // seconds since 1970, as the unit's file system reports it
  // XXH3-128 of its first bytes (kFingerprintBytes, or all of a shorter chunk); none when the
  // copy did not read them in order (a rescue).
  std::optional<std::array<std::uint8_t, 16>> head;
};

// An output file that reached its final name, with the XXH3-128 of its bytes (hex).
struct PlacedOutput {
  std::u16string clip;
  std::u16string path;
  std::uint64_t bytes = 0;
  std::string hash;
  std::vector<SourceChunk> sources;  // the chunks it was made of, in order
  std::size_t copy = 0;  // the folder it is in: 0 the destination, 1 the second copy
};

// Why an existing file under an output's name was kept and nothing written over it.
enum class KeptBecause {
  Choice,        // the user's answer, or the import's overwrite mode
  WriteFailed,   // an earlier output could not be written (a full disk): no more replacing
  CreateFailed,  // an earlier output could not be created
  Complete,      // a rescue found a complete copy there: it never replaces one
};

// An output of a rescue that the unit did not give every byte of: it is in place under a name
// that says so ("NAME-rescued.EXT"), its missing bytes written as zeros, beside its map in GNU
// ddrescue's format. A later rescue into the same folder reads only what the map marks missing.
struct RescuedOutput {
  std::u16string clip;
  std::u16string path;
  std::u16string map;
  std::uint64_t bytes = 0;
  std::string hash;              // XXH3-128 of the bytes as they are, zeros included
  std::uint64_t missingBytes = 0;
  std::vector<DamagedArea> areas;  // where the missing bytes are, in the output
  std::vector<DamagePlace> places;  // where each area lies in the recording
};

struct KeptOutput {
  std::u16string clip;
  std::u16string path;
  KeptBecause why = KeptBecause::Choice;
  std::size_t copy = 0;  // as PlacedOutput::copy
};

// An output that took a numbered name, so as not to replace an earlier one of the same import.
struct RenamedOutput {
  std::u16string from;
  std::u16string to;
};

// An output whose incomplete copy was removed. The file under its name, when there was one, was
// left as it was.
struct DiscardedOutput {
  std::u16string clip;
  std::u16string path;
  bool existing = false;  // a file under the name was left as it was
};

// An incomplete output whose temporary file could not be deleted.
struct UnremovedOutput {
  std::u16string path;  // the temporary file left behind
  std::string error;
};

// What an import left behind, told when it ends.
struct ImportOutcome {
  std::vector<PlacedOutput> written;        // in the order they were placed
  std::vector<KeptOutput> kept;             // existing files kept, nothing written over them
  std::vector<RenamedOutput> renamed;       // of outputs placed or kept
  std::vector<DiscardedOutput> discarded;
  std::vector<RescuedOutput> rescued;       // in place with bytes missing
  std::vector<UnremovedOutput> notRemoved;
  std::vector<std::u16string> staleRemoved;  // temporary files of an earlier, killed import
  std::vector<ClipFailure> failures;         // too large for the destination first, then as they came
  std::optional<Refusal> refusal;            // set: nothing was copied
  bool copied = false;                       // the copy ran
  bool cancelled = false;                    // the user stopped the import
  bool verified = false;                     // written files were read back and compared
  std::u16string destination;                // the folder imported into, as it was chosen
  std::u16string secondCopy;                 // the folder of the second copy; empty when none
  // Clips copied in full (into both folders with a second copy) that no history of the
  // destination named before.
  std::size_t newClips = 0;
  // Why a folder's import history (or ASC MHL history) could not be written, one line each.
  std::vector<std::string> historyProblems;
  // Set when the folder was moved or renamed during the import: where it is now (empty when the
  // system cannot tell, or it was deleted). The written paths name where the files are.
  std::optional<std::u16string> destinationMovedTo;
  std::uint64_t bytesWritten = 0;
  double seconds = 0;  // from the start of the copy to its end, without the time a question waited
  std::size_t clipCount = 0;  // clips the import was to copy

  // The names of the clips that failed, each once, in order.
  std::vector<std::u16string> FailedClips() const;
  // The clips whose unit data could not all be read: failed on a chunk (not opened, not read,
  // ended early) or rescued with bytes missing; each once, in order.
  std::vector<std::u16string> DamagedClips() const;
};

}  // namespace quillon
