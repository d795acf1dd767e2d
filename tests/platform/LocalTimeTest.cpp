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

}  // namespace
}  // namespace quillon::platform
