#pragma once
// The import history: a file in the destination folder that names every output an import
// placed there, its hash, and the unit chunks it was made of, so that a later import can tell
// what it has already brought over. It travels with the files. Plain UTF-8 text, one record a
// line, each line with a checksum of its own (docs/history.md).
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/FileSystem.h"

namespace quillon {

// Hidden on Linux by its dot.
inline constexpr char16_t kHistoryName[] = u".quillon-history";
// A chunk's fingerprint is the XXH3-128 of this many of its first bytes (all of a shorter one).
inline constexpr std::size_t kFingerprintBytes = 65536;
// The format this version writes, and the newest it reads.
inline constexpr int kHistoryVersion = 1;
// What LoadHistory reads at most, and the longest line ParseHistory takes; a longer line counts
// as damaged.
inline constexpr std::uint64_t kMaxHistorySize = std::uint64_t{64} << 20;
inline constexpr std::size_t kMaxHistoryLine = std::size_t{1} << 20;
// The times a record may hold: 1900-01-01 to 9999-12-31 23:59:59 UTC.
inline constexpr std::int64_t kMinHistoryTime = -2208988800;
inline constexpr std::int64_t kMaxHistoryTime = 253402300799;

struct HistoryChunk {
  std::u16string path;  // relative to the unit's root, "/" between names
  std::uint64_t size = 0;
  std::int64_t lastWrite = 0;  // seconds since 1970, as the unit's file system reported it
  // XXH3-128 of the first min(kFingerprintBytes, size) bytes; none for a chunk of an adopted record.
  std::optional<std::array<std::uint8_t, 16>> head;
  friend bool operator==(const HistoryChunk&, const HistoryChunk&) = default;
};

struct HistoryRecord {
  std::u16string output;  // relative to the destination folder, "/" between names
  std::uint64_t size = 0;
  std::array<std::uint8_t, 16> hash{};  // XXH3-128 of the whole output
  std::int64_t imported = 0;            // UTC seconds since 1970
  std::u16string clip;
  std::vector<HistoryChunk> chunks;
  // Made for an output that was in the folder before the history was (known by its name and
  // size), not by an import: its chunks have no fingerprints.
  bool adopted = false;
  friend bool operator==(const HistoryRecord&, const HistoryRecord&) = default;
};

struct HistoryRead {
  // In the file's order; when two lines name the same output, only the later one.
  std::vector<HistoryRecord> records;
  std::size_t damaged = 0;  // lines skipped: cut, altered, or holding what no record may hold
  // Intact lines of kinds this version does not know (a later version of the same format may
  // add some), kept as they are, without their line end, when the file is written again.
  std::vector<std::string> otherLines;
  // The whole file refused: written by a newer version, or not a history at all.
  std::optional<std::string> error;
};

// Whether path may name a file inside a folder, on Linux and on Windows alike: not empty, no
// control character, not beginning with a separator or a drive ("C:"), and no name between
// separators ("/", and "\" as Windows reads it) that is empty, "." or "..".
bool IsHistoryPath(std::u16string_view path);

// Reads a history's text. Every byte is taken as hostile: nothing in it is trusted as a count or
// length, and a line that does not read as a whole is skipped and counted.
HistoryRead ParseHistory(std::string_view text);
// The header line, then otherLines, then one line per record.
std::string HistoryText(const std::vector<HistoryRecord>& records, const std::vector<std::string>& otherLines = {});

// The history of an open destination folder. No file there gives an empty history, no error.
HistoryRead LoadHistory(platform::Folder& folder);

// Adds records to the folder's history: the whole file is written again under a temporary name,
// synced and renamed over the old one, so that after a kill or a power loss the file holds the
// old history or the new one. A record of the same output as a new one gives way to it; damaged
// lines of the old file are left out. False, with the reason in error and the old file as it
// was, when the history cannot be read (a newer version's, or no history), when a record cannot
// be written so that it reads back the same, or when the new file cannot be written.
bool AddToHistory(platform::Folder& folder, const std::vector<HistoryRecord>& records, std::string& error);

// FAT units keep local times: a chunk seen again after the computer's time zone or daylight
// saving changed has its time moved by whole or half hours. True when the times are equal or
// differ by a multiple of 30 minutes of at most 24 hours.
bool SameUnitTime(std::int64_t recorded, std::int64_t seen);

}  // namespace quillon
