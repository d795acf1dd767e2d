#pragma once
// Transport-stream packet header facts shared by the stream check and the time probe.
#include <cstddef>
#include <cstdint>

namespace quillon {

inline constexpr std::size_t kTsPacketBytes = 188;
inline constexpr std::uint8_t kTsSyncByte = 0x47;

// The 13-bit packet identifier of a header whose first three bytes are given.
inline unsigned TsPid(const std::uint8_t* header) {
  return (static_cast<unsigned>(header[1] & 0x1F) << 8) | header[2];
}

}  // namespace quillon
