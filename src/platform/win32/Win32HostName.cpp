#include <windows.h>

#include <iterator>

#include "platform/HostName.h"
#include "platform/win32/Wide.h"

namespace quillon::platform {

std::u16string HostName() {
  wchar_t name[256] = {};
  DWORD size = static_cast<DWORD>(std::size(name));
  if (!::GetComputerNameExW(ComputerNameDnsHostname, name, &size)) return {};
  return win32::FromWide(std::wstring_view(name, size));
}

}  // namespace quillon::platform
