#include "win32ui/COverwriteConfirmDialog.h"

#include <algorithm>

#include "frontend/CopyMessage.h"
#include "frontend/TextIds.h"
#include "frontend/Texts.h"
#include "platform/Path.h"
#include "win32ui/resource.h"

namespace quillon::win32ui {

namespace {

// The lines whose texts may need more room than the template gives them.
constexpr int kLines[] = {IDC_QUESTION, IDC_REPLACE_LINE, IDC_EXISTING_DETAIL, IDC_NEW_DETAIL};
// The buttons of the row under them, centred in the window.
constexpr int kButtons[] = {IDC_ANSWER_YES, IDC_ANSWER_YES_TO_ALL, IDC_ANSWER_NO, IDCANCEL, IDC_ANSWER_NO_TO_ALL};

// The question with name in the file's place.
std::wstring QuestionWith(const std::wstring& name) {
  return Tr(frontend::Text(IDS_OVERWRITE_QUESTION, {frontend::Verbatim(FromWide(name))}));
}

// name with its middle replaced by "…", keeping `kept` of its characters.
std::wstring Shortened(const std::wstring& name, std::size_t kept) {
  const std::size_t head = (kept + 1) / 2;
  return name.substr(0, head) + L"\u2026" + name.substr(name.size() - (kept - head));
}

// A file time (seconds since 1970 UTC) as the user's short date and time, in local time.
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

}  // namespace

COverwriteConfirmDialog::COverwriteConfirmDialog() : Dialog(IDD_OVERWRITE) {}

int COverwriteConfirmDialog::AskOverwrite(const OverwriteQuestion& question) {
  name_ = Wide(platform::LastComponent(question.path));
  question_ = Tr(frontend::OverwriteQuestionText(question));
  const std::wstring changed = question.existingTime ? LocalTimeText(*question.existingTime) : std::wstring();
  existing_ = Tr(frontend::ExistingFileText(question, FromWide(changed)));
  new_ = Tr(frontend::NewFileText(question));
  answer_ = 0;
  const INT_PTR result = DoModal(nullptr);
  // A window that could not be made answers as Cancel does: nothing is written over the file.
  return result == IDOK && answer_ != 0 ? answer_ : frontend::kAnswerCancel;
}

BOOL COverwriteConfirmDialog::OnInitDialog() {
  SetItemText(IDC_EXISTING_DETAIL, existing_);
  SetItemText(IDC_NEW_DETAIL, new_);
  // "N&o to all", hidden and disabled in the template: without it a user would answer No once
  // for every file.
  ::EnableWindow(Item(IDC_ANSWER_NO_TO_ALL), TRUE);
  ::ShowWindow(Item(IDC_ANSWER_NO_TO_ALL), SW_SHOWNA);
  Fit();
  // Asked while the progress window has the front, the question comes before it.
  ::SetForegroundWindow(Handle());
  return TRUE;
}

bool COverwriteConfirmDialog::HandleMessage(UINT message, WPARAM wParam, LPARAM, INT_PTR&) {
  if (message != WM_COMMAND) return false;
  switch (LOWORD(wParam)) {
    case IDC_ANSWER_YES:
    case IDC_ANSWER_YES_TO_ALL:
    case IDC_ANSWER_NO:
    case IDC_ANSWER_NO_TO_ALL:
      answer_ = LOWORD(wParam);
      End(IDOK);
      return true;
    case IDCANCEL:  // the button, Escape and the close box
      End(IDCANCEL);
      return true;
    default:
      return false;
  }
}

void COverwriteConfirmDialog::Fit() {
  const HWND dialog = Handle();
  RECT client{};
  ::GetClientRect(dialog, &client);
  RECT units{24, 0, 16, 0};  // the template's text margin, and what is kept free of the screen
  ::MapDialogRect(dialog, &units);
  const LONG margin = units.left;

  RECT frame{};
  ::GetWindowRect(dialog, &frame);
  const LONG frameWidth = (frame.right - frame.left) - client.right;
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  ::GetMonitorInfoW(::MonitorFromWindow(dialog, MONITOR_DEFAULTTONEAREST), &monitor);
  const LONG widest = std::max(client.right, (monitor.rcWork.right - monitor.rcWork.left) - frameWidth - units.right);
  const HWND line = Item(IDC_QUESTION);

  // The question keeps its whole sentence; a name too long for the widest window loses its middle.
  std::wstring shown = question_;
  const LONG questionLeft = ItemRect(IDC_QUESTION).left;
  if (questionLeft + TextWidth(line, shown) + margin > widest && name_.size() > 2) {
    std::size_t low = 0, high = name_.size() - 1;
    while (low < high) {  // the most characters kept that still fit
      const std::size_t mid = (low + high + 1) / 2;
      if (questionLeft + TextWidth(line, QuestionWith(Shortened(name_, mid))) + margin <= widest) {
        low = mid;
      } else {
        high = mid - 1;
      }
    }
    shown = QuestionWith(Shortened(name_, low));
  }
  SetItemText(IDC_QUESTION, shown);

  // "N&o to all" follows Cancel in the row, as wide as its text needs; the row keeps the
  // template's left margin on either side.
  const RECT cancel = ItemRect(IDCANCEL);
  RECT step{59, 0, 0, 0};  // from one button of the row to the next
  ::MapDialogRect(dialog, &step);
  ::SetWindowPos(Item(IDC_ANSWER_NO_TO_ALL), nullptr, cancel.left + step.left, cancel.top, cancel.right - cancel.left,
                 cancel.bottom - cancel.top, SWP_NOZORDER | SWP_NOACTIVATE);
  const LONG rowLeft = ItemRect(IDC_ANSWER_YES).left;
  const LONG rowRight = WidenToText(IDC_ANSWER_NO_TO_ALL, false).right;

  LONG needed = std::max(client.right, rowRight + rowLeft);
  for (int id : kLines) needed = std::max(needed, ItemRect(id).left + TextWidth(Item(id), ItemText(id)) + margin);
  const LONG width = std::min(needed, widest);
  const LONG extra = width - client.right;
  if (extra > 0) {
    ::SetWindowPos(dialog, nullptr, frame.left - extra / 2, frame.top, frame.right - frame.left + extra,
                   frame.bottom - frame.top, SWP_NOZORDER | SWP_NOACTIVATE);
    for (int id : kLines) {
      const RECT r = ItemRect(id);
      ::SetWindowPos(Item(id), nullptr, 0, 0, std::max(r.right, width - margin) - r.left, r.bottom - r.top,
                     SWP_NOZORDER | SWP_NOMOVE | SWP_NOACTIVATE);
    }
  }
  const LONG shift = (width - rowRight - rowLeft) / 2;  // the row centred
  for (int id : kButtons) {
    const RECT r = ItemRect(id);
    ::SetWindowPos(Item(id), nullptr, r.left + shift, r.top, 0, 0, SWP_NOZORDER | SWP_NOSIZE | SWP_NOACTIVATE);
  }
}

}  // namespace quillon::win32ui
