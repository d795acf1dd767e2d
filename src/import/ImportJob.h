#pragma once
// The toolkit-neutral half of an import: the worker loop, the progress relay, and the job's
// start and end. The desktop window and the command line each implement ImportFrontEnd.
#include <atomic>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "catalogue/ClipCatalogue.h"
#include "import/CopyEngine.h"
#include "import/CopyMessage.h"
#include "import/ImportContext.h"

namespace quillon {

class ImportFrontEnd : public OverwriteAsker {
 public:
  // Both are called on the worker thread and must only post, never wait for the receiver.
  // COPY_FAILED goes to the main window.
  virtual void PostToMainWindow(CopyCode code, std::uint32_t lParam) = 0;
  // COPY_PROGRESS and COPY_DONE go to the progress window; false when it no longer exists.
  virtual bool PostToProgress(CopyCode code, std::uint32_t lParam) = 0;
  virtual bool ProgressWindowExists() = 0;
  // The worker's last act, after COPY_DONE: lets a waiting window thread wake up.
  virtual void WorkerEnded() {}
};

// What an import left behind, told when it ends.
struct ImportOutcome {
  std::vector<std::u16string> written;    // output files that remain, in creation order
  std::vector<std::u16string> discarded;  // incomplete output files that were deleted
  std::vector<std::u16string> failed;     // names of the clips that failed
  bool cancelled = false;  // the user stopped the import
};

class ImportJob {
 public:
  ImportJob(const ClipCatalogue& catalogue, ImportFrontEnd& frontEnd, ImportContext& context = TheImportContext(),
            NamingState& naming = TheNamingState());
  ~ImportJob();  // waits for the worker
  ImportJob(const ImportJob&) = delete;
  ImportJob& operator=(const ImportJob&) = delete;

  // Before the progress window opens: prefix := position modulo 100, the rows (ascending),
  // cancel flag cleared, destination set. Returns the total size of the rows' clips in MiB.
  std::uint64_t Prepare(int prefixPosition, std::vector<std::size_t> rows, const std::u16string& destination);

  // On COPY_START: runs the worker on its own thread.
  void StartWorker();

  // After a Cancel in the progress window: the copy stops at its next block.
  void RaiseCancel();
  bool WorkerFinished() const { return finished_.load(std::memory_order_acquire); }
  void Join();

  // The end of the import: after a Cancel (cancelled true) deletes the output file that was
  // still open; then resets the context for the next import. Joins the worker first.
  ImportOutcome Conclude(bool cancelled);

  // The progress relay: passes whole MiB on to the progress window, answers the cancel flag.
  bool ReportProgress(std::uint32_t kib);

  // Clip names that failed, in order (for front ends that list them).
  std::vector<std::u16string> FailedClips() const;

  // The worker loop itself (runs on the calling thread).
  void RunWorker();

 private:
  const ClipCatalogue& catalogue_;
  ImportFrontEnd& frontEnd_;
  ImportContext& context_;
  NamingState& naming_;
  std::vector<std::size_t> rows_;
  std::thread worker_;
  std::atomic<bool> cancel_{false};
  std::atomic<bool> finished_{false};
  bool progressWindow_ = false;  // worker thread only
  std::uint32_t kibCarry_ = 0;   // worker thread only
  mutable std::mutex failedMutex_;
  std::vector<std::u16string> failed_;
};

}  // namespace quillon
