#pragma once

#include <QCoreApplication>
#include <QDir>
#include <QImage>
#include <QPixmap>
#include <QString>
#include <QWidget>

#include <gtest/gtest.h>

#include <utility>

namespace tavro::test {

// Saves what a person would see, at the scale the test runs at, beside the build. Only the X11
// test program defines where.
inline void savePicture(QWidget& widget, const QString& name) {
    QDir().mkpath(QStringLiteral(TAVRO_SCREENSHOT_DIR));
    const QString scale = QString::number(widget.devicePixelRatioF());
    const QString file = QStringLiteral(TAVRO_SCREENSHOT_DIR) + u'/' + name +
                         QStringLiteral("-scale") + scale + QStringLiteral(".png");
    // Pending layouts and updates first, until two pictures agree: one layout can ask for
    // another (a scroll bar that comes or goes narrows the content), and a picture taken
    // between the two shows a state no paint on screen shows.
    QPixmap picture;
    QImage previous;
    for (int round = 0; round < 20; ++round) {
        QCoreApplication::sendPostedEvents();
        picture = widget.grab();
        ASSERT_FALSE(picture.isNull());
        QImage image = picture.toImage();
        if (image == previous)
            break;
        previous = std::move(image);
    }
    ASSERT_TRUE(picture.save(file)) << file.toStdString();
}

} // namespace tavro::test
