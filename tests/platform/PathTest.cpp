#include "platform/Path.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/NativePath.h"
#include "support/UnitTree.h"

namespace quillon::platform {
namespace {

using testsupport::P;

TEST(Path, PartsAreJoinedAndSplitAtThisSystemsSeparator) {
  const std::u16string path = JoinPath(P(u"/m/UNIT"), {u"VIDEO", u"QVT"});
  EXPECT_EQ(path, P(u"/m/UNIT/VIDEO/QVT"));
  EXPECT_EQ(LastComponent(path), u"QVT");
  EXPECT_EQ(ParentPart(path), P(u"/m/UNIT/VIDEO"));
  EXPECT_EQ(StripTrailingSeparators(P(u"/m/UNIT//")), P(u"/m/UNIT"));
  EXPECT_EQ(StripTrailingSeparators(P(u"/")), P(u"/"));
#ifdef _WIN32
  // A drive root given with its separator is the drive; "/" typed by the user is a separator.
  EXPECT_EQ(StripTrailingSeparators(u"E:\\"), u"E:");
  EXPECT_EQ(NativeSeparators(u"E:/VIDEO/QVT"), u"E:\\VIDEO\\QVT");
#else
  // A backslash is an ordinary character of a Linux name.
  EXPECT_EQ(NativeSeparators(u"a\\b/c"), u"a\\b/c");
  EXPECT_EQ(LastComponent(u"/m/a\\b"), u"a\\b");
#endif
}

TEST(Path, AbsolutePathResolvesDotsAgainstTheWorkingFolder) {
  const std::u16string cwd = testsupport::U16(std::filesystem::current_path());
  EXPECT_EQ(AbsolutePath(P(u"a/../b")), cwd + P(u"/b"));
  EXPECT_EQ(AbsolutePath(P(u"./a/./../b")), cwd + P(u"/b"));
  // An absolute path only loses its dots (on Windows it is on the working folder's drive).
  EXPECT_TRUE(AbsolutePath(P(u"/x/y/../z")).ends_with(P(u"/x/z")));
  EXPECT_EQ(AbsolutePath(cwd + P(u"/c/..")), cwd + P(u"/"));
}

}  // namespace
}  // namespace quillon::platform
