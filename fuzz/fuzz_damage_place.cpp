// The places of damaged areas over hostile output bytes. The input: the kind (one byte), two
// areas and a join (offset and length, offset: four bytes each, little-endian), then the file.
// Whatever the bytes, each area gets a place that is whole (a time and its text together, frames
// in order), and the same one when every read comes back short (cut at an odd size, across packets and
// blocks).
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "FuzzFile.h"
#include "import/DamagePlace.h"

namespace {

constexpr std::size_t kHeader = 1 + 5 * 4;

std::uint64_t Le32(const std::uint8_t* p) {
  return static_cast<std::uint64_t>(p[0]) | static_cast<std::uint64_t>(p[1]) << 8 |
         static_cast<std::uint64_t>(p[2]) << 16 | static_cast<std::uint64_t>(p[3]) << 24;
}

bool Same(const quillon::DamagePlace& a, const quillon::DamagePlace& b) {
  const bool sameFrames = a.frames.has_value() == b.frames.has_value() &&
                          (!a.frames || (a.frames->first == b.frames->first && a.frames->last == b.frames->last));
  return a.seconds == b.seconds && sameFrames && a.stamp == b.stamp && a.stampFrame == b.stampFrame && a.at == b.at;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using quillon::fuzz::Require;
  if (size < kHeader) return 0;
  const int kind = data[0] % 4 - 1;  // -1 (none), M2T, DV, AVI
  const std::vector<quillon::DamagedArea> areas = {{Le32(data + 1), Le32(data + 5)}, {Le32(data + 9), Le32(data + 13)}};
  const std::vector<std::uint64_t> joins = {Le32(data + 17)};

  quillon::fuzz::FuzzFile whole(data + kHeader, size - kHeader);
  quillon::fuzz::FuzzFile cut(data + kHeader, size - kHeader, 4093);
  const auto places = quillon::PlaceDamage(whole, kind, areas, joins);
  const auto again = quillon::PlaceDamage(cut, kind, areas, joins);
  Require(places.size() == areas.size() && again.size() == areas.size());
  for (std::size_t i = 0; i < places.size(); ++i) {
    const quillon::DamagePlace& p = places[i];
    Require(Same(p, again[i]));
    Require(p.seconds.has_value() == !p.at.empty());
    if (p.seconds) Require(std::isfinite(*p.seconds) && *p.seconds >= 0);
    if (p.frames) Require(p.frames->first <= p.frames->last);
    Require(p.stamp.has_value() == p.stampFrame.has_value());
  }
  return 0;
}
