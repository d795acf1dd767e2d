// Writes large unit trees for the benchmarks.
//   quillon-bench-unit list DIR CLIPS FILES_PER_CLIP   half index clips (IDX + M2T), half DV name clips
//   quillon-bench-unit import DIR MIB CHUNKS           one index clip of CHUNKS joined M2T chunks
//                                                      (video packets of pseudo-random bytes)
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "support/MediaBytes.h"
#include "support/UnitTree.h"

namespace {

using namespace quillon::testsupport;

std::string ClipName(char letter, int n) {
  char name[16];
  std::snprintf(name, sizeof name, "%c%06d", letter, n);
  return name;
}

int ListTree(const fs::path& root, int clips, int filesPerClip) {
  const fs::path flat = root / "VIDEO" / "QVT";
  fs::create_directories(flat);
  const Bytes chunk = ChunkBytes(2);
  for (int c = 0; c < clips; ++c) {
    if (c % 2 == 0) {
      IdxBuilder idx;
      for (int k = 0; k < filesPerClip; ++k) idx.Date(8, 3, 14, 10, static_cast<std::uint8_t>(k / 60), static_cast<std::uint8_t>(k % 60));
      const std::string name = ClipName('C', c);
      PutFile(flat, name + ".IDX", idx.Build());
      for (const auto& chunkName : idx.ChunkNames(name)) PutFile(flat, chunkName, chunk);
    } else {
      const std::string name = ClipName('N', c);
      for (int k = 0; k < filesPerClip; ++k) PutFile(flat, name + "_" + std::to_string(k) + ".DV", chunk);
    }
  }
  std::printf("%d clips, %d chunk files in %s\n", clips, clips * filesPerClip, flat.c_str());
  return 0;
}

int ImportTree(const fs::path& root, long mib, int chunks) {
  const fs::path flat = root / "VIDEO" / "QVT";
  fs::create_directories(flat);
  IdxBuilder idx;
  for (int k = 0; k < chunks; ++k) idx.Date(8, 3, 14, 10, 0, static_cast<std::uint8_t>(k));
  PutFile(flat, "BENCH01.IDX", idx.Build());
  // Each chunk: a recorded stream's tables, then video packets, about MIB/CHUNKS MiB.
  const std::size_t packets = static_cast<std::size_t>(mib) * 1024 * 1024 / 188 / static_cast<std::size_t>(chunks);
  TsOptions opts;
  opts.date = RecDateTime{2008, 3, 14, 10, 15, 30};
  opts.packets = packets;
  Bytes bytes = TransportStream(opts);
  // The builder's filler packets carry zero bytes. Recorded video does not compress and no two
  // chunks hold the same pictures, so each chunk's filler payload becomes pseudo-random bytes of
  // its own (headers, tables and the date packet stay as built).
  std::vector<std::size_t> fillers;
  for (std::size_t at = 0; at + 188 <= bytes.size(); at += 188) {
    const auto payload = bytes.begin() + static_cast<std::ptrdiff_t>(at + 4);
    if (std::all_of(payload, payload + 184, [](std::uint8_t b) { return b == 0; })) fillers.push_back(at + 4);
  }
  std::uint64_t x = 0x9E3779B97F4A7C15ull;
  for (const auto& name : idx.ChunkNames("BENCH01")) {
    for (const std::size_t at : fillers) {
      for (std::size_t k = 0; k < 184; k += 8) {
        x ^= x << 13, x ^= x >> 7, x ^= x << 17;
        for (std::size_t b = 0; b < 8 && k + b < 184; ++b) bytes[at + k + b] = static_cast<std::uint8_t>(x >> (8 * b));
      }
    }
    PutFile(flat, name, bytes);
  }
  std::printf("%d chunks of %zu bytes in %s\n", chunks, bytes.size(), flat.c_str());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string mode = argc > 1 ? argv[1] : "";
  if (mode == "list" && argc == 5) return ListTree(argv[2], std::atoi(argv[3]), std::atoi(argv[4]));
  if (mode == "import" && argc == 5) return ImportTree(argv[2], std::atol(argv[3]), std::atoi(argv[4]));
  std::fprintf(stderr, "usage: quillon-bench-unit list DIR CLIPS FILES_PER_CLIP | import DIR MIB CHUNKS\n");
  return 2;
}
