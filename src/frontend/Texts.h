#pragma once
// What the front ends tell the user of an import, as messages of the text table: one place for
// every failure, refusal, notice and summary, whatever window or terminal shows them.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "frontend/Message.h"
#include "frontend/TransferRate.h"
#include "import/ImportEvents.h"
#include "import/ImportReport.h"

namespace quillon::frontend {

// A size in the largest binary unit it fills once: the number as text ("512", "4.0", "300")
// and the unit (0 bytes, 1 KiB, 2 MiB, 3 GiB, 4 TiB).
struct ScaledSize {
  std::string number;
  int unit = 0;
};
ScaledSize ScaleBytes(std::uint64_t bytes);

// "512 bytes", "4.0 KiB", "1.2 GiB".
Message SizeText(std::uint64_t bytes);
// "41 s", "2 min 5 s", "1 h 3 min".
Message DurationText(double seconds);

// A message box of its own: the text, a second paragraph (may be empty), and its icon.
struct Notice {
  enum class Icon { None, Information, Warning };
  Message text;
  Message detail;
  Icon icon = Icon::Warning;
};

// One line on a failed clip, with the system's error text in parentheses where it tells the cause.
Message FailureLine(const ClipFailure& failure);
// A clip failed while copying: the import's failure text, and its cause below.
Notice CopyFailedNotice(const ClipFailure& failure);
// The import cannot start: nothing is copied.
Notice RefusedNotice(const Refusal& refusal);
// Outputs too large for the destination's file system; othersLeft: the other clips are imported.
Notice TooLargeNotice(const std::vector<ClipFailure>& tooLarge, bool othersLeft);
// What to tell once an import has ended, beyond its summary: outputs that took numbered names,
// incomplete files that could not be deleted, a destination moved meanwhile.
std::vector<Notice> NoticesAfter(const ImportOutcome& outcome);

// The status line after an import: what was imported where, then the figures. The folder is
// the head's last argument, so that a window short of room can shorten it alone.
struct Summary {
  Message head;
  Message figures;
  // "Rescue 2 damaged clips", for the clips whose unit data could not all be read; empty when none.
  Message rescueOffer;
};
Summary SummaryOf(const ImportOutcome& outcome);

// "ABC0001: 3 damaged areas, 12 KiB, at 00:03:12.4, 00:17:50.1, 00:17:50.2".
Message DamageLine(const RescuedOutput& output);

// The lines under the progress bar.
struct ProgressLines {
  Message clip;    // "Clip 2 of 5: ABC0001"
  Message file;    // "File: ABC0001.DV"
  Message amount;  // "1.2 GiB of 3.0 GiB"
  Message rate;    // "31.4 MiB/s, 2 min 5 s left"; empty until it is known. While a call to
                   // the unit has not returned: "The unit has not answered for 12 s".
};
ProgressLines ProgressLinesOf(const ProgressEvent& progress, const std::optional<TransferRate::Estimate>& rate,
                              std::chrono::milliseconds unitSilent = {});

// The overwrite question: the question itself, what is at the name now (changed: the existing
// file's last-write time as the front end writes dates), and what the new output would hold.
Message OverwriteQuestionText(const OverwriteQuestion& question);
Message ExistingFileText(const OverwriteQuestion& question, const std::u16string& changed);
Message NewFileText(const OverwriteQuestion& question);

}  // namespace quillon::frontend
