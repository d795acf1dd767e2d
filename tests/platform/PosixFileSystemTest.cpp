#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "platform/Text.h"

#include "platform/FileSystem.h"
#include "support/TempDir.h"
#include "support/UnitTree.h"

namespace quillon::platform {
namespace {

using testsupport::PutFile;
using testsupport::TempDir;
using testsupport::U16;

std::vector<std::u16string> SortedNames(const std::vector<DirEntry>& entries) {
  std::vector<std::u16string> names;
  for (const auto& e : entries) names.push_back(e.name);
  std::sort(names.begin(), names.end());
  return names;
}

TEST(PosixFileSystem, FindMatchesNamesByPatternWhateverTheirCase) {
  TempDir dir;
  PutFile(dir.Path(), "ABC0001.M2T");
  PutFile(dir.Path(), "abc0002.m2t");
  PutFile(dir.Path(), "ABC0003.M2TS");
  PutFile(dir.Path(), "ABC0004.DV");
  testsupport::PutFolder(dir.Path(), "DIR0001.M2T");
  const auto found = NativeFiles().Find(dir.U16(), u"*.M2T");
  EXPECT_EQ(SortedNames(found), (std::vector<std::u16string>{u"ABC0001.M2T", u"DIR0001.M2T", u"abc0002.m2t"}));
  for (const auto& e : found) {
    EXPECT_EQ(e.path, dir.U16() + u"/" + e.name);
    EXPECT_EQ(e.isDirectory, e.name == u"DIR0001.M2T");
    EXPECT_EQ(e.size, e.isDirectory ? 0u : 2u * 188);
  }
}

TEST(PosixFileSystem, FindReportsDotEntriesAndHiddenNames) {
  TempDir dir;
  testsupport::PutHiddenFile(dir.Path(), "ABC0001.M2T");
  const auto found = NativeFiles().Find(dir.U16(), u"*");
  EXPECT_EQ(SortedNames(found), (std::vector<std::u16string>{u".", u"..", u".ABC0001.M2T"}));
  for (const auto& e : found) EXPECT_TRUE(e.isHidden);
}

TEST(PosixFileSystem, FindInAFolderThatIsGoneOrNotAFolderFindsNothing) {
  TempDir dir;
  EXPECT_TRUE(NativeFiles().Find(dir.U16("gone"), u"*").empty());
  EXPECT_TRUE(NativeFiles().Find(U16(PutFile(dir.Path(), "file")), u"*").empty());
  EXPECT_TRUE(NativeFiles().Find(dir.U16() + std::u16string(1, u'\0') + u"x", u"*").empty());
}

TEST(PosixFileSystem, FindSkipsLinksThatLeadNowhere) {
  TempDir dir;
  std::filesystem::create_symlink(dir.Path() / "missing.M2T", dir.Path() / "ABC0001.M2T");
  std::filesystem::create_symlink(PutFile(dir.Path(), "target.bin"), dir.Path() / "ABC0002.M2T");
  EXPECT_EQ(SortedNames(NativeFiles().Find(dir.U16(), u"*.M2T")), std::vector<std::u16string>{u"ABC0002.M2T"});
}

TEST(PosixFileSystem, AnUnreadableFolderFindsNothing) {
  if (::geteuid() == 0) GTEST_SKIP() << "running as root: folder permissions do not block reading";
  TempDir dir;
  PutFile(dir.Path() / "locked", "ABC0001.M2T");
  std::filesystem::permissions(dir.Path() / "locked", std::filesystem::perms::none);
  EXPECT_TRUE(NativeFiles().Find(dir.U16("locked"), u"*").empty());
}

TEST(PosixFileSystem, OpenReadRefusesAnythingButARegularFileWithoutHanging) {
  TempDir dir;
  EXPECT_EQ(NativeFiles().OpenRead(U16(testsupport::PutFifo(dir.Path(), "ABC0001.M2T"))), nullptr);
  EXPECT_EQ(NativeFiles().OpenRead(U16(testsupport::PutFolder(dir.Path(), "ABC0002.M2T"))), nullptr);
  EXPECT_EQ(NativeFiles().OpenRead(dir.U16("missing")), nullptr);
  EXPECT_EQ(NativeFiles().OpenRead(u""), nullptr);
  EXPECT_EQ(NativeFiles().OpenRead(u"/dev/null"), nullptr);
}

TEST(PosixFileSystem, APathWithANulNamesNoFile) {
  TempDir dir;
  const auto prefix = PutFile(dir.Path(), "ABC0001");
  const std::u16string withNul = U16(prefix) + std::u16string(1, u'\0') + u".M2T";
  EXPECT_EQ(NativeFiles().OpenRead(withNul), nullptr);
  EXPECT_FALSE(NativeFiles().Status(withNul).has_value());
  EXPECT_EQ(NativeFiles().CreateOutput(dir.U16(), u"A" + std::u16string(1, u'\0')), nullptr);
  EXPECT_FALSE(NativeFiles().Remove(withNul));
  EXPECT_EQ(std::filesystem::file_size(prefix), 2u * 188);  // untouched
}

TEST(PosixFileSystem, ReadsAFileThroughToItsEnd) {
  TempDir dir;
  const auto bytes = testsupport::ChunkBytes(3);
  auto file = NativeFiles().OpenRead(U16(PutFile(dir.Path(), "A.M2T", bytes)));
  ASSERT_NE(file, nullptr);
  EXPECT_EQ(file->Size(), bytes.size());
  ASSERT_TRUE(file->Seek(188));
  std::vector<std::uint8_t> buffer(1000);
  EXPECT_EQ(file->ReadFully(buffer.data(), buffer.size()), 2 * 188);
  EXPECT_TRUE(std::equal(bytes.begin() + 188, bytes.end(), buffer.begin()));
  EXPECT_EQ(file->Tell(), bytes.size());
  EXPECT_EQ(file->Read(buffer.data(), buffer.size()), 0);
  EXPECT_TRUE(file->Close());
}

TEST(PosixFileSystem, StatusTellsFoldersHiddenNamesSizeAndTime) {
  TempDir dir;
  const auto file = testsupport::PutHiddenFile(dir.Path(), "A.M2T");
  testsupport::SetMtime(file, 1205489730);
  const auto status = NativeFiles().Status(U16(file));
  ASSERT_TRUE(status.has_value());
  EXPECT_FALSE(status->isDirectory);
  EXPECT_TRUE(status->isHidden);
  EXPECT_EQ(status->size, 2u * 188);
  EXPECT_EQ(status->lastWrite, 1205489730);

  const auto folder = NativeFiles().Status(dir.U16());
  ASSERT_TRUE(folder.has_value());
  EXPECT_TRUE(folder->isDirectory);
  EXPECT_FALSE(NativeFiles().Status(dir.U16("missing")).has_value());
}

// An output as its folder shows it while it is written, after a Commit, and when it is dropped.
TEST(PosixOutput, TheFinalNameHoldsTheOldFileUntilTheNewOneIsCommitted) {
  TempDir dir;
  testsupport::WriteFile(dir.Path() / "A.M2T", "old");
  for (const bool commit : {false, true}) {
    auto out = NativeFiles().CreateOutput(dir.U16(), u"A.M2T");
    ASSERT_NE(out, nullptr);
    EXPECT_EQ(out->Write("new bytes", 9), 9);
    const std::string temp = ToUtf8(out->TempPath());
    const std::string tempName = std::filesystem::path(temp).filename().string();
    EXPECT_EQ(tempName.substr(0, 7), ".A.M2T.") << "hidden, and named after its output";
    EXPECT_TRUE(tempName.ends_with(".quillon-part"));
    EXPECT_EQ(testsupport::ReadFile(dir.Path() / "A.M2T").size(), 3u) << "the old file stays until the commit";
    char back[16] = {};
    EXPECT_EQ(out->ReadBack(back, sizeof back), 0) << "nothing is known to be on the disk yet";
    ASSERT_TRUE(out->Sync());
    EXPECT_EQ(out->OnDisk(), 9u);
    EXPECT_EQ(out->ReadBack(back, sizeof back), 9);
    EXPECT_EQ(std::string(back, 9), "new bytes");
    if (commit) {
      EXPECT_TRUE(out->SetLastWrite(1205489730));
      EXPECT_TRUE(out->Commit());
      EXPECT_TRUE(out->InPlace());
    }
    out.reset();
    EXPECT_FALSE(std::filesystem::exists(temp));
    EXPECT_EQ(SortedNames(NativeFiles().Find(dir.U16(), u"*")), (std::vector<std::u16string>{u".", u"..", u"A.M2T"}));
    EXPECT_EQ(testsupport::ReadFile(dir.Path() / "A.M2T").size(), commit ? 9u : 3u);
  }
  EXPECT_EQ(NativeFiles().Status(dir.U16("A.M2T"))->lastWrite, 1205489730);
}

TEST(PosixOutput, ALargeOutputCanBeReadBackWhileItIsStillBeingWritten) {
  TempDir dir;
  auto out = NativeFiles().CreateOutput(dir.U16(), u"BIG.M2T");
  ASSERT_NE(out, nullptr);
  std::vector<unsigned char> block(1 << 20);
  for (int mib = 0; mib < 20; ++mib) {
    std::fill(block.begin(), block.end(), static_cast<unsigned char>(mib));
    ASSERT_EQ(out->Write(block.data(), block.size()), static_cast<std::int64_t>(block.size()));
  }
  const std::uint64_t early = out->OnDisk();
  EXPECT_GE(early, 8u << 20);
  EXPECT_LT(early, 20u << 20);
  std::vector<unsigned char> back(early);
  EXPECT_EQ(out->ReadBack(back.data(), back.size()), static_cast<std::int64_t>(early));
  EXPECT_EQ(back[(5 << 20) + 7], 5);
  EXPECT_EQ(out->ReadBack(back.data(), back.size()), 0) << "never past what is on the disk";
  ASSERT_TRUE(out->Sync());
  EXPECT_EQ(out->ReadBack(back.data(), 1), 1);
  EXPECT_EQ(back[0], static_cast<unsigned char>(early >> 20));
}

TEST(PosixOutput, ALinkAtTheFinalNameIsReplacedAndItsTargetNeverWritten) {
  TempDir dir;
  const auto target = PutFile(dir.Path(), "target.M2T");
  std::filesystem::create_symlink(target, dir.Path() / "A.M2T");
  std::filesystem::create_symlink(dir.Path() / "nowhere.M2T", dir.Path() / "B.M2T");
  EXPECT_TRUE(NativeFiles().LinkStatus(dir.U16("B.M2T"))->isLink);
  EXPECT_FALSE(NativeFiles().Status(dir.U16("B.M2T")));
  for (const char16_t* name : {u"A.M2T", u"B.M2T"}) {
    auto out = NativeFiles().CreateOutput(dir.U16(), name);
    ASSERT_NE(out, nullptr);
    EXPECT_EQ(out->Write("xyz", 3), 3);
    EXPECT_TRUE(out->Sync() && out->Commit());
    const auto placed = NativeFiles().LinkStatus(dir.U16() + u"/" + name);
    EXPECT_FALSE(placed->isLink);
    EXPECT_EQ(placed->size, 3u);
  }
  EXPECT_EQ(std::filesystem::file_size(target), 2u * 188);
  EXPECT_FALSE(std::filesystem::exists(dir.Path() / "nowhere.M2T"));
}

TEST(PosixOutput, IsRefusedWhereNoFileCanTakeTheName) {
  TempDir dir;
  testsupport::PutFolder(dir.Path(), "out.M2T");
  EXPECT_EQ(NativeFiles().CreateOutput(dir.U16(), u"out.M2T"), nullptr);
  EXPECT_EQ(LastError(), EISDIR);
  EXPECT_EQ(NativeFiles().CreateOutput(dir.U16("missing"), u"out.M2T"), nullptr);
  EXPECT_EQ(NativeFiles().CreateOutput(dir.U16(), u"sub/out.M2T"), nullptr);
  EXPECT_EQ(NativeFiles().CreateOutput(dir.U16(), u".."), nullptr);
  EXPECT_EQ(SortedNames(NativeFiles().Find(dir.U16(), u"*")), (std::vector<std::u16string>{u".", u"..", u"out.M2T"}));
}

TEST(PosixOutput, OnlyTemporaryFilesWhoseWriterIsGoneAreCleanedUp) {
  TempDir dir;
  auto live = NativeFiles().CreateOutput(dir.U16(), u"LIVE.DV");
  ASSERT_NE(live, nullptr);
  testsupport::WriteFile(dir.Path() / ".DEAD.DV.abcdefgh.quillon-part", "left by a killed import");
  testsupport::WriteFile(dir.Path() / "DEAD.DV.quillon-part", "not hidden: not ours");
  testsupport::WriteFile(dir.Path() / ".DEAD.DV", "not ours either");
  std::filesystem::create_symlink(dir.Path() / ".DEAD.DV", dir.Path() / ".LINK.DV.abcdefgh.quillon-part");
  EXPECT_EQ(NativeFiles().RemoveStaleOutputs(dir.U16()),
            std::vector<std::u16string>{dir.U16(".DEAD.DV.abcdefgh.quillon-part")});
  EXPECT_TRUE(std::filesystem::exists(ToUtf8(live->TempPath())));
  EXPECT_TRUE(std::filesystem::exists(dir.Path() / "DEAD.DV.quillon-part"));
  EXPECT_TRUE(std::filesystem::exists(dir.Path() / ".DEAD.DV"));
  EXPECT_TRUE(std::filesystem::is_symlink(dir.Path() / ".LINK.DV.abcdefgh.quillon-part"));
}

TEST(PosixFileSystem, AncestryFollowsTheFoldersRealParentsNotThePathsText) {
  TempDir dir;
  std::filesystem::create_directories(dir.Path() / "unit" / "HDVF" / "001HDVF");
  std::filesystem::create_directories(dir.Path() / "elsewhere");
  std::filesystem::create_directory_symlink(dir.Path() / "unit" / "HDVF", dir.Path() / "elsewhere" / "link");
  const auto unit = NativeFiles().Status(dir.U16("unit"))->id;
  const auto through = NativeFiles().Ancestry(dir.U16("elsewhere/link/001HDVF"));
  EXPECT_NE(std::find(through.begin(), through.end(), unit), through.end());
  const auto beside = NativeFiles().Ancestry(dir.U16("elsewhere"));
  EXPECT_EQ(std::find(beside.begin(), beside.end(), unit), beside.end());
  EXPECT_EQ(beside.back(), NativeFiles().Status(u"/")->id);
  EXPECT_TRUE(NativeFiles().Ancestry(dir.U16("missing")).empty());
}

}  // namespace
}  // namespace quillon::platform
