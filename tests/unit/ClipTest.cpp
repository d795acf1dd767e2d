#include "unit/Clip.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>

#include "support/NativePath.h"
#include "support/TempDir.h"
#include "support/ClipViews.h"
#include "support/UnitTree.h"

namespace quillon {
namespace {

using testsupport::P;
using testsupport::Continues;
using testsupport::FileNames;
using testsupport::IdxBuilder;
using testsupport::PutFile;
using testsupport::TempDir;
using testsupport::U16;
using testsupport::UnitTree;

// Index route ------------------------------------------------------------------------------

TEST(ClipFromIndex, AnAcceptedIndexGivesAnM2TClipWhoseFirstChunkBeginsTheOutput) {
  TempDir dir;
  UnitTree unit(dir);
  const auto idx = unit.Index("ABC0001.IDX", IdxBuilder().Date(8, 3, 14, 10, 15, 30).File("0002").Date(8, 3, 14, 10, 20, 0));
  const auto clip = Clip::FromIndex(u"ABC0001.IDX", U16(idx));
  EXPECT_EQ(clip->name, u"ABC0001");
  EXPECT_EQ(clip->folder, unit.FlatU16());
  EXPECT_EQ(clip->source, ClipSource::Flat);
  EXPECT_EQ(clip->kindBits, 1u);
  EXPECT_EQ(FileNames(*clip), (std::vector<std::u16string>{u"ABC0001_2008-03-14_101530.M2T",
                                                           u"ABC0001_0000-00-00_000002.M2T",
                                                           u"ABC0001_2008-03-14_102000.M2T"}));
  EXPECT_EQ(Continues(*clip), (std::vector<bool>{false, true, true}));
  EXPECT_EQ(clip->chunks[1].path, unit.FlatU16() + P(u"/ABC0001_0000-00-00_000002.M2T"));
}

TEST(ClipFromIndex, TheClipNameIsCutToSevenCharactersOrKeptWholeWhenShorter) {
  TempDir dir;
  UnitTree unit(dir);
  EXPECT_EQ(Clip::FromIndex(u"ABC0001-long.IDX", U16(unit.Index("ABC0001-long.IDX", IdxBuilder().File("0001"))))->name,
            u"ABC0001");
  EXPECT_EQ(Clip::FromIndex(u"AB.IDX", U16(unit.Index("AB.IDX", IdxBuilder().File("0001"))))->name, u"AB.IDX");
}

TEST(ClipFromIndex, ARejectedIndexLeavesTheKindBitsClear) {
  TempDir dir;
  UnitTree unit(dir);
  const auto bad = unit.IndexWithChunks("ABC0001.IDX", IdxBuilder().Date(8, 3, 14, 10, 15, 30).Flag(0x00));
  EXPECT_EQ(Clip::FromIndex(u"ABC0001.IDX", U16(bad))->kindBits, 0u);
  const auto missing = Clip::FromIndex(u"ABC0002.IDX", unit.FlatU16() + P(u"/ABC0002.IDX"));
  EXPECT_EQ(missing->kindBits, 0u);
  EXPECT_TRUE(missing->chunks.empty());
}

// Folder route -----------------------------------------------------------------------------

TEST(ClipFromFolder, ChunksComeM2TThenDVThenAVIEachInNameOrder) {
  TempDir dir;
  UnitTree unit(dir);
  const auto folder = unit.HdvFolder("001");
  PutFile(folder, "002.M2T");
  PutFile(folder, "001.DV");
  PutFile(folder, "001.M2T");
  PutFile(folder, "000.avi");
  PutFile(folder, "003.m2t");
  PutFile(folder, "notes.txt");
  const auto clip = Clip::FromFolder(u"001HDVF", U16(folder));
  EXPECT_EQ(clip->name, u"001HDVF");
  EXPECT_EQ(clip->folder, U16(folder));
  EXPECT_EQ(clip->source, ClipSource::Folder);
  EXPECT_EQ(clip->kindBits, 7u);
  EXPECT_EQ(FileNames(*clip), (std::vector<std::u16string>{u"001.M2T", u"002.M2T", u"003.m2t", u"001.DV", u"000.avi"}));
  // The first M2T begins the output; later ones continue it; DV and AVI always begin one.
  EXPECT_EQ(Continues(*clip), (std::vector<bool>{false, true, true, false, false}));
}

TEST(ClipFromFolder, SkipsEmptyHiddenAndFolderEntries) {
  TempDir dir;
  UnitTree unit(dir);
  const auto folder = unit.DvFolder("007");
  testsupport::PutEmptyFile(folder, "001.DV");
  testsupport::PutHiddenFile(folder, "002.DV");
  testsupport::PutFolder(folder, "003.DV");
  testsupport::PutEmptyFile(folder, "004.M2T");
  const auto empty = Clip::FromFolder(u"007DVF", U16(folder));
  EXPECT_TRUE(empty->chunks.empty());
  EXPECT_EQ(empty->kindBits, 0u);

  PutFile(folder, "005.DV");
  const auto one = Clip::FromFolder(u"007DVF", U16(folder));
  EXPECT_EQ(FileNames(*one), std::vector<std::u16string>{u"005.DV"});
  EXPECT_EQ(one->kindBits, 2u);
}

TEST(ClipFromFolder, AFolderThatVanishedGivesAnEmptyClip) {
  TempDir dir;
  const auto clip = Clip::FromFolder(u"001HDVF", dir.U16("HDVF/001HDVF"));
  EXPECT_TRUE(clip->chunks.empty());
  EXPECT_EQ(clip->kindBits, 0u);
}

// Name route -------------------------------------------------------------------------------

TEST(ClipAddFile, AppendsEachPathOnceAndEveryAddedM2TBeginsAnOutput) {
  auto clip = Clip::Named(P(u"/u/VIDEO/QVT"), u"ABC0001");
  EXPECT_EQ(clip->source, ClipSource::Flat);
  EXPECT_EQ(clip->kindBits, 0u);
  clip->AddFile(P(u"/u/VIDEO/QVT/ABC0001_1.M2T"));
  clip->AddFile(P(u"/u/VIDEO/QVT/ABC0001_2.M2T"));
  clip->AddFile(P(u"/u/VIDEO/QVT/ABC0001_1.M2T"));  // listed already
  clip->AddFile(P(u"/u/VIDEO/QVT/abc0001_1.M2T"));  // differs in case: another file
  EXPECT_EQ(clip->chunks.size(), 3u);
  EXPECT_EQ(Continues(*clip), (std::vector<bool>{false, false, false}));
  EXPECT_EQ(clip->kindBits, 1u);

  clip->AddFile(P(u"/u/VIDEO/QVT/ABC0001.AVI"));
  clip->AddFile(P(u"/u/VIDEO/QVT/ABC0001.XYZ"));  // no kind: listed, but sets no bit
  EXPECT_EQ(clip->kindBits, 5u);
  EXPECT_EQ(clip->chunks.size(), 5u);
}

TEST(ClipAddFile, AFileTheIndexListsIsNotAddedTwice) {
  TempDir dir;
  UnitTree unit(dir);
  const auto idx = unit.IndexWithChunks("ABC0001.IDX", IdxBuilder().Date(8, 3, 14, 10, 15, 30).Date(8, 3, 14, 10, 20, 0));
  auto clip = Clip::FromIndex(u"ABC0001.IDX", U16(idx));
  clip->AddFile(clip->chunks[1].path);
  clip->AddFile(unit.FlatU16() + P(u"/ABC0001X.M2T"));
  EXPECT_EQ(FileNames(*clip), (std::vector<std::u16string>{u"ABC0001_2008-03-14_101530.M2T",
                                                           u"ABC0001_2008-03-14_102000.M2T", u"ABC0001X.M2T"}));
  EXPECT_EQ(Continues(*clip), (std::vector<bool>{false, true, false}));
}

// Size, time and order ---------------------------------------------------------------------

TEST(Clip, SizeInMiBRoundsEachChunkDownBeforeAdding) {
  TempDir dir;
  auto clip = Clip::Named(dir.U16(), u"ABC0001");
  const std::uint64_t mib = 1 << 20;
  clip->AddFile(U16(testsupport::PutSparseFile(dir.Path(), "ABC0001_1.M2T", mib + mib / 2)));
  clip->AddFile(U16(testsupport::PutSparseFile(dir.Path(), "ABC0001_2.M2T", mib + mib / 2)));
  clip->AddFile(U16(testsupport::PutSparseFile(dir.Path(), "ABC0001_3.M2T", mib - 1)));
  clip->AddFile(dir.U16("ABC0001_gone.M2T"));
  clip->AddFile(U16(testsupport::PutSparseFile(dir.Path(), "ABC0001.DV", 5 * mib)));
  EXPECT_EQ(clip->SizeMiB(), 7u);
}

TEST(Clip, ClipTimeIsTheChunkFilesLastModifiedTime) {
  TempDir dir;
  auto clip = Clip::Named(dir.U16(), u"ABC0001");
  EXPECT_EQ(clip->ClipTime(0), 0);  // no chunks: no time, no error
  EXPECT_EQ(clip->ClipTime(5), 0);

  const auto first = PutFile(dir.Path(), "ABC0001_1.M2T");
  testsupport::SetMtime(first, 1205489730);
  clip->AddFile(U16(first));
  clip->AddFile(dir.U16("ABC0001_gone.M2T"));
  EXPECT_EQ(clip->ClipTime(0), 1205489730);
  EXPECT_EQ(clip->ClipTime(1), 0);
  EXPECT_THROW(clip->ClipTime(2), std::out_of_range);
}

TEST(Clip, OrderPutsClipsWithM2TFirstThenNamesByCodeUnits) {
  std::vector<ClipHandle> clips;
  const auto add = [&](const char16_t* name, std::uint32_t bits) {
    clips.push_back(Clip::Named(P(u"/u"), name));
    clips.back()->kindBits = bits;
  };
  add(u"AAA0001", 2);
  add(u"abc0001", 1);
  add(u"ZZZ0001", 1);
  add(u"ABC0001", 3);
  add(u"AB.IDX", 1);
  add(u"AAA000", 4);
  std::sort(clips.begin(), clips.end(), [](const ClipHandle& a, const ClipHandle& b) { return ClipLess(*a, *b); });
  std::vector<std::u16string> names;
  for (const auto& c : clips) names.push_back(c->name);
  EXPECT_EQ(names, (std::vector<std::u16string>{u"AB.IDX", u"ABC0001", u"ZZZ0001", u"abc0001", u"AAA000", u"AAA0001"}));
}

}  // namespace
}  // namespace quillon
