#include "import/CopyEngine.h"

#include "catalogue/ClipCatalogue.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <deque>
#include <filesystem>

#include "import/CopyMessage.h"
#include "import/ImportContext.h"
#include "import/OutputPlan.h"
#include "platform/FileSystem.h"
#include "platform/Path.h"
#include "platform/Text.h"
#include "support/FakeFrontEnd.h"
#include "support/FaultyFileSystem.h"
#include "support/MediaBytes.h"
#include "support/TempDir.h"
#include "support/UnitTree.h"

namespace quillon {
namespace {

namespace fs = std::filesystem;
using testsupport::FaultyFileSystem;
using testsupport::FileOp;
using testsupport::ReadFile;
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
  CopyEngine() : env{context, naming, asker} {
    fs::create_directories(unit.Path() / "VIDEO" / "QVT");
    fs::create_directories(dest.Path());
    context.SetDestination(dest.U16());
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

  bool Copy(Clip& clip, ProgressCallback progress = nullptr) { return CopyChunks(clip, env, progress); }

  std::vector<std::string> DestFiles() const {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dest.Path())) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

  Bytes Dest(const std::string& name) const { return ReadFile(dest.Path() / name); }

  TempDir unit, dest;
  ImportContext context;
  NamingState naming;
  testsupport::FakeFrontEnd asker;
  CopyEnvironment env;
};

TEST_F(CopyEngine, JoinsContinuedStreamChunksAndSplitsWhereTheStreamRestarts) {
  const Bytes a = PacketBytes(0x0810, 3000, 0xA1), b = PacketBytes(0x0000, 2500, 0xB2),
              c = PacketBytes(0x001E, 1500, 0xC3);
  Clip clip = FlatClip(1, {Put("ABC0001_A.M2T", a), Put("ABC0001_B.M2T", b), Put("ABC0001_C.M2T", c)});

  int kib = 0;
  EXPECT_TRUE(Copy(clip, [&](std::uint32_t n) { kib += static_cast<int>(n); return false; }));

  EXPECT_EQ(DestFiles(), (std::vector<std::string>{"ABC0001_A.M2T", "ABC0001_C.M2T"}));
  EXPECT_EQ(Dest("ABC0001_A.M2T"), Concat(a, b));
  EXPECT_EQ(Dest("ABC0001_C.M2T"), c);
  EXPECT_EQ(kib, 3 + 3 + 2);  // one unit per block, a short last block included
  EXPECT_FALSE(context.outputOpen.load());
  EXPECT_EQ(context.Written().size(), 2u);
}

TEST_F(CopyEngine, ContinuedChunkThatIsNoStreamPacketBeginsItsOwnFile) {
  Bytes b(100, 0x00);
  const Bytes tiny = {0x47, 0x40};  // too short for a packet header: copied on its own
  Clip clip = FlatClip(1, {Put("ABC0001_A.M2T", PacketBytes(0x810, 10, 1)), Put("ABC0001_B.M2T", b),
                           Put("ABC0001_C.M2T", tiny)});
  EXPECT_TRUE(Copy(clip));
  EXPECT_EQ(DestFiles(), (std::vector<std::string>{"ABC0001_A.M2T", "ABC0001_B.M2T", "ABC0001_C.M2T"}));
  EXPECT_EQ(Dest("ABC0001_C.M2T"), tiny);
}

TEST_F(CopyEngine, MixedClipAppendsStreamChunksUntestedAndGivesEachDvFileItsOwnOutput) {
  const Bytes a = PacketBytes(0x810, 500, 1), b = Bytes(300, 0x00), d1 = Bytes(200, 0xD1), d2 = Bytes(100, 0xD2);
  Clip clip = FlatClip(3, {Put("ABC0001_A.M2T", a), Put("ABC0001_B.M2T", b), Put("ABC0001X.DV", d1),
                           Put("ABC0001Y.DV", d2)});
  EXPECT_TRUE(Copy(clip));
  EXPECT_EQ(Dest("ABC0001_A.M2T"), Concat(a, b));
  EXPECT_EQ(Dest("ABC0001X.DV"), d1);
  EXPECT_EQ(Dest("ABC0001Y.DV"), d2);
}

TEST_F(CopyEngine, AnsweringNoSkipsEveryChunkOfThatFileAndCountsItAsProgress) {
  const Bytes big = PacketBytes(0x810, 5 * 1024, 7);
  Clip clip = FlatClip(1, {Put("ABC0001_A.M2T", big), Put("ABC0001_B.M2T", big), Put("ABC0001_C.M2T", big)});
  testsupport::WriteFile(dest.Path() / "ABC0001_A.M2T", "old");
  asker.SetAnswers({kAnswerNo});
  std::vector<std::uint32_t> reports;
  EXPECT_TRUE(Copy(clip, [&](std::uint32_t n) { reports.push_back(n); return false; }));
  EXPECT_EQ(asker.Asked().size(), 1u);
  EXPECT_EQ(reports, (std::vector<std::uint32_t>{5, 5, 5}));
  EXPECT_EQ(Dest("ABC0001_A.M2T"), Bytes({'o', 'l', 'd'}));
  EXPECT_EQ(context.State(), Ask);
}

TEST_F(CopyEngine, OverwriteAnswersSetTheImportState) {
  const Bytes x = Bytes(64, 0x11);
  Clip clip = FlatClip(2, {Put("ABC0001A.DV", x), Put("ABC0001B.DV", x), Put("ABC0001C.DV", x)});
  for (const char* n : {"ABC0001A.DV", "ABC0001B.DV", "ABC0001C.DV"}) testsupport::WriteFile(dest.Path() / n, "old");

  asker.SetAnswers({kAnswerYes, kAnswerYesToAll});
  EXPECT_TRUE(Copy(clip));
  EXPECT_EQ(asker.Asked().size(), 2u);  // after "Yes to all" nobody is asked
  EXPECT_EQ(context.State(), OverwriteAll);
  EXPECT_EQ(Dest("ABC0001C.DV"), x);

  // A second import of the same clip.
  context.Reset();
  context.SetDestination(dest.U16());
  asker.SetAnswers({kAnswerNoToAll});
  testsupport::WriteFile(dest.Path() / "ABC0001A.DV", "old");
  EXPECT_TRUE(Copy(clip));
  EXPECT_EQ(asker.Asked().size(), 3u);
  EXPECT_EQ(context.State(), SkipAll);
  EXPECT_EQ(Dest("ABC0001A.DV"), Bytes({'o', 'l', 'd'}));
}

TEST_F(CopyEngine, CancelInTheQuestionStopsTheClipWithoutWritingAnything) {
  Clip clip = FlatClip(2, {Put("ABC0001A.DV", Bytes(64, 1)), Put("ABC0001B.DV", Bytes(64, 2))});
  testsupport::WriteFile(dest.Path() / "ABC0001A.DV", "old");
  asker.SetAnswers({kAnswerCancel});
  EXPECT_FALSE(Copy(clip));
  EXPECT_EQ(context.State(), Stop);
  EXPECT_EQ(DestFiles(), std::vector<std::string>{"ABC0001A.DV"});
  EXPECT_TRUE(context.Written().empty());
}

TEST_F(CopyEngine, CancelFromTheProgressWindowDeletesTheOpenFile) {
  Clip clip = FlatClip(1, {Put("ABC0001_A.M2T", PacketBytes(0x810, 10 * 1024, 3))});
  int blocks = 0;
  EXPECT_TRUE(Copy(clip, [&](std::uint32_t) { return ++blocks == 4; }));
  EXPECT_EQ(blocks, 4);
  EXPECT_FALSE(context.outputOpen.load());
  EXPECT_EQ(context.Discarded(), std::vector<std::u16string>{dest.U16("ABC0001_A.M2T")});
  EXPECT_TRUE(DestFiles().empty()) << "neither the output nor its temporary file is left";
}

TEST_F(CopyEngine, StopAtTheStartOfAContinuedChunkDeletesTheUnfinishedFile) {
  const Bytes a = PacketBytes(0x810, 2048, 1);
  Clip clip = FlatClip(1, {Put("ABC0001_A.M2T", a), Put("ABC0001_B.M2T", PacketBytes(0x810, 2048, 2))});
  int blocks = 0;
  // The window's Cancel sets Stop while the first chunk's last block is copied.
  EXPECT_TRUE(Copy(clip, [&](std::uint32_t) {
    if (++blocks == 2) context.RequestStop();
    return false;
  }));
  EXPECT_TRUE(DestFiles().empty());
  EXPECT_FALSE(context.outputOpen.load());
  EXPECT_EQ(context.Discarded().size(), 1u);
}

TEST_F(CopyEngine, StopBeforeAChunkThatBeginsANewFileKeepsTheFinishedOne) {
  const Bytes a = Bytes(2048, 1);
  Clip clip = FlatClip(2, {Put("ABC0001A.DV", a), Put("ABC0001B.DV", Bytes(10, 2))});
  int blocks = 0;
  EXPECT_TRUE(Copy(clip, [&](std::uint32_t) {
    if (++blocks == 2) context.RequestStop();
    return false;
  }));
  EXPECT_EQ(DestFiles(), std::vector<std::string>{"ABC0001A.DV"});
  EXPECT_EQ(Dest("ABC0001A.DV"), a);
}

TEST_F(CopyEngine, AMissingChunkFailsTheClipAndRemovesTheFileItMayHaveBelongedTo) {
  Clip clip = FlatClip(1, {Put("ABC0001_A.M2T", PacketBytes(0x810, 3000, 1)), unit.U16("VIDEO/QVT/ABC0001_B.M2T")});
  EXPECT_FALSE(Copy(clip));
  ASSERT_TRUE(env.failure.has_value());
  EXPECT_EQ(env.failure->Describe(),
            u"ABC0001: ABC0001_B.M2T could not be opened (" + platform::FromUtf8(platform::ErrorText(ENOENT)) + u")");
  EXPECT_TRUE(DestFiles().empty());
  EXPECT_FALSE(context.outputOpen.load());
  EXPECT_EQ(context.State(), Ask);
}

TEST_F(CopyEngine, AMissingChunkThatWouldBeginANewFileLeavesTheFinishedOneAlone) {
  const Bytes a = Bytes(3000, 1);
  Clip clip = FlatClip(2, {Put("ABC0001A.DV", a), unit.U16("VIDEO/QVT/ABC0001B.DV")});
  EXPECT_FALSE(Copy(clip));
  EXPECT_EQ(Dest("ABC0001A.DV"), a);
  EXPECT_FALSE(context.outputOpen.load());  // a complete file must never be deleted by a later cancel
}

TEST_F(CopyEngine, AMissingFirstChunkFailsBeforeAnythingIsCreated) {
  Clip clip = FlatClip(2, {unit.U16("VIDEO/QVT/ABC0001A.DV")});
  EXPECT_FALSE(Copy(clip));
  EXPECT_TRUE(DestFiles().empty());
}

TEST_F(CopyEngine, AReadErrorInTheMiddleOfAChunkFailsTheClipInsteadOfLeavingATruncatedFile) {
  FaultyFileSystem faulty;
  faulty.FailReadsAfter(u"ABC0001_B.M2T", 2048);
  platform::ScopedFileSystem use(faulty);
  Clip clip = FlatClip(1, {Put("ABC0001_A.M2T", PacketBytes(0x810, 4096, 1)),
                           Put("ABC0001_B.M2T", PacketBytes(0x810, 8192, 2))});
  EXPECT_FALSE(Copy(clip));
  EXPECT_TRUE(DestFiles().empty());
  EXPECT_EQ(context.Discarded().size(), 1u);
  EXPECT_FALSE(context.outputOpen.load());
}

TEST_F(CopyEngine, AFullDiskFailsTheClipDeletesTheCutFileAndLaterExistingFilesAreSkipped) {
  FaultyFileSystem faulty;
  faulty.SetCapacity(5000);
  platform::ScopedFileSystem use(faulty);
  Clip first = FlatClip(2, {Put("ABC0001A.DV", Bytes(8000, 1))});
  EXPECT_FALSE(Copy(first));
  EXPECT_EQ(context.State(), WriteFailed);
  EXPECT_TRUE(DestFiles().empty());

  // With the state WriteFailed an existing output is kept without a question...
  testsupport::WriteFile(dest.Path() / "ABC0001B.DV", "old");
  Clip second = FlatClip(2, {Put("ABC0001B.DV", Bytes(100, 2))});
  EXPECT_TRUE(Copy(second));
  EXPECT_TRUE(asker.Asked().empty());
  EXPECT_EQ(Dest("ABC0001B.DV"), Bytes({'o', 'l', 'd'}));

  // ...and a new output file is still written while there is room.
  faulty.SetCapacity(UINT64_MAX);
  Clip third = FlatClip(2, {Put("ABC0001C.DV", Bytes(100, 3))});
  EXPECT_TRUE(Copy(third));
  EXPECT_EQ(Dest("ABC0001C.DV"), Bytes(100, 3));
}

TEST_F(CopyEngine, AnOutputThatCannotBeCreatedFailsTheClip) {
  FaultyFileSystem faulty;
  faulty.FailAlways(FileOp::Create, u"ABC0001A.DV");
  platform::ScopedFileSystem use(faulty);
  Clip clip = FlatClip(2, {Put("ABC0001A.DV", Bytes(10, 1)), Put("ABC0001B.DV", Bytes(10, 2))});
  EXPECT_FALSE(Copy(clip));
  EXPECT_EQ(context.State(), CreateFailed);
  EXPECT_TRUE(DestFiles().empty());
}

TEST_F(CopyEngine, AFailingSyncCountsAsAWriteFailure) {
  FaultyFileSystem faulty;
  faulty.FailAlways(FileOp::Sync, dest.U16());
  platform::ScopedFileSystem use(faulty);
  Clip clip = FlatClip(2, {Put("ABC0001A.DV", Bytes(10, 1))});
  EXPECT_FALSE(Copy(clip));
  EXPECT_EQ(context.State(), WriteFailed);
  EXPECT_TRUE(DestFiles().empty());
}

TEST_F(CopyEngine, ADestinationInsideTheUnitNeverOverwritesTheUnitsOwnFiles) {
  const Bytes a = PacketBytes(0x810, 3000, 9);
  const std::u16string source = Put("ABC0001_A.M2T", a);
  Clip clip = FlatClip(1, {source});
  for (const ImportState state : {OverwriteAll, Ask}) {
    context.Reset();
    context.SetDestination(unit.U16("VIDEO/QVT"));
    context.SetOverwriteChoice(state);
    asker.SetAnswers({kAnswerYes});
    EXPECT_FALSE(Copy(clip));
    EXPECT_EQ(context.State(), CreateFailed);
    EXPECT_EQ(ReadFile(unit.Path() / "VIDEO" / "QVT" / "ABC0001_A.M2T"), a);
  }
}

TEST_F(CopyEngine, FolderClipsAreNamedByPrefixFolderNumberAndStamp) {
  Clip clip(ClipSource::Folder, unit.U16("DVF/001DVF"), u"001DVF");
  fs::create_directories(unit.Path() / "DVF" / "001DVF");
  for (const char* n : {"A.DV", "B.DV"}) {
    testsupport::WriteFile(unit.Path() / "DVF" / "001DVF" / n, std::string(100, 'x'));
    clip.chunks.emplace_back(unit.U16(std::string("DVF/001DVF/") + n));
  }
  clip.kindBits = 2;
  naming.prefix.store(3);
  EXPECT_TRUE(Copy(clip));
  const auto files = DestFiles();
  ASSERT_EQ(files.size(), 2u);
  for (const auto& f : files) {
    EXPECT_EQ(f.substr(0, 8), "03_0001_");
    EXPECT_NE(f.find("_No_Time.DV"), std::string::npos) << f;
  }
  EXPECT_NE(files[0], files[1]);  // no-time stamps never repeat within a run
}

TEST_F(CopyEngine, ThePlanOfOutputsIsWhatTheCopyWrites) {
  const Bytes joined = PacketBytes(0x0810, 3000, 1), restart = PacketBytes(0x001E, 500, 2), noPacket(700, 0);
  struct Case {
    std::uint32_t kindBits;
    std::vector<std::pair<std::string, Bytes>> chunks;
  };
  const Case cases[] = {
      {1, {{"ABC0001_A.M2T", joined}, {"ABC0001_B.M2T", joined}, {"ABC0001_C.M2T", restart}}},
      {1, {{"ABC0001_A.M2T", joined}, {"ABC0001_B.M2T", noPacket}, {"ABC0001_C.M2T", joined}}},
      {3, {{"ABC0001_A.M2T", joined}, {"ABC0001_B.M2T", noPacket}, {"ABC0001X.DV", noPacket}}},
  };
  for (const Case& c : cases) {
    context.Reset();
    context.SetDestination(dest.U16());
    fs::remove_all(dest.Path());
    fs::create_directories(dest.Path());
    std::vector<std::u16string> paths;
    for (const auto& [name, bytes] : c.chunks) paths.push_back(Put(name, bytes));
    Clip planned = FlatClip(c.kindBits, paths), copied = FlatClip(c.kindBits, paths);
    std::vector<std::pair<std::string, std::uintmax_t>> plan, written;
    for (const PlannedOutput& o : PlanOutputs(planned, naming)) plan.emplace_back(platform::ToUtf8(o.name), o.bytes);
    ASSERT_TRUE(Copy(copied));
    for (const auto& name : DestFiles()) written.emplace_back(name, fs::file_size(dest.Path() / name));
    std::sort(plan.begin(), plan.end());
    EXPECT_EQ(plan, written);
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
    context.Reset();
    context.SetDestination(dest.U16());
    env.verify = verify;
    FaultyFileSystem watcher;
    Clip clip = FlatClip(1, {a, b});
    {
      platform::ScopedFileSystem use(watcher);
      ASSERT_TRUE(Copy(clip));
    }
    std::string steps;
    for (const auto& call : watcher.Log()) {
      if (call.path != dest.U16("ABC0001_A.M2T")) continue;
      const char* step = call.op == FileOp::Create    ? "C"
                         : call.op == FileOp::Write   ? "w"
                         : call.op == FileOp::Sync    ? "S"
                         : call.op == FileOp::ReadBack ? "r"
                         : call.op == FileOp::Commit  ? "P"
                                                      : "?";
      if (steps.empty() || steps.back() != step[0]) steps += step;
    }
    EXPECT_EQ(steps, verify ? "CwSrP" : "CwSP");
    EXPECT_EQ(platform::NativeFiles().Status(dest.U16("ABC0001_A.M2T"))->lastWrite, 1205489730);
  }
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
  naming.prefix.store(3);
  const std::string first = "03_0001_2007-05-31_142314.DV", second = "03_0001_2007-05-31_142314_2.DV";
  for (const ImportState mode : {OverwriteAll, SkipAll, Ask}) {
    SCOPED_TRACE(mode);
    fs::remove_all(dest.Path());
    fs::create_directories(dest.Path());
    context.Reset();
    context.SetDestination(dest.U16());
    context.SetOverwriteChoice(mode);
    asker.SetAnswers({kAnswerYesToAll});
    EXPECT_TRUE(Copy(clip));
    EXPECT_EQ(DestFiles(), (std::vector<std::string>{first, second}));
    EXPECT_EQ(Dest(first), bytes[0]);
    EXPECT_EQ(Dest(second), bytes[1]);
    ASSERT_EQ(context.Renamed().size(), 1u);
    EXPECT_EQ(context.Renamed()[0].to, dest.U16(second));
  }
}

TEST_F(CopyEngine, AnIncompleteFileThatCannotBeDeletedIsReportedAsLeftNotAsDiscarded) {
  FaultyFileSystem faulty;
  faulty.FailAlways(FileOp::Remove, dest.U16());
  platform::ScopedFileSystem use(faulty);
  Clip clip = FlatClip(1, {Put("ABC0001_A.M2T", PacketBytes(0x810, 10 * 1024, 3))});
  int blocks = 0;
  EXPECT_TRUE(Copy(clip, [&](std::uint32_t) { return ++blocks == 2; }));
  EXPECT_TRUE(context.Discarded().empty());
  ASSERT_EQ(context.NotRemoved().size(), 1u);
  EXPECT_EQ(context.NotRemoved()[0].error, platform::ErrorText(EIO));  // the fault injected
  EXPECT_EQ(platform::ParentPart(context.NotRemoved()[0].path), dest.U16());
}

TEST_F(CopyEngine, CopyClipRefusesAnIndexBeyondTheCatalogue) {
  ClipCatalogue empty;
  EXPECT_THROW(CopyClip(empty, 0, env, nullptr), std::out_of_range);
}

}  // namespace
}  // namespace quillon
