// The dialogs on their own, in the user's language: scripts/windows-tests.sh runs the Language
// tests again under a Japanese user. The progress window and its copy message, the overwrite
// question's texts, buttons and layout, the main window's layout, and the resources of both
// languages.
#include <gtest/gtest.h>
#include <windows.h>
// After windows.h, which it needs.
#include <commctrl.h>

#include <map>
#include <set>

#include "MainWindowTestSupport.h"
#include "frontend/CopyMessage.h"
#include "frontend/Texts.h"
#include "platform/Text.h"
#include "win32ui/COverwriteConfirmDialog.h"
#include "win32ui/CProgressDlg.h"
#include "win32ui/resource.h"

namespace quillon::testsupport::win32main {
namespace {

using win32ui::CopyMessage;

bool Japanese() { return PRIMARYLANGID(::GetUserDefaultUILanguage()) == LANG_JAPANESE; }
std::wstring InUsersLanguage(const wchar_t* english, const wchar_t* japanese) {
  return Japanese() ? japanese : english;
}

// The control shows its whole text on one line; a button's frame is left free.
bool HoldsItsText(HWND control) {
  std::wstring text = WindowText(control);
  std::erase(text, L'&');
  wchar_t className[16] = {};
  ::GetClassNameW(control, className, 16);
  const int frame = std::wstring(className) == L"Button" ? 2 * ::GetSystemMetrics(SM_CXEDGE) : 0;
  RECT client{};
  ::GetClientRect(control, &client);
  return win32ui::TextWidth(control, text) + frame <= client.right;
}

RECT PlaceOf(HWND control) {
  RECT rect{};
  ::GetWindowRect(control, &rect);
  return rect;
}

TEST(ProgressWindow, CopyMessagesMoveTheBarToItsEndAndDoneClosesIt) {
  int cancels = 0;
  win32ui::CProgressDlg progress([&] { ++cancels; });
  progress.SetTotal(20);
  ASSERT_TRUE(progress.Create(nullptr));
  const HWND window = progress.Handle();
  std::vector<LRESULT> positions;
  for (const LPARAM mib : {10, 5, 30}) {
    EXPECT_EQ(::SendMessageW(window, CopyMessage(), frontend::COPY_PROGRESS, mib), -1);
    positions.push_back(::SendDlgItemMessageW(window, IDC_PROGRESS, PBM_GETPOS, 0, 0));
  }
  EXPECT_EQ(positions, (std::vector<LRESULT>{10, 15, 20})) << "the bar stops at its end";
  EXPECT_EQ(progress.Position(), 45);
  ::SendMessageW(window, CopyMessage(), frontend::COPY_DONE, 0);
  EXPECT_FALSE(::IsWindow(window)) << "closed as finished";
  EXPECT_EQ(cancels, 0);
}

TEST(ProgressWindow, EscapeAndCancelStopTheImport) {
  for (const bool escape : {true, false}) {
    int cancels = 0;
    win32ui::CProgressDlg progress([&] { ++cancels; });
    ASSERT_TRUE(progress.Create(nullptr));
    const HWND window = progress.Handle();
    if (escape) {
      ::PostMessageW(::GetDlgItem(window, IDCANCEL), WM_KEYDOWN, VK_ESCAPE, 1);
      Pump(20);
    } else {
      ::SendDlgItemMessageW(window, IDCANCEL, BM_CLICK, 0, 0);
    }
    EXPECT_EQ(cancels, 1) << (escape ? "Escape" : "Cancel");
    EXPECT_FALSE(::IsWindow(window));
  }
}

TEST(Language, ProgressWindowShowsItsLines) {
  win32ui::CProgressDlg progress({});
  ASSERT_TRUE(progress.Create(nullptr));
  ProgressEvent event{1288490189, 3221225472, u"CLP0002", u"CLP0002.DV", 2, 5, std::nullopt};
  progress.ShowLines(frontend::ProgressLinesOf(event, frontend::TransferRate::Estimate{31.4 * 1048576, 125}));
  std::vector<std::wstring> lines;
  for (int id : {IDC_DETAIL_CLIP, IDC_DETAIL_FILE, IDC_DETAIL_AMOUNT, IDC_DETAIL_RATE}) {
    lines.push_back(WindowText(progress.Item(id)));
  }
  EXPECT_EQ(WindowText(progress.Handle()), InUsersLanguage(L"Copying...", L"コピーしています..."));
  const std::vector<std::wstring> english{L"Clip 2 of 5: CLP0002", L"File: CLP0002.DV", L"1.2\u00a0GiB of 3.0\u00a0GiB",
                                         L"31.4 MiB/s, 2 min 5 s left"};
  const std::vector<std::wstring> japanese{L"クリップ 2/5: CLP0002", L"ファイル: CLP0002.DV", L"1.2\u00a0GiB / 3.0\u00a0GiB",
                                          L"31.4 MiB/秒、残り 2 分 5 秒"};
  EXPECT_EQ(lines, Japanese() ? japanese : english);
}

OverwriteQuestion About(std::u16string path) {
  OverwriteQuestion question;
  question.path = std::move(path);
  question.existingSize = 5;
  question.newSize = 4096;
  return question;
}

// Acts on the overwrite question once it shows, from the timer of its modal loop.
int Answer(OverwriteQuestion asked, std::function<void(HWND)> act) {
  win32ui::COverwriteConfirmDialog question;
  TimerSteps steps({[&] {
    const HWND window = FindDialog(L"kv_dock");
    if (window) act(window);
    return window != nullptr;
  }});
  return question.AskOverwrite(asked);
}

TEST(Language, OverwriteQuestionNamesTheFileWithBothFilesAndEndsItsRowWithNoToAll) {
  OverwriteQuestion asked = About(u"D:\\Video\\03_0001_2007-05-31_142314.M2T");
  asked.existingTime = 1180621394;
  std::vector<std::wstring> lines;
  bool noToAllHoldsItsText = false, endsTheRow = false;
  const int answer = Answer(asked, [&](HWND window) {
    for (int id : {IDC_QUESTION, IDC_EXISTING_DETAIL, IDC_NEW_DETAIL}) {
      lines.push_back(WindowText(::GetDlgItem(window, id)));
    }
    const HWND noToAll = ::GetDlgItem(window, IDC_ANSWER_NO_TO_ALL);
    noToAllHoldsItsText = HoldsItsText(noToAll);
    const RECT place = PlaceOf(noToAll), cancel = PlaceOf(::GetDlgItem(window, IDCANCEL)), whole = PlaceOf(window);
    endsTheRow = place.top == cancel.top && place.left > cancel.right && place.right < whole.right;
    ::SendMessageW(noToAll, BM_CLICK, 0, 0);  // shown and enabled, or nothing happens
  });
  EXPECT_EQ(answer, frontend::kAnswerNoToAll);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0], InUsersLanguage(L"This folder already contains a file named '03_0001_2007-05-31_142314.M2T'.",
                                      L"このフォルダーには既に '03_0001_2007-05-31_142314.M2T' という名前のファイルがあります。"));
  const std::wstring existing =
      InUsersLanguage(L"Existing file: 5\u00a0bytes, last changed ", L"既存のファイル: 5\u00a0バイト、最終更新 ");
  EXPECT_TRUE(lines[1].starts_with(existing) && lines[1].size() > existing.size() + 8)
      << "the size, then the date and time: " << platform::ToUtf8(std::u16string(lines[1].begin(), lines[1].end()));
  EXPECT_EQ(lines[2], InUsersLanguage(L"New file: 4.0\u00a0KiB", L"新しいファイル: 4.0\u00a0KiB"));
  EXPECT_TRUE(noToAllHoldsItsText);
  EXPECT_TRUE(endsTheRow) << "after Cancel, within the window";
}

TEST(OverwriteQuestion, EachButtonEnterEscapeAndTheCloseBoxAnswer) {
  const auto click = [](int id) { return [id](HWND q) { ::SendDlgItemMessageW(q, id, BM_CLICK, 0, 0); }; };
  const auto key = [](WPARAM key) { return [key](HWND q) { ::PostMessageW(q, WM_KEYDOWN, key, 1); }; };
  const std::pair<std::function<void(HWND)>, int> cases[] = {
      {click(IDC_ANSWER_YES), frontend::kAnswerYes},
      {click(IDC_ANSWER_YES_TO_ALL), frontend::kAnswerYesToAll},
      {click(IDC_ANSWER_NO), frontend::kAnswerNo},
      {click(IDC_ANSWER_NO_TO_ALL), frontend::kAnswerNoToAll},
      {click(IDCANCEL), frontend::kAnswerCancel},
      {key(VK_RETURN), frontend::kAnswerYes},  // the default button
      {key(VK_ESCAPE), frontend::kAnswerCancel},
      {[](HWND q) { ::PostMessageW(q, WM_SYSCOMMAND, SC_CLOSE, 0); }, frontend::kAnswerCancel},
  };
  for (const auto& [act, answer] : cases) EXPECT_EQ(Answer(About(u"E:\\x.DV"), act), answer);
}

TEST(OverwriteQuestion, LongNamesWidenTheWindowWithinTheScreenAndKeepTheirEnds) {
  const std::u16string name = u"A_very_long_recording_name_of_the_unit_0001_2007-05-31_142314.M2T";
  for (const std::u16string& path : {u"D:\\" + name, u"D:\\" + name + name + name + name + name}) {
    win32ui::COverwriteConfirmDialog question;
    RECT window{}, work{};
    bool holds = false;
    std::wstring shown;
    TimerSteps steps({[&] {
      const HWND q = FindDialog(L"kv_dock");
      if (!q) return false;
      ::GetWindowRect(q, &window);
      ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
      shown = WindowText(::GetDlgItem(q, IDC_QUESTION));
      holds = HoldsItsText(::GetDlgItem(q, IDC_QUESTION));
      Command(q, IDCANCEL);
      return true;
    }});
    question.AskOverwrite(About(path));
    EXPECT_EQ(shown == question.QuestionText(), path.size() < 100)
        << "only a name too long for the screen is shortened";
    EXPECT_TRUE(holds) << "the line holds its text";
    EXPECT_GE(window.left, work.left);
    EXPECT_LE(window.right, work.right);
    EXPECT_TRUE(shown.ends_with(L".M2T'.") || shown.ends_with(L".M2T' という名前のファイルがあります。"))
        << "the sentence and the name's end stay";
  }
}

TEST(Language, OpenFolderShowsItsWholeTextBesideTheStatusLine) {
  ScopedSettingsKey key;
  FakeDrives drives;
  RecordedMessages messages;
  MainWindow window(drives, key);
  const HWND button = window.item(IDC_OPEN_FOLDER);
  EXPECT_EQ(WindowText(button), InUsersLanguage(L"&Open Folder", L"フォルダーを開く(&O)"));
  EXPECT_TRUE(HoldsItsText(button));
  for (int line : {IDC_SUMMARY_HEAD, IDC_SUMMARY_FIGURES}) {
    EXPECT_LE(PlaceOf(window.item(line)).right, PlaceOf(button).left);
  }
  EXPECT_NEAR(PlaceOf(button).right, PlaceOf(window.item(IDC_IMPORT)).right, 1) << "in line with the buttons above";
}

// The placeholders of a text ("%1", "%s"...), each as often as it stands.
std::multiset<std::wstring> PlaceholdersOf(const std::wstring& text) {
  std::multiset<std::wstring> found;
  for (std::size_t i = text.find(L'%'); i != std::wstring::npos; i = text.find(L'%', i + 2)) {
    found.insert(text.substr(i, 2));
  }
  return found;
}

// The string table in one language: each text's placeholders by its id.
std::map<UINT, std::multiset<std::wstring>> StringTable(WORD language) {
  std::map<UINT, std::multiset<std::wstring>> table;
  const HMODULE module = ::GetModuleHandleW(nullptr);
  for (UINT block = 0; block <= IDS_APP_NAME / 16; ++block) {
    const HRSRC found = ::FindResourceExW(module, RT_STRING, MAKEINTRESOURCEW(block + 1), language);
    const auto* p = found ? static_cast<const WCHAR*>(::LockResource(::LoadResource(module, found))) : nullptr;
    for (UINT id = block * 16; p && id < block * 16 + 16; p += *p + 1, ++id) {
      if (*p) table[id] = PlaceholdersOf(std::wstring(p + 1, *p));
    }
  }
  return table;
}

std::set<int> ControlsOf(int templateId, WORD language) {
  const HMODULE module = ::GetModuleHandleW(nullptr);
  const HRSRC found = ::FindResourceExW(module, RT_DIALOG, MAKEINTRESOURCEW(templateId), language);
  const HWND window = ::CreateDialogIndirectParamW(
      module, static_cast<LPCDLGTEMPLATEW>(::LockResource(::LoadResource(module, found))), nullptr,
      [](HWND, UINT, WPARAM, LPARAM) -> INT_PTR { return FALSE; }, 0);
  std::set<int> ids;
  for (HWND child = ::GetWindow(window, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
    ids.insert(::GetDlgCtrlID(child));
  }
  ::DestroyWindow(window);
  return ids;
}

// Every text of the front-end layer and every one of the program's own is in both string tables,
// with the placeholders of the English table; both languages' dialogs have the same controls.
TEST(Resources, BothLanguagesHaveEveryTextAndControl) {
  const WORD english = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);
  const WORD japanese = MAKELANGID(LANG_JAPANESE, SUBLANG_DEFAULT);
  const auto en = StringTable(english);
  EXPECT_EQ(en, StringTable(japanese));
  int shared = 0;
  for (int id = 1; id < 1000; ++id) {
    const std::u16string text = platform::FromUtf8(frontend::EnglishText(id));
    if (text.empty()) continue;
    ++shared;
    ASSERT_TRUE(en.count(id)) << "string " << id << " is missing";
    EXPECT_EQ(en.at(id), PlaceholdersOf(std::wstring(text.begin(), text.end()))) << "string " << id;
  }
  EXPECT_GT(shared, 60);
  for (const UINT id : {IDS_ABOUTBOX, IDS_BROWSE_TITLE, IDS_NOT_NTFS, IDS_TITLE, IDS_VERSION, IDS_OPEN_FOLDER_FAILED,
                        IDS_ABOUT_NOTICE, IDS_APP_NAME, IDS_SECOND_COPY_TITLE, IDS_NO_SECOND_COPY}) {
    EXPECT_TRUE(en.count(id)) << "string " << id << " is missing";
  }
  EXPECT_EQ(ControlsOf(IDD_OVERWRITE, english).size(), 9u);
  for (int templateId : {IDD_MAIN, IDD_PROGRESS, IDD_OVERWRITE}) {
    EXPECT_EQ(ControlsOf(templateId, english), ControlsOf(templateId, japanese)) << templateId;
  }
}

}  // namespace
}  // namespace quillon::testsupport::win32main
