#pragma once
// The import's progress window: MiB copied so far against the total; closes by itself when
// the worker is done; Cancel (or Escape) stops the import.
#include <QDialog>
#include <atomic>
#include <cstdint>
#include <functional>

class QProgressBar;
class QPushButton;

namespace quillon::ui {

class CProgressDlg : public QDialog {
  Q_OBJECT
 public:
  // cancel runs when the user cancels: it stops the import at once.
  CProgressDlg(QWidget* parent, std::function<void()> cancel);

  // Position 0, total MiB as the bar's upper end (kept within the bar's range).
  void SetTotal(std::uint64_t totalMiB);
  std::int64_t Position() const { return position_; }
  int Total() const { return total_; }
  QProgressBar* Bar() const { return bar_; }

  // True from the moment the window is shown until it closes; read from the worker thread.
  bool WindowOpen() const { return windowOpen_.load(); }

  // Cancel: the import stops at once, then the window closes as cancelled.
  void reject() override;
  void done(int result) override;

 protected:
  bool event(QEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  std::function<void()> cancel_;
  QProgressBar* bar_;
  QPushButton* cancelButton_;
  std::int64_t position_ = 0;
  int total_ = 0;
  std::atomic<bool> windowOpen_{false};
};

}  // namespace quillon::ui
