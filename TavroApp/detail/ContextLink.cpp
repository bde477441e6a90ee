#include "detail/ContextLink.h"

#include "values/Utf8.h"

namespace tavro {

std::optional<QUrl> openableLink(std::string_view value) {
    const QUrl url(toQString(value), QUrl::StrictMode);
    if (!url.isValid())
        return std::nullopt;
    const QString scheme = url.scheme().toLower();
    if (scheme == QLatin1String("mailto"))
        return url.path().isEmpty() ? std::nullopt : std::optional<QUrl>(url);
    if ((scheme == QLatin1String("http") || scheme == QLatin1String("https")) &&
        !url.host().isEmpty())
        return url;
    return std::nullopt;
}

} // namespace tavro
