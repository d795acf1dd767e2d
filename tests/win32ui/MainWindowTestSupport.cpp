#include "MainWindowTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <utility>

#include "win32ui/resource.h"

namespace quillon::testsupport::win32main {

namespace {

thread_local RecordedMessages* recorder = nullptr;
thread_local TimerSteps* runningSteps = nullptr;

}  // namespace

std::wstring WindowText(HWND window) {
  std::wstring text(static_cast<std::size_t>(::GetWindowTextLengthW(window)) + 1, L'\0');
  text.resize(static_cast<std::size_t>(::GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
  return text;
}

HWND FindDialog(const std::wstring& caption) {
  std::pair<const std::wstring*, HWND> search{&caption, nullptr};
  ::EnumWindows(
      [](HWND window, LPARAM param) -> BOOL {
        auto* s = reinterpret_cast<std::pair<const std::wstring*, HWND>*>(param);
        DWORD process = 0;
        wchar_t className[16] = {};
        ::GetWindowThreadProcessId(window, &process);
        ::GetClassNameW(window, className, 16);
        if (process != ::GetCurrentProcessId() || !::IsWindowVisible(window) || std::wstring(className) != L"#32770" ||
            WindowText(window) != *s->first) {
          return TRUE;
        }
        s->second = window;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.second;
}

void Command(HWND dialog, int id) { ::PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); }

ScopedSettingsKey::ScopedSettingsKey()
    : path_(L"Software\\Zelt Corporation\\QuillonTest-" + std::to_wstring(::GetCurrentProcessId())) {
  ::RegDeleteTreeW(HKEY_CURRENT_USER, path_.c_str());
}

ScopedSettingsKey::~ScopedSettingsKey() { ::RegDeleteTreeW(HKEY_CURRENT_USER, path_.c_str()); }

void ScopedSettingsKey::Store(const wchar_t* name, const std::wstring& text) const {
  ASSERT_EQ(::RegSetKeyValueW(HKEY_CURRENT_USER, path_.c_str(), name, REG_SZ, text.c_str(),
                              static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t))),
            ERROR_SUCCESS);
}

void ScopedSettingsKey::StoreNumber(const wchar_t* name, DWORD number) const {
  ASSERT_EQ(::RegSetKeyValueW(HKEY_CURRENT_USER, path_.c_str(), name, REG_DWORD, &number, sizeof number),
            ERROR_SUCCESS);
}

std::optional<std::wstring> ScopedSettingsKey::Stored(const wchar_t* name) const {
  wchar_t text[1024] = {};
  DWORD bytes = sizeof text;
  if (::RegGetValueW(HKEY_CURRENT_USER, path_.c_str(), name, RRF_RT_REG_SZ, nullptr, text, &bytes) != ERROR_SUCCESS)
    return std::nullopt;
  return std::wstring(text);
}

std::optional<DWORD> ScopedSettingsKey::StoredNumber(const wchar_t* name) const {
  DWORD number = 0, bytes = sizeof number;
  if (::RegGetValueW(HKEY_CURRENT_USER, path_.c_str(), name, RRF_RT_REG_DWORD, nullptr, &number, &bytes) !=
      ERROR_SUCCESS)
    return std::nullopt;
  return number;
}

RecordedMessages::RecordedMessages() : previous_(recorder) {
  recorder = this;
  hook_ = ::SetWindowsHookExW(WH_CBT, &RecordedMessages::Hook, nullptr, ::GetCurrentThreadId());
}

RecordedMessages::~RecordedMessages() {
  ::UnhookWindowsHookEx(hook_);
  recorder = previous_;
}

LRESULT CALLBACK RecordedMessages::Hook(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HCBT_ACTIVATE && recorder) {
    const HWND box = reinterpret_cast<HWND>(wParam);
    wchar_t className[16] = {};
    ::GetClassNameW(box, className, 16);
    // A message box: a dialog whose text is the static 0xFFFF.
    if (std::wstring(className) == L"#32770" && ::GetDlgItem(box, 0xFFFF)) {
      recorder->texts.push_back(WindowText(::GetDlgItem(box, 0xFFFF)));
      recorder->owners.push_back(::GetWindow(box, GW_OWNER));
      ::PostMessageW(box, WM_COMMAND, IDOK, 0);
    }
  }
  return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

TimerSteps::TimerSteps(std::vector<std::function<bool()>> steps) : steps_(std::move(steps)) {
  runningSteps = this;
  timer_ = ::SetTimer(nullptr, 0, 10, &TimerSteps::Tick);
}

TimerSteps::~TimerSteps() {
  ::KillTimer(nullptr, timer_);
  runningSteps = nullptr;
}

void CALLBACK TimerSteps::Tick(HWND, UINT, UINT_PTR, DWORD) {
  TimerSteps* self = runningSteps;
  if (!self || self->busy_ || self->Done()) return;
  self->busy_ = true;
  if (self->steps_[self->next_]()) {
    ++self->next_;
    self->since_ = std::chrono::steady_clock::now();
  } else if (std::chrono::steady_clock::now() - self->since_ > std::chrono::seconds(30)) {
    ADD_FAILURE() << "step " << self->next_ << " did not happen";
    self->next_ = self->steps_.size();
    ::EnumWindows(
        [](HWND window, LPARAM) -> BOOL {
          DWORD process = 0;
          wchar_t className[16] = {};
          ::GetWindowThreadProcessId(window, &process);
          ::GetClassNameW(window, className, 16);
          if (process == ::GetCurrentProcessId() && std::wstring(className) == L"#32770")
            ::PostMessageW(window, WM_COMMAND, IDCANCEL, 0);
          return TRUE;
        },
        0);
  }
  self->busy_ = false;
}

void Pump(int ms) {
  WaitFor([] { return false; }, ms);
}

bool WaitFor(const std::function<bool()>& condition, int timeoutMs) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    MSG message;
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      // The dialog's keyboard handling, as its own loop does it.
      const HWND top = message.hwnd ? ::GetAncestor(message.hwnd, GA_ROOT) : nullptr;
      if (top && ::IsDialogMessageW(top, &message)) continue;
      ::TranslateMessage(&message);
      ::DispatchMessageW(&message);
    }
    if (condition()) return true;
    if (std::chrono::steady_clock::now() >= end) return false;
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
}

void VolumeEvent(HWND window, WPARAM event, DWORD deviceType) {
  DEV_BROADCAST_VOLUME volume{};
  volume.dbcv_size = sizeof volume;
  volume.dbcv_devicetype = deviceType;
  volume.dbcv_unitmask = 1u << 4;  // E:
  ::SendMessageW(window, WM_DEVICECHANGE, event, reinterpret_cast<LPARAM>(&volume));
}

void PutDvClip(const UnitTree& unit, std::string_view name) {
  PutFile(unit.Flat(), std::string(name) + ".DV", Bytes(4096, 0x1F));
}

void FakeDrives::Remove(const UnitTree& unit) {
  drives.erase(std::remove(drives.begin(), drives.end(), unit.Drive()), drives.end());
}

MainWindow::MainWindow(FakeDrives& drives, const ScopedSettingsKey& key, UINT refreshDelayMs) {
  win32ui::MainDlgOptions options;
  options.findUnitDrives = [&drives] {
    ++drives.asked;
    return drives.drives;
  };
  options.refreshDelayMs = refreshDelayMs;
  options.scanWait = std::chrono::seconds(30);  // a test unit's list is there when a call returns
  options.settingsKey = key.Path();
  options.browseForFolder = [this](HWND, const std::wstring& title, const std::wstring&) {
    browseTitle = title;
    return browseAnswer;
  };
  dialog_ = std::make_unique<win32ui::CMainDlg>(std::move(options));
  if (!dialog_->Create(nullptr)) throw std::runtime_error("the main window could not be made");
  // Not shown: without a window manager, Wine waits two seconds for each shown window to go.
  Pump(20);
}

MainWindow::~MainWindow() {
  if (dialog_->Handle()) ::DestroyWindow(dialog_->Handle());
  Pump(10);
}

void MainWindow::Close() {
  ::SendMessageW(hwnd(), WM_SYSCOMMAND, SC_CLOSE, 0);
  Pump(20);
}

int MainWindow::ComboCount() const {
  return static_cast<int>(::SendDlgItemMessageW(hwnd(), IDC_DRIVE, CB_GETCOUNT, 0, 0));
}

std::wstring MainWindow::ComboText(int index) const {
  const auto length = ::SendDlgItemMessageW(hwnd(), IDC_DRIVE, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
  if (length < 0) return {};
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  ::SendDlgItemMessageW(hwnd(), IDC_DRIVE, CB_GETLBTEXT, static_cast<WPARAM>(index),
                        reinterpret_cast<LPARAM>(text.data()));
  text.resize(static_cast<std::size_t>(length));
  return text;
}

std::vector<std::wstring> MainWindow::DriveTexts() const {
  std::vector<std::wstring> texts;
  // The last entry is "Other folder...".
  for (int i = 0; i + 1 < ComboCount(); ++i) texts.push_back(ComboText(i));
  return texts;
}

int MainWindow::SelectedDriveIndex() const {
  return static_cast<int>(::SendDlgItemMessageW(hwnd(), IDC_DRIVE, CB_GETCURSEL, 0, 0));
}

void MainWindow::ChooseDrive(int index) {
  ::SendDlgItemMessageW(hwnd(), IDC_DRIVE, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
  ::SendMessageW(hwnd(), WM_COMMAND, MAKEWPARAM(IDC_DRIVE, CBN_SELCHANGE), reinterpret_cast<LPARAM>(item(IDC_DRIVE)));
  Pump(10);
}

std::wstring ClipNameOf(const std::wstring& row) {
  std::wstring name = row.substr(0, 8);
  while (!name.empty() && name.back() == L' ') name.pop_back();
  return name;
}

namespace {

std::vector<std::wstring> ListTexts(HWND list) {
  std::vector<std::wstring> texts;
  const auto count = ::SendMessageW(list, LB_GETCOUNT, 0, 0);
  for (LRESULT row = 0; row < count; ++row) {
    std::wstring text(static_cast<std::size_t>(::SendMessageW(list, LB_GETTEXTLEN, row, 0)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(::SendMessageW(list, LB_GETTEXT, row, reinterpret_cast<LPARAM>(text.data()))));
    texts.push_back(std::move(text));
  }
  return texts;
}

}  // namespace

std::vector<std::wstring> MainWindow::ClipNames() const {
  std::vector<std::wstring> names;
  for (const std::wstring& text : ListTexts(item(IDC_CLIP_LIST))) names.push_back(ClipNameOf(text));
  return names;
}

std::vector<std::wstring> MainWindow::Marks() const {
  std::vector<std::wstring> marks;
  for (const std::wstring& text : ListTexts(item(IDC_CLIP_LIST))) {
    const std::size_t tab = text.find(L'\t');
    marks.push_back(tab == std::wstring::npos ? std::wstring() : text.substr(tab + 1));
  }
  return marks;
}

std::vector<std::wstring> MainWindow::SelectedClipNames() const {
  const std::vector<std::wstring> all = ClipNames();
  std::vector<std::wstring> selected;
  for (std::size_t row = 0; row < all.size(); ++row) {
    if (::SendMessageW(item(IDC_CLIP_LIST), LB_GETSEL, row, 0) > 0) selected.push_back(all[row]);
  }
  return selected;
}

void MainWindow::SelectClips(const std::vector<std::wstring>& names) {
  const HWND list = item(IDC_CLIP_LIST);
  const std::vector<std::wstring> all = ClipNames();
  for (std::size_t row = 0; row < all.size(); ++row) {
    if (std::find(names.begin(), names.end(), all[row]) == names.end()) continue;
    ::SendMessageW(list, LB_SETTOPINDEX, row, 0);
    RECT rect{};
    ::SendMessageW(list, LB_GETITEMRECT, row, reinterpret_cast<LPARAM>(&rect));
    const LPARAM at = MAKELPARAM((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
    ::SendMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON | MK_CONTROL, at);
    ::SendMessageW(list, WM_LBUTTONUP, MK_CONTROL, at);
  }
  Pump(10);
}

void MainWindow::Import(const std::vector<std::wstring>& clips) {
  Click(IDC_CLEAR_ALL);
  SelectClips(clips);
  ASSERT_TRUE(ImportEnabled());
  Click(IDC_IMPORT);
  ASSERT_TRUE(WaitFor([this] { return !dlg().ImportRunning(); }, 60000)) << "the import did not end";
}

void MainWindow::Click(int id) {
  ::SendMessageW(item(id), BM_CLICK, 0, 0);
  Pump(10);
}

std::wstring MainWindow::Text(int id) const { return WindowText(item(id)); }

bool MainWindow::Shown(int id) const { return (::GetWindowLongW(item(id), GWL_STYLE) & WS_VISIBLE) != 0; }

}  // namespace quillon::testsupport::win32main
