#include <time.h>

#include "platform/LocalTime.h"
#include "platform/Text.h"

namespace quillon::platform {

namespace {

// The C runtime converts instants from 1970 to the year 3000 only. Four hundred years are a
// whole number of weeks, so any other instant has the fields of an instant a whole number of
// such cycles away, but for the year. (The runtime's daylight-saving rules are the same every
// year.)
constexpr std::int64_t kCycleYears = 400;
constexpr std::int64_t kCycleSeconds = 146097LL * 86400;
constexpr std::int64_t kLatest = 32535215999LL;  // 3000-12-31 23:59:59 UTC
constexpr std::int64_t kMostCycles = 5000000;     // a year beyond int cannot be told

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }

}  // namespace

std::int64_t Now() { return static_cast<std::int64_t>(::_time64(nullptr)); }

std::optional<std::tm> LocalFields(std::int64_t t) {
  // Cycles to go back so that the instant lands in the runtime's range (negative: forward).
  std::int64_t cycles = 0;
  if (t < 0) cycles = -FloorDiv(t, kCycleSeconds);
  if (t > kLatest) cycles = -(FloorDiv(t - kLatest - 1, kCycleSeconds) + 1);
  if (cycles > kMostCycles || cycles < -kMostCycles) return std::nullopt;
  const __time64_t shifted = t + cycles * kCycleSeconds;
  std::tm fields{};
  if (shifted < 0 || shifted > kLatest || ::_localtime64_s(&fields, &shifted) != 0) return std::nullopt;
  fields.tm_year -= static_cast<int>(cycles * kCycleYears);
  return fields;
}

std::optional<std::int64_t> FromLocalFields(int year, int month, int day, int hour, int minute, int second) {
  // First as given; when the runtime refuses that, in the same place of a cycle from 2000.
  for (const std::int64_t cycles : {std::int64_t{0}, FloorDiv(std::int64_t{year} - 2000, kCycleYears)}) {
    std::tm fields{};
    fields.tm_year = static_cast<int>(year - cycles * kCycleYears - 1900);
    fields.tm_mon = month - 1;
    fields.tm_mday = day;
    fields.tm_hour = hour;
    fields.tm_min = minute;
    fields.tm_sec = second;
    fields.tm_isdst = -1;
    fields.tm_wday = -1;  // only a successful call fills it in
    const __time64_t t = ::_mktime64(&fields);
    // -1 is also one second before 1970, which the runtime refuses: that comes from the cycle.
    if (t == -1 && (cycles == 0 || fields.tm_wday == -1)) continue;
    return static_cast<std::int64_t>(t) + cycles * kCycleSeconds;
  }
  return std::nullopt;
}

}  // namespace quillon::platform
