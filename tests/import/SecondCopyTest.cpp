// A second copy of every output, from one read of the unit: both folders complete and checked,
// each with its history; a folder that fails leaves the other complete and its clips failed.
#include <gtest/gtest.h>

#include <filesystem>

#include "import/History.h"
#include "platform/Path.h"
#include "support/FaultyFileSystem.h"
#include "support/SmallImport.h"

namespace quillon {
namespace {

namespace fs = std::filesystem;
using testsupport::FaultyFileSystem;
using testsupport::FileOp;
using testsupport::SmallImport;
using Output = SmallImport::Output;

constexpr Output kOutputs[] = {Output::JoinedAB, Output::C, Output::D};

class SecondCopy : public ::testing::Test {
 protected:
  SecondCopy() { fs::create_directories(second); }

  // Bytes read from the unit's chunks in the import that ran through faulty.
  std::uint64_t UnitBytesRead(const FaultyFileSystem& faulty) const {
    std::uint64_t bytes = 0;
    for (const auto& call : faulty.Log()) {
      if (call.op == FileOp::Read && call.result > 0 && call.path.starts_with(testsupport::U16(root))) {
        bytes += static_cast<std::uint64_t>(call.result);
      }
    }
    return bytes;
  }

  std::vector<HistoryRecord> History(const fs::path& folder) const {
    const auto open = platform::Files().OpenFolder(testsupport::U16(folder));
    return LoadHistory(*open).records;
  }

  testsupport::TempDir dir;
  fs::path root = dir.Path() / "unit";
  fs::path second = dir.Path() / "second";
  SmallImport import{root, dir.Path() / "dest"};
};

TEST_F(SecondCopy, OneReadOfTheUnitFillsBothFoldersEachWithItsHistory) {
  FaultyFileSystem alone;
  {
    platform::ScopedFileSystem use(alone);
    ASSERT_TRUE(import.Run().failed.empty());
  }
  for (const Output o : kOutputs) fs::remove(import.OutputPath(o));
  fs::remove(import.OutputPath(Output::D).parent_path() / ".quillon-history");

  import.SetSecondCopy(second);
  FaultyFileSystem both;
  SmallImport::Result r;
  {
    platform::ScopedFileSystem use(both);
    r = import.Run();
  }
  ASSERT_TRUE(r.failed.empty());
  EXPECT_EQ(UnitBytesRead(both), UnitBytesRead(alone)) << "the unit is read once for both folders";
  EXPECT_EQ(r.outcome.written.size(), 6u);
  EXPECT_EQ(r.outcome.newClips, 2u);
  for (const Output o : kOutputs) {
    EXPECT_TRUE(import.Complete(o));
    EXPECT_EQ(testsupport::ReadFile(second / import.OutputPath(o).filename()), import.Expected(o));
  }
  // Both copies were read back from their disk.
  int readBacks[2] = {0, 0};
  for (const auto& call : both.Log()) {
    if (call.op == FileOp::ReadBack) ++readBacks[call.path.starts_with(testsupport::U16(second)) ? 1 : 0];
  }
  EXPECT_GT(readBacks[0], 0);
  EXPECT_GT(readBacks[1], 0);
  const auto first = History(import.OutputPath(Output::D).parent_path());
  ASSERT_EQ(first.size(), 3u);
  const auto other = History(second);
  ASSERT_EQ(other.size(), 3u);
  for (std::size_t i = 0; i < first.size(); ++i) {
    EXPECT_EQ(first[i].output, other[i].output);
    EXPECT_EQ(first[i].hash, other[i].hash);
    EXPECT_EQ(first[i].chunks, other[i].chunks);
  }
}

TEST_F(SecondCopy, AFolderThatCannotBeWrittenLeavesTheOtherCompleteAndItsClipsFailed) {
  struct Case {
    const char* what;
    FileOp op;
    bool secondFails;
  } cases[] = {
      {"the second copy's writes fail", FileOp::Write, true},
      {"the destination's writes fail", FileOp::Write, false},
      {"the second copy reads back altered", FileOp::ReadBack, true},
      {"the destination cannot create files", FileOp::Create, false},
  };
  import.SetSecondCopy(second);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const fs::path failing = c.secondFails ? second : import.OutputPath(Output::D).parent_path();
    const fs::path whole = c.secondFails ? import.OutputPath(Output::D).parent_path() : second;
    for (const fs::path& folder : {failing, whole}) {
      fs::remove_all(folder);
      fs::create_directories(folder);
    }
    FaultyFileSystem faulty;
    const std::u16string part = testsupport::U16(failing) + platform::kSeparator;
    if (c.op == FileOp::ReadBack) {
      for (int n = 1; n <= 3; ++n) faulty.CorruptNth(FileOp::ReadBack, n, part);
    } else {
      faulty.FailAlways(c.op, part);
    }
    SmallImport::Result r;
    {
      platform::ScopedFileSystem use(faulty);
      r = import.Run();
    }
    EXPECT_EQ(r.failed, (std::vector<std::u16string>{u"HDV0001", u"DVC0001"}));
    EXPECT_EQ(r.outcome.newClips, 0u);
    ASSERT_EQ(r.outcome.failures.size(), 3u);
    for (const ClipFailure& failure : r.outcome.failures) {
      EXPECT_TRUE(failure.file.starts_with(part)) << "the failure names the folder: " << platform::ToUtf8(failure.file);
    }
    for (const Output o : kOutputs) {
      EXPECT_EQ(testsupport::ReadFile(whole / import.OutputPath(o).filename()), import.Expected(o));
    }
    EXPECT_EQ(testsupport::EntryNames(failing), std::vector<std::string>{}) << "no cut or temporary file";
    EXPECT_EQ(History(whole).size(), 3u);
    EXPECT_TRUE(import.UnitUntouched());
  }
}

TEST_F(SecondCopy, TheSecondFolderIsCheckedBeforeAnythingIsCopied) {
  testsupport::WriteFile(dir.Path() / "a-file", "x");
  struct Case {
    fs::path folder;
    RefusalKind kind;
  } cases[] = {
      {dir.Path() / "missing", RefusalKind::NoDestination},
      {dir.Path() / "a-file", RefusalKind::NotAFolder},
      {root / "VIDEO", RefusalKind::InsideUnit},
      {import.OutputPath(Output::D).parent_path(), RefusalKind::SameFolder},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.folder.string());
    import.SetSecondCopy(c.folder);
    const SmallImport::Result r = import.Run();
    ASSERT_TRUE(r.refusal.has_value());
    EXPECT_EQ(r.refusal->kind, c.kind);
    EXPECT_EQ(r.refusal->destination, testsupport::U16(c.folder));
    EXPECT_TRUE(import.DestFiles().empty());
  }
  // Room is counted on each folder's volume.
  FaultyFileSystem faulty;
  faulty.SetSpace({1024, 512, std::nullopt});
  import.SetSecondCopy(second);
  platform::ScopedFileSystem use(faulty);
  const SmallImport::Result r = import.Run();
  ASSERT_TRUE(r.refusal.has_value());
  EXPECT_EQ(r.refusal->kind, RefusalKind::NotEnoughSpace);
}

}  // namespace
}  // namespace quillon
