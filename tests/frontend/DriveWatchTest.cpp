// The drive watch: changes in a row bring one look at the drives, after the delay, and none
// once the watch is gone.
#include "frontend/DriveWatch.h"

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <mutex>

namespace quillon::frontend {
namespace {

TEST(DriveWatch, ChangesBringOneLookAfterTheDelayAndNoneOnceItIsGone) {
  std::mutex mutex;
  std::condition_variable called;
  int calls = 0;
  {
    DriveWatch watch(
        [&] {
          std::lock_guard lock(mutex);
          ++calls;
          called.notify_all();
        },
        std::chrono::milliseconds(1), false);
    watch.Notice();
    std::unique_lock lock(mutex);
    ASSERT_TRUE(called.wait_for(lock, std::chrono::seconds(30), [&] { return calls > 0; }));
  }
  EXPECT_EQ(calls, 1);

  std::atomic<int> late{0};
  {
    DriveWatch watch([&late] { ++late; }, std::chrono::hours(1), false);
    for (int i = 0; i < 3; ++i) watch.Notice();
  }
  EXPECT_EQ(late.load(), 0) << "a watch that goes away calls nobody";
}

}  // namespace
}  // namespace quillon::frontend
