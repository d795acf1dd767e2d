#include "platform/ContentHash.h"

// Where no xxHash library is built (Windows), the header carries the whole code.
#ifdef QUILLON_XXHASH_HEADER_ONLY
#define XXH_INLINE_ALL
#endif
#include <xxhash.h>

#include <new>

// With the library on x86, it picks the widest vector unit of this processor at run time; the
// header alone has only the baseline vector code (SSE2 on x86-64).
#if !defined(QUILLON_XXHASH_HEADER_ONLY) && (defined(__x86_64__) || defined(__i386__)) && \
    __has_include(<xxh_x86dispatch.h>)
#include <xxh_x86dispatch.h>
#define QUILLON_XXH3_UPDATE XXH3_128bits_update_dispatch
#else
#define QUILLON_XXH3_UPDATE XXH3_128bits_update
#endif

namespace quillon::platform {

struct ContentHash::State {
  State() : xxh(XXH3_createState()) {
    if (!xxh) throw std::bad_alloc();
  }
  ~State() { XXH3_freeState(xxh); }
  XXH3_state_t* xxh;
};

ContentHash::ContentHash() : state_(std::make_unique<State>()) { Reset(); }

ContentHash::~ContentHash() = default;

void ContentHash::Reset() { XXH3_128bits_reset(state_->xxh); }

void ContentHash::Update(const void* data, std::size_t size) {
  if (size > 0) QUILLON_XXH3_UPDATE(state_->xxh, data, size);
}

std::array<std::uint8_t, 16> ContentHash::Digest() const {
  XXH128_canonical_t canonical;
  XXH128_canonicalFromHash(&canonical, XXH3_128bits_digest(state_->xxh));
  std::array<std::uint8_t, 16> out{};
  for (std::size_t i = 0; i < out.size(); ++i) out[i] = canonical.digest[i];
  return out;
}

std::string HexOf(std::span<const std::uint8_t> bytes) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string text;
  text.reserve(2 * bytes.size());
  for (const std::uint8_t b : bytes) {
    text += kHex[b >> 4];
    text += kHex[b & 0x0F];
  }
  return text;
}

std::string ContentHash::Hex() const { return HexOf(Digest()); }

}  // namespace quillon::platform
