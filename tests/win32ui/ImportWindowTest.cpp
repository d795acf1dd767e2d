// Imports through the main window. The rules of an import are the front-end layer's, proven in
// tests/frontend; here each kind of event reaches the window once: a notice and a failure as
// message boxes, the progress window opening, moving and closing while the main window takes no
// input, the overwrite question answered by each of its buttons and withdrawn by Cancel, the
// status line shown after an import and cleared when another unit is chosen, its offer to
// rescue a clip the unit could not give, and the second copy and the ASC MHL history.
#include <gtest/gtest.h>
#include <windows.h>
// After windows.h, which it needs.
#include <commctrl.h>

#include <filesystem>

#include "MainWindowTestSupport.h"
#include "support/FaultyFileSystem.h"
#include "win32ui/Dialog.h"
#include "win32ui/Settings.h"
#include "win32ui/resource.h"

namespace quillon::testsupport::win32main {
namespace {

namespace fs = std::filesystem;
using Names = std::vector<std::wstring>;
const Bytes kOlder{'o', 'l', 'd', 'e', 'r'};

// The progress windows of this thread: how many opened, and what the last one showed as it
// closed, with whether the main window took input meanwhile.
class ProgressWatch {
 public:
  explicit ProgressWatch(HWND main) : main_(main) {
    watching = this;
    hook_ = ::SetWindowsHookExW(WH_CALLWNDPROC, &ProgressWatch::Hook, nullptr, ::GetCurrentThreadId());
  }
  ~ProgressWatch() {
    ::UnhookWindowsHookEx(hook_);
    watching = nullptr;
  }
  int opened = 0;
  LRESULT position = -1, end = -1;
  std::wstring clip, file;
  bool mainTookInput = true;

 private:
  static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam) {
    const auto* m = reinterpret_cast<const CWPSTRUCT*>(lParam);
    ProgressWatch* self = watching;
    if (code == HC_ACTION && self && ::GetDlgItem(m->hwnd, IDC_DETAIL_CLIP)) {
      if (m->message == WM_SHOWWINDOW && m->wParam) ++self->opened;
      if (m->message == WM_DESTROY) {
        self->position = ::SendDlgItemMessageW(m->hwnd, IDC_PROGRESS, PBM_GETPOS, 0, 0);
        self->end = ::SendDlgItemMessageW(m->hwnd, IDC_PROGRESS, PBM_GETRANGE, FALSE, 0);
        self->clip = WindowText(::GetDlgItem(m->hwnd, IDC_DETAIL_CLIP));
        self->file = WindowText(::GetDlgItem(m->hwnd, IDC_DETAIL_FILE));
        self->mainTookInput = ::IsWindowEnabled(self->main_);
      }
    }
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
  }
  static inline ProgressWatch* watching = nullptr;
  HWND main_;
  HHOOK hook_;
};

class ImportWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(dest);
    key.Store(win32ui::kDestinationValue, dest.wstring());
    unit.Flat();
    drives.Add(unit);
  }

  // A step that answers the overwrite question with the button once a new one shows.
  std::function<bool()> Answer(int button) {
    return [this, button] {
      const HWND question = FindDialog(L"kv_dock");
      if (!question || question == answered) return false;
      answered = question;
      ++asked;
      ::SendDlgItemMessageW(question, button, BM_CLICK, 0, 0);
      return true;
    };
  }

  TempDir dir;
  fs::path dest = dir.Path() / "dest";
  UnitTree unit{dir, "unit"};
  ScopedSettingsKey key;
  FakeDrives drives;
  RecordedMessages messages;
  HWND answered = nullptr;
  int asked = 0;
};

TEST_F(ImportWindowTest, ProgressOpensMovesAndClosesThenTheStatusLineTellsUntilAnotherUnitIsChosen) {
  PutFile(unit.Flat(), "CLP0001.DV", Bytes(3000 * 1024, 0x1F));
  PutDvClip(unit, "CLP0003");
  MainWindow window(drives, key);
  ProgressWatch progress(window.hwnd());

  window.Import({L"CLP0001", L"CLP0003"});

  EXPECT_EQ(progress.opened, 1);
  EXPECT_FALSE(progress.mainTookInput) << "the main window was enabled while the progress window showed";
  EXPECT_EQ(progress.end, 2) << "3000 KiB are 2 whole MiB";
  EXPECT_EQ(progress.position, 2);
  EXPECT_EQ(progress.clip, L"Clip 2 of 2: CLP0003");
  EXPECT_EQ(progress.file, L"File: CLP0003.DV");
  EXPECT_TRUE(::IsWindowEnabled(window.hwnd()));
  EXPECT_EQ(::GetFocus(), window.item(IDC_CLIP_LIST)) << "the keys reach the window again";
  EXPECT_TRUE(messages.texts.empty());
  EXPECT_EQ(window.Text(IDC_SUMMARY_HEAD), L"2 files imported to " + dest.wstring());
  EXPECT_TRUE(window.Text(IDC_SUMMARY_FIGURES).starts_with(L"2.9\u00a0MiB in "));
  EXPECT_TRUE(window.Shown(IDC_OPEN_FOLDER));

  const UnitTree other(dir, "other");
  PutDvClip(other, "OTH0001");
  drives.Add(other);
  window.Click(IDC_REFRESH);
  window.ChooseDrive(0);  // "other" sorts first
  const std::u16string otherDrive = other.Drive();
  ASSERT_EQ(window.dlg().Drive(), std::wstring(otherDrive.begin(), otherDrive.end()));
  EXPECT_EQ(window.Text(IDC_SUMMARY_HEAD), L"");
  EXPECT_EQ(window.Text(IDC_SUMMARY_FIGURES), L"");
  EXPECT_FALSE(window.Shown(IDC_OPEN_FOLDER));
}

TEST_F(ImportWindowTest, ARefusalIsAMessageBoxAndOpensNoProgressWindow) {
  PutDvClip(unit, "CLP0001");
  const fs::path missing = dir.Path() / "missing";
  key.Store(win32ui::kDestinationValue, missing.wstring());
  MainWindow window(drives, key);
  ProgressWatch progress(window.hwnd());

  window.Import({L"CLP0001"});

  EXPECT_EQ(messages.texts, Names{L"The destination folder \"" + missing.wstring() +
                                  L"\" does not exist. Choose another destination folder."});
  EXPECT_EQ(messages.owners, std::vector<HWND>{window.hwnd()});
  EXPECT_EQ(progress.opened, 0);
  EXPECT_TRUE(::IsWindowEnabled(window.hwnd()));
  EXPECT_FALSE(window.Shown(IDC_OPEN_FOLDER)) << "nothing was copied: no status line";
}

TEST_F(ImportWindowTest, AFailedClipIsAMessageBoxWithItsCause) {
  for (const char* clip : {"CLP0001", "CLP0002", "CLP0003"}) PutDvClip(unit, clip);
  MainWindow window(drives, key);
  fs::remove(unit.Flat() / "CLP0002.DV");  // gone after the list was read

  window.Import({L"CLP0001", L"CLP0002", L"CLP0003"});

  ASSERT_EQ(messages.texts.size(), 1u);
  EXPECT_TRUE(messages.texts[0].starts_with(L"Failed to import the files. Remove the Read-only attribute of the "
                                            L"destination drive, or increase its available space.\n\nCLP0002: "
                                            L"CLP0002.DV could not be opened ("))
      << "the failure, then its cause with the system's error text";
  EXPECT_EQ(messages.owners, std::vector<HWND>{window.hwnd()});
  EXPECT_TRUE(window.Text(IDC_SUMMARY_FIGURES).ends_with(L" \u00b7 1 failed"));

  // The clip the unit could not give is offered for rescue. Back, but with a sector that does
  // not read, it is rescued: kept with its missing bytes mapped.
  ASSERT_TRUE(window.Shown(IDC_RESCUE));
  EXPECT_EQ(window.Text(IDC_RESCUE), L"Rescue 1 damaged clip");
  PutDvClip(unit, "CLP0002");
  FaultyFileSystem faulty;
  faulty.FailArea(u"CLP0002", 0, 512);
  platform::ScopedFileSystem use(faulty);
  messages.texts.clear();
  window.Click(IDC_RESCUE);
  ASSERT_TRUE(WaitFor([&window] { return !window.dlg().ImportRunning(); }, 60000));
  EXPECT_TRUE(fs::exists(dest / "CLP0002-rescued.DV.map"));
  ASSERT_FALSE(messages.texts.empty());
  EXPECT_TRUE(messages.texts.back().starts_with(L"Some bytes of these recordings could not be read")) << messages.texts.back();
  EXPECT_TRUE(window.Text(IDC_SUMMARY_FIGURES).ends_with(L" \u00b7 1 incomplete"));
}

TEST_F(ImportWindowTest, TheOverwriteQuestionIsAnsweredByEachOfItsButtons) {
  PutDvClip(unit, "CLP0001");
  PutDvClip(unit, "CLP0002");
  MainWindow window(drives, key);
  struct Case {
    int button;
    int asked;  // a single answer asks again for the second file, answered No
    bool firstReplaced, secondReplaced;
  };
  const Case cases[] = {
      {IDC_ANSWER_YES, 2, true, false},     {IDC_ANSWER_YES_TO_ALL, 1, true, true}, {IDC_ANSWER_NO, 2, false, false},
      {IDC_ANSWER_NO_TO_ALL, 1, false, false}, {IDCANCEL, 1, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.button);
    for (const char* name : {"CLP0001.DV", "CLP0002.DV"}) WriteFile(dest / name, "older");
    asked = 0;
    answered = nullptr;
    std::vector<std::function<bool()>> answers{Answer(c.button)};
    if (c.asked == 2) answers.push_back(Answer(IDC_ANSWER_NO));
    TimerSteps steps(answers);
    window.Import({L"CLP0001", L"CLP0002"});
    EXPECT_EQ(asked, c.asked);
    EXPECT_EQ(ReadFile(dest / "CLP0001.DV") != kOlder, c.firstReplaced);
    EXPECT_EQ(ReadFile(dest / "CLP0002.DV") != kOlder, c.secondReplaced);
    EXPECT_EQ(window.Text(IDC_SUMMARY_FIGURES).starts_with(L"Import cancelled"), c.button == IDCANCEL);
  }
}

TEST_F(ImportWindowTest, CancelInTheProgressWindowWithdrawsTheQuestionAndAHeldRefreshFollows) {
  PutDvClip(unit, "CLP0001");
  WriteFile(dest / "CLP0001.DV", "older");
  MainWindow window(drives, key, 50);
  HWND question = nullptr;
  TimerSteps steps({[&] {
                      question = FindDialog(L"kv_dock");
                      if (question) VolumeEvent(window.hwnd(), DBT_DEVICEARRIVAL);
                      return question != nullptr;
                    },
                    [&] {
                      if (!window.dlg().RefreshPending()) return false;  // the refresh waits for the import
                      ::SendDlgItemMessageW(FindDialog(L"Copying..."), IDCANCEL, BM_CLICK, 0, 0);
                      return true;
                    }});
  const int before = drives.asked;

  window.Import({L"CLP0001"});

  EXPECT_TRUE(steps.Done());
  EXPECT_FALSE(::IsWindow(question)) << "the question was withdrawn";
  EXPECT_EQ(FindDialog(L"Copying..."), nullptr);
  EXPECT_EQ(ReadFile(dest / "CLP0001.DV"), kOlder);
  EXPECT_TRUE(window.Text(IDC_SUMMARY_FIGURES).starts_with(L"Import cancelled"));
  EXPECT_TRUE(WaitFor([&] { return drives.asked > before; })) << "the refresh held back comes after the import";
}

TEST_F(ImportWindowTest, TheSecondCopyAndTheMhlHistoryReachTheImportAndAreRemembered) {
  PutDvClip(unit, "CLP0001");
  const fs::path second = dir.Path() / "second";
  fs::create_directories(second);
  const std::wstring none = win32ui::LoadText(IDS_NO_SECOND_COPY);
  {
    MainWindow window(drives, key);
    EXPECT_EQ(window.Text(IDC_SECOND_COPY), none);
    window.browseAnswer = second.wstring();
    window.Click(IDC_SECOND_BROWSE);
    EXPECT_EQ(window.browseTitle, win32ui::LoadText(IDS_SECOND_COPY_TITLE));
    EXPECT_EQ(window.Text(IDC_SECOND_COPY), second.wstring());
    window.Click(IDC_MHL);

    window.Import({L"CLP0001"});

    EXPECT_TRUE(messages.texts.empty());
    for (const fs::path& folder : {dest, second}) {
      EXPECT_EQ(ReadFile(folder / "CLP0001.DV"), ReadFile(unit.Flat() / "CLP0001.DV")) << folder;
      EXPECT_TRUE(fs::is_directory(folder / "ascmhl")) << folder;
    }
  }
  EXPECT_EQ(key.Stored(win32ui::kSecondCopyValue), second.wstring());
  EXPECT_EQ(key.StoredNumber(win32ui::kMhlValue), 1u);

  {
    MainWindow window(drives, key);
    EXPECT_EQ(window.Text(IDC_SECOND_COPY), second.wstring());
    EXPECT_EQ(::IsDlgButtonChecked(window.hwnd(), IDC_MHL), BST_CHECKED);
    window.Click(IDC_SECOND_CLEAR);
    window.Click(IDC_MHL);
    EXPECT_EQ(window.Text(IDC_SECOND_COPY), none);
  }
  EXPECT_EQ(key.Stored(win32ui::kSecondCopyValue), L"");
  EXPECT_EQ(key.StoredNumber(win32ui::kMhlValue), 0u);
}

}  // namespace
}  // namespace quillon::testsupport::win32main
