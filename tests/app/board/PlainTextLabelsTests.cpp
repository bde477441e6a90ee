// Names and notes written by agents, workspace members and other programs reach the app's
// labels as text, never as rich text: "<img src=…>" must not load a local file.
#include "board/BoardView.h"
#include "compose/ComposePanel.h"
#include "compose/ComposeView.h"
#include "model/Time.h"
#include "model/Uuid.h"
#include "values/Preferences.h"
#include "values/Utf8.h"

#include "../compose/ComposeFixture.h"
#include "LibraryFixture.h"
#include "RecordingActions.h"
#include "TempLibrary.h"

#include <QLabel>
#include <QSettings>
#include <QTest>

#include <gtest/gtest.h>

using namespace tavro;
using namespace tavro::test;

namespace {

const std::string hostile = "<img src=\"/usr/share/pixmaps/debian-logo.png\"><b>bold</b>";

// Every label under `root` that shows the hostile text, and how many of them render it as
// rich text.
std::pair<int, int> labelsShowingHostileText(const QWidget& root) {
    int showing = 0;
    int rich = 0;
    for (const QLabel* label : root.findChildren<QLabel*>()) {
        if (!label->text().contains(QStringLiteral("<b>bold</b>")))
            continue;
        ++showing;
        if (label->textFormat() != Qt::PlainText) {
            ++rich;
            ADD_FAILURE() << "rich text in " << label->metaObject()->className() << " "
                          << label->objectName().toStdString();
        }
    }
    return {showing, rich};
}

} // namespace

TEST(PlainTextLabelsTest, StoredNamesAndNotesShowAsText) {
    LibraryFixture f;
    const CaptureGroup group = f.store().upsertGroup(CaptureGroup{.id = makeUUID(),
                                                                  .name = hostile,
                                                                  .colorHex = "#6E7BF2",
                                                                  .createdAt = now(),
                                                                  .updatedAt = now()});
    Capture capture = LibraryFixture::makeCapture(hostile);
    capture.groupID = group.id;
    capture.appName = hostile;
    capture.windowTitle = hostile;
    f.store().insert(capture);
    f.store().setTags({hostile}, capture.id);
    f.reloadAndWait();

    TempFolder folder;
    QSettings legacy(toQString((folder.path() / "legacy.conf").string()), QSettings::IniFormat);
    Preferences preferences(
        std::make_unique<QSettings>(toQString((folder.path() / "current.conf").string()),
                                    QSettings::IniFormat),
        legacy);
    test::RecordingActions actions;
    BoardView board(*f.library, preferences, actions);
    board.resize(1180, 760);
    board.show();
    board.setFilter(LibraryFilter::group(group.id));
    board.openCapture(capture.id);
    QCoreApplication::processEvents();
    const auto [onBoard, richOnBoard] = labelsShowingHostileText(board);
    EXPECT_GT(onBoard, 0);
    EXPECT_EQ(richOnBoard, 0);

    ComposeFixture compose;
    PendingCapture pending = compose.pending(1);
    pending.context.appName = hostile;
    pending.context.windowTitle = hostile;
    compose.controller.present(pending, {group}, compose.callbacks());
    ASSERT_NE(compose.controller.panel(), nullptr);
    QCoreApplication::processEvents();
    EXPECT_EQ(labelsShowingHostileText(*compose.controller.panel()).second, 0);
}
