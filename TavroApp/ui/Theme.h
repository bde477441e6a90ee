#pragma once

#include <QColor>
#include <QFont>
#include <QPalette>
#include <QString>

#include <cstdint>
#include <optional>
#include <string_view>

namespace tavro {

enum class Appearance { light, dark };

// The appearance a palette draws in: dark when its window is darker than its text, light when
// lighter, none when the two cannot be told apart.
std::optional<Appearance> bestAppearanceMatch(const QPalette& palette);

// An opaque sRGB colour from 0xRRGGBB; bits above the low 24 are ignored.
QColor colorFromRGB(std::uint32_t rgb);

// A colour with one value for the light appearance and one for the dark, resolved when drawn.
struct DynamicColor {
    std::uint32_t light = 0;
    std::uint32_t dark = 0;

    // With no appearance to match, the light value is drawn.
    QColor resolved(std::optional<Appearance> appearance) const;
    QColor resolved(const QPalette& palette) const {
        return resolved(bestAppearanceMatch(palette));
    }

    bool operator==(const DynamicColor&) const = default;
};

// The stored colour text of a group or a mark-up shape ("#" and hex digits) as 0xRRGGBB. Never
// fails: text that is not a hexadecimal number gives the fallback 0x6E7BF2.
std::uint32_t hexColorValue(std::string_view text);
QColor colorFromHexString(const QString& text);

// One token per capture status, in the statuses' order.
enum class TavroStatusToken { open, inProgress, resolved, archived };

namespace Theme {

constexpr DynamicColor dynamic(std::uint32_t light, std::uint32_t dark) {
    return {light, dark};
}

inline constexpr DynamicColor accent = dynamic(0x4F5BD5, 0x7C8BFF);
inline constexpr DynamicColor accentSoft = dynamic(0xEEF0FE, 0x232741);
inline constexpr DynamicColor canvas = dynamic(0xF6F6F8, 0x131417);
inline constexpr DynamicColor surface = dynamic(0xFFFFFF, 0x1B1D22);
inline constexpr DynamicColor surfaceRaised = dynamic(0xFFFFFF, 0x212429);
inline constexpr DynamicColor surfaceSunken = dynamic(0xF1F1F4, 0x0F1013);
inline constexpr DynamicColor textPrimary = dynamic(0x16181D, 0xF2F3F5);
inline constexpr DynamicColor textSecondary = dynamic(0x6B7280, 0x9BA1AC);
inline constexpr DynamicColor textTertiary = dynamic(0x9CA3AF, 0x6B7280);
inline constexpr DynamicColor border = dynamic(0xE4E5EA, 0x2A2D34);
inline constexpr DynamicColor borderStrong = dynamic(0xD1D3DA, 0x3A3E47);
inline constexpr DynamicColor statusOpen = dynamic(0xD97706, 0xFBBF24);
inline constexpr DynamicColor statusInProgress = dynamic(0x2563EB, 0x60A5FA);
inline constexpr DynamicColor statusResolved = dynamic(0x059669, 0x34D399);
inline constexpr DynamicColor statusArchived = dynamic(0x9CA3AF, 0x6B7280);
inline constexpr DynamicColor priorityHigh = dynamic(0xE11D48, 0xFB7185);
inline constexpr DynamicColor priorityLow = dynamic(0x94A3B8, 0x64748B);
inline constexpr DynamicColor agentTint = dynamic(0x7C3AED, 0xA78BFA);

// Fixed colours for marks drawn over a screenshot, the same in both appearances.
namespace OnImage {
QColor scrim();
QColor label();
QColor priorityHigh();
QColor priorityLow();
QColor tint(TavroStatusToken token);
} // namespace OnImage

// System fonts; sizes are the design's points, which are logical pixels here.
namespace Font {
QFont display();
QFont title();
QFont headline();
QFont body();
QFont callout();
QFont caption();
QFont micro();
QFont mono();
} // namespace Font

} // namespace Theme

} // namespace tavro
