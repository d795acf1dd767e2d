// quillon.exe as a user starts it: one copy at a time, a second start bringing the first to the
// front, and the main window in the user's language (the one QUILLON_EXPECT_LANG names).
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "MainWindowTestSupport.h"
#include "win32ui/Dialog.h"
#include "win32ui/resource.h"

namespace quillon::testsupport::win32main {
namespace {

// The top-level windows captioned "Quillon", with the processes they belong to.
std::vector<DWORD> QuillonWindowOwners() {
  std::vector<DWORD> owners;
  ::EnumWindows(
      [](HWND window, LPARAM data) -> BOOL {
        wchar_t caption[64] = {};
        ::GetWindowTextW(window, caption, 64);
        if (std::wstring(caption) == L"Quillon" && ::IsWindowVisible(window)) {
          DWORD process = 0;
          ::GetWindowThreadProcessId(window, &process);
          reinterpret_cast<std::vector<DWORD>*>(data)->push_back(process);
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&owners));
  return owners;
}

// Run by scripts/windows-tests.sh around two starts of quillon.exe: once the first has shown its
// window, and again after the second start has ended. Either time exactly one window is open.
TEST(StartupTest, OneProgramWindowIsOpen) {
  if (!std::getenv("QUILLON_EXPECT_ONE_WINDOW")) GTEST_SKIP() << "QUILLON_EXPECT_ONE_WINDOW is not set";
  ASSERT_TRUE(WaitFor([] { return !QuillonWindowOwners().empty(); }, 30000)) << "no window captioned Quillon";
  Pump(500);
  const std::vector<DWORD> owners = QuillonWindowOwners();
  EXPECT_EQ(owners.size(), 1u);
  EXPECT_NE(owners.front(), ::GetCurrentProcessId());
}

// Run by scripts/windows-tests.sh while quillon.exe runs: this test takes the foreground with a
// window of its own, says so by making the file QUILLON_READY_FILE names, and then waits for the
// second start of quillon.exe to bring the first copy's window to the front.
TEST(StartupTest, ASecondStartRaisesTheFirst) {
  const char* ready = std::getenv("QUILLON_READY_FILE");
  if (!ready) GTEST_SKIP() << "QUILLON_READY_FILE is not set";
  ASSERT_TRUE(WaitFor([] { return QuillonWindowOwners().size() == 1; }, 30000)) << "no window captioned Quillon";
  const DWORD first = QuillonWindowOwners().front();

  const HWND mine = ::CreateWindowExW(0, L"STATIC", L"in front", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200, 100,
                                      nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(mine, nullptr);
  ::SetForegroundWindow(mine);
  ASSERT_TRUE(WaitFor([&] { return ::GetForegroundWindow() == mine; }, 5000));
  const HANDLE marker = ::CreateFileA(ready, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(marker, INVALID_HANDLE_VALUE);
  ::CloseHandle(marker);

  const auto frontProcess = [] {
    DWORD process = 0;
    ::GetWindowThreadProcessId(::GetForegroundWindow(), &process);
    return process;
  };
  EXPECT_TRUE(WaitFor([&] { return frontProcess() == first; }, 30000)) << "the first copy stayed behind";
  ::DestroyWindow(mine);
}

TEST(StartupTest, TheMainWindowSpeaksTheUsersLanguage) {
  const char* expected = std::getenv("QUILLON_EXPECT_LANG");
  if (!expected || std::string(expected) != "ja") GTEST_SKIP() << "QUILLON_EXPECT_LANG=ja is not set";
  EXPECT_EQ(PRIMARYLANGID(::GetUserDefaultUILanguage()), LANG_JAPANESE);

  ScopedSettingsKey key;
  FakeDrives drives;
  RecordedMessages messages;
  MainWindow window(drives, key);
  EXPECT_EQ(window.Text(IDC_IMPORT), L"取り込み(&I)");
  EXPECT_EQ(window.Text(IDOK), L"終了(&X)");
  EXPECT_EQ(window.Text(IDC_BROWSE), L"参照(&B)...");
  EXPECT_EQ(window.Text(IDC_SELECT_NEW), L"新規を選択(&N)");
  EXPECT_EQ(window.ComboText(window.ComboCount() - 1), L"その他のフォルダー...");
  EXPECT_EQ(win32ui::LoadText(IDS_VERSION), L"バージョン情報");
  EXPECT_EQ(win32ui::LoadText(IDS_TITLE), L"Quillon");
  EXPECT_EQ(window.Text(IDC_NO_UNIT_HINT).rfind(L"録画ユニットが見つかりません。", 0), 0u);
}

}  // namespace
}  // namespace quillon::testsupport::win32main
