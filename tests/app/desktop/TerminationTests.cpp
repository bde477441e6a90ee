#include "desktop/TerminationSignal.h"
#include "detail/NoteSection.h"

#include "LibraryFixture.h"

#include <QCoreApplication>
#include <QPlainTextEdit>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <csignal>

using namespace tavro;
using namespace tavro::test;

// SIGTERM and SIGHUP quit the way the Quit command does, and quitting writes the note being typed
// before its countdown has run out.
TEST(TerminationTest, SigtermAndSighupQuitAndTheNoteBeingTypedIsStored) {
    for (const int signal : {SIGTERM, SIGHUP}) {
        SCOPED_TRACE(signal == SIGTERM ? "SIGTERM" : "SIGHUP");
        LibraryFixture f;
        const Capture capture = LibraryFixture::makeCapture("before");
        f.store().insert(capture);
        f.reloadAndWait();
        NoteSection note(*f.library, capture.id);
        note.show();
        note.editor()->setFocus();
        note.editor()->moveCursor(QTextCursor::End);
        QTest::keyClicks(note.editor(), QStringLiteral(" and after"));

        QObject scope;
        quitOnTermination(&scope);
        QTimer::singleShot(0, [signal] { std::raise(signal); });
        // Returns only once the signal has quit the loop.
        EXPECT_EQ(QCoreApplication::exec(), 0);
        // The write was handed to the library's writer before the loop returned.
        f.settle();
        EXPECT_EQ(f.store().capture(capture.id)->note, "before and after");
    }
}
