// The rescue of an output from a failing unit: each of its chunks read the way GNU ddrescue
// reads a disk, into a scratch file the size of the output; then the scratch is written out as
// any output is (synced, read back, put under its name), and its map beside it. The pair is
// placed output first, map second: after a kill between the two, the older map calls missing
// some bytes that the newer output holds, never the other way round.
#include <chrono>
#include <cstring>
#include <ctime>

#include "import/ClipCopier.h"
#include "import/DamagePlace.h"
#include "import/Rescue.h"
#include "platform/LocalTime.h"
#include "platform/Text.h"
#include "version/Version.h"

namespace quillon::copying {

namespace {

using Clock = std::chrono::steady_clock;
constexpr std::size_t kStreamBlock = 1u << 20;

// "NAME-rescued.EXT": an output with bytes missing says so in its name.
std::u16string RescuedName(const std::u16string& name) {
  std::size_t dot = name.rfind(u'.');
  if (dot == std::u16string::npos) dot = name.size();
  return name.substr(0, dot) + u"-rescued" + name.substr(dot);
}

// A heading line of the map naming the chunks the output is made of (name, size, last write): a
// later rescue takes the map up again only for the same recording.
std::string SourceLine(Clip& clip, const ClipOutput& chunks, UnitCalls& unit) {
  std::string line = "# Source:";
  for (std::size_t i = chunks.firstChunk; i < chunks.endChunk; ++i) {
    Chunk& chunk = clip.chunks[i];
    UnitCalls::Call call(unit);
    const auto status = platform::Files().Status(chunk.path);
    line += " " + platform::ToUtf8(chunk.fileName) + " " + std::to_string(chunk.Size()) + " " +
            (status && status->lastWrite ? std::to_string(*status->lastWrite) : "?");
  }
  return line + "\n";
}

// The map's text: GNU ddrescue's, with the source line after its heading comments.
std::string MapText(const RescueMap& map, const std::string& source) {
  const std::string now = platform::ToUtf8(platform::FormatLocal(std::time(nullptr), "%Y-%m-%d %H:%M:%S"));
  std::string text = map.Text({"Quillon", kVersion, {}, {}, now});
  // Comments go before the status line, the first line that is not one.
  std::size_t at = 0;
  while (at < text.size() && text[at] == '#') at = text.find('\n', at) + 1;
  return text.insert(at, source);
}

// The unit's bytes of one chunk, at positions within it. Reads that find the file ending before
// its listed size fail, as bytes the unit no longer gives.
class ChunkSource final : public RescueSource {
 public:
  ChunkSource(UnitCalls& unit, const std::u16string& path, std::uint64_t size)
      : file_(OpenUnitFile(unit, path, true)), size_(size) {}
  bool Opened() const { return file_ != nullptr; }

  std::int64_t ReadAt(std::uint64_t pos, void* buffer, std::size_t size) override {
    if (!file_->Seek(pos)) return -1;
    const std::int64_t n = file_->Read(buffer, size);
    if (n == 0 && pos < size_) {
      platform::SetLastError(EIO);
      return -1;
    }
    return n;
  }

 private:
  std::unique_ptr<platform::File> file_;
  std::uint64_t size_;
};

// Rescued bytes of one chunk into the scratch file, at the chunk's place in the output.
class ScratchSink final : public RescueSink {
 public:
  ScratchSink(platform::OutputFile& scratch, std::uint64_t base) : scratch_(scratch), base_(base) {}
  bool WriteAt(std::uint64_t pos, const void* data, std::size_t size) override {
    return scratch_.WriteAt(base_ + pos, data, size) == static_cast<std::int64_t>(size);
  }

 private:
  platform::OutputFile& scratch_;
  std::uint64_t base_;
};

// The scratch file read as a file of the output's size: what was never written reads as zeros.
class ScratchFile final : public platform::File {
 public:
  ScratchFile(platform::OutputFile& scratch, std::uint64_t size) : scratch_(scratch), size_(size) {}
  std::int64_t Read(void* buffer, std::size_t size) override {
    size = static_cast<std::size_t>(std::min<std::uint64_t>(size, size_ - std::min(pos_, size_)));
    if (size == 0) return 0;
    std::int64_t n = scratch_.ReadAt(pos_, buffer, size);
    if (n < 0) return -1;
    if (n == 0) {  // past what was written: a hole at the end
      std::memset(buffer, 0, size);
      n = static_cast<std::int64_t>(size);
    }
    pos_ += static_cast<std::uint64_t>(n);
    return n;
  }
  std::int64_t Write(const void*, std::size_t) override { return -1; }
  bool Seek(std::uint64_t position) override {
    pos_ = position;
    return true;
  }
  std::optional<std::uint64_t> Tell() override { return pos_; }
  std::optional<std::uint64_t> Size() override { return size_; }
  bool Close() override { return true; }

 private:
  platform::OutputFile& scratch_;
  std::uint64_t size_;
  std::uint64_t pos_ = 0;
};

// A rescue's map and file from an earlier run, that this one takes up.
struct Earlier {
  RescueMap map;
  std::unique_ptr<platform::File> file;
};

// What an earlier rescue of this output left: nothing when there is no "-rescued" file; an error
// text when there is one without a map of this recording, which is then kept as it is.
std::optional<Earlier> FindEarlier(platform::Folder& folder, const std::u16string& rescuedName,
                                   const std::u16string& mapName, std::uint64_t size, const std::string& source,
                                   std::string& unmatched) {
  const auto rescued = folder.LinkStatus(rescuedName);
  if (!rescued) return std::nullopt;
  unmatched = "no map of this recording beside it";
  const auto mapStatus = folder.LinkStatus(mapName);
  if (rescued->isDirectory || rescued->isLink || rescued->size != size || !mapStatus || mapStatus->isDirectory ||
      mapStatus->isLink || mapStatus->size > kMaxMapTextSize) {
    return std::nullopt;
  }
  const auto mapFile = platform::Files().OpenRead(PathIn(folder, mapName));
  auto file = platform::Files().OpenRead(PathIn(folder, rescuedName));
  if (!mapFile || !file) {
    unmatched = LastErrorText();
    return std::nullopt;
  }
  std::string text(static_cast<std::size_t>(mapStatus->size), '\0');
  if (mapFile->ReadFully(text.data(), text.size()) != static_cast<std::int64_t>(text.size())) {
    unmatched = LastErrorText();
    return std::nullopt;
  }
  if (text.find(source) == std::string::npos) return std::nullopt;
  RescueMapParse parsed = RescueMap::Parse(text);
  if (!parsed.map) {
    unmatched = "its map cannot be read: " + parsed.error;
    return std::nullopt;
  }
  if (parsed.map->Size() != size) return std::nullopt;
  unmatched.clear();
  return Earlier{std::move(*parsed.map), std::move(file)};
}

// The part of the output's map over one chunk, as a map of its own.
RescueMap PartOf(const RescueMap& map, std::uint64_t start, std::uint64_t length) {
  RescueMap part(length);
  for (const RescueArea& area : map.Areas()) {
    const std::uint64_t from = std::max(area.pos, start);
    const std::uint64_t to = std::min(area.End(), start + length);
    if (from < to) part.Mark(from - start, to - from, area.status);
  }
  return part;
}

void PutBack(RescueMap& map, const RescueMap& part, std::uint64_t start) {
  for (const RescueArea& area : part.Areas()) map.Mark(start + area.pos, area.size, area.status);
  RescueProgress progress = part.Progress();
  progress.pos += start;
  map.SetProgress(progress);
}

std::uint64_t BadBytes(const RescueMap& map) {
  return map.Bytes(AreaStatus::NonTrimmed) + map.Bytes(AreaStatus::NonScraped) + map.Bytes(AreaStatus::BadSector);
}

// Runs of bytes not finished, neighbours of different status joined.
std::vector<DamagedArea> Damage(const RescueMap& map) {
  std::vector<DamagedArea> areas;
  for (const RescueArea& area : map.Areas()) {
    if (area.status == AreaStatus::Finished) continue;
    if (!areas.empty() && areas.back().offset + areas.back().length == area.pos) {
      areas.back().length += area.size;
    } else {
      areas.push_back({area.pos, area.size});
    }
  }
  return areas;
}

// Tells how the rescue of one chunk goes, in figures of the whole output.
class RescueWatch final : public RescueObserver {
 public:
  RescueWatch(CopyObserver& observer, const ImportStatus& status, const RescueMap& part, std::uint64_t rescuedBefore,
              std::uint64_t badBefore, std::optional<Clock::time_point>& lastGood)
      : observer_(observer),
        status_(status),
        part_(part),
        rescuedBefore_(rescuedBefore),
        badBefore_(badBefore),
        lastGood_(lastGood) {}

  void Read(std::uint64_t, std::size_t size, bool good) override {
    const auto now = Clock::now();
    if (good) {
      observer_.Copied(size);
      lastGood_ = now;
    }
    RescueFigures figures{part_.Progress().phase, rescuedBefore_ + part_.Bytes(AreaStatus::Finished),
                          badBefore_ + BadBytes(part_), std::nullopt};
    if (lastGood_) figures.sinceGoodRead = std::chrono::duration_cast<std::chrono::milliseconds>(now - *lastGood_);
    observer_.Rescuing(figures);
  }
  bool StopRequested() override { return status_.StopRequested(); }

 private:
  CopyObserver& observer_;
  const ImportStatus& status_;
  const RescueMap& part_;
  std::uint64_t rescuedBefore_;
  std::uint64_t badBefore_;
  std::optional<Clock::time_point>& lastGood_;
};

}  // namespace

Step ClipCopier::RescueOutput(const PlannedOutput& output) {
  if (env_.status.StopRequested()) return Stopped();
  const std::u16string& clean = output.name;
  const std::u16string rescuedName = RescuedName(clean);
  const std::u16string mapName = rescuedName + u".map";
  const std::uint64_t size = output.chunks.bytes;
  if (env_.folder.LinkStatus(clean)) {
    Kept(output, KeptBecause::Complete);
    observer_.Copied(size);
    return std::nullopt;
  }
  observer_.OutputBegun(output);
  const std::string source = SourceLine(clip_, output.chunks, env_.unit);
  std::string unmatched;
  std::optional<Earlier> earlier = FindEarlier(env_.folder, rescuedName, mapName, size, source, unmatched);
  if (!unmatched.empty()) {
    observer_.Copied(size);
    return Fail(FailureKind::RescueUnmatched, rescuedName, unmatched);
  }
  std::unique_ptr<platform::OutputFile> scratch = env_.folder.CreateOutput(rescuedName);
  if (!scratch) {
    const std::string error = LastErrorText();
    env_.status.SetFailure(CreateFailed);
    return Fail(FailureKind::OutputCreate, rescuedName, error);
  }

  // What an earlier rescue read is taken as it is; only the rest is read from the unit.
  RescueMap map = earlier ? std::move(earlier->map) : RescueMap(size);
  if (earlier) {
    std::vector<unsigned char> block(kStreamBlock);
    for (const RescueArea& area : map.Areas(AreaStatus::Finished)) {
      for (std::uint64_t pos = area.pos; pos < area.End();) {
        const auto n = static_cast<std::size_t>(std::min<std::uint64_t>(block.size(), area.End() - pos));
        if (!earlier->file->Seek(pos) || earlier->file->ReadFully(block.data(), n) != static_cast<std::int64_t>(n)) {
          return Fail(FailureKind::OutputReadBack, rescuedName, LastErrorText());
        }
        if (scratch->WriteAt(pos, block.data(), n) != static_cast<std::int64_t>(n)) {
          const std::string error = LastErrorText();
          env_.status.SetFailure(WriteFailed);
          return Fail(FailureKind::OutputWrite, rescuedName, error);
        }
        pos += n;
      }
    }
    observer_.Copied(map.Bytes(AreaStatus::Finished));
    // Closed now: Windows replaces or removes no file that is open.
    earlier->file.reset();
  }

  RescueOptions options;
  options.retries = env_.retries;
  std::optional<Clock::time_point> lastGood;
  std::optional<std::int64_t> lastWrite;
  std::vector<std::uint64_t> joins;
  bool stopped = false;
  std::uint64_t start = 0;
  for (std::size_t i = output.chunks.firstChunk; i < output.chunks.endChunk && !stopped; ++i) {
    Chunk& chunk = clip_.chunks[i];
    if (i > output.chunks.firstChunk) joins.push_back(start);
    std::uint64_t length = 0;
    {
      UnitCalls::Call call(env_.unit);
      length = chunk.Size();
    }
    // A chunk that could never be opened has no size to keep even as zeros: the clip fails, as
    // it would without a rescue, rather than take its clean name without the chunk.
    if (length == 0 && !OpenUnitFile(env_.unit, chunk.path)) {
      return Fail(FailureKind::ChunkOpen, chunk.fileName, LastErrorText());
    }
    if (const auto status = UnitFileStatus(env_.unit, chunk.path)) lastWrite = status->lastWrite;
    RescueMap part = PartOf(map, start, length);
    if (!part.Complete()) {
      ChunkSource unit(env_.unit, chunk.path, length);
      if (!unit.Opened()) {
        // A chunk that cannot be opened is unreadable over its listed size, this time.
        for (const RescueArea& area : part.Areas()) {
          if (area.status != AreaStatus::Finished) part.Mark(area.pos, area.size, AreaStatus::BadSector);
        }
      } else {
        ScratchSink sink(*scratch, start);
        RescueWatch watch(observer_, env_.status, part, map.Bytes(AreaStatus::Finished) - part.Bytes(AreaStatus::Finished),
                          BadBytes(map) - BadBytes(part), lastGood);
        const RescueResult result = Rescue(part, unit, sink, options, watch);
        if (result.end == RescueResult::End::SinkFailed) {
          const std::string error = LastErrorText();
          env_.status.SetFailure(WriteFailed);
          return Fail(FailureKind::OutputWrite, rescuedName, error);
        }
        stopped = result.end == RescueResult::End::Stopped;
      }
      PutBack(map, part, start);
    }
    start += length;
  }
  // What is still missing counts as done: the bar reaches its end with the output.
  observer_.Copied(map.MissingBytes());

  // Complete, the output takes its clean name; else its rescued one, told with where the damage
  // lies in the recording.
  std::optional<RescuedOutput> rescued;
  if (!map.Complete() || env_.folder.LinkStatus(clean)) {
    rescued = RescuedOutput{clip_.name, {}, PathIn(env_.folder, mapName), size, {}, map.MissingBytes(), Damage(map), {}};
    ScratchFile bytes(*scratch, size);
    rescued->places = PlaceDamage(bytes, clip_.chunks[output.chunks.firstChunk].kind, rescued->areas, joins);
  }
  if (Step end = WriteRescued(output, *scratch, rescued ? rescuedName : clean, lastWrite, std::move(rescued))) {
    return end;
  }
  if (map.Complete()) {
    // The earlier rescue is superseded by the complete output.
    if (earlier) {
      platform::Files().Remove(PathIn(env_.folder, rescuedName));
      platform::Files().Remove(PathIn(env_.folder, mapName));
    }
  } else {
    std::unique_ptr<platform::OutputFile> mapFile = env_.folder.CreateOutput(mapName);
    const std::string text = MapText(map, source);
    if (!mapFile || mapFile->Write(text.data(), text.size()) != static_cast<std::int64_t>(text.size()) ||
        !mapFile->Sync() || !mapFile->Commit()) {
      return Fail(FailureKind::OutputWrite, mapName, LastErrorText());
    }
  }
  if (stopped) return Stopped();
  return std::nullopt;
}

Step ClipCopier::WriteRescued(const PlannedOutput& output, platform::OutputFile& scratch, const std::u16string& name,
                              std::optional<std::int64_t> lastWrite, std::optional<RescuedOutput> rescued) {
  if (Step end = CreateRescueOutput(output, name)) return end;
  outLastWrite_ = lastWrite;
  ScratchFile bytes(scratch, output.chunks.bytes);
  std::vector<unsigned char> block(kStreamBlock);
  for (std::uint64_t pos = 0; pos < output.chunks.bytes;) {
    const std::int64_t n = bytes.Read(block.data(), block.size());
    if (n <= 0) return Fail(FailureKind::OutputReadBack, name, LastErrorText());
    if (Step end = WriteBlock(block.data(), static_cast<std::size_t>(n))) return end;
    pos += static_cast<std::uint64_t>(n);
    observer_.Copied(0);
    if (Step end = CheckWhatIsOnDisk(true)) return end;
  }
  return FinishOutput(true, std::move(rescued));
}

}  // namespace quillon::copying
