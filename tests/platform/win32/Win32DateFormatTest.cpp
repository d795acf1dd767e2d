#include <gtest/gtest.h>

#include "platform/DateFormat.h"

namespace quillon::platform {
namespace {

TEST(Win32ShortDate, TheDateLocaleChoosesTheSystemsShortDateForm) {
  // Each locale's exact form is the system's business; that another locale gives another form
  // and the same date is not.
  EXPECT_EQ(ShortDate(2008, 3, 14, kEnglishUnitedStates), u"3/14/2008");
  for (const std::uint32_t locale : {0x0411u, 0x0407u, 0x0809u}) {  // Japanese, German, English (UK)
    const std::u16string text = ShortDate(2008, 3, 14, locale);
    EXPECT_NE(text, u"3/14/2008") << std::hex << locale;
    EXPECT_NE(text.find(u"2008"), std::u16string::npos) << std::hex << locale;
    EXPECT_NE(text.find(u"14"), std::u16string::npos) << std::hex << locale;
  }
}

TEST(Win32ShortDate, DatesOutsideTheVariantRangeHaveNoText) {
  EXPECT_EQ(ShortDate(99, 12, 31, kEnglishUnitedStates), u"");
  EXPECT_EQ(ShortDate(10000, 1, 1, kEnglishUnitedStates), u"");
  EXPECT_EQ(ShortDate(100, 1, 1, kEnglishUnitedStates), u"1/1/100");
}

}  // namespace
}  // namespace quillon::platform
