#pragma once
// Minimal JSON writing for quillon-cli's machine-readable output.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillon::cli {

// A JSON string literal: UTF-8, with control characters, quotes, backslashes and unpaired
// surrogates (raw bytes of a file name that is not UTF-8) escaped as \uXXXX.
std::string JsonString(std::u16string_view text);
std::string JsonStringArray(const std::vector<std::u16string>& items);

// A calendar time (seconds since 1970 UTC) as an ISO 8601 JSON string in local time with its
// offset, "2008-03-14T10:15:30+01:00"; null when it cannot be converted.
std::string JsonLocalTime(std::int64_t seconds);

// A number when there is one, else null.
std::string JsonNumberOrNull(const std::optional<std::uint64_t>& value);

}  // namespace quillon::cli
