#pragma once
// The toolkit-neutral half of an import: its preparation and checks before anything is copied,
// the worker loop, the progress relay, and the job's end. The desktop window and the command
// line each implement ImportFrontEnd.
#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "catalogue/ClipCatalogue.h"
#include "import/CopyEngine.h"
#include "import/CopyMessage.h"
#include "import/ImportContext.h"
#include "import/ImportFrontEnd.h"
#include "import/ImportReport.h"

namespace quillon {

struct ImportOptions {
  // What happens to existing files before any question: Ask, OverwriteAll or SkipAll.
  std::int32_t overwrite = Ask;
  // Read every output back from the disk and compare it before it takes its name.
  bool verify = true;
  // Remove the temporary files a killed import left in the destination (not when only looking).
  bool removeLeftovers = true;
};

// One output a prepared import would write, named as the copy would name it.
struct PlannedImportOutput {
  std::u16string clip;
  std::u16string path;  // with "_2", "_3"... where an earlier output of the import has the name
  std::uint64_t bytes = 0;
  std::optional<platform::FileStatus> existing;  // what is at that name now
};

class ImportJob {
 public:
  explicit ImportJob(ImportFrontEnd& frontEnd, ImportContext& context = TheImportContext(),
                     NamingState& naming = TheNamingState());
  ~ImportJob();  // stops the worker, waits for it and concludes the import if nobody did
  ImportJob(const ImportJob&) = delete;
  ImportJob& operator=(const ImportJob&) = delete;

  // Before the progress window opens: prefix := position modulo 100; the selected clips
  // (rows, in ascending order) are copied, so that a new scan of the catalogue cannot reach the
  // worker; the destination is checked. A refusal means nothing will be copied. Temporary
  // files left in the destination by a killed import are removed.
  ImportPlan Prepare(const ClipCatalogue& catalogue, int prefixPosition, std::vector<std::size_t> rows,
                     const std::u16string& destination, const ImportOptions& options = {});

  // The outputs of the clips Prepare kept (also when it refused the import), found by reading
  // the unit as the copy will; writes nothing.
  std::vector<PlannedImportOutput> PlannedOutputs();

  // On COPY_START: runs the worker on its own thread.
  void StartWorker();

  // The user's Cancel, from any thread: the copy stops after the block it is copying, the
  // output it was writing is deleted and no further clip starts. Answers of an open overwrite
  // question cannot undo it.
  void Cancel();
  bool WorkerFinished() const { return finished_.load(std::memory_order_acquire); }
  void Join();

  // The end of the import: waits for the worker, tells what became of every output (to the
  // front end's Finished, and as the answer) and resets the context for the next import.
  ImportOutcome Conclude();

  // The progress relay: passes whole MiB on to the front end, answers the cancel flag.
  bool ReportProgress(std::uint32_t kib);

  // The clips that failed while copying, with their causes, in the order of their COPY_FAILED.
  std::vector<ClipFailure> Failures() const;

  // The worker loop itself (runs on the calling thread).
  void RunWorker();

 private:
  void CopyClips();
  ImportOutcome Collect();
  ImportProgress Details(std::uint32_t mib) const;
  void RecordFailure(ClipFailure failure);
  std::optional<Refusal> CheckDestination(const std::u16string& unitRoot, const std::u16string& destination) const;
  std::vector<ClipFailure> LeaveOutTooLarge(std::uint64_t maxFileSize);
  std::optional<Refusal> CheckSpace(const platform::VolumeSpace& space, const std::u16string& destination);
  void CopyNamingInto(NamingState& copy) const;

  ImportFrontEnd& frontEnd_;
  ImportContext& context_;
  NamingState& naming_;
  std::vector<ClipHandle> clips_;  // the worker's own copies of the selected clips
  std::vector<ClipHandle> planned_;  // what would be copied, also when the import is refused
  std::vector<platform::FileId> unitFiles_;
  std::vector<ClipFailure> tooLarge_;
  std::vector<std::u16string> staleRemoved_;
  bool verify_ = true;
  bool concluded_ = true;
  std::thread worker_;
  std::atomic<bool> cancel_{false};
  std::atomic<bool> finished_{false};
  std::uint64_t bytesTotal_ = 0;
  // Worker thread only.
  bool progressWindow_ = false;
  std::uint32_t kibCarry_ = 0;
  std::uint64_t bytesDone_ = 0;
  std::u16string clipName_, outputName_;
  // Set before the worker starts and after it has ended.
  std::chrono::steady_clock::time_point started_, ended_;
  mutable std::mutex failedMutex_;
  std::vector<ClipFailure> failures_;
};

}  // namespace quillon
