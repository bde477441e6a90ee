#include "detail/DetailHeaderContent.h"

#include "detail/PaneTexts.h"
#include "shell/Utf8.h"

#include <QDateTime>

#include <cmath>

namespace tavro {

std::string capturedAtText(Seconds date, const QLocale& locale) {
    const QDateTime local =
        QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(std::llround(date * 1000)));
    return toStdString(locale.toString(local.date(), QStringLiteral("MMM d, yyyy")) +
                       QStringLiteral(", ") + locale.toString(local.time(), QLocale::ShortFormat));
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
