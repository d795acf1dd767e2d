#include "platform/Wildcard.h"

namespace quillon::platform {

namespace {

char16_t Fold(char16_t c) {
  if (c >= u'a' && c <= u'z') return static_cast<char16_t>(c - u'a' + u'A');
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return static_cast<char16_t>(c - 0x20);
  return c;
}

}  // namespace

bool WildcardMatch(std::u16string_view pattern, std::u16string_view name) {
  // What follows the last "*" must end the name: most names fail on their extension, cheaply.
  if (const auto star = pattern.rfind(u'*'); star != std::u16string_view::npos) {
    const std::u16string_view tail = pattern.substr(star + 1);
    if (tail.size() > name.size()) return false;
    const std::u16string_view end = name.substr(name.size() - tail.size());
    for (std::size_t k = 0; k < tail.size(); ++k) {
      if (tail[k] != u'?' && Fold(tail[k]) != Fold(end[k])) return false;
    }
  }
  // Iterative matcher with single-star backtracking: linear in practice, never recursive.
  std::size_t p = 0, n = 0;
  std::size_t starP = std::u16string_view::npos, starN = 0;
  while (n < name.size()) {
    if (p < pattern.size() && pattern[p] == u'*') {
      starP = p++;
      starN = n;
    } else if (p < pattern.size() && (pattern[p] == u'?' || Fold(pattern[p]) == Fold(name[n]))) {
      ++p;
      ++n;
    } else if (starP != std::u16string_view::npos) {
      p = starP + 1;
      n = ++starN;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == u'*') ++p;
  return p == pattern.size();
}

}  // namespace quillon::platform
