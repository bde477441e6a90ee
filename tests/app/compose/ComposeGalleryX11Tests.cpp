#include "ComposeFixture.h"

#include "compose/ComposeControls.h"
#include "compose/ComposeView.h"

#include <QDir>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTest>

#include <gtest/gtest.h>

using namespace tavro;
using namespace tavro::test;

namespace {

// Saves what a person would see, at the scale the test runs at, beside the build.
void save(QWidget& widget, const QString& name) {
    QDir().mkpath(QStringLiteral(TAVRO_SCREENSHOT_DIR));
    const QString file = QStringLiteral(TAVRO_SCREENSHOT_DIR) + u'/' + name +
                         QStringLiteral("-scale") + QString::number(widget.devicePixelRatioF()) +
                         QStringLiteral(".png");
    const QPixmap picture = widget.grab();
    ASSERT_FALSE(picture.isNull());
    ASSERT_TRUE(picture.save(file)) << file.toStdString();
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
    QTest::qWait(300); // the thumbnails arrive from the loader's pool
    save(*panel, QStringLiteral("note-box"));

    QMenu* menu = panel->view()->groupMenu();
    emit menu->aboutToShow();
    menu->actions().last()->trigger();
    QTest::keyClicks(panel->view()->newGroupField()->lineEdit(), QStringLiteral("Onboard"));
    QTest::qWait(100);
    save(*panel, QStringLiteral("note-box-new-group"));

    fixture.controller.present(fixture.pending(0), groups, fixture.callbacks());
    panel = fixture.controller.panel();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(panel));
    QTest::qWait(150);
    EXPECT_LT(panel->height(), 400) << "a note-only box is shorter";
    save(*panel, QStringLiteral("note-box-text-only"));
    fixture.controller.dismiss();
}
