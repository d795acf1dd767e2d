#pragma once
#include <array>
#include <cstdint>
#include <string_view>

namespace quillon {

// Chunk-file extensions; a chunk's kind index is its position here, a clip's kind bits are
// 1 shifted left by each kind index present.
inline constexpr std::array<std::u16string_view, 3> kKindTable = {u"M2T", u"DV", u"AVI"};
inline constexpr int kKindM2T = 0;
inline constexpr int kKindDV = 1;
inline constexpr int kKindAVI = 2;
inline constexpr std::uint32_t kBitM2T = 1u << kKindM2T;

// Kind index of a file name's extension (the part after its last '.', or the whole name
// when it has none), compared upper-cased; -1 when it is none of the table's.
int KindIndexOfFileName(std::u16string_view fileName);

// The table text of a kind index, empty for -1 or any other value.
std::u16string_view KindText(int kind);

}  // namespace quillon
