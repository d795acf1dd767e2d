#pragma once
// The text of one clip-list row: name, format, date, time and file count in fixed-width
// columns for a fixed-pitch font.
#include <cstdint>
#include <string>

#include "unit/Clip.h"

namespace quillon {

// The row of a clip, dated by the last chunk file's last-modified time.
std::u16string RowText(const Clip& clip, std::uint32_t dateLocale);

// The row of a clip whose last chunk was modified at instant (seconds since 1970 UTC).
std::u16string RowTextAt(const std::u16string& name, std::uint32_t kindBits, std::size_t chunkCount,
                         std::int64_t instant, std::uint32_t dateLocale);

}  // namespace quillon
