#include "platform/DateFormat.h"

#include <langinfo.h>
#include <locale.h>

#include <cstdlib>
#include <mutex>
#include <ctime>
#include <string>

#include "platform/Text.h"

namespace quillon::platform {

namespace {

const char* UserLocaleName() {
  for (const char* var : {"LC_ALL", "LC_TIME", "LANG"}) {
    const char* value = std::getenv(var);
    if (value && *value) return value;
  }
  return "C";
}

// The user's time locale, loaded once per locale name: loading it costs far more than a row.
locale_t UserTimeLocale() {
  static std::mutex mutex;
  static std::string loadedFor;
  static locale_t loaded = static_cast<locale_t>(0);
  std::lock_guard lock(mutex);
  const std::string name = UserLocaleName();
  if (loaded == static_cast<locale_t>(0) || name != loadedFor) {
    if (loaded != static_cast<locale_t>(0)) ::freelocale(loaded);
    loaded = ::newlocale(LC_TIME_MASK, "", static_cast<locale_t>(0));
    if (loaded == static_cast<locale_t>(0)) loaded = ::newlocale(LC_TIME_MASK, "C", static_cast<locale_t>(0));
    loadedFor = name;
  }
  return loaded;
}

}  // namespace

std::uint32_t UserDateLocale() { return DateLocaleForLocaleName(UserLocaleName()); }

std::u16string ShortDate(int year, int month, int day, std::uint32_t dateLocale) {
  if (dateLocale == kEnglishUnitedStates) {
    return Widen(std::to_string(month) + "/" + std::to_string(day) + "/" + std::to_string(year));
  }
  std::tm fields{};
  fields.tm_year = year - 1900;
  fields.tm_mon = month - 1;
  fields.tm_mday = day;
  char buffer[128];
  std::size_t n = 0;
  if (const locale_t loc = UserTimeLocale()) {
    const char* format = ::nl_langinfo_l(D_FMT, loc);
    n = ::strftime_l(buffer, sizeof buffer, format && *format ? format : "%m/%d/%y", &fields, loc);
  } else {
    n = std::strftime(buffer, sizeof buffer, "%m/%d/%y", &fields);
  }
  return FromUtf8(std::string_view(buffer, n));
}

}  // namespace quillon::platform
