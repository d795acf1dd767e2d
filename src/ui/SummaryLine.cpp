#include "ui/SummaryLine.h"

#include <QFontMetrics>

namespace quillon::ui {

SummaryLine::SummaryLine(QWidget* parent) : QLabel(parent) {
  setTextFormat(Qt::PlainText);
  setWordWrap(false);
  setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
}

void SummaryLine::SetSummary(const ImportSummary& summary) {
  summary_ = summary;
  shown_ = true;
  setToolTip(Lines().join(QLatin1Char('\n')));
  Elide();
}

void SummaryLine::Clear() {
  summary_ = {};
  shown_ = false;
  setToolTip(QString());
  clear();
}

QStringList SummaryLine::Lines() const {
  if (!shown_) return {};
  return {summary_.Head(), summary_.figures};
}

void SummaryLine::resizeEvent(QResizeEvent* event) {
  QLabel::resizeEvent(event);
  if (shown_) Elide();
}

void SummaryLine::Elide() {
  const QFontMetrics metrics = fontMetrics();
  const int room = std::max(0, contentsRect().width() - 2 * margin() - 4);
  QString head = summary_.Head();
  if (metrics.horizontalAdvance(head) > room) {
    // The folder gives up its middle first; the rest of the sentence stays whole.
    const int fixed = metrics.horizontalAdvance(summary_.head.arg(QString()));
    head = summary_.head.arg(metrics.elidedText(summary_.folder, Qt::ElideMiddle, std::max(0, room - fixed)));
  }
  setText(metrics.elidedText(head, Qt::ElideRight, room) + QLatin1Char('\n') +
          metrics.elidedText(summary_.figures, Qt::ElideRight, room));
}

}  // namespace quillon::ui
