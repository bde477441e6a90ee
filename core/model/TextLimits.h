#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tavro {

// The largest texts the board stores. Far above anything a person types, they keep one hostile
// writer from filling the library or breaking every view's layout. Lengths count user-perceived
// characters.
namespace TextLimits {

inline constexpr size_t noteCharacters = 100'000;
// The web service refuses longer comment bodies.
inline constexpr size_t commentCharacters = 20'000;
inline constexpr size_t groupNameCharacters = 200;
inline constexpr size_t tagCharacters = 100;
inline constexpr size_t tagsPerCapture = 100;

// True when `text` has more than `limit` user-perceived characters.
bool exceeds(std::string_view text, size_t limit);

// Why the text cannot be stored ("The note is longer than 100,000 characters."), or nothing
// when it fits. `what` starts the sentence: "The note", "A tag".
std::optional<std::string> tooLong(std::string_view what, std::string_view text, size_t limit);

// Why the tags cannot be stored, or nothing when every name and their number fit.
std::optional<std::string> tagsRefusal(const std::vector<std::string>& tags);

} // namespace TextLimits

} // namespace tavro
