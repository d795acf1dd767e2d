// Places the damaged areas of an output in its recording.
//  HDV: the PCRs of one PID (the first that carries any), followed through windows read around
//  the start, each join and each area. Steps wrap at 33 bits; a step flagged as a discontinuity,
//  running backwards, or too long for the good bytes it spans starts a new time base, and the
//  gap is bridged at the rate of the last regular step. Between windows the clock is taken to
//  run on.
//  DV: frames back to back from the file's start (raw) or where the AVI index puts them; the
//  system from the DIF header of a good frame near the area; the timecode or recording time
//  from the subcode and VAUX packs of the nearest good frame.
#include "import/DamagePlace.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <iterator>
#include <limits>

#include "import/ProbeRead.h"
#include "import/RecordingTimeProbe.h"
#include "import/TsPacket.h"
#include "platform/LocalTime.h"
#include "platform/Text.h"
#include "unit/Chunk.h"
#include "unit/KindTable.h"

namespace quillon {
namespace {

using Bytes = std::vector<std::uint8_t>;
constexpr std::uint64_t kMax = std::numeric_limits<std::uint64_t>::max();

// How far before and after an area (or around a join) the good bytes are looked at.
constexpr std::uint64_t kWindow = 1 << 20;
// Windows that run together (areas close to each other) are read in pieces of at most this.
constexpr std::uint64_t kMaxPiece = 4 << 20;

std::uint64_t SatAdd(std::uint64_t a, std::uint64_t b) { return a > kMax - b ? kMax : a + b; }
std::uint64_t SatSub(std::uint64_t a, std::uint64_t b) { return a > b ? a - b : 0; }
std::uint64_t AreaEnd(const DamagedArea& a) { return SatAdd(a.offset, a.length); }

struct Span {
  std::uint64_t begin = 0, end = 0;  // [begin, end)
};

// Sorted, with overlapping and touching spans joined and empty ones left out.
std::vector<Span> Merged(std::vector<Span> spans) {
  std::erase_if(spans, [](const Span& s) { return s.begin >= s.end; });
  std::sort(spans.begin(), spans.end(), [](const Span& a, const Span& b) { return a.begin < b.begin; });
  std::vector<Span> out;
  for (const Span& s : spans) {
    if (!out.empty() && s.begin <= out.back().end)
      out.back().end = std::max(out.back().end, s.end);
    else
      out.push_back(s);
  }
  return out;
}

// Whether bytes hold zeros written for damage.
class Damage {
 public:
  explicit Damage(std::span<const DamagedArea> areas) {
    std::vector<Span> spans;
    for (const DamagedArea& a : areas) spans.push_back({a.offset, AreaEnd(a)});
    spans_ = Merged(std::move(spans));
  }
  bool Touches(std::uint64_t begin, std::uint64_t end) const {
    const auto it = std::partition_point(spans_.begin(), spans_.end(), [&](const Span& s) { return s.end <= begin; });
    return it != spans_.end() && it->begin < end;
  }

 private:
  std::vector<Span> spans_;
};

// What the file holds of [begin, begin + size); shorter at its end or on a read failure.
Bytes ReadSpan(platform::File& file, std::uint64_t begin, std::uint64_t size) {
  Bytes bytes(static_cast<std::size_t>(size));
  if (!file.Seek(begin)) return {};
  const std::int64_t n = file.ReadFully(bytes.data(), bytes.size());
  bytes.resize(n < 0 ? 0 : static_cast<std::size_t>(n));
  return bytes;
}

// HDV ------------------------------------------------------------------------------------

constexpr std::uint64_t kPcrWrap = (std::uint64_t{1} << 33) * 300;  // in 27 MHz ticks
constexpr double kPcrHz = 27e6;
// A PCR comes at least every 0.1 s: a step of more than half a second over good bytes read is a
// jump.
constexpr std::uint64_t kMaxPcrStep = 27'000'000 / 2;

// Adaptation field: its length, its flags, then the PCR.
constexpr std::uint8_t kAdaptationFieldFlag = 0x20;
constexpr std::size_t kAdaptationLength = 4, kAdaptationFlags = 5, kPcrAt = 6;
constexpr std::size_t kMinPcrField = 7, kMaxAdaptationLength = 183;
constexpr std::uint8_t kDiscontinuityFlag = 0x80, kPcrFlag = 0x10;

struct Pcr {
  std::uint64_t pos = 0;
  unsigned pid = 0;
  std::uint64_t ticks = 0;  // base * 300 + extension
  bool discontinuity = false;
};

std::optional<Pcr> PcrOf(const std::uint8_t* p, std::uint64_t pos) {
  if (!(p[3] & kAdaptationFieldFlag)) return std::nullopt;
  if (p[kAdaptationLength] < kMinPcrField || p[kAdaptationLength] > kMaxAdaptationLength) return std::nullopt;
  const std::uint8_t flags = p[kAdaptationFlags];
  if (!(flags & kPcrFlag)) return std::nullopt;
  const std::uint8_t* f = p + kPcrAt;
  const std::uint64_t base = std::uint64_t{f[0]} << 25 | std::uint64_t{f[1]} << 17 | std::uint64_t{f[2]} << 9 |
                             std::uint64_t{f[3]} << 1 | f[4] >> 7;
  const unsigned extension = (static_cast<unsigned>(f[4] & 0x01) << 8) | f[5];
  if (extension >= 300) return std::nullopt;
  return Pcr{pos, TsPid(p), base * 300 + extension, (flags & kDiscontinuityFlag) != 0};
}

// A packet starts at i: its sync byte, and the one of the packet before or after it.
bool Synced(const Bytes& b, std::size_t i) {
  if (b[i] != kTsSyncByte) return false;
  if (i >= kTsPacketBytes && b[i - kTsPacketBytes] == kTsSyncByte) return true;
  return i + 2 * kTsPacketBytes <= b.size() && b[i + kTsPacketBytes] == kTsSyncByte;
}

// A PCR's position and the time from the first PCR, in ticks.
struct ClockPoint {
  std::uint64_t pos = 0;
  std::uint64_t ticks = 0;
};

class StreamClock {
 public:
  explicit StreamClock(const Damage& damage) : damage_(damage) {}

  // The bytes from the last PCR to the next were not all read.
  void Gap() { readSinceLast_ = false; }

  void Add(const Pcr& p) {
    if (!pid_) pid_ = p.pid;
    if (p.pid != *pid_) return;
    if (points_.empty()) {
      points_.push_back({p.pos, 0});
    } else {
      const std::uint64_t step = (p.ticks + kPcrWrap - last_.ticks) % kPcrWrap;
      const std::uint64_t bytes = p.pos - last_.pos;
      const bool regular = readSinceLast_ && !damage_.Touches(last_.pos, p.pos);
      std::uint64_t ticks = step;
      if (p.discontinuity || step > kPcrWrap / 2 || (regular && step > kMaxPcrStep)) {
        ticks = 0;
        if (rateBytes_ != 0)
          ticks = static_cast<std::uint64_t>(
              std::min(static_cast<double>(rateTicks_) * static_cast<double>(bytes) / static_cast<double>(rateBytes_),
                       static_cast<double>(kPcrWrap)));
      } else if (regular) {
        rateTicks_ = step;
        rateBytes_ = bytes;
      }
      points_.push_back({p.pos, SatAdd(points_.back().ticks, ticks)});
    }
    last_ = p;
    readSinceLast_ = true;
  }

  const std::vector<ClockPoint>& Points() const { return points_; }

 private:
  const Damage& damage_;
  std::optional<unsigned> pid_;
  std::vector<ClockPoint> points_;
  Pcr last_;
  bool readSinceLast_ = false;
  std::uint64_t rateTicks_ = 0, rateBytes_ = 0;
};

// The stretches of a stream read: its start, around each join, before and after each area.
std::vector<Span> StreamWindows(std::uint64_t size, std::span<const DamagedArea> areas,
                                std::span<const std::uint64_t> joins) {
  std::vector<Span> spans{{0, kWindow}};
  for (const std::uint64_t j : joins) spans.push_back({SatSub(j, kWindow), SatAdd(j, kWindow)});
  for (const DamagedArea& a : areas) {
    spans.push_back({SatSub(a.offset, kWindow), a.offset});
    spans.push_back({AreaEnd(a), SatAdd(AreaEnd(a), kWindow)});
  }
  for (Span& s : spans) s.end = std::min(s.end, size);
  std::vector<Span> pieces;
  for (const Span& s : Merged(std::move(spans)))
    for (std::uint64_t at = s.begin; at < s.end; at += kMaxPiece)
      pieces.push_back({at, std::min(s.end, SatAdd(at, kMaxPiece))});
  return pieces;
}

StreamClock ReadClock(platform::File& file, const std::vector<Span>& pieces, const Damage& damage) {
  StreamClock clock(damage);
  std::uint64_t readEnd = 0;  // where the bytes read last end
  std::uint64_t resume = 0;   // where the packet walk over them stopped
  for (const Span& piece : pieces) {
    // A piece that continues the one before is read from where its walk stopped, so that no
    // packet is cut in two.
    const bool contiguous = piece.begin == readEnd && readEnd != 0;
    if (!contiguous) clock.Gap();
    const std::uint64_t begin = contiguous ? resume : piece.begin;
    const Bytes bytes = ReadSpan(file, begin, piece.end - begin);
    std::size_t q = 0;
    while (q + kTsPacketBytes <= bytes.size()) {
      if (!Synced(bytes, q)) {
        const auto next = std::find(bytes.begin() + static_cast<std::ptrdiff_t>(q) + 1, bytes.end(), kTsSyncByte);
        q = static_cast<std::size_t>(next - bytes.begin());
        continue;
      }
      const std::uint64_t pos = begin + q;
      if (!damage.Touches(pos, pos + kTsPacketBytes))
        if (const std::optional<Pcr> pcr = PcrOf(&bytes[q], pos)) clock.Add(*pcr);
      q += kTsPacketBytes;
    }
    readEnd = begin + bytes.size();
    resume = begin + q;
  }
  return clock;
}

// The time of the last good PCR before the area, within the window before it, or else of the
// first after it, within the window after it.
std::optional<double> StreamSeconds(const std::vector<ClockPoint>& points, const DamagedArea& area) {
  const auto after = std::partition_point(points.begin(), points.end(),
                                          [&](const ClockPoint& p) { return p.pos + kTsPacketBytes <= area.offset; });
  if (after != points.begin() && std::prev(after)->pos + kTsPacketBytes + kWindow >= area.offset)
    return static_cast<double>(std::prev(after)->ticks) / kPcrHz;
  const std::uint64_t end = AreaEnd(area);
  const auto next = std::partition_point(after, points.end(), [&](const ClockPoint& p) { return p.pos < end; });
  if (next != points.end() && next->pos < SatAdd(end, kWindow)) return static_cast<double>(next->ticks) / kPcrHz;
  return std::nullopt;
}

// DV -------------------------------------------------------------------------------------

struct DvSystem {
  std::uint64_t frameBytes;
  double frameSeconds;
  bool pal;
};
constexpr DvSystem k525_60{120000, 1001.0 / 30000.0, false};
constexpr DvSystem k625_50{144000, 1.0 / 25.0, true};

// Frames looked at on each side of an area for the system and the stamp.
constexpr std::uint64_t kFramesNear = 16;

// Subcode blocks: six sync blocks of an ID (two bytes), a reserved byte and a pack.
constexpr std::size_t kSyncBlocks = 6, kSyncBlockSize = 8, kSyncPackAt = 3, kBlockIdSize = 3;
constexpr std::uint8_t kTimecodeTag = 0x13;
constexpr std::uint8_t kDropFrameFlag = 0x40;
constexpr std::uint8_t kHeaderDsf = 0x80;  // in the header block's fourth byte: 625/50 system

// An index of the AVI file larger than this is not read.
constexpr std::uint64_t kMaxIndexBytes = 16 << 20;
constexpr std::size_t kEntriesPerRead = 4096;

// Where the frames of an output lie: back to back from the file's start, or as an index says.
class FrameMap {
 public:
  FrameMap(std::uint64_t frameBytes, std::uint64_t fileSize)
      : frameBytes_(frameBytes), count_(fileSize / frameBytes + (fileSize % frameBytes != 0)) {}
  explicit FrameMap(std::vector<Span> frames) : indexed_(true), frames_(std::move(frames)), count_(frames_.size()) {}

  std::uint64_t Count() const { return count_; }
  std::uint64_t Start(std::uint64_t f) const { return indexed_ ? frames_[f].begin : f * frameBytes_; }
  // The first frame that ends after pos, and the first that starts at or after it.
  std::uint64_t FirstEndingAfter(std::uint64_t pos) const {
    if (!indexed_) return std::min(pos / frameBytes_, count_);
    return Index(std::partition_point(frames_.begin(), frames_.end(), [&](const Span& s) { return s.end <= pos; }));
  }
  std::uint64_t FirstStartingFrom(std::uint64_t pos) const {
    if (!indexed_) return std::min(pos / frameBytes_ + (pos % frameBytes_ != 0), count_);
    return Index(std::partition_point(frames_.begin(), frames_.end(), [&](const Span& s) { return s.begin < pos; }));
  }

 private:
  std::uint64_t Index(std::vector<Span>::const_iterator it) const {
    return static_cast<std::uint64_t>(it - frames_.begin());
  }

  bool indexed_ = false;
  std::uint64_t frameBytes_ = 1;
  std::vector<Span> frames_;
  std::uint64_t count_ = 0;
};

// The frames an area touches, [first, after).
struct Touched {
  std::uint64_t first = 0, after = 0;
};

Touched TouchedFrames(const FrameMap& map, const DamagedArea& area) {
  const std::uint64_t first = map.FirstEndingAfter(area.offset);
  return {first, std::max(first, map.FirstStartingFrom(AreaEnd(area)))};
}

// The nearest frame for which good answers true: the frames before the area, nearest first,
// then those after it.
template <class Good>
std::optional<std::uint64_t> NearestFrame(const FrameMap& map, const Touched& t, Good good) {
  for (std::uint64_t k = 1; k <= kFramesNear && k <= t.first; ++k)
    if (good(t.first - k)) return t.first - k;
  for (std::uint64_t f = t.after; f < map.Count() && f - t.after < kFramesNear; ++f)
    if (good(f)) return f;
  return std::nullopt;
}

// Whether a frame's first DIF sequence begins at pos (its header and subcode blocks, each of
// sequence 0 and numbered), and then its system.
std::optional<DvSystem> SystemAt(platform::File& file, std::uint64_t pos) {
  std::array<std::uint8_t, 3 * kDifBlockBytes> b{};
  if (!file.Seek(pos) || !probe::ReadExactly(file, b)) return std::nullopt;
  const auto is = [&b](std::size_t block, std::uint8_t type, std::uint8_t number) {
    const std::uint8_t* id = &b[block * kDifBlockBytes];
    return id[0] >> 4 == type && id[1] >> 4 == 0 && id[2] == number;
  };
  if (!is(0, kDifHeaderBlock, 0) || !is(1, kDifSubcodeBlock, 0) || !is(2, kDifSubcodeBlock, 1)) return std::nullopt;
  return (b[3] & kHeaderDsf) ? k625_50 : k525_60;
}

int Bcd(std::uint8_t byte, std::uint8_t tensMask) {
  const int units = byte & 0x0F;
  return units > 9 ? 100 : ((byte >> 4) & tensMask) * 10 + units;  // 100: never a valid field
}

std::optional<std::string> TimecodeText(const std::uint8_t* pack, bool pal) {
  const int frame = Bcd(pack[1], 0x3), second = Bcd(pack[2], 0x7), minute = Bcd(pack[3], 0x7), hour = Bcd(pack[4], 0x3);
  if (frame >= (pal ? 25 : 30) || second > 59 || minute > 59 || hour > 23) return std::nullopt;
  const bool dropFrame = !pal && (pack[1] & kDropFrameFlag);  // the bit means something else in 625/50
  char text[48];
  std::snprintf(text, sizeof text, "%02d:%02d:%02d%c%02d", hour, minute, second, dropFrame ? ';' : ':', frame);
  return text;
}

std::optional<std::string> SubcodeTimecode(const DifSequenceHead& head, bool pal) {
  for (std::size_t block = 1; block <= 2; ++block)
    for (std::size_t s = 0; s < kSyncBlocks; ++s) {
      const std::uint8_t* pack = &head[block * kDifBlockBytes + kBlockIdSize + s * kSyncBlockSize + kSyncPackAt];
      if (pack[0] != kTimecodeTag) continue;
      if (auto text = TimecodeText(pack, pal)) return text;
    }
  return std::nullopt;
}

// The timecode of the frame at pos, or else its recording time.
std::optional<std::string> StampAt(platform::File& file, std::uint64_t pos, bool pal) {
  std::optional<std::string> timecode;
  Chunk recorded(u"");
  bool dated = false;
  WalkDifSequences(file, pos, [&](const DifSequenceHead& head) {
    timecode = SubcodeTimecode(head, pal);
    if (!dated) dated = DecodeVauxRecDateTime(recorded, head);
    return timecode.has_value();
  });
  if (timecode) return timecode;
  if (dated) return platform::ToUtf8(platform::FormatLocal(recorded.recordingTime, "%Y-%m-%d %H:%M:%S"));
  return std::nullopt;
}

DamagePlace PlaceInFrames(platform::File& file, const FrameMap& map, const DvSystem& system, const DamagedArea& area) {
  DamagePlace place;
  const Touched t = TouchedFrames(map, area);
  if (t.first >= map.Count()) return place;
  place.seconds = static_cast<double>(t.first) * system.frameSeconds;
  if (t.first < t.after) place.frames = DamagePlace::Frames{t.first, t.after - 1};
  place.stampFrame = NearestFrame(map, t, [&](std::uint64_t f) {
    place.stamp = StampAt(file, map.Start(f), system.pal);
    return place.stamp.has_value();
  });
  return place;
}

DamagePlace PlaceInRawDv(platform::File& file, std::uint64_t size, const DamagedArea& area) {
  for (const DvSystem& system : {k525_60, k625_50}) {
    const FrameMap map(system.frameBytes, size);
    const auto isSystem = [&](std::uint64_t f) {
      const std::optional<DvSystem> found = SystemAt(file, map.Start(f));
      return found && found->pal == system.pal;
    };
    if (NearestFrame(map, TouchedFrames(map, area), isSystem)) return PlaceInFrames(file, map, system, area);
  }
  return {};
}

// The DV frames of an AVI file's idx1 index, in order. The count stops at an entry of zeros (a
// damaged index) or a frame out of order: the frames after it cannot be numbered.
std::optional<FrameMap> AviFrames(platform::File& file, std::uint64_t size) {
  const std::optional<AviIndex> index = FindAviIndex(file);
  if (!index) return std::nullopt;
  const std::uint64_t entries =
      std::min<std::uint64_t>({index->size, SatSub(size, index->Entries()), kMaxIndexBytes}) / kAviIndexEntrySize;
  std::vector<Span> frames;
  std::optional<std::int64_t> base;
  for (std::uint64_t k = 0; k < entries; k += kEntriesPerRead) {
    const std::uint64_t want = std::min<std::uint64_t>(kEntriesPerRead, entries - k) * kAviIndexEntrySize;
    const Bytes block = ReadSpan(file, index->Entries() + k * kAviIndexEntrySize, want);
    for (std::size_t e = 0; e + kAviIndexEntrySize <= block.size(); e += kAviIndexEntrySize) {
      std::array<std::uint8_t, kAviIndexEntrySize> entry{};
      std::copy_n(block.begin() + static_cast<std::ptrdiff_t>(e), kAviIndexEntrySize, entry.begin());
      if (probe::Le32At(entry, 0) == 0) return FrameMap(std::move(frames));
      const auto offset = static_cast<std::int32_t>(probe::Le32At(entry, kAviEntryOffsetAt));
      const std::uint32_t length = probe::Le32At(entry, kAviEntryLengthAt);
      if (!base) base = AviOffsetBase(*index, offset);
      if (length < kMinDvFrameBytes) continue;
      const std::optional<std::uint64_t> data = AviEntryData(*base, offset);
      if (!data || (!frames.empty() && *data < frames.back().end)) return FrameMap(std::move(frames));
      frames.push_back({*data, *data + length});
    }
    if (block.size() < want) break;
  }
  return FrameMap(std::move(frames));
}

DamagePlace PlaceInAvi(platform::File& file, const FrameMap& map, const DamagedArea& area) {
  std::optional<DvSystem> system;
  NearestFrame(map, TouchedFrames(map, area), [&](std::uint64_t f) {
    system = SystemAt(file, map.Start(f));
    return system.has_value();
  });
  return system ? PlaceInFrames(file, map, *system, area) : DamagePlace{};
}

}  // namespace

std::vector<DamagePlace> PlaceDamage(platform::File& output, int kind, std::span<const DamagedArea> areas,
                                     std::span<const std::uint64_t> joins) {
  std::vector<DamagePlace> places(areas.size());
  const std::uint64_t size = output.Size().value_or(0);
  if (size == 0) return places;

  if (kind == kKindM2T) {
    const Damage damage(areas);
    const StreamClock clock = ReadClock(output, StreamWindows(size, areas, joins), damage);
    for (std::size_t i = 0; i < areas.size(); ++i) places[i].seconds = StreamSeconds(clock.Points(), areas[i]);
  } else if (kind == kKindDV) {
    for (std::size_t i = 0; i < areas.size(); ++i) places[i] = PlaceInRawDv(output, size, areas[i]);
  } else if (kind == kKindAVI) {
    if (const std::optional<FrameMap> map = AviFrames(output, size))
      for (std::size_t i = 0; i < areas.size(); ++i) places[i] = PlaceInAvi(output, *map, areas[i]);
  }
  for (DamagePlace& place : places)
    if (place.seconds) place.at = ElapsedText(*place.seconds);
  return places;
}

std::string ElapsedText(double seconds) {
  // A hair added before the tenths are cut, so that 0.3 computed as 0.29999... reads 0.3.
  constexpr double kLargest = 1e15;
  const double tenths = seconds > 0 ? std::min(std::floor(seconds * 10 + 1e-6), kLargest) : 0;
  const auto t = static_cast<unsigned long long>(tenths);
  char text[40];
  std::snprintf(text, sizeof text, "%02llu:%02llu:%02llu.%llu", t / 36000, t / 600 % 60, t / 10 % 60, t % 10);
  return text;
}

}  // namespace quillon
