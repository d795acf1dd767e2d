#pragma once
// The question asked before an output file replaces an existing one.
#include <QDialog>
#include <QString>
#include <string>

class QLabel;
class QPushButton;

namespace quillon::ui {

class COverwriteConfirmDialog : public QDialog {
  Q_OBJECT
 public:
  explicit COverwriteConfirmDialog(QWidget* parent = nullptr);

  // Shows the question for path and answers the chosen button's id (2 for Cancel, Escape and
  // the close box).
  int AskOverwrite(const std::u16string& path);

  // The same in two steps, for a caller that must not block: SetQuestion, show, and read
  // AnswerCode() once finished.
  void SetQuestion(const std::u16string& path);
  int AnswerCode() const { return result() == QDialog::Rejected ? 2 : answer_; }
  QString QuestionText() const;

  // "N&o to all" is hidden and disabled unless asked for.
  void ShowNoToAll(bool show);

 private:
  void Answer(int code);

  QLabel* question_;
  QPushButton* noToAll_;
  int answer_ = 0;
};

}  // namespace quillon::ui
