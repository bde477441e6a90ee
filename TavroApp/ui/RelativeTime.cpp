#include "ui/RelativeTime.h"

#include <QDateTime>
#include <QLocale>

#include <cmath>
#include <cstdint>

namespace tavro::RelativeTime {

bool settled(Seconds date, Seconds now) {
    return now - date >= 604800;
}

QString string(Seconds date, Seconds now) {
    const double interval = std::trunc(now - date);
    if (!(interval >= 5)) // also NaN and dates in the future
        return QStringLiteral("just now");
    const auto seconds = static_cast<std::int64_t>(std::min(interval, 9.0e15));
    if (seconds < 60)
        return QString::number(seconds) + QStringLiteral("s ago");
    if (seconds < 3600)
        return QString::number(seconds / 60) + QStringLiteral("m ago");
    if (seconds < 86400)
        return QString::number(seconds / 3600) + QStringLiteral("h ago");
    if (seconds < 604800)
        return QString::number(seconds / 86400) + QStringLiteral("d ago");
    const auto local = QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(std::floor(date * 1000)));
    return QLocale::system().toString(local, QStringLiteral("MMM d"));
}

} // namespace tavro::RelativeTime
