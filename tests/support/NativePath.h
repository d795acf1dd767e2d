#pragma once
// Paths written in tests with "/" as this system's own: on Windows the separators become
// backslashes, as the domain code builds them.
#include <string>
#include <string_view>

#include "platform/Path.h"

namespace quillon::testsupport {

inline std::u16string P(std::u16string_view generic) { return platform::NativeSeparators(generic); }

}  // namespace quillon::testsupport
