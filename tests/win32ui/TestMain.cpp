// The window tests' entry point: the common controls are made ready once, as the program does.
#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>

int wmain(int argc, wchar_t** argv) {
  INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
  ::InitCommonControlsEx(&controls);
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
