#pragma once
// Facts about the running process.
#include <string>

namespace quillon::platform {

// Tells this user's files apart from another user's in a shared folder: the user's number.
std::string CurrentUserTag();

}  // namespace quillon::platform
