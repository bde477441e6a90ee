#include "account/WebPages.h"

#include <cstdlib>

namespace tavro {

std::string webPageAddress(std::string_view path, const std::optional<std::string>& override) {
    std::string address = override ? *override : std::string(builtInWebOrigin);
    address += path;
    return address;
}

std::optional<std::string> webOriginOverride() {
    if (const char* value = std::getenv("TAVRO_WEB_URL"))
        return std::string(value);
    return std::nullopt;
}

std::optional<QUrl> browsableURL(const std::string& text) {
    const QUrl url(QString::fromStdString(text), QUrl::StrictMode);
    if (!url.isValid() || url.host().isEmpty())
        return std::nullopt;
    const QString scheme = url.scheme().toLower();
    if (scheme != QLatin1String("http") && scheme != QLatin1String("https"))
        return std::nullopt;
    return url;
}

} // namespace tavro
