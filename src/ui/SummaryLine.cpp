#include "ui/SummaryLine.h"

#include <QFontMetrics>

#include "ui/Texts.h"

namespace quillon::ui {

SummaryLine::SummaryLine(QWidget* parent) : QLabel(parent) {
  setTextFormat(Qt::PlainText);
  setWordWrap(false);
  setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
}

void SummaryLine::SetSummary(const frontend::Summary& summary) {
  summary_ = summary;
  folder_ = summary.head.args.empty() ? QString() : QString::fromStdU16String(summary.head.args.back().verbatim);
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
  return {Head(folder_), Tr(summary_.figures)};
}

// The head with folder in the folder's place.
QString SummaryLine::Head(const QString& folder) const {
  frontend::Message head = summary_.head;
  if (!head.args.empty()) head.args.back() = frontend::Verbatim(folder.toStdU16String());
  return Tr(head);
}

void SummaryLine::resizeEvent(QResizeEvent* event) {
  QLabel::resizeEvent(event);
  if (shown_) Elide();
}

void SummaryLine::Elide() {
  const QFontMetrics metrics = fontMetrics();
  const int room = std::max(0, contentsRect().width() - 2 * margin() - 4);
  QString head = Head(folder_);
  if (metrics.horizontalAdvance(head) > room) {
    // The folder gives up its middle first, the rest of the sentence stays whole; however
    // narrow the line, the folder keeps its first and last letters around the ellipsis.
    const int fixed = metrics.horizontalAdvance(Head(QString()));
    const int least = metrics.horizontalAdvance(folder_.left(2) + QChar(0x2026) + folder_.right(2));
    head = Head(metrics.elidedText(folder_, Qt::ElideMiddle, std::max(least, room - fixed)));
  }
  setText(metrics.elidedText(head, Qt::ElideRight, room) + QLatin1Char('\n') +
          metrics.elidedText(Tr(summary_.figures), Qt::ElideRight, room));
}

}  // namespace quillon::ui
