#include "platform/Process.h"

#include <unistd.h>

namespace quillon::platform {

std::string CurrentUserTag() { return std::to_string(::getuid()); }

}  // namespace quillon::platform
