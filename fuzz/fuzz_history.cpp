// The import history's parser over hostile text: whatever it accepts names only paths inside
// the folder and the unit, holds numbers within their ranges, and reads back the same from its
// own text with no line damaged.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string_view>
#include <unordered_set>

#include "FuzzFile.h"
#include "import/History.h"

namespace {

using quillon::fuzz::Require;

void RequireSound(const quillon::HistoryRecord& r) {
  constexpr auto kMaxSize = static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max());
  Require(quillon::IsHistoryPath(r.output));
  Require(r.size <= kMaxSize);
  Require(r.imported >= quillon::kMinHistoryTime && r.imported <= quillon::kMaxHistoryTime);
  for (const quillon::HistoryChunk& c : r.chunks) {
    Require(quillon::IsHistoryPath(c.path));
    Require(c.size <= kMaxSize);
    Require(c.lastWrite >= quillon::kMinHistoryTime && c.lastWrite <= quillon::kMaxHistoryTime);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const quillon::HistoryRead read = quillon::ParseHistory(text);
  if (read.error) {
    Require(read.records.empty() && read.otherLines.empty() && read.damaged == 0);
    return 0;
  }
  // Each line after the header is a record, another kind, damaged or blank.
  const auto ends = static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
  const std::size_t lines = text.ends_with('\n') ? ends - 1 : ends;
  Require(read.records.size() + read.otherLines.size() + read.damaged <= lines);
  std::unordered_set<std::u16string> outputs;
  for (const quillon::HistoryRecord& r : read.records) {
    RequireSound(r);
    Require(outputs.insert(r.output).second);
  }

  const quillon::HistoryRead again = quillon::ParseHistory(quillon::HistoryText(read.records, read.otherLines));
  Require(!again.error && again.damaged == 0);
  Require(again.records == read.records && again.otherLines == read.otherLines);

  // The time rule is the same both ways round, over the first sixteen bytes as two times.
  if (size >= 16) {
    std::int64_t a = 0;
    std::int64_t b = 0;
    std::memcpy(&a, data, sizeof a);
    std::memcpy(&b, data + 8, sizeof b);
    Require(quillon::SameUnitTime(a, b) == quillon::SameUnitTime(b, a));
    Require(quillon::SameUnitTime(a, a));
  }
  return 0;
}
