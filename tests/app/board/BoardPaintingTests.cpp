#include "board/BoardPainting.h"
#include "ui/Theme.h"

#include <QFontMetricsF>

#include <gtest/gtest.h>

#include <vector>

using namespace tavro;

TEST(WrappedTextLines, KeepTheNotesOwnLinesAndHideWhatIsPastTheLimit) {
    const QString more = QString(QChar(0x2026));
    struct Case {
        const char* name;
        QString text;
        int maxLines;
        std::vector<QString> lines;
    };
    const Case cases[] = {
        {"one short line", QStringLiteral("Typo"), 4, {QStringLiteral("Typo")}},
        {"the note's lines stay lines",
         QStringLiteral("Steps:\nopen settings\r\nclick save"),
         4,
         {QStringLiteral("Steps:"), QStringLiteral("open settings"), QStringLiteral("click save")}},
        {"lines past the limit are hidden, not joined",
         QStringLiteral("one\ntwo\nthree\nfour\nfive\nsix"),
         4,
         {QStringLiteral("one"), QStringLiteral("two"), QStringLiteral("three"),
          QStringLiteral("four") + more}},
        {"blank lines after the limit count as nothing",
         QStringLiteral("one\ntwo\n\n  \n"),
         2,
         {QStringLiteral("one"), QStringLiteral("two")}},
    };
    const QFont font = Theme::Font::callout();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(wrappedTextLines(c.text, font, 400, c.maxLines), c.lines);
    }

    // A long line still wraps at the width, the last line cut with an ellipsis.
    const QString words =
        QStringLiteral("alpha beta gamma delta epsilon zeta eta theta iota kappa");
    const double width = QFontMetricsF(font).horizontalAdvance(QStringLiteral("alpha beta gamma"));
    const auto wrapped = wrappedTextLines(words, font, width, 2);
    ASSERT_EQ(wrapped.size(), 2u);
    EXPECT_EQ(wrapped[0], QStringLiteral("alpha beta gamma"));
    EXPECT_TRUE(wrapped[1].endsWith(more));
}
