#include <windows.h>

#include "platform/Process.h"
#include "platform/Text.h"
#include "platform/win32/Wide.h"

namespace quillon::platform {

// The user's logon name: Windows gives no small number for a user as POSIX does.
std::string CurrentUserTag() {
  wchar_t name[257] = {};  // UNLEN + 1
  DWORD size = 257;
  if (!::GetUserNameW(name, &size)) return "user";
  return ToUtf8(win32::FromWide(name));
}

}  // namespace quillon::platform
