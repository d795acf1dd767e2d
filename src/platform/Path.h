#pragma once
// Paths are UTF-16 strings. A drive name is a mount point (or any folder holding a unit's tree),
// or on Windows a drive such as "E:", without a trailing separator; every path below it is
// built by appending parts that begin with the separator.
#include <initializer_list>
#include <string>
#include <string_view>

namespace quillon::platform {

#ifdef _WIN32
inline constexpr char16_t kSeparator = u'\\';
#else
inline constexpr char16_t kSeparator = u'/';
#endif

// root + separator + each part in turn.
std::u16string JoinPath(std::u16string_view root, std::initializer_list<std::u16string_view> parts);
// The part after the last separator (the whole path when it has none).
std::u16string_view LastComponent(std::u16string_view path);
// The part before the last separator (empty when it has none).
std::u16string_view ParentPart(std::u16string_view path);
// The path without trailing separators, except that "/" stays "/".
std::u16string StripTrailingSeparators(std::u16string_view path);
// A path the user typed, with the separators this system writes: on Windows "/" becomes "\\".
std::u16string NativeSeparators(std::u16string_view path);
// The path made absolute against the working folder, with "." and ".." parts resolved by text;
// the path itself when the working folder cannot be told.
std::u16string AbsolutePath(std::u16string_view path);

}  // namespace quillon::platform
