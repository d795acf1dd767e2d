// The demo unit that quillon-demo-unit writes, as the catalogue, the probe and the copy see it.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "catalogue/ClipCatalogue.h"
#include "catalogue/UnitDrives.h"
#include "import/CopyEngine.h"
#include "import/RecordingTimeProbe.h"
#include "platform/FileSystem.h"
#include "platform/Text.h"
#include "support/Process.h"
#include "support/ScopedEnv.h"
#include "support/RecordingEvents.h"
#include "support/TempDir.h"
#include "support/ClipViews.h"
#include "support/UnitTree.h"

namespace quillon {
namespace {

namespace fs = std::filesystem;
using testsupport::ScopedEnv;
using testsupport::Continues;
using testsupport::FileNames;
using testsupport::Names;
using testsupport::TempDir;
using testsupport::U16;
using Strings = std::vector<std::u16string>;

constexpr std::uint64_t kChunkSize = 256 * 188;

Strings SortedFileNames(const Clip& clip) {
  Strings names = FileNames(clip);
  std::sort(names.begin(), names.end());
  return names;
}

std::vector<std::uint32_t> KindBits(const ClipCatalogue& cat) {
  std::vector<std::uint32_t> bits;
  for (std::size_t i = 0; i < cat.Count(); ++i) bits.push_back(cat.At(i).kindBits);
  return bits;
}

class DemoUnit : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = std::make_unique<TempDir>();
    generated_ = testsupport::RunProcess({QUILLON_DEMO_PATH, dir_->Path().string()});
  }
  static void TearDownTestSuite() { dir_.reset(); }

  void SetUp() override { ASSERT_EQ(generated_.exitCode, 0) << generated_.err; }

  static std::u16string Flat() { return dir_->U16("unit-flat"); }
  static std::u16string Folders() { return dir_->U16("unit-folders"); }

  static std::unique_ptr<TempDir> dir_;
  static testsupport::ProcessResult generated_;
};

std::unique_ptr<TempDir> DemoUnit::dir_;
testsupport::ProcessResult DemoUnit::generated_;

TEST_F(DemoUnit, TheGeneratorPrintsEachFileAndRefusesToWriteOverAnEarlierUnit) {
  EXPECT_EQ(std::count(generated_.out.begin(), generated_.out.end(), '\n'), 25 + 1);
  EXPECT_NE(generated_.out.find("unit-flat/VIDEO/QVT/HDV0001.IDX"), std::string::npos);
  EXPECT_NE(generated_.out.find("25 files"), std::string::npos);

  const auto again = testsupport::RunProcess({QUILLON_DEMO_PATH, dir_->Path().string()});
  EXPECT_EQ(again.exitCode, 1);
  EXPECT_NE(again.err.find("already exists"), std::string::npos);
  EXPECT_EQ(testsupport::RunProcess({QUILLON_DEMO_PATH}).exitCode, 2);
}

TEST_F(DemoUnit, BothTreesAreUnitDrives) {
  std::vector<std::u16string> list;
  EXPECT_TRUE(FindUnitDrives(list, {dir_->U16(), Flat(), Folders()}));
  EXPECT_EQ(list, (Strings{Flat(), Folders()}));
}

TEST_F(DemoUnit, TheFlatUnitListsHdvClipsThenDvClips) {
  ClipCatalogue cat;
  cat.Scan(Flat(), true, true);
  EXPECT_EQ(Names(cat), (Strings{u"BAD0001", u"HDV0001", u"HDV0002", u"NAM0001", u"NAM0002", u"AVI0001", u"DVC0001",
                                 u"DVC0002"}));
  EXPECT_EQ(KindBits(cat), (std::vector<std::uint32_t>{1, 1, 3, 1, 1, 4, 2, 6}));
  for (std::size_t i = 0; i < cat.Count(); ++i) EXPECT_EQ(cat.At(i).source, ClipSource::Flat);

  // Switches narrow the list; the numbered layout is never read here.
  cat.Scan(Flat(), false, true);
  EXPECT_EQ(Names(cat), (Strings{u"AVI0001", u"DVC0001", u"DVC0002", u"HDV0002"}));
  cat.Scan(Flat(), true, false);
  EXPECT_EQ(Names(cat), (Strings{u"BAD0001", u"HDV0001", u"HDV0002", u"NAM0001", u"NAM0002"}));
}

TEST_F(DemoUnit, IndexClipsKeepTheIndexOrderAndTakeTheirUnlistedFilesAfterIt) {
  ClipCatalogue cat;
  cat.Scan(Flat(), true, true);
  const Clip& hdv1 = cat.At(1);
  EXPECT_EQ(FileNames(hdv1), (Strings{u"HDV0001_2008-03-14_101530.M2T", u"HDV0001_2008-03-14_102530.M2T",
                                      u"HDV0001_2008-03-14_103530.M2T", u"HDV0001_2008-03-14_104530.M2T"}));
  EXPECT_EQ(Continues(hdv1), (std::vector<bool>{false, true, true, false}));
  // The third chunk starts a new stream: its first packet carries PID 0x1E.
  const auto third = testsupport::ReadFile(fs::path(platform::ToUtf8(hdv1.chunks[2].path)));
  ASSERT_GE(third.size(), 3u);
  EXPECT_EQ(third[0], 0x47);
  EXPECT_EQ(((third[1] & 0x1F) << 8) | third[2], 0x1E);

  const Clip& hdv2 = cat.At(2);
  EXPECT_EQ(FileNames(hdv2),
            (Strings{u"HDV0002_0000-00-00_000001.M2T", u"HDV0002_0000-00-00_000002.M2T", u"HDV0002.DV"}));
  EXPECT_EQ(Continues(hdv2), (std::vector<bool>{false, true, false}));
}

TEST_F(DemoUnit, NameClipsBeginAnOutputWithEveryFile) {
  ClipCatalogue cat;
  cat.Scan(Flat(), true, true);
  const Clip& bad = cat.At(0);  // its index fails the check byte
  EXPECT_EQ(SortedFileNames(bad), (Strings{u"BAD0001_2008-03-15_160000.M2T", u"BAD0001_2008-03-15_161000.M2T"}));
  EXPECT_EQ(Continues(bad), (std::vector<bool>{false, false}));
  EXPECT_EQ(SortedFileNames(cat.At(3)), (Strings{u"NAM0001_2008-03-16_080000.M2T", u"NAM0001_2008-03-16_081000.M2T"}));
  EXPECT_EQ(Continues(cat.At(3)), (std::vector<bool>{false, false}));
  EXPECT_EQ(FileNames(cat.At(4)), Strings{u"NAM0002.M2T"});
  EXPECT_EQ(FileNames(cat.At(7)), (Strings{u"DVC0002.DV", u"DVC0002.AVI"}));  // DV pass before AVI pass
}

TEST_F(DemoUnit, TheFolderUnitIsReadFromItsNumberedFolders) {
  ClipCatalogue cat;
  cat.Scan(Folders(), true, true);
  EXPECT_EQ(Names(cat), (Strings{u"001HDVF", u"002HDVF", u"001DVF", u"002DVF"}));
  EXPECT_EQ(KindBits(cat), (std::vector<std::uint32_t>{1, 1, 2, 4}));
  for (std::size_t i = 0; i < cat.Count(); ++i) EXPECT_EQ(cat.At(i).source, ClipSource::Folder);
  EXPECT_EQ(cat.At(0).folder, Folders() + u"/HDVF/001HDVF");
  EXPECT_EQ(FileNames(cat.At(0)), (Strings{u"0001.M2T", u"0002.M2T"}));
  EXPECT_EQ(Continues(cat.At(0)), (std::vector<bool>{false, true}));
  EXPECT_EQ(FileNames(cat.At(2)), (Strings{u"0001.DV", u"0002.DV"}));
  EXPECT_EQ(Continues(cat.At(2)), (std::vector<bool>{false, false}));
  EXPECT_EQ(cat.GetClipSizeMiB(2), 0u);  // two DV frames a file: well under a MiB
}

TEST_F(DemoUnit, RowsReadTheSameOnEveryRun) {
  ScopedEnv tz("TZ", "UTC0");
  ClipCatalogue cat;
  std::vector<std::u16string> rows;
  cat.Scan(Flat(), true, true);
  cat.GetRowTexts(rows, platform::kEnglishUnitedStates);
  EXPECT_EQ(rows, (Strings{u"BAD0001  - HDV -  3/15/2008   - 16:19:59  -  2files",
                           u"HDV0001  - HDV -  3/14/2008   - 10:55:29  -  4files",
                           u"HDV0002  - *** -  3/15/2008   - 09:39:59  -  3files",
                           u"NAM0001  - HDV -  3/16/2008   - 08:19:59  -  2files",
                           u"NAM0002  - HDV -  3/16/2008   - 12:09:59  -  1file",
                           u"AVI0001  - DV  -  3/18/2008   - 11:09:59  -  1file",
                           u"DVC0001  - DV  -  3/17/2008   - 14:09:59  -  1file",
                           u"DVC0002  - DV  -  3/17/2008   - 15:09:59  -  2files"}));
  cat.Scan(Folders(), true, true);
  cat.GetRowTexts(rows, platform::kEnglishUnitedStates);
  EXPECT_EQ(rows, (Strings{u"001HDVF  - HDV -  4/1/2008    - 10:19:59  -  2files",
                           u"002HDVF  - HDV -  4/2/2008    - 11:09:59  -  1file",
                           u"001DVF   - DV  -  4/3/2008    - 12:19:59  -  2files",
                           u"002DVF   - DV  -  4/4/2008    - 13:09:59  -  1file"}));
}

// The recording time the probe reads from a chunk's own bytes, as "YYYY-MM-DD hh:mm:ss" in
// UTC, or "none".
std::string ProbedTime(Chunk chunk) {
  auto file = platform::Files().OpenRead(chunk.path);
  if (!file || !ProbeRecordingTime(chunk, *file)) return "none";
  const std::time_t t = static_cast<std::time_t>(chunk.recordingTime);
  std::tm f{};
  ::gmtime_r(&t, &f);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &f);
  return text;
}

TEST_F(DemoUnit, TheProbeFindsTheRecordingTimesThatWereWritten) {
  ScopedEnv tz("TZ", "UTC0");
  ClipCatalogue flat, folders;
  flat.Scan(Flat(), true, true);
  folders.Scan(Folders(), true, true);
  EXPECT_EQ(ProbedTime(flat.At(1).chunks[0]), "2008-03-14 10:15:30");
  EXPECT_EQ(ProbedTime(flat.At(1).chunks[2]), "2008-03-14 10:35:30");  // behind the 0x1E packet
  EXPECT_EQ(ProbedTime(flat.At(2).chunks[2]), "2008-03-15 09:30:00");  // HDV0002.DV
  EXPECT_EQ(ProbedTime(flat.At(4).chunks[0]), "none");                 // NAM0002: no TSHV
  EXPECT_EQ(ProbedTime(flat.At(5).chunks[0]), "2008-03-18 11:00:00");  // AVI, offsets from 'movi'
  EXPECT_EQ(ProbedTime(flat.At(7).chunks[0]), "none");                 // DVC0002.DV: no REC DATE
  EXPECT_EQ(ProbedTime(flat.At(7).chunks[1]), "2008-03-17 15:00:00");  // AVI, absolute offsets
  EXPECT_EQ(ProbedTime(folders.At(0).chunks[0]), "2008-04-01 10:00:00");
  EXPECT_EQ(ProbedTime(folders.At(0).chunks[1]), "none");
  EXPECT_EQ(ProbedTime(folders.At(2).chunks[1]), "none");
  EXPECT_EQ(ProbedTime(folders.At(3).chunks[0]), "2008-04-04 13:00:00");
}

TEST_F(DemoUnit, ImportingTheIndexClipJoinsContinuedChunksAndSplitsWhereTheStreamRestarts) {
  ClipCatalogue cat;
  cat.Scan(Flat(), true, true);
  TempDir dest;
  ImportRequest request = RequestFor(cat, {1});
  request.destination = dest.U16();
  testsupport::RecordingEvents events;
  ASSERT_TRUE(testsupport::RunToEnd(std::move(request), events).failures.empty());
  std::vector<std::pair<std::string, std::uintmax_t>> written;
  for (const std::string& name : testsupport::EntryNames(dest.Path())) {
    written.emplace_back(name, fs::file_size(dest.Path() / name));
  }
  std::sort(written.begin(), written.end());
  EXPECT_EQ(written, (std::vector<std::pair<std::string, std::uintmax_t>>{
                         {"HDV0001_2008-03-14_101530.M2T", 2 * kChunkSize},
                         {"HDV0001_2008-03-14_103530.M2T", kChunkSize},
                         {"HDV0001_2008-03-14_104530.M2T", kChunkSize}}));
}

}  // namespace
}  // namespace quillon
