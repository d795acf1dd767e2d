#pragma once
// The domain's UTF-16 text as the wide strings of the Win32 API, and back: on Windows both are
// 16-bit code units, so only the type changes.
#include <string>
#include <string_view>

namespace quillon::platform::win32 {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Win32 wide characters are UTF-16 code units");

inline const wchar_t* Wide(const std::u16string& text) { return reinterpret_cast<const wchar_t*>(text.c_str()); }

inline std::u16string FromWide(std::wstring_view text) { return std::u16string(text.begin(), text.end()); }

}  // namespace quillon::platform::win32
