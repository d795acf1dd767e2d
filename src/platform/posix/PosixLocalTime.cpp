#include "platform/LocalTime.h"

#include <limits>

#include "platform/Text.h"

namespace quillon::platform {

std::int64_t Now() { return static_cast<std::int64_t>(std::time(nullptr)); }

std::optional<std::tm> LocalFields(std::int64_t t) {
  if (t < std::numeric_limits<std::time_t>::min() || t > std::numeric_limits<std::time_t>::max())
    return std::nullopt;
  const std::time_t tt = static_cast<std::time_t>(t);
  std::tm fields{};
  if (!::localtime_r(&tt, &fields)) return std::nullopt;
  return fields;
}

std::optional<std::int64_t> FromLocalFields(int year, int month, int day, int hour, int minute, int second) {
  std::tm fields{};
  fields.tm_year = year - 1900;
  fields.tm_mon = month - 1;
  fields.tm_mday = day;
  fields.tm_hour = hour;
  fields.tm_min = minute;
  fields.tm_sec = second;
  fields.tm_isdst = -1;
  // mktime answers -1 both for an error and for one second before 1970 (a local time that
  // depends on the zone); only a successful call fills in the weekday.
  fields.tm_wday = -1;
  const std::time_t t = std::mktime(&fields);
  if (t == static_cast<std::time_t>(-1) && fields.tm_wday == -1) return std::nullopt;
  return static_cast<std::int64_t>(t);
}

}  // namespace quillon::platform
