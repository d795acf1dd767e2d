#pragma once
// The question asked before an output file replaces an existing one, with the existing file's
// size and date beside the new output's size, so that the user can judge.
#include <QDialog>
#include <QString>
#include <vector>

#include "import/ImportEvents.h"

class QLabel;
class QPushButton;

namespace quillon::ui {

class COverwriteConfirmDialog : public QDialog {
  Q_OBJECT
 public:
  explicit COverwriteConfirmDialog(QWidget* parent = nullptr);

  // Shows the question and answers the chosen button's id (2 for Cancel, Escape and the close
  // box).
  int AskOverwrite(const OverwriteQuestion& question);

  // The same in two steps, for a caller that must not block: SetQuestion, show, and read
  // AnswerCode() once finished. The window takes the size its texts need.
  void SetQuestion(const OverwriteQuestion& question);
  int AnswerCode() const { return result() == QDialog::Rejected ? 2 : answer_; }
  // The question with the whole file name, however the window shows it.
  QString QuestionText() const { return questionText_; }

  // "N&o to all", hidden and disabled in the template, is shown unless told otherwise: without it
  // a user would answer No once for every file.
  void ShowNoToAll(bool show);

 private:
  struct Placed {
    QWidget* widget;
    int x, y, w, h;  // the template's rectangle, in dialog units
  };
  void Answer(int code);
  void Fit();

  QLabel* question_;
  QLabel* existing_;
  QLabel* new_;
  QPushButton* noToAll_;
  std::vector<Placed> lines_;
  std::vector<Placed> buttons_;
  QString questionText_;
  QString name_;
  int answer_ = 0;
};

}  // namespace quillon::ui
