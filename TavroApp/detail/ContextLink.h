#pragma once

#include <QUrl>

#include <optional>
#include <string_view>

namespace tavro {

// The address a context value opens when clicked: a stored URL comes from the captured page or
// from another program, so only web and mail links are handed to the desktop; anything else
// (file:, javascript:, custom schemes) stays plain text.
std::optional<QUrl> openableLink(std::string_view value);

} // namespace tavro
