#pragma once
// The status line under the clip list once an import has ended: what was imported where, and
// below it the figures. A folder too long for its line loses its middle; the whole text is in
// the tooltip.
#include <QLabel>
#include <QStringList>

#include "frontend/Texts.h"

namespace quillon::ui {

class SummaryLine : public QLabel {
  Q_OBJECT
 public:
  explicit SummaryLine(QWidget* parent = nullptr);

  void SetSummary(const frontend::Summary& summary);
  void Clear();
  // The two lines in full, however they are shown; empty before the first import ends.
  QStringList Lines() const;

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  QString Head(const QString& folder) const;
  void Elide();

  frontend::Summary summary_;
  QString folder_;
  bool shown_ = false;
};

}  // namespace quillon::ui
