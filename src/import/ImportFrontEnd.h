#pragma once
// What a front end of an import does: it shows the progress, tells of a clip that failed, learns
// that the copy is over and what the import left, and answers the overwrite question. The
// desktop window, quillon-cli and the tests each implement it.
#include <cstdint>
#include <optional>
#include <string>

#include "import/ImportReport.h"

namespace quillon {

// An output file that would replace an existing file, for the user to judge.
struct OverwriteQuestion {
  std::u16string path;                         // the existing file's full path
  std::optional<std::uint64_t> existingSize;   // nothing for what is not a file (a folder)
  std::optional<std::int64_t> existingTime;    // its last-write time, seconds since 1970 UTC
  std::uint64_t newSize = 0;                   // what the new output would hold
};

class OverwriteAsker {
 public:
  virtual ~OverwriteAsker() = default;
  // Answers an OverwriteAnswer. Called on the worker thread; blocks until answered.
  virtual int AskOverwrite(const OverwriteQuestion& question) = 0;
};

struct ImportProgress {
  std::uint32_t mib = 0;          // whole MiB to add to the bar now; 0 when only the details changed
  std::uint64_t bytesDone = 0;    // of the whole import: copied, or skipped as kept
  std::uint64_t bytesTotal = 0;
  std::u16string clip;            // the clip being copied
  std::u16string output;          // the output file being written (its name); empty while none
};

class ImportFrontEnd : public OverwriteAsker {
 public:
  // On the worker thread; each must only post, never wait for the receiver.
  // Progress: false when nobody shows it any more (the progress window is gone).
  virtual bool ShowProgress(const ImportProgress& progress) = 0;
  // A clip failed, and why (the copy message COPY_FAILED).
  virtual void ClipFailed(const ClipFailure& failure) = 0;
  // The worker's last act: the copy is over (COPY_DONE, where a progress window still shows).
  virtual void CopyEnded() = 0;
  // On the thread that concludes the import: what it left, with its figures.
  virtual void Finished(const ImportOutcome& summary) = 0;
};

}  // namespace quillon
