#include "import/ImportJob.h"

#include <algorithm>
#include <set>

#include "import/OutputName.h"
#include "platform/FileSystem.h"
#include "platform/Path.h"
#include "platform/Text.h"

namespace quillon {

namespace {

constexpr std::uint64_t kProgressStep = 1u << 20;  // progress is told at least this often

std::uint64_t WholeBlocks(std::uint64_t bytes, std::uint64_t blockSize) {
  if (blockSize == 0) return bytes;
  return (bytes / blockSize + (bytes % blockSize != 0)) * blockSize;
}

// path with "_n" put before its extension (the part from the name's last dot).
std::u16string NumberedName(const std::u16string& name, int n) {
  std::size_t dot = name.rfind(u'.');
  if (dot == std::u16string::npos) dot = name.size();
  return name.substr(0, dot) + u'_' + platform::Widen(std::to_string(n)) + name.substr(dot);
}

// The same path in the folder as it is now.
void Relocate(std::u16string& path, const std::u16string& folder) {
  path = folder + platform::kSeparator + std::u16string(platform::LastComponent(path));
}

}  // namespace

ImportJob::ImportJob(ImportRequest request, ImportEvents& events, ImportContext& context)
    : request_(std::move(request)), events_(events), context_(context), status_(request_.overwrite) {}

ImportJob::~ImportJob() {
  RequestStop();
  Wait();
}

void ImportJob::Start() {
  if (thread_.joinable()) return;
  watch_ = std::jthread([this](std::stop_token stop) { WatchUnit(stop); });
  thread_ = std::thread([this] { Run(); });
}

// Tells a call to the unit that has not returned for request_.unitSilentAfter, each second
// while it lasts, and when it has returned. It only waits in between.
void ImportJob::WatchUnit(std::stop_token stop) {
  using namespace std::chrono;
  const auto tick = std::min<steady_clock::duration>(seconds(1), request_.unitSilentAfter);
  std::mutex mutex;
  std::condition_variable_any nothing;
  std::unique_lock lock(mutex);
  bool told = false;
  while (!stop.stop_requested()) {
    const auto waited = unit_.Waiting(steady_clock::now());
    auto next = tick;
    if (waited && *waited >= request_.unitSilentAfter) {
      Tell(UnitSilentEvent{std::max(duration_cast<milliseconds>(*waited), milliseconds(1))});
      told = true;
    } else {
      if (told) Tell(UnitSilentEvent{});
      told = false;
      if (waited) next = std::min<steady_clock::duration>(tick, request_.unitSilentAfter - *waited);
    }
    nothing.wait_for(lock, stop, next, [] { return false; });
  }
}

void ImportJob::Proceed() {
  {
    std::lock_guard lock(mutex_);
    proceeding_ = true;
  }
  proceed_.notify_all();
}

void ImportJob::RequestStop() { status_.RequestStop(); }

void ImportJob::Wait() {
  if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id()) thread_.join();
}

void ImportJob::Run() {
  try {
    Prepare();
    Tell(PreparedEvent{plan_});
    if (!plan_.refusal && plan_.clipCount > 0) {
      std::unique_lock lock(mutex_);
      proceed_.wait(lock, status_.StopToken(), [this] { return proceeding_; });
      const bool go = proceeding_ && !status_.StopRequested();
      lock.unlock();
      if (go) CopyClips();
    }
  } catch (const std::exception& e) {
    // Nothing thrown here may end the process; the import ends with what it could do.
    outcome_.failures.push_back({{}, FailureKind::Internal, {}, e.what()});
  }
  Finish();
}

const ImportPlan& ImportJob::Prepare() {
  if (prepared_) return plan_;
  prepared_ = true;
  clips_ = request_.clips;
  leftOut_.assign(clips_.size(), false);
  // A look that is not an import takes no stamp from the process's running count.
  std::atomic<std::int64_t> lookedAt{context_.lastNoTime.load()};
  std::atomic<std::int64_t>& lastNoTime = request_.lookOnly ? lookedAt : context_.lastNoTime;

  plan_.refusal = OpenDestination();
  platform::FileSystem& fs = platform::Files();
  for (const std::u16string& path : request_.unitFiles) {
    if (const auto status = UnitFileStatus(unit_, path)) unitFiles_.push_back(status->id);
  }
  // A refused import is planned only to be looked at.
  if (!plan_.refusal || request_.lookOnly) PlanOutputs(lastNoTime);
  if (!plan_.refusal) {
    if (const auto space = fs.Space(request_.destination)) {
      if (space->maxFileSize) LeaveOutTooLarge(*space->maxFileSize);
      plan_.refusal = CheckSpace(*space);
    }
  }
  if (plan_.refusal) {  // nothing is copied, so no clip fails either
    plan_.tooLarge.clear();
    std::fill(leftOut_.begin(), leftOut_.end(), false);
  }
  for (std::size_t i = 0; i < clips_.size(); ++i) {
    if (leftOut_[i]) continue;
    ++plan_.clipCount;
    for (Chunk& chunk : clips_[i].chunks) {
      UnitCalls::Call call(unit_);
      plan_.bytesTotal += chunk.Size();
      plan_.totalMiB += chunk.Size() >> 20;
    }
  }
  if (plan_.refusal) plan_.clipCount = 0;
  if (!plan_.refusal && !request_.lookOnly) {
    for (const std::u16string& name : folder_->RemoveStaleOutputs()) {
      outcome_.staleRemoved.push_back(PathIn(*folder_, name));
    }
  }
  return plan_;
}

std::optional<Refusal> ImportJob::OpenDestination() {
  const std::u16string& destination = request_.destination;
  platform::FileSystem& fs = platform::Files();
  const auto status = destination.empty() ? std::nullopt : fs.Status(destination);
  if (!status) return Refusal{RefusalKind::NoDestination, destination, 0, 0, {}};
  if (!status->isDirectory) return Refusal{RefusalKind::NotAFolder, destination, 0, 0, {}};
  folder_ = fs.OpenFolder(destination);
  if (!folder_ || !fs.CanWriteIn(destination)) {
    return Refusal{RefusalKind::NotWritable, destination, 0, 0, platform::ErrorText(platform::LastError())};
  }
  // Compared by identity along the folder's real ancestors, so that neither a symbolic link
  // nor a second mount of the unit can hide that the destination lies inside it.
  if (const auto unit = request_.unitRoot.empty() ? std::nullopt : fs.Status(request_.unitRoot)) {
    const auto ancestors = fs.Ancestry(destination);
    if (std::find(ancestors.begin(), ancestors.end(), unit->id) != ancestors.end()) {
      return Refusal{RefusalKind::InsideUnit, destination, 0, 0, {}};
    }
  }
  return std::nullopt;
}

void ImportJob::PlanOutputs(std::atomic<std::int64_t>& lastNoTime) {
  std::set<std::u16string> taken;
  for (std::size_t c = 0; c < clips_.size(); ++c) {
    for (ClipOutput& output : PlanClip(clips_[c], request_.prefix, lastNoTime, unit_)) {
      // A later output of the import never replaces an earlier one: it takes a numbered name.
      std::u16string name = output.name;
      for (int n = 2; taken.count(name) != 0; ++n) name = NumberedName(output.name, n);
      taken.insert(name);
      PlannedOutput planned{c, clips_[c].name, std::move(output), std::move(name), std::nullopt, AtName::Create};
      if (folder_) {
        planned.existing = folder_->LinkStatus(planned.name);
        const auto target = planned.existing ? folder_->Status(planned.name) : std::nullopt;
        const bool unitFile =
            target && std::find(unitFiles_.begin(), unitFiles_.end(), target->id) != unitFiles_.end();
        planned.atName = WhatMeetsName(planned.existing, status_.State(), unitFile);
        // A rescue never replaces a complete copy.
        if (request_.rescue && planned.existing) planned.atName = AtName::Keep;
      }
      plan_.outputs.push_back(std::move(planned));
    }
  }
}

void ImportJob::LeaveOutTooLarge(std::uint64_t maxFileSize) {
  for (const PlannedOutput& output : plan_.outputs) {
    if (output.chunks.bytes <= maxFileSize) continue;
    plan_.tooLarge.push_back({output.clipName, FailureKind::TooLarge, output.name, {}, output.chunks.bytes});
    leftOut_[output.clip] = true;
  }
  std::erase_if(plan_.outputs, [this](const PlannedOutput& output) { return leftOut_[output.clip]; });
}

std::optional<Refusal> ImportJob::CheckSpace(const platform::VolumeSpace& space) const {
  // Existing files that are kept cost nothing, and a replaced file gives its room back once the
  // new one is in place.
  std::uint64_t running = 0;
  std::uint64_t needed = 0;
  for (const PlannedOutput& output : plan_.outputs) {
    const bool replaces = output.existing && !output.existing->isDirectory;
    if (replaces && output.atName == AtName::Keep) continue;
    running += WholeBlocks(output.chunks.bytes, space.blockSize);
    needed = std::max(needed, running);
    if (replaces && !output.existing->isLink) {
      running -= std::min(running, WholeBlocks(output.existing->size, space.blockSize));
    }
  }
  // A rescue writes each output out of a scratch file of its size, which goes after it.
  if (request_.rescue) {
    std::uint64_t largest = 0;
    for (const PlannedOutput& output : plan_.outputs) largest = std::max(largest, output.chunks.bytes);
    needed += WholeBlocks(largest, space.blockSize);
  }
  if (needed <= space.freeBytes) return std::nullopt;
  return Refusal{RefusalKind::NotEnoughSpace, request_.destination, needed, space.freeBytes, {}};
}

void ImportJob::CopyClips() {
  CopyEnvironment env{*folder_, status_, unit_, request_.verify, unitFiles_, request_.rescue, request_.retries};
  outcome_.copied = true;
  progress_.bytesTotal = plan_.bytesTotal;
  progress_.clipCount = plan_.clipCount;
  started_ = std::chrono::steady_clock::now();
  for (std::size_t c = 0; c < clips_.size(); ++c) {
    if (leftOut_[c]) continue;
    if (status_.StopRequested()) break;
    std::vector<PlannedOutput> outputs;
    for (const PlannedOutput& output : plan_.outputs) {
      if (output.clip == c) outputs.push_back(output);
    }
    ++progress_.clipNumber;
    progress_.clip = clips_[c].name;
    progress_.output.clear();
    TellProgress();
    const CopyResult result = CopyChunks(clips_[c], outputs, env, *this);
    if (result.end == CopyResult::End::Stopped) break;
    if (result.failure) Happened(*result.failure);
  }
  TellProgress();
}

void ImportJob::Finish() {
  const auto ended = std::chrono::steady_clock::now();
  outcome_.refusal = plan_.refusal;
  outcome_.failures.insert(outcome_.failures.begin(), plan_.tooLarge.begin(), plan_.tooLarge.end());
  outcome_.cancelled = status_.StopRequested();
  outcome_.verified = request_.verify;
  outcome_.destination = request_.destination;
  outcome_.clipCount = plan_.clipCount;
  if (outcome_.copied) outcome_.seconds = std::chrono::duration<double>(ended - started_ - asking_).count();
  // The folder held open may have been moved or renamed meanwhile: the outputs are in it, and
  // the report names where that is now.
  if (folder_) {
    const auto there = platform::Files().Status(request_.destination);
    if (!there || !(there->id == folder_->Id())) {
      const std::u16string now = folder_->CurrentPath().value_or(std::u16string());
      outcome_.destinationMovedTo = now;
      if (!now.empty()) {
        for (PlacedOutput& o : outcome_.written) Relocate(o.path, now);
        for (KeptOutput& o : outcome_.kept) Relocate(o.path, now);
        for (DiscardedOutput& o : outcome_.discarded) Relocate(o.path, now);
        for (RenamedOutput& o : outcome_.renamed) {
          Relocate(o.from, now);
          Relocate(o.to, now);
        }
      }
    }
  }
  // Held for the import only: once it is over, the user may move or delete the folder.
  folder_.reset();
  if (watch_.joinable()) {
    watch_.request_stop();
    watch_.join();
  }
  Tell(FinishedEvent{std::move(outcome_)});
}

void ImportJob::Tell(ImportEvent event) {
  std::lock_guard lock(telling_);
  events_.OnImportEvent(std::move(event));
}

void ImportJob::TellProgress() {
  toldBytes_ = progress_.bytesDone;
  Tell(progress_);
}

void ImportJob::Copied(std::uint64_t bytes) {
  progress_.bytesDone += bytes;
  if (progress_.bytesDone - toldBytes_ >= kProgressStep) TellProgress();
}

void ImportJob::OutputBegun(const PlannedOutput& output) {
  progress_.output = output.name;
  progress_.rescue.reset();
  TellProgress();
}

void ImportJob::Rescuing(const RescueFigures& figures) {
  // Told as the bytes come, and at least a few times a second while reads fail.
  const auto now = std::chrono::steady_clock::now();
  const bool phase = !progress_.rescue || progress_.rescue->phase != figures.phase;
  progress_.rescue = figures;
  if (phase || now - rescueTold_ >= std::chrono::milliseconds(200)) {
    rescueTold_ = now;
    TellProgress();
  }
}

void ImportJob::Happened(ImportEvent event) {
  Record(outcome_, event);
  Tell(std::move(event));
}

std::optional<OverwriteAnswer> ImportJob::Ask(const OverwriteQuestion& question) {
  const auto asked = std::chrono::steady_clock::now();
  auto slot = std::make_shared<AnswerSlot>();
  Tell(OverwriteAsked{question, slot});
  const std::optional<OverwriteAnswer> answer = slot->Wait(status_.StopToken());
  asking_ += std::chrono::steady_clock::now() - asked;
  return answer;
}

}  // namespace quillon
