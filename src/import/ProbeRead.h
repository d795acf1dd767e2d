#pragma once
// Small helpers shared by the recording-time readers: exact reads and little-endian fields
// taken from a byte buffer at a checked offset.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/FileSystem.h"

namespace quillon::probe {

// True only when all n bytes were read.
inline bool ReadExactly(platform::File& file, std::uint8_t* buffer, std::size_t n) {
  return file.ReadFully(buffer, n) == static_cast<std::int64_t>(n);
}

template <std::size_t N>
bool ReadExactly(platform::File& file, std::array<std::uint8_t, N>& buffer) {
  return ReadExactly(file, buffer.data(), N);
}

template <std::size_t N>
std::uint32_t Le32At(const std::array<std::uint8_t, N>& b, std::size_t at) {
  static_assert(N >= 4);
  if (at > N - 4) return 0;
  return static_cast<std::uint32_t>(b[at]) | static_cast<std::uint32_t>(b[at + 1]) << 8 |
         static_cast<std::uint32_t>(b[at + 2]) << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}

template <std::size_t N>
bool FourccAt(const std::array<std::uint8_t, N>& b, std::size_t at, std::string_view code) {
  if (code.size() != 4 || N < 4 || at > N - 4) return false;
  for (std::size_t i = 0; i < 4; ++i)
    if (b[at + i] != static_cast<std::uint8_t>(code[i])) return false;
  return true;
}

}  // namespace quillon::probe
