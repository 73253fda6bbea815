#pragma once
// Writing a whole buffer to a file descriptor.

#include <string_view>

namespace tabulink {

// Writes all of `bytes` to `fd`, going on after a call that a signal interrupted or that wrote
// part of them; false at the first failure, errno telling why. Safe in a signal handler.
bool writeAll(int fd, std::string_view bytes);

}  // namespace tabulink
