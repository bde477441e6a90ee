#include "detail/DetailHeaderContent.h"

#include "detail/PaneTexts.h"
#include "values/Utf8.h"

#include <QDateTime>
#include <QRegularExpression>

#include <cmath>

namespace tavro {

namespace {

// Qt offers a short and a long date: the medium one is the long one with its month abbreviated
// and without the weekday ("Jun 5, 2025", "5. Juni 2025").
QString mediumDateFormat(const QLocale& locale) {
    QString format = locale.dateFormat(QLocale::LongFormat);
    format.replace(QRegularExpression(QStringLiteral("d{4}[^dMy]*")), QString());
    format.replace(QRegularExpression(QStringLiteral("M{4}")), QStringLiteral("MMM"));
    return format.trimmed();
}

// Some locales' short time (the C locale's among them) still counts the seconds.
QString shortTimeFormat(const QLocale& locale) {
    QString format = locale.timeFormat(QLocale::ShortFormat);
    format.replace(QRegularExpression(QStringLiteral("[:.]s{1,2}(\\.z+)?")), QString());
    return format;
}

} // namespace

std::string capturedAtText(Seconds date, const QLocale& locale) {
    const QDateTime local =
        QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(std::llround(date * 1000)));
    return toStdString(locale.toString(local.date(), mediumDateFormat(locale)) +
                       QStringLiteral(", ") +
                       locale.toString(local.time(), shortTimeFormat(locale)));
}

DetailHeaderContent DetailHeaderContent::make(const Capture& capture, bool actualSize,
                                              const QLocale& locale) {
    DetailHeaderContent content;
    content.title = capture.title();
    content.appName = capture.appName && !capture.appName->empty()
                          ? *capture.appName
                          : std::string(PaneTexts::unknownApp);
    content.windowTitle = capture.distinctWindowTitle();
    content.createdAt = capturedAtText(capture.createdAt, locale);
    content.showsImageActions = capture.hasImage();
    content.zoomSymbol = actualSize ? Icon::arrowsInward : Icon::arrowsOutward;
    content.zoomHelp = std::string(actualSize ? PaneTexts::fitToWindow : PaneTexts::actualSize);
    return content;
}

} // namespace tavro
