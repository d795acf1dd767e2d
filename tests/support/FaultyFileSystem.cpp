#include "support/FaultyFileSystem.h"

#include <algorithm>
#include <cerrno>

#include "platform/Path.h"

namespace quillon::testsupport {

namespace {

bool Contains(const std::u16string& path, const std::u16string& part) {
  return part.empty() || path.find(part) != std::u16string::npos;
}

// An injected failure says what a failing disk says.
template <typename T>
T Injected(T result) {
  platform::SetLastError(EIO);
  return result;
}

class FaultyFile final : public platform::File {
 public:
  FaultyFile(FaultyFileSystem& fs, std::unique_ptr<platform::File> inner, std::u16string path)
      : fs_(fs), inner_(std::move(inner)), path_(std::move(path)), readLimit_(fs.ReadLimit(path_)) {}

  std::int64_t Read(void* buffer, std::size_t size) override {
    const std::int64_t n = DoRead(buffer, size);
    fs_.Note({FileOp::Read, path_, size, n});
    return n;
  }

  std::int64_t Write(const void*, std::size_t) override { return Injected(-1); }  // sources only

  bool Seek(std::uint64_t position) override {
    const bool ok = fs_.ShouldFail(FileOp::Seek, path_) ? Injected(false) : inner_->Seek(position);
    fs_.Note({FileOp::Seek, path_, 0, ok ? 1 : 0});
    return ok;
  }
  std::optional<std::uint64_t> Tell() override { return inner_->Tell(); }
  std::optional<std::uint64_t> Size() override { return inner_->Size(); }

  bool Close() override {
    if (closed_) return true;
    closed_ = true;
    const bool fail = fs_.ShouldFail(FileOp::Close, path_);
    const bool ok = inner_->Close() && !(fail && Injected(true));
    fs_.Note({FileOp::Close, path_, 0, ok ? 1 : 0});
    return ok;
  }

 private:
  std::int64_t DoRead(void* buffer, std::size_t size) {
    if (fs_.ShouldFail(FileOp::Read, path_)) return Injected(-1);
    if (fs_.AreaFails(path_, inner_->Tell().value_or(0), size)) return Injected(-1);
    if (bytesRead_ >= readLimit_) return Injected(-1);
    size = static_cast<std::size_t>(std::min<std::uint64_t>(size, readLimit_ - bytesRead_));
    size = fs_.Shortened(FileOp::Read, path_, size);
    const std::int64_t n = inner_->Read(buffer, size);
    if (n > 0) bytesRead_ += static_cast<std::uint64_t>(n);
    return n;
  }

  FaultyFileSystem& fs_;
  std::unique_ptr<platform::File> inner_;
  std::u16string path_;
  std::uint64_t readLimit_;
  std::uint64_t bytesRead_ = 0;
  bool closed_ = false;
};

// An output whose calls go through the faults, noted under its final path.
class FaultyOutput final : public platform::OutputFile {
 public:
  FaultyOutput(FaultyFileSystem& fs, std::unique_ptr<platform::OutputFile> inner, std::u16string path)
      : fs_(fs), inner_(std::move(inner)), path_(std::move(path)) {}

  std::int64_t Write(const void* buffer, std::size_t size) override {
    const std::int64_t n =
        DoWrite(buffer, size, [this](const void* b, std::size_t s) { return inner_->Write(b, s); });
    fs_.Note({FileOp::Write, path_, size, n});
    return n;
  }
  bool SetLastWrite(std::int64_t seconds) override { return inner_->SetLastWrite(seconds); }
  bool Sync() override { return Noted(FileOp::Sync, [this] { return inner_->Sync(); }); }
  std::uint64_t OnDisk() const override { return inner_->OnDisk(); }
  std::int64_t ReadBack(void* buffer, std::size_t size) override {
    std::int64_t n = fs_.ShouldFail(FileOp::ReadBack, path_) ? Injected(-1) : inner_->ReadBack(buffer, size);
    if (n > 0 && fs_.ShouldCorrupt(FileOp::ReadBack, path_)) static_cast<unsigned char*>(buffer)[0] ^= 0x01;
    fs_.Note({FileOp::ReadBack, path_, size, n});
    return n;
  }
  bool Commit() override { return Noted(FileOp::Commit, [this] { return inner_->Commit(); }); }
  bool InPlace() const override { return inner_->InPlace(); }
  bool Discard() override { return Noted(FileOp::Remove, [this] { return inner_->Discard(); }); }
  const std::u16string& TempPath() const override { return inner_->TempPath(); }
  std::int64_t ReadAt(std::uint64_t position, void* buffer, std::size_t size) override {
    return inner_->ReadAt(position, buffer, size);
  }
  std::int64_t WriteAt(std::uint64_t position, const void* buffer, std::size_t size) override {
    const std::int64_t n = DoWrite(buffer, size, [this, position](const void* b, std::size_t s) {
      return inner_->WriteAt(position, b, s);
    });
    fs_.Note({FileOp::Write, path_, size, n});
    return n;
  }

 private:
  template <typename Call>
  bool Noted(FileOp op, Call call) {
    const bool ok = fs_.ShouldFail(op, path_) ? Injected(false) : call();
    fs_.Note({op, path_, 0, ok ? 1 : 0});
    return ok;
  }

  std::int64_t DoWrite(const void* buffer, std::size_t size,
                       const std::function<std::int64_t(const void*, std::size_t)>& write) {
    if (fs_.ShouldFail(FileOp::Write, path_)) return Injected(-1);
    const std::size_t wanted = fs_.Shortened(FileOp::Write, path_, size);
    const std::size_t allowed = fs_.AllowWrite(wanted);
    if (allowed == 0 && size > 0) {
      platform::SetLastError(ENOSPC);
      return -1;
    }
    const std::int64_t n = write(buffer, allowed);
    if (n >= 0 && static_cast<std::size_t>(n) < size) platform::SetLastError(ENOSPC);
    return n;
  }

  FaultyFileSystem& fs_;
  std::unique_ptr<platform::OutputFile> inner_;
  std::u16string path_;
};

// A folder whose outputs go through the faults.
class FaultyFolder final : public platform::Folder {
 public:
  FaultyFolder(FaultyFileSystem& fs, std::unique_ptr<platform::Folder> inner) : fs_(fs), inner_(std::move(inner)) {}

  const std::u16string& Path() const override { return inner_->Path(); }
  std::optional<std::u16string> CurrentPath() const override { return inner_->CurrentPath(); }
  platform::FileId Id() const override { return inner_->Id(); }
  std::unique_ptr<platform::OutputFile> CreateOutput(const std::u16string& name) override {
    return fs_.CreateIn(*inner_, name);
  }
  std::optional<platform::FileStatus> LinkStatus(const std::u16string& name) override { return inner_->LinkStatus(name); }
  std::optional<platform::FileStatus> Status(const std::u16string& name) override { return inner_->Status(name); }
  std::vector<std::u16string> RemoveStaleOutputs() override { return inner_->RemoveStaleOutputs(); }
  // Opening or making a folder counts as a Create on its path.
  std::unique_ptr<platform::Folder> SubFolder(const std::u16string& name, bool create) override {
    const std::u16string path = platform::JoinPath(inner_->Path(), {name});
    auto sub = fs_.ShouldFail(FileOp::Create, path) ? Injected(nullptr) : inner_->SubFolder(name, create);
    fs_.Note({FileOp::Create, path, 0, sub ? 1 : 0});
    if (!sub) return nullptr;
    return std::make_unique<FaultyFolder>(fs_, std::move(sub));
  }

 private:
  FaultyFileSystem& fs_;
  std::unique_ptr<platform::Folder> inner_;
};

}  // namespace

FaultyFileSystem::FaultyFileSystem(platform::FileSystem& inner) : ForwardingFileSystem(inner) {}

void FaultyFileSystem::FailNth(FileOp op, int nth, std::u16string pathPart) {
  std::lock_guard lock(mutex_);
  rules_.push_back({op, nth, std::move(pathPart)});
}

void FaultyFileSystem::FailAlways(FileOp op, std::u16string pathPart) { FailNth(op, 0, std::move(pathPart)); }

void FaultyFileSystem::FailReadsAfter(std::u16string pathPart, std::uint64_t bytes) {
  std::lock_guard lock(mutex_);
  readLimits_.emplace_back(std::move(pathPart), bytes);
}

void FaultyFileSystem::FailArea(std::u16string pathPart, std::uint64_t offset, std::uint64_t length, int times) {
  std::lock_guard lock(mutex_);
  areas_.push_back({std::move(pathPart), offset, length, times > 0 ? times : -1});
}

bool FaultyFileSystem::AreaFails(const std::u16string& path, std::uint64_t position, std::size_t size) {
  std::lock_guard lock(mutex_);
  bool fails = false;
  for (Area& area : areas_) {
    if (!Contains(path, area.pathPart) || size == 0 || area.timesLeft == 0) continue;
    if (position >= area.offset + area.length || position + size <= area.offset) continue;
    fails = true;
    if (area.timesLeft > 0) --area.timesLeft;
  }
  return fails;
}

void FaultyFileSystem::CorruptNth(FileOp op, int nth, std::u16string pathPart) {
  std::lock_guard lock(mutex_);
  corruptRules_.push_back({op, nth, std::move(pathPart)});
}

void FaultyFileSystem::SetSpace(platform::VolumeSpace space) {
  std::lock_guard lock(mutex_);
  space_ = space;
}

void FaultyFileSystem::SetCapacity(std::uint64_t bytes) {
  std::lock_guard lock(mutex_);
  capacity_ = bytes;
}

int FaultyFileSystem::Calls(FileOp op) const {
  std::lock_guard lock(mutex_);
  return calls_[static_cast<int>(op)];
}

std::uint64_t FaultyFileSystem::BytesWritten() const {
  std::lock_guard lock(mutex_);
  return written_;
}

std::vector<std::u16string> FaultyFileSystem::Created() const {
  std::lock_guard lock(mutex_);
  return created_;
}

void FaultyFileSystem::ShortenNth(FileOp op, int nth, std::size_t bytes, std::u16string pathPart) {
  std::lock_guard lock(mutex_);
  shortRules_.push_back({{op, nth, std::move(pathPart)}, bytes});
}

void FaultyFileSystem::OnNth(FileOp op, int nth, std::function<void()> action, std::u16string pathPart) {
  std::lock_guard lock(mutex_);
  hooks_.push_back({{op, nth, std::move(pathPart)}, std::move(action)});
}

std::vector<FaultyFileSystem::Call> FaultyFileSystem::Log() const {
  std::lock_guard lock(mutex_);
  return log_;
}

void FaultyFileSystem::Note(Call call) {
  std::lock_guard lock(mutex_);
  log_.push_back(std::move(call));
}

bool FaultyFileSystem::Due(Rule& rule, FileOp op, const std::u16string& path) {
  if (rule.op != op || !Contains(path, rule.pathPart)) return false;
  ++rule.seen;
  return rule.nth == 0 || rule.seen == rule.nth;
}

bool FaultyFileSystem::ShouldFail(FileOp op, const std::u16string& path) {
  std::vector<std::function<void()>> actions;
  bool fail = false;
  {
    std::lock_guard lock(mutex_);
    ++calls_[static_cast<int>(op)];
    for (auto& hook : hooks_) {
      if (Due(hook.rule, op, path)) actions.push_back(hook.action);
    }
    for (auto& rule : rules_) {
      if (Due(rule, op, path)) fail = true;
    }
  }
  // Outside the lock: an action may well use this file service itself.
  for (const auto& action : actions) action();
  return fail;
}

std::size_t FaultyFileSystem::Shortened(FileOp op, const std::u16string& path, std::size_t wanted) {
  std::lock_guard lock(mutex_);
  for (auto& s : shortRules_) {
    if (Due(s.rule, op, path)) wanted = std::min(wanted, s.bytes);
  }
  return wanted;
}

bool FaultyFileSystem::ShouldCorrupt(FileOp op, const std::u16string& path) {
  std::lock_guard lock(mutex_);
  bool corrupt = false;
  for (auto& rule : corruptRules_) {
    if (Due(rule, op, path)) corrupt = true;
  }
  return corrupt;
}

std::uint64_t FaultyFileSystem::ReadLimit(const std::u16string& path) const {
  std::lock_guard lock(mutex_);
  std::uint64_t limit = std::numeric_limits<std::uint64_t>::max();
  for (const auto& [part, bytes] : readLimits_) {
    if (Contains(path, part)) limit = std::min(limit, bytes);
  }
  return limit;
}

std::size_t FaultyFileSystem::AllowWrite(std::size_t wanted) {
  std::lock_guard lock(mutex_);
  const std::uint64_t room = capacity_ > written_ ? capacity_ - written_ : 0;
  const std::size_t allowed = static_cast<std::size_t>(std::min<std::uint64_t>(wanted, room));
  written_ += allowed;
  return allowed;
}

std::unique_ptr<platform::File> FaultyFileSystem::OpenRead(const std::u16string& path) {
  auto file = ShouldFail(FileOp::OpenRead, path) ? Injected(nullptr) : inner_.OpenRead(path);
  Note({FileOp::OpenRead, path, 0, file ? 1 : 0});
  if (!file) return nullptr;
  return std::make_unique<FaultyFile>(*this, std::move(file), path);
}

std::unique_ptr<platform::Folder> FaultyFileSystem::OpenFolder(const std::u16string& path) {
  auto folder = inner_.OpenFolder(path);
  if (!folder) return nullptr;
  return std::make_unique<FaultyFolder>(*this, std::move(folder));
}

std::unique_ptr<platform::OutputFile> FaultyFileSystem::CreateIn(platform::Folder& folder, const std::u16string& name) {
  const std::u16string path = platform::JoinPath(folder.Path(), {name});
  auto file = ShouldFail(FileOp::Create, path) ? Injected(nullptr) : folder.CreateOutput(name);
  Note({FileOp::Create, path, 0, file ? 1 : 0});
  if (!file) return nullptr;
  {
    std::lock_guard lock(mutex_);
    created_.push_back(path);
  }
  return std::make_unique<FaultyOutput>(*this, std::move(file), path);
}

bool FaultyFileSystem::Remove(const std::u16string& path) {
  const bool removed = ShouldFail(FileOp::Remove, path) ? Injected(false) : inner_.Remove(path);
  Note({FileOp::Remove, path, 0, removed ? 1 : 0});
  return removed;
}

std::optional<platform::VolumeSpace> FaultyFileSystem::Space(const std::u16string& folder) {
  {
    std::lock_guard lock(mutex_);
    if (space_) return space_;
  }
  return inner_.Space(folder);
}

}  // namespace quillon::testsupport
