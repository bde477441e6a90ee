#pragma once

#include <QCoreApplication>
#include <QDir>
#include <QPixmap>
#include <QString>
#include <QWidget>

#include <gtest/gtest.h>

namespace tavro::test {

// Saves what a person would see, at the scale the test runs at, beside the build. Only the X11
// test program defines where.
inline void savePicture(QWidget& widget, const QString& name) {
    QDir().mkpath(QStringLiteral(TAVRO_SCREENSHOT_DIR));
    const QString scale = QString::number(widget.devicePixelRatioF());
    const QString file = QStringLiteral(TAVRO_SCREENSHOT_DIR) + u'/' + name +
                         QStringLiteral("-scale") + scale + QStringLiteral(".png");
    // Pending layouts and updates first: the picture shows what the next paint would.
    QCoreApplication::sendPostedEvents();
    const QPixmap picture = widget.grab();
    ASSERT_FALSE(picture.isNull());
    ASSERT_TRUE(picture.save(file)) << file.toStdString();
}

} // namespace tavro::test
