#include <unistd.h>

#include <cstring>

#include "platform/HostName.h"
#include "platform/Text.h"

namespace quillon::platform {

std::u16string HostName() {
  char name[256] = {};
  // A name cut short may lack its terminator: the last byte stays zero.
  if (::gethostname(name, sizeof name - 1) != 0) return {};
  return FromUtf8(std::string_view(name, std::strlen(name)));
}

}  // namespace quillon::platform
