#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>

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
  const auto found = PosixFiles().Find(dir.U16(), u"*.M2T");
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
  const auto found = PosixFiles().Find(dir.U16(), u"*");
  EXPECT_EQ(SortedNames(found), (std::vector<std::u16string>{u".", u"..", u".ABC0001.M2T"}));
  for (const auto& e : found) EXPECT_TRUE(e.isHidden);
}

TEST(PosixFileSystem, FindInAFolderThatIsGoneOrNotAFolderFindsNothing) {
  TempDir dir;
  EXPECT_TRUE(PosixFiles().Find(dir.U16("gone"), u"*").empty());
  EXPECT_TRUE(PosixFiles().Find(U16(PutFile(dir.Path(), "file")), u"*").empty());
  EXPECT_TRUE(PosixFiles().Find(dir.U16() + std::u16string(1, u'\0') + u"x", u"*").empty());
}

TEST(PosixFileSystem, FindSkipsLinksThatLeadNowhere) {
  TempDir dir;
  std::filesystem::create_symlink(dir.Path() / "missing.M2T", dir.Path() / "ABC0001.M2T");
  std::filesystem::create_symlink(PutFile(dir.Path(), "target.bin"), dir.Path() / "ABC0002.M2T");
  EXPECT_EQ(SortedNames(PosixFiles().Find(dir.U16(), u"*.M2T")), std::vector<std::u16string>{u"ABC0002.M2T"});
}

TEST(PosixFileSystem, AnUnreadableFolderFindsNothing) {
  if (::geteuid() == 0) GTEST_SKIP() << "running as root: folder permissions do not block reading";
  TempDir dir;
  PutFile(dir.Path() / "locked", "ABC0001.M2T");
  std::filesystem::permissions(dir.Path() / "locked", std::filesystem::perms::none);
  EXPECT_TRUE(PosixFiles().Find(dir.U16("locked"), u"*").empty());
}

TEST(PosixFileSystem, OpenReadRefusesAnythingButARegularFileWithoutHanging) {
  TempDir dir;
  EXPECT_EQ(PosixFiles().OpenRead(U16(testsupport::PutFifo(dir.Path(), "ABC0001.M2T"))), nullptr);
  EXPECT_EQ(PosixFiles().OpenRead(U16(testsupport::PutFolder(dir.Path(), "ABC0002.M2T"))), nullptr);
  EXPECT_EQ(PosixFiles().OpenRead(dir.U16("missing")), nullptr);
  EXPECT_EQ(PosixFiles().OpenRead(u""), nullptr);
  EXPECT_EQ(PosixFiles().OpenRead(u"/dev/null"), nullptr);
}

TEST(PosixFileSystem, APathWithANulNamesNoFile) {
  TempDir dir;
  const auto prefix = PutFile(dir.Path(), "ABC0001");
  const std::u16string withNul = U16(prefix) + std::u16string(1, u'\0') + u".M2T";
  EXPECT_EQ(PosixFiles().OpenRead(withNul), nullptr);
  EXPECT_FALSE(PosixFiles().Status(withNul).has_value());
  EXPECT_EQ(PosixFiles().CreateWrite(withNul, {}), nullptr);
  EXPECT_FALSE(PosixFiles().Remove(withNul));
  EXPECT_EQ(std::filesystem::file_size(prefix), 2u * 188);  // untouched
}

TEST(PosixFileSystem, ReadsAFileThroughToItsEnd) {
  TempDir dir;
  const auto bytes = testsupport::ChunkBytes(3);
  auto file = PosixFiles().OpenRead(U16(PutFile(dir.Path(), "A.M2T", bytes)));
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
  const auto status = PosixFiles().Status(U16(file));
  ASSERT_TRUE(status.has_value());
  EXPECT_FALSE(status->isDirectory);
  EXPECT_TRUE(status->isHidden);
  EXPECT_EQ(status->size, 2u * 188);
  EXPECT_EQ(status->lastWrite, 1205489730);

  const auto folder = PosixFiles().Status(dir.U16());
  ASSERT_TRUE(folder.has_value());
  EXPECT_TRUE(folder->isDirectory);
  EXPECT_FALSE(PosixFiles().Status(dir.U16("missing")).has_value());
}

TEST(PosixFileSystem, CreateWriteRefusesAProtectedFileWithoutEmptyingIt) {
  TempDir dir;
  const auto source = PutFile(dir.Path(), "A.M2T");
  const auto link = dir.Path() / "link.M2T";
  std::filesystem::create_hard_link(source, link);
  const auto id = PosixFiles().Status(U16(source))->id;
  EXPECT_EQ(PosixFiles().CreateWrite(U16(link), {id}), nullptr);
  EXPECT_EQ(std::filesystem::file_size(source), 2u * 188);

  // Any other existing file is emptied and rewritten.
  const auto other = PutFile(dir.Path(), "B.M2T");
  auto out = PosixFiles().CreateWrite(U16(other), {id});
  ASSERT_NE(out, nullptr);
  EXPECT_EQ(std::filesystem::file_size(other), 0u);
  EXPECT_EQ(out->Write("xyz", 3), 3);
  EXPECT_TRUE(out->Close());
  EXPECT_EQ(std::filesystem::file_size(other), 3u);
}

TEST(PosixFileSystem, CreateWriteRefusesFoldersAndFifosWithoutHanging) {
  TempDir dir;
  EXPECT_EQ(PosixFiles().CreateWrite(U16(testsupport::PutFolder(dir.Path(), "out.M2T")), {}), nullptr);
  EXPECT_EQ(PosixFiles().CreateWrite(U16(testsupport::PutFifo(dir.Path(), "fifo.M2T")), {}), nullptr);
  EXPECT_EQ(PosixFiles().CreateWrite(dir.U16("missing/out.M2T"), {}), nullptr);
}

}  // namespace
}  // namespace quillon::platform
