#include "unit/Chunk.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "support/NativePath.h"
#include "support/TempDir.h"
#include "support/UnitTree.h"
#include "unit/KindTable.h"

namespace quillon {
namespace {

using testsupport::P;
using testsupport::TempDir;
using testsupport::U16;

TEST(Chunk, KindComesFromTheExtensionAfterTheLastDot) {
  EXPECT_EQ(Chunk(P(u"/u/A.M2T")).kind, kKindM2T);
  EXPECT_EQ(Chunk(P(u"/u/x.m2t")).kind, kKindM2T);  // lower case counts
  EXPECT_EQ(Chunk(P(u"/u/A.Dv")).kind, kKindDV);
  EXPECT_EQ(Chunk(P(u"/u/A.M2T.avi")).kind, kKindAVI);
  EXPECT_EQ(Chunk(P(u"/u/A.m2ts")).kind, -1);
  EXPECT_EQ(Chunk(P(u"/u/A.IDX")).kind, -1);
  EXPECT_EQ(Chunk(P(u"/u/A.")).kind, -1);
  EXPECT_EQ(Chunk(P(u"/u/dv")).kind, kKindDV);  // no dot: the whole name is the extension
  EXPECT_EQ(Chunk(P(u"/u/A.M\u00B2T")).kind, -1);
}

TEST(Chunk, OnlyM2TChunksMayContinueTheOutputBeforeThem) {
  EXPECT_TRUE(Chunk(P(u"/u/A.M2T")).continues);
  EXPECT_FALSE(Chunk(P(u"/u/A.DV")).continues);
  EXPECT_FALSE(Chunk(P(u"/u/A.AVI")).continues);
  EXPECT_FALSE(Chunk(P(u"/u/A.TXT")).continues);
}

TEST(Chunk, FileNameIsTheLastComponentUnlessGiven) {
  EXPECT_EQ(Chunk(P(u"/u/VIDEO/QVT/ABC0001.M2T")).fileName, u"ABC0001.M2T");
  EXPECT_EQ(Chunk(u"ABC0001.M2T").fileName, u"ABC0001.M2T");
  const Chunk given(P(u"/u/HDVF/001HDVF/x.dat"), u"x.dv");
  EXPECT_EQ(given.fileName, u"x.dv");
  EXPECT_EQ(given.kind, kKindDV);  // classified from the given name
}

TEST(Chunk, OrderIsKindFirstThenNameByCodeUnits) {
  std::vector<Chunk> chunks{Chunk(P(u"/f/001.DV")), Chunk(P(u"/f/b.M2T")), Chunk(P(u"/f/002.M2T")), Chunk(P(u"/f/README")),
                            Chunk(P(u"/f/001.AVI")), Chunk(P(u"/f/B.M2T")), Chunk(P(u"/f/\u00E9.M2T")), Chunk(P(u"/f/001.M2T"))};
  std::sort(chunks.begin(), chunks.end(), ChunkLess);
  std::vector<std::u16string> names;
  for (const auto& c : chunks) names.push_back(c.fileName);
  EXPECT_EQ(names, (std::vector<std::u16string>{u"README", u"001.M2T", u"002.M2T", u"B.M2T", u"b.M2T",
                                                u"\u00E9.M2T", u"001.DV", u"001.AVI"}));
}

TEST(Chunk, SizeIsQueriedOnceAndIsZeroForWhatCannotBeOpened) {
  TempDir dir;
  const auto path = testsupport::PutFile(dir.Path(), "A.M2T", testsupport::ChunkBytes(3));
  Chunk chunk(U16(path));
  EXPECT_FALSE(chunk.SizeKnown());
  EXPECT_EQ(chunk.Size(), 3u * 188);
  EXPECT_TRUE(chunk.SizeKnown());
  testsupport::PutFile(dir.Path(), "A.M2T", testsupport::ChunkBytes(5));
  EXPECT_EQ(chunk.Size(), 3u * 188);  // the first answer stands

  Chunk missing(dir.U16("gone.M2T"));
  EXPECT_EQ(missing.Size(), 0u);
  testsupport::PutFile(dir.Path(), "gone.M2T");
  EXPECT_EQ(missing.Size(), 0u);  // not asked again

  EXPECT_EQ(Chunk(U16(testsupport::PutFolder(dir.Path(), "dir.M2T"))).Size(), 0u);
#ifndef _WIN32  // no FIFO in a Windows folder
  EXPECT_EQ(Chunk(U16(testsupport::PutFifo(dir.Path(), "fifo.M2T"))).Size(), 0u);
#endif
}

}  // namespace
}  // namespace quillon
