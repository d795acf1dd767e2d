#pragma once
// The texts the import's windows and message boxes show, built from the import's records with
// the string table of the user's language: sizes, durations, the cause of a failed clip, why an
// import cannot start, what it left behind, and the overwrite question's lines.
#include <windows.h>

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "import/ImportFrontEnd.h"
#include "import/ImportReport.h"

namespace quillon::win32ui {

// "512 bytes", "4.0 KiB", "1.2 GiB", never broken between number and unit (a no-break space).
std::wstring SizeText(std::uint64_t bytes);
// "41 s", "2 min 5 s", "1 h 3 min".
std::wstring DurationText(double seconds);
// bytes as MiB with one decimal: "12.5".
std::wstring MiBText(std::uint64_t bytes);

// One line on a failed clip, with the system's error text in parentheses where it tells the cause.
std::wstring FailureLine(const ClipFailure& failure);

// A message box's contents: the text, a second paragraph (may be empty) and the icon.
struct MessageText {
  std::wstring text;
  std::wstring detail;
  UINT icon = MB_ICONWARNING;
  std::wstring Whole() const { return detail.empty() ? text : text + L"\n\n" + detail; }
};

// A clip failed while copying: the import's failure text (string 105), its cause below when known.
MessageText CopyFailedMessage(const ClipFailure* cause);
// The import cannot start: nothing is copied.
MessageText RefusedMessage(const Refusal& refusal);
// Outputs too large for the destination's file system; othersLeft: the other clips are imported.
MessageText TooLargeMessage(const std::vector<ClipFailure>& tooLarge, bool othersLeft);
// Outputs that took a numbered name, so as not to replace an earlier one of the import.
MessageText RenamedMessage(const std::vector<RenamedOutput>& renamed);
// Incomplete outputs whose hidden temporary files could not be deleted.
MessageText NotRemovedMessage(const std::vector<UnremovedOutput>& left);

// The overwrite question: string 106 with the part of path after its last backslash.
std::wstring OverwriteQuestionText(std::u16string_view path);
// What is at the name now, and what the new output would hold.
std::wstring ExistingFileText(const OverwriteQuestion& question);
std::wstring NewFileText(const OverwriteQuestion& question);
// A file time (seconds since 1970 UTC) as the user's short date and time, in local time.
std::wstring LocalTimeText(std::int64_t seconds);

}  // namespace quillon::win32ui
