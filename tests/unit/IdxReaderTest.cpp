#include "unit/IdxReader.h"

#include <gtest/gtest.h>

#include "platform/FileSystem.h"
#include "support/NativePath.h"
#include "support/TempDir.h"
#include "support/UnitTree.h"

namespace quillon {
namespace {

using testsupport::P;
using testsupport::IdxBuilder;
using testsupport::TempDir;
using testsupport::U16;
using testsupport::UnitTree;

const std::u16string kBase = P(u"/u/VIDEO/QVT/ABC0001");

IdxResult Parse(const IdxBuilder& idx, const std::u16string& base = kBase) {
  const auto bytes = idx.Build();
  return ParseIdx(bytes, base);
}

TEST(IdxReader, DateAndFileEntriesNameTheirChunksInEntryOrder) {
  const auto r = Parse(IdxBuilder().Date(8, 3, 14, 10, 15, 30).File("0001").Date(8, 3, 14, 9, 5, 7));
  EXPECT_TRUE(r.accepted);
  EXPECT_EQ(r.chunkPaths, (std::vector<std::u16string>{P(u"/u/VIDEO/QVT/ABC0001_2008-03-14_101530.M2T"),
                                                       P(u"/u/VIDEO/QVT/ABC0001_0000-00-00_000001.M2T"),
                                                       P(u"/u/VIDEO/QVT/ABC0001_2008-03-14_090507.M2T")}));
}

TEST(IdxReader, DateBytesAreTakenModuloHundredWithoutValidation) {
  const auto r = Parse(IdxBuilder().Date(108, 255, 0, 99, 160, 200).Date(108, 255, 0, 99, 160, 200));
  ASSERT_EQ(r.chunkPaths.size(), 2u);  // identical entries both count
  EXPECT_EQ(r.chunkPaths[0], P(u"/u/VIDEO/QVT/ABC0001_2008-55-00_996000.M2T"));
  EXPECT_EQ(r.chunkPaths[1], r.chunkPaths[0]);
}

TEST(IdxReader, FileEntryBytesBecomeLatin1Characters) {
  const auto r = Parse(IdxBuilder().File("\xE9\x7F\xFF\x80"));
  ASSERT_EQ(r.chunkPaths.size(), 1u);
  EXPECT_EQ(r.chunkPaths[0], P(u"/u/VIDEO/QVT/ABC0001_0000-00-00_00\u00E9\u007F\u00FF\u0080.M2T"));
}

TEST(IdxReader, HeaderChecksAcceptOnlyTheDocumentedBits) {
  const auto one = [] { return IdxBuilder().Date(8, 3, 14, 10, 15, 30); };
  EXPECT_TRUE(Parse(one().Flag(0x80)).accepted);
  EXPECT_TRUE(Parse(one().Flag(0xFF)).accepted);
  EXPECT_TRUE(Parse(one().CheckByte(0x9A)).accepted);  // bit 7 of the check byte is free

  for (const auto& bent : {one().Flag(0x7F), one().CheckByte(0x1B), one().CheckByte(0x00),
                           one().Magic("INDXV201"), one().Magic("indxv200"), one().Magic("")}) {
    const auto r = Parse(bent);
    EXPECT_FALSE(r.accepted);
    EXPECT_TRUE(r.chunkPaths.empty());
  }
}

TEST(IdxReader, OnlyTheLowNibblesOfTheCountCount) {
  IdxBuilder idx;
  for (int i = 0; i < 12; ++i) idx.Date(8, 3, 14, 10, 15, static_cast<std::uint8_t>(i));
  idx.Date(9, 1, 1, 0, 0, 0);  // beyond the count: ignored
  idx.CountBytes({0x30, 0x30, 0x31, 0x32});
  auto r = Parse(idx);
  EXPECT_TRUE(r.accepted);
  EXPECT_EQ(r.chunkPaths.size(), 12u);
  EXPECT_EQ(r.chunkPaths.back(), P(u"/u/VIDEO/QVT/ABC0001_2008-03-14_101511.M2T"));

  idx.CountBytes({0xF0, 0xA0, 0x51, 0xC2});  // high nibbles are noise: 0012 again
  EXPECT_EQ(Parse(idx).chunkPaths.size(), 12u);
}

TEST(IdxReader, AnEmptyOrUnknownOnlyIndexYieldsNothing) {
  EXPECT_FALSE(Parse(IdxBuilder()).accepted);
  EXPECT_FALSE(Parse(IdxBuilder().Date(8, 1, 1, 0, 0, 0).Count(0)).accepted);

  const auto unknown = Parse(IdxBuilder().RawEntry("XXXXabcd").RawEntry("FIL0abcd").RawEntry("D"));
  EXPECT_FALSE(unknown.accepted);
  EXPECT_TRUE(unknown.chunkPaths.empty());

  // Unknown tags are skipped but still use up the count.
  const auto mixed = Parse(IdxBuilder().RawEntry("junk").File("0002").Count(1));
  EXPECT_FALSE(mixed.accepted);
}

TEST(IdxReader, ACountBeyondTheFileRejectsTheWholeIndex) {
  IdxBuilder idx;
  for (int i = 0; i < 10; ++i) idx.File("000" + std::to_string(i));
  // Ends in the middle of the fifth of ten entries.
  const auto cut = Parse(IdxBuilder(idx).TruncateAt(16 + 4 * 16 + 7));
  EXPECT_FALSE(cut.accepted);
  EXPECT_TRUE(cut.chunkPaths.empty());

  // Claims 16665 entries (every nibble 0xF) but holds ten.
  EXPECT_FALSE(Parse(IdxBuilder(idx).CountBytes({0x0F, 0x0F, 0x0F, 0x0F})).accepted);
  EXPECT_FALSE(Parse(IdxBuilder(idx).Count(11)).accepted);

  // Bytes after the last counted entry are ignored.
  const auto trailing = Parse(IdxBuilder(idx).Trailing("garbage that is not an entry"));
  EXPECT_TRUE(trailing.accepted);
  EXPECT_EQ(trailing.chunkPaths.size(), 10u);
}

TEST(IdxReader, AHeaderCutShortIsRejected) {
  const auto bytes = IdxBuilder().Date(8, 3, 14, 10, 15, 30).TruncateAt(15).Build();
  EXPECT_FALSE(ParseIdx(bytes, kBase).accepted);
  EXPECT_FALSE(ParseIdx({}, kBase).accepted);
}

TEST(IdxReader, ChunkBaseIsTheFolderAndTheFirstSevenCharactersOfTheName) {
  EXPECT_EQ(IdxChunkBase(P(u"/m/UNIT/VIDEO/QVT/ABC0001.IDX")), P(u"/m/UNIT/VIDEO/QVT/ABC0001"));
  EXPECT_EQ(IdxChunkBase(P(u"/m/UNIT/VIDEO/QVT/ABC000123.IDX")), P(u"/m/UNIT/VIDEO/QVT/ABC0001"));
  EXPECT_EQ(IdxChunkBase(P(u"/m/UNIT/VIDEO/QVT/AB.IDX")), P(u"/m/UNIT/VIDEO/QVT/AB.IDX"));  // short names whole
  EXPECT_EQ(IdxChunkBase(u"ABC0001.IDX"), u"ABC0001");  // no folder at all
  EXPECT_EQ(IdxChunkBase(P(u"/ABC0001.IDX")), P(u"/ABC000"));  // a separator only in front
}

// Reading from the unit ---------------------------------------------------------------------

TEST(IdxReader, ReadsAnIndexFileBesideItsChunks) {
  TempDir dir;
  UnitTree unit(dir);
  const auto path = unit.Index("ABC0001.IDX", IdxBuilder().Date(8, 3, 14, 10, 15, 30).File("0001"));
  const auto r = ReadIdx(U16(path));
  EXPECT_TRUE(r.accepted);
  EXPECT_EQ(r.chunkPaths, (std::vector<std::u16string>{unit.FlatU16() + P(u"/ABC0001_2008-03-14_101530.M2T"),
                                                       unit.FlatU16() + P(u"/ABC0001_0000-00-00_000001.M2T")}));
}

TEST(IdxReader, AShortIndexNameIsTheWholeClipName) {
  TempDir dir;
  UnitTree unit(dir);
  const auto r = ReadIdx(U16(unit.Index("AB.IDX", IdxBuilder().File("0001"))));
  ASSERT_EQ(r.chunkPaths.size(), 1u);
  EXPECT_EQ(r.chunkPaths[0], unit.FlatU16() + P(u"/AB.IDX_0000-00-00_000001.M2T"));
}

TEST(IdxReader, AFileThatEndsMidEntryIsRejected) {
  TempDir dir;
  UnitTree unit(dir);
  IdxBuilder idx;
  for (int i = 0; i < 10; ++i) idx.Date(8, 3, 14, 10, 15, static_cast<std::uint8_t>(i));
  EXPECT_FALSE(ReadIdx(U16(unit.Index("ABC0001.IDX", idx.TruncateAt(16 + 4 * 16 + 9)))).accepted);
  EXPECT_FALSE(ReadIdx(U16(unit.Index("ABC0002.IDX", IdxBuilder().Date(8, 1, 1, 0, 0, 0).TruncateAt(10)))).accepted);
  EXPECT_FALSE(ReadIdx(U16(unit.Index("ABC0003.IDX", IdxBuilder().TruncateAt(0)))).accepted);
}

TEST(IdxReader, AnythingButARegularFileIsRejectedWithoutHanging) {
  TempDir dir;
  UnitTree unit(dir);
  EXPECT_FALSE(ReadIdx(unit.FlatU16() + P(u"/MISSING.IDX")).accepted);
  // Reading a FIFO would wait for a writer forever.
#ifndef _WIN32  // no FIFO in a Windows folder
  EXPECT_FALSE(ReadIdx(U16(testsupport::PutFifo(unit.Flat(), "ABC0001.IDX"))).accepted);
#endif
  EXPECT_FALSE(ReadIdx(U16(testsupport::PutFolder(unit.Flat(), "ABC0002.IDX"))).accepted);
}

TEST(IdxReader, ANulInAFileEntryNamesNoFileThatCanBeOpened) {
  TempDir dir;
  UnitTree unit(dir);
  // The unit holds a file whose name is the chunk name cut at the NUL: the path must not
  // reach it through a C string.
  unit.FlatFile("ABC0001_0000-00-00_0000");
  const auto r = ReadIdx(U16(unit.Index("ABC0001.IDX", IdxBuilder().File(std::string("00\0" "1", 4)))));
  ASSERT_TRUE(r.accepted);
  ASSERT_EQ(r.chunkPaths.size(), 1u);
  EXPECT_EQ(r.chunkPaths[0], unit.FlatU16() + P(u"/ABC0001_0000-00-00_0000") + std::u16string(1, u'\0') + u"1.M2T");
  EXPECT_EQ(platform::Files().OpenRead(r.chunkPaths[0]), nullptr);
  EXPECT_FALSE(platform::Files().Status(r.chunkPaths[0]).has_value());
}

}  // namespace
}  // namespace quillon
