#include "values/KeyNames.h"

#include <algorithm>
#include <array>
#include <utility>

namespace tavro::KeyNames {

namespace {

using Entry = std::pair<std::uint16_t, const char*>;

template <size_t N>
std::optional<std::string> lookUp(const std::array<Entry, N>& table, std::uint16_t keyCode) {
    auto it = std::find_if(table.begin(), table.end(),
                           [keyCode](const Entry& entry) { return entry.first == keyCode; });
    if (it == table.end())
        return std::nullopt;
    return std::string(it->second);
}

constexpr std::array<Entry, 34> specialNames{{
    {36, "↩"},    {48, "⇥"},    {49, "Space"}, {51, "⌫"},    {117, "⌦"},   {53, "⎋"},
    {115, "↖"},   {119, "↘"},   {116, "⇞"},    {121, "⇟"},   {123, "←"},   {124, "→"},
    {126, "↑"},   {125, "↓"},   {122, "F1"},   {120, "F2"},  {99, "F3"},   {118, "F4"},
    {96, "F5"},   {97, "F6"},   {98, "F7"},    {100, "F8"},  {101, "F9"},  {109, "F10"},
    {103, "F11"}, {111, "F12"}, {105, "F13"},  {107, "F14"}, {113, "F15"}, {106, "F16"},
    {64, "F17"},  {79, "F18"},  {80, "F19"},   {90, "F20"},
}};

// Binding key codes are positions on the ANSI keyboard; these are the characters of the
// US layout at those positions, the main block and the keypad.
constexpr std::array<Entry, 63> usCharacters{{
    {0, "A"},   {1, "S"},  {2, "D"},  {3, "F"},  {4, "H"},  {5, "G"},  {6, "Z"},  {7, "X"},
    {8, "C"},   {9, "V"},  {11, "B"}, {12, "Q"}, {13, "W"}, {14, "E"}, {15, "R"}, {16, "Y"},
    {17, "T"},  {18, "1"}, {19, "2"}, {20, "3"}, {21, "4"}, {22, "6"}, {23, "5"}, {24, "="},
    {25, "9"},  {26, "7"}, {27, "-"}, {28, "8"}, {29, "0"}, {30, "]"}, {31, "O"}, {32, "U"},
    {33, "["},  {34, "I"}, {35, "P"}, {37, "L"}, {38, "J"}, {39, "'"}, {40, "K"}, {41, ";"},
    {42, "\\"}, {43, ","}, {44, "/"}, {45, "N"}, {46, "M"}, {47, "."}, {50, "`"}, {65, "."},
    {67, "*"},  {69, "+"}, {75, "/"}, {78, "-"}, {81, "="}, {82, "0"}, {83, "1"}, {84, "2"},
    {85, "3"},  {86, "4"}, {87, "5"}, {88, "6"}, {89, "7"}, {91, "8"}, {92, "9"},
}};

LayoutNamer& layoutNamer() {
    static LayoutNamer namer;
    return namer;
}

} // namespace

std::optional<std::string> specialKeyName(std::uint16_t keyCode) {
    return lookUp(specialNames, keyCode);
}

std::optional<std::string> layoutCharacter(std::uint16_t keyCode) {
    if (const LayoutNamer& namer = layoutNamer())
        return namer(keyCode);
    return lookUp(usCharacters, keyCode);
}

void setLayoutNamer(LayoutNamer namer) {
    layoutNamer() = std::move(namer);
}

} // namespace tavro::KeyNames
