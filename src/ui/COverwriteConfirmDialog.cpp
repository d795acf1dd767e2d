#include "ui/COverwriteConfirmDialog.h"

#include <QLabel>
#include <QPushButton>

#include "import/CopyMessage.h"
#include "platform/Path.h"
#include "ui/DialogUnits.h"

namespace quillon::ui {

COverwriteConfirmDialog::COverwriteConfirmDialog(QWidget* parent)
    : QDialog(parent), question_(new QLabel(this)), noToAll_(new QPushButton(this)) {
  setFont(TemplateFont());
  const DialogUnits du(font());
  setWindowTitle(tr("kv_dock"));
  setFixedSize(du.Size(323, 93));

  du.Place(question_, 1026, 24, 14, 272, 8);
  question_->setTextFormat(Qt::PlainText);
  auto* line = new QLabel(tr("Would you like replace the existing file?"), this);
  du.Place(line, "replaceLine", 23, 33, 253, 8);
  for (QLabel* label : {question_, line}) label->setMinimumHeight(label->sizeHint().height());
  question_->resize(question_->width(), question_->minimumHeight());
  line->resize(line->width(), line->minimumHeight());

  struct ButtonSpec {
    int id;
    const char* text;
    int x, y, w, h;
  };
  const ButtonSpec specs[] = {
      {kAnswerYes, QT_TR_NOOP("&Yes"), 41, 72, 54, 14},
      {kAnswerYesToAll, QT_TR_NOOP("Yes to &all"), 100, 72, 54, 14},
      {kAnswerNo, QT_TR_NOOP("&No"), 159, 72, 54, 14},
      {kAnswerCancel, QT_TR_NOOP("Cancel"), 218, 72, 54, 14},
  };
  for (const auto& spec : specs) {
    auto* button = new QPushButton(tr(spec.text), this);
    du.Place(button, spec.id, spec.x, spec.y, spec.w, spec.h);
    if (spec.id == kAnswerCancel) {
      connect(button, &QPushButton::clicked, this, &QDialog::reject);
    } else {
      connect(button, &QPushButton::clicked, this, [this, id = spec.id] { Answer(id); });
    }
    if (spec.id == kAnswerYes) button->setDefault(true);
  }
  noToAll_->setText(tr("N&o to all"));
  du.Place(noToAll_, kAnswerNoToAll, 305, 30, 11, 14);
  connect(noToAll_, &QPushButton::clicked, this, [this] { Answer(kAnswerNoToAll); });
  ShowNoToAll(false);
}

void COverwriteConfirmDialog::ShowNoToAll(bool show) {
  noToAll_->setVisible(show);
  noToAll_->setEnabled(show);
  if (show) {
    // Too narrow in the template for its text: it takes the width it needs at the same place.
    const int width = std::max(noToAll_->width(), noToAll_->sizeHint().width());
    noToAll_->setGeometry(this->width() - width - 4, noToAll_->y(), width, noToAll_->height());
  }
}

void COverwriteConfirmDialog::SetQuestion(const std::u16string& path) {
  const QString name = QString::fromStdU16String(std::u16string(platform::LastComponent(path)));
  question_->setText(tr("This folder already contains a file named '%1'.").arg(name));
  answer_ = 0;
}

QString COverwriteConfirmDialog::QuestionText() const { return question_->text(); }

int COverwriteConfirmDialog::AskOverwrite(const std::u16string& path) {
  SetQuestion(path);
  exec();
  return AnswerCode();
}

void COverwriteConfirmDialog::Answer(int code) {
  answer_ = code;
  accept();
}

}  // namespace quillon::ui
