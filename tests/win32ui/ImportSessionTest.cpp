// The import's Windows front end: the progress window and the overwrite question on their own,
// whole imports through ImportSession with a real ImportJob (progress, the question answered
// each way, Cancel in either window, a failed clip, a refusal), the texts the import shows,
// and the resources of both languages. Modal loops run on the test thread; the test acts from
// a timer that those loops dispatch.
#include <gtest/gtest.h>
#include <windows.h>
// After windows.h, which it needs.
#include <commctrl.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "catalogue/ClipCatalogue.h"
#include "import/CopyMessage.h"
#include "import/ImportContext.h"
#include "support/TempDir.h"
#include "support/UnitTree.h"
#include "win32ui/COverwriteConfirmDialog.h"
#include "win32ui/CProgressDlg.h"
#include "win32ui/Dialog.h"
#include "win32ui/ImportIds.h"
#include "win32ui/ImportSession.h"
#include "win32ui/ImportTexts.h"
#include "win32ui/resource.h"

namespace quillon::win32ui {
namespace {

namespace fs = std::filesystem;
using testsupport::Bytes;
using testsupport::ReadFile;
using testsupport::TempDir;
using testsupport::UnitTree;

// Window helpers --------------------------------------------------------------------------

std::wstring TextOf(HWND window) {
  std::wstring text(static_cast<std::size_t>(::GetWindowTextLengthW(window)) + 1, L'\0');
  text.resize(static_cast<std::size_t>(::GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
  return text;
}

std::wstring ItemTextOf(HWND dialog, int id) { return TextOf(::GetDlgItem(dialog, id)); }

std::wstring ClassOf(HWND window) {
  wchar_t name[64] = L"";
  ::GetClassNameW(window, name, 64);
  return name;
}

// A visible dialog of this process with that caption, on any thread; null when there is none.
HWND FindDialog(const std::wstring& caption) {
  struct Search {
    const std::wstring* caption;
    HWND found;
  } search{&caption, nullptr};
  ::EnumWindows(
      [](HWND window, LPARAM param) -> BOOL {
        auto* s = reinterpret_cast<Search*>(param);
        DWORD process = 0;
        ::GetWindowThreadProcessId(window, &process);
        if (process != ::GetCurrentProcessId() || !::IsWindowVisible(window)) return TRUE;
        if (ClassOf(window) != L"#32770" || TextOf(window) != *s->caption) return TRUE;
        s->found = window;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// A step that reads the next message box (its static texts, joined) into texts and closes it.
std::function<bool()> CloseMessageBox(std::vector<std::wstring>& texts) {
  return [&texts] {
    const HWND box = FindDialog(AppName());
    if (!box) return false;
    std::wstring text;
    for (HWND child = ::GetWindow(box, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
      if (ClassOf(child) == L"Static") text += TextOf(child);
    }
    texts.push_back(text);
    ::PostMessageW(box, WM_COMMAND, IDOK, 0);
    return true;
  };
}

void Command(HWND dialog, int id) { ::PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); }

// A key as the dialog's modal loop takes it (IsDialogMessage reads keys sent to the dialog itself).
void Press(HWND dialog, WPARAM key) { ::PostMessageW(dialog, WM_KEYDOWN, key, 1); }

// Runs steps from the test thread's timer while a modal loop runs there: each tick tries the
// current step until it answers true. A step that never does fails the test, and every dialog
// of the process is cancelled so that the loop ends.
class Script {
 public:
  explicit Script(std::vector<std::function<bool()>> steps)
      : steps_(std::move(steps)), timer_(::SetTimer(nullptr, 0, 5, &Script::Tick)) {
    current_ = this;
  }
  ~Script() {
    ::KillTimer(nullptr, timer_);
    current_ = nullptr;
  }
  bool Done() const { return next_ == steps_.size(); }

 private:
  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
    Script* self = current_;
    if (!self || self->busy_ || self->Done()) return;
    self->busy_ = true;
    if (self->steps_[self->next_]()) {
      ++self->next_;
      self->ticks_ = 0;
    } else if (++self->ticks_ > 3000) {
      ADD_FAILURE() << "step " << self->next_ << " did not happen";
      self->next_ = self->steps_.size();
      ::EnumWindows(
          [](HWND window, LPARAM) -> BOOL {
            DWORD process = 0;
            ::GetWindowThreadProcessId(window, &process);
            if (process == ::GetCurrentProcessId() && ClassOf(window) == L"#32770") Command(window, IDCANCEL);
            return TRUE;
          },
          0);
    }
    self->busy_ = false;
  }

  static inline Script* current_ = nullptr;
  std::vector<std::function<bool()>> steps_;
  UINT_PTR timer_;
  std::size_t next_ = 0;
  int ticks_ = 0;
  bool busy_ = false;
};

// Progress window --------------------------------------------------------------------------

std::int64_t BarPosition(HWND dialog) { return ::SendDlgItemMessageW(dialog, IDC_PROGRESS, PBM_GETPOS, 0, 0); }

TEST(ProgressWindow, AddsEachReportStopsAtTheEndAndClosesAsFinishedOnDone) {
  int cancels = 0;
  CProgressDlg progress([&] { ++cancels; });
  progress.SetTotal(20);
  std::wstring caption;
  std::vector<std::int64_t> positions;
  std::vector<LRESULT> answers;
  Script script({[&] {
    const HWND dialog = progress.Handle();
    caption = TextOf(dialog);
    const auto send = [&](WPARAM code, LPARAM lParam) {
      answers.push_back(::SendMessageW(dialog, CopyMessage(), code, lParam));
      positions.push_back(BarPosition(dialog));
    };
    send(COPY_PROGRESS, 10);
    send(COPY_PROGRESS, 5);
    send(COPY_PROGRESS, 30);  // past the total
    send(77, 5);              // codes it does not handle change nothing
    send(COPY_FAILED, 0);
    send(COPY_DONE, 0);
    return true;
  }});

  EXPECT_EQ(progress.DoModal(nullptr), IDOK);
  EXPECT_EQ(caption, L"Copying...");
  EXPECT_EQ(positions, (std::vector<std::int64_t>{10, 15, 20, 20, 20, 20}));
  EXPECT_EQ(progress.Position(), 45);
  EXPECT_EQ(answers, std::vector<LRESULT>(6, -1)) << "every copy message is answered -1";
  EXPECT_EQ(cancels, 0);
  EXPECT_EQ(progress.OpenWindow(), nullptr);
}

TEST(ProgressWindow, EscapeAndCancelStopTheImportAndALateDoneDoesNotUndoIt) {
  for (const bool escape : {true, false}) {
    SCOPED_TRACE(escape ? "Escape" : "Cancel");
    int cancels = 0;
    CProgressDlg progress([&] { ++cancels; });
    Script script({[&] {
      if (escape) {
        Press(progress.Handle(), VK_ESCAPE);
      } else {
        ::SendDlgItemMessageW(progress.Handle(), IDCANCEL, BM_CLICK, 0, 0);
      }
      ::PostMessageW(progress.Handle(), CopyMessage(), COPY_DONE, 0);
      return true;
    }});
    EXPECT_EQ(progress.DoModal(nullptr), IDCANCEL);
    EXPECT_EQ(cancels, 1);
  }
}

TEST(ProgressWindow, DetailsShowTheClipTheFileTheAmountTheRateAndTheTimeLeft) {
  using namespace std::chrono_literals;
  constexpr std::uint64_t MiB = 1 << 20;
  struct Report {
    std::chrono::seconds at;
    ImportProgress progress;
    std::vector<std::wstring> shown;  // clip, file, amount, rate and time left
  };
  const Report reports[] = {
      {0s, {0, 0, 300 * MiB, u"CLP0001", u""}, {L"Clip: CLP0001", L"File: ", L"0.0 MiB of 300.0 MiB", L""}},
      {10s,
       {3, 50 * MiB, 300 * MiB, u"CLP0001", u"CLP0001.DV"},
       {L"Clip: CLP0001", L"File: CLP0001.DV", L"50.0 MiB of 300.0 MiB", L"5.0 MiB/s, 50 s left"}},
      {20s,
       {0, 150 * MiB, 300 * MiB, u"CLP0002", u"CLP0002_2.DV"},
       {L"Clip: CLP0002", L"File: CLP0002_2.DV", L"150.0 MiB of 300.0 MiB", L"10.0 MiB/s, 15 s left"}},
      {30s,
       {0, 160 * MiB, 300 * MiB, u"CLP0002", u"CLP0002_2.DV"},
       {L"Clip: CLP0002", L"File: CLP0002_2.DV", L"160.0 MiB of 300.0 MiB", L"1.0 MiB/s, 2 min 20 s left"}},
  };
  CProgressDlg progress({});
  std::chrono::steady_clock::time_point now;
  progress.SetClock([&now] { return now; });
  std::vector<std::function<bool()>> steps;
  for (const Report& report : reports) {
    steps.push_back([&] {
      now = std::chrono::steady_clock::time_point(report.at);
      progress.PostDetails(report.progress);
      return true;
    });
    steps.push_back([&] {  // the posted details have been shown by now
      std::vector<std::wstring> shown;
      for (int id : {IDC_DETAIL_CLIP, IDC_DETAIL_FILE, IDC_DETAIL_AMOUNT, IDC_DETAIL_RATE}) {
        shown.push_back(ItemTextOf(progress.Handle(), id));
      }
      EXPECT_EQ(shown, report.shown) << report.at.count();
      return true;
    });
  }
  steps.push_back([&] {
    ::PostMessageW(progress.Handle(), CopyMessage(), COPY_DONE, 0);
    return true;
  });
  Script script(steps);
  EXPECT_EQ(progress.DoModal(nullptr), IDOK);
  EXPECT_TRUE(script.Done());
}

// Overwrite question ----------------------------------------------------------------------

OverwriteQuestion About(std::u16string path) {
  OverwriteQuestion question;
  question.path = std::move(path);
  question.existingSize = 5;
  question.newSize = 4096;
  return question;
}

TEST(OverwriteQuestion, NamesTheFileAfterTheLastBackslashWithBothSizes) {
  COverwriteConfirmDialog question;
  std::vector<std::wstring> lines;
  bool noToAllOffered = true;
  Script script({[&] {
    const HWND window = FindDialog(L"kv_dock");
    if (!window) return false;
    for (int id : {IDC_QUESTION, IDC_EXISTING_DETAIL, IDC_NEW_DETAIL}) lines.push_back(ItemTextOf(window, id));
    const HWND noToAll = ::GetDlgItem(window, IDC_ANSWER_NO_TO_ALL);
    noToAllOffered = ::IsWindowVisible(noToAll) || ::IsWindowEnabled(noToAll);
    Command(window, IDC_ANSWER_NO);
    return true;
  }});

  EXPECT_EQ(question.AskOverwrite(About(u"D:\\Video\\03_0001_2007-05-31_142314.M2T")), kAnswerNo);
  EXPECT_EQ(lines,
            (std::vector<std::wstring>{L"This folder already contains a file named '03_0001_2007-05-31_142314.M2T'.",
                                       L"Existing file: 5\u00a0bytes", L"New file: 4.0\u00a0KiB"}));
  EXPECT_FALSE(noToAllOffered);
}

TEST(OverwriteQuestion, EachButtonEnterEscapeAndTheCloseBoxAnswer) {
  struct Case {
    const char* what;
    std::function<void(HWND)> act;
    int answer;
  };
  const auto click = [](int id) { return [id](HWND q) { ::SendDlgItemMessageW(q, id, BM_CLICK, 0, 0); }; };
  const Case cases[] = {
      {"Yes", click(IDC_ANSWER_YES), kAnswerYes},
      {"Yes to all", click(IDC_ANSWER_YES_TO_ALL), kAnswerYesToAll},
      {"No", click(IDC_ANSWER_NO), kAnswerNo},
      {"Cancel", click(IDCANCEL), kAnswerCancel},
      {"No to all, when shown", [](HWND q) { Command(q, IDC_ANSWER_NO_TO_ALL); }, kAnswerNoToAll},
      {"Enter: the default button", [](HWND q) { Press(q, VK_RETURN); }, kAnswerYes},
      {"Escape", [](HWND q) { Press(q, VK_ESCAPE); }, kAnswerCancel},
      {"close box", [](HWND q) { ::PostMessageW(q, WM_SYSCOMMAND, SC_CLOSE, 0); }, kAnswerCancel},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    COverwriteConfirmDialog question;
    Script script({[&] {
      const HWND window = FindDialog(L"kv_dock");
      if (window) c.act(window);
      return window != nullptr;
    }});
    EXPECT_EQ(question.AskOverwrite(About(u"E:\\x.DV")), c.answer);
  }
}

TEST(OverwriteQuestion, LongNamesWidenTheWindowWithinTheScreenAndKeepTheirEnds) {
  const std::u16string name = u"A_very_long_recording_name_of_the_unit_0001_2007-05-31_142314.M2T";
  for (const std::u16string& path : {u"D:\\" + name, u"D:\\" + name + name + name + name + name}) {
    COverwriteConfirmDialog question;
    RECT window{}, work{}, line{};
    SIZE text{};
    std::wstring shown;
    Script script({[&] {
      const HWND q = FindDialog(L"kv_dock");
      if (!q) return false;
      ::GetWindowRect(q, &window);
      ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
      const HWND item = ::GetDlgItem(q, IDC_QUESTION);
      shown = TextOf(item);
      ::GetClientRect(item, &line);
      const HDC dc = ::GetDC(item);
      ::SelectObject(dc, reinterpret_cast<HGDIOBJ>(::SendMessageW(item, WM_GETFONT, 0, 0)));
      ::GetTextExtentPoint32W(dc, shown.c_str(), static_cast<int>(shown.size()), &text);
      ::ReleaseDC(item, dc);
      Command(q, IDCANCEL);
      return true;
    }});
    question.AskOverwrite(About(path));
    const bool whole = shown == question.QuestionText();
    EXPECT_EQ(whole, path.size() < 100) << "only a name too long for the screen is shortened";
    EXPECT_LE(text.cx, line.right) << "the line holds its text";
    EXPECT_GE(window.left, work.left);
    EXPECT_LE(window.right, work.right);
    EXPECT_TRUE(shown.ends_with(L".M2T'.")) << "the sentence and the name's end stay";
  }
}

// Whole imports ----------------------------------------------------------------------------

// The main window's part for the session: a hidden window that owns the progress window and
// hands the copy message to the session, as the main window does.
class OwnerWindow {
 public:
  OwnerWindow() {
    WNDCLASSW wc{};
    wc.lpfnWndProc = &OwnerWindow::Procedure;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = L"QuillonImportTestOwner";
    ::RegisterClassW(&wc);
    window_ = ::CreateWindowExW(0, wc.lpszClassName, L"owner", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, nullptr,
                                wc.hInstance, nullptr);
  }
  ~OwnerWindow() { ::DestroyWindow(window_); }
  HWND Handle() const { return window_; }
  void Forward(ImportSession* session) {
    ::SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(session));
  }

 private:
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* session = reinterpret_cast<ImportSession*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
    if (message == CopyMessage() && session) return session->OnCopyMessage(wParam, lParam);
    return ::DefWindowProcW(window, message, wParam, lParam);
  }
  HWND window_;
};

// Every copy message this thread takes from its queue, as it arrives.
struct CopyPost {
  bool toOwner;
  WPARAM code;
  LPARAM lParam;
  bool operator==(const CopyPost&) const = default;
};

class ImportThroughSession : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(dest);
    unit.Flat();
    session.emplace(owner.Handle(), importLock);
    owner.Forward(&*session);
    recorder_ = this;
    hook_ = ::SetWindowsHookExW(WH_GETMESSAGE, &ImportThroughSession::Record, nullptr, ::GetCurrentThreadId());
  }
  void TearDown() override {
    ::UnhookWindowsHookEx(hook_);
    recorder_ = nullptr;
    owner.Forward(nullptr);
    session.reset();
  }

  fs::path PutDvClip(const char* name, std::size_t size = 4096) {
    Bytes bytes(size);
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(i * 7 + 3);
    return unit.FlatFile(std::string(name) + ".DV", bytes);
  }

  // Scans the unit and imports the clips of those names.
  std::optional<ImportOutcome> Import(const std::set<std::u16string>& clips) {
    catalogue.Scan(testsupport::U16(unit.Root()), true, true);
    std::vector<std::size_t> rows;
    for (std::size_t i = 0; i < catalogue.Count(); ++i) {
      if (clips.count(catalogue.ClipName(i))) rows.push_back(i);
    }
    return session->Run(catalogue, 0, rows, dest.wstring());
  }

  std::set<std::string> DestFiles() const {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(dest)) names.insert(entry.path().filename().string());
    return names;
  }

  // A step that answers the overwrite question with the button, once it shows; it must be the
  // worker's window and have no owner.
  std::function<bool()> Answer(int id) {
    return [this, id] {
      const HWND q = FindDialog(L"kv_dock");
      if (!q || q == answered_) return false;  // not the one answered before, still closing
      answered_ = q;
      questions.push_back(ItemTextOf(q, IDC_QUESTION));
      EXPECT_NE(::GetWindowThreadProcessId(q, nullptr), ::GetCurrentThreadId()) << "asked on the worker thread";
      EXPECT_EQ(::GetWindow(q, GW_OWNER), nullptr);
      Command(q, id);
      return true;
    };
  }

  static LRESULT CALLBACK Record(int code, WPARAM wParam, LPARAM lParam) {
    const auto* message = reinterpret_cast<const MSG*>(lParam);
    if (code == HC_ACTION && wParam == PM_REMOVE && recorder_ && message->message == CopyMessage()) {
      recorder_->posts.push_back({message->hwnd == recorder_->owner.Handle(), message->wParam, message->lParam});
      if (message->wParam == COPY_START) {
        recorder_->startedWithProgressWindow =
            recorder_->session->Running() && ::FindWindowW(L"#32770", L"Copying...") != nullptr;
      }
      if (message->wParam == COPY_DONE) {  // what the window shows as it closes
        recorder_->finalPosition = BarPosition(message->hwnd);
        recorder_->finalTotal = ::SendDlgItemMessageW(message->hwnd, IDC_PROGRESS, PBM_GETRANGE, FALSE, 0);
        recorder_->finalClip = ItemTextOf(message->hwnd, IDC_DETAIL_CLIP);
        recorder_->finalFile = ItemTextOf(message->hwnd, IDC_DETAIL_FILE);
      }
    }
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
  }

  TempDir dir;
  UnitTree unit{dir, "unit"};
  fs::path dest = dir.Path() / "dest";
  OwnerWindow owner;
  std::mutex importLock;
  std::optional<ImportSession> session;
  ClipCatalogue catalogue;
  std::vector<CopyPost> posts;
  std::int64_t finalPosition = -1, finalTotal = -1;
  std::wstring finalClip, finalFile;
  bool startedWithProgressWindow = false;
  std::vector<std::wstring> questions;

 private:
  static inline ImportThroughSession* recorder_ = nullptr;
  HHOOK hook_ = nullptr;
  HWND answered_ = nullptr;
};

TEST_F(ImportThroughSession, SelectedClipsAreCopiedWithProgressAndTheProgressWindowClosesByItself) {
  const fs::path first = PutDvClip("CLP0001", 3000 * 1024);
  PutDvClip("CLP0002");
  const fs::path third = PutDvClip("CLP0003", 5000);

  const auto outcome = Import({u"CLP0001", u"CLP0003"});

  ASSERT_TRUE(outcome);
  EXPECT_EQ(ReadFile(dest / "CLP0001.DV"), ReadFile(first));
  EXPECT_EQ(ReadFile(dest / "CLP0003.DV"), ReadFile(third));
  EXPECT_EQ(DestFiles(), (std::set<std::string>{"CLP0001.DV", "CLP0003.DV"}));
  EXPECT_FALSE(outcome->cancelled);
  EXPECT_TRUE(startedWithProgressWindow) << "the worker starts once the progress window exists";
  EXPECT_FALSE(session->Running());
  // 3000 KiB count as 2 MiB; 1 MiB is passed on after 1025 KiB, another after 2049 KiB.
  EXPECT_EQ(posts.front(), (CopyPost{true, COPY_START, 0}));
  EXPECT_EQ(posts.back(), (CopyPost{false, COPY_DONE, 0}));
  std::int64_t reported = 0;
  for (const CopyPost& post : posts) reported += post.code == COPY_PROGRESS ? post.lParam : 0;
  EXPECT_EQ(reported, 2);
  EXPECT_EQ(finalTotal, 2);
  EXPECT_EQ(finalPosition, 2);
  EXPECT_EQ(finalClip, L"Clip: CLP0003");
  EXPECT_EQ(finalFile, L"File: CLP0003.DV");
}

TEST_F(ImportThroughSession, OverwriteQuestionAnsweredEachWay) {
  struct Case {
    int answer;
    bool firstReplaced, secondReplaced;
    bool cancelled;
  };
  const Case cases[] = {
      {kAnswerYes, true, false, false},
      {kAnswerNo, false, false, false},
      {kAnswerYesToAll, true, true, false},
      {kAnswerCancel, false, false, true},  // no file for either clip, and the progress window closes by itself
  };
  const fs::path first = PutDvClip("CLP0001");
  const fs::path second = PutDvClip("CLP0002", 5000);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.answer);
    testsupport::WriteFile(dest / "CLP0001.DV", "older");
    testsupport::WriteFile(dest / "CLP0002.DV", "older");
    questions.clear();
    posts.clear();
    // Yes and No ask again for the second file; an answer for all, or Cancel, does not.
    std::vector<std::function<bool()>> steps{Answer(c.answer)};
    if (c.answer == kAnswerYes || c.answer == kAnswerNo) steps.push_back(Answer(kAnswerNo));
    Script script(steps);

    const auto outcome = Import({u"CLP0001", u"CLP0002"});

    ASSERT_TRUE(outcome);
    EXPECT_EQ(questions.size(), steps.size());
    EXPECT_EQ(questions.front(), L"This folder already contains a file named 'CLP0001.DV'.");
    EXPECT_EQ(ReadFile(dest / "CLP0001.DV") == ReadFile(first), c.firstReplaced);
    EXPECT_EQ(ReadFile(dest / "CLP0002.DV") == ReadFile(second), c.secondReplaced);
    EXPECT_EQ(DestFiles(), (std::set<std::string>{"CLP0001.DV", "CLP0002.DV"}));
    EXPECT_EQ(outcome->cancelled, c.cancelled);
    EXPECT_TRUE(outcome->discarded.empty());
    EXPECT_EQ(posts.back(), (CopyPost{false, COPY_DONE, 0})) << "the worker closed the progress window";
    EXPECT_EQ(TheImportContext().State(), Ask) << "the next import asks again";
  }
}

TEST_F(ImportThroughSession, CancelWhileTheQuestionIsOpenKeepsItAnswerableAndWins) {
  PutDvClip("CLP0001");
  PutDvClip("CLP0002");
  testsupport::WriteFile(dest / "CLP0001.DV", "older");
  bool waitedWithQuestionOpen = false;
  Script script({[&] { return FindDialog(L"kv_dock") != nullptr; },
                 [&] {
                   const HWND progress = FindDialog(L"Copying...");
                   if (progress) Command(progress, IDCANCEL);
                   return progress != nullptr;
                 },
                 [&] {  // from the session's wait for the worker
                   waitedWithQuestionOpen = session->Running() && !FindDialog(L"Copying...") &&
                                            FindDialog(L"kv_dock") && !::IsWindowEnabled(owner.Handle());
                   return true;
                 },
                 Answer(kAnswerYes)});

  const auto outcome = Import({u"CLP0001", u"CLP0002"});

  ASSERT_TRUE(outcome);
  EXPECT_TRUE(waitedWithQuestionOpen);
  EXPECT_TRUE(outcome->cancelled);
  EXPECT_TRUE(outcome->written.empty());
  EXPECT_EQ(ReadFile(dest / "CLP0001.DV"), (std::vector<unsigned char>{'o', 'l', 'd', 'e', 'r'}));
  EXPECT_EQ(DestFiles(), std::set<std::string>{"CLP0001.DV"}) << "no further clip started";
  EXPECT_TRUE(::IsWindowEnabled(owner.Handle()));
}

TEST_F(ImportThroughSession, CancelDuringACopyLeavesNothingCutInTheDestination) {
  const fs::path first = PutDvClip("CLP0001");
  testsupport::PutSparseFile(unit.Flat(), "CLP0002.DV", 512ull << 20);
  PutDvClip("CLP0003");
  Script script({[&] {
    // The output is written under a hidden temporary name until it is complete.
    for (const auto& entry : fs::directory_iterator(dest)) {
      const std::string name = entry.path().filename().string();
      const HWND progress = FindDialog(L"Copying...");
      if (progress && name.starts_with(".CLP0002.DV.") && entry.file_size() > 0) {
        ::SendDlgItemMessageW(progress, IDCANCEL, BM_CLICK, 0, 0);
        return true;
      }
    }
    return false;
  }});

  const auto outcome = Import({u"CLP0001", u"CLP0002", u"CLP0003"});

  ASSERT_TRUE(outcome);
  EXPECT_TRUE(outcome->cancelled);
  EXPECT_EQ(ReadFile(dest / "CLP0001.DV"), ReadFile(first)) << "a finished file stays";
  ASSERT_EQ(outcome->discarded.size(), 1u);
  EXPECT_EQ(fs::path(outcome->discarded[0]).filename(), "CLP0002.DV");
  EXPECT_EQ(DestFiles(), std::set<std::string>{"CLP0001.DV"}) << "no part left, the next clip not started";
  EXPECT_EQ(Summarise(*outcome).head, L"Import cancelled: 1 file imported to " + dest.wstring());
}

TEST_F(ImportThroughSession, FailedClipShowsItsMessageWithTheCauseAndTheImportGoesOn) {
  const fs::path first = PutDvClip("CLP0001");
  const fs::path second = PutDvClip("CLP0002");
  const fs::path third = PutDvClip("CLP0003");
  catalogue.Scan(testsupport::U16(unit.Root()), true, true);
  fs::remove(second);  // gone after the scan
  std::vector<std::wstring> boxes;
  Script script({CloseMessageBox(boxes)});

  const auto outcome = session->Run(catalogue, 0, {0, 1, 2}, dest.wstring());

  ASSERT_TRUE(outcome);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].find(L"Failed to import the files. Remove the Read-only attribute of the destination drive, or "
                          L"increase its available space."),
            0u);
  EXPECT_NE(boxes[0].find(L"CLP0002: CLP0002.DV could not be opened"), std::wstring::npos) << boxes[0];
  EXPECT_EQ(ReadFile(dest / "CLP0001.DV"), ReadFile(first));
  EXPECT_EQ(ReadFile(dest / "CLP0003.DV"), ReadFile(third));
  EXPECT_EQ(outcome->failed, std::vector<std::u16string>{u"CLP0002"});
  EXPECT_EQ(std::count(posts.begin(), posts.end(), CopyPost{true, COPY_FAILED, 0}), 1);
}

TEST_F(ImportThroughSession, RefusedImportSaysWhyOnceAndStartsNothing) {
  PutDvClip("CLP0001");
  dest = dir.Path() / "no such folder";
  std::vector<std::wstring> boxes;
  Script script({CloseMessageBox(boxes)});

  EXPECT_FALSE(Import({u"CLP0001"}));
  EXPECT_EQ(boxes, std::vector<std::wstring>{L"The destination folder \"" + dest.wstring() +
                                             L"\" does not exist. Choose another destination folder."});
  EXPECT_TRUE(posts.empty()) << "no copy started";
}

// Texts ------------------------------------------------------------------------------------

TEST(ImportTexts, SummaryTellsWhatTheImportDidWithItsFigures) {
  struct Case {
    std::size_t written, kept, renamed, failed;
    bool cancelled;
    std::uint64_t bytes;
    double seconds;
    std::wstring head, figures;
  };
  const std::wstring gib = L"1.2\u00a0GiB", dot = L" \u00b7 ";
  const Case cases[] = {
      {14, 0, 0, 0, false, 1288490189, 41, L"14 files imported to D:\\V", gib + L" in 41 s"},
      {1, 0, 0, 0, false, 4096, 0.3, L"1 file imported to D:\\V", L"4.0\u00a0KiB in 0 s"},
      {0, 0, 0, 0, false, 512, 0, L"0 files imported to D:\\V", L"512\u00a0bytes in 0 s"},
      {14, 2, 1, 1, false, 1288490189, 3780, L"14 files imported to D:\\V",
       gib + L" in 1 h 3 min" + dot + L"2 kept" + dot + L"1 renamed" + dot + L"1 failed"},
      {1, 0, 0, 0, true, 1, 125, L"Import cancelled: 1 file imported to D:\\V", L"1\u00a0byte in 2 min 5 s"},
  };
  for (const Case& c : cases) {
    ImportOutcome outcome;
    outcome.written.resize(c.written);
    outcome.skipped.resize(c.kept);
    outcome.renamed.resize(c.renamed);
    outcome.failed.resize(c.failed);
    outcome.cancelled = c.cancelled;
    outcome.bytesWritten = c.bytes;
    outcome.seconds = c.seconds;
    outcome.destination = u"D:\\V";
    const SummaryText summary = Summarise(outcome);
    EXPECT_EQ(summary.head, c.head);
    EXPECT_EQ(summary.figures, c.figures);
  }
}

// Both languages carry every text and control of the import, with the same placeholders.
TEST(Resources, JapaneseHasEveryEnglishTextAndControl) {
  const HMODULE module = ::GetModuleHandleW(nullptr);
  const auto strings = [&](WORD language) {
    std::map<UINT, std::multiset<std::wstring>> placeholders;  // of each of the program's texts
    std::vector<UINT> blocks;
    for (UINT block = IDS_ABOUTBOX / 16; block <= 499 / 16; ++block) blocks.push_back(block);
    blocks.push_back(IDS_APP_NAME / 16);
    for (const UINT block : blocks) {
      const HRSRC found = ::FindResourceExW(module, RT_STRING, MAKEINTRESOURCEW(block + 1), language);
      const auto* p = found ? static_cast<const WCHAR*>(::LockResource(::LoadResource(module, found))) : nullptr;
      for (UINT id = block * 16; p && id < block * 16 + 16; p += *p + 1, ++id) {
        if (!*p) continue;
        const std::wstring text(p + 1, *p);
        auto& found_ = placeholders[id];
        for (std::size_t i = text.find(L'%'); i != std::wstring::npos; i = text.find(L'%', i + 1)) {
          found_.insert(text.substr(i, 2));
        }
      }
    }
    return placeholders;
  };
  const auto controls = [&](int templateId, WORD language) {
    std::set<int> ids;
    const HRSRC found = ::FindResourceExW(module, RT_DIALOG, MAKEINTRESOURCEW(templateId), language);
    const HWND window = ::CreateDialogIndirectParamW(
        module, static_cast<LPCDLGTEMPLATEW>(::LockResource(::LoadResource(module, found))), nullptr,
        [](HWND, UINT, WPARAM, LPARAM) -> INT_PTR { return FALSE; }, 0);
    for (HWND child = ::GetWindow(window, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
      ids.insert(::GetDlgCtrlID(child));
    }
    ::DestroyWindow(window);
    return ids;
  };
  const WORD english = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US),
             japanese = MAKELANGID(LANG_JAPANESE, SUBLANG_DEFAULT);
  const auto en = strings(english);
  for (const UINT id : {IDS_ABOUTBOX, IDS_VERSION, IDS_APP_NAME, IDS_OVERWRITE_QUESTION, IDS_FAIL_CHUNK_OPEN,
                        IDS_DURATION_HOURS}) {
    EXPECT_TRUE(en.count(id)) << id;
  }
  EXPECT_EQ(en, strings(japanese));
  EXPECT_EQ(controls(IDD_PROGRESS, english).size(), 6u);
  EXPECT_EQ(controls(IDD_OVERWRITE, english).size(), 9u);
  EXPECT_TRUE(controls(IDD_MAIN, english).count(IDC_PREFIX));
  for (int templateId : {IDD_MAIN, IDD_PROGRESS, IDD_OVERWRITE}) {
    EXPECT_EQ(controls(templateId, english), controls(templateId, japanese)) << templateId;
  }
}

}  // namespace
}  // namespace quillon::win32ui
