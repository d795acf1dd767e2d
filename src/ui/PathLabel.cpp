#include "ui/PathLabel.h"

#include <QFontMetrics>

namespace quillon::ui {

PathLabel::PathLabel(QWidget* parent) : QLabel(parent) {
  setFrameStyle(QFrame::Panel | QFrame::Sunken);
  setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  setWordWrap(false);
  setTextFormat(Qt::PlainText);
}

void PathLabel::SetPath(const QString& path) {
  path_ = path;
  setToolTip(path);
  Elide();
}

void PathLabel::resizeEvent(QResizeEvent* event) {
  QLabel::resizeEvent(event);
  Elide();
}

void PathLabel::Elide() {
  const int room = contentsRect().width() - 2 * margin() - 4;
  setText(fontMetrics().elidedText(path_, Qt::ElideMiddle, std::max(room, 0)));
}

}  // namespace quillon::ui
