#include "import/DamagePlace.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "support/MediaBytes.h"
#include "support/MemoryFile.h"
#include "unit/KindTable.h"

namespace quillon {
namespace {

using namespace testsupport;
using Bytes = std::vector<std::uint8_t>;

constexpr std::uint64_t kPacket = kTsPacketSize;
constexpr double kNtscFrame = 1001.0 / 30000.0;

// The output as the rescue writes it: zeros where the area could not be read.
Bytes Damaged(Bytes bytes, const DamagedArea& area) {
  std::fill_n(bytes.begin() + static_cast<std::ptrdiff_t>(area.offset), area.length, 0);
  return bytes;
}

Bytes Concat(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// An HDV stream of 1 ms packets with a PCR every 10 packets, the first on packet 10.
Bytes Hdv(std::size_t packets, std::uint64_t pcrAtStart, bool discontinuity = false) {
  TsOptions o;
  o.packets = packets;
  o.pcrEvery = 10;
  o.pcrAtStart = pcrAtStart;
  o.pcrDiscontinuity = discontinuity;
  return TransportStream(o);
}

// Type-2 DV in AVI: each frame followed by its audio chunk.
Bytes AviWithAudio(const Bytes& dv) {
  std::vector<AviChunk> movi;
  for (std::size_t at = 0; at + kNtscFrameSize <= dv.size(); at += kNtscFrameSize) {
    movi.push_back({{'0', '0', 'd', 'c'}, Bytes(dv.begin() + static_cast<std::ptrdiff_t>(at),
                                                dv.begin() + static_cast<std::ptrdiff_t>(at + kNtscFrameSize))});
    movi.push_back({{'0', '1', 'w', 'b'}, Bytes(8008, 0x11)});
  }
  return AviFile(movi, AviOffsets::RelativeToMovi);
}

std::uint64_t AviFrameData(const Bytes& avi, std::size_t frame) {
  std::size_t at = FindFourcc(avi, "movi");
  for (std::size_t k = 0; k <= frame; ++k) at = FindFourcc(avi, "00dc", at + 4);
  return at + 8;
}

Bytes Garbage() {
  std::mt19937 random(7);
  Bytes bytes(3 << 20);
  for (auto& b : bytes) b = static_cast<std::uint8_t>(random() % 0x47);  // no sync byte
  return bytes;
}

struct Case {
  const char* name;
  int kind;
  Bytes stream;
  DamagedArea area;
  std::vector<std::uint64_t> joins;
  std::optional<double> seconds;
  const char* at;
  std::optional<DamagePlace::Frames> frames = {};
  std::optional<std::string> stamp = {};
  std::optional<std::uint64_t> stampFrame = {};
};

TEST(PlaceDamage, TellsWhereInTheRecordingEachAreaLies) {
  const RecDateTime may2007{2007, 5, 31, 14, 23, 14};
  const Bytes avi = AviWithAudio(DvFrames(std::nullopt, 6, false, Timecode{0, 10, 0, 0}));
  const Bytes joined = Concat(Hdv(20000, 5 * 27'000'000), Hdv(40000, 900ull * 27'000'000, true));
  const Bytes garbage = Garbage();

  const Case cases[] = {
      {"NTSC DV, one whole frame: the timecode of the frame before", kKindDV,
       DvFrames(may2007, 10, false, Timecode{1, 0, 0, 0}), {5 * kNtscFrameSize, kNtscFrameSize}, {}, 5 * kNtscFrame,
       "00:00:00.1", DamagePlace::Frames{5, 5}, "01:00:00:04", 4},
      {"PAL DV, across two frames", kKindDV, DvFrames(std::nullopt, 8, true, Timecode{10, 59, 59, 23}),
       {3 * kPalFrameSize + 5000, kPalFrameSize}, {}, 3 * 0.04, "00:00:00.1", DamagePlace::Frames{3, 4},
       "11:00:00:00", 2},
      {"DV without timecode, damaged from the start: the recording time of the frame after", kKindDV,
       DvFrames(may2007, 6), {0, kNtscFrameSize + 10000}, {}, 0.0, "00:00:00.0", DamagePlace::Frames{0, 1},
       "2007-05-31 14:23:14", 2},
      {"DV in AVI, frames counted along the index", kKindAVI, avi, {AviFrameData(avi, 3), kNtscFrameSize}, {},
       3 * kNtscFrame, "00:00:00.1", DamagePlace::Frames{3, 3}, "00:10:00:02", 2},
      {"HDV: the PCR before the area", kKindM2T, Hdv(20000, 123'456'789), {15005 * kPacket, 95 * kPacket}, {},
       14.99, "00:00:14.9"},
      {"HDV damaged from the start: the PCR after it", kKindM2T, Hdv(20000, 123'456'789), {0, 1505 * kPacket}, {},
       0.0, "00:00:00.0"},
      {"HDV across the PCR's wrap", kKindM2T, Hdv(20000, kPcrWrap - 5 * 27'000'000), {15005 * kPacket, 95 * kPacket},
       {}, 14.99, "00:00:14.9"},
      {"HDV chunks joined, the clock starting again", kKindM2T, joined, {55005 * kPacket, 95 * kPacket},
       {20000 * kPacket}, 54.99, "00:00:54.9"},
      {"garbage as HDV", kKindM2T, garbage, {1 << 20, 4096}, {}, std::nullopt, ""},
      {"garbage as DV", kKindDV, garbage, {1 << 20, 4096}, {}, std::nullopt, ""},
      {"garbage as AVI", kKindAVI, garbage, {1 << 20, 4096}, {}, std::nullopt, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    MemoryFile file(Damaged(c.stream, c.area));
    const std::vector<DamagePlace> places = PlaceDamage(file, c.kind, std::vector{c.area}, c.joins);
    ASSERT_EQ(places.size(), 1u);
    const DamagePlace& p = places[0];
    EXPECT_EQ(p.seconds.has_value(), c.seconds.has_value());
    if (p.seconds && c.seconds) {
      EXPECT_NEAR(*p.seconds, *c.seconds, 1e-9);
    }
    EXPECT_EQ(p.at, c.at);
    EXPECT_EQ(p.frames.has_value(), c.frames.has_value());
    if (p.frames && c.frames) {
      EXPECT_EQ(std::pair(p.frames->first, p.frames->last), std::pair(c.frames->first, c.frames->last));
    }
    EXPECT_EQ(p.stamp, c.stamp);
    EXPECT_EQ(p.stampFrame, c.stampFrame);
    // Windows around the area, never the whole file.
    EXPECT_LE(file.BytesRead(), 6u << 20);
  }
  EXPECT_EQ(ElapsedText(3723.46), "01:02:03.4");
  EXPECT_EQ(ElapsedText(std::nan("")), "00:00:00.0");
}

}  // namespace
}  // namespace quillon
