#pragma once

#include <cstddef>
#include <string>

namespace tavro::test {

// A sync reply that pulls capture rows of the stand-in's workspace, as the service pages them,
// of at least `bytes` bytes; the last page ("more" false), with cursor 7.
std::string capturePullReply(std::size_t bytes);
// The same with group members, the smallest rows a pull carries (about 80 bytes a change).
std::string memberPullReply(std::size_t bytes);

} // namespace tavro::test
