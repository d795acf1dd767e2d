// The rescue over a unit's bytes in memory with damaged areas: one table of damage patterns,
// the order of the failed reads, a stop and resuming from its map, bad areas marked beforehand
// and a sink that fails. After
// every run the map must tell the sink: its finished bytes are the unit's, the rest zeros.
#include "import/Rescue.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <optional>
#include <ostream>

namespace quillon {
namespace {

using S = AreaStatus;
using Bytes = std::vector<unsigned char>;

constexpr std::uint64_t kSector = 512;
constexpr std::uint64_t kCluster = 64 * 1024;
constexpr std::uint64_t kSize = 1024 * 1024 + 300;  // its last sector is short
// What damage from kSize - 3000 to the end takes: from the sector it begins in.
constexpr std::uint64_t kEndBad = kSize - (kSize - 3000) / kSector * kSector;

enum class Harm {
  Fails,       // every read that touches the area fails
  FailsTwice,  // the first two reads that touch it fail, the others read
  ReadsShort,  // a read that begins before it gives the bytes up to it; one in it fails
};

struct Damage {
  std::uint64_t pos;
  std::uint64_t size;
  Harm harm;
};

Bytes UnitBytes() {
  Bytes bytes(kSize);
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<unsigned char>(1 + (i * 131 + i / 4093) % 251);
  return bytes;  // no zero among them: a zero in the sink is a byte not written
}

struct Read {
  std::uint64_t pos;
  std::size_t size;
  friend bool operator==(const Read&, const Read&) = default;
  friend std::ostream& operator<<(std::ostream& out, const Read& r) { return out << r.pos << "+" << r.size; }
};

class DamagedUnit final : public RescueSource {
 public:
  explicit DamagedUnit(std::vector<Damage> damage = {}) : damage_(std::move(damage)) {
    for (const Damage& d : damage_) failuresLeft_.push_back(d.harm == Harm::FailsTwice ? 2 : 0);
  }

  std::int64_t ReadAt(std::uint64_t pos, void* buffer, std::size_t size) override {
    reads.push_back({pos, size});
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(buffer) % kRescueBufferAlignment, 0u);
    std::uint64_t end = std::min<std::uint64_t>(pos + size, bytes.size());
    for (std::size_t i = 0; i < damage_.size(); ++i) {
      const Damage& d = damage_[i];
      if (pos >= d.pos + d.size || end <= d.pos) continue;
      if (d.harm == Harm::Fails || (d.harm == Harm::ReadsShort && pos >= d.pos)) return -1;
      if (d.harm == Harm::ReadsShort) end = d.pos;
      if (d.harm == Harm::FailsTwice && failuresLeft_[i] > 0) {
        --failuresLeft_[i];
        return -1;
      }
    }
    std::memcpy(buffer, bytes.data() + pos, end - pos);
    return static_cast<std::int64_t>(end - pos);
  }

  const Bytes bytes = UnitBytes();
  std::vector<Read> reads;

 private:
  std::vector<Damage> damage_;
  std::vector<int> failuresLeft_;
};

class MemorySink final : public RescueSink {
 public:
  bool WriteAt(std::uint64_t pos, const void* data, std::size_t size) override {
    if (writesLeft == 0) return false;
    --writesLeft;
    std::memcpy(bytes.data() + pos, data, size);
    return true;
  }
  Bytes bytes = Bytes(kSize);
  int writesLeft = -1;  // -1: no end
};

class Counter final : public RescueObserver {
 public:
  void Read(std::uint64_t pos, std::size_t size, bool good) override {
    ++reads;
    if (!good) failed.push_back({pos, size});
  }
  bool StopRequested() override { return reads == stopAfter; }
  int reads = 0;
  std::vector<quillon::Read> failed;
  int stopAfter = -1;
};

RescueOptions Options(int retries) {
  RescueOptions options;
  options.sector = kSector;
  options.cluster = kCluster;
  options.retries = retries;
  return options;
}

void ExpectMapTellsSink(const RescueMap& map, const Bytes& sink, const Bytes& unit) {
  ASSERT_EQ(map.Size(), sink.size());
  for (const RescueArea& a : map.Areas()) {
    const auto begin = static_cast<std::ptrdiff_t>(a.pos), end = static_cast<std::ptrdiff_t>(a.End());
    if (a.status == S::Finished) {
      EXPECT_TRUE(std::equal(sink.begin() + begin, sink.begin() + end, unit.begin() + begin)) << "finished at " << a.pos;
    } else {
      EXPECT_TRUE(std::all_of(sink.begin() + begin, sink.begin() + end, [](unsigned char b) { return b == 0; }))
          << "written though not finished at " << a.pos;
    }
  }
}

// Reads begin and end on sectors but at the output's end.
bool Aligned(const Read& r) { return r.pos % kSector == 0 && (r.size % kSector == 0 || r.pos + r.size == kSize); }

struct Pattern {
  const char* name;
  std::vector<Damage> damage;
  std::uint64_t bad[2];        // bytes left bad with 0 and with 1 retry pass
  std::uint64_t maxFailed[2];  // failed reads at most: what ddrescue -r0 and -r1 take over the same
                               // damage (--test-mode; an area that heals or reads short as failing)
};

const Pattern kPatterns[] = {
    {"NoneBad", {}, {0, 0}, {0, 0}},
    {"WholeSourceBad", {{0, kSize, Harm::Fails}}, {kSize, kSize}, {2065, 4114}},
    {"AtTheStart", {{0, 4096, Harm::Fails}}, {4096, 4096}, {9, 17}},
    // From mid-sector: the sector it begins in is lost with it.
    {"AtTheEnd", {{kSize - 3000, 3000, Harm::Fails}}, {kEndBad, kEndBad}, {8, 15}},
    {"AcrossAClusterBoundary", {{kCluster - 2048, 4096, Harm::Fails}}, {4096, 4096}, {10, 18}},
    {"ScatteredSectorsInACluster",
     {{6 * kCluster + 3 * kSector, kSector, Harm::Fails},
      {6 * kCluster + 40 * kSector, kSector, Harm::Fails},
      {6 * kCluster + 100 * kSector, kSector, Harm::Fails}},
     {3 * kSector, 3 * kSector},
     {4, 7}},
    // Eight clusters: copying skips past its failures, then comes back into it from its far end.
    {"WideArea", {{2 * kCluster, 8 * kCluster, Harm::Fails}}, {8 * kCluster, 8 * kCluster}, {1032, 2056}},
    // Fails for copying and trimming's leading edge; the retry pass reads it.
    {"FailsTwiceThenReads", {{5 * kCluster + 4096, 8192, Harm::FailsTwice}}, {kSector, 0}, {17, 33}},
    // The bytes before it in its first sector come; those after it in its last sector do not.
    {"ReadsShortFromMidSector", {{8 * kCluster + 100, 1500, Harm::ReadsShort}}, {1948, 1948}, {5, 9}},
};

void PrintTo(const Pattern& p, std::ostream* os) { *os << p.name; }

class RescuePatterns : public testing::TestWithParam<Pattern> {};

TEST_P(RescuePatterns, MapHoldsWhatWasReadInFewFailedReads) {
  const Pattern& p = GetParam();
  for (int retries : {0, 1}) {
    SCOPED_TRACE(testing::Message() << "retries " << retries);
    DamagedUnit unit(p.damage);
    MemorySink sink;
    Counter counter;
    RescueMap map(kSize);
    const RescueResult result = Rescue(map, unit, sink, Options(retries), counter);

    EXPECT_EQ(result.end, RescueResult::End::Done);
    ExpectMapTellsSink(map, sink.bytes, unit.bytes);
    EXPECT_EQ(map.MissingBytes(), p.bad[retries]);
    EXPECT_LE(result.failedReads, p.maxFailed[retries]);
    EXPECT_EQ(result.reads, unit.reads.size());
    EXPECT_TRUE(std::all_of(unit.reads.begin(), unit.reads.end(), Aligned));
    EXPECT_EQ(map.Progress().phase, RescuePhase::Finished);
  }
}

INSTANTIATE_TEST_SUITE_P(Damage, RescuePatterns, testing::ValuesIn(kPatterns),
                         [](const testing::TestParamInfo<Pattern>& info) { return std::string(info.param.name); });

// The failed reads in the order ddrescue makes them over the same damage (its --log-reads).
TEST(Rescue, FailedReadsComeInDdrescuesOrder) {
  struct Order {
    const char* name;
    std::vector<Damage> damage;
    int retries;
    std::optional<std::uint64_t> skipMax;
    std::uint64_t markedBad;  // bytes from the first marked bad beforehand
    std::vector<quillon::Read> failedFirst;
    RescueProgress resumedAt = {};  // the map's status line
  };
  constexpr std::uint64_t C = kCluster;
  const Order table[] = {
      // ddrescue -r0 -K 64Ki,256Ki: copying skips 64, 128, then 256 KiB ahead, 64 KiB again after
      // a good read; the backward pass stops in each area at its first failure; the sweep;
      // trimming both edges of each area; scraping.
      {"skipping",
       {{2 * C, 8 * C, Harm::Fails}, {13 * C, 3 * C, Harm::Fails}},
       0,
       256 * 1024,
       0,
       {{2 * C, C}, {4 * C, C}, {7 * C, C}, {13 * C, C}, {15 * C, C}, {14 * C, C}, {9 * C, C}, {6 * C, C},
        {3 * C, C}, {5 * C, C}, {8 * C, C}, {2 * C, 512}, {10 * C - 512, 512}, {13 * C, 512}, {16 * C - 512, 512},
        {2 * C + 512, 512}}},
      // ddrescue -r2: trimming the edges before scraping the middle; retry 2 runs backwards.
      {"narrowing",
       {{6 * C + 3 * 512, 512, Harm::Fails}, {6 * C + 40 * 512, 512, Harm::Fails}, {6 * C + 100 * 512, 512, Harm::Fails}},
       2,
       std::nullopt,
       0,
       {{6 * C, C}, {6 * C + 3 * 512, 512}, {6 * C + 100 * 512, 512}, {6 * C + 40 * 512, 512},
        {6 * C + 3 * 512, 512}, {6 * C + 40 * 512, 512}, {6 * C + 100 * 512, 512},
        {6 * C + 100 * 512, 512}, {6 * C + 40 * 512, 512}, {6 * C + 3 * 512, 512}}},
      // ddrescue -r0 on a map beginning with a bad area: an edge next to it is not trimmed.
      {"next to a bad area", {{2 * C, 1024, Harm::Fails}}, 0, std::nullopt, 2 * C, {{2 * C, C}, {2 * C + 512, 512}, {2 * C, 512}}},
      // ddrescue -r0 on maps stopped in copying's first and second pass: each goes on where it
      // stopped.
      {"resumed forwards",
       {{2 * C, 8 * C, Harm::Fails}},
       0,
       std::nullopt,
       0,
       {{4 * C, C}, {6 * C, C}, {8 * C, C}, {9 * C, C}, {7 * C, C}, {5 * C, C}, {3 * C, C}, {2 * C, C}, {2 * C, 512}},
       {4 * C, RescuePhase::Copying, 1}},
      {"resumed backwards",
       {{2 * C, 8 * C, Harm::Fails}},
       0,
       std::nullopt,
       0,
       {{9 * C, C}, {2 * C, C}, {3 * C, C}, {4 * C, C}, {5 * C, C}, {6 * C, C}, {7 * C, C}, {8 * C, C}, {2 * C, 512}},
       {12 * C, RescuePhase::Copying, 2}},
  };
  for (const Order& o : table) {
    DamagedUnit unit(o.damage);
    MemorySink sink;
    Counter counter;
    RescueMap map(kSize);
    map.Mark(0, o.markedBad, S::BadSector);
    map.SetProgress(o.resumedAt);
    RescueOptions options = Options(o.retries);
    options.skipMax = o.skipMax;
    Rescue(map, unit, sink, options, counter);
    ASSERT_GE(counter.failed.size(), o.failedFirst.size()) << o.name;
    counter.failed.resize(o.failedFirst.size());
    EXPECT_EQ(counter.failed, o.failedFirst) << o.name;
  }
}

TEST(Rescue, StopLeavesAMapThatTellsTheSinkAndResumingReadsOnlyWhatItLeft) {
  DamagedUnit damaged({{2 * kCluster, 3 * kCluster, Harm::Fails}, {8 * kCluster + 100, 1500, Harm::ReadsShort}});
  MemorySink sink;
  Counter counter;
  counter.stopAfter = 500;  // while scraping
  RescueMap map(kSize);
  EXPECT_EQ(Rescue(map, damaged, sink, Options(1), counter).end, RescueResult::End::Stopped);
  EXPECT_EQ(damaged.reads.size(), 500u);
  EXPECT_EQ(map.Progress().phase, RescuePhase::Scraping);
  ExpectMapTellsSink(map, sink.bytes, damaged.bytes);
  const RescueMap before = map;

  DamagedUnit healed;
  counter.stopAfter = -1;
  EXPECT_EQ(Rescue(map, healed, sink, Options(1), counter).failedReads, 0u);
  EXPECT_TRUE(map.Complete());
  EXPECT_EQ(sink.bytes, healed.bytes);
  // Sectors read where the first map had nothing left to read.
  int outside = 0;
  for (const Read& r : healed.reads) {
    for (std::uint64_t s = r.pos / kSector * kSector; s < r.pos + r.size; s += kSector) {
      const RescueArea a = before.AreaAt(s);
      outside += a.status == S::Finished && a.End() >= std::min(s + kSector, kSize);
    }
  }
  EXPECT_EQ(outside, 0);
}

TEST(Rescue, AreasMarkedBadBeforehandAreLeftToTheRetryPasses) {
  constexpr std::uint64_t kBadFrom = 100000, kBadTo = 300000;  // not on sectors
  DamagedUnit unit;
  MemorySink sink;
  Counter counter;
  RescueMap map(kSize);
  map.Mark(kBadFrom, kBadTo - kBadFrom, S::BadSector);
  Rescue(map, unit, sink, Options(0), counter);
  EXPECT_TRUE(std::none_of(unit.reads.begin(), unit.reads.end(),
                           [&](const Read& r) { return r.pos < kBadTo && r.pos + r.size > kBadFrom; }));
  EXPECT_EQ(map.MissingBytes(), kBadTo - kBadFrom);
  ExpectMapTellsSink(map, sink.bytes, unit.bytes);
}

TEST(Rescue, SinkThatFailsEndsTheRescueWithItsBytesNotFinished) {
  DamagedUnit unit;
  MemorySink sink;
  sink.writesLeft = 3;
  Counter counter;
  RescueMap map(kSize);
  const RescueResult result = Rescue(map, unit, sink, Options(1), counter);
  EXPECT_EQ(result.end, RescueResult::End::SinkFailed);
  EXPECT_EQ(map.Bytes(S::Finished), 3 * kCluster);
  ExpectMapTellsSink(map, sink.bytes, unit.bytes);
}

}  // namespace
}  // namespace quillon
