#include "board/EmptyStateView.h"

#include <QFontMetrics>
#include <QLabel>
#include <QTest>

#include <gtest/gtest.h>

using namespace tavro;

TEST(EmptyStateViewTest, TheMessageShowsEveryLineItWrapsTo) {
    struct Case {
        const char* name;
        LibraryFilter filter;
        bool searching;
        int lines;
    } cases[] = {
        {"the empty inbox", LibraryFilter::inbox(), false, 2},
        {"a search without matches", LibraryFilter::inbox(), true, 2},
        {"an empty tag", LibraryFilter::tag("ui"), false, 1},
    };
    EmptyStateView view;
    view.resize(900, 640);
    view.show();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        view.present(c.filter, c.searching, QStringLiteral("Alt+Shift+2"));
        QCoreApplication::processEvents();
        const QLabel* message = view.messageLabel();
        const QFontMetrics metrics(message->font());
        const QRect wrapped =
            metrics.boundingRect(QRect(0, 0, message->width(), 10000),
                                 Qt::TextWordWrap | Qt::AlignHCenter, message->text());
        EXPECT_GE(wrapped.height(), c.lines * metrics.lineSpacing());
        EXPECT_GE(message->height(), wrapped.height());
        EXPECT_TRUE(message->isVisible());
    }
}
