// SHA-512 through CNG (bcrypt).
#include "platform/Sha512.h"

#include <windows.h>
#include <bcrypt.h>

#include <vector>

namespace quillon::platform {

namespace {

bool Succeeded(NTSTATUS status) { return status >= 0; }

}  // namespace

struct Sha512::State {
  State() {
    ok = Succeeded(::BCryptOpenAlgorithmProvider(&algorithm, BCRYPT_SHA512_ALGORITHM, nullptr, 0));
    DWORD size = 0;
    ULONG got = 0;
    // The hash objects live in memory of our own: older systems (and Wine) want it given.
    ok = ok && Succeeded(::BCryptGetProperty(algorithm, BCRYPT_OBJECT_LENGTH, reinterpret_cast<PUCHAR>(&size),
                                             sizeof size, &got, 0));
    if (ok) object.resize(size);
  }
  ~State() {
    DestroyHash();
    if (algorithm) ::BCryptCloseAlgorithmProvider(algorithm, 0);
  }
  void DestroyHash() {
    if (hash) ::BCryptDestroyHash(hash);
    hash = nullptr;
  }

  BCRYPT_ALG_HANDLE algorithm = nullptr;
  BCRYPT_HASH_HANDLE hash = nullptr;
  std::vector<UCHAR> object;
  bool ok = false;  // every call so far succeeded
};

Sha512::Sha512() : state_(std::make_unique<State>()) { Reset(); }

Sha512::~Sha512() = default;

void Sha512::Reset() {
  State& s = *state_;
  s.DestroyHash();
  s.ok = s.algorithm && !s.object.empty() &&
         Succeeded(::BCryptCreateHash(s.algorithm, &s.hash, s.object.data(), static_cast<ULONG>(s.object.size()),
                                      nullptr, 0, 0));
}

void Sha512::Update(const void* data, std::size_t size) {
  State& s = *state_;
  // BCryptHashData takes a ULONG count: larger pieces go in parts.
  const auto* bytes = static_cast<const UCHAR*>(data);
  while (s.ok && size > 0) {
    const ULONG part = size > 0x4000'0000u ? 0x4000'0000u : static_cast<ULONG>(size);
    s.ok = Succeeded(::BCryptHashData(s.hash, const_cast<PUCHAR>(bytes), part, 0));
    bytes += part;
    size -= part;
  }
}

std::optional<std::array<std::uint8_t, 64>> Sha512::Digest() const {
  const State& s = *state_;
  if (!s.ok) return std::nullopt;
  // Finished on a copy, so that the stream can go on.
  std::vector<UCHAR> object(s.object.size());
  BCRYPT_HASH_HANDLE copy = nullptr;
  if (!Succeeded(::BCryptDuplicateHash(s.hash, &copy, object.data(), static_cast<ULONG>(object.size()), 0))) {
    return std::nullopt;
  }
  std::array<std::uint8_t, 64> out{};
  const bool done = Succeeded(::BCryptFinishHash(copy, out.data(), static_cast<ULONG>(out.size()), 0));
  ::BCryptDestroyHash(copy);
  if (!done) return std::nullopt;
  return out;
}

}  // namespace quillon::platform
