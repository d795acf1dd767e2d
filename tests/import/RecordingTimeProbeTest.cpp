#include "import/RecordingTimeProbe.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <limits>
#include <string>

#include "platform/LocalTime.h"
#include "support/MediaBytes.h"
#include "support/MemoryFile.h"
#include "support/NativePath.h"
#include "support/TempDir.h"
#include "unit/KindTable.h"

namespace quillon {
namespace {

using namespace testsupport;
using Bytes = std::vector<std::uint8_t>;

constexpr RecDateTime kMay2007{2007, 5, 31, 14, 23, 14};
constexpr RecDateTime kNewYear1999{1999, 12, 31, 23, 59, 59};

std::int64_t LocalTime(const RecDateTime& t) {
  return platform::FromLocalFields(t.year, t.month, t.day, t.hour, t.minute, t.second).value();
}

std::u16string NameFor(int kind) {
  switch (kind) {
    case kKindM2T: return P(u"/unit/VIDEO/QVT/CLIP0001.M2T");
    case kKindDV: return P(u"/unit/DVF/001DVF/CLIP0001.DV");
    case kKindAVI: return P(u"/unit/DVF/001DVF/CLIP0001.AVI");
    default: return P(u"/unit/VIDEO/QVT/CLIP0001.TXT");
  }
}

struct Probed {
  bool result;
  Chunk chunk;
  std::uint64_t positionAfter;
  std::uint64_t bytesRead;
};

// Probes bytes as a chunk of the given kind, with the file positioned at `at` beforehand.
Probed Probe(int kind, Bytes bytes, std::uint64_t at = 0) {
  MemoryFile file(std::move(bytes));
  file.Seek(at);
  Chunk chunk(NameFor(kind));
  chunk.recordingTime = 12345;  // left over from an earlier probe
  const bool result = ProbeRecordingTime(chunk, file);
  return {result, chunk, file.Position(), file.BytesRead()};
}

void ExpectTime(const Probed& p, const RecDateTime& t) {
  EXPECT_TRUE(p.result);
  EXPECT_TRUE(p.chunk.probed);
  EXPECT_TRUE(p.chunk.timeValid);
  EXPECT_EQ(p.chunk.recordingTime, LocalTime(t));
}

void ExpectNoTime(const Probed& p) {
  EXPECT_FALSE(p.result);
  EXPECT_TRUE(p.chunk.probed);
  EXPECT_FALSE(p.chunk.timeValid);
  EXPECT_EQ(p.chunk.recordingTime, 0);
}

// The local calendar fields of a recording time, to compare with what a writer put in.
std::string Fields(std::int64_t t) {
  const auto tm = platform::LocalFields(t);
  if (!tm) return "not representable";
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &*tm);
  return text;
}

Bytes Packet(const Bytes& stream, std::size_t index) {
  return Bytes(stream.begin() + static_cast<std::ptrdiff_t>(index * kTsPacketSize),
               stream.begin() + static_cast<std::ptrdiff_t>((index + 1) * kTsPacketSize));
}

void InsertPacket(Bytes& stream, std::size_t index, const Bytes& packet) {
  stream.insert(stream.begin() + static_cast<std::ptrdiff_t>(index * kTsPacketSize), packet.begin(), packet.end());
}

Bytes Concat(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

Bytes ReadTestData(const char* name) { return ReadFile(std::filesystem::path(QUILLON_TEST_DATA) / name); }

// ---------------------------------------------------------------------------------------
// Decoding the REC DATE and REC TIME packs

TEST(DecodeRecDateTime, ReadsTheBcdFieldsAsLocalTime) {
  Chunk chunk(NameFor(kKindDV));
  const std::uint8_t date[] = {0xFF, 0x31, 0x05, 0x07};
  const std::uint8_t time[] = {0xFF, 0x14, 0x23, 0x14};
  ASSERT_TRUE(DecodeRecDateTime(chunk, date, time));
  EXPECT_EQ(Fields(chunk.recordingTime), "2007-05-31 14:23:14");
}

TEST(DecodeRecDateTime, IgnoresTheFlagBitsAroundTheFields) {
  // A camcorder sets the reserved and week bits; only the field bits count.
  Chunk chunk(NameFor(kKindDV));
  const std::uint8_t date[] = {0xFF, 0xD6, 0xE2, 0x10};
  const std::uint8_t time[] = {0xFF, 0xA8, 0xB6, 0xE1};
  ASSERT_TRUE(DecodeRecDateTime(chunk, date, time));
  EXPECT_EQ(Fields(chunk.recordingTime), "2010-02-16 21:36:28");
}

TEST(DecodeRecDateTime, TwoDigitYearsFrom95AreThe1990sAndBelowAreThe2000s) {
  const std::uint8_t time[] = {0xFF, 0x00, 0x00, 0x12};
  struct Case {
    std::uint8_t yearByte;
    const char* expected;
  };
  for (const Case& c : {Case{0x98, "1998-12-25 12:00:00"}, Case{0x95, "1995-12-25 12:00:00"},
                        Case{0x94, "2094-12-25 12:00:00"}, Case{0x00, "2000-12-25 12:00:00"},
                        Case{0x70, "2070-12-25 12:00:00"}}) {
    Chunk chunk(NameFor(kKindDV));
    const std::uint8_t date[] = {0xFF, 0x25, 0x12, c.yearByte};
    ASSERT_TRUE(DecodeRecDateTime(chunk, date, time)) << int{c.yearByte};
    EXPECT_EQ(Fields(chunk.recordingTime), c.expected) << int{c.yearByte};
  }
}

TEST(DecodeRecDateTime, DayZeroIsTheLastDayOfTheMonthBefore) {
  Chunk chunk(NameFor(kKindDV));
  const std::uint8_t date[] = {0xFF, 0x00, 0x03, 0x08};
  const std::uint8_t time[] = {0xFF, 0x00, 0x00, 0x00};
  ASSERT_TRUE(DecodeRecDateTime(chunk, date, time));
  EXPECT_EQ(Fields(chunk.recordingTime), "2008-02-29 00:00:00");
}

TEST(DecodeRecDateTime, AllOnesFieldsMeanNoDateAndLeaveTheChunkAlone) {
  const std::uint8_t time[] = {0xFF, 0x14, 0x23, 0x14};
  for (const auto& date : {std::array<std::uint8_t, 4>{0xFF, 0xFF, 0x05, 0x07},   // day
                           std::array<std::uint8_t, 4>{0xFF, 0x31, 0xFF, 0x07},   // month
                           std::array<std::uint8_t, 4>{0xFF, 0x31, 0x05, 0xFF}}) {  // year
    Chunk chunk(NameFor(kKindDV));
    chunk.recordingTime = 777;
    EXPECT_FALSE(DecodeRecDateTime(chunk, date.data(), time));
    EXPECT_EQ(chunk.recordingTime, 777);
  }
}

// ---------------------------------------------------------------------------------------
// HDV transport streams

TEST(TransportStreamProbe, FindsTheTimeOfAnHdvStream) {
  const Probed p = Probe(kKindM2T, TransportStream({.date = kMay2007}));
  ExpectTime(p, kMay2007);
  EXPECT_EQ(p.positionAfter, 0u);
  EXPECT_LE(p.bytesRead, 3 * kTsPacketSize);  // stops as soon as all three are seen
}

TEST(TransportStreamProbe, FindsADatePacketThatComesBeforeTheTables) {
  ExpectTime(Probe(kKindM2T, TransportStream({.date = kMay2007, .dateBeforeTables = true})), kMay2007);
}

TEST(TransportStreamProbe, ReadsAtMost15000Packets) {
  // Tables in packets 0 and 1, fillers, then the date packet as packet 14999 or 15000.
  const TsOptions last{.date = kMay2007, .packets = 15001, .fillerBeforeDate = 14997};
  ExpectTime(Probe(kKindM2T, TransportStream(last)), kMay2007);

  TsOptions tooLate = last;
  tooLate.fillerBeforeDate = 14998;
  const Probed p = Probe(kKindM2T, TransportStream(tooLate));
  ExpectNoTime(p);
  EXPECT_EQ(p.bytesRead, 15000 * kTsPacketSize);
}

TEST(TransportStreamProbe, AStreamWithoutTheTshvRegistrationHasNoTime) {
  ExpectNoTime(Probe(kKindM2T, TransportStream({.date = kMay2007, .registration = false})));
}

TEST(TransportStreamProbe, AProgramTableThatPointsElsewhereHasNoTime) {
  Bytes ts = TransportStream({.date = kMay2007});
  // PAT entry at packet byte 5 (pointer) + 8: program 1 -> PID 0x0082
  ts[5 + 8 + 3] = 0x82;
  ExpectNoTime(Probe(kKindM2T, ts));
}

TEST(TransportStreamProbe, ALaterPrivateDataPacketWithoutADateWithdrawsTheFinding) {
  Bytes ts = TransportStream({.date = kMay2007, .dateBeforeTables = true});
  Bytes withdrawn = Packet(ts, 0);
  withdrawn[4 + 6 + 0x10 + 35 + 3] = 0xFF;  // year of the second packet: unknown
  InsertPacket(ts, 1, withdrawn);
  ExpectNoTime(Probe(kKindM2T, ts));
}

TEST(TransportStreamProbe, FillerFirstThenTablesStillFindsTheTime) {
  ExpectTime(Probe(kKindM2T, TransportStream({.date = kMay2007, .firstPid = 0x0814})), kMay2007);
}

TEST(TransportStreamProbe, DataThatIsNotATransportStreamHasNoTime) {
  ExpectNoTime(Probe(kKindM2T, DvFrames(kMay2007)));
  ExpectNoTime(Probe(kKindM2T, {}));
}

TEST(TransportStreamProbe, AStreamCutShortBeforeItsDateHasNoTime) {
  const Bytes ts = TransportStream({.date = kMay2007});
  for (std::size_t cut : {std::size_t{0}, std::size_t{100}, 2 * kTsPacketSize, 3 * kTsPacketSize - 1}) {
    SCOPED_TRACE(cut);
    ExpectNoTime(Probe(kKindM2T, Bytes(ts.begin(), ts.begin() + static_cast<std::ptrdiff_t>(cut))));
  }
}

TEST(TransportStreamProbe, AdaptationFieldsAndPointersPastThePacketEndTheScan) {
  const Bytes good = TransportStream({.date = kMay2007});
  for (std::size_t packet : {0, 1, 2}) {
    SCOPED_TRACE(packet);
    Bytes ts = good;
    ts[packet * kTsPacketSize + 3] |= 0x20;   // adaptation field present ...
    ts[packet * kTsPacketSize + 4] = 0xFF;    // ... longer than the packet
    ExpectNoTime(Probe(kKindM2T, ts));

    ts = good;
    ts[packet * kTsPacketSize + 4] = 0xFF;  // pointer field / PES start past the end
    ExpectNoTime(Probe(kKindM2T, ts));
  }
  Bytes ts = good;
  ts[5 + 1] = 0xBF;  // PAT section length 0xFFF
  ts[5 + 2] = 0xFF;
  ExpectNoTime(Probe(kKindM2T, ts));
}

// ---------------------------------------------------------------------------------------
// Raw DV

TEST(DifProbe, FindsTheTimeOfNtscAndPalFrames) {
  ExpectTime(Probe(kKindDV, DvFrames(kMay2007)), kMay2007);
  ExpectTime(Probe(kKindDV, DvFrames(kNewYear1999, 2, /*pal=*/true)), kNewYear1999);
}

TEST(DifProbe, LooksAtTheFirstTenSequencesOnly) {
  // A PAL frame whose packs appear only from one sequence on.
  const Bytes without = DvFrames(std::nullopt, 1, true);
  const Bytes with = DvFrames(kMay2007, 1, true);
  auto dateFromSequence = [&](std::size_t s) {
    Bytes dv = without;
    std::copy(with.begin() + static_cast<std::ptrdiff_t>(s * kDifSequenceSize), with.end(),
              dv.begin() + static_cast<std::ptrdiff_t>(s * kDifSequenceSize));
    return dv;
  };
  ExpectTime(Probe(kKindDV, dateFromSequence(9)), kMay2007);
  ExpectNoTime(Probe(kKindDV, dateFromSequence(10)));

  Chunk chunk(NameFor(kKindDV));
  MemoryFile file(without);
  EXPECT_EQ(ScanDifSequences(chunk, file, 0), 1);
  EXPECT_LE(file.BytesRead(), 10u * 480);
}

TEST(DifProbe, DataThatDoesNotStartWithADifHeaderIsNotDv) {
  Bytes dv = DvFrames(kMay2007);
  dv.erase(dv.begin(), dv.begin() + 3 * kDifBlockSize);  // now begins with the VAUX blocks
  Chunk chunk(NameFor(kKindDV));
  MemoryFile file(dv);
  EXPECT_EQ(ScanDifSequences(chunk, file, 0), -1);
  EXPECT_EQ(file.BytesRead(), 240u);
  ExpectNoTime(Probe(kKindDV, dv));
}

TEST(DifProbe, ScansFromTheGivenBase) {
  const Bytes dv = Concat(Bytes(1000, 0x00), DvFrames(kMay2007));
  Chunk chunk(NameFor(kKindDV));
  MemoryFile file(dv);
  EXPECT_EQ(ScanDifSequences(chunk, file, 0), -1);
  EXPECT_EQ(ScanDifSequences(chunk, file, 1000), 0);
  EXPECT_EQ(chunk.recordingTime, LocalTime(kMay2007));
}

TEST(DifProbe, ADvFileOfAFewBytesHasNoTime) {
  const Bytes dv = DvFrames(kMay2007);
  for (std::size_t size : {std::size_t{0}, std::size_t{5}, std::size_t{239}, std::size_t{240}, std::size_t{479}}) {
    SCOPED_TRACE(size);
    Chunk chunk(NameFor(kKindDV));
    MemoryFile file(Bytes(dv.begin(), dv.begin() + static_cast<std::ptrdiff_t>(size)));
    EXPECT_EQ(ScanDifSequences(chunk, file, 0), 1);
    ExpectNoTime(Probe(kKindDV, Bytes(dv.begin(), dv.begin() + static_cast<std::ptrdiff_t>(size))));
  }
  // The first sequence's blocks 0 to 5 are all it takes.
  ExpectTime(Probe(kKindDV, Bytes(dv.begin(), dv.begin() + 480)), kMay2007);
}

TEST(DifProbe, AFailedSeekIsReportedApart) {
  Chunk chunk(NameFor(kKindDV));
  MemoryFile file(DvFrames(kMay2007));
  file.FailSeeksAfter(0);
  EXPECT_EQ(ScanDifSequences(chunk, file, 0), -2);

  // A base so far out that the later sequences' positions cannot be formed.
  MemoryFile far(DvFrames(kMay2007));
  EXPECT_EQ(ScanDifSequences(chunk, far, std::numeric_limits<std::uint64_t>::max()), -2);
}

// ---------------------------------------------------------------------------------------
// AVI

TEST(AviProbe, FindsTheTimeWithAbsoluteIndexOffsets) {
  ExpectTime(Probe(kKindAVI, AviWithDv(DvFrames(kMay2007, 2), kNtscFrameSize, AviOffsets::Absolute)), kMay2007);
}

TEST(AviProbe, FindsTheTimeWithOffsetsCountedFromTheMoviList) {
  ExpectTime(Probe(kKindAVI, AviWithDv(DvFrames(kMay2007, 2), kNtscFrameSize, AviOffsets::RelativeToMovi)),
             kMay2007);
  ExpectTime(Probe(kKindAVI, AviWithDv(DvFrames(kNewYear1999, 3, true), kPalFrameSize, AviOffsets::RelativeToMovi)),
             kNewYear1999);
}

TEST(AviProbe, TheFirstIndexEntryDecidesHowOffsetsCountEvenWhenItIsAudio) {
  const Bytes dv = DvFrames(kMay2007, 2);
  std::vector<AviChunk> movi{{{'0', '1', 'w', 'b'}, Bytes(4000, 0x11)}};
  for (std::size_t f = 0; f < 2; ++f)
    movi.push_back({{'0', '0', 'd', 'c'},
                    Bytes(dv.begin() + static_cast<std::ptrdiff_t>(f * kNtscFrameSize),
                          dv.begin() + static_cast<std::ptrdiff_t>((f + 1) * kNtscFrameSize))});
  ExpectTime(Probe(kKindAVI, AviFile(movi, AviOffsets::RelativeToMovi)), kMay2007);
  ExpectTime(Probe(kKindAVI, AviFile(movi, AviOffsets::Absolute)), kMay2007);
}

TEST(AviProbe, AFileWithoutAMoviListKeepsAbsoluteOffsets) {
  for (AviOffsets offsets : {AviOffsets::Absolute, AviOffsets::RelativeToMovi}) {
    Bytes avi = AviWithDv(DvFrames(kMay2007, 2), kNtscFrameSize, offsets);
    avi[FindFourcc(avi, "movi") + 3] = 'x';  // the list is now a "movx" list
    const Probed p = Probe(kKindAVI, avi);
    if (offsets == AviOffsets::Absolute)
      ExpectTime(p, kMay2007);
    else
      ExpectNoTime(p);
  }
}

TEST(AviProbe, AnIndexOfOnlyAudioEntriesHasNoTime) {
  std::vector<AviChunk> movi(6, AviChunk{{'0', '1', 'w', 'b'}, Bytes(4004, 0x00)});
  movi[2].data = DvFrames(kMay2007);  // a whole DV frame, but not listed as one
  movi[2].data.resize(119999);
  ExpectNoTime(Probe(kKindAVI, AviFile(movi, AviOffsets::RelativeToMovi)));
}

TEST(AviProbe, AnIndexWithExactlyOneEntryIsNotExamined) {
  for (AviOffsets offsets : {AviOffsets::Absolute, AviOffsets::RelativeToMovi})
    ExpectNoTime(Probe(kKindAVI, AviWithDv(DvFrames(kMay2007, 1), kNtscFrameSize, offsets)));
}

TEST(AviProbe, FilesThatAreNotAviHaveNoTime) {
  Bytes avi = AviWithDv(DvFrames(kMay2007, 2), kNtscFrameSize, AviOffsets::Absolute);
  Bytes wave = avi;
  wave[8] = 'W';
  ExpectNoTime(Probe(kKindAVI, wave));
  ExpectNoTime(Probe(kKindAVI, DvFrames(kMay2007, 2)));
  ExpectNoTime(Probe(kKindAVI, Bytes(avi.begin(), avi.begin() + 11)));

  // All there but the index.
  avi.resize(FindFourcc(avi, "idx1"));
  ExpectNoTime(Probe(kKindAVI, avi));
}

TEST(AviProbe, AFrameOutsideTheFileIsPassedOverForTheNextEntry) {
  Bytes avi = AviWithDv(DvFrames(kMay2007, 3), kNtscFrameSize, AviOffsets::Absolute);
  const std::size_t entries = FindFourcc(avi, "idx1") + 8;
  PutLe32(avi, entries + 8, 0x7FFFFFF0);
  ExpectTime(Probe(kKindAVI, avi), kMay2007);  // found through the second entry
}

TEST(AviProbe, IndexOffsetsBeforeTheFileStartFindNoTime) {
  for (std::uint32_t offset : {0x80000000u, 0xFFFFFFF0u, 0xFFFFFFFFu}) {
    SCOPED_TRACE(offset);
    Bytes avi = AviWithDv(DvFrames(kMay2007, 3), kNtscFrameSize, AviOffsets::RelativeToMovi);
    const std::size_t entries = FindFourcc(avi, "idx1") + 8;
    PutLe32(avi, entries + 8, offset);
    PutLe32(avi, entries + 16 + 8, offset);
    ExpectNoTime(Probe(kKindAVI, avi));

    avi[FindFourcc(avi, "movi") + 3] = 'x';  // no movi list: the offsets are taken as absolute
    ExpectNoTime(Probe(kKindAVI, avi));
  }
}

TEST(AviProbe, ChunkSizesThatRunPastTheFileFindNoTime) {
  const Bytes good = AviWithDv(DvFrames(kMay2007, 2), kNtscFrameSize, AviOffsets::Absolute);
  Bytes avi = good;
  PutLe32(avi, 12 + 4, 0xFFFFFFFF);  // the hdrl list
  ExpectNoTime(Probe(kKindAVI, avi));

  avi = good;
  PutLe32(avi, FindFourcc(avi, "movi") - 4, 0xFFFFFFF7);  // the movi list
  ExpectNoTime(Probe(kKindAVI, avi));
}

TEST(AviProbe, AnIndexTooSmallForOneEntryIsNotReadPastItsEnd) {
  Bytes avi = AviWithDv(DvFrames(kMay2007, 2), kNtscFrameSize, AviOffsets::Absolute);
  const std::size_t idx1 = FindFourcc(avi, "idx1");
  for (std::uint32_t size : {0u, 4u, 7u}) {
    PutLe32(avi, idx1 + 4, size);  // the entries are still there, but outside the chunk
    ExpectNoTime(Probe(kKindAVI, avi));
  }
}

TEST(AviProbe, OnlyTheFirstTenIndexEntriesAreLookedAt) {
  const Bytes dv = DvFrames(kMay2007, 2);
  auto aviAfterAudio = [&](std::size_t audioChunks) {
    std::vector<AviChunk> movi(audioChunks, AviChunk{{'0', '1', 'w', 'b'}, Bytes(100, 0x00)});
    for (std::size_t f = 0; f < 2; ++f)
      movi.push_back({{'0', '0', 'd', 'c'},
                      Bytes(dv.begin() + static_cast<std::ptrdiff_t>(f * kNtscFrameSize),
                            dv.begin() + static_cast<std::ptrdiff_t>((f + 1) * kNtscFrameSize))});
    return AviFile(movi, AviOffsets::RelativeToMovi);
  };
  ExpectTime(Probe(kKindAVI, aviAfterAudio(9)), kMay2007);  // the first frame is entry ten
  ExpectNoTime(Probe(kKindAVI, aviAfterAudio(10)));

  // An index that claims more than the file holds ends at the file's end.
  Bytes avi = aviAfterAudio(3);
  PutLe32(avi, FindFourcc(avi, "idx1") + 4, 0xFFFFFFFF);
  ExpectTime(Probe(kKindAVI, avi), kMay2007);
  avi = AviFile(std::vector<AviChunk>(3, AviChunk{{'0', '1', 'w', 'b'}, Bytes(100, 0x00)}), AviOffsets::Absolute);
  PutLe32(avi, FindFourcc(avi, "idx1") + 4, 0xFFFFFFFF);
  ExpectNoTime(Probe(kKindAVI, avi));
}

TEST(AviProbe, AWalkOfEndlessEmptyChunksGivesUp) {
  const Bytes good = AviWithDv(DvFrames(kMay2007, 2), kNtscFrameSize, AviOffsets::RelativeToMovi);
  Bytes junk;
  for (int i = 0; i < 3000; ++i) junk.insert(junk.end(), {'J', 'U', 'N', 'K', 0, 0, 0, 0});
  Bytes avi(good.begin(), good.begin() + 12);
  avi.insert(avi.end(), junk.begin(), junk.end());
  avi.insert(avi.end(), good.begin() + 12, good.end());
  const Probed p = Probe(kKindAVI, avi);
  ExpectNoTime(p);
  EXPECT_LT(p.bytesRead, 2000u * 8);

  // A few such chunks, as capture tools leave, are simply stepped over.
  avi.assign(good.begin(), good.begin() + 12);
  avi.insert(avi.end(), junk.begin(), junk.begin() + 5 * 8);
  avi.insert(avi.end(), good.begin() + 12, good.end());
  ExpectTime(Probe(kKindAVI, avi), kMay2007);
}

// ---------------------------------------------------------------------------------------
// The probe as the copy engine uses it

TEST(RecordingTimeProbe, LeavesTheFilePositionAsItFoundIt) {
  const Bytes dv = DvFrames(kMay2007, 2);
  const Bytes avi = AviWithDv(dv, kNtscFrameSize, AviOffsets::RelativeToMovi);
  EXPECT_EQ(Probe(kKindM2T, TransportStream({.date = kMay2007}), 0).positionAfter, 0u);
  EXPECT_EQ(Probe(kKindDV, dv, 4321).positionAfter, 4321u);
  EXPECT_EQ(Probe(kKindAVI, avi, 77).positionAfter, 77u);
  EXPECT_EQ(Probe(kKindAVI, Bytes(20, 0x00), 3).positionAfter, 3u);  // nothing found
  EXPECT_EQ(Probe(-1, dv, 9).positionAfter, 9u);
}

TEST(RecordingTimeProbe, AChunkOfNoKnownKindIsProbedWithoutReading) {
  const Probed p = Probe(-1, DvFrames(kMay2007));
  ExpectNoTime(p);
  EXPECT_EQ(p.bytesRead, 0u);
}

TEST(RecordingTimeProbe, AFileWhosePositionCannotBeToldGoesBackToItsStart) {
  MemoryFile file(DvFrames(kMay2007));
  file.Seek(500);
  file.FailTell();
  Chunk chunk(NameFor(kKindDV));
  EXPECT_TRUE(ProbeRecordingTime(chunk, file));
  EXPECT_EQ(file.Position(), 0u);
}

TEST(RecordingTimeProbe, AFailedSeekBackIsAFailureButKeepsTheFinding) {
  // DV: seek to the base, seek to the first sequence, then the seek back.
  MemoryFile file(DvFrames(kMay2007));
  file.FailSeeksAfter(2);
  Chunk chunk(NameFor(kKindDV));
  EXPECT_FALSE(ProbeRecordingTime(chunk, file));
  EXPECT_TRUE(chunk.probed);
  EXPECT_TRUE(chunk.timeValid);
  EXPECT_EQ(chunk.recordingTime, LocalTime(kMay2007));
}

TEST(RecordingTimeProbe, SeeksThatFailInsideAnAviFindNoTime) {
  const Bytes avi = AviWithDv(DvFrames(kMay2007, 2), kNtscFrameSize, AviOffsets::RelativeToMovi);
  // Header, three top-level chunks, the first entry, the frame and its first sequence.
  for (int allowed = 0; allowed < 7; ++allowed) {
    MemoryFile file(avi);
    file.FailSeeksAfter(allowed);
    Chunk chunk(NameFor(kKindAVI));
    EXPECT_FALSE(ProbeRecordingTime(chunk, file)) << allowed;
    EXPECT_FALSE(chunk.timeValid) << allowed;
  }
}

// ---------------------------------------------------------------------------------------
// Hostile bytes: every byte of the headers, in turn, set to telling values. The probe must
// end, read within its bounds, keep the position and either find a time or report none.

void ExpectSurvivesByteMutations(int kind, const Bytes& good, std::size_t from, std::size_t to,
                                 std::uint64_t maxBytesRead) {
  Bytes bytes = good;
  for (std::size_t at = from; at < to && at < good.size(); ++at) {
    for (std::uint8_t value : {std::uint8_t{0x00}, std::uint8_t{0xFF}, std::uint8_t{0x80}, std::uint8_t{0x7F},
                               static_cast<std::uint8_t>(good[at] ^ 0x01)}) {
      bytes[at] = value;
      const Probed p = Probe(kind, bytes, 5);
      ASSERT_EQ(p.positionAfter, 5u) << at;
      ASSERT_TRUE(p.chunk.probed);
      ASSERT_EQ(p.result, p.chunk.timeValid);
      if (!p.chunk.timeValid) {
        ASSERT_EQ(p.chunk.recordingTime, 0) << at;
      }
      ASSERT_LE(p.bytesRead, maxBytesRead) << at;
    }
    bytes[at] = good[at];
  }
}

TEST(HostileMedia, TransportStreamHeadersAndPacksOfAnyValue) {
  // The probe starts at position 5 here, so the stream is laid out from there.
  const Bytes ts = Concat(Bytes(5, 0x47), TransportStream({.date = kMay2007, .packets = 40}));
  ExpectSurvivesByteMutations(kKindM2T, ts, 5, 5 + 3 * kTsPacketSize, 40 * kTsPacketSize);
}

TEST(HostileMedia, DifBlocksOfAnyValue) {
  ExpectSurvivesByteMutations(kKindDV, DvFrames(kMay2007), 0, 480, 10 * 480);
}

TEST(HostileMedia, AviChunkHeadersAndIndexEntriesOfAnyValue) {
  const Bytes avi = AviWithDv(DvFrames(kMay2007, 3), kNtscFrameSize, AviOffsets::RelativeToMovi);
  const std::size_t movi = FindFourcc(avi, "movi");
  const std::size_t idx1 = FindFourcc(avi, "idx1");
  const std::uint64_t bound = 12 + 1024 * 12 + 10 * (16 + 10 * 480);
  ExpectSurvivesByteMutations(kKindAVI, avi, 0, 24, bound);
  ExpectSurvivesByteMutations(kKindAVI, avi, movi - 8, movi + 12, bound);
  ExpectSurvivesByteMutations(kKindAVI, avi, idx1, avi.size(), bound);
}

// ---------------------------------------------------------------------------------------
// Real recordings

TEST(RealMedia, ACamcorderFragmentGivesItsRecordingTime) {
  // 4,400 bytes: only the first DIF sequence's header, subcode and VAUX blocks.
  const Probed p = Probe(kKindDV, ReadTestData("camcorder-pal-2010-02-16.dv"));
  ASSERT_TRUE(p.result);
  EXPECT_EQ(Fields(p.chunk.recordingTime), "2010-02-16 21:36:28");
}

TEST(RealMedia, FfmpegWithoutCreationTimeWritesTwoDigitYear70) {
  // ffmpeg means 1970-01-01; the two-digit year reads as 2070.
  const Probed p = Probe(kKindDV, ReadTestData("ffmpeg-pal-no-creation-time.dv"));
  ASSERT_TRUE(p.result);
  EXPECT_EQ(Fields(p.chunk.recordingTime), "2070-01-01 00:00:00");
}

TEST(RealMedia, FfmpegDvAndItsAviCopyGiveTheCreationTimeFields) {
  // ffmpeg writes creation_time's UTC fields; they are read as local fields.
  const Probed dv = Probe(kKindDV, ReadTestData("ffmpeg-ntsc-2007-05-31.dv"));
  ASSERT_TRUE(dv.result);
  EXPECT_EQ(Fields(dv.chunk.recordingTime), "2007-05-31 14:23:14");

  const Probed avi = Probe(kKindAVI, ReadTestData("ffmpeg-ntsc-2007-05-31.avi"));
  ASSERT_TRUE(avi.result);
  EXPECT_EQ(Fields(avi.chunk.recordingTime), "2007-05-31 14:23:14");
}

TEST(RealMedia, FfmpegOfTodayWritesDvAndAviThatGiveTheirTime) {
  if (std::system("ffmpeg -version >/dev/null 2>&1") != 0) GTEST_SKIP() << "ffmpeg is not installed";
  TempDir dir;
  const std::string dv = (dir.Path() / "pal.dv").string();
  const std::string avi = (dir.Path() / "pal.avi").string();
  const std::string make =
      "ffmpeg -nostdin -hide_banner -loglevel error -y -f lavfi -i testsrc=size=720x576:rate=25 -frames:v 3 "
      "-metadata creation_time=1999-12-31T23:59:59Z -target pal-dv '" + dv + "' && "
      "ffmpeg -nostdin -hide_banner -loglevel error -y -i '" + dv + "' -c copy '" + avi + "'";
  ASSERT_EQ(std::system(make.c_str()), 0) << make;

  const Probed fromDv = Probe(kKindDV, ReadFile(dv));
  ASSERT_TRUE(fromDv.result);
  EXPECT_EQ(Fields(fromDv.chunk.recordingTime), "1999-12-31 23:59:59");

  const Bytes aviBytes = ReadFile(avi);
  const std::size_t idx1 = FindFourcc(aviBytes, "idx1");
  ASSERT_LT(idx1, aviBytes.size());
  EXPECT_LT(GetLe32(aviBytes, idx1 + 8 + 8), FindFourcc(aviBytes, "movi"));  // offsets count from movi
  const Probed fromAvi = Probe(kKindAVI, aviBytes);
  ASSERT_TRUE(fromAvi.result);
  EXPECT_EQ(Fields(fromAvi.chunk.recordingTime), "1999-12-31 23:59:59");
}

}  // namespace
}  // namespace quillon
