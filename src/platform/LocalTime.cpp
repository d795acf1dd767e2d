#include "platform/LocalTime.h"

#include "platform/Text.h"

namespace quillon::platform {

namespace {

// Days from 1970-01-01 to a date of the proleptic Gregorian calendar (month 1-12).
std::int64_t DaysFromCivil(std::int64_t year, unsigned month, unsigned day) {
  year -= month <= 2;
  const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
  const unsigned yearOfEra = static_cast<unsigned>(year - era * 400);
  const unsigned dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
  const unsigned dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + static_cast<std::int64_t>(dayOfEra) - 719468;
}

}  // namespace

std::int64_t UtcOffset(const std::tm& f, std::int64_t t) {
  // The local fields read as if they were UTC, less the instant itself.
  const std::int64_t asUtc = DaysFromCivil(std::int64_t{f.tm_year} + 1900, static_cast<unsigned>(f.tm_mon + 1),
                                           static_cast<unsigned>(f.tm_mday)) * 86400 +
                             f.tm_hour * 3600 + f.tm_min * 60 + f.tm_sec;
  return asUtc - t;
}

std::u16string FormatFields(const std::tm& fields, const char* format) {
  char buffer[128];
  const std::size_t n = std::strftime(buffer, sizeof buffer, format, &fields);
  if (n == 0) return {};
  return FromUtf8(std::string_view(buffer, n));
}

std::u16string FormatLocal(std::int64_t t, const char* format) {
  const auto fields = LocalFields(t);
  if (!fields) return {};
  return FormatFields(*fields, format);
}

}  // namespace quillon::platform
