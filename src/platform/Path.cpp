#include "platform/Path.h"

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

}  // namespace quillon::platform
