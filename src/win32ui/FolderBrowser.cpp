#include "win32ui/FolderBrowser.h"

#include <shlobj.h>

namespace quillon::win32ui {

namespace {

int CALLBACK BrowseCallback(HWND browser, UINT event, LPARAM, LPARAM data) {
  if (event == BFFM_INITIALIZED) ::SendMessageW(browser, BFFM_SETSELECTIONW, TRUE, data);
  return 0;
}

}  // namespace

std::optional<std::wstring> BrowseForFolder(HWND owner, const std::wstring& title, const std::wstring& start) {
  const std::wstring initial = start.substr(0, MAX_PATH - 1);
  wchar_t displayName[MAX_PATH] = {};
  BROWSEINFOW info{};
  info.hwndOwner = owner;
  info.pszDisplayName = displayName;
  info.lpszTitle = title.c_str();
  info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;
  info.lpfn = BrowseCallback;
  info.lParam = reinterpret_cast<LPARAM>(initial.c_str());
  // The new dialog style wants COM on this thread; a thread that already has it keeps it.
  const HRESULT com = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
  std::optional<std::wstring> chosen;
  if (PIDLIST_ABSOLUTE item = ::SHBrowseForFolderW(&info)) {
    wchar_t path[MAX_PATH] = {};
    if (::SHGetPathFromIDListW(item, path)) chosen = path;
    ::CoTaskMemFree(item);
  }
  if (SUCCEEDED(com)) ::CoUninitialize();
  return chosen;
}

std::wstring DriveEntryOf(std::wstring folder) {
  while (folder.size() > 1 && (folder.back() == L'\\' || folder.back() == L'/')) {
    if (folder.size() == 3 && folder[1] == L':') return folder.substr(0, 2);
    folder.pop_back();
  }
  return folder;
}

}  // namespace quillon::win32ui
