#pragma once
// One import at a time through the windows: the messages before it starts, the progress
// window, the overwrite question, a message for each failed clip, and what the import left at
// its end. This is the desktop windows' ImportFrontEnd: the worker calls it, and it only posts
// to the windows, except for the overwrite question, whose answer it waits for.
#include <QObject>
#include <QString>
#include <condition_variable>
#include <cstddef>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "catalogue/ClipCatalogue.h"
#include "import/ImportJob.h"

class QEventLoop;
class QWidget;

namespace quillon::ui {

class CopyMessageEvent;
class CProgressDlg;
class COverwriteConfirmDialog;

class ImportSession : public QObject, public ImportFrontEnd {
  Q_OBJECT
 public:
  // window: the owner of the progress window and of the message boxes. importLock is held
  // while the job and its progress window are made and published; the window's drive refresh
  // takes it too.
  ImportSession(QWidget* window, std::mutex& importLock);
  ~ImportSession() override;

  // Imports the catalogue's rows into destination and returns once the import has ended; the
  // progress window is modal meanwhile. Nothing when no copy started (refused, or every clip
  // too large for the destination).
  std::optional<ImportOutcome> Run(const ClipCatalogue& catalogue, int prefixPosition,
                                   const std::vector<std::size_t>& rows, const QString& destination);

  // ImportFrontEnd: Finished on the window thread, the others on the worker thread.
  bool ShowProgress(const ImportProgress& progress) override;
  void ClipFailed(const ClipFailure& failure) override;
  void CopyEnded() override;
  void Finished(const ImportOutcome& summary) override;
  int AskOverwrite(const OverwriteQuestion& question) override;

 signals:
  void Started(quillon::ui::CProgressDlg* progress);
  void QuestionShown(quillon::ui::COverwriteConfirmDialog* question);
  // What the import left, with its figures, as soon as it is known.
  void Summarised(const quillon::ImportOutcome& summary);

 protected:
  bool event(QEvent* event) override;

 private:
  struct PendingQuestion {
    OverwriteQuestion question;
    std::optional<int> answer;
  };

  void OnCopyMessage(const CopyMessageEvent& message);
  void ShowOverwriteQuestion();
  void AnswerQuestion(int answer);
  void WaitForWorker();

  QWidget* window_;
  std::mutex& importLock_;
  bool workerStarted_ = false;
  QEventLoop* workerWait_ = nullptr;

  // The progress window as the worker sees it.
  std::mutex progressMutex_;
  CProgressDlg* progressForWorker_ = nullptr;

  // The overwrite question asked by the worker and answered on the window thread.
  std::mutex questionMutex_;
  std::condition_variable questionAnswered_;
  std::optional<PendingQuestion> question_;
  bool closing_ = false;

  // Last, so that it goes first: its destructor stops and joins the worker while the locks,
  // the condition variable and the question the worker uses are still there.
  std::unique_ptr<ImportJob> job_;
};

}  // namespace quillon::ui
