#include "import/ImportJob.h"

#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <functional>
#include <mutex>

#include "platform/Text.h"
#include "support/FakeFrontEnd.h"
#include "support/TempDir.h"

namespace quillon {
namespace {

namespace fs = std::filesystem;
using testsupport::TempDir;

using testsupport::FakeFrontEnd;

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

  ImportOutcome RunToEnd(ImportJob& job, std::vector<std::size_t> rows) {
    job.Prepare(catalogue, 0, std::move(rows), dest.U16());
    job.StartWorker();
    job.Join();
    return job.Conclude();
  }

  bool DestHas(const char* name) const { return fs::exists(dest.Path() / name); }

  TempDir unit, dest;
  ClipCatalogue catalogue;
  ImportContext context;
  NamingState naming;
  FakeFrontEnd frontEnd;
};

TEST_F(ImportJobTest, AFailedClipIsReportedOnceAndTheImportGoesOn) {
  MakeUnit(10, /*secondMissing=*/true);
  ImportJob job(frontEnd, context, naming);
  const ImportOutcome outcome = RunToEnd(job, {0, 1, 2});
  EXPECT_EQ(frontEnd.Count(COPY_FAILED), 1);
  EXPECT_EQ(outcome.failed, std::vector<std::u16string>{u"BBB0001"});
  EXPECT_TRUE(DestHas("AAA0001.DV"));
  EXPECT_TRUE(DestHas("CCC0001.DV"));
  ASSERT_FALSE(frontEnd.Posts().empty());
  EXPECT_EQ(frontEnd.Posts().back(), (FakeFrontEnd::Post{false, COPY_DONE, 0}));
  EXPECT_TRUE(frontEnd.ended);
}

TEST_F(ImportJobTest, CancelDuringTheSecondClipKeepsTheFirstDeletesTheOpenFileAndSkipsTheThird) {
  MakeUnit(3000);
  ImportJob job(frontEnd, context, naming);
  // The user presses Cancel when the bar first moves: the window sets Stop and closes.
  frontEnd.onPost = [&](const FakeFrontEnd::Post& p) {
    if (p.code == COPY_PROGRESS) {
      frontEnd.progressOpen = false;
      job.Cancel();
    }
  };
  const ImportOutcome outcome = RunToEnd(job, {0, 1, 2});

  EXPECT_TRUE(DestHas("AAA0001.DV"));
  EXPECT_EQ(fs::file_size(dest.Path() / "AAA0001.DV"), 100u * 1024);
  EXPECT_FALSE(DestHas("BBB0001A.DV"));
  EXPECT_FALSE(DestHas("CCC0001.DV"));
  EXPECT_EQ(frontEnd.Count(COPY_FAILED), 0);
  EXPECT_EQ(frontEnd.Count(COPY_DONE), 0);  // the window is gone
  EXPECT_TRUE(outcome.cancelled);
  ASSERT_EQ(outcome.discarded.size(), 1u);
  EXPECT_EQ(outcome.written.size(), 1u);
  EXPECT_EQ(context.State(), Ask);
}

TEST_F(ImportJobTest, CancelInTheOverwriteQuestionEndsQuietly) {
  MakeUnit(10);
  testsupport::WriteFile(dest.Path() / "AAA0001.DV", "old");
  frontEnd.SetAnswers({kAnswerCancel});
  ImportJob job(frontEnd, context, naming);
  const ImportOutcome outcome = RunToEnd(job, {0, 1});
  EXPECT_EQ(frontEnd.Count(COPY_FAILED), 0);
  EXPECT_EQ(frontEnd.Count(COPY_DONE), 1);
  EXPECT_FALSE(DestHas("BBB0001A.DV"));
  EXPECT_EQ(testsupport::ReadFile(dest.Path() / "AAA0001.DV").size(), 3u);
  EXPECT_TRUE(outcome.discarded.empty());
  EXPECT_EQ(context.State(), Ask);  // the next import asks again
  EXPECT_TRUE(context.Destination().empty());
}

TEST_F(ImportJobTest, ProgressIsPassedOnInWholeMiBAndTheRestOfEachClipIsDropped) {
  MakeUnit(3000);
  ImportJob job(frontEnd, context, naming);
  RunToEnd(job, {1});
  std::vector<std::uint32_t> mib;
  for (const auto& p : frontEnd.Posts())
    if (p.code == COPY_PROGRESS) mib.push_back(p.lParam);
  EXPECT_EQ(mib, (std::vector<std::uint32_t>{1, 1}));  // at 1025 KiB and 2049 KiB; 952 KiB never told
}

TEST_F(ImportJobTest, PrepareTakesThePrefixModulo100AndSumsTheSelectedClips) {
  MakeUnit(3 * 1024);
  ImportJob job(frontEnd, context, naming);
  EXPECT_EQ(job.Prepare(catalogue, 107, {1}, dest.U16()).totalMiB, 3u);
  EXPECT_EQ(naming.prefix.load(), 7);
  EXPECT_EQ(context.Destination(), dest.U16());
  job.Conclude();
}

}  // namespace
}  // namespace quillon
