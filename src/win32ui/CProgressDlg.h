#pragma once
// The import's progress window (template 129): MiB copied so far against the total; under the
// bar, the clip and the output file being written, the amount done of the total, the rate and
// the time left. It takes the copy message: COPY_PROGRESS moves the bar, COPY_DONE closes it as
// finished. Cancel (or Escape) stops the import.
#include <cstdint>
#include <functional>

#include "frontend/Texts.h"
#include "win32ui/Dialog.h"

namespace quillon::win32ui {

// The copy message "QM52COPYMessage", registered once per process.
UINT CopyMessage();

class CProgressDlg : public Dialog {
 public:
  // cancel runs on the user's Cancel, before the window closes: it stops the import at once.
  explicit CProgressDlg(std::function<void()> cancel);

  // Position 0, total MiB as the bar's upper end (kept within the bar's range). Before the
  // window is made.
  void SetTotal(std::uint64_t totalMiB);
  std::int64_t Position() const { return position_; }

  // The lines under the bar.
  void ShowLines(const frontend::ProgressLines& lines);

 protected:
  BOOL OnInitDialog() override;
  bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;

 private:
  std::function<void()> cancel_;
  std::int64_t position_ = 0;
  int total_ = 0;
};

}  // namespace quillon::win32ui
