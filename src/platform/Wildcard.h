#pragma once
#include <string_view>

namespace quillon::platform {

// Matches a file name against a pattern with the Windows rules: "*" any run (also empty),
// "?" exactly one character, letters compared case-insensitively (ASCII and Latin-1).
bool WildcardMatch(std::u16string_view pattern, std::u16string_view name);

}  // namespace quillon::platform
