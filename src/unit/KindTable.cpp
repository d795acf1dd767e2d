#include "unit/KindTable.h"

#include <string>

namespace quillon {

int KindIndexOfFileName(std::u16string_view fileName) {
  const auto dot = fileName.rfind(u'.');
  std::u16string ext(dot == std::u16string_view::npos ? fileName : fileName.substr(dot + 1));
  for (auto& c : ext) {
    if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - u'a' + u'A');
  }
  for (std::size_t k = 0; k < kKindTable.size(); ++k) {
    if (ext == kKindTable[k]) return static_cast<int>(k);
  }
  return -1;
}

std::u16string_view KindText(int kind) {
  if (kind < 0 || kind >= static_cast<int>(kKindTable.size())) return {};
  return kKindTable[static_cast<std::size_t>(kind)];
}

}  // namespace quillon
