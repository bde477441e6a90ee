#include "app/MainMenu.h"
#include "app/StatusItem.h"
#include "capture/HotkeyRecorderView.h"
#include "desktop/X11FlowDesktop.h"
#include "ui/AppIconView.h"
#include "ui/AssigneeMenu.h"
#include "ui/Badges.h"
#include "ui/Buttons.h"
#include "ui/Labels.h"
#include "ui/PersonAvatar.h"
#include "ui/RelativeTime.h"
#include "values/Preferences.h"
#include "values/Utf8.h"

#include "RecordingActions.h"
#include "TempLibrary.h"
#include "ViewPicture.h"

#include <QDir>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QLabel>
#include <QMainWindow>
#include <QMenuBar>
#include <QMessageBox>
#include <QTest>
#include <QVBoxLayout>

#include <gtest/gtest.h>

using namespace tavro;

namespace {

void save(QWidget& widget, const QString& name) {
    test::savePicture(widget, name);
}

QHBoxLayout* row(QVBoxLayout* column, const QString& caption) {
    column->addWidget(new SectionLabel(caption));
    auto* line = new QHBoxLayout;
    line->setSpacing(8);
    column->addLayout(line);
    return line;
}

void paint(QWidget* widget, std::uint32_t rgb) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, colorFromRGB(rgb));
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

TEST(ViewGallery, SharedViewsRecorderAndMenusAsShown) {
    test::TempFolder folder;
    QSettings legacy(toQString((folder.path() / "legacy.conf").string()), QSettings::IniFormat);
    Preferences preferences(
        std::make_unique<QSettings>(toQString((folder.path() / "current.conf").string()),
                                    QSettings::IniFormat),
        legacy);
    preferences.setBinding(PreferenceKey::fullScreenHotkey,
                           HotkeyBinding{std::nullopt, ModifierSet::command, 1});

    QWidget gallery;
    paint(&gallery, Theme::surface.light);
    auto* column = new QVBoxLayout(&gallery);
    column->setContentsMargins(20, 16, 20, 16);
    column->setSpacing(6);

    auto* pills = row(column, QStringLiteral("Status pills"));
    for (auto status : allCases<CaptureStatus>())
        pills->addWidget(new StatusPill(status, false, false));
    for (auto status : allCases<CaptureStatus>())
        pills->addWidget(new StatusPill(status, true, false));
    pills->addStretch();

    auto* onImage = new QWidget;
    paint(onImage, 0x5B8DB8);
    auto* overImage = new QHBoxLayout(onImage);
    overImage->setContentsMargins(8, 8, 8, 8);
    for (auto status : allCases<CaptureStatus>())
        overImage->addWidget(new StatusPill(status, false, true));
    overImage->addWidget(new PriorityBadge(CapturePriority::high, true));
    overImage->addWidget(new PriorityBadge(CapturePriority::low, true));
    overImage->addStretch();
    column->addWidget(new SectionLabel(QStringLiteral("Over a screenshot")));
    column->addWidget(onImage);

    auto* badges = row(column, QStringLiteral("Priorities and tags"));
    for (auto priority : allCases<CapturePriority>())
        badges->addWidget(new PriorityBadge(priority, false));
    badges->addWidget(new TagChip(QStringLiteral("checkout")));
    badges->addWidget(new TagChip(QStringLiteral("regression"), [] {}));
    badges->addStretch();

    auto* buttons = row(column, QStringLiteral("Buttons, key hints, app icons"));
    buttons->addWidget(new PrimaryButton(QStringLiteral("Save")));
    buttons->addWidget(new PrimaryButton(QStringLiteral("Connect"), Theme::statusOpen));
    buttons->addWidget(new SecondaryButton(QStringLiteral("Cancel")));
    buttons->addWidget(new IconButton(Icon::xmark));
    buttons->addWidget(new KeyHint(QStringLiteral("Ctrl+↩")));
    buttons->addWidget(new KeyHint(toQString(HotkeyBinding::defaultRegion().displayString())));
    buttons->addWidget(new AppIconView(std::nullopt, 24));
    buttons->addStretch();

    auto* people = row(column, QStringLiteral("People and times"));
    const Person ada{"p-1", "Ada Lovelace"}, grace{"p-2", "Grace Hopper"},
        claude{"b-1", "Claude", {}, {}, "bot"};
    for (const auto& person : {ada, grace, claude})
        people->addWidget(new PersonAvatar(person, 24));
    people->addWidget(new PersonAvatar(std::nullopt, 24));
    people->addWidget(new AssigneeMenu({ada, grace, claude}, ada, {}, false));
    people->addWidget(new AssigneeMenu({ada, grace, claude}, std::nullopt, {}, false));
    const Seconds now = tavro::now();
    for (double age : {2.0, 42.0, 300.0, 7200.0, 259200.0, 2592000.0}) {
        auto* label = new QLabel(RelativeTime::string(now - age, now));
        label->setFont(Theme::Font::caption());
        people->addWidget(label);
    }
    people->addStretch();

    column->addWidget(new SectionLabel(QStringLiteral("Shortcut recorders")));
    auto* region = new HotkeyRecorderView(QStringLiteral("Capture a region"), preferences,
                                          PreferenceKey::regionHotkey);
    region->setConflict(true);
    column->addWidget(region);
    auto* full = new HotkeyRecorderView(QStringLiteral("Capture the whole screen"), preferences,
                                        PreferenceKey::fullScreenHotkey);
    column->addWidget(full);

    gallery.resize(760, 520);
    gallery.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&gallery));
    full->button()->click();
    full->model().keyDown(21, ModifierSet::option | ModifierSet::shift, 1);
    full->model().keyDown(21, ModifierSet::option | ModifierSet::shift, 1.1);
    EXPECT_EQ(full->button()->text(), QStringLiteral("Alt+Shift+4 Alt+Shift+4"));
    save(gallery, QStringLiteral("shared-views"));
    full->model().cancel();

    test::RecordingActions actions;
    StatusItem status(actions);
    status.update(statusMenuState(
        {preferences.regionHotkey(), HotkeyBinding::defaultFullScreen(), 3, SyncStatus{}, {}}));
    status.menu().popup(QPoint(40, 40));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&status.menu()));
    save(status.menu(), QStringLiteral("status-menu"));
    status.menu().hide();

    X11FlowDesktop desktop;
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Tavro"));
    window.setMenuBar(buildMainMenu(actions, desktop, &window));
    window.resize(420, 200);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    save(*window.menuBar(), QStringLiteral("main-menu-bar"));
    for (QAction* top : window.menuBar()->actions()) {
        QMenu* menu = top->menu();
        menu->popup(QPoint(40, 40));
        ASSERT_TRUE(QTest::qWaitForWindowExposed(menu));
        save(*menu, QStringLiteral("main-menu-") + top->text().toLower());
        menu->hide();
    }
}

} // namespace

namespace {

TEST(AboutBoxTest, IsWideEnoughForItsTitleAndTheTitleBarButtons) {
    const auto box = makeAboutBox(nullptr);
    box->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(box.get()));
    QFont bold = box->font();
    bold.setBold(true);
    EXPECT_GE(box->width(),
              QFontMetrics(bold).horizontalAdvance(box->windowTitle()) + aboutTitleBarRoom);
    EXPECT_EQ(box->windowTitle(), QStringLiteral("About Tavro"));
    save(*box, QStringLiteral("about-box"));
    box->hide();
}

} // namespace
