#pragma once
// One import at a time through the Windows program's dialogs: the messages before it starts,
// the progress window, the overwrite question, a message for each failed clip, and what the
// import left at its end. The worker calls it as its ImportFrontEnd and only posts to the
// windows, except for the overwrite question, which it asks on its own thread.
#include <windows.h>

#include <atomic>
#include <cstddef>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "catalogue/ClipCatalogue.h"
#include "import/ImportJob.h"

namespace quillon::win32ui {

class CProgressDlg;
struct MessageText;

// The copy message "QM52COPYMessage", registered once per process.
UINT CopyMessage();

class ImportSession : public ImportFrontEnd {
 public:
  // owner: the main window, owner of the progress window and the message boxes; it receives
  // the copy message and hands it to OnCopyMessage. importLock is held while the job and its
  // progress window are made and published; the main window's drive refresh takes it too.
  ImportSession(HWND owner, std::mutex& importLock);
  ~ImportSession() override;

  // Imports the catalogue's rows into destination and returns once the import has ended; the
  // progress window is modal meanwhile. Nothing when no copy started (refused, or every clip
  // too large for the destination).
  std::optional<ImportOutcome> Run(const ClipCatalogue& catalogue, int prefixPosition,
                                   const std::vector<std::size_t>& rows, const std::wstring& destination);
  // True from the progress window's making until Run returns.
  bool Running() const;

  // The main window's handler of the copy message: COPY_START starts the worker, COPY_FAILED
  // shows the failure. Answers -1.
  LRESULT OnCopyMessage(WPARAM code, LPARAM lParam);

  // ImportFrontEnd: Finished on the window thread, the others on the worker thread.
  bool ShowProgress(const ImportProgress& progress) override;
  void ClipFailed(const ClipFailure& failure) override;
  void CopyEnded() override;
  void Finished(const ImportOutcome& summary) override;
  int AskOverwrite(const OverwriteQuestion& question) override;

 private:
  void WaitForWorker();
  void Show(HWND parent, const MessageText& message) const;

  HWND owner_;
  std::mutex& importLock_;
  std::atomic<bool> running_{false};
  bool workerStarted_ = false;
  // Set by the worker's last act, to wake the window thread's wait for it.
  HANDLE workerEnded_;

  // The progress window as the worker sees it.
  std::mutex progressMutex_;
  CProgressDlg* progress_ = nullptr;

  // The failures COPY_FAILED tells of, oldest first: the message itself carries none.
  std::mutex failuresMutex_;
  std::deque<ClipFailure> failures_;

  // The overwrite question while it is open, and whether the session is going away.
  std::atomic<HWND> question_{nullptr};
  std::atomic<bool> closing_{false};

  // Last, so that it goes first: its worker uses everything above.
  std::unique_ptr<ImportJob> job_;
};

// The status line the main window shows after an import: the first line says what was imported
// where, the second gives the figures ("1.2 GiB in 41 s · 2 kept · 1 failed").
struct SummaryText {
  std::wstring head;
  std::wstring figures;
};
SummaryText Summarise(const ImportOutcome& outcome);

}  // namespace quillon::win32ui
