#pragma once
// A label whose first line names a folder, and may have a second line under it: the destination
// folder, or the status line after an import. A folder too long for its line loses its middle
// first, the rest of the line after it; the whole text is in the tooltip.
#include <QLabel>
#include <QStringList>

namespace quillon::ui {

class FolderLabel : public QLabel {
  Q_OBJECT
 public:
  explicit FolderLabel(QWidget* parent = nullptr);

  // line holds kFolderMark where the folder goes.
  void Set(const QString& line, const QString& folder, const QString& below = {});
  void Clear() { Set({}, {}); }
  // The lines in full, however they are shown; empty when there is nothing.
  QStringList Lines() const;

  static constexpr QChar kFolderMark = QChar(0xFFFC);

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void Elide();

  QString line_, folder_, below_;
};

}  // namespace quillon::ui
