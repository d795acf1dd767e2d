#pragma once
// Minimal JSON writing for quillon-cli's machine-readable output.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quillon::cli {

// A JSON string literal: UTF-8, with control characters, quotes, backslashes and unpaired
// surrogates (raw bytes of a file name that is not UTF-8) escaped as \uXXXX.
std::string JsonString(std::u16string_view text);
std::string JsonStringArray(const std::vector<std::u16string>& items);

}  // namespace quillon::cli
