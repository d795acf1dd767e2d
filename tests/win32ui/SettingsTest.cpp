// The destination folder, the drive, the second copy's folder and the ASC MHL history kept in the
// registry between runs, the documents folder as
// the first destination, the warning for a destination that is not on NTFS, and Browse.
#include <gtest/gtest.h>

#include <filesystem>

#include "MainWindowTestSupport.h"
#include "win32ui/Dialog.h"
#include "win32ui/Settings.h"
#include "win32ui/resource.h"

namespace quillon::testsupport::win32main {
namespace {

std::wstring W(const std::u16string& text) { return std::wstring(text.begin(), text.end()); }

class SettingsTest : public ::testing::Test {
 protected:
  TempDir dir;
  ScopedSettingsKey key;
  FakeDrives drives;
  RecordedMessages messages;
};

TEST_F(SettingsTest, FirstRunUsesTheDocumentsFolderAndPrefersNoDrive) {
  MainWindow window(drives, key);
  const std::wstring documents = window.dlg().Destination();
  EXPECT_EQ(std::filesystem::path(documents).filename(), L"Documents");
  EXPECT_TRUE(std::filesystem::is_directory(documents));
  EXPECT_EQ(window.Text(IDC_DESTINATION), documents);
  EXPECT_TRUE(window.dlg().Drive().empty());
  EXPECT_TRUE(messages.texts.empty()) << "the documents folder lies on NTFS";
}

TEST_F(SettingsTest, BrowseAndDriveAreSavedWhenTheWindowGoesAndReadAtTheNextStart) {
  UnitTree unit(dir, "unit");
  PutDvClip(unit, "CLP0001");
  drives.Add(unit);
  const std::wstring chosen = W(dir.U16("videos"));
  std::filesystem::create_directories(chosen);
  for (const bool exitButton : {true, false}) {
    key.Store(win32ui::kDestinationValue, W(dir.U16("")));
    {
      MainWindow window(drives, key);
      window.browseAnswer = chosen;
      window.Click(IDC_BROWSE);
      EXPECT_EQ(window.browseTitle, win32ui::LoadText(IDS_BROWSE_TITLE));
      EXPECT_EQ(window.Text(IDC_DESTINATION), chosen);
      EXPECT_EQ(key.Stored(win32ui::kDestinationValue), W(dir.U16(""))) << "nothing is written before the end";
      if (exitButton) {
        window.Click(IDOK);
      } else {
        window.Close();
      }
      EXPECT_FALSE(::IsWindow(window.hwnd()));
    }
    EXPECT_EQ(key.Stored(win32ui::kDestinationValue), chosen);
    EXPECT_EQ(key.Stored(win32ui::kDriveValue), W(unit.Drive()));
  }
  MainWindow next(drives, key);
  EXPECT_EQ(next.dlg().Destination(), chosen);
  EXPECT_EQ(next.dlg().Drive(), W(unit.Drive()));
  EXPECT_TRUE(messages.texts.empty());
}

TEST_F(SettingsTest, DestinationOnAVolumeThatIsNotNtfsIsWarnedAboutAndKept) {
  // A drive letter that names no drive: its file system cannot be asked, which counts as not NTFS.
  std::wstring drive;
  for (wchar_t letter = L'Y'; letter > L'F' && drive.empty(); --letter) {
    const std::wstring root = std::wstring(1, letter) + L":\\";
    if (::GetDriveTypeW(root.c_str()) == DRIVE_NO_ROOT_DIR) drive = root.substr(0, 2);
  }
  ASSERT_FALSE(drive.empty()) << "every drive letter is in use";
  const std::wstring elsewhere = drive + L"\\videos";
  key.Store(win32ui::kDestinationValue, elsewhere);
  {
    MainWindow window(drives, key);
    EXPECT_EQ(messages.texts, std::vector<std::wstring>{win32ui::LoadText(IDS_NOT_NTFS)});
    EXPECT_EQ(window.dlg().Destination(), elsewhere);

    // A folder chosen there is warned about too, and taken.
    window.browseAnswer = drive + L"\\other";
    window.Click(IDC_BROWSE);
    EXPECT_EQ(messages.texts.size(), 2u);
    EXPECT_EQ(window.Text(IDC_DESTINATION), drive + L"\\other");
  }
  EXPECT_EQ(key.Stored(win32ui::kDestinationValue), drive + L"\\other");
}

TEST_F(SettingsTest, StoredValuesThatCannotBeUsedGiveTheDefaults) {
  const std::wstring documents = win32ui::GetDefaultDestination();
  key.StoreNumber(win32ui::kDestinationValue, 7);
  key.StoreNumber(win32ui::kDriveValue, 5);
  key.StoreNumber(win32ui::kSecondCopyValue, 3);
  key.Store(win32ui::kMhlValue, L"1");
  auto stored = win32ui::ReadStoredSettings(key.Path());
  EXPECT_EQ(stored.destination, documents);
  EXPECT_EQ(stored.drive, L"");
  EXPECT_EQ(stored.secondCopy, L"");
  EXPECT_FALSE(stored.keepMhl);

  // A relative destination or second copy would follow the working folder.
  key.Store(win32ui::kDestinationValue, L"videos");
  key.Store(win32ui::kDriveValue, L"E:");
  key.Store(win32ui::kSecondCopyValue, L"copies");
  key.StoreNumber(win32ui::kMhlValue, 2);
  stored = win32ui::ReadStoredSettings(key.Path());
  EXPECT_EQ(stored.destination, documents);
  EXPECT_EQ(stored.drive, L"E:");
  EXPECT_EQ(stored.secondCopy, L"");
  EXPECT_TRUE(stored.keepMhl) << "any number but 0";

  for (const std::wstring path : {L"D:\\videos", L"\\\\server\\share\\videos"}) {
    key.Store(win32ui::kDestinationValue, path);
    key.Store(win32ui::kSecondCopyValue, path);
    EXPECT_EQ(win32ui::ReadStoredSettings(key.Path()).destination, path);
    EXPECT_EQ(win32ui::ReadStoredSettings(key.Path()).secondCopy, path);
  }
}

TEST(VolumeRootTest, DriveLetterOrTheRootOfTheCurrentDrive) {
  const struct {
    const wchar_t* path;
    const wchar_t* root;
  } cases[] = {
      {L"C:\\Users\\me\\Videos", L"C:\\"},
      {L"D:", L"D:\\"},
      {L"\\\\server\\share\\videos", L"\\"},
      {L"", L"\\"},
      {L"v:", L"v:\\"},
  };
  for (const auto& c : cases) EXPECT_EQ(win32ui::VolumeRootOf(c.path), c.root) << c.path;
}

}  // namespace
}  // namespace quillon::testsupport::win32main
