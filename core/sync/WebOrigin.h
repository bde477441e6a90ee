#pragma once

#include <optional>
#include <string>
#include <string_view>

// Where a URL leads, as far as the same-origin rule is concerned.
namespace tavro::WebOrigin {

// The origin of an absolute URL: "scheme://host:port" with the scheme's default port written
// out and the scheme and host in lower case ("file://" for a file URL, which has neither);
// nothing for text that is not an absolute URL.
std::optional<std::string> of(std::string_view url);

// The absolute URL that `reference` (absolute, or relative as a redirect's "Location" may be)
// names from `base`; nothing when it names none.
std::optional<std::string> resolved(std::string_view base, std::string_view reference);

} // namespace tavro::WebOrigin
