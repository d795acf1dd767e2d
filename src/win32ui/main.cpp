// quillon.exe: one copy at a time (a second brings the first to the front and ends), then the
// main window, run modally; the program ends with it.
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <clocale>
#include <string>

#include "import/ImportContext.h"
#include "win32ui/CMainDlg.h"
#include "win32ui/Dialog.h"
#include "win32ui/CProgressDlg.h"
#include "win32ui/resource.h"

namespace {

// Named after the program: every copy run by this user finds it.
constexpr wchar_t kInstanceMutex[] = L"7C3E91A4-52D0-4B8F-9E17-A6D04F2C8B35_KV_DOCK";

// quillon FOLDER: the folder to open as the source, as a full path.
std::wstring StartFolder() {
  int argc = 0;
  LPWSTR* argv = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
  std::wstring folder = argv && argc >= 2 ? argv[1] : L"";
  ::LocalFree(argv);
  if (folder.empty()) return folder;
  wchar_t full[MAX_PATH * 4] = {};
  const DWORD length = ::GetFullPathNameW(folder.c_str(), MAX_PATH * 4, full, nullptr);
  return length > 0 && length < MAX_PATH * 4 ? std::wstring(full, length) : folder;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  using namespace quillon;
  // The process-wide import record (its date locale never Arabic or Hebrew) and the copy
  // message exist before anything else.
  TheImportContext();
  win32ui::CopyMessage();
  ::InitCommonControls();

  // One step that creates the mutex or opens the existing one: two copies started at the same
  // moment cannot both go on.
  HANDLE instance = ::CreateMutexW(nullptr, FALSE, kInstanceMutex);
  if (instance && ::GetLastError() == ERROR_ALREADY_EXISTS) {
    ::CloseHandle(instance);
    const std::wstring title = win32ui::LoadText(IDS_TITLE);
    if (HWND running = ::FindWindowW(nullptr, title.c_str())) ::SetForegroundWindow(running);
    return 0;
  }

  std::setlocale(LC_ALL, "");
  {
    win32ui::MainDlgOptions options;
    options.startFolder = StartFolder();
    win32ui::CMainDlg window(std::move(options));
    window.DoModal(nullptr);
  }
  if (instance) {
    ::ReleaseMutex(instance);
    ::CloseHandle(instance);
  }
  return 0;
}
