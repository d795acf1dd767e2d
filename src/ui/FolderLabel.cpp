#include "ui/FolderLabel.h"

#include <QFontMetrics>

namespace quillon::ui {

FolderLabel::FolderLabel(QWidget* parent) : QLabel(parent) {
  setTextFormat(Qt::PlainText);
  setWordWrap(false);
  setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
}

void FolderLabel::Set(const QString& line, const QString& folder, const QString& below) {
  line_ = line;
  folder_ = folder;
  below_ = below;
  setToolTip(Lines().join(QLatin1Char('\n')));
  Elide();
}

QStringList FolderLabel::Lines() const {
  if (line_.isEmpty()) return {};
  QStringList lines{QString(line_).replace(kFolderMark, folder_)};
  if (!below_.isEmpty()) lines.push_back(below_);
  return lines;
}

void FolderLabel::resizeEvent(QResizeEvent* event) {
  QLabel::resizeEvent(event);
  Elide();
}

void FolderLabel::Elide() {
  const QFontMetrics metrics = fontMetrics();
  const int room = std::max(0, contentsRect().width() - 2 * margin() - 4);
  QString line = QString(line_).replace(kFolderMark, folder_);
  if (metrics.horizontalAdvance(line) > room) {
    // However narrow the line, the folder keeps its first and last letters around the ellipsis.
    const int fixed = metrics.horizontalAdvance(QString(line_).remove(kFolderMark));
    const int least = metrics.horizontalAdvance(folder_.left(2) + QChar(0x2026) + folder_.right(2));
    line = QString(line_).replace(kFolderMark,
                                  metrics.elidedText(folder_, Qt::ElideMiddle, std::max(least, room - fixed)));
  }
  line = metrics.elidedText(line, Qt::ElideRight, room);
  setText(below_.isEmpty() ? line : line + QLatin1Char('\n') + metrics.elidedText(below_, Qt::ElideRight, room));
}

}  // namespace quillon::ui
