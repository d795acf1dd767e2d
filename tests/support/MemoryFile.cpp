#include "support/MemoryFile.h"

#include <algorithm>
#include <cstring>

namespace quillon::testsupport {

std::int64_t MemoryFile::Read(void* buffer, std::size_t size) {
  if (position_ >= bytes_.size()) return 0;
  const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(size, bytes_.size() - position_));
  std::memcpy(buffer, bytes_.data() + position_, n);
  position_ += n;
  bytesRead_ += n;
  return static_cast<std::int64_t>(n);
}

bool MemoryFile::Seek(std::uint64_t position) {
  ++seeks_;
  if (seeksAllowed_ && seeks_ > *seeksAllowed_) return false;
  position_ = position;  // past the end is allowed, as on a disk file; reads then return 0
  return true;
}

std::optional<std::uint64_t> MemoryFile::Tell() {
  if (tellFails_) return std::nullopt;
  return position_;
}

}  // namespace quillon::testsupport
