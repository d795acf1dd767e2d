#include "win32ui/COverwriteConfirmDialog.h"

#include <algorithm>

#include "import/CopyMessage.h"
#include "platform/Path.h"
#include "win32ui/ImportIds.h"
#include "win32ui/ImportTexts.h"
#include "win32ui/resource.h"

namespace quillon::win32ui {

namespace {

// The lines whose texts may need more room than the template gives them.
constexpr int kLines[] = {IDC_QUESTION, IDC_REPLACE_LINE, IDC_EXISTING_DETAIL, IDC_NEW_DETAIL};
// The buttons of the row under them, centred in the window.
constexpr int kButtons[] = {IDC_ANSWER_YES, IDC_ANSWER_YES_TO_ALL, IDC_ANSWER_NO, IDCANCEL};

RECT ClientRectOf(HWND dialog, HWND control) {
  RECT r{};
  ::GetWindowRect(control, &r);
  ::MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

// name with its middle replaced by "…", keeping `kept` of its characters.
std::wstring Shortened(const std::wstring& name, std::size_t kept) {
  const std::size_t head = (kept + 1) / 2;
  return name.substr(0, head) + L"\u2026" + name.substr(name.size() - (kept - head));
}

}  // namespace

COverwriteConfirmDialog::COverwriteConfirmDialog() : Dialog(IDD_OVERWRITE) {}

int COverwriteConfirmDialog::AskOverwrite(const OverwriteQuestion& question) {
  name_ = Wide(platform::LastComponent(question.path));
  question_ = OverwriteQuestionText(question.path);
  existing_ = ExistingFileText(question);
  new_ = NewFileText(question);
  return DoModal();
}

int COverwriteConfirmDialog::DoModal() {
  answer_ = 0;
  const INT_PTR result = Dialog::DoModal(nullptr);
  // A window that could not be made answers as Cancel does: nothing is written over the file.
  if (result == IDCANCEL || result == -1 || answer_ == 0) return kAnswerCancel;
  return answer_;
}

BOOL COverwriteConfirmDialog::OnInitDialog() {
  const BOOL result = Dialog::OnInitDialog();
  SetItemText(IDC_EXISTING_DETAIL, existing_);
  SetItemText(IDC_NEW_DETAIL, new_);
  Fit();
  if (slot_) slot_->store(Handle());
  // Asked from the worker, the question comes to the front of the program's windows.
  ::SetForegroundWindow(Handle());
  return result;
}

void COverwriteConfirmDialog::OnDestroyed() {
  if (slot_) slot_->store(nullptr);
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

  const HDC dc = ::GetDC(dialog);
  const HGDIOBJ oldFont = ::SelectObject(dc, reinterpret_cast<HGDIOBJ>(::SendMessageW(dialog, WM_GETFONT, 0, 0)));
  const auto width = [dc](const std::wstring& text) {
    SIZE size{};
    ::GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
    return size.cx;
  };

  // The question keeps its whole sentence; a name too long for the widest window loses its middle.
  std::wstring shown = question_;
  const LONG questionLeft = ClientRectOf(dialog, Item(IDC_QUESTION)).left;
  if (questionLeft + width(shown) + margin > widest && name_.size() > 2) {
    std::size_t low = 0, high = name_.size() - 1;
    while (low < high) {  // the most characters kept that still fit
      const std::size_t mid = (low + high + 1) / 2;
      if (questionLeft + width(FormatText(LoadText(IDS_OVERWRITE_QUESTION), {Shortened(name_, mid)})) + margin <=
          widest) {
        low = mid;
      } else {
        high = mid - 1;
      }
    }
    shown = FormatText(LoadText(IDS_OVERWRITE_QUESTION), {Shortened(name_, low)});
  }
  SetItemText(IDC_QUESTION, shown);

  LONG needed = client.right;
  for (int id : kLines) needed = std::max(needed, ClientRectOf(dialog, Item(id)).left + width(ItemText(id)) + margin);
  ::SelectObject(dc, oldFont);
  ::ReleaseDC(dialog, dc);

  const LONG extra = std::min(needed, widest) - client.right;
  if (extra <= 0) return;
  ::SetWindowPos(dialog, nullptr, frame.left - extra / 2, frame.top, frame.right - frame.left + extra,
                 frame.bottom - frame.top, SWP_NOZORDER | SWP_NOACTIVATE);
  const LONG right = client.right + extra - margin;
  for (int id : kLines) {
    const RECT r = ClientRectOf(dialog, Item(id));
    ::SetWindowPos(Item(id), nullptr, 0, 0, std::max(r.right, right) - r.left, r.bottom - r.top,
                   SWP_NOZORDER | SWP_NOMOVE | SWP_NOACTIVATE);
  }
  const auto shift = [&](int id, LONG by) {
    const RECT r = ClientRectOf(dialog, Item(id));
    ::SetWindowPos(Item(id), nullptr, r.left + by, r.top, 0, 0, SWP_NOZORDER | SWP_NOSIZE | SWP_NOACTIVATE);
  };
  for (int id : kButtons) shift(id, extra / 2);
  shift(IDC_ANSWER_NO_TO_ALL, extra);
}

}  // namespace quillon::win32ui
