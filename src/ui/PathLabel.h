#pragma once
// A one-line, sunken text of a folder path; a path too long for it loses its middle to "...".
#include <QLabel>

namespace quillon::ui {

class PathLabel : public QLabel {
  Q_OBJECT
 public:
  explicit PathLabel(QWidget* parent = nullptr);

  void SetPath(const QString& path);
  const QString& Path() const { return path_; }

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void Elide();

  QString path_;
};

}  // namespace quillon::ui
