#include "ui/CProgressDlg.h"

#include <QProgressBar>
#include <QPushButton>
#include <limits>

#include "ui/CopyEvent.h"
#include "ui/DialogUnits.h"

namespace quillon::ui {

CProgressDlg::CProgressDlg(QWidget* parent, std::function<void()> cancel)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      cancel_(std::move(cancel)),
      bar_(new QProgressBar(this)),
      cancelButton_(new QPushButton(this)) {
  setFont(TemplateFont());
  const DialogUnits du(font());
  setWindowTitle(tr("Copying..."));
  setFixedSize(du.Size(314, 57));
  du.Place(bar_, 1005, 7, 7, 300, 20);
  bar_->setTextVisible(false);
  bar_->setRange(0, 0);
  cancelButton_->setText(tr("Cancel"));
  du.Place(cancelButton_, 2, 257, 36, 50, 14);
  cancelButton_->setAutoDefault(false);
  connect(cancelButton_, &QPushButton::clicked, this, &CProgressDlg::reject);
}

void CProgressDlg::SetTotal(std::uint64_t totalMiB) {
  position_ = 0;
  total_ = static_cast<int>(std::min<std::uint64_t>(totalMiB, std::numeric_limits<int>::max()));
  // A range of 0..0 would turn the bar into a busy indicator; an empty bar is what is meant.
  bar_->setRange(0, std::max(total_, 1));
  bar_->setValue(0);
}

void CProgressDlg::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  windowOpen_.store(true);
}

void CProgressDlg::reject() {
  if (cancel_) cancel_();
  QDialog::reject();
}

void CProgressDlg::done(int result) {
  windowOpen_.store(false);
  QDialog::done(result);
}

bool CProgressDlg::event(QEvent* event) {
  AcceptPostedEvents();
  if (event->type() != CopyMessageEvent::EventType()) return QDialog::event(event);
  const auto* message = static_cast<const CopyMessageEvent*>(event);
  if (message->Code() == COPY_PROGRESS) {
    position_ += message->LParam();
    bar_->setValue(static_cast<int>(std::min<std::int64_t>(position_, bar_->maximum())));
  } else if (message->Code() == COPY_DONE && isVisible()) {
    accept();
  }
  return true;
}

}  // namespace quillon::ui
