// What the copy writes: outputs joined and split where the stream says, named, replaced or kept
// as the answers say, synced and checked before they take their names, and what a full disk, a
// moved destination or a file that cannot be deleted leave behind. Each clip goes through a
// whole import, as the copy only ever runs in one.
#include "import/CopyEngine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>

#include "import/RescueMap.h"
#include "platform/Path.h"
#include "platform/Text.h"
#include "support/FaultyFileSystem.h"
#include "support/MediaBytes.h"
#include "support/RecordingEvents.h"
#include "support/TempDir.h"
#include "support/UnitTree.h"

namespace quillon {
namespace {

namespace fs = std::filesystem;
using testsupport::FaultyFileSystem;
using testsupport::FileOp;
using testsupport::ReadFile;
using testsupport::RecordingEvents;
using testsupport::TempDir;
using Bytes = std::vector<unsigned char>;

// Chunk bytes whose first packet header carries the given PID.
Bytes PacketBytes(std::uint16_t pid, std::size_t size, unsigned char fill) {
  Bytes b(size, fill);
  if (size > 0) b[0] = 0x47;
  if (size > 1) b[1] = static_cast<unsigned char>(0x40 | (pid >> 8));
  if (size > 2) b[2] = static_cast<unsigned char>(pid & 0xFF);
  return b;
}

Bytes Concat(const Bytes& a, const Bytes& b) {
  Bytes out = a;
  out.insert(out.end(), b.begin(), b.end());
  return out;
}

class CopyEngine : public ::testing::Test {
 protected:
  CopyEngine() {
    fs::create_directories(unit.Path() / "VIDEO" / "QVT");
    fs::create_directories(dest.Path());
  }

  // Writes a chunk file into the unit's flat folder and returns its path.
  std::u16string Put(const std::string& name, const Bytes& bytes) {
    const fs::path p = unit.Path() / "VIDEO" / "QVT" / name;
    testsupport::WriteFile(p, bytes);
    return platform::FromUtf8(p.string());
  }

  // A flat clip of the given chunk files: the first begins an output, M2T chunks continue.
  Clip FlatClip(std::uint32_t kindBits, const std::vector<std::u16string>& paths) {
    Clip clip(ClipSource::Flat, unit.U16("VIDEO/QVT"), u"ABC0001");
    for (const auto& p : paths) clip.chunks.emplace_back(p);
    clip.chunks.front().continues = false;
    clip.kindBits = kindBits;
    return clip;
  }

  ImportRequest Request(std::vector<Clip> clips, OverwritePolicy policy = OverwritePolicy::Ask) {
    ImportRequest request;
    request.clips = std::move(clips);
    request.unitRoot = unit.U16();
    request.destination = dest.U16();
    request.overwrite = policy;
    request.prefix = 3;
    request.rescue = rescue;
    return request;
  }
  ImportOutcome Copy(std::vector<Clip> clips, OverwritePolicy policy = OverwritePolicy::Ask) {
    return testsupport::RunToEnd(Request(std::move(clips), policy), events);
  }
  ImportOutcome Copy(const Clip& clip, OverwritePolicy policy = OverwritePolicy::Ask) {
    return Copy(std::vector<Clip>{clip}, policy);
  }

  std::vector<std::string> DestFiles() const { return testsupport::EntryNames(dest.Path()); }

  Bytes Dest(const std::string& name) const { return ReadFile(dest.Path() / name); }

  TempDir unit, dest;
  RecordingEvents events;
  bool rescue = false;
};

TEST_F(CopyEngine, JoinsContinuedStreamChunksAndSplitsWhereTheStreamRestarts) {
  const Bytes a = PacketBytes(0x0810, 3000, 0xA1), b = PacketBytes(0x0000, 2500, 0xB2),
              c = PacketBytes(0x001E, 1500, 0xC3);
  const ImportOutcome outcome =
      Copy(FlatClip(1, {Put("ABC0001_A.M2T", a), Put("ABC0001_B.M2T", b), Put("ABC0001_C.M2T", c)}));

  EXPECT_EQ(DestFiles(), (std::vector<std::string>{"ABC0001_A.M2T", "ABC0001_C.M2T"}));
  EXPECT_EQ(Dest("ABC0001_A.M2T"), Concat(a, b));
  EXPECT_EQ(Dest("ABC0001_C.M2T"), c);
  ASSERT_EQ(outcome.written.size(), 2u);
  EXPECT_EQ(outcome.written[0].bytes, 5500u);
  EXPECT_EQ(outcome.bytesWritten, 7000u);
  const auto progress = events.All<ProgressEvent>();
  ASSERT_FALSE(progress.empty());
  EXPECT_EQ(progress.back().bytesDone, 7000u) << "progress counts exact bytes";
  EXPECT_EQ(progress.back().bytesTotal, 7000u);
}

TEST_F(CopyEngine, ContinuedChunkThatIsNoStreamPacketBeginsItsOwnFile) {
  const Bytes tiny = {0x47, 0x40};  // too short for a packet header: copied on its own
  Copy(FlatClip(1, {Put("ABC0001_A.M2T", PacketBytes(0x810, 10, 1)), Put("ABC0001_B.M2T", Bytes(100, 0)),
                    Put("ABC0001_C.M2T", tiny)}));
  EXPECT_EQ(DestFiles(), (std::vector<std::string>{"ABC0001_A.M2T", "ABC0001_B.M2T", "ABC0001_C.M2T"}));
  EXPECT_EQ(Dest("ABC0001_C.M2T"), tiny);
}

TEST_F(CopyEngine, MixedClipAppendsStreamChunksUntestedAndGivesEachDvFileItsOwnOutput) {
  const Bytes a = PacketBytes(0x810, 500, 1), b = Bytes(300, 0x00), d1 = Bytes(200, 0xD1), d2 = Bytes(100, 0xD2);
  Copy(FlatClip(3, {Put("ABC0001_A.M2T", a), Put("ABC0001_B.M2T", b), Put("ABC0001X.DV", d1), Put("ABC0001Y.DV", d2)}));
  EXPECT_EQ(Dest("ABC0001_A.M2T"), Concat(a, b));
  EXPECT_EQ(Dest("ABC0001X.DV"), d1);
  EXPECT_EQ(Dest("ABC0001Y.DV"), d2);
}

TEST_F(CopyEngine, AnsweringNoSkipsEveryChunkOfThatFileAndCountsItAsDone) {
  const Bytes big = PacketBytes(0x810, 5 * 1024, 7);
  testsupport::WriteFile(dest.Path() / "ABC0001_A.M2T", "old");
  events.SetAnswers({OverwriteAnswer::No});
  const ImportOutcome outcome =
      Copy(FlatClip(1, {Put("ABC0001_A.M2T", big), Put("ABC0001_B.M2T", big), Put("ABC0001_C.M2T", big)}));
  EXPECT_EQ(events.Asked().size(), 1u);
  EXPECT_EQ(events.All<ProgressEvent>().back().bytesDone, 15u * 1024);
  EXPECT_EQ(Dest("ABC0001_A.M2T"), Bytes({'o', 'l', 'd'}));
  ASSERT_EQ(outcome.kept.size(), 1u);
  EXPECT_EQ(outcome.kept[0].why, KeptBecause::Choice);
  EXPECT_TRUE(outcome.failures.empty());
}

TEST_F(CopyEngine, OverwriteAnswersHoldForTheRestOfTheImport) {
  const Bytes x = Bytes(64, 0x11);
  const Clip clip = FlatClip(2, {Put("ABC0001A.DV", x), Put("ABC0001B.DV", x), Put("ABC0001C.DV", x)});
  struct Case {
    std::vector<OverwriteAnswer> answers;
    std::size_t asked;
    std::vector<std::string> replaced;
  };
  const Case cases[] = {
      {{OverwriteAnswer::Yes, OverwriteAnswer::YesToAll}, 2, {"ABC0001A.DV", "ABC0001B.DV", "ABC0001C.DV"}},
      {{OverwriteAnswer::No, OverwriteAnswer::NoToAll}, 2, {}},
      {{OverwriteAnswer::NoToAll}, 1, {}},
      {{OverwriteAnswer::No, OverwriteAnswer::Yes, OverwriteAnswer::No}, 3, {"ABC0001B.DV"}},
  };
  for (const Case& c : cases) {
    for (const char* n : {"ABC0001A.DV", "ABC0001B.DV", "ABC0001C.DV"}) testsupport::WriteFile(dest.Path() / n, "old");
    RecordingEvents answered({c.answers.begin(), c.answers.end()});
    ImportRequest request;
    request.clips = {clip};
    request.destination = dest.U16();
    const ImportOutcome outcome = testsupport::RunToEnd(std::move(request), answered);
    EXPECT_EQ(answered.Asked().size(), c.asked);
    std::vector<std::string> replaced;
    for (const PlacedOutput& o : outcome.written) replaced.push_back(platform::ToUtf8(platform::LastComponent(o.path)));
    EXPECT_EQ(replaced, c.replaced);
    for (const char* n : {"ABC0001A.DV", "ABC0001B.DV", "ABC0001C.DV"}) {
      const bool isNew = std::find(replaced.begin(), replaced.end(), n) != replaced.end();
      EXPECT_EQ(Dest(n), isNew ? x : Bytes({'o', 'l', 'd'})) << n;
    }
  }
}

TEST_F(CopyEngine, AFullDiskFailsTheClipAndLaterExistingFilesAreKeptWithAWordWhy) {
  FaultyFileSystem faulty;
  faulty.SetCapacity(5000);
  platform::ScopedFileSystem use(faulty);
  testsupport::WriteFile(dest.Path() / "DEF0001B.DV", "old");
  Clip first = FlatClip(2, {Put("ABC0001A.DV", Bytes(8000, 1))});
  Clip second(ClipSource::Flat, unit.U16("VIDEO/QVT"), u"DEF0001");
  second.chunks.emplace_back(Put("DEF0001B.DV", Bytes(100, 2)));
  second.chunks.emplace_back(Put("DEF0001C.DV", Bytes(100, 3)));
  second.kindBits = 2;
  faulty.OnNth(FileOp::Create, 2, [&faulty] { faulty.SetCapacity(UINT64_MAX); });  // room again for C

  const ImportOutcome outcome = Copy({first, second}, OverwritePolicy::ReplaceAll);
  ASSERT_EQ(outcome.failures.size(), 2u);
  EXPECT_EQ(outcome.failures[0].kind, FailureKind::OutputWrite);
  // Once a write failed, an existing file is no longer replaced, and the report says why.
  EXPECT_EQ(outcome.failures[1].kind, FailureKind::ExistsAfterWriteFailure);
  EXPECT_EQ(outcome.failures[1].file, u"DEF0001B.DV");
  ASSERT_EQ(outcome.kept.size(), 1u);
  EXPECT_EQ(outcome.kept[0].why, KeptBecause::WriteFailed);
  EXPECT_EQ(Dest("DEF0001B.DV"), Bytes({'o', 'l', 'd'}));
  EXPECT_EQ(Dest("DEF0001C.DV"), Bytes(100, 3)) << "a new output is still written while there is room";
  EXPECT_EQ(DestFiles(), (std::vector<std::string>{"DEF0001B.DV", "DEF0001C.DV"}));
}

TEST_F(CopyEngine, FolderClipsAreNamedByPrefixFolderNumberAndStamp) {
  Clip clip(ClipSource::Folder, unit.U16("DVF/001DVF"), u"001DVF");
  fs::create_directories(unit.Path() / "DVF" / "001DVF");
  for (const char* n : {"A.DV", "B.DV"}) {
    testsupport::WriteFile(unit.Path() / "DVF" / "001DVF" / n, std::string(100, 'x'));
    clip.chunks.emplace_back(unit.U16(std::string("DVF/001DVF/") + n));
  }
  clip.kindBits = 2;
  Copy(clip);
  const auto files = DestFiles();
  ASSERT_EQ(files.size(), 2u);
  for (const auto& f : files) {
    EXPECT_EQ(f.substr(0, 8), "03_0001_");
    EXPECT_NE(f.find("_No_Time.DV"), std::string::npos) << f;
  }
  EXPECT_NE(files[0], files[1]);  // no-time stamps never repeat within a run
}

TEST_F(CopyEngine, TwoRecordingsOfOneNameInOneImportBothArrive) {
  // A numbered-folder clip whose two DV files were recorded in the same second.
  const testsupport::RecDateTime when{2007, 5, 31, 14, 23, 14};
  Clip clip(ClipSource::Folder, unit.U16("DVF/001DVF"), u"001DVF");
  std::vector<Bytes> bytes;
  for (const char* n : {"A.DV", "B.DV"}) {
    const auto frames = testsupport::DvFrames(when, bytes.size() + 1);
    bytes.emplace_back(frames.begin(), frames.end());
    testsupport::WriteFile(unit.Path() / "DVF" / "001DVF" / n, bytes.back());
    clip.chunks.emplace_back(unit.U16(std::string("DVF/001DVF/") + n));
  }
  clip.kindBits = 2;
  const std::string first = "03_0001_2007-05-31_142314.DV", second = "03_0001_2007-05-31_142314_2.DV";
  for (const OverwritePolicy policy : {OverwritePolicy::ReplaceAll, OverwritePolicy::KeepAll, OverwritePolicy::Ask}) {
    fs::remove_all(dest.Path());
    fs::create_directories(dest.Path());
    const ImportOutcome outcome = Copy(clip, policy);
    EXPECT_EQ(DestFiles(), (std::vector<std::string>{first, second}));
    EXPECT_EQ(Dest(first), bytes[0]);
    EXPECT_EQ(Dest(second), bytes[1]);
    ASSERT_EQ(outcome.renamed.size(), 1u);
    EXPECT_EQ(outcome.renamed[0].to, dest.U16(second));
  }
}

TEST_F(CopyEngine, EachOutputIsSyncedAndCheckedBeforeItTakesItsNameAndKeepsItsLastChunksTime) {
  const std::u16string a = Put("ABC0001_A.M2T", PacketBytes(0x810, 3000, 1));
  const std::u16string b = Put("ABC0001_B.M2T", PacketBytes(0x810, 1000, 2));
  testsupport::SetMtime(unit.Path() / "VIDEO" / "QVT" / "ABC0001_A.M2T", 1200000000);
  testsupport::SetMtime(unit.Path() / "VIDEO" / "QVT" / "ABC0001_B.M2T", 1205489730);
  for (const bool verify : {true, false}) {
    fs::remove_all(dest.Path());
    fs::create_directories(dest.Path());
    FaultyFileSystem watcher;
    {
      platform::ScopedFileSystem use(watcher);
      ImportRequest request;
      request.clips = {FlatClip(1, {a, b})};
      request.destination = dest.U16();
      request.verify = verify;
      testsupport::RunToEnd(std::move(request), events);
    }
    std::string steps;
    for (const auto& call : watcher.Log()) {
      if (call.path != dest.U16("ABC0001_A.M2T")) continue;
      const char* step = call.op == FileOp::Create     ? "C"
                         : call.op == FileOp::Write    ? "w"
                         : call.op == FileOp::Sync     ? "S"
                         : call.op == FileOp::ReadBack ? "r"
                         : call.op == FileOp::Commit   ? "P"
                                                       : "?";
      if (steps.empty() || steps.back() != step[0]) steps += step;
    }
    EXPECT_EQ(steps, verify ? "CwSrP" : "CwSP");
    EXPECT_EQ(platform::NativeFiles().Status(dest.U16("ABC0001_A.M2T"))->lastWrite, 1205489730);
  }
}

TEST_F(CopyEngine, AnIncompleteCopyIsReportedAsRemovedOrAsLeftAndTheFileUnderItsNameStays) {
  const Clip clip = FlatClip(1, {Put("ABC0001_A.M2T", PacketBytes(0x810, 10 * 1024, 3))});
  for (const bool removable : {true, false}) {
    SCOPED_TRACE(removable);
    testsupport::WriteFile(dest.Path() / "ABC0001_A.M2T", "old");
    FaultyFileSystem faulty;
    if (!removable) faulty.FailAlways(FileOp::Remove, dest.U16());
    ImportJob* running = nullptr;
    faulty.OnNth(FileOp::Write, 2, [&running] { running->RequestStop(); }, dest.U16());
    ImportRequest request;
    request.clips = {clip};
    request.destination = dest.U16();
    request.overwrite = OverwritePolicy::ReplaceAll;
    RecordingEvents told;
    ImportJob job(std::move(request), told);
    running = &job;
    {
      platform::ScopedFileSystem use(faulty);
      job.Proceed();
      job.Start();
      job.Wait();
    }
    const ImportOutcome outcome = told.Outcome();
    EXPECT_TRUE(outcome.cancelled);
    EXPECT_EQ(Dest("ABC0001_A.M2T"), Bytes({'o', 'l', 'd'}));
    if (removable) {
      ASSERT_EQ(outcome.discarded.size(), 1u);
      EXPECT_EQ(outcome.discarded[0].path, dest.U16("ABC0001_A.M2T"));
      EXPECT_TRUE(outcome.discarded[0].existing) << "the file under the name was left as it was";
      EXPECT_EQ(DestFiles(), std::vector<std::string>{"ABC0001_A.M2T"});
    } else {
      EXPECT_TRUE(outcome.discarded.empty());
      ASSERT_EQ(outcome.notRemoved.size(), 1u);
      EXPECT_EQ(outcome.notRemoved[0].error, platform::ErrorText(EIO));  // the fault injected
      EXPECT_EQ(platform::ParentPart(outcome.notRemoved[0].path), dest.U16());
    }
    fs::remove_all(dest.Path());
    fs::create_directories(dest.Path());
  }
}

TEST_F(CopyEngine, ADestinationMovedDuringTheImportKeepsItsFilesTogetherAndTheReportSaysWhere) {
#ifdef _WIN32
  GTEST_SKIP() << "an open folder cannot be renamed on Windows";
#endif
  Clip first = FlatClip(2, {Put("ABC0001A.DV", Bytes(3000, 1))});
  Clip second = FlatClip(2, {Put("ABC0001B.DV", Bytes(3000, 2))});
  second.name = u"ABC0002";
  const fs::path moved = dest.Path().string() + "-moved";
  FaultyFileSystem watcher;
  // While the second clip is copied, the user renames the folder and makes a new one of its name.
  watcher.OnNth(FileOp::Create, 2, [&] {
    fs::rename(dest.Path(), moved);
    fs::create_directories(dest.Path());
  });
  ImportOutcome outcome;
  {
    platform::ScopedFileSystem use(watcher);
    outcome = Copy({first, second});
  }
  EXPECT_TRUE(DestFiles().empty()) << "nothing lands in the new folder";
  ASSERT_EQ(outcome.written.size(), 2u);
  for (const PlacedOutput& o : outcome.written) {
    EXPECT_EQ(platform::ParentPart(o.path), platform::FromUtf8(moved.string()));
    EXPECT_TRUE(fs::exists(platform::ToUtf8(o.path))) << platform::ToUtf8(o.path);
  }
  EXPECT_EQ(outcome.destinationMovedTo, platform::FromUtf8(moved.string()));
  fs::remove_all(moved);
}

// A rescue: the unit's joined stream A+B and the stream C after it, with damage on the way.
class RescueCopy : public CopyEngine {
 protected:
  RescueCopy() {
    rescue = true;
    // Sizes as the unit's listing gives them, whatever a read of the files does later.
    for (Chunk& chunk : clip.chunks) chunk.Size();
  }
  Clip Clip3() const { return clip; }
  // The map beside a rescued output.
  RescueMap MapOf(const std::string& output) const {
    const Bytes text = Dest(output + ".map");
    RescueMapParse parsed = RescueMap::Parse(std::string(text.begin(), text.end()));
    EXPECT_TRUE(parsed.map) << parsed.error;
    return parsed.map.value_or(RescueMap());
  }
  // Whether the output holds the unit's bytes wherever the map says they were read.
  static bool HoldsWhatTheMapSays(const Bytes& output, const Bytes& unitBytes, const RescueMap& map) {
    if (output.size() != unitBytes.size()) return false;
    for (const RescueArea& area : map.Areas(AreaStatus::Finished)) {
      if (!std::equal(output.begin() + static_cast<std::ptrdiff_t>(area.pos),
                      output.begin() + static_cast<std::ptrdiff_t>(area.End()),
                      unitBytes.begin() + static_cast<std::ptrdiff_t>(area.pos))) {
        return false;
      }
    }
    return true;
  }
  // Bytes read from the unit's chunk files.
  std::uint64_t UnitBytesRead(const FaultyFileSystem& faulty) const {
    std::uint64_t bytes = 0;
    for (const auto& call : faulty.Log()) {
      if (call.op == FileOp::Read && call.path.rfind(unit.U16(), 0) == 0 && call.result > 0) {
        bytes += static_cast<std::uint64_t>(call.result);
      }
    }
    return bytes;
  }

  const Bytes a = PacketBytes(0x0810, 300000, 0xA1), b = PacketBytes(0x0000, 200000, 0xB2),
              c = PacketBytes(0x001E, 100000, 0xC3);
  const Bytes ab = Concat(a, b);
  Clip clip = FlatClip(1, {Put("ABC0001_A.M2T", a), Put("ABC0001_B.M2T", b), Put("ABC0001_C.M2T", c)});
};

TEST_F(RescueCopy, EveryByteTheUnitGivesIsCopiedAndTheRestIsMappedUnderANameThatSaysSo) {
  // 100000 + 4096 bytes into B is bad: whole 512-byte sectors of B around it are lost.
  const std::uint64_t bad = 99840, badEnd = 104448;
  struct Case {
    const char* what;
    std::function<void(FaultyFileSystem&)> damage;
    std::vector<std::string> files;
    std::uint64_t missing;  // of the rescued output, the first listed
  } const cases[] = {
      {"an area that never reads", [](FaultyFileSystem& f) { f.FailArea(u"ABC0001_B", 100000, 4096); },
       {"ABC0001_A-rescued.M2T", "ABC0001_A-rescued.M2T.map", "ABC0001_C.M2T"}, badEnd - bad},
      {"an area that reads on the third try", [](FaultyFileSystem& f) { f.FailArea(u"ABC0001_B", 100000, 4096, 2); },
       {"ABC0001_A.M2T", "ABC0001_C.M2T"}, 0},
      {"a chunk that cannot be opened", [](FaultyFileSystem& f) { f.FailAlways(FileOp::OpenRead, u"ABC0001_B"); },
       {"ABC0001_A-rescued.M2T", "ABC0001_A-rescued.M2T.map", "ABC0001_C.M2T"}, 200000},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    fs::remove_all(dest.Path());
    fs::create_directories(dest.Path());
    FaultyFileSystem faulty;
    k.damage(faulty);
    platform::ScopedFileSystem use(faulty);
    const ImportOutcome outcome = Copy(Clip3());
    EXPECT_EQ(DestFiles(), k.files);
    EXPECT_TRUE(outcome.failures.empty());
    EXPECT_EQ(Dest("ABC0001_C.M2T"), c);
    if (k.missing == 0) {
      EXPECT_EQ(Dest("ABC0001_A.M2T"), ab);
      EXPECT_TRUE(outcome.rescued.empty());
      continue;
    }
    const RescueMap map = MapOf("ABC0001_A-rescued.M2T");
    EXPECT_EQ(map.MissingBytes(), k.missing);
    EXPECT_TRUE(HoldsWhatTheMapSays(Dest("ABC0001_A-rescued.M2T"), ab, map));
    ASSERT_EQ(outcome.rescued.size(), 1u);
    EXPECT_EQ(outcome.rescued[0].missingBytes, k.missing);
    ASSERT_EQ(outcome.rescued[0].areas.size(), 1u);
    const DamagedArea& area = outcome.rescued[0].areas[0];
    EXPECT_EQ(area.offset + area.length, a.size() + (k.missing == b.size() ? b.size() : badEnd));
    EXPECT_EQ(outcome.DamagedClips(), std::vector<std::u16string>{u"ABC0001"});
  }
}

TEST_F(RescueCopy, ALaterRescueReadsOnlyWhatIsMissingAndAMapLeftBehindNeverClaimsTooMuch) {
  {
    FaultyFileSystem faulty;
    faulty.FailArea(u"ABC0001_B", 100000, 4096);
    platform::ScopedFileSystem use(faulty);
    Copy(Clip3());
  }
  const RescueMap first = MapOf("ABC0001_A-rescued.M2T");
  {
    // Half of the area reads now, but the new map cannot be put in place, as after a kill
    // between the output and its map: the older map says less than the output holds.
    FaultyFileSystem faulty;
    faulty.FailArea(u"ABC0001_B", 102048, 2048);
    faulty.FailNth(FileOp::Commit, 1, u".map");
    platform::ScopedFileSystem use(faulty);
    const ImportOutcome outcome = Copy(Clip3());
    ASSERT_EQ(outcome.failures.size(), 1u);
    EXPECT_EQ(outcome.failures[0].file, u"ABC0001_A-rescued.M2T.map");
    EXPECT_EQ(MapOf("ABC0001_A-rescued.M2T"), first);
    EXPECT_TRUE(HoldsWhatTheMapSays(Dest("ABC0001_A-rescued.M2T"), ab, first));
    EXPECT_LE(UnitBytesRead(faulty), first.MissingBytes()) << "what was read before is not read again";
  }
  FaultyFileSystem faulty;
  platform::ScopedFileSystem use(faulty);
  const ImportOutcome outcome = Copy(Clip3());
  // Besides the three bytes of B and of C that the plan reads, to tell where a stream goes on.
  EXPECT_LE(UnitBytesRead(faulty), first.MissingBytes() + 2 * 3);
  EXPECT_EQ(DestFiles(), (std::vector<std::string>{"ABC0001_A.M2T", "ABC0001_C.M2T"}));
  EXPECT_EQ(Dest("ABC0001_A.M2T"), ab);
  EXPECT_TRUE(outcome.rescued.empty());
  EXPECT_EQ(outcome.written.size(), 1u);
  EXPECT_EQ(outcome.kept.size(), 1u) << "C, complete since the first rescue";
}

TEST_F(RescueCopy, ACompleteCopyIsNeverReplacedNorARescuedFileWithoutAMapOfThisRecording) {
  testsupport::WriteFile(dest.Path() / "ABC0001_A.M2T", "whole");
  testsupport::WriteFile(dest.Path() / "ABC0001_C-rescued.M2T", Bytes(c.size(), 0));
  const ImportOutcome outcome = Copy(Clip3());
  ASSERT_EQ(outcome.kept.size(), 1u);
  EXPECT_EQ(outcome.kept[0].why, KeptBecause::Complete);
  EXPECT_EQ(Dest("ABC0001_A.M2T"), Bytes({'w', 'h', 'o', 'l', 'e'}));
  ASSERT_EQ(outcome.failures.size(), 1u);
  EXPECT_EQ(outcome.failures[0].kind, FailureKind::RescueUnmatched);
  EXPECT_EQ(Dest("ABC0001_C-rescued.M2T"), Bytes(c.size(), 0));
  EXPECT_EQ(DestFiles(), (std::vector<std::string>{"ABC0001_A.M2T", "ABC0001_C-rescued.M2T"}));
}

TEST_F(RescueCopy, ARescueStoppedMidwayKeepsWhatItReadForTheNextOne) {
  FaultyFileSystem faulty;
  faulty.FailArea(u"ABC0001_A", 0, 512);  // the output cannot come out complete
  ImportJob* running = nullptr;
  faulty.OnNth(FileOp::Read, 3, [&running] { running->RequestStop(); }, u"ABC0001_B");
  platform::ScopedFileSystem use(faulty);
  ImportJob job(Request({Clip3()}), events);
  running = &job;
  job.Proceed();
  job.Start();
  job.Wait();
  const ImportOutcome outcome = events.Outcome();
  EXPECT_TRUE(outcome.cancelled);
  EXPECT_EQ(DestFiles(), (std::vector<std::string>{"ABC0001_A-rescued.M2T", "ABC0001_A-rescued.M2T.map"}));
  const RescueMap map = MapOf("ABC0001_A-rescued.M2T");
  EXPECT_GT(map.Bytes(AreaStatus::NonTried), 0u) << "the rest is left for the next rescue";
  EXPECT_TRUE(HoldsWhatTheMapSays(Dest("ABC0001_A-rescued.M2T"), ab, map));
}

TEST_F(RescueCopy, AFaultOrAStopAtAnyStepOfReplacingThePairLeavesAMapThatNeverClaimsTooMuch) {
  // An earlier rescue left a pair; half of its bad area reads now. The new pair meets a fault,
  // or a stop as after a kill, at each step of being written: the output's and then the map's
  // temporary file is created, written, synced, read back and renamed into place.
  RescueMap earlier;  // the map of the earlier rescue
  const auto run = [&](const std::function<void(FaultyFileSystem&, ImportJob*&)>& arm) {
    fs::remove_all(dest.Path());
    fs::create_directories(dest.Path());
    {
      FaultyFileSystem faulty;
      faulty.FailArea(u"ABC0001_B", 100000, 4096);
      platform::ScopedFileSystem use(faulty);
      Copy(Clip3());
    }
    earlier = MapOf("ABC0001_A-rescued.M2T");
    FaultyFileSystem faulty;
    faulty.FailArea(u"ABC0001_B", 102048, 2048);
    ImportJob* running = nullptr;
    arm(faulty, running);
    RecordingEvents told;
    {
      platform::ScopedFileSystem use(faulty);
      ImportJob job(Request({Clip3()}), told);
      running = &job;
      job.Proceed();
      job.Start();
      job.Wait();
    }
    return std::make_pair(told.Outcome(), faulty.Log());
  };
  // Where each step falls: the output is the second file of its name created (after the
  // scratch file the rescue reads into), the map the file whose name says so.
  const std::vector<FaultyFileSystem::Call> log = run([](FaultyFileSystem&, ImportJob*&) {}).second;
  const std::u16string part = u"-rescued.M2T";
  const auto isMap = [](const std::u16string& path) { return path.ends_with(u".map"); };
  std::size_t outputFrom = 0;  // the log's index of the output's creation
  for (std::size_t i = 0, creates = 0; i < log.size(); ++i) {
    const auto& call = log[i];
    if (call.op == FileOp::Create && call.path.ends_with(part) && ++creates == 2) outputFrom = i;
  }
  ASSERT_GT(outputFrom, 0u);
  // The nth call of op on the pair's files that is the output's (or the map's) first.
  const auto nthOn = [&](FileOp op, bool map) {
    int nth = 0;
    for (std::size_t i = 0; i < log.size(); ++i) {
      const auto& call = log[i];
      if (call.op != op || call.path.find(part) == std::u16string::npos) continue;
      ++nth;
      if (map ? isMap(call.path) : (i >= outputFrom && !isMap(call.path))) return nth;
    }
    return 0;
  };
  for (const bool stop : {false, true}) {
    for (const FileOp op : {FileOp::Create, FileOp::Write, FileOp::Sync, FileOp::ReadBack, FileOp::Commit}) {
      for (const bool onMap : {false, true}) {
        const int nth = nthOn(op, onMap);
        if (nth == 0) continue;  // the map is not read back
        SCOPED_TRACE(std::to_string(static_cast<int>(op)) + (stop ? " stop at the " : " fault at the ") +
                     (onMap ? "map" : "output"));
        const auto [outcome, _] = run([&](FaultyFileSystem& faulty, ImportJob*& running) {
          if (stop) {
            faulty.OnNth(op, nth, [&running] { running->RequestStop(); }, part);
          } else {
            faulty.FailNth(op, nth, part);
          }
        });
        EXPECT_EQ(outcome.cancelled ? 1u : outcome.failures.size(), 1u) << "the step was met";
        EXPECT_EQ(DestFiles(), (std::vector<std::string>{"ABC0001_A-rescued.M2T", "ABC0001_A-rescued.M2T.map",
                                                         "ABC0001_C.M2T"}))
            << "no temporary file is left, and the pair is there";
        const RescueMap map = MapOf("ABC0001_A-rescued.M2T");
        EXPECT_TRUE(map == earlier || map.MissingBytes() < earlier.MissingBytes());
        EXPECT_TRUE(HoldsWhatTheMapSays(Dest("ABC0001_A-rescued.M2T"), ab, map));
      }
    }
  }
}

}  // namespace
}  // namespace quillon
