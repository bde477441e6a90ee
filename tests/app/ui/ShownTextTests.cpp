#include "ui/ShownText.h"

#include <gtest/gtest.h>

using namespace tavro;

namespace {

constexpr QChar fsi(0x2068);
constexpr QChar pdi(0x2069);

} // namespace

TEST(ShownNameTest, OneIsolatedLineOfBoundedLength) {
    const QString hebrew = QStringLiteral("\u05D1\u05D3\u05D9\u05E7\u05D4");
    const struct {
        const char* name;
        QString stored;
        QString shown;
    } cases[] = {
        {"a plain name stays", QStringLiteral("checkout"), QStringLiteral("checkout")},
        {"line breaks become spaces", QStringLiteral("two\nlines\r\nhere"),
         QStringLiteral("two lines here")},
        {"other controls become spaces", QStringLiteral("bell\aescape\x1b[31m"),
         QStringLiteral("bell escape [31m")},
        {"a direction override is dropped", QStringLiteral("\u202Egnp.exe"),
         QStringLiteral("gnp.exe")},
        {"isolates from outside are dropped", QStringLiteral("a\u2067b\u2069"),
         QStringLiteral("ab")},
        {"right-to-left text is isolated", hebrew, fsi + hebrew + pdi},
        {"markup is text", QStringLiteral("<img src=\"/etc/x.png\">"),
         QStringLiteral("<img src=\"/etc/x.png\">")},
        {"a long name is cut with an ellipsis", QString(200, u'x'),
         QString(120, u'x') + QChar(0x2026)},
        // e + combining acute is one character.
        {"cuts fall between characters", QString(119, u'x') + QStringLiteral("e\u0301tail"),
         QString(119, u'x') + QStringLiteral("e\u0301") + QChar(0x2026)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(shownName(c.stored), c.shown);
    }
}

TEST(ShownNameTest, AMegabyteNameCostsOnlyWhatIsShown) {
    const QString huge(1 << 20, u'w');
    const QString shown = shownName(huge);
    EXPECT_EQ(shown.size(), 121);
}
