#include "platform/Path.h"

#include <filesystem>
#include <system_error>

#include "platform/Text.h"

namespace quillon::platform {

std::u16string JoinPath(std::u16string_view root, std::initializer_list<std::u16string_view> parts) {
  std::u16string out(root);
  for (auto part : parts) {
    out += kSeparator;
    out += part;
  }
  return out;
}

std::u16string_view LastComponent(std::u16string_view path) {
  const auto pos = path.rfind(kSeparator);
  return pos == std::u16string_view::npos ? path : path.substr(pos + 1);
}

std::u16string_view ParentPart(std::u16string_view path) {
  const auto pos = path.rfind(kSeparator);
  return pos == std::u16string_view::npos ? std::u16string_view{} : path.substr(0, pos);
}

std::u16string StripTrailingSeparators(std::u16string_view path) {
  while (path.size() > 1 && path.back() == kSeparator) path.remove_suffix(1);
  return std::u16string(path);
}

std::u16string NativeSeparators(std::u16string_view path) {
  std::u16string out(path);
#ifdef _WIN32
  for (char16_t& c : out) {
    if (c == u'/') c = kSeparator;
  }
#endif
  return out;
}

std::u16string AbsolutePath(std::u16string_view path) {
  std::error_code ec;
#ifdef _WIN32
  // Paths are UTF-16 on Windows: the wide form goes to the system as it is.
  const std::filesystem::path given(std::wstring(path.begin(), path.end()));
  const auto absolute = std::filesystem::absolute(given, ec);
  if (ec) return std::u16string(path);
  const std::wstring text = absolute.lexically_normal().wstring();
  return std::u16string(text.begin(), text.end());
#else
  // Through our own UTF-8 form, so that a name of invalid bytes keeps them.
  const auto absolute = std::filesystem::absolute(ToUtf8(path), ec);
  if (ec) return std::u16string(path);
  return FromUtf8(absolute.lexically_normal().native());
#endif
}

}  // namespace quillon::platform
