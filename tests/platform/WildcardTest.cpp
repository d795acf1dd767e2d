#include "platform/Wildcard.h"

#include <gtest/gtest.h>

using quillon::platform::WildcardMatch;

TEST(Wildcard, StarMatchesAnyRunAndQuestionExactlyOne) {
  EXPECT_TRUE(WildcardMatch(u"*.IDX", u"ABC0001.IDX"));
  EXPECT_TRUE(WildcardMatch(u"*.IDX", u".IDX"));
  EXPECT_TRUE(WildcardMatch(u"???????*.M2T", u"ABC0001.M2T"));
  EXPECT_TRUE(WildcardMatch(u"???????*.M2T", u"ABC0001_2008-03-14_101530.M2T"));
  EXPECT_FALSE(WildcardMatch(u"???????*.M2T", u"AB.M2T"));  // shorter names are skipped
  EXPECT_TRUE(WildcardMatch(u"???HDVF", u"001HDVF"));
  EXPECT_FALSE(WildcardMatch(u"???HDVF", u"01HDVF"));
  EXPECT_FALSE(WildcardMatch(u"???HDVF", u"0001HDVF"));
}

TEST(Wildcard, LettersMatchWhateverTheirCase) {
  EXPECT_TRUE(WildcardMatch(u"*.M2T", u"x.m2t"));
  EXPECT_TRUE(WildcardMatch(u"???dvf", u"001DVF"));
  EXPECT_FALSE(WildcardMatch(u"*.DV", u"x.AVI"));
  EXPECT_FALSE(WildcardMatch(u"*.DV", u"x.DVX"));
}

TEST(Wildcard, ManyStarsDoNotBlowUp) {
  const std::u16string name(5000, u'a');
  EXPECT_FALSE(WildcardMatch(u"*a*a*a*a*a*a*a*a*b", name));
  EXPECT_TRUE(WildcardMatch(u"*a*a*a*a*a*a*a*a*", name));
}
