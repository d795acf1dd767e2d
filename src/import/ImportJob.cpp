#include "import/ImportJob.h"

#include <algorithm>
#include <set>

#include "import/OutputPlan.h"
#include "platform/FileSystem.h"
#include "platform/Path.h"

namespace quillon {

namespace {

constexpr std::uint32_t kKiBPerMiB = 1024;

std::uint64_t WholeBlocks(std::uint64_t bytes, std::uint64_t blockSize) {
  if (blockSize == 0) return bytes;
  return (bytes / blockSize + (bytes % blockSize != 0)) * blockSize;
}

}  // namespace

ImportJob::ImportJob(ImportFrontEnd& frontEnd, ImportContext& context, NamingState& naming)
    : frontEnd_(frontEnd), context_(context), naming_(naming) {}

ImportJob::~ImportJob() {
  if (worker_.joinable() && !WorkerFinished()) Cancel();
  // Quietly: the front end may be going away itself.
  if (!concluded_) Collect();
  Join();
}

ImportPlan ImportJob::Prepare(const ClipCatalogue& catalogue, int prefixPosition, std::vector<std::size_t> rows,
                              const std::u16string& destination, const ImportOptions& options) {
  context_.Reset();
  naming_.prefix.store(((prefixPosition % 100) + 100) % 100);
  std::sort(rows.begin(), rows.end());
  rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
  ImportPlan plan;
  clips_.clear();
  for (std::size_t row : rows) {
    plan.totalMiB += catalogue.GetClipSizeMiB(row);
    clips_.push_back(std::make_shared<Clip>(catalogue.At(row)));
  }
  cancel_.store(false);
  finished_.store(false);
  concluded_ = false;
  started_ = ended_ = {};
  {
    std::lock_guard lock(failedMutex_);
    failures_.clear();
  }
  tooLarge_.clear();
  staleRemoved_.clear();
  unitFiles_.clear();
  verify_ = options.verify;
  context_.SetDestination(destination);
  context_.SetOverwriteChoice(options.overwrite);

  plan.refusal = CheckDestination(catalogue.Root(), destination);
  if (!plan.refusal) {
    platform::FileSystem& fs = platform::Files();
    if (options.removeLeftovers) staleRemoved_ = fs.RemoveStaleOutputs(destination);
    for (std::size_t i = 0; i < catalogue.Count(); ++i) {
      for (const Chunk& chunk : catalogue.At(i).chunks) {
        if (const auto status = fs.Status(chunk.path)) unitFiles_.push_back(status->id);
      }
    }
    if (const auto space = fs.Space(destination)) {
      if (space->maxFileSize) tooLarge_ = LeaveOutTooLarge(*space->maxFileSize);
      planned_ = clips_;
      plan.refusal = CheckSpace(*space, destination);
    }
  }
  planned_ = clips_;  // a refused import can still be looked at
  if (plan.refusal) {  // nothing is copied, so no clip fails either
    clips_.clear();
    tooLarge_.clear();
  }
  plan.tooLarge = tooLarge_;
  if (!tooLarge_.empty()) {  // the progress window counts only what will be copied
    plan.totalMiB = 0;
    for (const ClipHandle& clip : clips_) plan.totalMiB += clip->SizeMiB();
  }
  bytesTotal_ = 0;
  for (const ClipHandle& clip : clips_) {
    for (Chunk& chunk : clip->chunks) bytesTotal_ += chunk.Size();
  }
  return plan;
}

std::optional<Refusal> ImportJob::CheckDestination(const std::u16string& unitRoot,
                                                   const std::u16string& destination) const {
  platform::FileSystem& fs = platform::Files();
  const auto status = destination.empty() ? std::nullopt : fs.Status(destination);
  if (!status) return Refusal{RefusalKind::NoDestination, destination, 0, 0, {}};
  if (!status->isDirectory) return Refusal{RefusalKind::NotAFolder, destination, 0, 0, {}};
  if (!fs.CanWriteIn(destination)) {
    return Refusal{RefusalKind::NotWritable, destination, 0, 0, platform::ErrorText(platform::LastError())};
  }
  // Compared by identity along the folder's real ancestors, so that neither a symbolic link
  // nor a second mount of the unit can hide that the destination lies inside it.
  if (const auto unit = unitRoot.empty() ? std::nullopt : fs.Status(unitRoot)) {
    const auto ancestors = fs.Ancestry(destination);
    if (std::find(ancestors.begin(), ancestors.end(), unit->id) != ancestors.end()) {
      return Refusal{RefusalKind::InsideUnit, destination, 0, 0, {}};
    }
  }
  return std::nullopt;
}

void ImportJob::CopyNamingInto(NamingState& copy) const {
  copy.prefix.store(naming_.prefix.load());
  copy.lastNoTime.store(naming_.lastNoTime.load());
}

std::vector<ClipFailure> ImportJob::LeaveOutTooLarge(std::uint64_t maxFileSize) {
  std::vector<ClipFailure> failures;
  NamingState naming;  // names are only looked at here: the real state stays as it is
  CopyNamingInto(naming);
  std::erase_if(clips_, [&](const ClipHandle& clip) {
    std::uint64_t total = 0;
    for (Chunk& chunk : clip->chunks) total += chunk.Size();
    if (total <= maxFileSize) return false;  // no output of it can pass the limit
    bool tooLarge = false;
    for (const PlannedOutput& output : PlanOutputs(*clip, naming)) {
      if (output.bytes <= maxFileSize) continue;
      failures.push_back({clip->name, FailureKind::TooLarge, output.name, ByteSizeText(output.bytes)});
      tooLarge = true;
    }
    return tooLarge;
  });
  return failures;
}

std::optional<Refusal> ImportJob::CheckSpace(const platform::VolumeSpace& space, const std::u16string& destination) {
  std::uint64_t needed = 0;
  for (const ClipHandle& clip : clips_) {
    for (Chunk& chunk : clip->chunks) needed += WholeBlocks(chunk.Size(), space.blockSize);
  }
  if (needed <= space.freeBytes) return std::nullopt;

  // It does not fit as a whole: look at what would really be written. Existing files that are
  // kept cost nothing, and a replaced file gives its room back once the new one is in place.
  std::uint64_t running = 0;
  needed = 0;
  for (const PlannedImportOutput& output : PlannedOutputs()) {
    const bool replaces = output.existing && !output.existing->isDirectory;
    if (replaces && context_.OverwriteChoice() == SkipAll) continue;
    running += WholeBlocks(output.bytes, space.blockSize);
    needed = std::max(needed, running);
    if (replaces && !output.existing->isLink) {
      running -= std::min(running, WholeBlocks(output.existing->size, space.blockSize));
    }
  }
  if (needed <= space.freeBytes) return std::nullopt;
  return Refusal{RefusalKind::NotEnoughSpace, destination, needed, space.freeBytes, {}};
}

std::vector<PlannedImportOutput> ImportJob::PlannedOutputs() {
  platform::FileSystem& fs = platform::Files();
  const std::u16string destination = context_.Destination();
  NamingState naming;  // names are only looked at here: the real state stays as it is
  CopyNamingInto(naming);
  std::set<std::u16string> claimed;
  std::vector<PlannedImportOutput> outputs;
  for (const ClipHandle& clip : planned_) {
    for (const PlannedOutput& output : PlanOutputs(*clip, naming)) {
      const std::u16string wanted = destination + platform::kSeparator + output.name;
      std::u16string path = wanted;
      for (int n = 2; claimed.count(path) != 0; ++n) path = NumberedName(wanted, n);
      claimed.insert(path);
      auto existing = fs.LinkStatus(path);
      outputs.push_back({clip->name, std::move(path), output.bytes, std::move(existing)});
    }
  }
  return outputs;
}

void ImportJob::StartWorker() {
  if (worker_.joinable()) return;
  finished_.store(false);
  started_ = ended_ = std::chrono::steady_clock::now();
  worker_ = std::thread([this] { RunWorker(); });
}

void ImportJob::RunWorker() {
  try {
    CopyClips();
  } catch (...) {
    // Nothing thrown on the worker may end the process; the clips say what they could.
  }
  ended_ = std::chrono::steady_clock::now();
  finished_.store(true, std::memory_order_release);
  frontEnd_.CopyEnded();
}

void ImportJob::CopyClips() {
  CopyEnvironment env{context_, naming_, frontEnd_, verify_, unitFiles_};
  env.outputBegun = [this](const std::u16string& name) {
    outputName_ = name;
    if (progressWindow_ && !frontEnd_.ShowProgress(Details(0))) progressWindow_ = false;
  };
  const ProgressCallback progress = [this](std::uint32_t kib) { return ReportProgress(kib); };
  bytesDone_ = 0;
  for (const ClipHandle& clip : clips_) {
    if (context_.StopRequested()) break;
    clipName_ = clip->name;
    outputName_.clear();
    progressWindow_ = frontEnd_.ShowProgress(Details(0));
    kibCarry_ = 0;
    bool ok = false;
    try {
      ok = CopyChunks(*clip, env, progress);
    } catch (const std::exception& e) {
      env.failure = ClipFailure{clip->name, FailureKind::Internal, {}, e.what()};
    }
    if (ok) continue;
    if (context_.StopRequested()) break;
    const ClipFailure failure = env.failure.value_or(ClipFailure{clip->name, FailureKind::Internal, {}, {}});
    RecordFailure(failure);
    frontEnd_.ClipFailed(failure);
  }
}

ImportProgress ImportJob::Details(std::uint32_t mib) const {
  return {mib, bytesDone_, bytesTotal_, clipName_, outputName_};
}

void ImportJob::RecordFailure(ClipFailure failure) {
  std::lock_guard lock(failedMutex_);
  failures_.push_back(std::move(failure));
}

bool ImportJob::ReportProgress(std::uint32_t kib) {
  bytesDone_ += std::uint64_t{kib} << 10;
  if (progressWindow_) {
    kibCarry_ += kib;
    if (kibCarry_ > kKiBPerMiB) {
      if (!frontEnd_.ShowProgress(Details(kibCarry_ >> 10))) progressWindow_ = false;
      kibCarry_ &= kKiBPerMiB - 1;
    }
  }
  return cancel_.load(std::memory_order_relaxed);
}

void ImportJob::Cancel() {
  context_.RequestStop();
  cancel_.store(true);
}

void ImportJob::Join() {
  if (worker_.joinable() && worker_.get_id() != std::this_thread::get_id()) worker_.join();
}

ImportOutcome ImportJob::Conclude() {
  ImportOutcome outcome = Collect();
  frontEnd_.Finished(outcome);
  return outcome;
}

ImportOutcome ImportJob::Collect() {
  Join();
  ImportOutcome outcome;
  for (auto& placed : context_.Placed()) {
    outcome.written.push_back(std::move(placed.path));
    outcome.hashes.push_back(std::move(placed.hash));
    outcome.bytesWritten += placed.bytes;
  }
  outcome.discarded = context_.Discarded();
  outcome.notRemoved = context_.NotRemoved();
  outcome.skipped = context_.Kept();
  // A numbered name is worth telling only for a file that is there.
  for (auto& renamed : context_.Renamed()) {
    const auto there = [&](const std::vector<std::u16string>& paths) {
      return std::find(paths.begin(), paths.end(), renamed.to) != paths.end();
    };
    if (there(outcome.written) || there(outcome.skipped)) outcome.renamed.push_back(std::move(renamed));
  }
  outcome.staleRemoved = staleRemoved_;
  outcome.failures = tooLarge_;
  for (auto& failure : Failures()) outcome.failures.push_back(std::move(failure));
  for (const auto& failure : outcome.failures) {
    if (std::find(outcome.failed.begin(), outcome.failed.end(), failure.clip) == outcome.failed.end())
      outcome.failed.push_back(failure.clip);
  }
  outcome.cancelled = context_.StopRequested();
  outcome.verified = verify_;
  outcome.destination = context_.Destination();
  outcome.seconds = std::chrono::duration<double>(ended_ - started_).count();
  context_.Reset();
  concluded_ = true;
  return outcome;
}

std::vector<ClipFailure> ImportJob::Failures() const {
  std::lock_guard lock(failedMutex_);
  return failures_;
}

}  // namespace quillon
