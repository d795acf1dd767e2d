// One import through the session, as every window and quillon-cli runs it: what the view is
// told and asked, in what order, for the overwrite question answered each way, a Cancel in the
// copy or in the question, a failed clip, a refused import and outputs too large for the
// destination.
#include "frontend/ImportSession.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <regex>

#include "catalogue/ClipCatalogue.h"
#include "support/FakeViews.h"
#include "support/FaultyFileSystem.h"
#include "support/MediaBytes.h"
#include "support/TempDir.h"
#include "support/UnitTree.h"

namespace quillon::frontend {
namespace {

namespace fs = std::filesystem;
using testsupport::FakeSessionView;
using testsupport::TempDir;
using Journal = std::vector<std::string>;

// The summary's figures with the import's time as T: it is as long as the machine takes.
std::string Untimed(const Message& figures) {
  return std::regex_replace(FakeSessionView::English(figures), std::regex("in [0-9]+ s"), "in T");
}

class ImportSessionTest : public ::testing::Test {
 protected:
  ImportSessionTest() : session(view, view.Wake()) {
    view.session = &session;
    fs::create_directories(dest.Path());
    // Three DV clips in the flat folder, of 100 KiB, 3000 KiB and 100 KiB.
    const fs::path flat = unit.Path() / "VIDEO" / "QVT";
    testsupport::WriteFile(flat / "AAA0001.DV", std::string(100 * 1024, 'a'));
    testsupport::WriteFile(flat / "BBB0001.DV", std::string(3000 * 1024, 'b'));
    testsupport::WriteFile(flat / "CCC0001.DV", std::string(100 * 1024, 'c'));
    catalogue.Scan(unit.U16(), true, true);
  }

  void Import(std::vector<std::size_t> rows, std::u16string destination = {}) {
    ImportRequest request = RequestFor(catalogue, std::move(rows));
    request.destination = destination.empty() ? dest.U16() : destination;
    ASSERT_TRUE(session.Start(std::move(request)));
    ASSERT_TRUE(view.RunUntilIdle(session)) << "the import hung";
  }

  std::vector<std::string> Files() const { return testsupport::EntryNames(dest.Path()); }

  TempDir unit, dest;
  ClipCatalogue catalogue;
  FakeSessionView view;
  ImportSession session;
};

TEST_F(ImportSessionTest, AnImportOpensTheProgressWindowShowsItsFiguresAndEndsWithItsSummary) {
  Import({0, 1});
  // The bar counts whole MiB, each chunk rounded down, as the progress window always has.
  EXPECT_EQ(view.journal, (Journal{"open 2", "close", "ended"}));
  ASSERT_FALSE(view.progress.empty());
  const ProgressFigures& last = view.progress.back();
  EXPECT_EQ(last.barTotal, 2u);
  EXPECT_EQ(last.barPosition, 2u) << "the bar reaches its end with the last byte";
  EXPECT_EQ(FakeSessionView::English(last.lines.clip), "Clip 2 of 2: BBB0001");
  EXPECT_EQ(FakeSessionView::English(last.lines.file), "File: BBB0001.DV");
  EXPECT_EQ(FakeSessionView::English(last.lines.amount), "3.0 MiB of 3.0 MiB");
  std::uint64_t added = 0;
  for (const ProgressFigures& f : view.progress) added += f.barAdded;
  EXPECT_EQ(added, 2u) << "the copy messages' counts add up to the bar's position";
  ASSERT_TRUE(view.summary.has_value());
  EXPECT_EQ(FakeSessionView::English(view.summary->head), "2 files imported to " + platform::ToUtf8(dest.U16()));
  EXPECT_EQ(Files(), (std::vector<std::string>{"AAA0001.DV", "BBB0001.DV"}));
  EXPECT_EQ(session.CurrentPhase(), ImportSession::Phase::Idle);
}

TEST_F(ImportSessionTest, TheOverwriteQuestionAnsweredEachWay) {
  struct Case {
    std::deque<OverwriteAnswer> answers;
    std::size_t asked;
    std::vector<std::string> replaced;  // of AAA0001, BBB0001 and CCC0001, all there before
  };
  const Case cases[] = {
      {{OverwriteAnswer::Yes, OverwriteAnswer::No, OverwriteAnswer::Yes}, 3, {"AAA0001.DV", "CCC0001.DV"}},
      {{OverwriteAnswer::No, OverwriteAnswer::YesToAll}, 2, {"BBB0001.DV", "CCC0001.DV"}},
      {{OverwriteAnswer::Yes, OverwriteAnswer::NoToAll}, 2, {"AAA0001.DV"}},
  };
  for (const Case& c : cases) {
    for (const char* name : {"AAA0001.DV", "BBB0001.DV", "CCC0001.DV"}) testsupport::WriteFile(dest.Path() / name, "old");
    view.Forget();
    view.answers = c.answers;
    Import({0, 1, 2});
    EXPECT_EQ(view.asked.size(), c.asked);
    std::vector<std::string> replaced;
    for (const PlacedOutput& o : view.outcome->written) replaced.push_back(platform::ToUtf8(platform::LastComponent(o.path)));
    EXPECT_EQ(replaced, c.replaced);
    EXPECT_EQ(view.outcome->kept.size(), 3 - c.replaced.size());
    EXPECT_TRUE(view.Lines("failure").empty());
  }
  EXPECT_EQ(view.asked[0].newSize, 100u * 1024);
  EXPECT_EQ(view.asked[0].existingSize, 3u);
}

TEST_F(ImportSessionTest, CancelClosesTheProgressWindowAtOnceAndWaitsForTheCopyToStop) {
  // The user presses Cancel once the second clip's copy is under way.
  view.onProgress = [this](const ProgressFigures& f) {
    if (f.progress.clipNumber == 2 && f.progress.bytesDone > 1200 * 1024) session.Cancel();
  };
  Import({0, 1, 2});
  EXPECT_EQ(view.journal, (Journal{"open 2", "close", "ended"}));
  EXPECT_TRUE(view.outcome->cancelled);
  ASSERT_EQ(view.outcome->discarded.size(), 1u);
  EXPECT_EQ(view.outcome->discarded[0].path, dest.U16("BBB0001.DV"));
  EXPECT_EQ(Files(), std::vector<std::string>{"AAA0001.DV"}) << "the open file is removed, the third never begun";
  EXPECT_EQ(FakeSessionView::English(view.summary->head), "1 file imported to " + platform::ToUtf8(dest.U16()));
  EXPECT_EQ(FakeSessionView::English(view.summary->figures).rfind("Import cancelled \u00b7 100 KiB in ", 0), 0u);
}

TEST_F(ImportSessionTest, CancelWhileTheQuestionIsOpenWithdrawsItAndItsAnswerChangesNothing) {
  testsupport::WriteFile(dest.Path() / "AAA0001.DV", "old");
  view.answerLater = true;
  view.onShown = [this](const std::string& line) {
    if (line.rfind("ask", 0) == 0) session.Cancel();
  };
  Import({0, 1});
  EXPECT_EQ(view.journal, (Journal{"open 2", "ask AAA0001.DV", "withdraw", "close", "ended"}));
  session.Answer(OverwriteAnswer::YesToAll);  // too late: nothing is asked any more
  EXPECT_TRUE(view.outcome->cancelled);
  EXPECT_TRUE(view.outcome->written.empty());
  EXPECT_EQ(Files(), std::vector<std::string>{"AAA0001.DV"});
  EXPECT_EQ(testsupport::ReadFile(dest.Path() / "AAA0001.DV").size(), 3u);
  ASSERT_TRUE(view.summary.has_value());
  EXPECT_EQ(Untimed(view.summary->figures), "Import cancelled \u00b7 0 bytes in T");
}

TEST_F(ImportSessionTest, AUnitThatStopsAnsweringIsToldAndCancelEndsTheImportAtOnce) {
  // A call to the unit hangs until released: while the plan is made (the first clip's open), or
  // in the middle of the second clip's copy, over an older file of its name.
  struct Case {
    testsupport::FileOp op;
    std::u16string file;
    Journal journal;
    bool copied;
  };
  const Case cases[] = {
      {testsupport::FileOp::OpenRead, u"AAA0001", {"open 0", "close", "ended"}, false},
      {testsupport::FileOp::Read, u"BBB0001", {"open 2", "close", "ended"}, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(platform::ToUtf8(c.file));
    view.Forget();
    testsupport::WriteFile(dest.Path() / "BBB0001.DV", "old");
    std::mutex mutex;
    std::condition_variable released;
    bool release = false;
    testsupport::FaultyFileSystem faulty;
    faulty.OnNth(c.op, c.op == testsupport::FileOp::Read ? 1000 : 1, [&] {
      std::unique_lock lock(mutex);
      released.wait(lock, [&] { return release; });
    }, c.file);
    platform::ScopedFileSystem use(faulty);
    view.onProgress = [this](const ProgressFigures& f) {
      if (FakeSessionView::English(f.lines.rate).rfind("The unit has not answered for ", 0) == 0) session.Cancel();
    };
    ImportRequest request = RequestFor(catalogue, {0, 1});
    request.destination = dest.U16();
    request.overwrite = OverwritePolicy::ReplaceAll;
    request.unitSilentAfter = std::chrono::milliseconds(50);
    ASSERT_TRUE(session.Start(std::move(request)));
    ASSERT_TRUE(view.RunUntilIdle(session)) << "Cancel did not end the import";
    EXPECT_EQ(view.journal, c.journal);
    EXPECT_TRUE(view.outcome->cancelled);
    EXPECT_EQ(view.summary.has_value(), c.copied);
    EXPECT_TRUE(session.WaitingForUnit());

    // The unit answers: the import's thread ends, and removes the output it was writing.
    {
      std::lock_guard lock(mutex);
      release = true;
    }
    released.notify_all();
    ASSERT_TRUE(view.RunWhile([this] { session.Drain(); }, [this] { return session.WaitingForUnit(); }));
    EXPECT_EQ(view.ended, 1) << "nothing more is told of an import that has ended";
    EXPECT_EQ(Files(), c.copied ? (std::vector<std::string>{"AAA0001.DV", "BBB0001.DV"})
                                : std::vector<std::string>{"BBB0001.DV"});
    EXPECT_EQ(testsupport::ReadFile(dest.Path() / "BBB0001.DV"), (std::vector<unsigned char>{'o', 'l', 'd'}));
  }
}

TEST_F(ImportSessionTest, AFailedClipShowsTheFailureWithItsCauseAndTheImportGoesOn) {
  fs::remove(unit.Path() / "VIDEO" / "QVT" / "BBB0001.DV");
  Import({0, 1, 2});
  const auto failures = view.Lines("failure");
  ASSERT_EQ(failures.size(), 1u);
  EXPECT_EQ(failures[0],
            "failure Failed to import the files. Remove the Read-only attribute of the destination drive, or increase "
            "its available space. | BBB0001: BBB0001.DV could not be opened (" +
                platform::ErrorText(ENOENT) + ")");
  EXPECT_EQ(Files(), (std::vector<std::string>{"AAA0001.DV", "CCC0001.DV"}));
  // The two clips that arrived were not in the folder before: both count as new.
  EXPECT_EQ(Untimed(view.summary->figures), "200 KiB in T \u00b7 2 new \u00b7 1 failed");

  // The clip the unit could not give is offered for rescue, as it was listed then, into the
  // same folder. Its chunk was never opened, so its size is unknown: the rescue fails it again
  // rather than place anything under its name.
  EXPECT_EQ(English(view.summary->rescueOffer), u"Rescue 1 damaged clip");
  std::optional<ImportRequest> rescue = session.RescueRequest();
  ASSERT_TRUE(rescue);
  ASSERT_EQ(rescue->clips.size(), 1u);
  EXPECT_EQ(rescue->clips[0].name, u"BBB0001");
  EXPECT_TRUE(rescue->rescue);
  EXPECT_EQ(rescue->destination, dest.U16());
  ASSERT_TRUE(session.Start(std::move(*rescue)));
  ASSERT_TRUE(view.RunUntilIdle(session));
  EXPECT_EQ(Files(), (std::vector<std::string>{"AAA0001.DV", "CCC0001.DV"}));
  ASSERT_TRUE(session.LastOutcome());
  EXPECT_EQ(session.LastOutcome()->DamagedClips(), std::vector<std::u16string>{u"BBB0001"});
}

TEST_F(ImportSessionTest, ARefusedImportSaysWhyOnceAndOpensNoProgressWindow) {
  Import({0}, dest.U16("missing"));
  EXPECT_EQ(view.journal, (Journal{"notice The destination folder \"" + platform::ToUtf8(dest.U16("missing")) +
                                       "\" does not exist. Choose another destination folder.",
                                   "ended"}));
  EXPECT_FALSE(view.summary.has_value()) << "nothing was copied: no summary line";
  EXPECT_TRUE(view.outcome->refusal.has_value());
}

TEST_F(ImportSessionTest, OutputsTooLargeForTheDestinationAreNamedBeforeTheCopyAndTheRestIsImported) {
  testsupport::FaultyFileSystem faulty;
  faulty.SetSpace({1u << 30, 4096, 2 << 20});
  platform::ScopedFileSystem use(faulty);
  Import({0, 1, 2});
  ASSERT_GE(view.journal.size(), 2u);
  EXPECT_EQ(view.journal[0],
            "notice The destination's file system cannot hold files as large as the output files below, so their "
            "clips will not be imported. The other clips will be imported. | BBB0001: BBB0001.DV (2.9 MiB)");
  EXPECT_EQ(view.journal[1], "open 0");
  EXPECT_EQ(Files(), (std::vector<std::string>{"AAA0001.DV", "CCC0001.DV"}));

  view.Forget();
  Import({1});
  EXPECT_EQ(view.journal,
            (Journal{"notice The destination's file system cannot hold files as large as the output files below, so "
                     "their clips will not be imported. Nothing is left to import. | BBB0001: BBB0001.DV (2.9 MiB)",
                     "ended"}));
}

TEST_F(ImportSessionTest, OutputsThatTookNumberedNamesAreToldAfterTheSummary) {
  // Two DV files of a numbered folder recorded in the same second: the second output takes the
  // first one's name with "_2".
  const fs::path folder = unit.Path() / "DVF" / "001DVF";
  Clip clip(ClipSource::Folder, testsupport::U16(folder), u"001DVF");
  for (const char* name : {"A.DV", "B.DV"}) {
    testsupport::WriteFile(folder / name, testsupport::DvFrames(testsupport::RecDateTime{2007, 5, 31, 14, 23, 14}, 1));
    clip.chunks.emplace_back(testsupport::U16(folder / name));
  }
  clip.kindBits = 2;
  ImportRequest request;
  request.clips = {clip};
  request.destination = dest.U16();
  ASSERT_TRUE(session.Start(std::move(request)));
  ASSERT_TRUE(view.RunUntilIdle(session));
  ASSERT_EQ(view.journal.size(), 4u);
  EXPECT_EQ(view.journal[2], "ended");
  EXPECT_EQ(view.journal[3].rfind("notice Other recordings of this import had the same file names", 0), 0u)
      << view.journal[3];
  EXPECT_NE(view.journal[3].find("00_0001_2007-05-31_142314.DV was saved as 00_0001_2007-05-31_142314_2.DV"),
            std::string::npos);
}

}  // namespace
}  // namespace quillon::frontend
