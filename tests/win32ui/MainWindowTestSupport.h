#pragma once
// Helpers for the Windows window tests: a settings key of the test's own, message boxes read and
// closed as they open, a message pump that goes through the dialog's keyboard handling, and the
// main window on a drive list the test sets.
#include <windows.h>
// After windows.h, which it needs.
#include <dbt.h>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "support/TempDir.h"
#include "support/UnitTree.h"
#include "win32ui/CMainDlg.h"

namespace quillon::testsupport::win32main {

// A registry key below HKEY_CURRENT_USER that exists for this test only (removed before and after).
class ScopedSettingsKey {
 public:
  ScopedSettingsKey();
  ~ScopedSettingsKey();
  ScopedSettingsKey(const ScopedSettingsKey&) = delete;
  ScopedSettingsKey& operator=(const ScopedSettingsKey&) = delete;
  const std::wstring& Path() const { return path_; }
  void Store(const wchar_t* name, const std::wstring& text) const;
  void StoreNumber(const wchar_t* name, DWORD number) const;
  // The REG_SZ value, or nothing when absent or of another type.
  std::optional<std::wstring> Stored(const wchar_t* name) const;
  // The REG_DWORD value, or nothing when absent or of another type.
  std::optional<DWORD> StoredNumber(const wchar_t* name) const;

 private:
  std::wstring path_;
};

// Every message box this thread opens while the object lives: its text and its owner are kept
// and the box is closed with OK at once.
class RecordedMessages {
 public:
  RecordedMessages();
  ~RecordedMessages();
  RecordedMessages(const RecordedMessages&) = delete;
  RecordedMessages& operator=(const RecordedMessages&) = delete;
  std::vector<std::wstring> texts;
  std::vector<HWND> owners;

 private:
  static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam);
  HHOOK hook_ = nullptr;
  RecordedMessages* previous_ = nullptr;
};

// A window's text, and a visible dialog of this process with that caption (null when none).
std::wstring WindowText(HWND window);
HWND FindDialog(const std::wstring& caption);
// A button's click as the dialog gets it, posted.
void Command(HWND dialog, int id);

// Handles this thread's messages for ms milliseconds, dialog keyboard handling included.
void Pump(int ms);
// Pumps until condition holds or timeoutMs pass; true when it held.
bool WaitFor(const std::function<bool()>& condition, int timeoutMs = 5000);

// A volume arriving or leaving (DBT_DEVICEARRIVAL, DBT_DEVICEREMOVECOMPLETE), as the system tells
// the window.
void VolumeEvent(HWND window, WPARAM event, DWORD deviceType = DBT_DEVTYP_VOLUME);

// A DV clip of the flat layout: VIDEO/QVT/<name>.DV.
void PutDvClip(const UnitTree& unit, std::string_view name);

// The machine's unit drives as a test sets them; counts how often the window asks.
struct FakeDrives {
  std::vector<std::u16string> drives;
  int asked = 0;
  void Add(const UnitTree& unit) { drives.push_back(unit.Drive()); }
  void Remove(const UnitTree& unit);
};

// The main window, modeless, on the fake drives, the test's settings key and a
// folder browser that answers what the test says (nothing: Cancel).
class MainWindow {
 public:
  MainWindow(FakeDrives& drives, const ScopedSettingsKey& key, UINT refreshDelayMs = 200);
  ~MainWindow();
  win32ui::CMainDlg& dlg() { return *dialog_; }
  HWND hwnd() const { return dialog_->Handle(); }
  HWND item(int id) const { return ::GetDlgItem(hwnd(), id); }
  void Close();  // as the close box does

  std::optional<std::wstring> browseAnswer;
  std::wstring browseTitle;

  std::vector<std::wstring> DriveTexts() const;  // the drive entries, without "Other folder..."
  std::wstring ComboText(int index) const;
  int ComboCount() const;
  int SelectedDriveIndex() const;
  void ChooseDrive(int index);  // as picking it in the drop-down list does
  std::vector<std::wstring> ClipNames() const;
  std::vector<std::wstring> SelectedClipNames() const;
  // The mark beside each row (after its tab), empty where there is none.
  std::vector<std::wstring> Marks() const;
  void SelectClips(const std::vector<std::wstring>& names);  // by clicks with Ctrl held
  void Click(int id);
  bool ImportEnabled() const { return ::IsWindowEnabled(item(1002)) != FALSE; }
  // Selects the clips, clicks Import and handles messages until the import has ended.
  void Import(const std::vector<std::wstring>& clips);
  std::wstring Text(int id) const;
  // Whether the control is shown (the window itself stays hidden).
  bool Shown(int id) const;

 private:
  std::unique_ptr<win32ui::CMainDlg> dialog_;
};

// Steps run from this thread's timer while a modal loop runs here (the overwrite question):
// each tick tries the current step until it answers true. A step that never does fails the test
// after 30 s, and every dialog of the process is cancelled so that the loop ends.
class TimerSteps {
 public:
  explicit TimerSteps(std::vector<std::function<bool()>> steps);
  ~TimerSteps();
  TimerSteps(const TimerSteps&) = delete;
  TimerSteps& operator=(const TimerSteps&) = delete;
  bool Done() const { return next_ == steps_.size(); }

 private:
  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD);
  std::vector<std::function<bool()>> steps_;
  std::size_t next_ = 0;
  UINT_PTR timer_ = 0;
  bool busy_ = false;
  std::chrono::steady_clock::time_point since_ = std::chrono::steady_clock::now();
};

// The clip name column of a row text.
std::wstring ClipNameOf(const std::wstring& row);

}  // namespace quillon::testsupport::win32main
