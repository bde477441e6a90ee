#include "ui/AppIconView.h"

#include "ui/Icons.h"
#include "ui/Theme.h"
#include "values/Utf8.h"

#include <QFile>
#include <QHash>
#include <QPainter>
#include <QStandardPaths>
#include <QTextStream>

namespace tavro {

namespace {

// The Icon key of a desktop entry's main group: a theme icon name or an absolute file.
std::optional<QString> desktopEntryIcon(const QString& file) {
    QFile entry(file);
    if (!entry.open(QIODevice::ReadOnly | QIODevice::Text))
        return std::nullopt;
    QTextStream in(&entry);
    bool inMainGroup = false;
    while (!in.atEnd()) {
        const QString line = in.readLine().trimmed();
        if (line.startsWith(u'['))
            inMainGroup = line == QStringLiteral("[Desktop Entry]");
        else if (inMainGroup && line.startsWith(QStringLiteral("Icon=")))
            return line.mid(5).trimmed();
    }
    return QString();
}

QHash<QString, QIcon>& cache() {
    static QHash<QString, QIcon> icons;
    return icons;
}

} // namespace

std::optional<QIcon> AppIconView::icon(const std::optional<std::string>& bundleID) {
    if (!bundleID || bundleID->empty() || bundleID->find('/') != std::string::npos)
        return std::nullopt;
    const QString id = toQString(*bundleID);
    if (auto hit = cache().find(id); hit != cache().end())
        return *hit;
    const QString file = QStandardPaths::locate(QStandardPaths::ApplicationsLocation,
                                                id + QStringLiteral(".desktop"));
    if (file.isEmpty())
        return std::nullopt;
    const auto name = desktopEntryIcon(file);
    if (!name)
        return std::nullopt;
    QIcon found = name->startsWith(u'/') ? QIcon(*name) : QIcon::fromTheme(*name);
    cache().insert(id, found);
    return found;
}

AppIconView::AppIconView(const std::optional<std::string>& bundleID, int size, QWidget* parent)
    : QWidget(parent)
    , icon_(icon(bundleID))
    , size_(size) {
    if (icon_ && icon_->isNull())
        icon_.reset();
    setFixedSize(size, size);
}

void AppIconView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    paint(painter, QRectF(rect()), icon_, palette());
}

void AppIconView::paint(QPainter& painter, const QRectF& rect, const std::optional<QIcon>& icon,
                        const QPalette& palette) {
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    if (icon) {
        icon->paint(&painter, rect.toRect());
    } else {
        const double glyph = rect.width() * 0.75;
        paintIcon(
            painter, Icon::macwindow,
            QRectF(rect.center().x() - glyph / 2, rect.center().y() - glyph / 2, glyph, glyph),
            Theme::textTertiary.resolved(palette));
    }
    painter.restore();
}

} // namespace tavro
