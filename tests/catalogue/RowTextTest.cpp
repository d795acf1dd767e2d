#include "catalogue/RowText.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

#include "catalogue/ClipCatalogue.h"
#include "platform/DateFormat.h"
#include "support/ScopedEnv.h"
#include "support/TempDir.h"
#include "support/UnitTree.h"

namespace quillon {
namespace {

using platform::kEnglishUnitedStates;
using platform::kUserDefaultLocale;
using testsupport::ScopedEnv;
using testsupport::TempDir;
using testsupport::U16;

constexpr std::int64_t k20080314_101530 = 1205489730;  // UTC
constexpr std::int64_t k20090102_090507 = 1230887107;  // UTC

// Rows are built in a fixed zone and the C locale so that they read the same everywhere.
class RowTextTest : public ::testing::Test {
 protected:
  ScopedEnv tz_{"TZ", "UTC0"};
  ScopedEnv all_{"LC_ALL", "C"};
};

TEST_F(RowTextTest, ARowReadsNameFormatDateTimeAndFileCount) {
  EXPECT_EQ(RowTextAt(u"ABC0001", 1, 3, k20080314_101530, kEnglishUnitedStates),
            u"ABC0001  - HDV -  3/14/2008   - 10:15:30  -  3files");
  EXPECT_EQ(RowTextAt(u"001HDVF", 2, 1, k20090102_090507, kEnglishUnitedStates),
            u"001HDVF  - DV  -  1/2/2009    - 09:05:07  -  1file");
}

TEST_F(RowTextTest, TheNameColumnIsEightCharactersWide) {
  EXPECT_EQ(RowTextAt(u"AB", 1, 1, k20080314_101530, kEnglishUnitedStates).substr(0, 11), u"AB       - ");
  EXPECT_EQ(RowTextAt(u"ABC000123", 1, 1, k20080314_101530, kEnglishUnitedStates).substr(0, 11), u"ABC00012 - ");
  EXPECT_EQ(RowTextAt(u"", 1, 1, k20080314_101530, kEnglishUnitedStates).substr(0, 11), u"         - ");
}

TEST_F(RowTextTest, TheFormatTagTellsHdvDvAndMixedClipsApart) {
  const auto tag = [](std::uint32_t bits) {
    return RowTextAt(u"ABC0001", bits, 1, k20080314_101530, kEnglishUnitedStates).substr(11, 7);
  };
  EXPECT_EQ(tag(1), u"HDV -  ");
  for (std::uint32_t bits : {3u, 5u, 7u}) EXPECT_EQ(tag(bits), u"*** -  ") << bits;
  for (std::uint32_t bits : {0u, 2u, 4u, 6u}) EXPECT_EQ(tag(bits), u"DV  -  ") << bits;
}

TEST_F(RowTextTest, TheDateColumnIsPaddedToTwelveCharacters) {
  // Ten characters get two spaces, eight get four; the separator always starts at column 30.
  const auto ten = RowTextAt(u"ABC0001", 1, 1, 1230768000 - 1, kEnglishUnitedStates);  // 12/31/2008
  EXPECT_EQ(ten.substr(18, 14), u"12/31/2008  - ");
#ifndef _WIN32  // the C locale's short date
  const auto user = RowTextAt(u"ABC0001", 1, 1, k20080314_101530, kUserDefaultLocale);  // C: %m/%d/%y
  EXPECT_EQ(user.substr(18, 14), u"03/14/08    - ");
#endif
}

TEST_F(RowTextTest, TheTimeColumnIsLocalTwentyFourHourWithLeadingZeros) {
  EXPECT_EQ(RowTextAt(u"A", 1, 1, k20090102_090507, kEnglishUnitedStates).substr(32), u"09:05:07  -  1file");
  {
    ScopedEnv tz("TZ", "JST-9");
    EXPECT_EQ(RowTextAt(u"A", 1, 1, k20080314_101530, kEnglishUnitedStates).substr(18),
              u"3/14/2008   - 19:15:30  -  1file");
  }
  {
    ScopedEnv tz("TZ", "HST10");  // ten hours behind: the day before
    EXPECT_EQ(RowTextAt(u"A", 1, 1, k20090102_090507, kEnglishUnitedStates).substr(18),
              u"1/1/2009    - 23:05:07  -  1file");
  }
}

TEST_F(RowTextTest, TheFileCountIsSingularForOneOnly) {
  EXPECT_TRUE(RowTextAt(u"A", 1, 0, k20080314_101530, kEnglishUnitedStates).ends_with(u"  -  0file"));
  EXPECT_TRUE(RowTextAt(u"A", 1, 1, k20080314_101530, kEnglishUnitedStates).ends_with(u"  -  1file"));
  EXPECT_TRUE(RowTextAt(u"A", 1, 2, k20080314_101530, kEnglishUnitedStates).ends_with(u"  -  2files"));
  EXPECT_TRUE(RowTextAt(u"A", 1, 1234, k20080314_101530, kEnglishUnitedStates).ends_with(u"  -  1234files"));
}

TEST_F(RowTextTest, InstantsOutsideTheDateRangeReadInvalid) {
  const std::u16string invalid = u"Invalid Date- Invalid DateTime  -  1file";
  for (const std::int64_t t : {std::numeric_limits<std::int64_t>::max(), std::numeric_limits<std::int64_t>::min(),
                               std::int64_t{253402300800} /* 1 Jan 10000 */,
                               std::int64_t{-59011459201} /* 31 Dec 99 */}) {
    EXPECT_EQ(RowTextAt(u"ABC0001", 1, 1, t, kEnglishUnitedStates).substr(18), invalid) << t;
  }
  EXPECT_EQ(RowTextAt(u"ABC0001", 1, 1, 253402300799, kEnglishUnitedStates).substr(18),
            u"12/31/9999  - 23:59:59  -  1file");
  EXPECT_EQ(RowTextAt(u"ABC0001", 1, 1, -59011459200, kEnglishUnitedStates).substr(18),
            u"1/1/100     - 00:00:00  -  1file");
}

TEST_F(RowTextTest, AnArabicUserSeesEnglishUnitedStatesDates) {
  ScopedEnv arabic("LC_ALL", "ar_EG.UTF-8");
  EXPECT_EQ(RowTextAt(u"ABC0001", 1, 1, k20080314_101530, platform::UserDateLocale()).substr(18, 12), u"3/14/2008   ");
}

// Rows of scanned clips ----------------------------------------------------------------------

TEST_F(RowTextTest, TheRowIsDatedByTheLastChunkFile) {
  TempDir dir;
  testsupport::UnitTree unit(dir);
  const auto first = unit.FlatFile("ABC0001_1.M2T");
  const auto last = unit.FlatFile("ABC0001_2.DV");
  testsupport::SetMtime(first, k20090102_090507);
  testsupport::SetMtime(last, k20080314_101530);
  ClipCatalogue cat;
  cat.Scan(unit.Drive(), true, true);
  std::vector<std::u16string> rows{u"left over from before"};
  cat.GetRowTexts(rows, kEnglishUnitedStates);
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0], u"ABC0001  - *** -  3/14/2008   - 10:15:30  -  2files");

  testsupport::SetMtime(first, k20080314_101530 + 3600);  // an earlier chunk does not count
  cat.GetRowTexts(rows, kEnglishUnitedStates);
  EXPECT_EQ(rows[0], u"ABC0001  - *** -  3/14/2008   - 10:15:30  -  2files");

  testsupport::SetMtime(last, k20090102_090507);
  cat.GetRowTexts(rows, kEnglishUnitedStates);
  EXPECT_EQ(rows[0], u"ABC0001  - *** -  1/2/2009    - 09:05:07  -  2files");

  std::filesystem::remove(last);  // gone: the row shows the local time of instant 0
  cat.GetRowTexts(rows, kEnglishUnitedStates);
  EXPECT_EQ(rows[0], u"ABC0001  - *** -  1/1/1970    - 00:00:00  -  2files");
}

TEST_F(RowTextTest, RowsFollowTheCatalogueOrderAndAnEmptyCatalogueGivesNone) {
  TempDir dir;
  testsupport::UnitTree unit(dir);
  testsupport::SetMtime(unit.FlatFile("DVC0001.DV"), k20080314_101530);
  testsupport::SetMtime(unit.FlatFile("ZZZ0001.M2T"), k20080314_101530);
  ClipCatalogue cat;
  std::vector<std::u16string> rows{u"stale"};
  cat.GetRowTexts(rows, kEnglishUnitedStates);
  EXPECT_TRUE(rows.empty());
  cat.Scan(unit.Drive(), true, true);
  cat.GetRowTexts(rows, kEnglishUnitedStates);
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_TRUE(rows[0].starts_with(u"ZZZ0001  - HDV -  "));
  EXPECT_TRUE(rows[1].starts_with(u"DVC0001  - DV  -  "));
}

}  // namespace
}  // namespace quillon
