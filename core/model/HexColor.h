#pragma once

#include <cstdint>
#include <string_view>

namespace tavro {

// The 0xRRGGBB value of a stored colour text: trimmed of spaces and tabs, one optional "#",
// then an unsigned 32-bit hexadecimal number (an optional sign; "-0" is the only negative that
// reads) of which the low 24 bits count. Anything else gives `fallback`.
std::uint32_t hexColorValue(std::string_view text, std::uint32_t fallback);

} // namespace tavro
