#pragma once
// Calendar time: signed seconds since 1970-01-01 00:00:00 UTC, and its local-time forms.
#include <cstdint>
#include <ctime>
#include <optional>
#include <string>

namespace quillon::platform {

std::int64_t Now();

// Local fields of a calendar time, or nothing when it cannot be converted.
std::optional<std::tm> LocalFields(std::int64_t t);

// The calendar time of fields read as local time, daylight saving unknown; fields out of
// range carry over (day 0 is the last day of the month before). Nothing when not representable.
std::optional<std::int64_t> FromLocalFields(int year, int month, int day, int hour, int minute, int second);

// How far local time is ahead of UTC, in seconds, at the instant t whose local fields are given.
std::int64_t UtcOffset(const std::tm& localFields, std::int64_t t);

// strftime of the local time into at most 127 characters; empty when the time cannot be
// converted or the text does not fit.
std::u16string FormatLocal(std::int64_t t, const char* format);
std::u16string FormatFields(const std::tm& fields, const char* format);

}  // namespace quillon::platform
