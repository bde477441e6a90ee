#pragma once

#include <string>

namespace tavro {

// A new lower-case version 4 UUID from the kernel's cryptographic random source. Both programs
// create ids at the same moment, so nothing here may depend on a clock-seeded generator.
std::string makeUUID();

} // namespace tavro
