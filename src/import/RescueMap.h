#pragma once
// The map of one output's rescue: which of its bytes were read, which failed and how far each
// failed area was narrowed down. Written and read in GNU ddrescue's mapfile format, so that
// ddrescuelog reads it and a later rescue reads only what it still marks as not finished.
#include <cstdint>
#include <limits>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillon {

// What is known of an area's bytes, by the character the mapfile gives it.
enum class AreaStatus : char {
  NonTried = '?',    // not read yet
  NonTrimmed = '*',  // failed in a large read; its edges not yet read sector by sector
  NonScraped = '/',  // failed; edges trimmed, the inside not yet read sector by sector
  BadSector = '-',   // failed when read sector by sector
  Finished = '+',    // read
};

// What the rescue was doing when its map was written: the status line's character. Filling and
// Generating are ddrescue's own modes, only ever read.
enum class RescuePhase : char {
  Copying = '?',
  Trimming = '*',
  Scraping = '/',
  Retrying = '-',
  Filling = 'F',
  Generating = 'G',
  Finished = '+',
};

struct RescueArea {
  std::uint64_t pos = 0;
  std::uint64_t size = 0;
  AreaStatus status = AreaStatus::NonTried;
  std::uint64_t End() const { return pos + size; }
  friend bool operator==(const RescueArea&, const RescueArea&) = default;
};

// The status line: the position being read (where a forward read begins, where a backward one
// ends), the phase, and its pass counted from 1.
struct RescueProgress {
  std::uint64_t pos = 0;
  RescuePhase phase = RescuePhase::Copying;
  int pass = 1;
  friend bool operator==(const RescueProgress&, const RescueProgress&) = default;
};

// Who wrote a map and when, for its heading comments. Control characters become spaces and
// overlong fields are cut, so that the heading stays comments.
struct MapHeader {
  std::string program;      // "Quillon"
  std::string version;      // "1.1"
  std::string commandLine;  // empty: no such line
  std::string startTime;    // "2026-05-31 14:23:14"; empty: no such line
  std::string currentTime;  // when the map was written; empty: no such line
};

// ddrescue keeps positions as signed 64-bit numbers: no block of a map ends beyond this.
inline constexpr std::uint64_t kMaxMapPosition = static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max());
// What a map's text may hold at most. A map of more areas than these lines hold (a disk failing
// in every other sector) is written all the same but cannot be read back.
inline constexpr std::size_t kMaxMapTextSize = std::size_t{64} << 20;
inline constexpr std::size_t kMaxMapLines = std::size_t{1} << 21;
inline constexpr std::size_t kMaxMapLineLength = 4096;

struct RescueMapParse;

// The areas of an output of Size() bytes: sorted, contiguous, covering [0, Size()), neighbours
// of different status. A new map is one non-tried area.
class RescueMap {
 public:
  explicit RescueMap(std::uint64_t size = 0);

  std::uint64_t Size() const { return size_; }
  // Gives [pos, pos + size) the status; bytes beyond the output are left out.
  void Mark(std::uint64_t pos, std::uint64_t size, AreaStatus status);

  // The area holding pos (pos < Size()).
  RescueArea AreaAt(std::uint64_t pos) const;
  // The first area of the status that ends after pos; the last one that begins before end.
  std::optional<RescueArea> NextArea(std::uint64_t pos, AreaStatus status) const;
  std::optional<RescueArea> PreviousArea(std::uint64_t end, AreaStatus status) const;
  std::vector<RescueArea> Areas() const;
  std::vector<RescueArea> Areas(AreaStatus status) const;

  std::uint64_t Bytes(AreaStatus status) const { return bytes_[Index(status)]; }
  // Bytes not finished: those left as zeros in the output.
  std::uint64_t MissingBytes() const { return size_ - Bytes(AreaStatus::Finished); }
  bool Complete() const { return MissingBytes() == 0; }

  const RescueProgress& Progress() const { return progress_; }
  void SetProgress(const RescueProgress& progress) { progress_ = progress; }

  // The mapfile's text.
  std::string Text(const MapHeader& header) const;
  // Reads a mapfile written by Text or by GNU ddrescue. The text is taken as hostile: anything
  // but a status line and contiguous blocks from 0, within the limits above, is refused.
  static RescueMapParse Parse(std::string_view text);

  friend bool operator==(const RescueMap& a, const RescueMap& b);

 private:
  struct Block {
    std::uint64_t end;
    AreaStatus status;
  };
  using Blocks = std::map<std::uint64_t, Block>;  // by where each begins

  static std::size_t Index(AreaStatus status);
  static RescueArea AreaOf(Blocks::const_iterator it) {
    return {it->first, it->second.end - it->first, it->second.status};
  }
  Blocks::const_iterator Holding(std::uint64_t pos) const;
  void SplitAt(std::uint64_t pos);
  // Joins the block at it with its neighbours of the same status.
  void MergeAround(Blocks::iterator it);
  // Adds a block after the last one (the parser's way of building a map).
  void Append(std::uint64_t size, AreaStatus status);

  Blocks blocks_;
  std::uint64_t size_ = 0;
  std::uint64_t bytes_[5] = {};
  RescueProgress progress_;
};

// A map, or why the text is none.
struct RescueMapParse {
  std::optional<RescueMap> map;
  std::string error;  // "line 7: ..." where a line is at fault
};

}  // namespace quillon
