#pragma once

#include <string_view>

namespace tavro {

// Writes all of `bytes` to `fd`: resumes after short writes and interrupted calls, and waits
// while a non-blocking descriptor is full. Returns 0, or the errno of the failure that stopped
// it.
int writeFully(int fd, std::string_view bytes);

} // namespace tavro
