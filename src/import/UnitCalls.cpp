#include "import/UnitCalls.h"

namespace quillon {

namespace {

class WatchedFile final : public platform::File {
 public:
  WatchedFile(UnitCalls& calls, std::unique_ptr<platform::File> file) : calls_(calls), file_(std::move(file)) {}
  ~WatchedFile() override {
    UnitCalls::Call call(calls_);  // closing a file of a vanished volume may hang too
    file_.reset();
  }

  std::int64_t Read(void* buffer, std::size_t size) override {
    UnitCalls::Call call(calls_);
    return file_->Read(buffer, size);
  }
  std::int64_t Write(const void* buffer, std::size_t size) override {
    UnitCalls::Call call(calls_);
    return file_->Write(buffer, size);
  }
  bool Seek(std::uint64_t position) override {
    UnitCalls::Call call(calls_);
    return file_->Seek(position);
  }
  std::optional<std::uint64_t> Tell() override { return file_->Tell(); }
  std::optional<std::uint64_t> Size() override {
    UnitCalls::Call call(calls_);
    return file_->Size();
  }
  bool Close() override {
    UnitCalls::Call call(calls_);
    return file_->Close();
  }

 private:
  UnitCalls& calls_;
  std::unique_ptr<platform::File> file_;
};

}  // namespace

UnitCalls::Call::Call(UnitCalls& calls) : calls_(calls) {
  Clock::rep none = kNone;
  outer_ = calls_.since_.compare_exchange_strong(none, Clock::now().time_since_epoch().count());
}

UnitCalls::Call::~Call() {
  if (outer_) calls_.since_.store(kNone);
}

std::optional<UnitCalls::Clock::duration> UnitCalls::Waiting(Clock::time_point now) const {
  const Clock::rep since = since_.load();
  if (since == kNone) return std::nullopt;
  const Clock::duration waited = now.time_since_epoch() - Clock::duration(since);
  return std::max(waited, Clock::duration::zero());
}

std::unique_ptr<platform::File> OpenUnitFile(UnitCalls& calls, const std::u16string& path, bool direct) {
  UnitCalls::Call call(calls);
  std::unique_ptr<platform::File> file =
      direct ? platform::Files().OpenReadDirect(path) : platform::Files().OpenRead(path);
  if (!file) return nullptr;
  return std::make_unique<WatchedFile>(calls, std::move(file));
}

std::optional<platform::FileStatus> UnitFileStatus(UnitCalls& calls, const std::u16string& path) {
  UnitCalls::Call call(calls);
  return platform::Files().Status(path);
}

}  // namespace quillon
