#pragma once
// A read-only file over bytes in memory, for readers of media data: it counts what was read,
// notes the furthest byte touched and can refuse seeks or position queries on demand.
#include <cstdint>
#include <optional>
#include <vector>

#include "platform/FileSystem.h"

namespace quillon::testsupport {

class MemoryFile final : public platform::File {
 public:
  explicit MemoryFile(std::vector<std::uint8_t> bytes) : bytes_(std::move(bytes)) {}

  std::int64_t Read(void* buffer, std::size_t size) override;
  std::int64_t Write(const void*, std::size_t) override { return -1; }
  bool Seek(std::uint64_t position) override;
  std::optional<std::uint64_t> Tell() override;
  std::optional<std::uint64_t> Size() override { return bytes_.size(); }
  bool Close() override { return true; }

  // Seeks after the first `allowed` ones fail (0: every seek fails).
  void FailSeeksAfter(int allowed) { seeksAllowed_ = allowed; }
  void FailTell() { tellFails_ = true; }

  std::uint64_t Position() const { return position_; }
  std::uint64_t BytesRead() const { return bytesRead_; }
  int Seeks() const { return seeks_; }

 private:
  std::vector<std::uint8_t> bytes_;
  std::uint64_t position_ = 0;
  std::uint64_t bytesRead_ = 0;
  int seeks_ = 0;
  std::optional<int> seeksAllowed_;
  bool tellFails_ = false;
};

}  // namespace quillon::testsupport
