#pragma once
// The import's progress window: MiB copied so far against the total; under the bar, the clip
// and the output file being written, MiB done of MiB total, the rate and the time left. It
// closes by itself when the worker is done; Cancel (or Escape) stops the import.
#include <QDialog>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <utility>

#include "import/TransferRate.h"

class QLabel;
class QProgressBar;
class QPushButton;

namespace quillon {
struct ImportProgress;
}

namespace quillon::ui {

class CProgressDlg : public QDialog {
  Q_OBJECT
 public:
  using Clock = std::function<std::chrono::steady_clock::time_point()>;

  // cancel runs when the user cancels: it stops the import at once.
  CProgressDlg(QWidget* parent, std::function<void()> cancel);

  // Position 0, total MiB as the bar's upper end (kept within the bar's range).
  void SetTotal(std::uint64_t totalMiB);
  std::int64_t Position() const { return position_; }
  int Total() const { return total_; }
  QProgressBar* Bar() const { return bar_; }

  // The time each report of details is taken to arrive at; the steady clock unless set.
  void SetClock(Clock clock) { clock_ = std::move(clock); }

  // True from the moment the window is shown until it closes; read from the worker thread.
  bool WindowOpen() const { return windowOpen_.load(); }

  // Cancel: the import stops at once, then the window closes as cancelled.
  void reject() override;
  void done(int result) override;

 protected:
  bool event(QEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  void ShowDetails(const ImportProgress& progress);

  std::function<void()> cancel_;
  QProgressBar* bar_;
  QPushButton* cancelButton_;
  QLabel* clip_;
  QLabel* file_;
  QLabel* amount_;
  QLabel* rate_;
  std::int64_t position_ = 0;
  int total_ = 0;
  std::atomic<bool> windowOpen_{false};
  Clock clock_;
  // The rate over the last ten seconds, shown once a second of reports is in.
  TransferRate transferRate_{std::chrono::seconds(10), std::chrono::seconds(1)};
};

}  // namespace quillon::ui
