#include "win32ui/ImportSession.h"

#include <set>

#include "win32ui/COverwriteConfirmDialog.h"
#include "win32ui/CProgressDlg.h"
#include "win32ui/Dialog.h"
#include "win32ui/ImportTexts.h"

namespace quillon::win32ui {

UINT CopyMessage() {
  static const UINT message = ::RegisterWindowMessageW(L"QM52COPYMessage");
  return message;
}

ImportSession::ImportSession(HWND owner, std::mutex& importLock)
    : owner_(owner), importLock_(importLock), workerEnded_(::CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}

ImportSession::~ImportSession() {
  closing_.store(true);
  // Only when the program goes away in the middle of an import: stop it, and answer a question
  // the worker may be waiting on (again, should the worker be about to ask one).
  if (job_ && workerStarted_) {
    job_->Cancel();
    while (!job_->WorkerFinished()) {
      if (const HWND question = question_.load()) ::PostMessageW(question, WM_COMMAND, IDCANCEL, 0);
      // Messages the question's thread sends to this thread's windows are answered meanwhile.
      ::MsgWaitForMultipleObjectsEx(1, &workerEnded_, 50, QS_SENDMESSAGE, 0);
      MSG message;
      ::PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
  }
  job_.reset();
  if (workerEnded_) ::CloseHandle(workerEnded_);
}

std::optional<ImportOutcome> ImportSession::Run(const ClipCatalogue& catalogue, int prefixPosition,
                                                const std::vector<std::size_t>& rows, const std::wstring& destination) {
  if (running_.load()) return std::nullopt;  // one import at a time
  auto job = std::make_unique<ImportJob>(*this);
  const ImportPlan plan =
      job->Prepare(catalogue, prefixPosition, rows, FromWide(destination));
  if (plan.refusal) {
    Show(owner_, RefusedMessage(*plan.refusal));
    return std::nullopt;
  }
  if (!plan.tooLarge.empty()) {
    std::set<std::u16string> leftOut;
    for (const ClipFailure& output : plan.tooLarge) leftOut.insert(output.clip);
    const bool othersLeft = leftOut.size() < std::set<std::size_t>(rows.begin(), rows.end()).size();
    Show(owner_, TooLargeMessage(plan.tooLarge, othersLeft));
    if (!othersLeft) return std::nullopt;
  }

  CProgressDlg progress([raw = job.get()] { raw->Cancel(); });
  progress.SetTotal(plan.totalMiB);
  {
    std::lock_guard lock(importLock_);
    job_ = std::move(job);
    running_.store(true);
    std::lock_guard published(progressMutex_);
    progress_ = &progress;
  }
  {
    std::lock_guard lock(failuresMutex_);
    failures_.clear();
  }
  workerStarted_ = false;
  ::ResetEvent(workerEnded_);
  // The owner hands COPY_START back to OnCopyMessage from within the progress window's modal
  // loop, so the worker starts only once that window exists.
  ::PostMessageW(owner_, CopyMessage(), COPY_START, 0);
  const INT_PTR result = progress.DoModal(owner_);
  if (result != IDOK) {
    if (result != IDCANCEL) job_->Cancel();  // the window could not be made: nothing may run unseen
    WaitForWorker();
  }
  ImportOutcome outcome = job_->Conclude();
  {
    std::lock_guard lock(importLock_);
    {
      std::lock_guard published(progressMutex_);
      progress_ = nullptr;
    }
    job_.reset();
  }

  if (!outcome.renamed.empty()) Show(owner_, RenamedMessage(outcome.renamed));
  if (!outcome.notRemoved.empty()) Show(owner_, NotRemovedMessage(outcome.notRemoved));
  running_.store(false);
  return outcome;
}

bool ImportSession::Running() const { return running_.load(); }

void ImportSession::WaitForWorker() {
  if (!workerStarted_) return;
  // The worker may be waiting for an answer to the overwrite question, and a window of its
  // thread may send messages to this thread's windows; so this thread goes on handling
  // messages while it waits. The main window takes no input meanwhile.
  const bool ownerEnabled = owner_ && ::IsWindowEnabled(owner_);
  std::optional<WPARAM> quit;
  while (!job_->WorkerFinished()) {
    if (owner_ && ::IsWindowEnabled(owner_)) ::EnableWindow(owner_, FALSE);  // a message box may have enabled it
    const DWORD woke = ::MsgWaitForMultipleObjectsEx(1, &workerEnded_, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    if (woke == WAIT_OBJECT_0) continue;
    MSG message;
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      if (message.message == WM_QUIT) {
        quit = message.wParam;  // for the loop that waits for it, once the worker is done
        continue;
      }
      ::TranslateMessage(&message);
      ::DispatchMessageW(&message);
    }
  }
  if (ownerEnabled) ::EnableWindow(owner_, TRUE);
  if (quit) ::PostQuitMessage(static_cast<int>(*quit));
}

LRESULT ImportSession::OnCopyMessage(WPARAM code, LPARAM) {
  if (code == COPY_START) {
    if (job_ && !workerStarted_) {
      workerStarted_ = true;
      job_->StartWorker();
    }
  } else if (code == COPY_FAILED) {
    std::optional<ClipFailure> failure;
    {
      std::lock_guard lock(failuresMutex_);
      if (!failures_.empty()) {
        failure = std::move(failures_.front());
        failures_.pop_front();
      }
    }
    // On top of the progress window while it shows: the box is modal to it.
    HWND parent = owner_;
    {
      std::lock_guard lock(progressMutex_);
      if (progress_ && progress_->OpenWindow()) parent = progress_->OpenWindow();
    }
    Show(parent, CopyFailedMessage(failure ? &*failure : nullptr));
  }
  return -1;
}

void ImportSession::Show(HWND parent, const MessageText& message) const {
  ShowMessage(parent, message.Whole(), message.icon | MB_OK);
}

bool ImportSession::ShowProgress(const ImportProgress& progress) {
  std::lock_guard lock(progressMutex_);
  const HWND window = progress_ ? progress_->OpenWindow() : nullptr;
  if (!window || !::IsWindow(window)) return false;
  if (progress.mib > 0) ::PostMessageW(window, CopyMessage(), COPY_PROGRESS, static_cast<LPARAM>(progress.mib));
  progress_->PostDetails(progress);
  return true;
}

void ImportSession::ClipFailed(const ClipFailure& failure) {
  {
    std::lock_guard lock(failuresMutex_);
    failures_.push_back(failure);
  }
  ::PostMessageW(owner_, CopyMessage(), COPY_FAILED, 0);
}

void ImportSession::CopyEnded() {
  {
    std::lock_guard lock(progressMutex_);
    const HWND window = progress_ ? progress_->OpenWindow() : nullptr;
    if (window && ::IsWindow(window)) ::PostMessageW(window, CopyMessage(), COPY_DONE, 0);
  }
  ::SetEvent(workerEnded_);
}

// The outcome is also Run's answer, which the main window turns into its status line with
// Summarise once the import's own messages are closed; nothing more to do here.
void ImportSession::Finished(const ImportOutcome&) {}

int ImportSession::AskOverwrite(const OverwriteQuestion& question) {
  if (closing_.load()) return kAnswerCancel;
  // No owner: the progress window stays usable, so the import can be cancelled meanwhile.
  COverwriteConfirmDialog dialog;
  dialog.PublishWindow(&question_);
  return dialog.AskOverwrite(question);
}

}  // namespace quillon::win32ui
