#include "win32ui/ImportTexts.h"

#include <algorithm>
#include <cstdio>
#include <iterator>

#include "import/UserTexts.h"
#include "platform/Path.h"
#include "win32ui/Dialog.h"
#include "win32ui/ImportIds.h"
#include "win32ui/ImportSession.h"
#include "win32ui/resource.h"

namespace quillon::win32ui {

namespace {

constexpr wchar_t kNoBreakSpace = L'\u00a0';

// Sizes keep their number and unit together on one line.
std::wstring Unbroken(std::wstring text) {
  std::replace(text.begin(), text.end(), L' ', kNoBreakSpace);
  return text;
}

std::wstring Number(std::uint64_t value) { return std::to_wstring(value); }

std::wstring FileName(std::u16string_view path) { return Wide(platform::LastComponent(path)); }

std::wstring Joined(const std::vector<std::wstring>& lines, std::wstring_view separator) {
  std::wstring out;
  for (const std::wstring& line : lines) {
    if (!out.empty()) out += separator;
    out += line;
  }
  return out;
}

std::wstring WithCause(const std::wstring& line, const std::string& cause) {
  if (cause.empty()) return line;
  return FormatText(LoadText(IDS_WITH_CAUSE), {line, WideFromUtf8(cause)});
}

}  // namespace

std::wstring SizeText(std::uint64_t bytes) {
  static constexpr UINT kUnits[] = {IDS_SIZE_BYTES, IDS_SIZE_KIB, IDS_SIZE_MIB, IDS_SIZE_GIB, IDS_SIZE_TIB};
  const ScaledSize size = ScaleBytes(bytes);
  const UINT unit = bytes == 1 ? IDS_SIZE_BYTE : kUnits[size.unit];
  return Unbroken(FormatText(LoadText(unit), {WideFromUtf8(size.number)}));
}

std::wstring DurationText(double seconds) {
  const auto whole = static_cast<std::uint64_t>(std::max(0.0, seconds) + 0.5);
  if (whole < 60) return FormatText(LoadText(IDS_DURATION_SECONDS), {Number(whole)});
  if (whole < 3600) return FormatText(LoadText(IDS_DURATION_MINUTES), {Number(whole / 60), Number(whole % 60)});
  return FormatText(LoadText(IDS_DURATION_HOURS), {Number(whole / 3600), Number(whole % 3600 / 60)});
}

std::wstring MiBText(std::uint64_t bytes) {
  wchar_t text[32];
  std::swprintf(text, std::size(text), L"%.1f", static_cast<double>(bytes) / (1024.0 * 1024.0));
  return text;
}

std::wstring FailureLine(const ClipFailure& failure) {
  const std::wstring clip = Wide(failure.clip);
  const std::wstring file = Wide(failure.file);
  const auto line = [&](UINT id) { return FormatText(LoadText(id), {clip, file}); };
  switch (failure.kind) {
    // Kinds whose cause is the system's error text, put in parentheses after the line.
    case FailureKind::ChunkOpen:
      return WithCause(line(IDS_FAIL_CHUNK_OPEN), failure.detail);
    case FailureKind::ChunkRead:
      return WithCause(line(IDS_FAIL_CHUNK_READ), failure.detail);
    case FailureKind::OutputCreate:
      return WithCause(line(IDS_FAIL_OUTPUT_CREATE), failure.detail);
    case FailureKind::OutputWrite:
      return WithCause(line(IDS_FAIL_OUTPUT_WRITE), failure.detail);
    case FailureKind::OutputSync:
      return WithCause(line(IDS_FAIL_OUTPUT_SYNC), failure.detail);
    case FailureKind::OutputReadBack:
      return WithCause(line(IDS_FAIL_OUTPUT_READ_BACK), failure.detail);
    case FailureKind::OutputPlace:
      return WithCause(line(IDS_FAIL_OUTPUT_PLACE), failure.detail);
    case FailureKind::FolderSync:
      return WithCause(line(IDS_FAIL_FOLDER_SYNC), failure.detail);
    case FailureKind::Internal:
      return WithCause(line(IDS_FAIL_INTERNAL), failure.detail);
    // The others tell their whole cause themselves.
    case FailureKind::ChunkEnded:
      return line(IDS_FAIL_CHUNK_ENDED);
    case FailureKind::OutputMismatch:
      return line(IDS_FAIL_OUTPUT_MISMATCH);
    case FailureKind::SameAsUnitFile:
      return line(IDS_FAIL_SAME_AS_UNIT_FILE);
    case FailureKind::ExistsAfterFailure:
      return line(IDS_FAIL_EXISTS_AFTER_FAILURE);
    case FailureKind::TooLarge:
      return FormatText(LoadText(IDS_FAIL_TOO_LARGE), {clip, file, Unbroken(WideFromUtf8(failure.detail))});
  }
  return line(IDS_FAIL_INTERNAL);
}

MessageText CopyFailedMessage(const ClipFailure* cause) {
  std::wstring text = LoadText(IDS_COPY_FAILED);
  if (text.empty()) text = WideFromUtf8(kImportFailedText);
  return {text, cause ? FailureLine(*cause) : std::wstring(), MB_OK};
}

MessageText RefusedMessage(const Refusal& refusal) {
  const std::wstring folder = Wide(refusal.destination);
  switch (refusal.kind) {
    case RefusalKind::NoDestination:
      return {FormatText(LoadText(IDS_REFUSED_NO_DESTINATION), {folder}), {}};
    case RefusalKind::NotAFolder:
      return {FormatText(LoadText(IDS_REFUSED_NOT_A_FOLDER), {folder}), {}};
    case RefusalKind::NotWritable:
      return {FormatText(LoadText(IDS_REFUSED_NOT_WRITABLE), {folder}), WideFromUtf8(refusal.detail)};
    case RefusalKind::InsideUnit:
      return {FormatText(LoadText(IDS_REFUSED_INSIDE_UNIT), {folder}), {}};
    case RefusalKind::NotEnoughSpace:
      return {FormatText(LoadText(IDS_REFUSED_NOT_ENOUGH_SPACE),
                         {SizeText(refusal.neededBytes), folder, SizeText(refusal.availableBytes)}),
              {}};
  }
  return {};
}

MessageText TooLargeMessage(const std::vector<ClipFailure>& tooLarge, bool othersLeft) {
  std::vector<std::wstring> lines;
  for (const ClipFailure& output : tooLarge) {
    lines.push_back(FormatText(LoadText(IDS_TOO_LARGE_ITEM),
                               {Wide(output.clip), Wide(output.file), Unbroken(WideFromUtf8(output.detail))}));
  }
  return {LoadText(othersLeft ? IDS_TOO_LARGE_OTHERS_LEFT : IDS_TOO_LARGE_NOTHING_LEFT), Joined(lines, L"\n")};
}

MessageText RenamedMessage(const std::vector<RenamedOutput>& renamed) {
  std::vector<std::wstring> lines;
  for (const RenamedOutput& output : renamed) {
    lines.push_back(FormatText(LoadText(IDS_RENAMED_ITEM), {FileName(output.from), FileName(output.to)}));
  }
  return {LoadText(IDS_RENAMED_HEAD), Joined(lines, L"\n"), MB_ICONINFORMATION};
}

MessageText NotRemovedMessage(const std::vector<UnremovedOutput>& left) {
  std::vector<std::wstring> lines;
  for (const UnremovedOutput& output : left) lines.push_back(WithCause(Wide(output.path), output.error));
  return {LoadText(IDS_NOT_REMOVED_HEAD), Joined(lines, L"\n")};
}

std::wstring OverwriteQuestionText(std::u16string_view path) {
  return FormatText(LoadText(IDS_OVERWRITE_QUESTION), {FileName(path)});
}

std::wstring ExistingFileText(const OverwriteQuestion& question) {
  if (!question.existingSize) return LoadText(IDS_EXISTING_NOT_A_FILE);
  if (!question.existingTime) return FormatText(LoadText(IDS_EXISTING_SIZE), {SizeText(*question.existingSize)});
  return FormatText(LoadText(IDS_EXISTING_SIZE_DATE),
                    {SizeText(*question.existingSize), LocalTimeText(*question.existingTime)});
}

std::wstring NewFileText(const OverwriteQuestion& question) {
  return FormatText(LoadText(IDS_NEW_SIZE), {SizeText(question.newSize)});
}

std::wstring LocalTimeText(std::int64_t seconds) {
  // FILETIME counts 100 ns from 1601; 11644473600 s lie between 1601 and 1970.
  const auto ticks = static_cast<std::uint64_t>(std::max<std::int64_t>(seconds, 0) + 11644473600LL) * 10000000ULL;
  const FILETIME utc{static_cast<DWORD>(ticks & 0xFFFFFFFFu), static_cast<DWORD>(ticks >> 32)};
  FILETIME local{};
  SYSTEMTIME when{};
  if (!::FileTimeToLocalFileTime(&utc, &local) || !::FileTimeToSystemTime(&local, &when)) return {};
  wchar_t date[80] = L"";
  wchar_t time[80] = L"";
  ::GetDateFormatEx(LOCALE_NAME_USER_DEFAULT, DATE_SHORTDATE, &when, nullptr, date, 80, nullptr);
  ::GetTimeFormatEx(LOCALE_NAME_USER_DEFAULT, TIME_NOSECONDS, &when, nullptr, time, 80);
  return std::wstring(date) + L" " + time;
}

SummaryText Summarise(const ImportOutcome& outcome) {
  const std::size_t files = outcome.written.size();
  const UINT head = outcome.cancelled ? (files == 1 ? IDS_SUMMARY_CANCELLED_ONE : IDS_SUMMARY_CANCELLED_MANY)
                                      : (files == 1 ? IDS_SUMMARY_ONE : IDS_SUMMARY_MANY);
  SummaryText summary;
  summary.head = FormatText(LoadText(head), {Number(files), Wide(outcome.destination)});
  std::vector<std::wstring> figures{
      FormatText(LoadText(IDS_SUMMARY_SIZE_TIME), {SizeText(outcome.bytesWritten), DurationText(outcome.seconds)})};
  if (!outcome.skipped.empty())
    figures.push_back(FormatText(LoadText(IDS_SUMMARY_KEPT), {Number(outcome.skipped.size())}));
  if (!outcome.renamed.empty()) {
    figures.push_back(FormatText(LoadText(IDS_SUMMARY_RENAMED), {Number(outcome.renamed.size())}));
  }
  if (!outcome.failed.empty())
    figures.push_back(FormatText(LoadText(IDS_SUMMARY_FAILED), {Number(outcome.failed.size())}));
  summary.figures = Joined(figures, LoadText(IDS_SUMMARY_SEPARATOR));
  return summary;
}

}  // namespace quillon::win32ui
