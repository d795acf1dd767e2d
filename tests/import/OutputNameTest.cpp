#include "import/OutputName.h"

#include <gtest/gtest.h>

#include <limits>

#include "platform/LocalTime.h"
#include "support/NativePath.h"
#include "support/ScopedEnv.h"

namespace quillon {
namespace {

using testsupport::P;
using testsupport::ScopedEnv;

Chunk TimedChunk(const char16_t* name, std::int64_t t) {
  Chunk c(std::u16string(P(u"/unit/HDVF/001HDVF/")) + name);
  c.probed = c.timeValid = true;
  c.recordingTime = t;
  return c;
}

TEST(OutputName, FlatClipsKeepTheChunksOwnName) {
  NamingState naming;
  naming.prefix = 42;
  const Clip clip(ClipSource::Flat, P(u"/unit/VIDEO/QVT"), u"ABCDEFG");
  EXPECT_EQ(OutputName(clip, Chunk(P(u"/unit/VIDEO/QVT/ABCDEFG001.AVI")), naming), u"ABCDEFG001.AVI");
  EXPECT_EQ(naming.lastNoTime.load(), 0);  // no stamp is used up
}

TEST(OutputName, FolderClipsShowPrefixFolderNumberAndTheRecordedFields) {
  ScopedEnv tz("TZ", "Europe/Berlin");
  NamingState naming;
  naming.prefix = 3;
  const Clip clip(ClipSource::Folder, P(u"/unit/HDVF/001HDVF"), u"001HDVF");
  const auto t = platform::FromLocalFields(2007, 5, 31, 14, 23, 14);
  ASSERT_TRUE(t);
  EXPECT_EQ(OutputName(clip, TimedChunk(u"A.M2T", *t), naming), u"03_0001_2007-05-31_142314.M2T");

  naming.prefix = 0;
  EXPECT_EQ(OutputName(clip, TimedChunk(u"A.M2T", *t), naming).substr(0, 5), u"00_00");
  naming.prefix = 99;
  const Clip shortName(ClipSource::Folder, P(u"/x"), u"7H");
  EXPECT_EQ(OutputName(shortName, TimedChunk(u"B.DV", *t), naming), u"99_07H_2007-05-31_142314.DV");
  EXPECT_EQ(OutputName(clip, TimedChunk(u"noext", *t), naming), u"99_0001_2007-05-31_142314.");
}

TEST(OutputName, ATimeThatCannotBeShownLeavesTheStampEmpty) {
  NamingState naming;
  naming.prefix = 3;
  const Clip clip(ClipSource::Folder, P(u"/x"), u"001DVF");
  EXPECT_EQ(OutputName(clip, TimedChunk(u"A.DV", std::numeric_limits<std::int64_t>::max()), naming),
            u"03_0001_.DV");
}

TEST(OutputName, NamesWithoutRecordingTimeGetStampsThatNeverRepeat) {
  ScopedEnv tz("TZ", "UTC");
  NamingState naming;
  naming.prefix = 3;
  const Clip clip(ClipSource::Folder, P(u"/x"), u"001DVF");
  Chunk untimed(P(u"/x/A.DV"));

  const std::int64_t before = platform::Now();
  const std::u16string first = OutputName(clip, untimed, naming);
  EXPECT_GE(naming.lastNoTime.load(), before);
  EXPECT_EQ(first.substr(first.size() - 11), u"_No_Time.DV");

  // A stamp ahead of the clock (names made within one second) goes on by one second each.
  const auto ahead = platform::FromLocalFields(2099, 12, 31, 23, 59, 58);
  ASSERT_TRUE(ahead);
  naming.lastNoTime = *ahead;
  EXPECT_EQ(OutputName(clip, untimed, naming), u"03_0001_2099-12-31_235959_No_Time.DV");
  EXPECT_EQ(OutputName(clip, untimed, naming), u"03_0001_2100-01-01_000000_No_Time.DV");
}

}  // namespace
}  // namespace quillon
