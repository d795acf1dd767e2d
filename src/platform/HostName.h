#pragma once
// The name of this machine on the network, as records of who wrote a file name it.
#include <string>

namespace quillon::platform {

// Empty when the system cannot tell.
std::u16string HostName();

}  // namespace quillon::platform
