#include "ComposeFixture.h"

#include "compose/ComposeControls.h"
#include "compose/ComposeHeader.h"
#include "compose/ComposeView.h"

#include <QDir>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QPlainTextEdit>
#include <QTest>

#include "ViewPicture.h"

#include <gtest/gtest.h>

#include <xcb/xcb.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

using namespace tavro;
using namespace tavro::test;

namespace {

void save(QWidget& widget, const QString& name) {
    test::savePicture(widget, name);
}

CaptureGroup group(const std::string& id, const std::string& name, const std::string& color) {
    CaptureGroup made;
    made.id = id;
    made.name = name;
    made.colorHex = color;
    return made;
}

} // namespace

TEST(ComposeGallery, TheNoteBoxAsShown) {
    ComposeFixture fixture;
    fixture.defaultGroup = "g2";
    PendingCapture pending = fixture.pending(3);
    pending.images[1].annotation.shapes.push_back({});
    pending.draft.note = "The sign-in button overlaps the footer";
    pending.draft.tagText = "ui, Login";
    pending.draft.priority = CapturePriority::high;
    const std::vector<CaptureGroup> groups{group("g1", "Backlog", "#F59E0B"),
                                           group("g2", "Checkout", "#10B981")};
    fixture.controller.present(pending, groups, fixture.callbacks());
    ComposePanel* panel = fixture.controller.panel();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(panel));
    // The thumbnails arrive from the loader's pool.
    EXPECT_TRUE(QTest::qWaitFor([&] { return fixture.loader.cache().count() >= 3; }, 5000));
    save(*panel, QStringLiteral("note-box"));

    QMenu* menu = panel->view()->groupMenu();
    emit menu->aboutToShow();
    menu->actions().last()->trigger();
    QTest::keyClicks(panel->view()->newGroupField()->lineEdit(), QStringLiteral("Onboard"));
    save(*panel, QStringLiteral("note-box-new-group"));

    fixture.controller.present(fixture.pending(0), groups, fixture.callbacks());
    panel = fixture.controller.panel();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(panel));
    (void)QTest::qWaitFor([&] { return panel->height() < 400; }, 2000);
    EXPECT_LT(panel->height(), 400) << "a note-only box is shorter";
    save(*panel, QStringLiteral("note-box-text-only"));
    fixture.controller.dismiss();
}

namespace {

std::vector<std::uint32_t> cardinals(xcb_connection_t* c, xcb_window_t window, const char* name,
                                     xcb_atom_t type) {
    auto atomCookie = xcb_intern_atom(c, 0, uint16_t(std::strlen(name)), name);
    std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> atom(
        xcb_intern_atom_reply(c, atomCookie, nullptr), &std::free);
    if (!atom)
        return {};
    auto cookie = xcb_get_property(c, 0, window, atom->atom, type, 0, 64);
    std::unique_ptr<xcb_get_property_reply_t, decltype(&std::free)> reply(
        xcb_get_property_reply(c, cookie, nullptr), &std::free);
    if (!reply || reply->format != 32)
        return {};
    const auto* values = static_cast<const std::uint32_t*>(xcb_get_property_value(reply.get()));
    return std::vector<std::uint32_t>(values,
                                      values + xcb_get_property_value_length(reply.get()) / 4);
}

xcb_atom_t atomNamed(xcb_connection_t* c, const char* name) {
    auto cookie = xcb_intern_atom(c, 0, uint16_t(std::strlen(name)), name);
    std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> reply(
        xcb_intern_atom_reply(c, cookie, nullptr), &std::free);
    return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
}

} // namespace

TEST(ComposeGallery, TheBoxIsOnEveryDesktopAndKeepsItsEdgeOverAWhiteWindow) {
    ComposeFixture fixture;
    PendingCapture pending = fixture.pending(3);
    // One screenshot whose file has gone shows the shared missing-image notice in the strip.
    pending.images[2].written.relativePath = "2026/12/gone.png";
    pending.draft.note = "The sign-in button overlaps the footer";
    const std::vector<CaptureGroup> groups{group(
        "g1", "Checkout and payment flow regressions found in the spring release", "#F59E0B")};
    pending.draft.groupID = "g1";
    pending.draft.groupChosen = true;
    fixture.controller.present(pending, groups, fixture.callbacks());
    ComposePanel* panel = fixture.controller.panel();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(panel));

    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    ASSERT_NE(x11, nullptr);
    xcb_connection_t* c = x11->connection();
    const auto window = xcb_window_t(panel->winId());
    const auto states = cardinals(c, window, "_NET_WM_STATE", XCB_ATOM_ATOM);
    EXPECT_NE(std::find(states.begin(), states.end(), atomNamed(c, "_NET_WM_STATE_STICKY")),
              states.end());
    EXPECT_NE(std::find(states.begin(), states.end(), atomNamed(c, "_NET_WM_STATE_ABOVE")),
              states.end())
        << "Qt's own states stay beside it";
    EXPECT_EQ(cardinals(c, window, "_NET_WM_DESKTOP", XCB_ATOM_CARDINAL),
              std::vector<std::uint32_t>{0xFFFFFFFF});

    ASSERT_TRUE(QTest::qWaitFor([&] {
        const auto& tiles = panel->view()->strip()->tiles();
        return std::all_of(tiles.begin(), tiles.end(), [](StripTile* t) { return t->isLoaded(); });
    }));
    // Over a white window, as a person would see it.
    const double ratio = panel->devicePixelRatioF();
    QPixmap backdrop((panel->size() + QSize(2 * ComposePanel::shadowMargin + 80,
                                            2 * ComposePanel::shadowMargin + 80)) *
                     ratio);
    backdrop.setDevicePixelRatio(ratio);
    backdrop.fill(Qt::white);
    fixture.controller.dismiss();
    for (bool composited : {false, true}) {
        SCOPED_TRACE(composited ? "with a compositor" : "without one");
        auto* view = new ComposeView(pending, groups, std::nullopt, fixture.loader, {});
        ComposePanel shown(view, composited, fixture.desktop);
        shown.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&shown));
        ASSERT_TRUE(QTest::qWaitFor([&] {
            const auto& tiles = view->strip()->tiles();
            return std::all_of(tiles.begin(), tiles.end(),
                               [](StripTile* t) { return t->isLoaded(); });
        }));
        // The window as the screen shows it (its shape, or its own transparency), laid over the
        // white window.
        const QPixmap layer = shown.grab();
        QPixmap picture = backdrop.copy();
        QPainter painter(&picture);
        painter.translate(40, 40);
        if (!composited)
            painter.setClipRegion(shown.mask());
        painter.drawPixmap(QPoint(0, 0), layer);
        painter.end();
        const QString name = composited ? QStringLiteral("note-box-edge-composited")
                                        : QStringLiteral("note-box-edge");
        QDir().mkpath(QStringLiteral(TAVRO_SCREENSHOT_DIR));
        ASSERT_TRUE(picture.save(
            QStringLiteral(TAVRO_SCREENSHOT_DIR) + u'/' + name + QStringLiteral("-scale") +
            QString::number(picture.devicePixelRatio()) + QStringLiteral(".png")));
        // The border shows at the middle of the box's left edge, where white meets white.
        const QImage image = picture.toImage();
        const QPoint edge =
            ((QPointF(40, 40) + QPointF(shown.boxRect().left(), shown.boxRect().center().y())) *
             ratio)
                .toPoint();
        EXPECT_LT(image.pixelColor(edge).lightness(), 240);
        if (composited) {
            const QPoint corner =
                ((QPointF(40, 40) + QPointF(shown.boxRect().topLeft()) + QPointF(1, 1)) * ratio)
                    .toPoint();
            EXPECT_GT(image.pixelColor(corner).lightness(), 200) << "the corner is cut away";
        }
    }
}
