#pragma once
// SHA-512 of a stream of bytes, fed piece by piece, from the system's cryptography library
// (OpenSSL's libcrypto on POSIX, CNG on Windows): the C4 id that an ASC MHL chain keeps of
// each manifest is built on it.
#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>

namespace quillon::platform {

class Sha512 {
 public:
  Sha512();
  ~Sha512();
  Sha512(const Sha512&) = delete;
  Sha512& operator=(const Sha512&) = delete;

  void Reset();
  void Update(const void* data, std::size_t size);
  // The hash of everything fed since the last Reset; more may be fed after it. Nothing when the
  // library failed at any step (it refused the algorithm, or ran out of memory).
  std::optional<std::array<std::uint8_t, 64>> Digest() const;

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace quillon::platform
