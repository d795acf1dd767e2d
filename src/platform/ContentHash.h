#pragma once
// XXH3-128 of a stream of bytes, fed piece by piece: the fingerprint of a copied file.
#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>

namespace quillon::platform {

// Bytes as lowercase hexadecimal digits, two a byte.
std::string HexOf(std::span<const std::uint8_t> bytes);

class ContentHash {
 public:
  ContentHash();
  ~ContentHash();
  ContentHash(const ContentHash&) = delete;
  ContentHash& operator=(const ContentHash&) = delete;

  void Reset();
  void Update(const void* data, std::size_t size);
  // The hash of everything fed since the last Reset, in its canonical byte order.
  std::array<std::uint8_t, 16> Digest() const;
  // The digest as 32 lowercase hexadecimal digits, as xxhsum -H2 prints it.
  std::string Hex() const;

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace quillon::platform
