#include "capture/HotkeyRecorderView.h"
#include "values/Preferences.h"
#include "values/Utf8.h"

#include "TempLibrary.h"

#include <QAbstractButton>
#include <QProcess>
#include <QTest>
#include <QVBoxLayout>

#include <gtest/gtest.h>

using namespace tavro;

namespace {

void xdotool(const QStringList& arguments) {
    ASSERT_EQ(QProcess::execute(QStringLiteral("xdotool"), arguments), 0)
        << arguments.join(u' ').toStdString();
}

// The recorder in a window of its own, typed at through the X server.
class RecorderX11Test : public ::testing::Test {
protected:
    void SetUp() override {
        auto file = [this](const char* name) {
            return toQString((folder.path() / name).string());
        };
        QSettings legacy(file("legacy.conf"), QSettings::IniFormat);
        preferences = std::make_unique<Preferences>(
            std::make_unique<QSettings>(file("current.conf"), QSettings::IniFormat), legacy);
        auto* layout = new QVBoxLayout(&window);
        view = new HotkeyRecorderView(QStringLiteral("Capture a region"), *preferences,
                                      PreferenceKey::regionHotkey, &window);
        layout->addWidget(view);
        window.resize(460, 90);
        window.show();
        window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    }

    QByteArray stored() const {
        QSettings settings(toQString((folder.path() / "current.conf").string()),
                           QSettings::IniFormat);
        return settings.value(QStringLiteral("hotkey.region")).toByteArray();
    }

    void clickRecord() {
        // xdotool works in the server's pixels.
        const QPointF centre =
            QPointF(view->button()->mapToGlobal(view->button()->rect().center())) *
            view->devicePixelRatioF();
        xdotool({QStringLiteral("mousemove"), QString::number(qRound(centre.x())),
                 QString::number(qRound(centre.y())), QStringLiteral("click"),
                 QStringLiteral("1")});
        ASSERT_TRUE(QTest::qWaitFor([&] { return view->model().isRecording(); }, 2000));
    }

    test::TempFolder folder;
    std::unique_ptr<Preferences> preferences;
    QWidget window;
    HotkeyRecorderView* view = nullptr;
};

TEST_F(RecorderX11Test, AltShift4PressedTwiceIsStoredAsARepeatedCombination) {
    clickRecord();
    EXPECT_EQ(view->button()->text(), QStringLiteral("Listening…"));
    EXPECT_EQ(
        view->hint(),
        QStringLiteral("Press any key or combination, or tap a modifier \u00B7 \u238B to cancel"));
    xdotool({QStringLiteral("key"), QStringLiteral("alt+shift+4"), QStringLiteral("alt+shift+4")});
    ASSERT_TRUE(QTest::qWaitFor([&] { return view->model().draft().has_value(); }, 2000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !view->model().isRecording(); }, 2000));
    EXPECT_EQ(stored(), QByteArray(R"({"keyCode":21,"modifiers":10,"tapCount":2})"));
    EXPECT_EQ(view->button()->text(), QStringLiteral("Alt+Shift+4 Alt+Shift+4"));
    EXPECT_EQ(view->hint(), QStringLiteral("Press Alt+Shift+4 twice quickly"));
}

TEST_F(RecorderX11Test, EscapeAloneChangesNothing) {
    clickRecord();
    xdotool({QStringLiteral("key"), QStringLiteral("Escape")});
    ASSERT_TRUE(QTest::qWaitFor([&] { return !view->model().isRecording(); }, 2000));
    // Past the commit delay, nothing is stored late.
    EXPECT_FALSE(QTest::qWaitFor([&] { return !stored().isEmpty(); },
                                 HotkeyRecorderModel::commitDelay + 100));
    EXPECT_TRUE(stored().isEmpty());
    EXPECT_EQ(preferences->regionHotkey(), HotkeyBinding::defaultRegion());
    EXPECT_EQ(view->button()->text(), QStringLiteral("Alt+Shift+2"));
}

TEST_F(RecorderX11Test, ADoubleTapOfAltIsATapTrigger) {
    clickRecord();
    xdotool({QStringLiteral("key"), QStringLiteral("alt"), QStringLiteral("alt")});
    ASSERT_TRUE(QTest::qWaitFor([&] { return !view->model().isRecording(); }, 2000));
    EXPECT_EQ(stored(), QByteArray(R"({"modifiers":2,"tapCount":2})"));
    EXPECT_EQ(view->button()->text(), QStringLiteral("Alt Alt"));
}

TEST_F(RecorderX11Test, ACombinationHeldPastTheDelayIsStoredOnlyOnceReleased) {
    clickRecord();
    xdotool({QStringLiteral("keydown"), QStringLiteral("alt+shift+4")});
    // Held past the commit delay, which is what is tested; the server repeats the held key
    // meanwhile, and none of that is a second press.
    QTest::qWait(HotkeyRecorderModel::commitDelay + 450);
    EXPECT_TRUE(view->model().isRecording());
    EXPECT_TRUE(stored().isEmpty());
    ASSERT_TRUE(view->model().draft());
    EXPECT_EQ(view->model().draft()->tapCount, 1);
    xdotool({QStringLiteral("keyup"), QStringLiteral("alt+shift+4")});
    ASSERT_TRUE(QTest::qWaitFor([&] { return !view->model().isRecording(); }, 2000));
    EXPECT_EQ(stored(), QByteArray(R"({"keyCode":21,"modifiers":10,"tapCount":1})"));
}

} // namespace
