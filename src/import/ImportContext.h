#pragma once
// Process-wide records shared by the window thread and the import worker.
#include <atomic>
#include <cstdint>
#include <mutex>
#include <optional>
#include <set>
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

// An output file that reached its final name, with the XXH3-128 of its bytes.
struct PlacedOutput {
  std::u16string path;
  std::string hash;
  std::uint64_t bytes = 0;
};

// A later output of one import that took another name, so as not to replace an earlier one.
struct RenamedOutput {
  std::u16string from;
  std::u16string to;
};

// An incomplete output whose temporary file could not be deleted.
struct UnremovedOutput {
  std::u16string path;  // the temporary file left behind
  std::string error;
};

class ImportContext {
 public:
  ImportContext();

  std::uint32_t dateLocale;
  std::atomic<bool> outputOpen{false};  // an output file is open and being written

  // The import state is made of three values kept apart, so that no answer and no failure can
  // undo a stop: the stop request wins, then a failure, then the user's overwrite choice.
  std::int32_t State() const;
  std::int32_t OverwriteChoice() const { return overwrite_.load(); }
  void SetOverwriteChoice(std::int32_t choice);  // Ask, OverwriteAll or SkipAll
  void RequestStop() { stop_.store(true); }
  bool StopRequested() const { return stop_.load(); }
  void SetFailure(std::int32_t failure);  // CreateFailed or WriteFailed

  std::u16string Destination() const;
  void SetDestination(std::u16string folder);

  // The final name for an output that OutputName called path: path itself the first time in
  // this import, then "_2", "_3"... before the extension, so that no output of one import
  // replaces another and the n-th output of one name always gets the same name.
  std::u16string ClaimName(const std::u16string& path);

  // Output files by what became of them.
  void BeginOutput(std::u16string path);  // created under its temporary name; the flag is set
  void OutputPlaced(std::u16string path, std::string hash, std::uint64_t bytes);
  void OutputDiscarded(std::u16string path);  // its incomplete copy was deleted
  void OutputNotRemoved(UnremovedOutput left);
  void OutputKept(std::u16string path);  // an existing file was kept; nothing written

  // Outputs begun by the running import, in creation order.
  std::vector<std::u16string> Written() const;
  std::optional<std::u16string> LastWritten() const;
  // Outputs in place, each once, in the order they were placed.
  std::vector<PlacedOutput> Placed() const;
  std::vector<std::u16string> Discarded() const;
  std::vector<UnremovedOutput> NotRemoved() const;
  std::vector<std::u16string> Kept() const;
  std::vector<RenamedOutput> Renamed() const;

  // End of an import: no stop, no failure, choice Ask, destination and lists empty. The
  // output-open flag stays.
  void Reset();

 private:
  std::atomic<std::int32_t> overwrite_{Ask};
  std::atomic<std::int32_t> failure_{0};
  std::atomic<bool> stop_{false};

  mutable std::mutex mutex_;
  std::u16string destination_;
  std::set<std::u16string> claimed_;
  std::vector<std::u16string> written_;
  std::vector<PlacedOutput> placed_;
  std::vector<std::u16string> discarded_;
  std::vector<UnremovedOutput> notRemoved_;
  std::vector<std::u16string> kept_;
  std::vector<RenamedOutput> renamed_;
};

// Output naming's state: the prefix number (0-99) and the last stamp given to a name without
// recording time, which only grows while the process runs.
struct NamingState {
  std::atomic<std::int32_t> prefix{0};
  std::atomic<std::int64_t> lastNoTime{0};
};

ImportContext& TheImportContext();
NamingState& TheNamingState();

// path with "_n" put before its extension (the part from the name's last dot).
std::u16string NumberedName(const std::u16string& path, int n);

}  // namespace quillon
