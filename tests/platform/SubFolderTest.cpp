// A folder opened or made within a held folder, by name, never through a link.
#include <gtest/gtest.h>

#include <filesystem>
#include <system_error>

#include "platform/FileSystem.h"
#include "support/TempDir.h"

namespace quillon::platform {
namespace {

using testsupport::TempDir;

TEST(SubFolder, IsMadeWhenAskedAndTakesOutputs) {
  TempDir dir;
  auto folder = Files().OpenFolder(dir.U16());
  ASSERT_TRUE(folder);
  EXPECT_FALSE(folder->SubFolder(u"history", false));
  auto made = folder->SubFolder(u"history", true);
  ASSERT_TRUE(made);
  EXPECT_TRUE(std::filesystem::is_directory(dir.Path() / "history"));
  auto out = made->CreateOutput(u"list.txt");
  ASSERT_TRUE(out);
  ASSERT_EQ(out->Write("x", 1), 1);
  ASSERT_TRUE(out->Sync() && out->Commit());
  EXPECT_EQ(testsupport::ReadFile(dir.Path() / "history" / "list.txt"), std::vector<unsigned char>{'x'});
  // Opened again, with or without create, it is the same folder.
  auto again = folder->SubFolder(u"history", false);
  ASSERT_TRUE(again);
  EXPECT_EQ(again->Id(), made->Id());
  EXPECT_TRUE(folder->SubFolder(u"history", true));
}

TEST(SubFolder, RefusesWhatIsNoFolderOfItsOwn) {
  TempDir dir;
  testsupport::WriteFile(dir.Path() / "file", "x");
  std::filesystem::create_directory(dir.Path() / "elsewhere");
  std::error_code linked;
  std::filesystem::create_directory_symlink(dir.Path() / "elsewhere", dir.Path() / "link", linked);
  auto folder = Files().OpenFolder(dir.U16());
  ASSERT_TRUE(folder);
  for (const char16_t* name : {u"file", u"link", u"a/b", u"..", u""}) {
    if (name == std::u16string_view(u"link") && linked) continue;  // no links here (Wine)
    for (const bool create : {false, true}) {
      EXPECT_FALSE(folder->SubFolder(name, create)) << std::string(name, name + std::char_traits<char16_t>::length(name));
    }
  }
  EXPECT_TRUE(std::filesystem::is_empty(dir.Path() / "elsewhere"));
}

}  // namespace
}  // namespace quillon::platform
