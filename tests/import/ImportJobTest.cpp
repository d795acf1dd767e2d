#include "import/ImportJob.h"

#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <functional>
#include <mutex>
#include <new>
#include <set>

#include "platform/Text.h"
#include "support/FakeFrontEnd.h"
#include "support/FaultyFileSystem.h"
#include "support/TempDir.h"
#include "support/UnitTree.h"

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

  // Every entry of a folder, hidden temporary files included.
  static std::set<std::string> Names(const fs::path& folder) {
    std::set<std::string> names;
    for (const auto& e : fs::directory_iterator(folder)) names.insert(e.path().filename().string());
    return names;
  }
  // Every file of the destination is a whole copy of the unit's file of that name.
  void ExpectOnlyWholeCopies() const {
    for (const auto& e : fs::directory_iterator(dest.Path())) {
      const fs::path source = unit.Path() / "VIDEO" / "QVT" / e.path().filename();
      EXPECT_EQ(testsupport::ReadFile(e.path()), testsupport::ReadFile(source)) << e.path();
    }
  }

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

TEST_F(ImportJobTest, TheFrontEndHearsTheClipTheOutputAndTheFiguresAndIsAskedWithBothSizes) {
  MakeUnit(3000);
  testsupport::WriteFile(dest.Path() / "AAA0001.DV", "old");
  std::vector<OverwriteQuestion> asked;
  frontEnd.onQuestion = [&asked](const OverwriteQuestion& q) {
    asked.push_back(q);
    return kAnswerYes;
  };
  ImportJob job(frontEnd, context, naming);
  const ImportOutcome outcome = RunToEnd(job, {0, 1});

  ASSERT_EQ(asked.size(), 1u);
  EXPECT_EQ(asked[0].existingSize, 3u);
  EXPECT_TRUE(asked[0].existingTime.has_value());
  EXPECT_EQ(asked[0].newSize, 100u * 1024);
  const auto details = frontEnd.Details();
  const auto shows = [&details](const char16_t* clip, const char16_t* output) {
    return std::any_of(details.begin(), details.end(),
                       [&](const ImportProgress& p) { return p.clip == clip && p.output == output; });
  };
  EXPECT_TRUE(shows(u"AAA0001", u"AAA0001.DV"));
  EXPECT_TRUE(shows(u"BBB0001", u"BBB0001A.DV"));
  EXPECT_EQ(details.back().bytesTotal, 3100u * 1024);
  EXPECT_EQ(details.back().bytesDone, (100u + 2049) * 1024) << "as far as the last whole MiB told";
  ASSERT_EQ(frontEnd.Summaries().size(), 1u);
  EXPECT_EQ(frontEnd.Summaries()[0].bytesWritten, 3100u * 1024);
  EXPECT_EQ(outcome.destination, dest.U16());
  EXPECT_GT(outcome.seconds, 0.0);
}

TEST_F(ImportJobTest, NoAnswerToAnOpenQuestionUndoesACancel) {
  MakeUnit(10);
  // The user presses Cancel in the progress window while the question is open, then answers it.
  for (const int answer : {kAnswerYesToAll, kAnswerNoToAll, kAnswerYes, kAnswerNo}) {
    SCOPED_TRACE(answer);
    TempDir out;
    testsupport::WriteFile(out.Path() / "AAA0001.DV", "old");
    FakeFrontEnd window;
    ImportJob job(window, context, naming);
    window.onQuestion = [&job, answer](const OverwriteQuestion&) {
      job.Cancel();
      return answer;
    };
    job.Prepare(catalogue, 0, {0, 1, 2}, out.U16());
    job.StartWorker();
    const ImportOutcome outcome = job.Conclude();
    EXPECT_TRUE(outcome.cancelled);
    EXPECT_TRUE(outcome.written.empty());
    EXPECT_EQ(window.Count(COPY_FAILED), 0);
    EXPECT_EQ(Names(out.Path()), std::set<std::string>{"AAA0001.DV"}) << "no further clip was started";
    EXPECT_EQ(testsupport::ReadFile(out.Path() / "AAA0001.DV").size(), 3u);
  }
}

TEST_F(ImportJobTest, ACancelWithoutAWindowLeavesNoStubBehind) {
  MakeUnit(3000);
  {
    ImportJob job(frontEnd, context, naming);
    job.Prepare(catalogue, 0, {0, 1, 2}, dest.U16());
    job.StartWorker();
  }  // a job that goes away stops its worker
  ExpectOnlyWholeCopies();
  EXPECT_EQ(context.State(), Ask) << "and leaves the context ready for the next import";

  ImportJob job(frontEnd, context, naming);
  job.Prepare(catalogue, 0, {0, 1, 2}, dest.U16());
  job.Cancel();
  job.StartWorker();
  const ImportOutcome outcome = job.Conclude();
  EXPECT_TRUE(outcome.cancelled);
  EXPECT_TRUE(outcome.written.empty());
  ExpectOnlyWholeCopies();
}

TEST_F(ImportJobTest, TheWorkerCopiesTheClipsAsPreparedWhateverBecomesOfTheCatalogue) {
  MakeUnit(10);
  ImportJob job(frontEnd, context, naming);
  job.Prepare(catalogue, 0, {0, 2}, dest.U16());
  catalogue.Clear();  // the window rebuilt its list meanwhile
  job.StartWorker();
  const ImportOutcome outcome = job.Conclude();
  EXPECT_TRUE(outcome.failed.empty());
  EXPECT_EQ(Names(dest.Path()), (std::set<std::string>{"AAA0001.DV", "CCC0001.DV"}));
}

TEST_F(ImportJobTest, AnExceptionOnTheWorkerFailsItsClipWithAMessageAndTheImportGoesOn) {
  MakeUnit(10);
  testsupport::FaultyFileSystem faulty;
  faulty.OnNth(testsupport::FileOp::Write, 2, [] { throw std::bad_alloc(); }, u"BBB0001A.DV");
  platform::ScopedFileSystem use(faulty);
  ImportJob job(frontEnd, context, naming);
  const ImportOutcome outcome = RunToEnd(job, {0, 1, 2});
  EXPECT_EQ(outcome.failed, std::vector<std::u16string>{u"BBB0001"});
  ASSERT_EQ(job.Failures().size(), 1u);
  EXPECT_EQ(job.Failures()[0].kind, FailureKind::Internal);
  EXPECT_EQ(job.Failures()[0].Describe(), u"BBB0001: an unexpected error stopped the copy (std::bad_alloc)");
  EXPECT_EQ(frontEnd.Count(COPY_FAILED), 1);
  EXPECT_EQ(Names(dest.Path()), (std::set<std::string>{"AAA0001.DV", "CCC0001.DV"})) << "no temporary file is left";
}

TEST_F(ImportJobTest, ADestinationThatCannotTakeTheImportIsRefusedBeforeAnythingIsCopied) {
#ifdef _WIN32
  GTEST_SKIP() << "symbolic links need a privilege on Windows, and Wine makes none";
#endif
  MakeUnit(10);
  fs::create_directories(unit.Path() / "HDVF" / "001HDVF");
  testsupport::WriteFile(dest.Path() / "a-file", "x");
  fs::create_directory_symlink(unit.Path() / "HDVF", dest.Path() / "link");
  struct Case {
    fs::path destination;
    RefusalKind kind;
  };
  const Case cases[] = {
      {dest.Path() / "missing", RefusalKind::NoDestination},
      {dest.Path() / "a-file", RefusalKind::NotAFolder},
      {unit.Path(), RefusalKind::InsideUnit},
      {unit.Path() / "HDVF" / "001HDVF", RefusalKind::InsideUnit},
      {dest.Path() / "link" / "001HDVF", RefusalKind::InsideUnit},  // a link cannot hide it
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.destination.string());
    ImportJob job(frontEnd, context, naming);
    const ImportPlan plan = job.Prepare(catalogue, 0, {0, 1, 2}, testsupport::U16(c.destination));
    ASSERT_TRUE(plan.refusal.has_value());
    EXPECT_EQ(plan.refusal->kind, c.kind);
    job.StartWorker();
    EXPECT_TRUE(job.Conclude().written.empty());
  }
  EXPECT_EQ(Names(unit.Path() / "HDVF" / "001HDVF"), std::set<std::string>{});
  EXPECT_EQ(Names(dest.Path()), (std::set<std::string>{"a-file", "link"}));
}

TEST_F(ImportJobTest, AnImportLargerThanTheFreeSpaceIsRefusedUnlessTheFilesItKeepsMakeItFit) {
  MakeUnit(100);
  testsupport::FaultyFileSystem faulty;
  faulty.SetSpace({200 * 1024, 4096, std::nullopt});
  platform::ScopedFileSystem use(faulty);
  ImportJob job(frontEnd, context, naming);
  const ImportPlan plan = job.Prepare(catalogue, 0, {0, 1, 2}, dest.U16());
  ASSERT_TRUE(plan.refusal.has_value());
  EXPECT_EQ(plan.refusal->kind, RefusalKind::NotEnoughSpace);
  EXPECT_EQ(plan.refusal->neededBytes, 300u * 1024);
  EXPECT_EQ(plan.refusal->availableBytes, 200u * 1024);
  EXPECT_NE(plan.refusal->Describe().find(u"needs 300 KiB"), std::u16string::npos);
  EXPECT_NE(plan.refusal->Describe().find(u"has 200 KiB free"), std::u16string::npos);
  job.StartWorker();
  EXPECT_TRUE(job.Conclude().written.empty());
  EXPECT_TRUE(Names(dest.Path()).empty());

  // Two of the three are there already and are kept: the third fits.
  testsupport::WriteFile(dest.Path() / "AAA0001.DV", "older");
  testsupport::WriteFile(dest.Path() / "BBB0001A.DV", "older");
  ImportOptions keep;
  keep.overwrite = SkipAll;
  EXPECT_FALSE(job.Prepare(catalogue, 0, {0, 1, 2}, dest.U16(), keep).refusal.has_value());
  job.Conclude();
}

TEST_F(ImportJobTest, OnAVolumeWithAFileSizeLimitClipsWhoseOutputsPassItFailUpFront) {
  MakeUnit(3 * 1024);
  testsupport::FaultyFileSystem faulty;
  faulty.SetSpace({1u << 30, 4096, 2 << 20});
  platform::ScopedFileSystem use(faulty);
  ImportJob job(frontEnd, context, naming);
  const ImportPlan plan = job.Prepare(catalogue, 0, {0, 1, 2}, dest.U16());
  EXPECT_FALSE(plan.refusal.has_value());
  EXPECT_EQ(plan.totalMiB, 0u) << "what is left out is not counted";
  ASSERT_EQ(plan.tooLarge.size(), 1u);
  EXPECT_EQ(plan.tooLarge[0].Describe(),
            u"BBB0001: BBB0001A.DV would be 3.0 MiB, more than the destination's file system can hold in one file");
  job.StartWorker();
  const ImportOutcome outcome = job.Conclude();
  EXPECT_EQ(outcome.failed, std::vector<std::u16string>{u"BBB0001"});
  EXPECT_EQ(frontEnd.Count(COPY_FAILED), 0) << "told once, before the import";
  EXPECT_EQ(Names(dest.Path()), (std::set<std::string>{"AAA0001.DV", "CCC0001.DV"}));
}

TEST_F(ImportJobTest, ANameThatLeadsToAFileOfTheUnitIsNeverWrittenOver) {
#ifdef _WIN32
  GTEST_SKIP() << "symbolic links need a privilege on Windows, and Wine makes none";
#endif
  MakeUnit(10);
  const fs::path other = unit.Path() / "VIDEO" / "QVT" / "CCC0001.DV";  // another clip's chunk
  fs::create_symlink(other, dest.Path() / "AAA0001.DV");
  const auto before = testsupport::ReadFile(other);
  for (const int mode : {OverwriteAll, Ask}) {
    SCOPED_TRACE(mode);
    frontEnd.SetAnswers({kAnswerYes});
    ImportOptions options;
    options.overwrite = mode;
    ImportJob job(frontEnd, context, naming);
    job.Prepare(catalogue, 0, {0}, dest.U16(), options);
    job.StartWorker();
    const ImportOutcome outcome = job.Conclude();
    ASSERT_EQ(outcome.failures.size(), 1u);
    EXPECT_EQ(outcome.failures[0].kind, FailureKind::SameAsUnitFile);
    EXPECT_EQ(testsupport::ReadFile(other), before);
    EXPECT_TRUE(fs::is_symlink(dest.Path() / "AAA0001.DV"));
  }
}

}  // namespace
}  // namespace quillon
