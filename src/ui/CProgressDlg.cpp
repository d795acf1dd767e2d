#include "ui/CProgressDlg.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <limits>

#include "frontend/TextIds.h"
#include "ui/CopyEvent.h"
#include "ui/DialogUnits.h"
#include "ui/Texts.h"
#include "ui/UserPrompts.h"

namespace quillon::ui {

namespace {

// A name too long for its line loses its middle; the whole stays in the tooltip.
void SetElided(QLabel* label, const QString& text) {
  label->setToolTip(text);
  label->setText(label->fontMetrics().elidedText(text, Qt::ElideMiddle, label->width()));
}

}  // namespace

CProgressDlg::CProgressDlg(QWidget* parent, std::function<void()> cancel)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      cancel_(std::move(cancel)),
      bar_(new QProgressBar(this)),
      cancelButton_(new QPushButton(this)),
      clip_(new QLabel(this)),
      file_(new QLabel(this)),
      amount_(new QLabel(this)),
      rate_(new QLabel(this)) {
  setFont(TemplateFont());
  setWindowIcon(ApplicationIcon());
  const DialogUnits du(font());
  setWindowTitle(tr("Copying..."));
  du.Place(bar_, 1005, 7, 7, 300, 20);
  bar_->setTextVisible(false);
  bar_->setRange(0, 0);
  cancelButton_->setText(tr("Cancel"));
  du.Place(cancelButton_, 2, 257, 36, 50, 14);
  cancelButton_->setAutoDefault(false);
  connect(cancelButton_, &QPushButton::clicked, this, &CProgressDlg::reject);

  // The details stand under the bar, left of Cancel, one to a line; the window grows
  // downward to hold them. A line is as tall as its text needs, in either language.
  const std::pair<QLabel*, const char*> lines[] = {
      {clip_, "clipDetail"}, {file_, "fileDetail"}, {amount_, "amountDetail"}, {rate_, "rateDetail"}};
  QLabel sample(Tr(frontend::Text(IDS_PROGRESS_FILE, {frontend::Verbatim(u"HDV0001_2008-03-14_101530.M2T")})));
  sample.setFont(font());
  const int lineHeight = std::max(du.Y(8), sample.sizeHint().height());
  int y = du.Y(32);
  for (const auto& [label, name] : lines) {
    label->setObjectName(QString::fromLatin1(name));
    label->setTextFormat(Qt::PlainText);
    label->setGeometry(du.X(7), y, du.X(244), lineHeight);
    y += std::max(du.Y(10), lineHeight + du.Y(2));
  }
  setFixedSize(du.X(314), std::max(du.Y(57), rate_->geometry().bottom() + 1 + du.Y(7)));
}

void CProgressDlg::SetTotal(std::uint64_t totalMiB) {
  position_ = 0;
  total_ = static_cast<int>(std::min<std::uint64_t>(totalMiB, std::numeric_limits<int>::max()));
  // A range of 0..0 would turn the bar into a busy indicator; an empty bar is what is meant.
  bar_->setRange(0, std::max(total_, 1));
  bar_->setValue(0);
}

void CProgressDlg::reject() {
  if (cancel_) cancel_();
  QDialog::reject();
}

bool CProgressDlg::event(QEvent* event) {
  AcceptPostedEvents();
  if (event->type() != CopyMessageEvent::EventType()) return QDialog::event(event);
  const auto* message = static_cast<const CopyMessageEvent*>(event);
  if (message->Code() == frontend::COPY_PROGRESS) {
    position_ += message->LParam();
    bar_->setValue(static_cast<int>(std::min<std::int64_t>(position_, bar_->maximum())));
  } else if (message->Code() == frontend::COPY_DONE && isVisible()) {
    accept();
  }
  return true;
}

void CProgressDlg::ShowLines(const frontend::ProgressLines& lines) {
  SetElided(clip_, Tr(lines.clip));
  SetElided(file_, Tr(lines.file));
  amount_->setText(Tr(lines.amount));
  rate_->setText(Tr(lines.rate));
}

}  // namespace quillon::ui
