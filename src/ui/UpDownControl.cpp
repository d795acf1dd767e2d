#include "ui/UpDownControl.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QToolButton>
#include <QVBoxLayout>

namespace quillon::ui {

UpDownControl::UpDownControl(QWidget* parent) : QWidget(parent), up_(new QToolButton(this)), down_(new QToolButton(this)) {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  for (QToolButton* button : {up_, down_}) {
    button->setAutoRepeat(true);
    button->setFocusPolicy(Qt::NoFocus);
    button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    layout->addWidget(button);
  }
  up_->setArrowType(Qt::UpArrow);
  down_->setArrowType(Qt::DownArrow);
  up_->setObjectName(QStringLiteral("up"));
  down_->setObjectName(QStringLiteral("down"));
  connect(up_, &QToolButton::clicked, this, [this] { Step(+1); });
  connect(down_, &QToolButton::clicked, this, [this] { Step(-1); });
}

void UpDownControl::SetBuddy(QLineEdit* buddy) {
  buddy_ = buddy;
  const QRect area = buddy->geometry();
  const int width = std::max(12, area.height() * 3 / 5);
  buddy->setGeometry(area.x(), area.y(), area.width() - width, area.height());
  setGeometry(area.right() - width + 1, area.y(), width, area.height());
  buddy->installEventFilter(this);
}

void UpDownControl::SetRange(int lower, int upper) {
  lower_ = std::min(lower, upper);
  upper_ = std::max(lower, upper);
  position_ = std::clamp(position_, lower_, upper_);
}

int UpDownControl::Position() {
  if (buddy_) {
    bool ok = false;
    const int value = buddy_->text().toInt(&ok);
    if (ok && value >= lower_ && value <= upper_) position_ = value;
  }
  return position_;
}

void UpDownControl::SetPosition(int position) {
  position_ = std::clamp(position, lower_, upper_);
  if (buddy_) buddy_->setText(QString::number(position_));
}

void UpDownControl::Step(int delta) {
  int next = Position() + delta;
  if (next > upper_) next = lower_;
  if (next < lower_) next = upper_;
  SetPosition(next);
}

bool UpDownControl::eventFilter(QObject* watched, QEvent* event) {
  if (watched == buddy_ && event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Up || key == Qt::Key_Down) {
      Step(key == Qt::Key_Up ? +1 : -1);
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

}  // namespace quillon::ui
