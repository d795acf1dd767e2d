#pragma once
// The user's short date form for the clip list's date column.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quillon::platform {

inline constexpr std::uint32_t kUserDefaultLocale = 0x0400;
inline constexpr std::uint32_t kEnglishUnitedStates = 0x0409;

// The date locale for a locale name such as "ar_EG.UTF-8": English (United States) for
// Arabic and Hebrew users, whose dates are never shown in those forms; the user's default otherwise.
std::uint32_t DateLocaleForLocaleName(std::string_view localeName);

// The date locale for a Windows language identifier: English (United States) when its low nine
// bits name Arabic (0x01) or Hebrew (0x0D), the user's default otherwise.
std::uint32_t DateLocaleForLanguage(std::uint16_t languageId);

// The date locale for this process's user: on Windows from the user's default language, elsewhere
// from the locale name in LC_ALL, then LC_TIME, then LANG.
std::uint32_t UserDateLocale();

// The short date text of a calendar date (year with century, month 1-12, day 1-31):
// English (United States) gives M/d/yyyy; the user's default follows the user's regional
// settings (on Windows the system's short date of the user's locale; elsewhere LC_TIME's date
// format, "%m/%d/%y" when the locale is not available).
std::u16string ShortDate(int year, int month, int day, std::uint32_t dateLocale);

}  // namespace quillon::platform
