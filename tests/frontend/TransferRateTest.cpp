#include "frontend/TransferRate.h"

#include <gtest/gtest.h>

namespace quillon::frontend {
namespace {

using std::chrono::milliseconds;
using std::chrono::seconds;

constexpr std::uint64_t kMiB = 1024 * 1024;

TransferRate::TimePoint At(milliseconds ms) { return TransferRate::TimePoint{} + ms; }

TEST(TransferRate, KnownOnceTheLeastSpanIsCoveredThenOverTheRecentSpanOnly) {
  TransferRate rate(seconds(10), seconds(1));
  rate.Add(At(milliseconds(0)), 0);
  rate.Add(At(milliseconds(500)), 5 * kMiB);
  EXPECT_FALSE(rate.Rate(100 * kMiB)) << "half a second is not enough";

  rate.Add(At(milliseconds(1000)), 10 * kMiB);
  auto estimate = rate.Rate(100 * kMiB);
  ASSERT_TRUE(estimate);
  EXPECT_DOUBLE_EQ(estimate->bytesPerSecond, 10.0 * kMiB);
  ASSERT_TRUE(estimate->secondsLeft);
  EXPECT_DOUBLE_EQ(*estimate->secondsLeft, 9.0);

  // The copy slows to 1 MiB/s for 20 s: the early, faster second no longer counts.
  for (int s = 2; s <= 21; ++s) rate.Add(At(seconds(s)), 10 * kMiB + static_cast<std::uint64_t>(s - 1) * kMiB);
  estimate = rate.Rate(100 * kMiB);
  ASSERT_TRUE(estimate);
  EXPECT_DOUBLE_EQ(estimate->bytesPerSecond, 1.0 * kMiB);
  EXPECT_DOUBLE_EQ(*estimate->secondsLeft, 70.0);
}

TEST(TransferRate, AStallHasNoTimeLeftAndBytesGoingBackBeginANewCount) {
  TransferRate rate(seconds(10), seconds(1));
  rate.Add(At(seconds(0)), 7 * kMiB);
  rate.Add(At(seconds(2)), 7 * kMiB);
  const auto stalled = rate.Rate(10 * kMiB);
  ASSERT_TRUE(stalled);
  EXPECT_EQ(stalled->bytesPerSecond, 0.0);
  EXPECT_FALSE(stalled->secondsLeft);

  rate.Add(At(seconds(3)), 1 * kMiB);  // a new import on the same window
  EXPECT_FALSE(rate.Rate(10 * kMiB));
  rate.Add(At(seconds(5)), 5 * kMiB);
  const auto fresh = rate.Rate(10 * kMiB);
  ASSERT_TRUE(fresh);
  EXPECT_DOUBLE_EQ(fresh->bytesPerSecond, 2.0 * kMiB);
  // More done than the total leaves no time, not a negative one.
  rate.Add(At(seconds(6)), 20 * kMiB);
  EXPECT_EQ(*rate.Rate(10 * kMiB)->secondsLeft, 0.0);
}

}  // namespace
}  // namespace quillon::frontend
