// The import as a whole: its checks and plan before anything is copied, its events, a failed
// clip, a cancel wherever it comes, and the one outcome it ends with.
#include "import/ImportJob.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <new>
#include <set>

#include "catalogue/ClipCatalogue.h"

#include "platform/Text.h"
#include "support/FaultyFileSystem.h"
#include "support/RecordingEvents.h"
#include "support/TempDir.h"
#include "support/UnitTree.h"

namespace quillon {
namespace {

namespace fs = std::filesystem;
using testsupport::RecordingEvents;
using testsupport::TempDir;

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

  ImportRequest Request(std::vector<std::size_t> rows, const std::u16string& destination,
                        OverwritePolicy policy = OverwritePolicy::Ask) const {
    ImportRequest request = RequestFor(catalogue, std::move(rows));
    request.destination = destination;
    request.overwrite = policy;
    return request;
  }
  ImportOutcome RunToEnd(std::vector<std::size_t> rows, OverwritePolicy policy = OverwritePolicy::Ask) {
    return testsupport::RunToEnd(Request(std::move(rows), dest.U16(), policy), events);
  }

  // Every entry of a folder, hidden temporary files included.
  static std::set<std::string> Names(const fs::path& folder) {
    const std::vector<std::string> names = testsupport::EntryNames(folder);
    return {names.begin(), names.end()};
  }
  // Every file of the destination is a whole copy of the unit's file of that name.
  void ExpectOnlyWholeCopies() const {
    for (const std::string& name : testsupport::EntryNames(dest.Path())) {
      const fs::path source = unit.Path() / "VIDEO" / "QVT" / name;
      EXPECT_EQ(testsupport::ReadFile(dest.Path() / name), testsupport::ReadFile(source)) << name;
    }
  }

  TempDir unit, dest;
  ClipCatalogue catalogue;
  RecordingEvents events;
};

TEST_F(ImportJobTest, EventsComeInOrderAndTheOutcomeExactlyOnceAtTheEnd) {
  MakeUnit(10, /*secondMissing=*/true);
  const ImportOutcome outcome = RunToEnd({0, 1, 2});
  ASSERT_EQ(events.All<PreparedEvent>().size(), 1u);
  ASSERT_EQ(events.All<FinishedEvent>().size(), 1u);
  EXPECT_TRUE(std::holds_alternative<FinishedEvent>(events.Events().back()));
  EXPECT_TRUE(std::holds_alternative<PreparedEvent>(events.Events().front()));
  // A failed clip is told once, with its cause, and the import goes on.
  const auto failures = events.All<ClipFailure>();
  ASSERT_EQ(failures.size(), 1u);
  EXPECT_EQ(failures[0].clip, u"BBB0001");
  EXPECT_EQ(failures[0].kind, FailureKind::ChunkOpen);
  EXPECT_EQ(outcome.FailedClips(), std::vector<std::u16string>{u"BBB0001"});
  // Each output is told as it is placed, with its hash, and the outcome holds the same.
  const auto placed = events.All<PlacedOutput>();
  ASSERT_EQ(placed.size(), 2u);
  EXPECT_EQ(placed[0].path, dest.U16("AAA0001.DV"));
  EXPECT_EQ(placed[1].path, dest.U16("CCC0001.DV"));
  EXPECT_EQ(placed[0].hash.size(), 32u);
  ASSERT_EQ(outcome.written.size(), 2u);
  EXPECT_EQ(outcome.written[1].hash, placed[1].hash);
  EXPECT_EQ(outcome.clipCount, 3u);
  EXPECT_TRUE(outcome.copied);
  EXPECT_FALSE(outcome.cancelled);
}

TEST_F(ImportJobTest, ProgressTellsTheClipItsNumberTheOutputAndExactBytes) {
  MakeUnit(3000);
  testsupport::WriteFile(dest.Path() / "AAA0001.DV", "old");
  events.SetAnswers({OverwriteAnswer::No});  // AAA0001 is kept: its bytes count as done
  RunToEnd({0, 1});
  const auto progress = events.All<ProgressEvent>();
  const auto shows = [&progress](const char16_t* clip, std::size_t number, const char16_t* output) {
    return std::any_of(progress.begin(), progress.end(), [&](const ProgressEvent& p) {
      return p.clip == clip && p.clipNumber == number && p.clipCount == 2 && p.output == output;
    });
  };
  EXPECT_TRUE(shows(u"AAA0001", 1, u""));
  EXPECT_TRUE(shows(u"BBB0001", 2, u"BBB0001A.DV"));
  for (std::size_t i = 1; i < progress.size(); ++i) EXPECT_GE(progress[i].bytesDone, progress[i - 1].bytesDone);
  EXPECT_EQ(progress.back().bytesDone, 3100u * 1024);
  EXPECT_EQ(progress.back().bytesTotal, 3100u * 1024);
  // The question shows both sizes and the existing file's date.
  ASSERT_EQ(events.Asked().size(), 1u);
  EXPECT_EQ(events.Asked()[0].existingSize, 3u);
  EXPECT_TRUE(events.Asked()[0].existingTime.has_value());
  EXPECT_EQ(events.Asked()[0].newSize, 100u * 1024);
}

TEST_F(ImportJobTest, CancelDuringTheSecondClipKeepsTheFirstRemovesTheOpenFileAndSkipsTheThird) {
  MakeUnit(3000);
  ImportJob job(Request({0, 1, 2}, dest.U16()), events);
  // The user presses Cancel once the second clip has moved on by a MiB.
  events.onEvent = [&job](const ImportEvent& e) {
    if (const auto* p = std::get_if<ProgressEvent>(&e); p && p->clipNumber == 2 && p->bytesDone > 1200 * 1024) {
      job.RequestStop();
    }
  };
  job.Proceed();
  job.Start();
  job.Wait();
  const ImportOutcome outcome = events.Outcome();
  EXPECT_EQ(Names(dest.Path()), std::set<std::string>{"AAA0001.DV"});
  EXPECT_EQ(fs::file_size(dest.Path() / "AAA0001.DV"), 100u * 1024);
  EXPECT_TRUE(events.All<ClipFailure>().empty());
  EXPECT_TRUE(outcome.cancelled);
  ASSERT_EQ(outcome.discarded.size(), 1u);
  EXPECT_FALSE(outcome.discarded[0].existing);
  EXPECT_EQ(job.State(), Stop);
}

TEST_F(ImportJobTest, CancelInTheOverwriteQuestionEndsQuietlyWithNothingWritten) {
  MakeUnit(10);
  testsupport::WriteFile(dest.Path() / "AAA0001.DV", "old");
  events.SetAnswers({OverwriteAnswer::Cancel});
  const ImportOutcome outcome = RunToEnd({0, 1});
  EXPECT_TRUE(events.All<ClipFailure>().empty());
  EXPECT_TRUE(outcome.cancelled);
  EXPECT_EQ(Names(dest.Path()), std::set<std::string>{"AAA0001.DV"});
  EXPECT_EQ(testsupport::ReadFile(dest.Path() / "AAA0001.DV").size(), 3u);
  EXPECT_TRUE(outcome.discarded.empty());
}

TEST_F(ImportJobTest, NoAnswerToAnOpenQuestionUndoesACancel) {
  MakeUnit(10);
  // The user presses Cancel in the progress window while the question is open, then answers it.
  for (const OverwriteAnswer answer : {OverwriteAnswer::YesToAll, OverwriteAnswer::NoToAll, OverwriteAnswer::Yes,
                                       OverwriteAnswer::No}) {
    TempDir out;
    testsupport::WriteFile(out.Path() / "AAA0001.DV", "old");
    RecordingEvents window;
    ImportJob job(Request({0, 1, 2}, out.U16()), window);
    window.onQuestion = [&job, answer](const OverwriteQuestion&) {
      job.RequestStop();
      return answer;
    };
    job.Proceed();
    job.Start();
    job.Wait();
    const ImportOutcome outcome = window.Outcome();
    EXPECT_TRUE(outcome.cancelled);
    EXPECT_TRUE(outcome.written.empty());
    EXPECT_TRUE(window.All<ClipFailure>().empty());
    EXPECT_EQ(Names(out.Path()), std::set<std::string>{"AAA0001.DV"}) << "no further clip was started";
    EXPECT_EQ(testsupport::ReadFile(out.Path() / "AAA0001.DV").size(), 3u);
  }
}

TEST_F(ImportJobTest, AJobStoppedOrGoneBeforeItsCopyLeavesNoStubBehind) {
  MakeUnit(3000);
  {
    ImportJob job(Request({0, 1, 2}, dest.U16()), events);
    job.Proceed();
    job.Start();
  }  // a job that goes away stops its copy
  ExpectOnlyWholeCopies();
  EXPECT_EQ(events.All<FinishedEvent>().size(), 1u);

  // Stopped while it waits to go on: it ends without copying anything.
  RecordingEvents waiting;
  ImportJob job(Request({0, 1, 2}, dest.U16()), waiting);
  waiting.onEvent = [&job](const ImportEvent& e) {
    if (std::holds_alternative<PreparedEvent>(e)) job.RequestStop();
  };
  job.Start();
  job.Wait();
  EXPECT_TRUE(waiting.Outcome().cancelled);
  EXPECT_FALSE(waiting.Outcome().copied);
  ExpectOnlyWholeCopies();
}

TEST_F(ImportJobTest, AnExceptionInTheCopyFailsItsClipWithAMessageAndTheImportGoesOn) {
  MakeUnit(10);
  testsupport::FaultyFileSystem faulty;
  faulty.OnNth(testsupport::FileOp::Write, 2, [] { throw std::bad_alloc(); }, u"BBB0001A.DV");
  platform::ScopedFileSystem use(faulty);
  const ImportOutcome outcome = RunToEnd({0, 1, 2});
  ASSERT_EQ(outcome.failures.size(), 1u);
  EXPECT_EQ(outcome.failures[0].clip, u"BBB0001");
  EXPECT_EQ(outcome.failures[0].kind, FailureKind::Internal);
  EXPECT_EQ(outcome.failures[0].detail, "std::bad_alloc");
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
    RecordingEvents told;
    const ImportOutcome outcome = testsupport::RunToEnd(Request({0, 1, 2}, testsupport::U16(c.destination)), told);
    ASSERT_TRUE(outcome.refusal.has_value());
    EXPECT_EQ(outcome.refusal->kind, c.kind);
    EXPECT_FALSE(outcome.copied);
    EXPECT_TRUE(told.All<ProgressEvent>().empty());
  }
  EXPECT_EQ(Names(unit.Path() / "HDVF" / "001HDVF"), std::set<std::string>{});
  EXPECT_EQ(Names(dest.Path()), (std::set<std::string>{"a-file", "link"}));
}

TEST_F(ImportJobTest, AnImportLargerThanTheFreeSpaceIsRefusedUnlessTheFilesItKeepsMakeItFit) {
  MakeUnit(100);
  testsupport::FaultyFileSystem faulty;
  faulty.SetSpace({200 * 1024, 4096, std::nullopt});
  platform::ScopedFileSystem use(faulty);
  const ImportOutcome refused = RunToEnd({0, 1, 2});
  ASSERT_TRUE(refused.refusal.has_value());
  EXPECT_EQ(refused.refusal->kind, RefusalKind::NotEnoughSpace);
  EXPECT_EQ(refused.refusal->neededBytes, 300u * 1024);
  EXPECT_EQ(refused.refusal->availableBytes, 200u * 1024);
  EXPECT_TRUE(Names(dest.Path()).empty());

  // Two of the three are there already and are kept: the third fits.
  testsupport::WriteFile(dest.Path() / "AAA0001.DV", "older");
  testsupport::WriteFile(dest.Path() / "BBB0001A.DV", "older");
  RecordingEvents kept;
  EXPECT_FALSE(testsupport::RunToEnd(Request({0, 1, 2}, dest.U16(), OverwritePolicy::KeepAll), kept).refusal);
}

TEST_F(ImportJobTest, OnAVolumeWithAFileSizeLimitClipsWhoseOutputsPassItAreLeftOutUpFront) {
  MakeUnit(3 * 1024);
  testsupport::FaultyFileSystem faulty;
  faulty.SetSpace({1u << 30, 4096, 2 << 20});
  platform::ScopedFileSystem use(faulty);
  const ImportOutcome outcome = RunToEnd({0, 1, 2});
  const ImportPlan plan = events.All<PreparedEvent>().at(0).plan;
  EXPECT_FALSE(plan.refusal.has_value());
  EXPECT_EQ(plan.clipCount, 2u) << "what is left out is not counted";
  EXPECT_EQ(plan.bytesTotal, 200u * 1024);
  ASSERT_EQ(plan.tooLarge.size(), 1u);
  EXPECT_EQ(plan.tooLarge[0].clip, u"BBB0001");
  EXPECT_EQ(plan.tooLarge[0].bytes, 3u << 20);
  EXPECT_EQ(outcome.FailedClips(), std::vector<std::u16string>{u"BBB0001"});
  EXPECT_TRUE(events.All<ClipFailure>().empty()) << "told once, before the import";
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
  for (const OverwritePolicy policy : {OverwritePolicy::ReplaceAll, OverwritePolicy::Ask}) {
    RecordingEvents told({OverwriteAnswer::Yes});
    const ImportOutcome outcome = testsupport::RunToEnd(Request({0}, dest.U16(), policy), told);
    ASSERT_EQ(outcome.failures.size(), 1u);
    EXPECT_EQ(outcome.failures[0].kind, FailureKind::SameAsUnitFile);
    EXPECT_TRUE(told.Asked().empty());
    EXPECT_EQ(testsupport::ReadFile(other), before);
    EXPECT_TRUE(fs::is_symlink(dest.Path() / "AAA0001.DV"));
  }
}

TEST_F(ImportJobTest, ThePlanSaysWhatMeetsEachExistingFileAndALookChangesNothing) {
  MakeUnit(10);
  testsupport::WriteFile(dest.Path() / "AAA0001.DV", "old");
  fs::create_directories(dest.Path() / "CCC0001.DV");
  testsupport::WriteFile(dest.Path() / ".BBB0001A.DV.12345678.quillon-part", "left by a killed import");
  struct Case {
    OverwritePolicy policy;
    std::vector<AtName> expected;
  };
  const Case cases[] = {
      {OverwritePolicy::Ask, {AtName::Ask, AtName::Create, AtName::Ask}},
      {OverwritePolicy::ReplaceAll, {AtName::Replace, AtName::Create, AtName::Replace}},
      {OverwritePolicy::KeepAll, {AtName::Keep, AtName::Create, AtName::Keep}},
  };
  for (const Case& c : cases) {
    ImportRequest request = Request({0, 1, 2}, dest.U16(), c.policy);
    request.lookOnly = true;
    RecordingEvents looked;
    ImportJob job(std::move(request), looked);
    const ImportPlan& plan = job.Prepare();
    std::vector<AtName> atNames;
    for (const PlannedOutput& output : plan.outputs) atNames.push_back(output.atName);
    EXPECT_EQ(atNames, c.expected);
    ASSERT_TRUE(plan.outputs[2].existing.has_value());
    EXPECT_TRUE(plan.outputs[2].existing->isDirectory);
  }
  EXPECT_EQ(Names(dest.Path()).size(), 3u) << "a look removes no leftover";
}

}  // namespace
}  // namespace quillon
