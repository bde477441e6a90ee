#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace tavro::ContentHash {

// SHA-256 as 64 lower-case hexadecimal digits: how the service names screenshot files.
std::string sha256(std::span<const std::uint8_t> bytes);
std::string sha256(std::string_view bytes);

} // namespace tavro::ContentHash
