#pragma once
// The import's progress window: MiB copied so far against the total; under the bar, the clip
// and the output file being written, the amount done of the total, the rate and the time left.
// It closes by itself when the copy is done; Cancel (or Escape) stops the import.
#include <QDialog>
#include <atomic>
#include <cstdint>
#include <functional>

#include "frontend/Texts.h"

class QLabel;
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

  // The lines under the bar.
  void ShowLines(const frontend::ProgressLines& lines);

  // Cancel: the import stops at once, then the window closes as cancelled.
  void reject() override;

 protected:
  bool event(QEvent* event) override;

 private:
  std::function<void()> cancel_;
  QProgressBar* bar_;
  QPushButton* cancelButton_;
  QLabel* clip_;
  QLabel* file_;
  QLabel* amount_;
  QLabel* rate_;
  std::int64_t position_ = 0;
  int total_ = 0;
};

}  // namespace quillon::ui
