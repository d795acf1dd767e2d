#include "import/ImportJob.h"

#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <functional>
#include <mutex>

#include "platform/Text.h"
#include "support/TempDir.h"

namespace quillon {
namespace {

namespace fs = std::filesystem;
using testsupport::TempDir;

// Stands in for the windows: records what the worker posts and answers questions from a script.
class RecordingFrontEnd final : public ImportFrontEnd {
 public:
  struct Post {
    bool toMain;
    CopyCode code;
    std::uint32_t lParam;
    bool operator==(const Post&) const = default;
  };

  std::function<void(const Post&)> onPost;  // runs on the worker thread, like a window reacting
  std::deque<int> answers;
  std::atomic<bool> progressOpen{true};

  void PostToMainWindow(CopyCode code, std::uint32_t lParam) override { Record({true, code, lParam}); }
  bool PostToProgress(CopyCode code, std::uint32_t lParam) override {
    if (!progressOpen) return false;
    Record({false, code, lParam});
    return true;
  }
  bool ProgressWindowExists() override { return progressOpen; }
  int AskOverwrite(const std::u16string&) override {
    std::lock_guard lock(mutex_);
    if (answers.empty()) return kAnswerNo;
    const int a = answers.front();
    answers.pop_front();
    return a;
  }
  void WorkerEnded() override { ended = true; }

  std::vector<Post> Posts() {
    std::lock_guard lock(mutex_);
    return posts_;
  }
  int Count(CopyCode code) {
    int n = 0;
    for (const auto& p : Posts()) n += p.code == code;
    return n;
  }
  std::atomic<bool> ended{false};

 private:
  void Record(const Post& p) {
    {
      std::lock_guard lock(mutex_);
      posts_.push_back(p);
    }
    if (onPost) onPost(p);
  }
  std::mutex mutex_;
  std::vector<Post> posts_;
};

class ImportJobTest : public ::testing::Test {
 protected:
  ImportJobTest() { fs::create_directories(dest.Path()); }

  // Three DV clips in the flat folder: AAA0001 (100 KiB), BBB0001 (kib), CCC0001 (100 KiB).
  void MakeUnit(std::size_t secondKiB, bool secondMissing = false) {
    const fs::path flat = unit.Path() / "VIDEO" / "QVT";
    testsupport::WriteFile(flat / "AAA0001.DV", std::string(100 * 1024, 'a'));
    testsupport::WriteFile(flat / "BBB0001A.DV", std::string(secondKiB * 1024, 'b'));
    testsupport::WriteFile(flat / "CCC0001.DV", std::string(100 * 1024, 'c'));
    catalogue.Scan(unit.U16(), true, true);
    ASSERT_EQ(catalogue.Count(), 3u);
    if (secondMissing) fs::remove(flat / "BBB0001A.DV");
  }

  ImportOutcome RunToEnd(ImportJob& job, std::vector<std::size_t> rows, bool cancelled = false) {
    job.Prepare(0, std::move(rows), dest.U16());
    job.StartWorker();
    job.Join();
    return job.Conclude(cancelled || context.state.load() == Stop);
  }

  bool DestHas(const char* name) const { return fs::exists(dest.Path() / name); }

  TempDir unit, dest;
  ClipCatalogue catalogue;
  ImportContext context;
  NamingState naming;
  RecordingFrontEnd frontEnd;
};

TEST_F(ImportJobTest, AFailedClipIsReportedOnceAndTheImportGoesOn) {
  MakeUnit(10, /*secondMissing=*/true);
  ImportJob job(catalogue, frontEnd, context, naming);
  const ImportOutcome outcome = RunToEnd(job, {0, 1, 2});
  EXPECT_EQ(frontEnd.Count(COPY_FAILED), 1);
  EXPECT_EQ(outcome.failed, std::vector<std::u16string>{u"BBB0001"});
  EXPECT_TRUE(DestHas("AAA0001.DV"));
  EXPECT_TRUE(DestHas("CCC0001.DV"));
  ASSERT_FALSE(frontEnd.Posts().empty());
  EXPECT_EQ(frontEnd.Posts().back(), (RecordingFrontEnd::Post{false, COPY_DONE, 0}));
  EXPECT_TRUE(frontEnd.ended);
}

TEST_F(ImportJobTest, CancelDuringTheSecondClipKeepsTheFirstDeletesTheOpenFileAndSkipsTheThird) {
  MakeUnit(3000);
  ImportJob job(catalogue, frontEnd, context, naming);
  // The user presses Cancel when the bar first moves: the window sets Stop and closes.
  frontEnd.onPost = [&](const RecordingFrontEnd::Post& p) {
    if (p.code == COPY_PROGRESS) {
      context.state.store(Stop);
      frontEnd.progressOpen = false;
      job.RaiseCancel();
    }
  };
  job.Prepare(0, {0, 1, 2}, dest.U16());
  job.StartWorker();
  job.Join();
  const ImportOutcome outcome = job.Conclude(true);

  EXPECT_TRUE(DestHas("AAA0001.DV"));
  EXPECT_EQ(fs::file_size(dest.Path() / "AAA0001.DV"), 100u * 1024);
  EXPECT_FALSE(DestHas("BBB0001A.DV"));
  EXPECT_FALSE(DestHas("CCC0001.DV"));
  EXPECT_EQ(frontEnd.Count(COPY_FAILED), 0);
  EXPECT_EQ(frontEnd.Count(COPY_DONE), 0);  // the window is gone
  EXPECT_TRUE(outcome.cancelled);
  ASSERT_EQ(outcome.discarded.size(), 1u);
  EXPECT_EQ(outcome.written.size(), 1u);
  EXPECT_EQ(context.state.load(), Ask);
}

TEST_F(ImportJobTest, CancelInTheOverwriteQuestionEndsQuietly) {
  MakeUnit(10);
  testsupport::WriteFile(dest.Path() / "AAA0001.DV", "old");
  frontEnd.answers = {kAnswerCancel};
  ImportJob job(catalogue, frontEnd, context, naming);
  const ImportOutcome outcome = RunToEnd(job, {0, 1});
  EXPECT_EQ(frontEnd.Count(COPY_FAILED), 0);
  EXPECT_EQ(frontEnd.Count(COPY_DONE), 1);
  EXPECT_FALSE(DestHas("BBB0001A.DV"));
  EXPECT_EQ(testsupport::ReadFile(dest.Path() / "AAA0001.DV").size(), 3u);
  EXPECT_TRUE(outcome.discarded.empty());
  EXPECT_EQ(context.state.load(), Ask);  // the next import asks again
  EXPECT_TRUE(context.Destination().empty());
}

TEST_F(ImportJobTest, ProgressIsPassedOnInWholeMiBAndTheRestOfEachClipIsDropped) {
  MakeUnit(3000);
  ImportJob job(catalogue, frontEnd, context, naming);
  RunToEnd(job, {1});
  std::vector<std::uint32_t> mib;
  for (const auto& p : frontEnd.Posts())
    if (p.code == COPY_PROGRESS) mib.push_back(p.lParam);
  EXPECT_EQ(mib, (std::vector<std::uint32_t>{1, 1}));  // at 1025 KiB and 2049 KiB; 952 KiB never told
}

TEST_F(ImportJobTest, PrepareTakesThePrefixModulo100AndSumsTheSelectedClips) {
  MakeUnit(3 * 1024);
  ImportJob job(catalogue, frontEnd, context, naming);
  EXPECT_EQ(job.Prepare(107, {1}, dest.U16()), 3u);
  EXPECT_EQ(naming.prefix.load(), 7);
  EXPECT_EQ(context.Destination(), dest.U16());
  job.Conclude(false);
}

}  // namespace
}  // namespace quillon
