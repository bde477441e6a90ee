#include <QApplication>

#include <gtest/gtest.h>

// The app's test programs: one QApplication for every test, on the offscreen platform unless the
// environment names another (the X11 tests run on xcb under Xvfb).
int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
