#include "ui/AppIconView.h"
#include "ui/AssigneeMenu.h"
#include "ui/Badges.h"
#include "ui/Icons.h"
#include "ui/Labels.h"
#include "ui/PersonAvatar.h"
#include "ui/RelativeTime.h"
#include "values/Utf8.h"

#include "TempLibrary.h"

#include <QAbstractButton>
#include <QDateTime>
#include <QHBoxLayout>
#include <QImage>
#include <QLocale>
#include <QMenu>
#include <QPainter>
#include <QTest>

#include <gtest/gtest.h>

#include <set>
#include <string_view>

using namespace tavro;

namespace {

TEST(RelativeTime, AgesByTheDesignedSteps) {
    const Seconds now = 1'800'000'000;
    struct Case {
        double age;
        const char* text;
    };
    const Case cases[] = {
        {4.9, "just now"}, {5, "5s ago"},      {42, "42s ago"},     {59, "59s ago"},
        {60, "1m ago"},    {3599, "59m ago"},  {3600, "1h ago"},    {86399, "23h ago"},
        {86400, "1d ago"}, {604799, "6d ago"}, {-3600, "just now"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(RelativeTime::string(now - c.age, now), QString::fromUtf8(c.text)) << c.age;
        // Every age up to a week still changes with time.
        EXPECT_FALSE(RelativeTime::settled(now - c.age, now)) << c.age;
    }

    const Seconds week = now - 604800;
    EXPECT_EQ(RelativeTime::string(week, now),
              QLocale::system().toString(QDateTime::fromSecsSinceEpoch(qint64(week)),
                                         QStringLiteral("MMM d")));
    EXPECT_TRUE(RelativeTime::settled(week, now));
}

TEST(Icons, EverySymbolHasItsOwnNameAndDrawsSomething) {
    std::set<std::string_view> names;
    for (std::size_t i = 0; i < iconCount; ++i) {
        const Icon icon = static_cast<Icon>(i);
        const std::string_view name = iconName(icon);
        EXPECT_FALSE(name.empty()) << i;
        EXPECT_TRUE(names.insert(name).second) << name;
        EXPECT_EQ(iconNamed(name), icon) << name;

        QImage image(24, 24, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        paintIcon(painter, icon, QRectF(0, 0, 24, 24), Qt::black);
        painter.end();
        bool painted = false;
        for (int y = 0; y < image.height() && !painted; ++y)
            for (int x = 0; x < image.width() && !painted; ++x)
                painted = qAlpha(image.pixel(x, y)) > 0;
        EXPECT_TRUE(painted) << name;
    }
    EXPECT_EQ(iconNamed("no.such.symbol"), std::nullopt);
}

TEST(Badges, NormalPriorityTakesNoSpaceInARow) {
    QWidget row;
    auto* layout = new QHBoxLayout(&row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto* before = new QWidget;
    before->setFixedSize(10, 10);
    layout->addWidget(before);
    layout->addWidget(new PriorityBadge(CapturePriority::normal, false));
    layout->addStretch();
    EXPECT_EQ(layout->sizeHint().width(), 10);

    PriorityBadge high(CapturePriority::high, false);
    EXPECT_GT(high.sizeHint().width(), 0);
}

TEST(Badges, PillsShowTheUpperCaseTitleUnlessCompact) {
    EXPECT_EQ(StatusPill::title(CaptureStatus::inProgress), QStringLiteral("IN PROGRESS"));
    EXPECT_EQ(StatusPill::symbol(CaptureStatus::resolved), Icon::checkmarkCircleFill);
    EXPECT_EQ(StatusPill::color(CaptureStatus::archived), Theme::statusArchived);

    StatusPill compact(CaptureStatus::open, true, false);
    // The 8-point symbol alone, with 5 by 3 of padding.
    EXPECT_EQ(compact.sizeHint(), QSize(8 + 2 * 5, 8 + 2 * 3));
    StatusPill full(CaptureStatus::open, false, false);
    EXPECT_GT(full.sizeHint().width(), compact.sizeHint().width() + 10);
}

TEST(Badges, TagChipHasARemoveButtonOnlyWhenAsked) {
    TagChip plain(QStringLiteral("ui"));
    EXPECT_EQ(plain.removeButton(), nullptr);

    int removed = 0;
    TagChip removable(QStringLiteral("ui"), [&] { ++removed; });
    ASSERT_NE(removable.removeButton(), nullptr);
    removable.show();
    QTest::mouseClick(removable.removeButton(), Qt::LeftButton);
    EXPECT_EQ(removed, 1);
    EXPECT_GT(removable.sizeHint().width(), plain.sizeHint().width());
}

TEST(Labels, SectionLabelIsUpperCase) {
    EXPECT_EQ(SectionLabel(QStringLiteral("Recent groups")).shownText(),
              QStringLiteral("RECENT GROUPS"));
}

TEST(AppIcon, FoundThroughTheDesktopEntryElseTheWindowSymbol) {
    test::TempFolder data;
    test::ScopedEnv home("XDG_DATA_HOME", data.path().string());
    test::ScopedEnv dirs("XDG_DATA_DIRS", data.path().string());
    const auto applications = data.path() / "applications";
    std::filesystem::create_directories(applications);

    QImage picture(16, 16, QImage::Format_ARGB32);
    picture.fill(Qt::red);
    const auto png = data.path() / "editor.png";
    ASSERT_TRUE(picture.save(toQString(png.string())));

    EXPECT_FALSE(AppIconView::icon(std::nullopt));
    EXPECT_FALSE(AppIconView::icon(std::string("org.example.Editor")));
    AppIconView missing(std::string("org.example.Editor"), 32);
    EXPECT_TRUE(missing.showsFallback());
    EXPECT_EQ(missing.size(), QSize(32, 32));

    // Installed after the first look-up: found by the next.
    test::writeFile(applications / "org.example.Editor.desktop",
                    "[Desktop Entry]\nName=Editor\nIcon=" + png.string() +
                        "\n[Desktop Action x]\nIcon=other\n");
    const auto icon = AppIconView::icon(std::string("org.example.Editor"));
    ASSERT_TRUE(icon);
    EXPECT_EQ(icon->pixmap(16, 16).toImage().pixelColor(8, 8), QColor(Qt::red));
    EXPECT_FALSE(AppIconView(std::string("org.example.Editor"), 32).showsFallback());
    EXPECT_FALSE(AppIconView::icon(std::string("../applications/org.example.Editor")));
}

TEST(PersonAvatar, ColourComesFromTheIdAlone) {
    // h = 97 × 31 + 98 = 3105; 3105 mod 360 = 225.
    EXPECT_DOUBLE_EQ(PersonAvatar::hue("ab"), 225.0 / 360.0);
    EXPECT_DOUBLE_EQ(PersonAvatar::hue(""), 0.0);
    EXPECT_EQ(PersonAvatar::color("p-1"), PersonAvatar::color("p-1"));
    EXPECT_NE(PersonAvatar::color("p-1"), PersonAvatar::color("p-2"));
    // Long ids wrap within 31 bits instead of overflowing.
    const std::string longID(200, 'z');
    EXPECT_GE(PersonAvatar::hue(longID), 0.0);
    EXPECT_LT(PersonAvatar::hue(longID), 1.0);

    PersonAvatar nobody(std::nullopt, 16);
    EXPECT_EQ(nobody.toolTip(), QStringLiteral("Unassigned"));
    PersonAvatar ada(Person{"p-1", "Ada Lovelace"}, 16);
    EXPECT_EQ(ada.toolTip(), QStringLiteral("Ada Lovelace"));
}

TEST(AssigneeMenu, SectionsForHumansAndBotsOnlyWhenPresent) {
    const Person ada{"p-1", "Ada", {}, {}, "human"};
    const Person claude{"b-1", "Claude", {}, {}, "bot"};
    const Person shouty{"p-2", "Shouty", {}, {}, "BOT"};
    using E = AssigneeEntry;
    const E unassigned{false, "Unassigned", std::nullopt};
    const E divider{true, "", std::nullopt};

    EXPECT_EQ(assigneeEntries({}), std::vector<E>{unassigned});
    EXPECT_EQ(assigneeEntries({claude}),
              (std::vector<E>{unassigned, divider, {false, "Claude (bot)", "b-1"}}));
    EXPECT_EQ(assigneeEntries({claude, ada, shouty}),
              (std::vector<E>{unassigned,
                              divider,
                              {false, "Ada", "p-1"},
                              {false, "Shouty", "p-2"},
                              divider,
                              {false, "Claude (bot)", "b-1"}}));

    std::vector<std::optional<std::string>> chosen;
    AssigneeMenu menu(
        {ada, claude}, ada, [&](const auto& id) { chosen.push_back(id); }, false);
    const auto actions = menu.menu()->actions();
    ASSERT_EQ(actions.size(), 5);
    actions[0]->trigger();
    actions[4]->trigger();
    EXPECT_EQ(chosen, (std::vector<std::optional<std::string>>{std::nullopt, "b-1"}));

    AssigneeMenu compact({ada}, std::nullopt, {}, true);
    EXPECT_LT(compact.width(), menu.width());

    // Names come from other people's accounts; an ampersand in one is shown, not a mnemonic.
    const Person pair{"p-3", "Tom & Jerry", {}, {}, "human"};
    const Person agents{"b-2", "R&D", {}, {}, "bot"};
    AssigneeMenu named({pair, agents}, pair, {}, false);
    const auto shown = named.menu()->actions();
    ASSERT_EQ(shown.size(), 5);
    EXPECT_EQ(shown[2]->iconText(), QStringLiteral("Tom & Jerry"));
    EXPECT_EQ(shown[4]->iconText(), QStringLiteral("R&D (bot)"));
}

} // namespace
