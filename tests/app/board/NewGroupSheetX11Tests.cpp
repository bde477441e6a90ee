#include "board/NewGroupSheet.h"

#include "AnsweringFolderChooser.h"
#include "LibraryFixture.h"
#include "ViewPicture.h"

#include <QAbstractButton>
#include <QLineEdit>
#include <QTest>

#include <gtest/gtest.h>

using namespace tavro;
using tavro::test::LibraryFixture;

TEST(NewGroupSheetPicture, EmptyAndFilledIn) {
    LibraryFixture f;
    test::AnsweringFolderChooser folders;
    QWidget window;
    window.resize(600, 500);
    window.show();
    NewGroupSheet sheet(*f.library, folders, &window);
    sheet.open();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&sheet));
    test::savePicture(sheet, QStringLiteral("new-group-sheet-empty"));
    QTest::keyClicks(sheet.nameField(), QStringLiteral("Checkout flow"));
    QTest::keyClicks(sheet.folderField(), QStringLiteral("~/dev/shop"));
    QTest::mouseClick(sheet.swatches()[2], Qt::LeftButton);
    test::savePicture(sheet, QStringLiteral("new-group-sheet-filled"));
}
