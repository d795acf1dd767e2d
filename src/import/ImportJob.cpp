#include "import/ImportJob.h"

#include <algorithm>

#include "platform/FileSystem.h"

namespace quillon {

namespace {
constexpr std::uint32_t kKiBPerMiB = 1024;
}

ImportJob::ImportJob(const ClipCatalogue& catalogue, ImportFrontEnd& frontEnd, ImportContext& context,
                     NamingState& naming)
    : catalogue_(catalogue), frontEnd_(frontEnd), context_(context), naming_(naming) {}

ImportJob::~ImportJob() {
  cancel_.store(true);
  Join();
}

std::uint64_t ImportJob::Prepare(int prefixPosition, std::vector<std::size_t> rows, const std::u16string& destination) {
  naming_.prefix.store(((prefixPosition % 100) + 100) % 100);
  std::sort(rows.begin(), rows.end());
  rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
  std::uint64_t total = 0;
  for (std::size_t row : rows) total += catalogue_.GetClipSizeMiB(row);
  rows_ = std::move(rows);
  cancel_.store(false);
  finished_.store(false);
  context_.SetDestination(destination);
  return total;
}

void ImportJob::StartWorker() {
  if (worker_.joinable()) return;
  finished_.store(false);
  worker_ = std::thread([this] { RunWorker(); });
}

void ImportJob::RunWorker() {
  CopyEnvironment env{context_, naming_, frontEnd_};
  const ProgressCallback progress = [this](std::uint32_t kib) { return ReportProgress(kib); };
  for (std::size_t row : rows_) {
    progressWindow_ = frontEnd_.ProgressWindowExists();
    kibCarry_ = 0;
    const bool ok = CopyClip(catalogue_, row, env, progress);
    if (!ok) {
      if (context_.state.load() == Stop) break;
      {
        std::lock_guard lock(failedMutex_);
        failed_.push_back(catalogue_.ClipName(row));
      }
      frontEnd_.PostToMainWindow(COPY_FAILED, 0);
    }
    if (context_.state.load() == Stop) break;
  }
  if (frontEnd_.ProgressWindowExists()) frontEnd_.PostToProgress(COPY_DONE, 0);
  finished_.store(true, std::memory_order_release);
  frontEnd_.WorkerEnded();
}

bool ImportJob::ReportProgress(std::uint32_t kib) {
  if (progressWindow_) {
    kibCarry_ += kib;
    if (kibCarry_ > kKiBPerMiB) {
      if (!frontEnd_.PostToProgress(COPY_PROGRESS, kibCarry_ >> 10)) progressWindow_ = false;
      kibCarry_ &= kKiBPerMiB - 1;
    }
  }
  return cancel_.load(std::memory_order_relaxed);
}

void ImportJob::RaiseCancel() { cancel_.store(true); }

void ImportJob::Join() {
  if (worker_.joinable() && worker_.get_id() != std::this_thread::get_id()) worker_.join();
}

ImportOutcome ImportJob::Conclude(bool cancelled) {
  if (cancelled) {
    RaiseCancel();
    Join();
    // The output file the engine was writing when it stopped is incomplete.
    if (context_.outputOpen.load()) {
      if (auto last = context_.LastWritten()) {
        platform::Files().Remove(*last);
        context_.AddDiscarded(*last);
      }
      context_.outputOpen.store(false);
    }
  } else {
    Join();
  }
  // Stopped by the user, in the progress window or in the overwrite question.
  const bool stopped = cancelled || context_.state.load() == Stop;
  ImportOutcome outcome{context_.Remaining(), context_.Discarded(), FailedClips(), stopped};
  context_.Reset();
  return outcome;
}

std::vector<std::u16string> ImportJob::FailedClips() const {
  std::lock_guard lock(failedMutex_);
  return failed_;
}

}  // namespace quillon
