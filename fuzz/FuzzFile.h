#pragma once
// A read-only file over the fuzzer's bytes. Reads may be cut short on purpose, the way a
// pipe or a network volume cuts them, so the readers' loops meet partial reads too.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <optional>

#include "platform/FileSystem.h"

namespace quillon::fuzz {

class FuzzFile final : public platform::File {
 public:
  // maxRead 0: every read delivers what it can.
  FuzzFile(const std::uint8_t* data, std::size_t size, std::size_t maxRead = 0)
      : data_(data), size_(size), maxRead_(maxRead) {}

  std::int64_t Read(void* buffer, std::size_t size) override {
    if (position_ >= size_) return 0;
    std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(size, size_ - position_));
    if (maxRead_ != 0) n = std::min(n, maxRead_);
    std::memcpy(buffer, data_ + position_, n);
    position_ += n;
    return static_cast<std::int64_t>(n);
  }
  std::int64_t Write(const void*, std::size_t) override { std::abort(); }  // the unit is read-only
  bool Seek(std::uint64_t position) override {
    position_ = position;  // past the end is allowed, as on a disk file
    return true;
  }
  std::optional<std::uint64_t> Tell() override { return position_; }
  std::optional<std::uint64_t> Size() override { return size_; }
  bool Close() override { return true; }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t maxRead_;
  std::uint64_t position_ = 0;
};

// Stops the fuzzer with a crash when an invariant of the code under test does not hold.
inline void Require(bool condition) {
  if (!condition) std::abort();
}

}  // namespace quillon::fuzz
