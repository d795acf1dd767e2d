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
  std::atomic<std::int64_t> lastNoTime{0};
  int prefix = 42;
  const Clip clip(ClipSource::Flat, P(u"/unit/VIDEO/QVT"), u"ABCDEFG");
  EXPECT_EQ(OutputName(clip, Chunk(P(u"/unit/VIDEO/QVT/ABCDEFG001.AVI")), prefix, lastNoTime), u"ABCDEFG001.AVI");
  EXPECT_EQ(lastNoTime.load(), 0);  // no stamp is used up
}

TEST(OutputName, FolderClipsShowPrefixFolderNumberAndTheRecordedFields) {
  ScopedEnv tz("TZ", "Europe/Berlin");
  std::atomic<std::int64_t> lastNoTime{0};
  int prefix = 3;
  const Clip clip(ClipSource::Folder, P(u"/unit/HDVF/001HDVF"), u"001HDVF");
  const auto t = platform::FromLocalFields(2007, 5, 31, 14, 23, 14);
  ASSERT_TRUE(t);
  EXPECT_EQ(OutputName(clip, TimedChunk(u"A.M2T", *t), prefix, lastNoTime), u"03_0001_2007-05-31_142314.M2T");

  prefix = 0;
  EXPECT_EQ(OutputName(clip, TimedChunk(u"A.M2T", *t), prefix, lastNoTime).substr(0, 5), u"00_00");
  prefix = 99;
  const Clip shortName(ClipSource::Folder, P(u"/x"), u"7H");
  EXPECT_EQ(OutputName(shortName, TimedChunk(u"B.DV", *t), prefix, lastNoTime), u"99_07H_2007-05-31_142314.DV");
  EXPECT_EQ(OutputName(clip, TimedChunk(u"noext", *t), prefix, lastNoTime), u"99_0001_2007-05-31_142314.");
}

TEST(OutputName, ATimeThatCannotBeShownLeavesTheStampEmpty) {
  std::atomic<std::int64_t> lastNoTime{0};
  int prefix = 3;
  const Clip clip(ClipSource::Folder, P(u"/x"), u"001DVF");
  EXPECT_EQ(OutputName(clip, TimedChunk(u"A.DV", std::numeric_limits<std::int64_t>::max()), prefix, lastNoTime),
            u"03_0001_.DV");
}

TEST(OutputName, NamesWithoutRecordingTimeGetStampsThatNeverRepeat) {
  ScopedEnv tz("TZ", "UTC");
  std::atomic<std::int64_t> lastNoTime{0};
  int prefix = 3;
  const Clip clip(ClipSource::Folder, P(u"/x"), u"001DVF");
  Chunk untimed(P(u"/x/A.DV"));

  const std::int64_t before = platform::Now();
  const std::u16string first = OutputName(clip, untimed, prefix, lastNoTime);
  EXPECT_GE(lastNoTime.load(), before);
  EXPECT_EQ(first.substr(first.size() - 11), u"_No_Time.DV");

  // A stamp ahead of the clock (names made within one second) goes on by one second each.
  const auto ahead = platform::FromLocalFields(2099, 12, 31, 23, 59, 58);
  ASSERT_TRUE(ahead);
  lastNoTime = *ahead;
  EXPECT_EQ(OutputName(clip, untimed, prefix, lastNoTime), u"03_0001_2099-12-31_235959_No_Time.DV");
  EXPECT_EQ(OutputName(clip, untimed, prefix, lastNoTime), u"03_0001_2100-01-01_000000_No_Time.DV");
}

}  // namespace
}  // namespace quillon
