#include "platform/Text.h"

#include <gtest/gtest.h>

#include "platform/FileSystem.h"
#include "support/TempDir.h"
#include "support/UnitTree.h"

namespace quillon::platform {
namespace {

TEST(Text, ValidUtf8BecomesTheSameCharacters) {
  EXPECT_EQ(FromUtf8("ABC0001.M2T"), u"ABC0001.M2T");
  EXPECT_EQ(FromUtf8("\xC3\xA9\xE6\x98\xA0\xE5\x83\x8F"), u"\u00E9\u6620\u50CF");
  EXPECT_EQ(FromUtf8("\xF0\x9F\x8E\xA5"), u"\U0001F3A5");  // a surrogate pair
  EXPECT_EQ(ToUtf8(u"\u00E9\u6620\u50CF\U0001F3A5"), "\xC3\xA9\xE6\x98\xA0\xE5\x83\x8F\xF0\x9F\x8E\xA5");
}

TEST(Text, AnyByteSequenceSurvivesTheRoundTrip) {
  const std::string names[] = {
      std::string("\xFF\xFE"),                      // never valid
      std::string("ABC\x80" "0001.M2T"),            // a stray continuation byte
      std::string("\xC3"),                          // cut short at the end
      std::string("\xC3" "A"),                      // cut short before ASCII
      std::string("\xC0\xAF"),                      // overlong '/'
      std::string("\xE0\x80\xAF"),                  // overlong, three bytes
      std::string("\xED\xA0\x80\xED\xB0\x80"),      // surrogates encoded as UTF-8
      std::string("\xF4\x90\x80\x80"),              // beyond U+10FFFF
      std::string("\xF0\x90\x82\x80" "\x80"),       // U+10080 (low surrogate DC80) then a raw 0x80
      std::string("caf\xE9" ".DV"),                 // Latin-1 written by another system
  };
  for (const auto& bytes : names) {
    const std::u16string text = FromUtf8(bytes);
    EXPECT_EQ(ToUtf8(text), bytes) << testing::PrintToString(bytes);
  }
  // Raw bytes stand for themselves as lone low surrogates and never merge with neighbours.
  EXPECT_EQ(FromUtf8("\xFF" "A"), u"\xDCFF" u"A");
  EXPECT_EQ(FromUtf8("\xC3"), u"\xDCC3");
}

TEST(Text, LoneSurrogatesThatNoByteStandsForBecomeReplacementCharacters) {
  EXPECT_EQ(ToUtf8(u"\xD800"), "\xEF\xBF\xBD");
  EXPECT_EQ(ToUtf8(u"A\xDC00" u"B"), "A\xEF\xBF\xBD" "B");
}

TEST(Text, AFileWithAnInvalidNameCanBeFoundAndOpened) {
#ifdef _WIN32
  GTEST_SKIP() << "Windows names are UTF-16: no name is made of invalid bytes";
#endif
  testsupport::TempDir dir;
  testsupport::PutFile(dir.Path(), "ABC0001\xFF.M2T", testsupport::ChunkBytes(1));
  const auto found = Files().Find(dir.U16(), u"*.M2T");
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0].name, u"ABC0001\xDCFF.M2T");
  auto file = Files().OpenRead(found[0].path);
  ASSERT_NE(file, nullptr);
  EXPECT_EQ(file->Size(), 188u);
}

}  // namespace
}  // namespace quillon::platform
