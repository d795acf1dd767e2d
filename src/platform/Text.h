#pragma once
// Conversions between the domain's UTF-16 text and the system's UTF-8.
#include <string>
#include <string_view>

namespace quillon::platform {

// Invalid UTF-8 bytes become lone surrogates U+DC80..U+DCFF and go back to the same byte,
// so any Linux file name survives the round trip.
std::u16string FromUtf8(std::string_view utf8);
std::string ToUtf8(std::u16string_view utf16);

// ASCII-only conversions for fixed texts.
std::u16string Widen(std::string_view ascii);

}  // namespace quillon::platform
