#include "platform/DateFormat.h"

#include <gtest/gtest.h>

#include "support/ScopedEnv.h"

namespace quillon::platform {
namespace {

using testsupport::ScopedEnv;

TEST(DateLocale, ArabicAndHebrewUsersGetEnglishUnitedStatesDates) {
  for (const char* name : {"ar", "ar_EG", "ar_SA.UTF-8", "ar_AE.utf8@euro", "he_IL.UTF-8", "iw_IL", "he"}) {
    EXPECT_EQ(DateLocaleForLocaleName(name), kEnglishUnitedStates) << name;
  }
}

TEST(DateLocale, EveryoneElseKeepsTheirOwnDefault) {
  // Languages whose codes merely begin like Arabic or Hebrew are not them (Mapuche, Herero).
  for (const char* name : {"en_US.UTF-8", "ja_JP.UTF-8", "de_DE", "C", "C.UTF-8", "POSIX", "", "arn_CL", "hz_NA",
                           "hr_HR", "fa_IR", "ur_PK"}) {
    EXPECT_EQ(DateLocaleForLocaleName(name), kUserDefaultLocale) << name;
  }
}

TEST(DateLocale, WindowsLanguagesAreArabicOrHebrewByTheirLowNineBits) {
  struct Case {
    std::uint16_t language;
    std::uint32_t dateLocale;
  };
  for (const Case& c : {Case{0x0401, kEnglishUnitedStates},   // Arabic (Saudi Arabia)
                        Case{0x0C01, kEnglishUnitedStates},   // Arabic (Egypt)
                        Case{0x040D, kEnglishUnitedStates},   // Hebrew (Israel)
                        Case{0x020D, kEnglishUnitedStates},   // bit 9 set: not in the nine bits
                        Case{0x0201, kEnglishUnitedStates},
                        Case{0x0409, kUserDefaultLocale},     // English (United States)
                        Case{0x0411, kUserDefaultLocale},     // Japanese
                        Case{0x0429, kUserDefaultLocale},     // Persian
                        Case{0x0420, kUserDefaultLocale},     // Urdu
                        Case{0x0000, kUserDefaultLocale}}) {
    EXPECT_EQ(DateLocaleForLanguage(c.language), c.dateLocale) << std::hex << c.language;
  }
}

#ifndef _WIN32  // the locale environment variables; Windows asks the user's language instead
TEST(DateLocale, TheUsersLocaleIsLcAllThenLcTimeThenLang) {
  ScopedEnv all("LC_ALL", nullptr), time("LC_TIME", nullptr), lang("LANG", "he_IL.UTF-8");
  EXPECT_EQ(UserDateLocale(), kEnglishUnitedStates);
  {
    ScopedEnv t("LC_TIME", "de_DE.UTF-8");
    EXPECT_EQ(UserDateLocale(), kUserDefaultLocale);
    ScopedEnv a("LC_ALL", "ar_EG.UTF-8");
    EXPECT_EQ(UserDateLocale(), kEnglishUnitedStates);
  }
  {
    ScopedEnv a("LC_ALL", "");  // set but empty: not a choice
    EXPECT_EQ(UserDateLocale(), kEnglishUnitedStates);
  }
  ScopedEnv none("LANG", nullptr);
  EXPECT_EQ(UserDateLocale(), kUserDefaultLocale);
}

#endif

TEST(ShortDate, EnglishUnitedStatesIsMonthDayYearWithoutLeadingZeros) {
  EXPECT_EQ(ShortDate(2008, 3, 14, kEnglishUnitedStates), u"3/14/2008");
  EXPECT_EQ(ShortDate(2008, 12, 31, kEnglishUnitedStates), u"12/31/2008");
  EXPECT_EQ(ShortDate(2009, 1, 2, kEnglishUnitedStates), u"1/2/2009");
}

#ifndef _WIN32  // LC_ALL and the C locale's form
TEST(ShortDate, TheUsersDefaultFollowsTheirRegionalDateForm) {
  {
    ScopedEnv all("LC_ALL", "C");
    EXPECT_EQ(ShortDate(2008, 3, 14, kUserDefaultLocale), u"03/14/08");
  }
  {
    // A locale this machine does not have falls back to the C form rather than failing.
    ScopedEnv all("LC_ALL", "xx_NOWHERE.UTF-8");
    EXPECT_EQ(ShortDate(2008, 3, 14, kUserDefaultLocale), u"03/14/08");
  }
}
#endif

}  // namespace
}  // namespace quillon::platform
