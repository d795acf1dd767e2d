#pragma once
// Whether a clip is home: already in a destination folder, as its import history tells, or, for
// what was imported before the folder had a history, as the names and sizes there tell.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <stop_token>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "import/History.h"
#include "import/OutputPlan.h"
#include "import/UnitCalls.h"
#include "unit/Clip.h"

namespace quillon {

enum class HomeState {
  New,      // not in the folder
  Home,     // every output it would write, or that the history records for its chunks, is there
  Changed,  // the history records it, but an output is missing, or its size (or hash) differs
};

struct ClipHome {
  HomeState state = HomeState::New;
  // Its outputs in the folder, full paths: those recorded, or found by name and size.
  std::vector<std::u16string> paths;
  // Found by name and size: imported before the folder had a history.
  bool adopted = false;
};

// A chunk's path relative to the unit's root, with "/" between names, as the history keeps it.
std::u16string UnitRelativePath(const std::u16string& unitRoot, const std::u16string& path);

// One destination folder's history, read once, against which clips are looked at.
class HomeFolder {
 public:
  // rehash: an output counts as in place only when its bytes still give the recorded hash.
  HomeFolder(platform::Folder& folder, std::u16string unitRoot, bool rehash);

  // Why the history could not be read (its clips then all count as not recorded); nothing when
  // it could, or there is none.
  const std::optional<std::string>& HistoryError() const { return error_; }
  std::size_t Records() const { return records_.size(); }

  // The clip's state. plan gives the outputs a copy would write, asked for only for a clip the
  // history does not record. Reads of the unit: each chunk's status and size, and the first bytes of a chunk
  // whose time moved by a time-zone shift, to confirm it by its fingerprint.
  ClipHome Of(Clip& clip, UnitCalls& unit, const std::function<std::vector<ClipOutput>()>& plan);

 private:
  bool Matches(const HistoryChunk& recorded, Chunk& chunk, const platform::FileStatus& seen, UnitCalls& unit);
  bool InPlace(const HistoryRecord& record);
  std::u16string FullPath(const std::u16string& name) const;

  platform::Folder& folder_;
  std::u16string unitRoot_;
  bool rehash_;
  std::optional<std::string> error_;
  std::vector<HistoryRecord> records_;
  std::unordered_multimap<std::u16string, std::size_t> byChunk_;  // unit-relative chunk path -> record
  std::map<std::u16string, bool> inPlace_;              // output -> found in place
  std::unordered_set<std::u16string> recordedOutputs_;
};

// The states of clips against a destination folder, in their order: a new look at the folder and
// the unit (off a window thread: it reads the unit). Nothing when the folder cannot be opened.
// A stop leaves the rest New.
struct HomeLook {
  std::vector<ClipHome> clips;
  std::optional<std::string> historyError;
};
std::optional<HomeLook> LookHome(std::vector<Clip> clips, const std::u16string& unitRoot,
                                 const std::u16string& destination, int prefix, bool rehash,
                                 std::stop_token stop = {});

}  // namespace quillon
