#include "library/BoardCapture.h"

#include "EveryCaptureField.h"

#include <gtest/gtest.h>

using namespace tavro;

TEST(BoardCaptureTest, TheBoardsCopyGivesBackEveryField) {
    const Capture full = test::everyCaptureFieldSet();
    const Capture bare{.id = "c1"};
    for (const Capture& capture : {full, bare}) {
        SCOPED_TRACE(capture.id);
        EXPECT_EQ(BoardCapture(capture).whole(), capture);
        SharedTexts texts;
        EXPECT_EQ(BoardCapture(Capture(capture), texts).whole(), capture);
    }
}
