#pragma once
#include <QDialog>

namespace quillon::ui {

// The version box: program name and version, and the maker's notice.
class CAboutDlg : public QDialog {
  Q_OBJECT
 public:
  explicit CAboutDlg(QWidget* parent = nullptr);
};

}  // namespace quillon::ui
