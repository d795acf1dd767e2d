#pragma once
// An up-down control for a number edit: two arrow buttons against the edit's right edge that
// step the number by one, wrapping around its range; the Up and Down keys in the edit do the
// same. The position is the edit's number, or the last valid one while the edit holds none.
#include <QWidget>

class QLineEdit;
class QToolButton;

namespace quillon::ui {

class UpDownControl : public QWidget {
  Q_OBJECT
 public:
  explicit UpDownControl(QWidget* parent = nullptr);

  // Takes the edit as buddy: narrows it by this control's width and sits at its right edge.
  void SetBuddy(QLineEdit* buddy);
  QLineEdit* Buddy() const { return buddy_; }
  void SetRange(int lower, int upper);

  // The buddy's number when it holds a valid one, else the last valid position.
  int Position();
  void SetPosition(int position);
  void Step(int delta);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QLineEdit* buddy_ = nullptr;
  QToolButton* up_;
  QToolButton* down_;
  int lower_ = 0;
  int upper_ = 100;
  int position_ = 0;
};

}  // namespace quillon::ui
