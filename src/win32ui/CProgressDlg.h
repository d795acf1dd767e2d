#pragma once
// The import's progress window (template 129): MiB copied so far against the total; under the
// bar, the clip and the output file being written, MiB done of MiB total, the rate and the time
// left. It closes by itself as finished on COPY_DONE; Cancel (or Escape) stops the import.
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <utility>

#include "import/ImportFrontEnd.h"
#include "import/TransferRate.h"
#include "win32ui/Dialog.h"

namespace quillon::win32ui {

class CProgressDlg : public Dialog {
 public:
  using Clock = std::function<std::chrono::steady_clock::time_point()>;

  // cancel runs on the user's Cancel, before the window closes: it stops the import at once.
  explicit CProgressDlg(std::function<void()> cancel);

  // Position 0, total MiB as the bar's upper end (kept within the bar's range). Before the
  // window is shown.
  void SetTotal(std::uint64_t totalMiB);
  std::int64_t Position() const { return position_; }
  int Total() const { return total_; }

  // The window from its making until it is told to close, for the worker to post to; null
  // otherwise. Any thread.
  HWND OpenWindow() const { return openWindow_.load(); }

  // Any thread: the details to show under the bar; the window picks the latest up.
  void PostDetails(const ImportProgress& progress);

  // The time each report of details is taken to arrive at; the steady clock unless set.
  void SetClock(Clock clock) { clock_ = std::move(clock); }

 protected:
  BOOL OnInitDialog() override;
  bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;
  void OnDestroyed() override;

 private:
  void Close(INT_PTR result);
  void ShowDetails(const ImportProgress& progress);

  std::function<void()> cancel_;
  std::int64_t position_ = 0;
  int total_ = 0;
  std::atomic<HWND> openWindow_{nullptr};
  Clock clock_;
  // The latest details from the worker, and whether a message about them is on its way.
  std::mutex detailsMutex_;
  std::optional<ImportProgress> details_;
  bool detailsPosted_ = false;
  // The rate over the last ten seconds, shown once a second of reports is in.
  TransferRate transferRate_{std::chrono::seconds(10), std::chrono::seconds(1)};
};

}  // namespace quillon::win32ui
