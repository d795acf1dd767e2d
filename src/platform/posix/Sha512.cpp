// SHA-512 through OpenSSL's EVP interface.
#include "platform/Sha512.h"

#include <openssl/evp.h>

#include <new>

namespace quillon::platform {

struct Sha512::State {
  State() : context(EVP_MD_CTX_new()) {
    if (!context) throw std::bad_alloc();
  }
  ~State() { EVP_MD_CTX_free(context); }
  EVP_MD_CTX* context;
  bool ok = false;  // every call so far succeeded
};

Sha512::Sha512() : state_(std::make_unique<State>()) { Reset(); }

Sha512::~Sha512() = default;

void Sha512::Reset() { state_->ok = EVP_DigestInit_ex(state_->context, EVP_sha512(), nullptr) == 1; }

void Sha512::Update(const void* data, std::size_t size) {
  if (state_->ok && size > 0) state_->ok = EVP_DigestUpdate(state_->context, data, size) == 1;
}

std::optional<std::array<std::uint8_t, 64>> Sha512::Digest() const {
  if (!state_->ok) return std::nullopt;
  // Finished on a copy, so that the stream can go on.
  EVP_MD_CTX* copy = EVP_MD_CTX_new();
  if (!copy) return std::nullopt;
  std::array<std::uint8_t, 64> out{};
  unsigned int size = 0;
  const bool done = EVP_MD_CTX_copy_ex(copy, state_->context) == 1 &&
                    EVP_DigestFinal_ex(copy, out.data(), &size) == 1 && size == out.size();
  EVP_MD_CTX_free(copy);
  if (!done) return std::nullopt;
  return out;
}

}  // namespace quillon::platform
