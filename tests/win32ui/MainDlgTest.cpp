// The Windows main window as the view of the main window's model: the drives, clips, marks and
// hint it is told to show, its controls reaching the model, and what is its own: volume changes
// (WM_DEVICECHANGE), the keys, the prefix number and the layout. The model's rules themselves
// are proven in tests/frontend.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <dbt.h>

#include <filesystem>

#include "MainWindowTestSupport.h"
#include "frontend/TextIds.h"
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

  TempDir dir;
  ScopedSettingsKey key;
  FakeDrives drives;
  RecordedMessages messages;
};

TEST_F(MainDlgTest, TheModelsDrivesClipsAndHintAreShown) {
  auto window = std::make_unique<MainWindow>(drives, key);
  EXPECT_TRUE(window->DriveTexts().empty());
  EXPECT_EQ(window->ComboText(window->ComboCount() - 1), win32ui::LoadText(IDS_OTHER_FOLDER));
  EXPECT_EQ(window->SelectedDriveIndex(), CB_ERR);
  EXPECT_TRUE(window->Shown(IDC_NO_UNIT_HINT));
  EXPECT_EQ(window->Text(IDC_NO_UNIT_HINT).rfind(L"No recording unit was found. Connect the unit and wait until it "
                                                 L"shows as a drive, or choose \"Other folder...\" under Drive", 0),
            0u);

  const auto c = Unit("C", {"CCC0001", "CCC0002"});
  const auto a = Unit("a", {"AAA0001"});
  drives.drives = {c.Drive(), a.Drive()};
  window = std::make_unique<MainWindow>(drives, key);
  EXPECT_EQ(window->DriveTexts(), (Names{D(a), D(c)})) << "in the model's order";
  EXPECT_EQ(window->ComboText(window->SelectedDriveIndex()), window->dlg().Drive());
  EXPECT_EQ(window->dlg().Drive(), D(c));
  EXPECT_EQ(window->ClipNames(), (Names{L"CCC0001", L"CCC0002"}));
  EXPECT_FALSE(window->Shown(IDC_NO_UNIT_HINT));
  EXPECT_FALSE(window->ImportEnabled());
  EXPECT_TRUE(messages.texts.empty());
}

TEST_F(MainDlgTest, TheControlsReachTheModel) {
  UnitTree u(dir, "U");
  PutFile(u.Flat(), "HDV0001.M2T");
  PutDvClip(u, "DVC0001");
  const auto b = Unit("V", {"BBB0001"});
  drives.drives = {u.Drive(), b.Drive()};
  MainWindow window(drives, key);
  ASSERT_EQ(window.dlg().Drive(), D(b));

  window.ChooseDrive(0);  // the selector's choice
  EXPECT_EQ(window.dlg().Drive(), D(u));
  EXPECT_EQ(window.ClipNames(), (Names{L"HDV0001", L"DVC0001"}));
  window.SelectClips({L"DVC0001"});  // the list's selection
  EXPECT_TRUE(window.ImportEnabled());
  window.Click(IDC_CLEAR_ALL);
  EXPECT_TRUE(window.SelectedClipNames().empty());
  EXPECT_FALSE(window.ImportEnabled());
  window.Click(IDC_SELECT_ALL);
  EXPECT_EQ(window.SelectedClipNames().size(), 2u);
  EXPECT_TRUE(window.ImportEnabled());
  window.Click(IDC_HDV);  // the format boxes
  EXPECT_EQ(window.ClipNames(), Names{L"DVC0001"});
  const int before = drives.asked;
  window.Click(IDC_REFRESH);
  EXPECT_EQ(drives.asked, before + 1);

  // "Other folder...": the browser's folder, without its trailing backslash, is listed and chosen.
  const std::wstring plain = W(dir.U16("dest"));
  window.browseAnswer = plain + L"\\";
  window.ChooseDrive(window.ComboCount() - 1);
  EXPECT_EQ(window.browseTitle, win32ui::LoadText(IDS_CHOOSE_UNIT_FOLDER));
  EXPECT_EQ(window.dlg().Drive(), plain);
  EXPECT_EQ(window.ComboText(window.SelectedDriveIndex()), plain);
  EXPECT_EQ(window.Text(IDC_NO_UNIT_HINT).rfind(plain + L" holds no recording unit's tree (VIDEO\\QVT", 0), 0u);
}

TEST_F(MainDlgTest, EachRowIsMarkedHomeOrNewAndSelectNewSelectsTheNewOnes) {
  const auto a = Unit("A", {"AAA0001", "AAA0002", "AAA0003"});
  drives.Add(a);
  MainWindow window(drives, key);
  const std::wstring home = win32ui::LoadText(IDS_HOME_HOME), fresh = win32ui::LoadText(IDS_HOME_NEW);
  EXPECT_TRUE(WaitFor([&] { return window.Marks() == Names(3, fresh); })) << "the destination holds none yet";

  window.Import({L"AAA0002"});
  EXPECT_TRUE(WaitFor([&] { return window.Marks() == Names{fresh, home, fresh}; }));
  EXPECT_EQ(window.ClipNames(), (Names{L"AAA0001", L"AAA0002", L"AAA0003"}));
  window.Click(IDC_SELECT_NEW);
  EXPECT_EQ(window.SelectedClipNames(), (Names{L"AAA0001", L"AAA0003"}));
  EXPECT_TRUE(window.ImportEnabled());

  // Another destination is looked at in its turn.
  window.browseAnswer = W(dir.U16("dest2"));
  std::filesystem::create_directories(*window.browseAnswer);
  window.Click(IDC_BROWSE);
  EXPECT_TRUE(WaitFor([&] { return window.Marks() == Names(3, fresh); }));
  EXPECT_TRUE(messages.texts.empty());
}

TEST_F(MainDlgTest, VolumesArrivingAndLeavingRefreshTheDrivesAfterTheDelay) {
  const auto a = Unit("A", {"AAA0001"});
  drives.drives = {a.Drive()};
  MainWindow window(drives, key, 300);
  for (const WPARAM event : {DBT_DEVICEARRIVAL, DBT_DEVICEREMOVECOMPLETE}) {
    const int before = drives.asked;
    VolumeEvent(window.hwnd(), event);
    Pump(100);
    EXPECT_EQ(drives.asked, before) << "refreshed before the delay";
    EXPECT_TRUE(WaitFor([&] { return drives.asked == before + 1; })) << event;
  }
  // Other devices and other events are not the window's business.
  const int before = drives.asked;
  VolumeEvent(window.hwnd(), DBT_DEVICEARRIVAL, DBT_DEVTYP_PORT);
  VolumeEvent(window.hwnd(), DBT_DEVICEQUERYREMOVE);
  Pump(600);
  EXPECT_EQ(drives.asked, before);
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


}  // namespace
}  // namespace quillon::testsupport::win32main
