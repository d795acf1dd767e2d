// The rescue map's parser over hostile mapfile text: whatever it accepts is a map of
// contiguous areas from 0 that reads back the same from its own text, also after marks taken
// from the input's first bytes.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "FuzzFile.h"
#include "import/RescueMap.h"

namespace {

using quillon::fuzz::Require;

void RequireWhole(const quillon::RescueMap& map) {
  std::uint64_t end = 0;
  std::uint64_t finished = 0;
  const quillon::RescueArea* before = nullptr;
  const auto areas = map.Areas();
  for (const quillon::RescueArea& a : areas) {
    Require(a.pos == end && a.size > 0);
    Require(!before || before->status != a.status);
    if (a.status == quillon::AreaStatus::Finished) finished += a.size;
    end = a.End();
    before = &a;
  }
  Require(end == map.Size());
  Require(finished == map.Bytes(quillon::AreaStatus::Finished));
  std::uint64_t counted = 0;
  for (char c : std::string_view("?*/-+")) counted += map.Bytes(static_cast<quillon::AreaStatus>(c));
  Require(counted == map.Size());
  Require(map.Complete() == (finished == map.Size()));
}

void RequireReadsBack(const quillon::RescueMap& map, std::string_view header) {
  const std::string text = map.Text({"Quillon", "1.1", std::string(header), std::string(header), ""});
  const quillon::RescueMapParse again = quillon::RescueMap::Parse(text);
  Require(again.map && *again.map == map);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const quillon::RescueMapParse parsed = quillon::RescueMap::Parse(text);
  Require(parsed.map.has_value() == parsed.error.empty());
  if (!parsed.map) return 0;
  quillon::RescueMap map = *parsed.map;
  RequireWhole(map);
  RequireReadsBack(map, text.substr(0, 80));

  // Up to four marks, of eight bytes each: a position, a size and a status.
  constexpr std::string_view kStatuses = "?*/-+";
  for (std::size_t i = 0; i + 8 <= size && i < 32; i += 8) {
    std::uint32_t pos = 0;
    std::uint16_t length = 0;
    std::memcpy(&pos, data + i, sizeof pos);
    std::memcpy(&length, data + i + 4, sizeof length);
    map.Mark(map.Size() == 0 ? pos : pos % map.Size(), length, static_cast<quillon::AreaStatus>(kStatuses[data[i + 6] % 5]));
  }
  RequireWhole(map);
  RequireReadsBack(map, {});
  return 0;
}
