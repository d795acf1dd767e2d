// The wildcard matcher over hostile names and patterns, checked against a plain table-driven
// matcher with the same rules.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "FuzzFile.h"
#include "platform/Wildcard.h"

namespace {

char16_t Fold(char16_t c) {
  if (c >= u'a' && c <= u'z') return static_cast<char16_t>(c - 0x20);
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return static_cast<char16_t>(c - 0x20);
  return c;
}

// match[i][j]: the first i pattern units match the first j name units.
bool Reference(std::u16string_view p, std::u16string_view n) {
  std::vector<std::vector<bool>> match(p.size() + 1, std::vector<bool>(n.size() + 1, false));
  match[0][0] = true;
  for (std::size_t i = 1; i <= p.size(); ++i) {
    for (std::size_t j = 0; j <= n.size(); ++j) {
      if (p[i - 1] == u'*') {
        match[i][j] = match[i - 1][j] || (j > 0 && match[i][j - 1]);
      } else if (j > 0) {
        match[i][j] = match[i - 1][j - 1] && (p[i - 1] == u'?' || Fold(p[i - 1]) == Fold(n[j - 1]));
      }
    }
  }
  return match[p.size()][n.size()];
}

// Bytes map onto the characters that matter to the rules, other bytes onto themselves, and
// a byte pair starting with 0xFF onto any UTF-16 unit.
std::u16string Units(const std::uint8_t* data, std::size_t size) {
  static constexpr char16_t kSpecial[] = {u'*', u'?', u'a', u'A', u'z', u'Z', 0xE0, 0xC0, 0xF7, 0xD7, 0xFE, 0xDE, u'.'};
  std::u16string out;
  for (std::size_t i = 0; i < size; ++i) {
    if (data[i] < sizeof kSpecial / sizeof kSpecial[0]) {
      out += kSpecial[data[i]];
    } else if (data[i] == 0xFF && i + 2 < size) {
      out += static_cast<char16_t>(data[i + 1] | (data[i + 2] << 8));
      i += 2;
    } else {
      out += static_cast<char16_t>(data[i]);
    }
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1 || size > 1024) return 0;
  const std::size_t split = data[0] % size;
  const std::u16string pattern = Units(data + 1, split);
  const std::u16string name = Units(data + 1 + split, size - 1 - split);
  quillon::fuzz::Require(quillon::platform::WildcardMatch(pattern, name) == Reference(pattern, name));
  return 0;
}
