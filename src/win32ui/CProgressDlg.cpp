#include "win32ui/CProgressDlg.h"

#include <commctrl.h>

#include <algorithm>
#include <limits>

#include "import/CopyMessage.h"
#include "win32ui/ImportIds.h"
#include "win32ui/ImportSession.h"
#include "win32ui/ImportTexts.h"
#include "win32ui/resource.h"

namespace quillon::win32ui {

namespace {

// The window's own "new details are waiting" message.
constexpr UINT kDetailsMessage = WM_APP + 1;

}  // namespace

CProgressDlg::CProgressDlg(std::function<void()> cancel)
    : Dialog(IDD_PROGRESS), cancel_(std::move(cancel)), clock_([] { return std::chrono::steady_clock::now(); }) {}

void CProgressDlg::SetTotal(std::uint64_t totalMiB) {
  position_ = 0;
  total_ = static_cast<int>(std::min<std::uint64_t>(totalMiB, std::numeric_limits<int>::max()));
}

BOOL CProgressDlg::OnInitDialog() {
  Dialog::OnInitDialog();
  // An empty range would leave the bar nothing to divide by; an empty import shows an empty bar.
  ::SendDlgItemMessageW(Handle(), IDC_PROGRESS, PBM_SETRANGE32, 0, std::max(total_, 1));
  ::SendDlgItemMessageW(Handle(), IDC_PROGRESS, PBM_SETPOS, static_cast<WPARAM>(position_), 0);
  openWindow_.store(Handle());
  return TRUE;
}

void CProgressDlg::Close(INT_PTR result) {
  openWindow_.store(nullptr);
  End(result);
}

void CProgressDlg::OnDestroyed() { openWindow_.store(nullptr); }

void CProgressDlg::PostDetails(const ImportProgress& progress) {
  std::lock_guard lock(detailsMutex_);
  details_ = progress;
  if (detailsPosted_) return;  // the message on its way picks these up
  const HWND window = openWindow_.load();
  detailsPosted_ = window && ::PostMessageW(window, kDetailsMessage, 0, 0);
}

bool CProgressDlg::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) {
  if (message == CopyMessage()) {
    if (wParam == COPY_PROGRESS) {
      position_ += static_cast<std::uint32_t>(lParam);
      ::SendDlgItemMessageW(Handle(), IDC_PROGRESS, PBM_SETPOS,
                            static_cast<WPARAM>(std::min<std::int64_t>(position_, total_)), 0);
    } else if (wParam == COPY_DONE && OpenWindow()) {
      Close(IDOK);  // not after a Cancel: the window closes as cancelled then
    }
    result = -1;
    return true;
  }
  if (message == kDetailsMessage) {
    std::optional<ImportProgress> details;
    {
      std::lock_guard lock(detailsMutex_);
      details.swap(details_);
      detailsPosted_ = false;
    }
    if (details) ShowDetails(*details);
    return true;
  }
  if (message == WM_COMMAND && LOWORD(wParam) == IDCANCEL) {
    if (!OpenWindow()) return true;
    if (cancel_) cancel_();
    Close(IDCANCEL);
    return true;
  }
  if (message == WM_COMMAND && LOWORD(wParam) == IDOK) return true;  // there is no OK to press
  return false;
}

void CProgressDlg::ShowDetails(const ImportProgress& progress) {
  SetItemText(IDC_DETAIL_CLIP, FormatText(LoadText(IDS_PROGRESS_CLIP), {Wide(progress.clip)}));
  SetItemText(IDC_DETAIL_FILE, FormatText(LoadText(IDS_PROGRESS_FILE), {Wide(progress.output)}));
  SetItemText(IDC_DETAIL_AMOUNT,
              FormatText(LoadText(IDS_PROGRESS_AMOUNT), {MiBText(progress.bytesDone), MiBText(progress.bytesTotal)}));

  transferRate_.Add(clock_(), progress.bytesDone);
  const auto estimate = transferRate_.Rate(progress.bytesTotal);
  if (!estimate) {
    SetItemText(IDC_DETAIL_RATE, {});
    return;
  }
  const std::wstring rate = MiBText(static_cast<std::uint64_t>(estimate->bytesPerSecond));
  if (!estimate->secondsLeft) {
    SetItemText(IDC_DETAIL_RATE, FormatText(LoadText(IDS_PROGRESS_RATE), {rate}));
    return;
  }
  SetItemText(IDC_DETAIL_RATE,
              FormatText(LoadText(IDS_PROGRESS_RATE_LEFT), {rate, DurationText(*estimate->secondsLeft)}));
}

}  // namespace quillon::win32ui
