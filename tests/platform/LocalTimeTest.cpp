#include "platform/LocalTime.h"

#include <gtest/gtest.h>

#include <limits>

#include "support/ScopedEnv.h"

namespace quillon::platform {
namespace {

using testsupport::ScopedEnv;

TEST(LocalTime, FieldsAreTheLocalTimeOfTheInstant) {
  ScopedEnv tz("TZ", "JST-9");
  const auto f = LocalFields(1205489730);  // 2008-03-14 10:15:30 UTC
  ASSERT_TRUE(f.has_value());
  EXPECT_EQ(f->tm_year + 1900, 2008);
  EXPECT_EQ(f->tm_hour, 19);
  EXPECT_EQ(FormatLocal(1205489730, "%Y-%m-%d %H:%M:%S"), u"2008-03-14 19:15:30");
  EXPECT_FALSE(LocalFields(std::numeric_limits<std::int64_t>::max()).has_value());
  EXPECT_EQ(FormatLocal(std::numeric_limits<std::int64_t>::max(), "%H"), u"");
}

TEST(LocalTime, LocalFieldsGoBackToTheirInstant) {
  ScopedEnv tz("TZ", "JST-9");
  EXPECT_EQ(FromLocalFields(2008, 3, 14, 19, 15, 30), 1205489730);
  EXPECT_EQ(FromLocalFields(2008, 3, 0, 19, 15, 30), 1205489730 - 14 * 86400);  // day 0: end of February
}

TEST(LocalTime, OneSecondBeforeTheEpochIsAnInstantNotAnError) {
  for (const char* zone : {"UTC0", "JST-9", "HST10"}) {
    ScopedEnv tz("TZ", zone);
    const auto f = LocalFields(-1);
    ASSERT_TRUE(f.has_value()) << zone;
    EXPECT_EQ(FromLocalFields(f->tm_year + 1900, f->tm_mon + 1, f->tm_mday, f->tm_hour, f->tm_min, f->tm_sec), -1)
        << zone;
  }
  EXPECT_FALSE(FromLocalFields(std::numeric_limits<int>::max() - 1000, std::numeric_limits<int>::max(), 1, 0, 0, 0).has_value());  // no such year
}

TEST(LocalTime, InstantsFarFromTodayKeepTheirCalendarFields) {
  ScopedEnv tz("TZ", "UTC0");
  struct Case {
    std::int64_t t;
    int year, month, day, hour, minute, second;
  };
  for (const Case& c : {Case{-2208988800, 1900, 1, 1, 0, 0, 0},       // before the Windows runtime's range
                        Case{-12219292801, 1582, 10, 14, 23, 59, 59},  // proleptic Gregorian
                        Case{951782400, 2000, 2, 29, 0, 0, 0},
                        Case{32535215999, 3000, 12, 31, 23, 59, 59},   // the Windows runtime's last second
                        Case{32535216000, 3001, 1, 1, 0, 0, 0},
                        Case{253402300799, 9999, 12, 31, 23, 59, 59}}) {
    const auto f = LocalFields(c.t);
    ASSERT_TRUE(f.has_value()) << c.t;
    EXPECT_EQ(f->tm_year + 1900, c.year) << c.t;
    EXPECT_EQ(f->tm_mon + 1, c.month) << c.t;
    EXPECT_EQ(f->tm_mday, c.day) << c.t;
    EXPECT_EQ(f->tm_hour * 3600 + f->tm_min * 60 + f->tm_sec, c.hour * 3600 + c.minute * 60 + c.second) << c.t;
    EXPECT_EQ(FromLocalFields(c.year, c.month, c.day, c.hour, c.minute, c.second), c.t) << c.t;
  }
}

TEST(LocalTime, UtcOffsetIsHowFarLocalTimeIsAhead) {
  struct Case {
    const char* zone;
    std::int64_t offset;
  };
  for (const Case& c : {Case{"UTC0", 0}, Case{"JST-9", 9 * 3600}, Case{"HST10", -10 * 3600}}) {
    ScopedEnv tz("TZ", c.zone);
    for (const std::int64_t t : {std::int64_t{1205489730}, std::int64_t{-1}, std::int64_t{-2208988800}}) {
      const auto f = LocalFields(t);
      ASSERT_TRUE(f.has_value()) << c.zone << " " << t;
      EXPECT_EQ(UtcOffset(*f, t), c.offset) << c.zone << " " << t;
    }
  }
}

}  // namespace
}  // namespace quillon::platform
