#include "win32ui/CAboutDlg.h"

#include "version/Version.h"
#include "win32ui/resource.h"

namespace quillon::win32ui {

CAboutDlg::CAboutDlg() : Dialog(IDD_ABOUTBOX) {}

BOOL CAboutDlg::OnInitDialog() {
  // The version and year come from the build, not from the template.
  std::string version = "Quillon version ";
  version += kVersion;
  SetItemText(IDC_ABOUT_VERSION, std::wstring(version.begin(), version.end()));
  SetItemText(IDC_ABOUT_NOTICE, FormatText(LoadText(IDS_ABOUT_NOTICE), {std::to_wstring(kCopyrightYear)}));
  ::SetWindowTextW(Handle(), LoadText(IDS_VERSION).c_str());
  return TRUE;
}

bool CAboutDlg::HandleMessage(UINT message, WPARAM wParam, LPARAM, INT_PTR& result) {
  if (message == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
    End(LOWORD(wParam));
    result = 0;
    return true;
  }
  return false;
}

}  // namespace quillon::win32ui
