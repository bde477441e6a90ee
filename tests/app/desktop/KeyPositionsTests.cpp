#include "desktop/KeyPositions.h"

#include <gtest/gtest.h>

using namespace tavro;

namespace {

struct Position {
    std::uint16_t designed;
    std::uint8_t x11;
};

TEST(KeyPositions, DesignedCodesNameTheSameKeysOnTheServer) {
    // The server's codes are the kernel's input codes plus 8.
    const Position table[] = {
        {0, 38},   // A
        {12, 24},  // Q
        {18, 10},  // 1
        {19, 11},  // 2
        {20, 12},  // 3
        {21, 13},  // 4
        {36, 36},  // Return
        {49, 65},  // Space
        {53, 9},   // Escape
        {58, 64},  // left Option = Alt
        {55, 133}, // left Command = Super
        {122, 67}, // F1
        {90, 198}, // F20
        {126, 111} // Up
    };
    for (const auto& entry : table) {
        EXPECT_EQ(KeyPositions::x11KeyCode(entry.designed), entry.x11) << entry.designed;
        EXPECT_EQ(KeyPositions::bindingKeyCode(entry.x11), entry.designed) << int(entry.x11);
    }
}

TEST(KeyPositions, EveryMappedCodeRoundTripsAndUnknownCodesMapToNothing) {
    int mapped = 0;
    for (std::uint16_t code = 0; code < 256; ++code) {
        if (auto x11 = KeyPositions::x11KeyCode(code)) {
            ++mapped;
            EXPECT_EQ(KeyPositions::bindingKeyCode(*x11), code);
        }
    }
    EXPECT_GT(mapped, 100);
    EXPECT_FALSE(KeyPositions::x11KeyCode(52));
    EXPECT_FALSE(KeyPositions::x11KeyCode(65535));
    EXPECT_FALSE(KeyPositions::bindingKeyCode(0));
    EXPECT_FALSE(KeyPositions::bindingKeyCode(7));
}

} // namespace
