#include "import/ImportJob.h"

#include <algorithm>
#include <set>

#include "import/AscMhl.h"
#include "import/History.h"
#include "import/Home.h"
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


// The same path in the folder as it is now.
void Relocate(std::u16string& path, const std::u16string& folder) {
  path = folder + platform::kSeparator + std::u16string(platform::LastComponent(path));
}

std::array<std::uint8_t, 16> DigestOfHex(const std::string& hex) {
  std::array<std::uint8_t, 16> digest{};
  const auto value = [](char c) { return c <= '9' ? c - '0' : c - 'a' + 10; };
  for (std::size_t i = 0; i < digest.size() && 2 * i + 1 < hex.size(); ++i) {
    digest[i] = static_cast<std::uint8_t>(value(hex[2 * i]) << 4 | value(hex[2 * i + 1]));
  }
  return digest;
}

std::int64_t Now() {
  return std::chrono::duration_cast<std::chrono::seconds>(std::chrono::system_clock::now().time_since_epoch()).count();
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
  for (std::size_t copy = 0; copy < 2 && !plan_.refusal; ++copy) {
    if (!FolderOf(copy)) continue;
    if (const auto space = fs.Space(PathOf(copy))) {
      if (space->maxFileSize) LeaveOutTooLarge(*space->maxFileSize);
      plan_.refusal = CheckSpace(*space, copy);
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
    for (std::size_t copy = 0; copy < 2; ++copy) {
      platform::Folder* folder = FolderOf(copy);
      if (!folder) continue;
      for (const std::u16string& name : folder->RemoveStaleOutputs()) {
        outcome_.staleRemoved.push_back(PathIn(*folder, name));
      }
    }
  }
  return plan_;
}

std::optional<Refusal> ImportJob::OpenDestination() {
  if (const auto refusal = OpenFolder(request_.destination, folder_)) return refusal;
  if (request_.secondCopy.empty() || request_.rescue) return std::nullopt;
  if (const auto refusal = OpenFolder(request_.secondCopy, second_)) return refusal;
  if (second_->Id() == folder_->Id()) return Refusal{RefusalKind::SameFolder, request_.secondCopy, 0, 0, {}};
  return std::nullopt;
}

std::optional<Refusal> ImportJob::OpenFolder(const std::u16string& path, std::unique_ptr<platform::Folder>& folder) {
  platform::FileSystem& fs = platform::Files();
  const auto status = path.empty() ? std::nullopt : fs.Status(path);
  if (!status) return Refusal{RefusalKind::NoDestination, path, 0, 0, {}};
  if (!status->isDirectory) return Refusal{RefusalKind::NotAFolder, path, 0, 0, {}};
  folder = fs.OpenFolder(path);
  if (!folder || !fs.CanWriteIn(path)) {
    return Refusal{RefusalKind::NotWritable, path, 0, 0, platform::ErrorText(platform::LastError())};
  }
  // Compared by identity along the folder's real ancestors, so that neither a symbolic link
  // nor a second mount of the unit can hide that the destination lies inside it.
  if (const auto unit = request_.unitRoot.empty() ? std::nullopt : fs.Status(request_.unitRoot)) {
    const auto ancestors = fs.Ancestry(path);
    if (std::find(ancestors.begin(), ancestors.end(), unit->id) != ancestors.end()) {
      return Refusal{RefusalKind::InsideUnit, path, 0, 0, {}};
    }
  }
  return std::nullopt;
}

// What meets name in folder as the import starts; existing takes what is there.
AtName ImportJob::WhatMeets(platform::Folder& folder, const std::u16string& name,
                            std::optional<platform::FileStatus>& existing) const {
  existing = folder.LinkStatus(name);
  const auto target = existing ? folder.Status(name) : std::nullopt;
  const bool unitFile = target && std::find(unitFiles_.begin(), unitFiles_.end(), target->id) != unitFiles_.end();
  return WhatMeetsName(existing, status_.State(), unitFile);
}

void ImportJob::PlanOutputs(std::atomic<std::int64_t>& lastNoTime) {
  std::set<std::u16string> taken;
  // What the destination holds already, for the count of new clips.
  std::optional<HomeFolder> home;
  if (folder_) home.emplace(*folder_, request_.unitRoot, false);
  wasHome_.assign(clips_.size(), false);
  for (std::size_t c = 0; c < clips_.size(); ++c) {
    std::vector<ClipOutput> outputs = PlanClip(clips_[c], request_.prefix, lastNoTime, unit_);
    if (home) wasHome_[c] = home->Of(clips_[c], unit_, [&] { return outputs; }).state == HomeState::Home;
    for (ClipOutput& output : outputs) {
      // A later output of the import never replaces an earlier one: it takes a numbered name.
      std::u16string name = FreeName(output.name, taken);
      PlannedOutput planned;
      planned.clip = c;
      planned.clipName = clips_[c].name;
      planned.chunks = std::move(output);
      planned.name = std::move(name);
      if (folder_) {
        planned.atName = WhatMeets(*folder_, planned.name, planned.existing);
        // A rescue never replaces a complete copy.
        if (request_.rescue && planned.existing) planned.atName = AtName::Keep;
      }
      if (second_) planned.secondAtName = WhatMeets(*second_, planned.name, planned.secondExisting);
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

std::optional<Refusal> ImportJob::CheckSpace(const platform::VolumeSpace& space, std::size_t copy) const {
  // Existing files that are kept cost nothing, and a replaced file gives its room back once the
  // new one is in place.
  std::uint64_t running = 0;
  std::uint64_t needed = 0;
  for (const PlannedOutput& output : plan_.outputs) {
    const std::optional<platform::FileStatus>& existing = copy == 0 ? output.existing : output.secondExisting;
    const AtName atName = copy == 0 ? output.atName : output.secondAtName;
    const bool replaces = existing && !existing->isDirectory;
    if (replaces && atName == AtName::Keep) continue;
    running += WholeBlocks(output.chunks.bytes, space.blockSize);
    needed = std::max(needed, running);
    if (replaces && !existing->isLink) {
      running -= std::min(running, WholeBlocks(existing->size, space.blockSize));
    }
  }
  // A rescue writes each output out of a scratch file of its size, which goes after it.
  if (request_.rescue) {
    std::uint64_t largest = 0;
    for (const PlannedOutput& output : plan_.outputs) largest = std::max(largest, output.chunks.bytes);
    needed += WholeBlocks(largest, space.blockSize);
  }
  if (needed <= space.freeBytes) return std::nullopt;
  return Refusal{RefusalKind::NotEnoughSpace, PathOf(copy), needed, space.freeBytes, {}};
}

void ImportJob::CopyClips() {
  CopyEnvironment env{*folder_, status_, unit_, request_.verify, unitFiles_, request_.rescue, request_.retries, second_.get()};
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
    const std::size_t failuresBefore = outcome_.failures.size();
    clipPlaced_.clear();
    const CopyResult result = CopyChunks(clips_[c], outputs, env, *this);
    if (result.failure) Happened(*result.failure);
    RecordClip(c, failuresBefore);
    if (result.end == CopyResult::End::Stopped) break;
  }
  TellProgress();
}

// The outputs the clip placed go into each folder's history as soon as the clip is done, so that
// a kill later loses none of them; a clip copied in full that was not home before counts as new.
void ImportJob::RecordClip(std::size_t c, std::size_t failuresBefore) {
  const std::int64_t now = Now();
  std::vector<HistoryRecord> records[2];
  for (const PlacedOutput& placed : clipPlaced_) {
    HistoryRecord record;
    record.output = std::u16string(platform::LastComponent(placed.path));
    record.size = placed.bytes;
    record.hash = DigestOfHex(placed.hash);
    record.imported = now;
    record.clip = placed.clip;
    for (const SourceChunk& chunk : placed.sources) {
      record.chunks.push_back({UnitRelativePath(request_.unitRoot, chunk.path), chunk.size, chunk.lastWrite, chunk.head});
    }
    records[std::min<std::size_t>(placed.copy, 1)].push_back(std::move(record));
  }
  for (std::size_t copy = 0; copy < 2; ++copy) {
    platform::Folder* folder = FolderOf(copy);
    if (!folder || records[copy].empty()) continue;
    std::string error;
    if (!AddToHistory(*folder, records[copy], error) && !historyFailed_[copy]) {
      historyFailed_[copy] = true;
      outcome_.historyProblems.push_back(platform::ToUtf8(PathOf(copy)) + ": " + error);
    }
  }
  placed_.insert(placed_.end(), clipPlaced_.begin(), clipPlaced_.end());
  const bool whole = outcome_.failures.size() == failuresBefore && !records[0].empty() &&
                     (!second_ || records[1].size() == records[0].size());
  if (whole && !wasHome_[c] && !status_.StopRequested()) ++outcome_.newClips;
}

// Each folder's ASC MHL history gains a generation of the files placed there.
void ImportJob::AddMhlGenerations() {
  for (std::size_t copy = 0; copy < 2; ++copy) {
    platform::Folder* folder = FolderOf(copy);
    if (!folder) continue;
    std::vector<MhlFile> files;
    for (const PlacedOutput& placed : placed_) {
      if (std::min<std::size_t>(placed.copy, 1) != copy) continue;
      const std::u16string name(platform::LastComponent(placed.path));
      const auto status = folder->Status(name);
      files.push_back({name, placed.bytes, status ? status->lastWrite.value_or(0) : 0, DigestOfHex(placed.hash)});
    }
    std::string error;
    if (!files.empty() && !AddMhlGeneration(*folder, files, Now(), error)) {
      outcome_.historyProblems.push_back(platform::ToUtf8(PathOf(copy)) + ": ASC MHL: " + error);
    }
  }
}

void ImportJob::Finish() {
  const auto ended = std::chrono::steady_clock::now();
  outcome_.refusal = plan_.refusal;
  outcome_.failures.insert(outcome_.failures.begin(), plan_.tooLarge.begin(), plan_.tooLarge.end());
  outcome_.cancelled = status_.StopRequested();
  outcome_.verified = request_.verify;
  outcome_.destination = request_.destination;
  if (second_) outcome_.secondCopy = request_.secondCopy;
  outcome_.clipCount = plan_.clipCount;
  if (request_.mhl && outcome_.copied) AddMhlGenerations();
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
  second_.reset();
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
  if (const auto* placed = std::get_if<PlacedOutput>(&event)) clipPlaced_.push_back(*placed);
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
