#include "import/Home.h"

#include <algorithm>
#include <set>

#include "import/CopyEngine.h"
#include "platform/ContentHash.h"
#include "platform/Path.h"

namespace quillon {

namespace {

// The XXH3-128 of the file's bytes; nothing when it cannot be read to its end.
std::optional<std::array<std::uint8_t, 16>> HashOf(platform::File& file, std::optional<std::uint64_t> limit) {
  platform::ContentHash hash;
  std::vector<unsigned char> block(std::size_t{1} << 20);
  std::uint64_t left = limit.value_or(UINT64_MAX);
  while (left > 0) {
    const std::int64_t n = file.Read(block.data(), static_cast<std::size_t>(std::min<std::uint64_t>(block.size(), left)));
    if (n < 0) return std::nullopt;
    if (n == 0) break;
    hash.Update(block.data(), static_cast<std::size_t>(n));
    left -= static_cast<std::uint64_t>(n);
  }
  return hash.Digest();
}

}  // namespace

std::u16string UnitRelativePath(const std::u16string& unitRoot, const std::u16string& path) {
  std::u16string relative = path;
  if (!unitRoot.empty() && path.size() > unitRoot.size() && path.compare(0, unitRoot.size(), unitRoot) == 0) {
    relative = path.substr(unitRoot.size());
  }
  std::replace(relative.begin(), relative.end(), platform::kSeparator, u'/');
  // A path outside the root (none given) keeps no drive and no leading separator: the history
  // takes only relative paths.
  if (relative.size() >= 2 && relative[1] == u':') relative.erase(0, 2);
  relative.erase(0, relative.find_first_not_of(u'/'));
  return relative;
}

HomeFolder::HomeFolder(platform::Folder& folder, std::u16string unitRoot, bool rehash)
    : folder_(folder), unitRoot_(std::move(unitRoot)), rehash_(rehash) {
  HistoryRead read = LoadHistory(folder);
  error_ = std::move(read.error);
  records_ = std::move(read.records);
  for (std::size_t r = 0; r < records_.size(); ++r) {
    for (const HistoryChunk& chunk : records_[r].chunks) byChunk_.emplace(chunk.path, r);
    recordedOutputs_.insert(records_[r].output);
  }
}

bool HomeFolder::Matches(const HistoryChunk& recorded, Chunk& chunk, const platform::FileStatus& seen,
                         UnitCalls& unit) {
  if (recorded.size != seen.size) return false;
  const std::int64_t lastWrite = seen.lastWrite.value_or(0);
  if (recorded.lastWrite == lastWrite) return true;
  // A time moved by whole or half hours is the same chunk after a time-zone change; its first
  // bytes tell a chunk recorded again in its place.
  if (!SameUnitTime(recorded.lastWrite, lastWrite)) return false;
  if (!recorded.head) return true;
  const auto file = OpenUnitFile(unit, chunk.path);
  if (!file) return false;
  UnitCalls::Call call(unit);
  return HashOf(*file, kFingerprintBytes) == recorded.head;
}

// The folder's path as it was opened: a look is short, and asking the system where the folder is
// now for each file would cost a call each.
std::u16string HomeFolder::FullPath(const std::u16string& name) const {
  return folder_.Path() + platform::kSeparator + name;
}

bool HomeFolder::InPlace(const HistoryRecord& record) {
  const auto found = inPlace_.find(record.output);
  if (found != inPlace_.end()) return found->second;
  bool in = false;
  // Outputs are made in the folder itself: a record naming a file in a subfolder is not looked
  // through, so that no link there leads elsewhere.
  if (record.output.find(u'/') == std::u16string::npos) {
    const auto status = folder_.LinkStatus(record.output);
    in = status && !status->isDirectory && !status->isLink && status->size == record.size;
    if (in && rehash_) {
      const auto file = platform::Files().OpenRead(FullPath(record.output));
      in = file && HashOf(*file, std::nullopt) == record.hash;
    }
  }
  inPlace_[record.output] = in;
  return in;
}

ClipHome HomeFolder::Of(Clip& clip, UnitCalls& unit, const std::function<std::vector<ClipOutput>()>& plan) {
  ClipHome home;
  const std::size_t count = clip.chunks.size();
  std::vector<std::u16string> relative(count);
  // Each chunk's status, once: its size and time, without opening it.
  std::vector<std::optional<platform::FileStatus>> seen(count);
  std::set<std::size_t> candidates;
  for (std::size_t i = 0; i < count; ++i) {
    relative[i] = UnitRelativePath(unitRoot_, clip.chunks[i].path);
    const auto range = byChunk_.equal_range(relative[i]);
    if (range.first == range.second) continue;
    seen[i] = UnitFileStatus(unit, clip.chunks[i].path);
    for (auto it = range.first; it != range.second; ++it) candidates.insert(it->second);
  }

  // A record is of this clip when every chunk it names is a chunk of the clip as it is now.
  std::vector<bool> covered(count, false);
  std::vector<bool> coveredInPlace(count, false);
  bool recorded = false;
  bool missing = false;
  for (const std::size_t r : candidates) {
    const HistoryRecord& record = records_[r];
    if (record.chunks.empty()) continue;
    std::vector<std::size_t> made;
    for (const HistoryChunk& chunk : record.chunks) {
      for (std::size_t i = 0; i < count; ++i) {
        if (relative[i] == chunk.path && seen[i] && Matches(chunk, clip.chunks[i], *seen[i], unit)) {
          made.push_back(i);
          break;
        }
      }
    }
    if (made.size() != record.chunks.size()) continue;
    recorded = true;
    const bool in = InPlace(record);
    missing = missing || !in;
    for (const std::size_t i : made) {
      covered[i] = true;
      if (in) coveredInPlace[i] = true;
    }
    if (in) home.paths.push_back(FullPath(record.output));
  }
  const auto all = [](const std::vector<bool>& v) { return std::all_of(v.begin(), v.end(), [](bool b) { return b; }); };
  if (recorded) {
    if (all(coveredInPlace)) {
      home.state = HomeState::Home;
    } else if (all(covered) || missing) {
      home.state = HomeState::Changed;
    }
    // A clip that grew since (a chunk no record names), with all its recorded outputs in place,
    // is new.
    if (home.state != HomeState::Home) home.paths.clear();
    return home;
  }

  // Not recorded: imported before the folder had a history, when every output it would write is
  // there under its name with its size.
  const std::vector<ClipOutput> planned = plan();
  if (planned.empty()) return home;
  std::vector<std::u16string> paths;
  for (const ClipOutput& output : planned) {
    // A name the history records came from other chunks (this name's clip recorded again): not
    // a file of the time before the history.
    if (recordedOutputs_.count(output.name) != 0) return home;
    // A name taken from the clock, not the recording, tells nothing of an earlier import.
    const Chunk& first = clip.chunks[output.firstChunk];
    if (clip.source == ClipSource::Folder && !first.timeValid) return home;
    const auto status = folder_.LinkStatus(output.name);
    if (!status || status->isDirectory || status->isLink || status->size != output.bytes) return home;
    paths.push_back(FullPath(output.name));
  }
  home.state = HomeState::Home;
  home.paths = std::move(paths);
  home.adopted = true;
  return home;
}

std::optional<HomeLook> LookHome(std::vector<Clip> clips, const std::u16string& unitRoot,
                                 const std::u16string& destination, int prefix, bool rehash, std::stop_token stop) {
  const std::unique_ptr<platform::Folder> folder = platform::Files().OpenFolder(destination);
  if (!folder) return std::nullopt;
  HomeFolder home(*folder, unitRoot, rehash);
  HomeLook look;
  look.historyError = home.HistoryError();
  look.clips.resize(clips.size());
  UnitCalls unit;
  // Only a look: the names take no stamp from the import's running count.
  std::atomic<std::int64_t> lastNoTime{0};
  // Named as an import of all of them names them: a later output of a name an earlier one took
  // takes "_2".
  std::set<std::u16string> taken;
  for (std::size_t c = 0; c < clips.size() && !stop.stop_requested(); ++c) {
    Clip& clip = clips[c];
    look.clips[c] = home.Of(clip, unit, [&] {
      std::vector<ClipOutput> outputs = PlanClip(clip, prefix, lastNoTime, unit);
      for (ClipOutput& output : outputs) output.name = FreeName(output.name, taken);
      return outputs;
    });
  }
  return look;
}

}  // namespace quillon
