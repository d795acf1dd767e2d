#include <windows.h>
#include <oleauto.h>

#include "platform/DateFormat.h"
#include "platform/Text.h"

namespace quillon::platform {

std::uint32_t UserDateLocale() { return DateLocaleForLanguage(::GetUserDefaultLangID()); }

// Empty when the date cannot be written: the caller shows its own text for that.
std::u16string ShortDate(int year, int month, int day, std::uint32_t dateLocale) {
  SYSTEMTIME date{};
  date.wYear = static_cast<WORD>(year);
  date.wMonth = static_cast<WORD>(month);
  date.wDay = static_cast<WORD>(day);
  double variantDate = 0;
  if (year < 100 || year > 9999 || !::SystemTimeToVariantTime(&date, &variantDate)) return {};
  BSTR text = nullptr;
  if (FAILED(::VarBstrFromDate(variantDate, dateLocale, VAR_DATEVALUEONLY, &text)) || !text) return {};
  std::u16string out(reinterpret_cast<const char16_t*>(text), ::SysStringLen(text));
  ::SysFreeString(text);
  return out;
}

}  // namespace quillon::platform
