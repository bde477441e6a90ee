#include "sync/WebOrigin.h"

#include "model/Text.h"

#include <curl/curl.h>

#include <memory>

namespace tavro::WebOrigin {

namespace {

struct URLDeleter {
    void operator()(CURLU* url) const { curl_url_cleanup(url); }
};
using URL = std::unique_ptr<CURLU, URLDeleter>;

std::optional<std::string> part(CURLU* url, CURLUPart which, unsigned flags = 0) {
    char* value = nullptr;
    if (curl_url_get(url, which, &value, flags) != CURLUE_OK || !value)
        return std::nullopt;
    std::string text(value);
    curl_free(value);
    return text;
}

// Any scheme is read, so that a redirect to one the transport never speaks still has an
// origin to name.
constexpr unsigned anyScheme = CURLU_NON_SUPPORT_SCHEME;

} // namespace

std::optional<std::string> of(std::string_view url) {
    URL parsed(curl_url());
    if (!parsed ||
        curl_url_set(parsed.get(), CURLUPART_URL, std::string(url).c_str(), anyScheme) != CURLUE_OK)
        return std::nullopt;
    const auto scheme = part(parsed.get(), CURLUPART_SCHEME);
    if (!scheme)
        return std::nullopt;
    std::string origin = text::lowercased(*scheme) + "://";
    const auto host = part(parsed.get(), CURLUPART_HOST);
    if (!host)
        return origin;
    origin += text::lowercased(*host);
    if (const auto port = part(parsed.get(), CURLUPART_PORT, CURLU_DEFAULT_PORT))
        origin += ":" + *port;
    return origin;
}

std::optional<std::string> resolved(std::string_view base, std::string_view reference) {
    URL parsed(curl_url());
    if (!parsed ||
        curl_url_set(parsed.get(), CURLUPART_URL, std::string(base).c_str(), anyScheme) !=
            CURLUE_OK ||
        curl_url_set(parsed.get(), CURLUPART_URL, std::string(reference).c_str(), anyScheme) !=
            CURLUE_OK)
        return std::nullopt;
    return part(parsed.get(), CURLUPART_URL);
}

} // namespace tavro::WebOrigin
