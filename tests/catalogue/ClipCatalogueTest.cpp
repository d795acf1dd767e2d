#include "catalogue/ClipCatalogue.h"

#include <gtest/gtest.h>
#ifndef _WIN32
#include <unistd.h>
#endif

#include <stdexcept>

#include "platform/FileSystem.h"
#include "support/ForwardingFileSystem.h"
#include "support/TempDir.h"
#include "support/ClipViews.h"
#include "support/UnitTree.h"

namespace quillon {
namespace {

using testsupport::Continues;
using testsupport::FileNames;
using testsupport::IdxBuilder;
using testsupport::PutFile;
using testsupport::Names;
using testsupport::TempDir;
using testsupport::U16;
using testsupport::UnitTree;

using Strings = std::vector<std::u16string>;

// A unit with one of everything the flat folder can hold.
struct MixedUnit {
  TempDir dir;
  UnitTree unit{dir};
  MixedUnit() {
    unit.IndexWithChunks("HDV0001.IDX", IdxBuilder().Date(8, 3, 14, 10, 15, 30).Date(8, 3, 14, 10, 20, 0));
    unit.FlatFile("NAM0001_a.M2T");
    unit.FlatFile("DVC0001.DV");
    unit.FlatFile("AVI0001.AVI");
    PutFile(unit.HdvFolder("001"), "001.M2T");
    PutFile(unit.DvFolder("001"), "001.DV");
  }
};

TEST(ClipCatalogueScan, BothSwitchesOffListNothing) {
  MixedUnit u;
  ClipCatalogue cat;
  EXPECT_TRUE(cat.Scan(u.unit.Drive(), false, false));
  EXPECT_EQ(cat.Count(), 0u);
  EXPECT_EQ(cat.Root(), u.unit.Drive());
}

TEST(ClipCatalogueScan, HdvClipsComeFirstThenDvClipsEachInNameOrder) {
  MixedUnit u;
  ClipCatalogue cat;
  cat.Scan(u.unit.Drive(), true, true);
  EXPECT_EQ(Names(cat), (Strings{u"HDV0001", u"NAM0001", u"AVI0001", u"DVC0001"}));
  EXPECT_EQ(cat.At(0).kindBits, 1u);
  EXPECT_EQ(cat.At(1).kindBits, 1u);
  EXPECT_EQ(cat.At(2).kindBits, 4u);
  EXPECT_EQ(cat.At(3).kindBits, 2u);
  for (std::size_t i = 0; i < cat.Count(); ++i) {
    EXPECT_EQ(cat.At(i).source, ClipSource::Flat);
    EXPECT_EQ(cat.At(i).folder, u.unit.FlatU16());
  }
}

TEST(ClipCatalogueScan, TheHdvSwitchAloneListsIndexAndM2TClips) {
  MixedUnit u;
  ClipCatalogue cat;
  cat.Scan(u.unit.Drive(), true, false);
  EXPECT_EQ(Names(cat), (Strings{u"HDV0001", u"NAM0001"}));
}

TEST(ClipCatalogueScan, TheDvSwitchAloneIgnoresIndexesAndM2TFiles) {
  MixedUnit u;
  u.unit.FlatFile("HDV0001.DV");  // would join the index clip if the index were read
  ClipCatalogue cat;
  cat.Scan(u.unit.Drive(), false, true);
  EXPECT_EQ(Names(cat), (Strings{u"AVI0001", u"DVC0001", u"HDV0001"}));
  EXPECT_EQ(cat.At(2).kindBits, 2u);
  EXPECT_EQ(FileNames(cat.At(2)), Strings{u"HDV0001.DV"});
}

TEST(ClipCatalogueScan, FilesSharingTheirFirstSevenCharactersFormOneClip) {
  TempDir dir;
  UnitTree unit(dir);
  unit.FlatFile("ABC0001.M2T");
  unit.FlatFile("ABC0001_2008-03-14_101530.M2T");
  unit.FlatFile("ABC0001.DV");
  unit.FlatFile("ABC0001_b.AVI");
  unit.FlatFile("ABC0002.M2T");
  ClipCatalogue cat;
  cat.Scan(unit.Drive(), true, true);
  ASSERT_EQ(Names(cat), (Strings{u"ABC0001", u"ABC0002"}));
  const Clip& clip = cat.At(0);
  EXPECT_EQ(clip.kindBits, 7u);
  ASSERT_EQ(clip.chunks.size(), 4u);
  // M2T files first (in the folder's own order), then DV, then AVI.
  EXPECT_EQ(clip.chunks[0].kind, 0);
  EXPECT_EQ(clip.chunks[1].kind, 0);
  EXPECT_EQ(clip.chunks[2].fileName, u"ABC0001.DV");
  EXPECT_EQ(clip.chunks[3].fileName, u"ABC0001_b.AVI");
  // Every M2T file that arrives by name begins an output file of its own.
  EXPECT_EQ(Continues(clip), (std::vector<bool>{false, false, false, false}));
}

TEST(ClipCatalogueScan, AnIndexClipTakesTheUnlistedChunksOfItsNameAfterItsOwn) {
  TempDir dir;
  UnitTree unit(dir);
  unit.IndexWithChunks("ABC0001.IDX",
                       IdxBuilder().Date(8, 3, 14, 10, 15, 30).Date(8, 3, 14, 10, 20, 0).Date(8, 3, 14, 10, 25, 0));
  unit.FlatFile("ABC0001X.M2T");
  ClipCatalogue cat;
  cat.Scan(unit.Drive(), true, true);
  ASSERT_EQ(cat.Count(), 1u);
  const Clip& clip = cat.At(0);
  EXPECT_EQ(clip.kindBits, 1u);
  EXPECT_EQ(FileNames(clip), (Strings{u"ABC0001_2008-03-14_101530.M2T", u"ABC0001_2008-03-14_102000.M2T",
                                      u"ABC0001_2008-03-14_102500.M2T", u"ABC0001X.M2T"}));
  EXPECT_EQ(Continues(clip), (std::vector<bool>{false, true, true, false}));
}

TEST(ClipCatalogueScan, ADvFileNamedLikeAnIndexClipMakesItAMixedClip) {
  TempDir dir;
  UnitTree unit(dir);
  unit.IndexWithChunks("ABC0001.IDX", IdxBuilder().File("0001"));
  unit.FlatFile("ABC0001.DV");
  unit.FlatFile("ABC0001.AVI");
  ClipCatalogue cat;
  cat.Scan(unit.Drive(), true, true);
  ASSERT_EQ(cat.Count(), 1u);
  EXPECT_EQ(cat.At(0).kindBits, 7u);
  EXPECT_EQ(FileNames(cat.At(0)), (Strings{u"ABC0001_0000-00-00_000001.M2T", u"ABC0001.DV", u"ABC0001.AVI"}));
}

TEST(ClipCatalogueScan, AnIndexWhoseChunksAreMissingOrNotFilesStillListsTheClip) {
  TempDir dir;
  UnitTree unit(dir);
  const IdxBuilder idx = IdxBuilder().File("0001").File("0002").File("0003");
  unit.Index("ABC0001.IDX", idx);
  const auto names = idx.ChunkNames("ABC0001");
#ifndef _WIN32  // no FIFO in a Windows folder
  testsupport::PutFifo(unit.Flat(), names[1]);  // reading it would wait for a writer forever
#endif
  testsupport::PutFolder(unit.Flat(), names[2]);
  ClipCatalogue cat;
  cat.Scan(unit.Drive(), true, false);
  ASSERT_EQ(cat.Count(), 1u);
  EXPECT_EQ(cat.At(0).chunks.size(), 3u);  // the copy meets these files, not the scan
  EXPECT_EQ(cat.GetClipSizeMiB(0), 0u);
  std::vector<std::u16string> rows;
  cat.GetRowTexts(rows);
  EXPECT_EQ(rows.size(), 1u);
}

TEST(ClipCatalogueScan, ARejectedIndexLeavesItsChunksToTheNameRoute) {
  TempDir dir;
  UnitTree unit(dir);
  unit.IndexWithChunks("ABC0001.IDX",
                       IdxBuilder().Date(8, 3, 14, 10, 15, 30).Date(8, 3, 14, 10, 20, 0).Date(8, 3, 14, 10, 25, 0).CheckByte(0x1B));
  ClipCatalogue cat;
  cat.Scan(unit.Drive(), true, false);
  ASSERT_EQ(cat.Count(), 1u);
  EXPECT_EQ(cat.At(0).name, u"ABC0001");
  EXPECT_EQ(cat.At(0).chunks.size(), 3u);
  EXPECT_EQ(Continues(cat.At(0)), (std::vector<bool>{false, false, false}));  // three output files
}

TEST(ClipCatalogueScan, HiddenEmptyAndFolderEntriesAreSkipped) {
  TempDir dir;
  UnitTree unit(dir);
  unit.FlatFile("ABC0001.M2T");
  testsupport::PutEmptyFile(unit.Flat(), "ABC0001.DV");
  testsupport::PutFolder(unit.Flat(), "ABC0002.DV");
  testsupport::PutHiddenFile(unit.Flat(), "ABC0003.M2T");
#ifndef _WIN32  // no FIFO in a Windows folder
  testsupport::PutFifo(unit.Flat(), "ABC0004.M2T");
#endif
  unit.Index(".ABC0005.IDX", IdxBuilder().File("0001"));
  unit.IndexWithChunks("HID0001.IDX", IdxBuilder().File("0001"));
  testsupport::PutFolder(unit.Flat(), "DIR0001.IDX");
  ClipCatalogue cat;
  cat.Scan(unit.Drive(), true, true);
  EXPECT_EQ(Names(cat), (Strings{u"ABC0001", u"HID0001"}));
  EXPECT_EQ(FileNames(cat.At(0)), Strings{u"ABC0001.M2T"});
  EXPECT_EQ(cat.At(0).kindBits, 1u);
}

TEST(ClipCatalogueScan, NamesDifferingInCaseAreDifferentClips) {
#ifdef _WIN32
  GTEST_SKIP() << "Windows file systems take names that differ in case for the same file";
#endif
  TempDir dir;
  UnitTree unit(dir);
  unit.FlatFile("abc0001.M2T");
  unit.FlatFile("ABC0001.M2T");
  unit.FlatFile("AAA0001.DV");
  unit.FlatFile("ZZZ0001.M2T");
  ClipCatalogue cat;
  cat.Scan(unit.Drive(), true, true);
  EXPECT_EQ(Names(cat), (Strings{u"ABC0001", u"ZZZ0001", u"abc0001", u"AAA0001"}));
}

TEST(ClipCatalogueScan, NamesShorterThanSevenCharactersAreNotListed) {
  TempDir dir;
  UnitTree unit(dir);
  unit.FlatFile("AB.M2T");
  unit.FlatFile("ABCDEF.DV");
  ClipCatalogue cat;
  cat.Scan(unit.Drive(), true, true);
  EXPECT_EQ(cat.Count(), 0u);
}

TEST(ClipCatalogueScan, TwoIndexesOfOneNameShareTheirGroupedFilesWithTheFirstOnly) {
  TempDir dir;
  UnitTree unit(dir);
  unit.IndexWithChunks("ABC0001.IDX", IdxBuilder().File("0001"));
  unit.IndexWithChunks("ABC0001b.IDX", IdxBuilder().File("0002"));
  unit.FlatFile("ABC0001.DV");
  ClipCatalogue cat;
  cat.Scan(unit.Drive(), true, true);
  ASSERT_EQ(Names(cat), (Strings{u"ABC0001", u"ABC0001"}));
  // Which index comes first is the folder's own order; the DV file and each M2T file that
  // the other index lists join that one, so exactly one clip grows.
  const auto total = cat.At(0).chunks.size() + cat.At(1).chunks.size();
  EXPECT_EQ(total, 2u + 2u);  // two index chunks plus, once each, the other index's chunk and the DV
  EXPECT_TRUE((cat.At(0).chunks.size() == 1) != (cat.At(1).chunks.size() == 1));
}

// Numbered folders ------------------------------------------------------------------------

TEST(ClipCatalogueScan, NumberedFoldersAreReadWhenTheFlatFolderYieldsNothing) {
  TempDir dir;
  UnitTree unit(dir);
  unit.Index("ABC0001.IDX", IdxBuilder().File("0001").Magic("BROKEN!!"));
  PutFile(unit.HdvFolder("002"), "001.M2T");
  PutFile(unit.HdvFolder("001"), "002.M2T");
  PutFile(unit.HdvFolder("001"), "001.M2T");
  PutFile(unit.HdvFolder("001"), "001.DV");
  testsupport::PutEmptyFile(unit.HdvFolder("003"), "001.M2T");  // nothing usable: not listed
  PutFile(unit.HdvFolder("0004"), "001.M2T");                   // four characters: not a clip folder
  PutFile(unit.HdvParent(), "005HDVF");                         // a file, not a folder
  PutFile(unit.DvFolder("001"), "001.DV");
  PutFile(unit.DvFolder("002"), "001.AVI");
  ClipCatalogue cat;
  cat.Scan(unit.Drive(), true, true);
  ASSERT_EQ(Names(cat), (Strings{u"001HDVF", u"002HDVF", u"001DVF", u"002DVF"}));
  const Clip& folderClip = cat.At(0);
  EXPECT_EQ(folderClip.source, ClipSource::Folder);
  EXPECT_EQ(folderClip.folder, U16(unit.Root() / "HDVF" / "001HDVF"));
  EXPECT_EQ(folderClip.kindBits, 3u);
  EXPECT_EQ(FileNames(folderClip), (Strings{u"001.M2T", u"002.M2T", u"001.DV"}));
  EXPECT_EQ(Continues(folderClip), (std::vector<bool>{false, true, false}));
  EXPECT_EQ(cat.At(3).kindBits, 4u);
}

TEST(ClipCatalogueScan, NumberedFoldersAreIgnoredOnceTheFlatFolderYieldsAClip) {
  TempDir dir;
  UnitTree unit(dir);
  unit.FlatFile("DVC0001.DV");
  PutFile(unit.HdvFolder("001"), "001.M2T");
  ClipCatalogue cat;
  cat.Scan(unit.Drive(), true, true);
  EXPECT_EQ(Names(cat), Strings{u"DVC0001"});
}

TEST(ClipCatalogueScan, EachSwitchReadsItsOwnNumberedFolders) {
  TempDir dir;
  UnitTree unit(dir);
  PutFile(unit.HdvFolder("001"), "001.M2T");
  PutFile(unit.DvFolder("001"), "001.DV");
  unit.FlatFile("ABC0001.M2T");  // an M2T-only flat folder yields nothing to a DV scan
  ClipCatalogue cat;
  cat.Scan(unit.Drive(), false, true);
  EXPECT_EQ(Names(cat), Strings{u"001DVF"});
}

// Vanishing and unreadable units ----------------------------------------------------------

TEST(ClipCatalogueScan, AUnitThatIsGoneScansToAnEmptyCatalogue) {
  TempDir dir;
  ClipCatalogue cat;
  EXPECT_TRUE(cat.Scan(dir.U16("unplugged"), true, true));
  EXPECT_EQ(cat.Count(), 0u);
}

// The real file system, except that the unit's tree disappears right after the first
// directory search: a unit unplugged while it is being scanned.
class UnpluggedAfterFirstSearch final : public testsupport::ForwardingFileSystem {
 public:
  explicit UnpluggedAfterFirstSearch(std::filesystem::path root) : root_(std::move(root)) {}
  std::vector<platform::DirEntry> Find(const std::u16string& folder, std::u16string_view pattern) override {
    auto found = inner_.Find(folder, pattern);
    std::filesystem::remove_all(root_);
    return found;
  }

 private:
  std::filesystem::path root_;
};

TEST(ClipCatalogueScan, AUnitUnpluggedMidScanLeavesAnEmptyCatalogue) {
  TempDir dir;
  UnitTree unit(dir);
  unit.IndexWithChunks("ABC0001.IDX", IdxBuilder().File("0001"));
  unit.FlatFile("DVC0001.DV");
  PutFile(unit.HdvFolder("001"), "001.M2T");
  UnpluggedAfterFirstSearch unplugged(unit.Root());
  platform::ScopedFileSystem installed(unplugged);
  ClipCatalogue cat;
  EXPECT_TRUE(cat.Scan(unit.Drive(), true, true));
  EXPECT_EQ(cat.Count(), 0u);
}

TEST(ClipCatalogueScan, AnUnreadableFlatFolderFallsBackToTheNumberedFolders) {
#ifdef _WIN32
  GTEST_SKIP() << "Windows folders are locked by access lists, not by the permission bits";
#else
  if (::geteuid() == 0) GTEST_SKIP() << "running as root: folder permissions do not block reading";
#endif
  TempDir dir;
  UnitTree unit(dir);
  unit.FlatFile("ABC0001.M2T");
  PutFile(unit.HdvFolder("001"), "001.M2T");
  const auto unreadable = PutFile(unit.HdvFolder("002"), "001.M2T").parent_path();
  std::filesystem::permissions(unit.Flat(), std::filesystem::perms::none);
  std::filesystem::permissions(unreadable, std::filesystem::perms::none);
  ClipCatalogue cat;
  EXPECT_TRUE(cat.Scan(unit.Drive(), true, true));
  EXPECT_EQ(Names(cat), Strings{u"001HDVF"});
}

// Catalogue access ------------------------------------------------------------------------

TEST(ClipCatalogue, ClearEmptiesItAndForgetsTheRootWhileHandedOutClipsLive) {
  MixedUnit u;
  ClipCatalogue cat;
  cat.Scan(u.unit.Drive(), true, true);
  const ClipHandle kept = cat.Handle(0);
  cat.Clear();
  EXPECT_EQ(cat.Count(), 0u);
  EXPECT_TRUE(cat.Root().empty());
  EXPECT_EQ(kept->name, u"HDV0001");
  EXPECT_EQ(kept->chunks.size(), 2u);
}

TEST(ClipCatalogue, ARescanStartsFromEmpty) {
  MixedUnit u;
  ClipCatalogue cat;
  cat.Scan(u.unit.Drive(), true, true);
  cat.Scan(u.unit.Drive(), true, true);
  EXPECT_EQ(cat.Count(), 4u);
  EXPECT_EQ(cat.At(0).chunks.size(), 2u);
}

TEST(ClipCatalogue, AnIndexBeyondTheEndIsARangeError) {
  MixedUnit u;
  ClipCatalogue cat;
  EXPECT_THROW(cat.At(0), std::out_of_range);
  cat.Scan(u.unit.Drive(), true, true);
  EXPECT_THROW(cat.At(4), std::out_of_range);
  EXPECT_THROW(cat.ClipName(4), std::out_of_range);
  EXPECT_THROW(cat.GetClipSizeMiB(4), std::out_of_range);
  EXPECT_THROW(cat.Handle(static_cast<std::size_t>(-1)), std::out_of_range);
}

TEST(ClipCatalogue, ClipSizeIsTheSumOfWholeMiBPerChunk) {
  TempDir dir;
  UnitTree unit(dir);
  const std::uint64_t mib = 1 << 20;
  testsupport::PutSparseFile(unit.Flat(), "ABC0001_1.M2T", 3 * mib - 1);
  testsupport::PutSparseFile(unit.Flat(), "ABC0001_2.M2T", 2 * mib);
  ClipCatalogue cat;
  cat.Scan(unit.Drive(), true, true);
  EXPECT_EQ(cat.GetClipSizeMiB(0), 4u);
}

}  // namespace
}  // namespace quillon
