#include "win32ui/CProgressDlg.h"

#include <commctrl.h>

#include <algorithm>
#include <limits>

#include "frontend/CopyMessage.h"
#include "win32ui/resource.h"

namespace quillon::win32ui {

UINT CopyMessage() {
  static const UINT message = [] {
    const std::string name = frontend::kCopyMessageName;
    return ::RegisterWindowMessageW(std::wstring(name.begin(), name.end()).c_str());
  }();
  return message;
}

CProgressDlg::CProgressDlg(std::function<void()> cancel) : Dialog(IDD_PROGRESS), cancel_(std::move(cancel)) {}

void CProgressDlg::SetTotal(std::uint64_t totalMiB) {
  position_ = 0;
  total_ = static_cast<int>(std::min<std::uint64_t>(totalMiB, std::numeric_limits<int>::max()));
}

BOOL CProgressDlg::OnInitDialog() {
  // An empty range would leave the bar nothing to divide by; an empty import shows an empty bar.
  ::SendDlgItemMessageW(Handle(), IDC_PROGRESS, PBM_SETRANGE32, 0, std::max(total_, 1));
  ::SendDlgItemMessageW(Handle(), IDC_PROGRESS, PBM_SETPOS, static_cast<WPARAM>(position_), 0);
  return TRUE;
}

bool CProgressDlg::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) {
  if (message == CopyMessage()) {
    if (wParam == frontend::COPY_PROGRESS) {
      position_ += static_cast<std::uint32_t>(lParam);
      ::SendDlgItemMessageW(Handle(), IDC_PROGRESS, PBM_SETPOS,
                            static_cast<WPARAM>(std::min<std::int64_t>(position_, total_)), 0);
    } else if (wParam == frontend::COPY_DONE) {
      End(IDOK);
    }
    result = -1;
    return true;
  }
  if (message != WM_COMMAND) return false;
  if (LOWORD(wParam) == IDCANCEL) {
    if (cancel_) cancel_();  // may close the window already
    End(IDCANCEL);
  }
  return true;  // there is no OK to press
}

void CProgressDlg::ShowLines(const frontend::ProgressLines& lines) {
  SetItemText(IDC_DETAIL_CLIP, Tr(lines.clip));
  SetItemText(IDC_DETAIL_FILE, Tr(lines.file));
  SetItemText(IDC_DETAIL_AMOUNT, Tr(lines.amount));
  SetItemText(IDC_DETAIL_RATE, Tr(lines.rate));
}

}  // namespace quillon::win32ui
