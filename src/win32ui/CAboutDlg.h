#pragma once
// The About box: the program's name and version and the maker's notice.
#include "win32ui/Dialog.h"

namespace quillon::win32ui {

class CAboutDlg : public Dialog {
 public:
  CAboutDlg();

 protected:
  BOOL OnInitDialog() override;
};

}  // namespace quillon::win32ui
