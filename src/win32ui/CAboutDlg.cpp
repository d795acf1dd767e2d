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
  SetItemText(IDC_ABOUT_NOTICE, Tr(frontend::Text(IDS_ABOUT_NOTICE, {frontend::Number(kCopyrightYear)})));
  ::SetWindowTextW(Handle(), LoadText(IDS_VERSION).c_str());
  return TRUE;
}

}  // namespace quillon::win32ui
