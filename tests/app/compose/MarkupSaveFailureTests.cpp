#include "compose/MarkupSaveFailure.h"

#include <gtest/gtest.h>

using namespace tavro;

TEST(MarkupSaveFailure, SaysWhatFailedOverWhyAndNeverNamesTheFile) {
    const struct {
        const char* description;
        const char* detail;
    } cases[] = {
        {"Couldn't save the screenshot: Could not write "
         "2c5e0f3a-7b1d-4e8f-9a6b-0c1d2e3f4a5b-marked.png: Permission denied",
         "The marked copy of the screenshot could not be written: Permission denied."},
        {"Couldn't save the screenshot: Could not write x-marked.png: No space left on device",
         "The marked copy of the screenshot could not be written: No space left on device."},
        {"Couldn't save the screenshot: the original screenshot is missing",
         "The original screenshot is missing."},
        {"Couldn't save the screenshot: PNG encoding failed", "PNG encoding failed."},
        {"SQL execution failed: database is locked\nUPDATE capture_images SET annotated_path = ?;",
         "The library is busy: another program is writing to it. Try again in a moment."},
        {"disk full", "Disk full."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.description);
        const MarkupSaveFailure failure = MarkupSaveFailure::from(c.description);
        EXPECT_EQ(failure.summary, "Your marks couldn't be saved.");
        EXPECT_EQ(failure.detail, c.detail);
        EXPECT_EQ(failure.detail.find("2c5e0f3a"), std::string::npos);
    }
}
