#include "board/SidebarView.h"

#include "AnsweringFolderChooser.h"
#include "SeededBoard.h"
#include "ViewPicture.h"

#include <QListWidget>
#include <QTest>

#include <gtest/gtest.h>

using namespace tavro;
using tavro::test::LibraryFixture;

TEST(SidebarPicture, SignedOutAndSignedInWithAGroupChosen) {
    for (bool signedIn : {false, true}) {
        LibraryFixture f;
        test::SeededBoard board(f, signedIn);
        test::AnsweringFolderChooser folders;
        SidebarView sidebar(*f.library, folders);
        sidebar.resize(214, 700);
        sidebar.setSelection(LibraryFilter::group(board.groups[0].id));
        sidebar.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&sidebar));
        EXPECT_EQ(sidebar.rows().library.size(), signedIn ? 8u : 6u);
        test::savePicture(sidebar, signedIn ? QStringLiteral("sidebar-signed-in")
                                            : QStringLiteral("sidebar"));
    }
}
