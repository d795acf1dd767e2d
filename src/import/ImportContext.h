#pragma once
// Process-wide records shared by the window thread and the import worker.
#include <atomic>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace quillon {

enum ImportState : std::int32_t {
  Ask = 0,           // an existing output file brings the overwrite question
  Stop = 1,          // the copy stops at its next check; no failure report
  SkipAll = 2,       // existing output files are kept without asking
  OverwriteAll = 3,  // output files replace existing ones without asking
  CreateFailed = -1,
  WriteFailed = -2,
};

class ImportContext {
 public:
  ImportContext();

  std::uint32_t dateLocale;
  std::atomic<bool> outputOpen{false};  // the last written file is open and being written
  std::atomic<std::int32_t> state{Ask};

  std::u16string Destination() const;
  void SetDestination(std::u16string folder);

  // Output files created by the running import, in creation order.
  void AddWritten(std::u16string path);
  std::vector<std::u16string> Written() const;
  std::optional<std::u16string> LastWritten() const;

  // Incomplete output files that were deleted, in order of deletion.
  void AddDiscarded(std::u16string path);
  std::vector<std::u16string> Discarded() const;

  // Output files that remain on disk, each once, in the order of their last creation.
  std::vector<std::u16string> Remaining() const;

  // End of an import: state Ask, destination and file lists empty. The output-open flag stays.
  void Reset();

 private:
  mutable std::mutex mutex_;
  std::u16string destination_;
  std::vector<std::u16string> written_;
  std::vector<std::u16string> discarded_;
  std::vector<std::u16string> remaining_;
};

// Output naming's state: the prefix number (0-99) and the last stamp given to a name without
// recording time, which only grows while the process runs.
struct NamingState {
  std::atomic<std::int32_t> prefix{0};
  std::atomic<std::int64_t> lastNoTime{0};
};

ImportContext& TheImportContext();
NamingState& TheNamingState();

}  // namespace quillon
