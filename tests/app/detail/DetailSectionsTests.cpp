#include "detail/ClampedLabel.h"
#include "detail/ClampedText.h"
#include "detail/CommentCard.h"
#include "detail/CommentHeader.h"
#include "detail/CommentSection.h"
#include "detail/ContextSection.h"
#include "detail/HistorySection.h"
#include "detail/NoteSection.h"
#include "detail/TagSection.h"
#include "detail/WrappingLabel.h"
#include "ui/Theme.h"
#include "values/Utf8.h"

#include "FakeTimer.h"
#include "LibraryFixture.h"

#include <QAbstractButton>
#include <QClipboard>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

using namespace tavro;
using tavro::test::FakeTimer;
using tavro::test::LibraryFixture;

namespace {

// One stored capture, as the pane opens it.
struct OpenCapture {
    explicit OpenCapture(const std::string& note = "first") {
        capture = LibraryFixture::makeCapture(note);
        EXPECT_TRUE(test::awaitWrite(f.library->add(capture, {"ui"}, {})));
        f.settle();
    }

    Capture stored() { return *f.store().capture(capture.id); }
    // Another program (an agent, sync) changes the capture while the pane is open.
    void writeElsewhere(const std::function<void(Capture&)>& change) {
        Capture other = stored();
        change(other);
        f.store().update(other);
        f.reloadAndWait();
    }

    LibraryFixture f;
    Capture capture;
};

// A note section whose countdown the test runs out.
struct OpenNote : OpenCapture {
    using OpenCapture::OpenCapture;
    NoteSection& section() {
        if (!note) {
            auto fake = std::make_unique<FakeTimer>();
            timer = fake.get();
            note = std::make_unique<NoteSection>(*f.library, capture.id, std::move(fake));
        }
        return *note;
    }
    FakeTimer* timer = nullptr;
    std::unique_ptr<NoteSection> note;
};

// Records what the desktop was asked to open, instead of a browser.
class OpenedLinks final : public QObject {
    Q_OBJECT

public:
    OpenedLinks() {
        for (const char* scheme : {"http", "https", "mailto", "file", "javascript"})
            QDesktopServices::setUrlHandler(QString::fromLatin1(scheme), this, "open");
    }
    ~OpenedLinks() override {
        for (const char* scheme : {"http", "https", "mailto", "file", "javascript"})
            QDesktopServices::unsetUrlHandler(QString::fromLatin1(scheme));
    }
    std::vector<QUrl> opened;

public slots:
    void open(const QUrl& url) { opened.push_back(url); }
};

} // namespace

TEST(NoteSectionTest, TypingIsWrittenOnceWhenTheCountdownRunsOutAndOnlyWhenItChangedTheNote) {
    struct Case {
        const char* name;
        QString keys; // typed at the end of the note; "\b" deletes one character
        std::string stored;
    };
    const std::vector<Case> cases{
        {"three quick keys", QStringLiteral("abc"), "firstabc"},
        {"typed and deleted again", QStringLiteral("x\b"), "first"},
        {"a trailing space", QStringLiteral(" "), "first "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        OpenNote pane;
        QPlainTextEdit* editor = pane.section().editor();
        EXPECT_EQ(editor->toPlainText(), QStringLiteral("first"));
        EXPECT_EQ(pane.timer->starts, 0); // loading the note is no edit
        editor->moveCursor(QTextCursor::End);
        const Seconds before = pane.stored().updatedAt;
        for (QChar key : c.keys) {
            if (key == u'\b')
                QTest::keyClick(editor, Qt::Key_Backspace);
            else
                QTest::keyClicks(editor, QString(key));
        }
        EXPECT_EQ(pane.timer->starts, static_cast<int>(c.keys.size()));
        EXPECT_EQ(pane.stored().note, "first");
        pane.timer->fire();
        pane.f.settle();
        EXPECT_EQ(pane.stored().note, c.stored);
        EXPECT_EQ(pane.stored().updatedAt != before, c.stored != "first");
        // The pane closing afterwards writes nothing more.
        const Seconds written = pane.stored().updatedAt;
        pane.f.settle();
        pane.section().flush();
        pane.f.settle();
        EXPECT_EQ(pane.stored().updatedAt, written);
    }
}

TEST(NoteSectionTest, ClosingThePaneWritesAnEditAtOnce) {
    OpenNote pane;
    pane.section().editor()->setPlainText(QStringLiteral("closed early"));
    EXPECT_TRUE(pane.timer->isActive());
    pane.section().flush();
    pane.f.settle();
    EXPECT_FALSE(pane.timer->isActive());
    EXPECT_EQ(pane.stored().note, "closed early");
}

// A write the store refuses is said under the note, in words, with the text kept; the next
// write that succeeds takes the message away.
TEST(NoteSectionTest, AFailedAutosaveIsShownAndKeepsTheText) {
    OpenNote pane;
    QLabel* failure = pane.section().failure();
    pane.f.store().db().executeRaw("CREATE TRIGGER refuse BEFORE UPDATE ON captures BEGIN "
                                   "SELECT RAISE(ABORT, 'database or disk is full'); END;");
    pane.section().editor()->setPlainText(QStringLiteral("typed on a full disk"));
    pane.timer->fire();
    pane.f.settle();
    EXPECT_EQ(pane.stored().note, "first");
    EXPECT_FALSE(failure->isHidden());
    EXPECT_TRUE(failure->text().contains(QStringLiteral("The disk is full")));
    EXPECT_FALSE(failure->text().contains(QStringLiteral("SQL")));
    EXPECT_EQ(pane.section().editor()->toPlainText(), QStringLiteral("typed on a full disk"));

    pane.f.store().db().executeRaw("DROP TRIGGER refuse;");
    pane.section().editor()->setPlainText(QStringLiteral("typed again"));
    pane.timer->fire();
    pane.f.settle();
    EXPECT_EQ(pane.stored().note, "typed again");
    EXPECT_TRUE(failure->isHidden());
}

TEST(NoteSectionTest, AnAgentsEditWhileThePaneIsOpenIsShownAndSurvivesClosingIt) {
    OpenNote pane;
    pane.section();
    pane.writeElsewhere([](Capture& c) { c.note = "from the agent"; });
    EXPECT_EQ(pane.section().editor()->toPlainText(), QStringLiteral("from the agent"));
    EXPECT_EQ(pane.timer->starts, 0);
    const Seconds before = pane.stored().updatedAt;
    pane.section().flush();
    pane.f.settle();
    EXPECT_EQ(pane.stored().note, "from the agent");
    EXPECT_EQ(pane.stored().updatedAt, before);
}

TEST(NoteSectionTest, WhatTheUserTypedIsNotReplacedByANewerNote) {
    OpenNote pane;
    QTest::keyClicks(pane.section().editor(), QStringLiteral("mine "));
    pane.writeElsewhere([](Capture& c) { c.note = "theirs"; });
    EXPECT_EQ(pane.section().editor()->toPlainText(), QStringLiteral("mine first"));
    pane.timer->fire();
    pane.f.settle();
    EXPECT_EQ(pane.stored().note, "mine first");
}

TEST(ClampedTextTest, KeepsToItsLinesAndGivesUpTheEndOrTheMiddle) {
    const QFont font = Theme::Font::caption();
    const QFontMetricsF metrics(font);
    const double width = metrics.horizontalAdvance(QStringLiteral("abcdefghij")) + 1;
    const QString ellipsis(QChar(0x2026));
    struct Case {
        const char* name;
        QString text;
        int maxLines;
        Qt::TextElideMode mode;
        qsizetype lines;
    };
    const std::vector<Case> cases{
        {"fits on one line", QStringLiteral("short"), 2, Qt::ElideRight, 1},
        {"wraps onto two", QStringLiteral("abcde fghij klmno"), 2, Qt::ElideRight, 2},
        {"a long word breaks anywhere", QStringLiteral("abcdefghijklmnop"), 2, Qt::ElideRight, 2},
        {"too long loses its end", QStringLiteral("aaaa bbbb cccc dddd eeee ffff gggg"), 2,
         Qt::ElideRight, 2},
        {"too long loses its middle",
         QStringLiteral("https://example.com/a/very/long/path/that/ends/here.html"), 2,
         Qt::ElideMiddle, 2},
        {"empty", QString(), 2, Qt::ElideRight, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QStringList lines = clampedLines(c.text, font, width, c.maxLines, c.mode);
        EXPECT_EQ(lines.size(), c.lines);
        const QString joined = lines.join(QString());
        for (const QString& line : lines)
            EXPECT_LE(metrics.horizontalAdvance(line.trimmed()), width) << line.toStdString();
        const bool shortened = joined.contains(ellipsis);
        EXPECT_EQ(shortened, joined.size() != c.text.size());
        if (shortened && c.mode == Qt::ElideMiddle) {
            EXPECT_TRUE(joined.startsWith(QStringLiteral("https://")));
            EXPECT_TRUE(joined.endsWith(QStringLiteral(".html")));
        }
        if (shortened && c.mode == Qt::ElideRight) {
            EXPECT_TRUE(joined.endsWith(ellipsis));
        }
    }
    // A character made of two code units is never cut in half.
    const QString faces = QString::fromUtf8("\xF0\x9F\x98\x80").repeated(40);
    for (const QString& line : clampedLines(faces, font, width, 2, Qt::ElideMiddle))
        for (QChar unit : line)
            EXPECT_TRUE(unit == QChar(0x2026) || unit.isSurrogate());
}

TEST(ContextSectionTest, OnlyWebAndMailAddressesBecomeLinksAndTheyOpenTheFullAddress) {
    struct Case {
        const char* url;
        bool link;
    };
    const std::vector<Case> cases{
        {"https://shop.example/checkout/a/rather/long/path/to/make/it/wrap?step=2", true},
        {"mailto:team@example.com", true},
        {"file:///home/me/.ssh/id_rsa", false},
        {"javascript:alert(1)", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.url);
        LibraryFixture f;
        Capture capture = LibraryFixture::makeCapture("shot");
        capture.url = c.url;
        capture.appName = "Firefox";
        ASSERT_TRUE(test::awaitWrite(f.library->add(capture, {}, {})));
        f.settle();
        ContextSection section(*f.library, capture.id);
        section.resize(200, 200);
        const auto labels = section.findChildren<ClampedLabel*>();
        const auto url = std::find_if(labels.begin(), labels.end(), [&](ClampedLabel* label) {
            return label->fullText() == QString::fromUtf8(c.url);
        });
        ASSERT_NE(url, labels.end());
        EXPECT_EQ((*url)->link().has_value(), c.link);
        EXPECT_EQ((*url)->textFormat(), c.link ? Qt::RichText : Qt::PlainText);
        OpenedLinks links;
        emit(*url)->linkActivated(QStringLiteral("#open"));
        ASSERT_EQ(links.opened.size(), c.link ? 1u : 0u);
        if (c.link) {
            EXPECT_EQ(links.opened[0], QUrl(QString::fromUtf8(c.url)));
        }
    }
}

TEST(ContextSectionTest, FollowsTheCaptureAsTheBoardPublishesIt) {
    OpenCapture pane;
    ContextSection section(*pane.f.library, pane.capture.id);
    EXPECT_EQ(section.title(), QStringLiteral("FILED FROM"));
    EXPECT_EQ(section.rows().front().value, "Unknown");
    pane.writeElsewhere([](Capture& c) {
        c.appName = "Files";
        c.url = "https://example.com/";
    });
    EXPECT_EQ(section.rows().front().value, "Files");
    ASSERT_EQ(section.rows().size(), 3u); // App, URL, Mode
    EXPECT_TRUE(section.rows()[1].link);
}

TEST(TagSectionTest, ReturnStoresTheTidiedTagsAndTheLineStaysAsTyped) {
    OpenCapture pane;
    TagSection section(*pane.f.library, pane.capture.id);
    QLineEdit* field = section.field();
    EXPECT_EQ(field->text(), QStringLiteral("ui"));
    field->setText(QStringLiteral("UI , Crash,, Login Page "));
    QTest::keyClick(field, Qt::Key_Return);
    pane.f.settle();
    EXPECT_EQ(pane.f.library->tagsByCapture().at(pane.capture.id),
              (std::vector<std::string>{"crash", "login page", "ui"}));
    EXPECT_EQ(field->text(), QStringLiteral("UI , Crash,, Login Page "));
}

// A megabyte tag (an agent's doing) neither widens the pane nor comes back cut short when
// the line is stored again.
TEST(TagSectionTest, AHugeTagKeepsThePaneNarrowAndIsStoredWhole) {
    OpenCapture pane;
    const std::string huge(1 << 20, 'h');
    pane.f.store().setTags({huge, "ui"}, pane.capture.id);
    pane.f.reloadAndWait();
    TagSection section(*pane.f.library, pane.capture.id);
    EXPECT_LT(section.sizeHint().width(), 600);
    EXPECT_LT(section.minimumSizeHint().width(), 600);
    QTest::keyClick(section.field(), Qt::Key_Return);
    pane.f.settle();
    EXPECT_EQ(pane.f.library->tagsByCapture().at(pane.capture.id),
              (std::vector<std::string>{huge, "ui"}));
}

TEST(DetailSectionsTest, AFailedTagOrCommentWriteIsReportedAndTheNextSuccessClearsIt) {
    struct Case {
        const char* name;
        std::function<QLineEdit*(Library&, const std::string& captureID, WriteReport)> open;
    };
    std::vector<std::unique_ptr<QWidget>> sections;
    const std::vector<Case> cases{
        {"tags",
         [&](Library& library, const std::string& captureID, WriteReport report) {
             auto* section = new TagSection(library, captureID);
             section->setWriteReport(std::move(report));
             sections.emplace_back(section);
             return section->field();
         }},
        {"a comment",
         [&](Library& library, const std::string& captureID, WriteReport report) {
             auto* section = new CommentSection(library, captureID);
             section->setWriteReport(std::move(report));
             sections.emplace_back(section);
             return section->field();
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        OpenCapture pane;
        std::vector<std::string> reports;
        const WriteReport report = [&](const std::string& failure) {
            reports.push_back(failure);
        };
        // The capture went meanwhile: the store refuses the write, and the section says why.
        QLineEdit* gone = c.open(*pane.f.library, "no-such-capture", report);
        gone->setText(QStringLiteral("kept"));
        QTest::keyClick(gone, Qt::Key_Return);
        pane.f.settle();
        ASSERT_EQ(reports.size(), 1u);
        EXPECT_FALSE(reports[0].empty());
        EXPECT_EQ(gone->text(), QStringLiteral("kept"));

        QLineEdit* field = c.open(*pane.f.library, pane.capture.id, report);
        field->setText(QStringLiteral("fine"));
        QTest::keyClick(field, Qt::Key_Return);
        pane.f.settle();
        ASSERT_EQ(reports.size(), 2u);
        EXPECT_EQ(reports[1], "");
        sections.clear();
    }
}

TEST(CommentSectionTest, PostsWithReturnOrTheButtonAndKeepsTheTextWhenThePostFails) {
    OpenCapture pane;
    CommentSection section(*pane.f.library, pane.capture.id);
    pane.f.settle();
    EXPECT_EQ(section.title(), QStringLiteral("COMMENTS"));
    QLineEdit* field = section.field();
    QTest::keyClicks(field, QStringLiteral("   "));
    EXPECT_FALSE(section.postButton()->isEnabled());
    QTest::keyClick(field, Qt::Key_Return);
    EXPECT_TRUE(section.cards().empty());
    EXPECT_EQ(field->text(), QStringLiteral("   "));

    field->setText(QStringLiteral("  looks broken "));
    EXPECT_TRUE(section.postButton()->isEnabled());
    QTest::keyClick(field, Qt::Key_Return);
    pane.f.settle();
    EXPECT_EQ(field->text(), QString());
    field->setText(QStringLiteral("second"));
    QTest::mouseClick(section.postButton(), Qt::LeftButton);
    pane.f.settle();
    ASSERT_EQ(section.cards().size(), 2u);
    EXPECT_EQ(section.title(), QStringLiteral("COMMENTS (2)"));
    EXPECT_EQ(section.cards()[0]->comment().body, "looks broken");
    EXPECT_EQ(section.cards()[1]->comment().body, "second");
    EXPECT_EQ(section.cards()[1]->authorText(), QStringLiteral("you"));
    EXPECT_EQ(section.cards()[1]->ageText(), QStringLiteral("just now"));

    // The capture went meanwhile: the store refuses the comment, the text stays for another try.
    CommentSection gone(*pane.f.library, "no-such-capture");
    gone.field()->setText(QStringLiteral("kept"));
    QTest::keyClick(gone.field(), Qt::Key_Return);
    pane.f.settle();
    EXPECT_EQ(gone.field()->text(), QStringLiteral("kept"));
    EXPECT_TRUE(gone.cards().empty());
}

TEST(CommentSectionTest, ShowsCommentsWrittenElsewhereAfterTheBoardIsReadAgain) {
    OpenCapture pane;
    CommentSection section(*pane.f.library, pane.capture.id);
    pane.f.settle();
    pane.f.store().addComment(Comment{.id = "c-agent",
                                      .captureID = pane.capture.id,
                                      .author = "claude",
                                      .isAgent = true,
                                      .body = "On it",
                                      .createdAt = now(),
                                      .kind = "comment"});
    EXPECT_TRUE(section.cards().empty());
    pane.f.reloadAndWait();
    ASSERT_EQ(section.cards().size(), 1u);
    EXPECT_EQ(section.cards()[0]->authorText(), QStringLiteral("claude"));
}

TEST(CommentHeaderTest, MarksAgentsAndKeptConflicts) {
    struct Case {
        bool isAgent;
        const char* kind;
        Icon symbol;
        QString author;
    };
    const std::vector<Case> cases{
        {false, "comment", Icon::personFill, QStringLiteral("you")},
        {true, "comment", Icon::sparkles, QStringLiteral("you")},
        {false, "conflict", Icon::arrowTriangleBranch,
         QStringLiteral("you \u2014 edited at the same time; kept here")},
        {true, "conflict", Icon::arrowTriangleBranch,
         QStringLiteral("you \u2014 edited at the same time; kept here")},
        {false, "note", Icon::personFill, QStringLiteral("you")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.kind) + (c.isAgent ? " by an agent" : ""));
        Comment comment{.author = "you", .isAgent = c.isAgent, .kind = c.kind};
        EXPECT_EQ(commentHeader(comment), (CommentHeader{c.symbol, c.isAgent, c.author}));
    }
}

TEST(HistorySectionTest, ListsEventsNewestFirstAndIsAbsentWithoutAny) {
    OpenCapture pane;
    QWidget column;
    auto* history = new HistorySection(*pane.f.library, pane.capture.id, &column);
    pane.f.settle();
    EXPECT_EQ(history->lines(), QStringList{QStringLiteral("Filed without a screenshot")});
    ASSERT_TRUE(
        test::awaitWrite(pane.f.library->setStatus(CaptureStatus::resolved, pane.capture.id)));
    pane.f.settle();
    ASSERT_EQ(history->lines().size(), 2);
    EXPECT_TRUE(history->lines()[0].startsWith(QStringLiteral("you ")));
    EXPECT_FALSE(history->isHidden());

    auto* none = new HistorySection(*pane.f.library, "no-such-capture", &column);
    pane.f.settle();
    EXPECT_TRUE(none->isHidden());
    EXPECT_TRUE(none->lines().isEmpty());
}

#include "DetailSectionsTests.moc"

TEST(CommentCardTest, TheAuthorLineWrapsOnlyWhenTheColumnIsTooNarrow) {
    struct Case {
        const char* name;
        int width;
        bool oneLine;
    } cases[] = {
        {"a wide column", 640, true},
        {"a narrow column", 150, false},
    };
    Comment comment;
    comment.id = "c1";
    comment.author = "Claude Code on the build machine";
    comment.kind = "conflict";
    comment.body = "Both sides changed the note.";
    comment.createdAt = now() - 120;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CommentCard card(comment);
        card.resize(c.width, card.heightForWidth(c.width) > 0 ? card.heightForWidth(c.width)
                                                              : card.sizeHint().height());
        card.show();
        QCoreApplication::processEvents();
        WrappingLabel* author = nullptr;
        for (WrappingLabel* label : card.findChildren<WrappingLabel*>())
            if (label->text() == card.authorText())
                author = label;
        ASSERT_NE(author, nullptr);
        const int line = author->fontMetrics().lineSpacing();
        EXPECT_EQ(author->height() < 2 * line, c.oneLine) << author->height();
    }
}

// A word wider than the card (a hash, a URL, a path) breaks inside, so the card keeps the width it
// is given and every character of the comment stays on it; the text copied is the comment's own.
TEST(CommentCardTest, AWordTooLongForTheCardWrapsInsideItAndCopiesWhole) {
    const char* bodies[] = {
        "sha256:9f86d081884c7d659a2feaa0c55ad015a3bf4f1b2b0b822cd15d6c15b0f00a08a3bf4f1b2b0b8",
        "See https://ci.example.com/builds/2026/05/12/checkout-flow/artifacts/screenshots/"
        "narrow-window-1280x800-failure.png for the run",
        "/home/ada/src/shop/web/src/components/checkout/summary/TotalRowWithDiscountBadge.tsx",
    };
    for (const char* body : bodies) {
        SCOPED_TRACE(body);
        Comment comment;
        comment.id = "c1";
        comment.author = "claude";
        comment.isAgent = true;
        comment.kind = "comment";
        comment.body = body;
        comment.createdAt = now() - 60;
        QWidget column;
        auto* layout = new QVBoxLayout(&column);
        auto* card = new CommentCard(comment, &column);
        layout->addWidget(card);
        EXPECT_LE(column.minimumSizeHint().width(), 120) << "the card never asks for more";
        column.resize(300, column.heightForWidth(300) > 0 ? column.heightForWidth(300) : 400);
        column.show();
        QCoreApplication::processEvents();
        EXPECT_LE(card->width(), 300);
        WrappingLabel* text = nullptr;
        for (WrappingLabel* label : card->findChildren<WrappingLabel*>())
            if (label->text() == QString::fromUtf8(body))
                text = label;
        ASSERT_NE(text, nullptr);
        const int line = text->fontMetrics().lineSpacing();
        EXPECT_GE(text->heightForWidth(text->width()), 2 * line) << "it wraps";
        EXPECT_GE(text->height(), text->heightForWidth(text->width()));
        text->selectAll();
        EXPECT_EQ(text->selectedText(), QString::fromUtf8(body));
        QTest::keyClick(text, Qt::Key_C, Qt::ControlModifier);
        EXPECT_EQ(QGuiApplication::clipboard()->text(), QString::fromUtf8(body));
    }
}
