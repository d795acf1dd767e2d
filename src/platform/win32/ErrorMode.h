#pragma once
// Windows' own error boxes kept away from calls that look at drives.
#include <windows.h>

namespace quillon::platform::win32 {

// No "insert a disk" box for an empty card reader or DVD drive: the call just fails.
class NoCriticalErrorBoxes {
 public:
  NoCriticalErrorBoxes() { ::SetThreadErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX, &previous_); }
  ~NoCriticalErrorBoxes() { ::SetThreadErrorMode(previous_, nullptr); }
  NoCriticalErrorBoxes(const NoCriticalErrorBoxes&) = delete;
  NoCriticalErrorBoxes& operator=(const NoCriticalErrorBoxes&) = delete;

 private:
  DWORD previous_ = 0;
};

}  // namespace quillon::platform::win32
