// The texts an import shows, as the English table puts them together: sizes, durations, every
// kind of failure, the summary line, and the placeholders' rules.
#include "frontend/Texts.h"

#include <gtest/gtest.h>

#include "frontend/TextIds.h"
#include "platform/Text.h"
#include "support/NativePath.h"

namespace quillon::frontend {
namespace {

std::string E(const Message& message) { return platform::ToUtf8(English(message)); }

TEST(Texts, PlaceholdersTakeTheirArgumentsAndNeverReadThemAgain) {
  struct Case {
    const char16_t* pattern;
    std::vector<std::u16string> args;
    const char16_t* expected;
  };
  const Case cases[] = {
      {u"%2 then %1", {u"a", u"b"}, u"b then a"},
      {u"'%s' and '%s'", {u"x", u"y"}, u"'x' and 'y'"},
      {u"100%% of %1", {u"%2"}, u"100% of %2"},  // an argument's own % stays
      {u"%3 missing, trailing %", {u"a"}, u" missing, trailing %"},
  };
  for (const Case& c : cases) EXPECT_EQ(FormatText(c.pattern, c.args), c.expected) << platform::ToUtf8(c.pattern);
}

TEST(Texts, SizesAndDurationsInTheLargestUnitTheyFill) {
  const std::pair<std::uint64_t, const char*> sizes[] = {
      {0, "0 bytes"}, {1, "1 byte"}, {1023, "1023 bytes"}, {1024, "1.0 KiB"}, {3 << 20, "3.0 MiB"},
      {1288490189, "1.2 GiB"}, {20ull << 40, "20 TiB"}, {5000ull << 40, "5000 TiB"},
  };
  for (const auto& [bytes, text] : sizes) EXPECT_EQ(E(SizeText(bytes)), text);
  const std::pair<double, const char*> durations[] = {
      {0.2, "0 s"}, {41, "41 s"}, {125, "2 min 5 s"}, {3780, "1 h 3 min"}, {-3, "0 s"},
  };
  for (const auto& [seconds, text] : durations) EXPECT_EQ(E(DurationText(seconds)), text);
}

TEST(Texts, EveryFailureNamesItsClipItsFileAndItsCause) {
  const std::pair<FailureKind, const char*> lines[] = {
      {FailureKind::ChunkOpen, "A: f could not be opened (why)"},
      {FailureKind::ChunkRead, "A: f could not be read (why)"},
      {FailureKind::ChunkEnded, "A: f ended before all its bytes were read; the unit may have been disconnected"},
      {FailureKind::OutputCreate, "A: f could not be created (why)"},
      {FailureKind::OutputWrite, "A: f could not be written (why)"},
      {FailureKind::OutputSync, "A: f could not be saved to the disk (why)"},
      {FailureKind::OutputReadBack, "A: f could not be read back to check it (why)"},
      {FailureKind::OutputMismatch, "A: f read back differs from the bytes copied from the unit"},
      {FailureKind::OutputPlace, "A: f could not be put in place (why)"},
      {FailureKind::FolderSync, "A: f is in place, but the destination folder could not be saved to the disk (why)"},
      {FailureKind::SameAsUnitFile, "A: f in the destination folder is a file of the unit; it was left as it is"},
      {FailureKind::ExistsAfterCreateFailure,
       "A: f already exists and was kept, because an earlier output file could not be created"},
      {FailureKind::ExistsAfterWriteFailure,
       "A: f already exists and was kept, because an earlier output file could not be written"},
      {FailureKind::TooLarge, "A: f would be 4.5 GiB, more than the destination's file system can hold in one file"},
      {FailureKind::Internal, "A: an unexpected error stopped the copy (why)"},
  };
  for (const auto& [kind, text] : lines) {
    EXPECT_EQ(E(FailureLine({u"A", kind, u"f", "why", 4831838208})), text);
  }
  EXPECT_EQ(E(FailureLine({u"A", FailureKind::ChunkRead, u"f", "", 0})), "A: f could not be read");
}

TEST(Texts, TheSummaryTellsWhatWentWhereAndOnlyTheFiguresThereAre) {
  ImportOutcome outcome;
  outcome.copied = true;
  outcome.destination = u"/home/u/Videos";
  outcome.written = {{u"A", u"/home/u/Videos/A.DV", 1288490189, "h", {}, 0}};
  outcome.bytesWritten = 1288490189;
  outcome.seconds = 41;
  Summary summary = SummaryOf(outcome);
  EXPECT_EQ(E(summary.head), "1 file imported to /home/u/Videos");
  EXPECT_EQ(E(summary.figures), "1.2 GiB in 41 s");
  EXPECT_EQ(summary.head.args.back().verbatim, u"/home/u/Videos") << "the folder is the head's last argument";

  outcome.written.push_back({u"B", u"/home/u/Videos/B.DV", 0, "h", {}, 0});
  outcome.kept = {{u"C", u"/home/u/Videos/C.DV", KeptBecause::Choice}, {u"D", u"/x", KeptBecause::Choice}};
  outcome.renamed = {{testsupport::P(u"/home/u/Videos/E.DV"), testsupport::P(u"/home/u/Videos/E_2.DV")}};
  outcome.failures = {{u"F", FailureKind::ChunkRead, u"f", "", 0}, {u"F", FailureKind::TooLarge, u"g", "", 0}};
  outcome.cancelled = true;
  outcome.destinationMovedTo = u"/home/u/Old";
  summary = SummaryOf(outcome);
  EXPECT_EQ(E(summary.head), "2 files imported to /home/u/Old");
  EXPECT_EQ(E(summary.figures), "Import cancelled \u00b7 1.2 GiB in 41 s \u00b7 2 kept \u00b7 1 renamed \u00b7 1 failed");
  const std::vector<Notice> notices = NoticesAfter(outcome);
  ASSERT_EQ(notices.size(), 2u);
  EXPECT_EQ(E(notices[0].detail), "E.DV was saved as E_2.DV");
  EXPECT_EQ(E(notices[1].text),
            "The destination folder \"/home/u/Videos\" was moved or renamed during the import. The files imported are "
            "in \"/home/u/Old\".");
}

TEST(Texts, EveryIdTheLayerUsesHasItsEnglishText) {
  for (int id : {IDS_COPY_FAILED, IDS_OVERWRITE_QUESTION, IDS_NO_UNIT_HINT, IDS_NOT_A_UNIT_HINT, IDS_OTHER_FOLDER,
                 IDS_DRIVE_LABEL, IDS_CHOOSE_UNIT_FOLDER, IDS_WITH_CAUSE, IDS_REFUSED_NO_DESTINATION,
                 IDS_REFUSED_NOT_A_FOLDER, IDS_REFUSED_NOT_WRITABLE, IDS_REFUSED_INSIDE_UNIT,
                 IDS_REFUSED_NOT_ENOUGH_SPACE, IDS_TOO_LARGE_OTHERS_LEFT, IDS_TOO_LARGE_NOTHING_LEFT, IDS_TOO_LARGE_ITEM,
                 IDS_RENAMED_HEAD, IDS_RENAMED_ITEM, IDS_NOT_REMOVED_HEAD, IDS_MOVED, IDS_MOVED_GONE, IDS_PROGRESS_CLIP,
                 IDS_PROGRESS_FILE, IDS_PROGRESS_AMOUNT, IDS_PROGRESS_RATE, IDS_PROGRESS_RATE_LEFT,
                 IDS_EXISTING_NOT_A_FILE, IDS_EXISTING_SIZE, IDS_EXISTING_SIZE_DATE, IDS_NEW_SIZE, IDS_SUMMARY_ONE,
                 IDS_SUMMARY_MANY, IDS_SUMMARY_CANCELLED, IDS_SUMMARY_SIZE_TIME, IDS_SUMMARY_KEPT,
                 IDS_SUMMARY_RENAMED, IDS_SUMMARY_FAILED, IDS_SUMMARY_SEPARATOR, IDS_SIZE_BYTE, IDS_SIZE_TIB,
                 IDS_DURATION_HOURS}) {
    EXPECT_STRNE(EnglishText(id), "") << id;
  }
}

}  // namespace
}  // namespace quillon::frontend
