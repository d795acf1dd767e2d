// The Windows main window's drive and clip-list rules: which drive is chosen at start and after
// units come and go (WM_DEVICECHANGE), which clips stay selected across rescans, what Import's
// button shows, the format boxes, the keys and the prefix number.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <dbt.h>

#include <filesystem>

#include "MainWindowTestSupport.h"
#include "win32ui/Dialog.h"
#include "win32ui/Settings.h"
#include "win32ui/resource.h"

namespace quillon::testsupport::win32main {
namespace {

using Names = std::vector<std::wstring>;

class MainDlgTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::create_directories(dir.Path() / "dest");
    key.Store(win32ui::kDestinationValue, W(dir.U16("dest")));
  }

  UnitTree Unit(std::string_view name, std::initializer_list<std::string_view> clips) {
    UnitTree unit(dir, name);
    unit.Flat();
    for (auto clip : clips) PutDvClip(unit, clip);
    return unit;
  }

  static std::wstring W(const std::u16string& text) { return std::wstring(text.begin(), text.end()); }
  static std::wstring D(const UnitTree& unit) { return W(unit.Drive()); }

  // A volume arriving or leaving, as the system tells the window.
  static void VolumeEvent(HWND window, WPARAM event, DWORD deviceType = DBT_DEVTYP_VOLUME) {
    DEV_BROADCAST_VOLUME volume{};
    volume.dbcv_size = sizeof volume;
    volume.dbcv_devicetype = deviceType;
    volume.dbcv_unitmask = 1u << 4;  // E:
    ::SendMessageW(window, WM_DEVICECHANGE, event, reinterpret_cast<LPARAM>(&volume));
  }

  // A volume change and the one refresh that follows it.
  void VolumeChange(MainWindow& window, WPARAM event = DBT_DEVICEARRIVAL) {
    const int before = drives.asked;
    VolumeEvent(window.hwnd(), event);
    ASSERT_TRUE(WaitFor([&] { return drives.asked > before; }));
    Pump(20);
  }

  TempDir dir;
  ScopedSettingsKey key;
  FakeDrives drives;
  RecordedMessages messages;
};

TEST_F(MainDlgTest, SavedDriveStillPresentIsSelectedAgainAndListed) {
  const auto a = Unit("A", {"AAA0001"});
  const auto b = Unit("B", {"BBB0001", "BBB0002"});
  drives.drives = {a.Drive(), b.Drive()};
  key.Store(win32ui::kDriveValue, D(a));
  MainWindow window(drives, key);
  EXPECT_EQ(window.dlg().Drive(), D(a));
  EXPECT_EQ(window.ComboText(window.SelectedDriveIndex()), D(a));
  EXPECT_EQ(window.ClipNames(), Names{L"AAA0001"});
  EXPECT_FALSE(window.ImportEnabled());
  EXPECT_TRUE(messages.texts.empty());
}

TEST_F(MainDlgTest, SavedDriveGoneFallsBackToTheLastDriveAndOtherFolderComesLast) {
  const auto a = Unit("A", {"AAA0001"});
  const auto c = Unit("C", {"CCC0001"});
  drives.drives = {c.Drive(), a.Drive()};
  // A saved folder that is a prefix of a listed one is not that one.
  key.Store(win32ui::kDriveValue, W(dir.U16("")));
  MainWindow window(drives, key);
  EXPECT_EQ(window.DriveTexts(), (Names{D(a), D(c)}));
  EXPECT_EQ(window.ComboText(window.ComboCount() - 1), win32ui::LoadText(IDS_OTHER_FOLDER));
  EXPECT_EQ(window.dlg().Drive(), D(c));
  EXPECT_EQ(window.ClipNames(), Names{L"CCC0001"});
}

TEST_F(MainDlgTest, SecondUnitArrivingLeavesTheSelectedDriveAndItsListAlone) {
  const auto a = Unit("A", {"AAA0001", "AAA0002"});
  drives.drives = {a.Drive()};
  MainWindow window(drives, key);
  window.SelectClips({L"AAA0002"});
  ASSERT_EQ(window.SelectedClipNames(), Names{L"AAA0002"});

  PutDvClip(a, "AAA0003");  // would show, were the list scanned again
  const auto b = Unit("B", {"BBB0001"});
  drives.Add(b);
  VolumeChange(window);
  EXPECT_EQ(window.DriveTexts(), (Names{D(a), D(b)}));
  EXPECT_EQ(window.dlg().Drive(), D(a));
  EXPECT_EQ(window.ClipNames(), (Names{L"AAA0001", L"AAA0002"}));
  EXPECT_EQ(window.SelectedClipNames(), Names{L"AAA0002"});
}

TEST_F(MainDlgTest, SelectedUnitRemovedFallsBackAndComingBackDoesNotTakeOver) {
  const auto a = Unit("A", {"AAA0001"});
  const auto b = Unit("B", {"BBB0001"});
  drives.drives = {a.Drive(), b.Drive()};
  MainWindow window(drives, key);
  ASSERT_EQ(window.dlg().Drive(), D(b));

  drives.Remove(b);
  VolumeChange(window, DBT_DEVICEREMOVECOMPLETE);
  EXPECT_EQ(window.DriveTexts(), Names{D(a)});
  EXPECT_EQ(window.dlg().Drive(), D(a));
  EXPECT_EQ(window.ClipNames(), Names{L"AAA0001"});

  drives.Add(b);
  VolumeChange(window);
  EXPECT_EQ(window.DriveTexts().size(), 2u);
  EXPECT_EQ(window.dlg().Drive(), D(a)) << "a unit coming back does not take the selection";

  // The last unit gone: nothing listed, nothing to import, and the drive saved empty.
  window.SelectClips({L"AAA0001"});
  drives.drives.clear();
  VolumeChange(window, DBT_DEVICEREMOVECOMPLETE);
  EXPECT_TRUE(window.DriveTexts().empty());
  EXPECT_TRUE(window.ClipNames().empty());
  EXPECT_TRUE(window.dlg().Drive().empty());
  EXPECT_FALSE(window.ImportEnabled());
  EXPECT_EQ(window.dlg().Catalogue().Count(), 0u);
  EXPECT_TRUE(window.Shown(IDC_NO_UNIT_HINT));
  window.Close();
  EXPECT_EQ(key.Stored(win32ui::kDriveValue), std::wstring());
}

TEST_F(MainDlgTest, DeviceChangeRefreshesOnceAfterTheDelayWithoutHoldingTheWindow) {
  const auto a = Unit("A", {"AAA0001"});
  drives.drives = {a.Drive()};
  MainWindow window(drives, key, 400);
  const int before = drives.asked;

  const auto sent = std::chrono::steady_clock::now();
  VolumeEvent(window.hwnd(), DBT_DEVICEARRIVAL);
  VolumeEvent(window.hwnd(), DBT_DEVICEREMOVECOMPLETE);
  // A window thread that waited out the delay would take 800 ms over the two events.
  EXPECT_LT(std::chrono::steady_clock::now() - sent, std::chrono::milliseconds(600)) << "the window thread waited";
  EXPECT_EQ(drives.asked, before);
  Pump(150);
  EXPECT_EQ(drives.asked, before) << "refreshed before the delay";
  ASSERT_TRUE(WaitFor([&] { return drives.asked > before; }));
  Pump(600);
  EXPECT_EQ(drives.asked, before + 1) << "two changes in quick succession bring one refresh";

  // Other devices and other events are not the window's business.
  VolumeEvent(window.hwnd(), DBT_DEVICEARRIVAL, DBT_DEVTYP_PORT);
  VolumeEvent(window.hwnd(), DBT_DEVICEQUERYREMOVE);
  Pump(700);
  EXPECT_EQ(drives.asked, before + 1);
}

TEST_F(MainDlgTest, RefreshKeepsTheSelectedClipsByNameWhereverTheirRowsMove) {
  const auto a = Unit("A", {"AAA0002", "AAA0003"});
  drives.drives = {a.Drive()};
  MainWindow window(drives, key);
  window.SelectClips({L"AAA0003"});

  PutDvClip(a, "AAA0001");  // sorts first: every row moves down
  window.Click(IDC_REFRESH);
  EXPECT_EQ(window.ClipNames(), (Names{L"AAA0001", L"AAA0002", L"AAA0003"}));
  EXPECT_EQ(window.SelectedClipNames(), Names{L"AAA0003"});
  EXPECT_TRUE(window.ImportEnabled());

  std::filesystem::remove(a.Flat() / "AAA0003.DV");
  window.Click(IDC_REFRESH);
  EXPECT_TRUE(window.SelectedClipNames().empty());
  EXPECT_FALSE(window.ImportEnabled());
}

TEST_F(MainDlgTest, ChoosingAnotherDriveClearsTheSelectionTheSameDriveChangesNothing) {
  const auto a = Unit("A", {"SAM0001"});
  const auto b = Unit("B", {"SAM0001"});
  drives.drives = {a.Drive(), b.Drive()};
  MainWindow window(drives, key);
  window.SelectClips({L"SAM0001"});

  window.ChooseDrive(window.SelectedDriveIndex());
  EXPECT_EQ(window.SelectedClipNames(), Names{L"SAM0001"});

  window.ChooseDrive(0);
  EXPECT_EQ(window.dlg().Drive(), D(a));
  EXPECT_EQ(window.ClipNames(), Names{L"SAM0001"});
  EXPECT_TRUE(window.SelectedClipNames().empty()) << "the same name on another drive is another clip";
  EXPECT_FALSE(window.ImportEnabled());
}

TEST_F(MainDlgTest, FormatBoxesRescanAtOnce) {
  UnitTree unit(dir, "U");
  PutFile(unit.Flat(), "HDV0001.M2T");
  PutDvClip(unit, "DVC0001");
  drives.Add(unit);
  MainWindow window(drives, key);
  ASSERT_EQ(window.ClipNames(), (Names{L"HDV0001", L"DVC0001"}));

  window.Click(IDC_HDV);
  EXPECT_EQ(window.ClipNames(), Names{L"DVC0001"});
  window.Click(IDC_DV);
  EXPECT_TRUE(window.ClipNames().empty());
  window.Click(IDC_HDV);
  EXPECT_EQ(window.ClipNames(), Names{L"HDV0001"});
}

TEST_F(MainDlgTest, SelectAllAndClearAllDecideTheImportButton) {
  const auto empty = Unit("E", {});
  drives.Add(empty);
  MainWindow window(drives, key);
  window.Click(IDC_SELECT_ALL);
  EXPECT_FALSE(window.ImportEnabled()) << "nothing to import on an empty unit";

  const auto full = Unit("F", {"FUL0001", "FUL0002", "FUL0003"});
  drives.drives = {full.Drive()};
  window.Click(IDC_REFRESH);
  window.Click(IDC_SELECT_ALL);
  EXPECT_EQ(window.SelectedClipNames().size(), 3u);
  EXPECT_TRUE(window.ImportEnabled());

  window.Click(IDC_CLEAR_ALL);
  EXPECT_TRUE(window.SelectedClipNames().empty());
  EXPECT_FALSE(window.ImportEnabled());

  window.SelectClips({L"FUL0002"});
  EXPECT_EQ(window.SelectedClipNames(), Names{L"FUL0002"});
  EXPECT_TRUE(window.ImportEnabled());
}

TEST_F(MainDlgTest, WithoutAUnitTheListShowsAHintAndOtherFolderAddsAnyFolder) {
  const auto copy = Unit("copy", {"CPY0001"});  // a unit's tree that is no drive
  auto window = std::make_unique<MainWindow>(drives, key);
  EXPECT_TRUE(window->Shown(IDC_NO_UNIT_HINT));
  EXPECT_TRUE(window->DriveTexts().empty());
  const int other = window->ComboCount() - 1;

  window->ChooseDrive(other);  // the browser is cancelled
  EXPECT_EQ(window->browseTitle, win32ui::LoadText(IDS_CHOOSE_UNIT_FOLDER));
  EXPECT_EQ(window->SelectedDriveIndex(), CB_ERR) << "a cancelled browser changes nothing";

  // A folder without a unit's tree is taken as asked, and the hint says what it lacks.
  const std::wstring plain = W(dir.U16("dest"));
  window->browseAnswer = plain + L"\\";
  window->ChooseDrive(window->ComboCount() - 1);
  EXPECT_EQ(window->dlg().Drive(), plain);
  EXPECT_TRUE(window->Shown(IDC_NO_UNIT_HINT));
  EXPECT_EQ(window->Text(IDC_NO_UNIT_HINT).rfind(plain + L" holds no recording unit's tree", 0), 0u)
      << window->Text(IDC_NO_UNIT_HINT);

  window->browseAnswer = D(copy);
  window->ChooseDrive(window->ComboCount() - 1);
  EXPECT_EQ(window->DriveTexts(), (Names{D(copy), plain}));
  EXPECT_EQ(window->dlg().Drive(), D(copy));
  EXPECT_EQ(window->ClipNames(), Names{L"CPY0001"});
  EXPECT_FALSE(window->Shown(IDC_NO_UNIT_HINT));

  // Saved as the drive, it is the source again at the next start.
  window.reset();
  EXPECT_EQ(key.Stored(win32ui::kDriveValue), D(copy));
  MainWindow next(drives, key);
  EXPECT_EQ(next.dlg().Drive(), D(copy));
  EXPECT_EQ(next.ClipNames(), Names{L"CPY0001"});
}

TEST_F(MainDlgTest, CtrlASelectsEverythingCtrlF5RefreshesEscapeDoesNotClose) {
  const auto a = Unit("A", {"AAA0001", "AAA0002"});
  drives.Add(a);
  MainWindow window(drives, key);
  // Ctrl held, as the key messages below find it.
  BYTE keys[256] = {};
  ::GetKeyboardState(keys);
  keys[VK_CONTROL] = keys[VK_LCONTROL] = 0x80;
  ::SetKeyboardState(keys);
  auto key_down = [](HWND target, WPARAM key) {
    ::PostMessageW(target, WM_KEYDOWN, key, 1);
    Pump(20);
  };

  key_down(window.item(IDC_CLIP_LIST), 'A');
  EXPECT_EQ(window.SelectedClipNames().size(), 2u);
  EXPECT_TRUE(window.ImportEnabled());

  window.Click(IDC_CLEAR_ALL);
  key_down(window.item(IDC_PREFIX), 'A');
  EXPECT_EQ(window.SelectedClipNames().size(), 2u) << "Ctrl+A belongs to the window, not the edit";

  PutDvClip(a, "AAA0003");
  const int before = drives.asked;
  key_down(window.item(IDC_CLIP_LIST), VK_F5);
  EXPECT_EQ(drives.asked, before + 1);
  EXPECT_EQ(window.ClipNames().size(), 3u);

  keys[VK_CONTROL] = keys[VK_LCONTROL] = 0;
  ::SetKeyboardState(keys);
  key_down(window.item(IDC_CLIP_LIST), VK_ESCAPE);
  key_down(window.hwnd(), VK_ESCAPE);
  EXPECT_TRUE(::IsWindow(window.hwnd())) << "Escape closed the window";
}

TEST_F(MainDlgTest, PrefixNumberStepsWrapsAndKeepsTheLastValidPosition) {
  MainWindow window(drives, key);
  const HWND edit = window.item(IDC_PREFIX);
  EXPECT_EQ(window.Text(IDC_PREFIX), L"0");
  EXPECT_EQ(reinterpret_cast<HWND>(::SendMessageW(window.item(IDC_PREFIX_SPIN), UDM_GETBUDDY, 0, 0)), edit);

  auto key_down = [&](WPARAM key) {
    ::SendMessageW(edit, WM_KEYDOWN, key, 1);
    ::SendMessageW(edit, WM_KEYUP, key, 0xC0000001);
  };
  key_down(VK_DOWN);
  EXPECT_EQ(window.Text(IDC_PREFIX), L"99");
  key_down(VK_UP);
  EXPECT_EQ(window.Text(IDC_PREFIX), L"0");
  key_down(VK_UP);
  key_down(VK_UP);
  EXPECT_EQ(window.dlg().PrefixPosition(), 2);

  ::SendMessageW(edit, EM_SETSEL, 0, -1);
  for (wchar_t c : std::wstring(L"7x1-9")) ::SendMessageW(edit, WM_CHAR, c, 1);
  EXPECT_EQ(window.Text(IDC_PREFIX), L"71") << "digits only, two at most";
  EXPECT_EQ(window.dlg().PrefixPosition(), 71);

  ::SetWindowTextW(edit, L"");
  EXPECT_EQ(window.dlg().PrefixPosition(), 71) << "an empty edit keeps the last valid number";
}

TEST_F(MainDlgTest, ALargerWindowGrowsTheListAndKeepsTheButtonsAtTheEdges) {
  MainWindow window(drives, key);
  auto place = [&](int id) {
    RECT rect{};
    ::GetWindowRect(window.item(id), &rect);
    ::MapWindowPoints(HWND_DESKTOP, window.hwnd(), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
  };
  RECT frame{};
  ::GetWindowRect(window.hwnd(), &frame);
  MINMAXINFO limits{};
  ::SendMessageW(window.hwnd(), WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&limits));
  EXPECT_EQ(limits.ptMinTrackSize.x, frame.right - frame.left) << "the template's size is the smallest";
  EXPECT_EQ(limits.ptMinTrackSize.y, frame.bottom - frame.top);

  const RECT list = place(IDC_CLIP_LIST), import = place(IDC_IMPORT), prefix = place(IDC_PREFIX);
  ::SetWindowPos(window.hwnd(), nullptr, 0, 0, frame.right - frame.left + 100, frame.bottom - frame.top + 50,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  const RECT wider = place(IDC_CLIP_LIST);
  EXPECT_EQ(wider.right - wider.left, list.right - list.left + 100);
  EXPECT_EQ(wider.bottom - wider.top, list.bottom - list.top + 50);
  EXPECT_EQ(place(IDC_IMPORT).left, import.left + 100);
  EXPECT_EQ(place(IDC_PREFIX).top, prefix.top + 50);
  EXPECT_EQ(place(IDC_PREFIX).left, prefix.left);
}

// The overwrite question an import asks, once it shows.
HWND OverwriteQuestionWindow() {
  HWND found = nullptr;
  ::EnumWindows(
      [](HWND window, LPARAM data) -> BOOL {
        DWORD process = 0;
        ::GetWindowThreadProcessId(window, &process);
        if (process != ::GetCurrentProcessId() || !::IsWindowVisible(window) || !::GetDlgItem(window, IDC_QUESTION))
          return TRUE;
        *reinterpret_cast<HWND*>(data) = window;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&found));
  return found;
}

TEST_F(MainDlgTest, UnitsComingAndGoingDuringAnImportBringOneRefreshAfterIt) {
  const auto a = Unit("A", {"CLP0001"});
  drives.drives = {a.Drive()};
  // An output of that name already there: the import waits for the overwrite question.
  WriteFile(dir.Path() / "dest" / "CLP0001.DV", "older");
  MainWindow window(drives, key, 100);
  window.SelectClips({L"CLP0001"});
  const int before = drives.asked;
  bool heldBack = false;
  HWND question = nullptr;
  TimerSteps steps({
      [&] {
        question = OverwriteQuestionWindow();
        if (!question) return false;
        VolumeEvent(window.hwnd(), DBT_DEVICEARRIVAL);
        VolumeEvent(window.hwnd(), DBT_DEVICEREMOVECOMPLETE);
        return true;
      },
      [&] {
        if (!window.dlg().RefreshPending()) return false;  // the delay has passed, the refresh waits
        heldBack = drives.asked == before && window.dlg().ImportRunning();
        ::PostMessageW(question, WM_COMMAND, MAKEWPARAM(IDC_ANSWER_NO, BN_CLICKED), 0);
        return true;
      },
  });

  window.Click(IDC_IMPORT);  // returns once the import has ended
  EXPECT_TRUE(steps.Done());
  EXPECT_TRUE(heldBack) << "the drives were looked at during the import";
  ASSERT_TRUE(WaitFor([&] { return drives.asked > before; }));
  Pump(400);
  EXPECT_EQ(drives.asked, before + 1);
  EXPECT_FALSE(window.dlg().RefreshPending());
  EXPECT_EQ(ReadFile(dir.Path() / "dest" / "CLP0001.DV"), (std::vector<unsigned char>{'o', 'l', 'd', 'e', 'r'}));
  // The status line tells what the import did, with the way to its folder.
  EXPECT_FALSE(window.Text(IDC_SUMMARY_HEAD).empty());
  EXPECT_TRUE(window.Shown(IDC_OPEN_FOLDER));
}

}  // namespace
}  // namespace quillon::testsupport::win32main
