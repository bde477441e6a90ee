#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

// The session token's home: the desktop's Secret Service, items with the attributes service
// "dev.tavro.Tavro" and account <name>. There is no plain-text fallback. Every call is bounded
// in time, so a keyring that never answers cannot hang the program: past the bound a read
// gives nothing and a write or removal is given up. With no session bus nothing is asked.
namespace tavro::Keychain {

inline constexpr std::string_view service = "dev.tavro.Tavro";
inline constexpr std::chrono::milliseconds defaultTimeout{3000};

// The stored text; nothing when there is none, it is not UTF-8, or the keyring does not answer.
std::optional<std::string> read(std::string_view account,
                                std::chrono::milliseconds timeout = defaultTimeout);
// Stores the value, replacing an earlier one; reports nothing.
void write(std::string_view value, std::string_view account,
           std::chrono::milliseconds timeout = defaultTimeout);
// Removes the item; a missing one is not an error.
void remove(std::string_view account, std::chrono::milliseconds timeout = defaultTimeout);

} // namespace tavro::Keychain
