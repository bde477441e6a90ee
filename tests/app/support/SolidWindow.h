#pragma once

#include <QColor>
#include <QPalette>
#include <QRect>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

namespace tavro::test {

// Shows `window` as a block of one colour at `geometry`, outside any window manager, once the X
// server has exposed it.
inline void showSolid(QWidget& window, const QRect& geometry, QColor color) {
    window.setWindowFlags(Qt::FramelessWindowHint | Qt::X11BypassWindowManagerHint);
    QPalette palette;
    palette.setColor(QPalette::Window, color);
    window.setPalette(palette);
    window.setAutoFillBackground(true);
    window.setGeometry(geometry);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
}

} // namespace tavro::test
