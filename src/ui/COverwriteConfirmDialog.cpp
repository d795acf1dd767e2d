#include "ui/COverwriteConfirmDialog.h"

#include <QDateTime>
#include <QGuiApplication>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QScreen>

#include "frontend/CopyMessage.h"
#include "frontend/TextIds.h"
#include "frontend/Texts.h"
#include "platform/Path.h"
#include "ui/DialogUnits.h"
#include "ui/Texts.h"
#include "ui/UserPrompts.h"

namespace quillon::ui {

using namespace frontend;

namespace {

constexpr int kTemplateWidth = 323;
constexpr int kTemplateHeight = 93;
// From one button of the row to the next.
constexpr int kButtonStep = 59;

}  // namespace

COverwriteConfirmDialog::COverwriteConfirmDialog(QWidget* parent)
    : QDialog(parent),
      question_(new QLabel(this)),
      existing_(new QLabel(this)),
      new_(new QLabel(this)),
      noToAll_(new QPushButton(this)) {
  setFont(TemplateFont());
  setWindowIcon(ApplicationIcon());
  const DialogUnits du(font());
  // "kv_dock" and "Would you like replace the existing file?" are the program's own wording
  // from its first release, kept as they are on purpose.
  setWindowTitle(tr("kv_dock"));

  du.Place(question_, 1026, 24, 14, 272, 8);
  auto* line = new QLabel(tr("Would you like replace the existing file?"), this);
  du.Place(line, "replaceLine", 23, 33, 253, 8);
  // The details of both files, between the question and the buttons.
  du.Place(existing_, "existingDetail", 23, 46, 272, 8);
  du.Place(new_, "newDetail", 23, 56, 272, 8);
  lines_ = {{question_, 24, 14, 272, 8}, {line, 23, 33, 253, 8}, {existing_, 23, 46, 272, 8}, {new_, 23, 56, 272, 8}};
  for (const Placed& placed : lines_) static_cast<QLabel*>(placed.widget)->setTextFormat(Qt::PlainText);

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
    buttons_.push_back({button, spec.x, spec.y, spec.w, spec.h});
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
  ShowNoToAll(true);
}

void COverwriteConfirmDialog::ShowNoToAll(bool show) {
  noToAll_->setVisible(show);
  noToAll_->setEnabled(show);
  Fit();
}

void COverwriteConfirmDialog::SetQuestion(const OverwriteQuestion& asked) {
  name_ = QString::fromStdU16String(std::u16string(platform::LastComponent(asked.path)));
  questionText_ = Tr(OverwriteQuestionText(asked));
  const QString changed = asked.existingTime ? QLocale().toString(QDateTime::fromSecsSinceEpoch(*asked.existingTime),
                                                                   QLocale::ShortFormat)
                                             : QString();
  existing_->setText(Tr(ExistingFileText(asked, changed.toStdU16String())));
  new_->setText(Tr(NewFileText(asked)));
  answer_ = 0;
  Fit();
}

void COverwriteConfirmDialog::Fit() {
  const DialogUnits du(font());
  // As wide as the longest text needs, with the template's margins, within the screen; a name
  // too long even for that loses its middle (the whole name is in the tooltip).
  const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
  const int widest = std::max(du.X(kTemplateWidth), (screen ? screen->availableGeometry().width() : 1024) - du.X(16));
  const int margin = du.X(24);
  question_->setText(questionText_);
  question_->setToolTip(name_);
  if (question_->sizeHint().width() > widest - 2 * margin && !name_.isEmpty()) {
    QLabel probe(Tr(Text(IDS_OVERWRITE_QUESTION, {Verbatim({})})));
    probe.setFont(question_->font());
    const int fixed = probe.sizeHint().width();
    const QString shortened = question_->fontMetrics().elidedText(name_, Qt::ElideMiddle, widest - 2 * margin - fixed);
    question_->setText(Tr(Text(IDS_OVERWRITE_QUESTION, {Verbatim(shortened.toStdU16String())})));
  }
  // "N&o to all", when shown, ends the row of buttons after Cancel: the window grows by one button.
  const bool noToAll = !noToAll_->isHidden();
  const int templateWidth = kTemplateWidth + (noToAll ? kButtonStep : 0);
  int width = du.X(templateWidth);
  for (const Placed& placed : lines_) {
    width = std::max(width, du.X(placed.x) + placed.widget->sizeHint().width() + margin);
  }
  width = std::min(width, widest);

  // Each line as tall as its text (longer lines wrap); what follows moves down by as much.
  int extra = 0;
  for (const Placed& placed : lines_) {
    auto* label = static_cast<QLabel*>(placed.widget);
    const int x = du.X(placed.x);
    const int w = std::max(du.X(placed.w), width - x - margin);
    label->setWordWrap(label != question_ && label->sizeHint().width() > w);
    const int needed = label->wordWrap() ? label->heightForWidth(w) : label->sizeHint().height();
    const int h = std::max(du.Y(placed.h), needed);
    label->setGeometry(x, du.Y(placed.y) + extra, w, h);
    extra += h - du.Y(placed.h);
  }
  // The buttons keep their row, centred as in the template.
  const int shift = (width - du.X(templateWidth)) / 2;
  for (const Placed& placed : buttons_) {
    placed.widget->setGeometry(du.X(placed.x) + shift, du.Y(placed.y) + extra, du.X(placed.w), du.Y(placed.h));
  }
  if (noToAll) {
    const Placed& last = buttons_.back();
    const int w = std::max(du.X(last.w), noToAll_->sizeHint().width());
    noToAll_->setGeometry(du.X(last.x + kButtonStep) + shift, du.Y(last.y) + extra, w, du.Y(last.h));
  }
  setFixedSize(width, du.Y(kTemplateHeight) + extra);
}

int COverwriteConfirmDialog::AskOverwrite(const OverwriteQuestion& question) {
  SetQuestion(question);
  exec();
  return AnswerCode();
}

void COverwriteConfirmDialog::Answer(int code) {
  answer_ = code;
  accept();
}

}  // namespace quillon::ui
