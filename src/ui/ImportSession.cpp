#include "ui/ImportSession.h"

#include <QEventLoop>
#include <QThread>
#include <QWidget>
#include <set>

#include "ui/COverwriteConfirmDialog.h"
#include "ui/CProgressDlg.h"
#include "ui/CopyEvent.h"
#include "ui/ImportMessages.h"

namespace quillon::ui {

namespace {

// Events the session posts to itself from the worker thread.
QEvent::Type OverwriteQuestionEventType() {
  static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
  return type;
}

QEvent::Type WorkerEndedEventType() {
  static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
  return type;
}

}  // namespace

ImportSession::ImportSession(QWidget* window, std::mutex& importLock) : window_(window), importLock_(importLock) {}

ImportSession::~ImportSession() {
  {
    std::lock_guard lock(questionMutex_);
    closing_ = true;
  }
  questionAnswered_.notify_all();
}

std::optional<ImportOutcome> ImportSession::Run(const ClipCatalogue& catalogue, int prefixPosition,
                                                const std::vector<std::size_t>& rows, const QString& destination) {
  auto job = std::make_unique<ImportJob>(*this);
  const ImportPlan plan = job->Prepare(catalogue, prefixPosition, rows, destination.toStdU16String());
  if (plan.refusal) {
    ShowMessage(window_, ImportMessages::Refused(*plan.refusal));
    return std::nullopt;
  }
  if (!plan.tooLarge.empty()) {
    std::set<std::u16string> leftOut;
    for (const ClipFailure& output : plan.tooLarge) leftOut.insert(output.clip);
    const bool othersLeft = leftOut.size() < rows.size();
    ShowMessage(window_, ImportMessages::TooLarge(plan.tooLarge, othersLeft));
    if (!othersLeft) return std::nullopt;
  }

  auto progress = std::make_unique<CProgressDlg>(window_, [raw = job.get()] { raw->Cancel(); });
  {
    std::lock_guard lock(importLock_);
    job_ = std::move(job);
  }
  progress->SetTotal(plan.totalMiB);
  {
    std::lock_guard lock(progressMutex_);
    progressForWorker_ = progress.get();
  }
  workerStarted_ = false;
  PostCopyMessage(this, COPY_START);
  emit Started(progress.get());
  const bool cancelled = progress->exec() == QDialog::Rejected;
  if (cancelled) WaitForWorker();
  ImportOutcome outcome = job_->Conclude();
  {
    std::lock_guard lock(progressMutex_);
    progressForWorker_ = nullptr;
  }
  progress.reset();
  job_.reset();

  if (!outcome.renamed.empty()) ShowMessage(window_, ImportMessages::Renamed(outcome.renamed));
  if (!outcome.notRemoved.empty()) ShowMessage(window_, ImportMessages::NotRemoved(outcome.notRemoved));
  return outcome;
}

void ImportSession::WaitForWorker() {
  // The worker may be waiting for an answer to the overwrite question, so the window thread
  // goes on handling events while it waits. WorkerEnded wakes the wait; one left over from an
  // earlier import may wake it too early, so the job tells when its worker is done.
  if (!workerStarted_) return;
  while (!job_->WorkerFinished()) {
    QEventLoop loop;
    workerWait_ = &loop;
    loop.exec();
    workerWait_ = nullptr;
  }
}

bool ImportSession::event(QEvent* event) {
  AcceptPostedEvents();
  const QEvent::Type type = event->type();
  if (type == CopyMessageEvent::EventType()) {
    OnCopyMessage(*static_cast<CopyMessageEvent*>(event));
    return true;
  }
  if (type == OverwriteQuestionEventType()) {
    ShowOverwriteQuestion();
    return true;
  }
  if (type == WorkerEndedEventType()) {
    if (workerWait_) workerWait_->quit();
    return true;
  }
  return QObject::event(event);
}

void ImportSession::OnCopyMessage(const CopyMessageEvent& message) {
  if (message.Code() == COPY_START) {
    if (job_ && !workerStarted_) {
      workerStarted_ = true;
      job_->StartWorker();
    }
  } else if (message.Code() == COPY_FAILED) {
    const auto* failed = dynamic_cast<const CopyFailedEvent*>(&message);
    ShowMessage(window_, ImportMessages::CopyFailed(failed ? &failed->Failure() : nullptr));
  }
}

bool ImportSession::ShowProgress(const ImportProgress& progress) {
  std::lock_guard lock(progressMutex_);
  if (!progressForWorker_ || !progressForWorker_->WindowOpen()) return false;
  if (progress.mib > 0) PostCopyMessage(progressForWorker_, COPY_PROGRESS, progress.mib);
  PostFromAnyThread(progressForWorker_, new ProgressDetailsEvent(progress));
  return true;
}

void ImportSession::ClipFailed(const ClipFailure& failure) { PostFromAnyThread(this, new CopyFailedEvent(failure)); }

void ImportSession::CopyEnded() {
  {
    std::lock_guard lock(progressMutex_);
    if (progressForWorker_ && progressForWorker_->WindowOpen()) PostCopyMessage(progressForWorker_, COPY_DONE);
  }
  PostFromAnyThread(this, new QEvent(WorkerEndedEventType()));
}

void ImportSession::Finished(const ImportOutcome& summary) { emit Summarised(summary); }

int ImportSession::AskOverwrite(const OverwriteQuestion& asked) {
  if (QThread::currentThread() == thread()) {
    COverwriteConfirmDialog question;
    return question.AskOverwrite(asked);
  }
  std::unique_lock lock(questionMutex_);
  if (closing_) return kAnswerCancel;
  question_ = PendingQuestion{asked, std::nullopt};
  PostFromAnyThread(this, new QEvent(OverwriteQuestionEventType()));
  questionAnswered_.wait(lock, [this] { return closing_ || question_->answer.has_value(); });
  const int answer = question_->answer.value_or(kAnswerCancel);
  question_.reset();
  return answer;
}

void ImportSession::ShowOverwriteQuestion() {
  OverwriteQuestion asked;
  {
    std::lock_guard lock(questionMutex_);
    if (!question_) return;
    asked = question_->question;
  }
  // No owner: the progress window stays usable, so the import can be cancelled meanwhile.
  auto* question = new COverwriteConfirmDialog(nullptr);
  question->setAttribute(Qt::WA_DeleteOnClose);
  question->setWindowModality(Qt::WindowModal);
  question->SetQuestion(asked);
  connect(question, &QDialog::finished, this, [this, question] { AnswerQuestion(question->AnswerCode()); });
  question->show();
  question->raise();
  question->activateWindow();
  emit QuestionShown(question);
}

void ImportSession::AnswerQuestion(int answer) {
  {
    std::lock_guard lock(questionMutex_);
    if (!question_) return;
    question_->answer = answer;
  }
  questionAnswered_.notify_all();
}

}  // namespace quillon::ui
