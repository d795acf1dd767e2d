#include "platform/DateFormat.h"

namespace quillon::platform {

std::uint32_t DateLocaleForLocaleName(std::string_view name) {
  const auto end = name.find_first_of("_.@-");
  const std::string_view language = name.substr(0, end);
  if (language == "ar" || language == "he" || language == "iw") return kEnglishUnitedStates;
  return kUserDefaultLocale;
}

std::uint32_t DateLocaleForLanguage(std::uint16_t languageId) {
  // Nine bits, not the ten of the primary language: 0x201 and 0x20D count as well.
  const unsigned language = languageId & 0x1FFu;
  if (language == 0x01 || language == 0x0D) return kEnglishUnitedStates;
  return kUserDefaultLocale;
}

}  // namespace quillon::platform
