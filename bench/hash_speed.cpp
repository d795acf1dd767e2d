// The copy's hashing alone, in memory: XXH3-128 fed 1 KiB at a time (as the copy feeds it, through
// ContentHash), against the same hash through libxxhash's x86 dispatch (AVX2/AVX-512 where the
// processor has them) and fed in 1 MiB pieces.
//   quillon-hash-speed [MIB]
#include <xxh_x86dispatch.h>
#include <xxhash.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/ContentHash.h"

namespace {

using Clock = std::chrono::steady_clock;

template <typename Feed>
void Time(const char* what, const std::vector<unsigned char>& data, long rounds, std::size_t piece, Feed feed) {
  const auto t0 = Clock::now();
  for (long r = 0; r < rounds; ++r) {
    for (std::size_t at = 0; at < data.size(); at += piece) feed(data.data() + at, piece);
  }
  const double s = std::chrono::duration<double>(Clock::now() - t0).count();
  const double bytes = static_cast<double>(data.size()) * static_cast<double>(rounds);
  std::printf("%-44s %7.3f s  %6.2f GB/s\n", what, s, bytes / s / 1e9);
}

}  // namespace

int main(int argc, char** argv) {
  const long mib = argc > 1 ? std::atol(argv[1]) : 1024;
  // 64 MiB fed again and again: beyond the caches, as the copy's bytes are by then.
  std::vector<unsigned char> data(64u << 20);
  std::uint64_t x = 0x9E3779B97F4A7C15ull;
  for (std::size_t k = 0; k < data.size(); k += 8) {
    x ^= x << 13, x ^= x >> 7, x ^= x << 17;
    std::memcpy(data.data() + k, &x, 8);
  }
  const long rounds = mib / 64 > 0 ? mib / 64 : 1;
  std::printf("XXH3-128 over %ld MiB:\n", rounds * 64);

  quillon::platform::ContentHash engine;
  Time("ContentHash, 1 KiB pieces (the copy's path)", data, rounds, 1024,
       [&](const void* p, std::size_t n) { engine.Update(p, n); });

  XXH3_state_t* state = XXH3_createState();
  XXH3_128bits_reset(state);
  Time("XXH3_128bits_update, 1 MiB pieces", data, rounds, 1u << 20,
       [&](const void* p, std::size_t n) { XXH3_128bits_update(state, p, n); });
  XXH3_128bits_reset(state);
  Time("XXH3_128bits_update_dispatch, 1 KiB pieces", data, rounds, 1024,
       [&](const void* p, std::size_t n) { XXH3_128bits_update_dispatch(state, p, n); });
  XXH3_128bits_reset(state);
  Time("XXH3_128bits_update_dispatch, 1 MiB pieces", data, rounds, 1u << 20,
       [&](const void* p, std::size_t n) { XXH3_128bits_update_dispatch(state, p, n); });
  XXH3_freeState(state);
  return 0;
}
