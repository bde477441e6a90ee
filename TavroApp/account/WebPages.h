#pragma once

#include <QUrl>

#include <optional>
#include <string>
#include <string_view>

namespace tavro {

// Where the web service's pages live when TAVRO_WEB_URL does not say otherwise.
inline constexpr std::string_view builtInWebOrigin = "https://tavro.dev";

// The page's address: the override taken verbatim when there is one (else the built-in
// origin), followed directly by `path`.
std::string webPageAddress(std::string_view path, const std::optional<std::string>& override);
// TAVRO_WEB_URL when the environment holds it, even empty.
std::optional<std::string> webOriginOverride();

// The address as a URL the browser may be asked to open: http or https with a host; nothing
// for any other text, such as a server's javascript: or file: address.
std::optional<QUrl> browsableURL(const std::string& text);

} // namespace tavro
